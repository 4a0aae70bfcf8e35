#pragma once
// Container: a Visual FoxPro database container (.dbc + .dct + .dcx). Reads
// its tables, views and long field names; adds and removes tables, keeping
// the records, the backlinks and the .dcx index as Visual FoxPro keeps them.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tw::encoding {
class TextCodec;
}

namespace tw::foxpro {

struct DbfHeader;
using encoding::TextCodec;

class Container {
public:
    struct Object {
        qint64 record = 0; // record number in the .dbc, from 1
        bool deleted = false;
        int objectId = 0;
        int parentId = 0;
        QString type; // "Table", "Field", "View", ...
        QString name;
        QByteArray property; // the PROPERTY memo
        QByteArray rawType;  // OBJECTTYPE as stored (index keys)
        QByteArray rawName;  // OBJECTNAME as stored
    };
    struct TableEntry {
        QString name;         // the long name
        QString relativePath; // as the container stores it
        int objectId = 0;
    };

    // Reads the container at the real path `path`. RuntimeError naming the file
    // when it is missing or not a container.
    explicit Container(const QString &path);
    // Creates an empty container (.dbc, .dct, .dcx) as Visual FoxPro's CREATE
    // DATABASE writes it; refuses when the .dbc or its memo file exists.
    static Container create(const QString &path);

    const QString &path() const { return m_path; }
    QString fileName() const;
    QString folder() const;

    std::vector<TableEntry> tables() const;
    QStringList views() const;
    // The table of that long name, without regard to case.
    std::optional<TableEntry> findTable(const QString &name) const;
    // The real path of a table's .dbf.
    QString tablePath(const TableEntry &table) const;
    // The long names of a table's fields, in field order.
    QStringList fieldNames(int tableObjectId) const;
    // Checks that the file found at a table's path is the table this
    // container describes before its long names are lent to it: its backlink
    // names this container's file, and its fields are the container's Field
    // records, as many and with matching names. RuntimeError naming the table,
    // the file and the first difference otherwise.
    void checkTableFile(const TableEntry &table, const DbfHeader &header, const QString &tableFileName) const;
    // The names a table's columns go by: its long names, except where a long
    // name only stands for the field's own name as far as the container's code
    // page could hold it (see addTable); there the field's own name, in lower
    // case. `storedNames` are the table's field names (its .dbf's).
    QStringList columnNames(int tableObjectId, const QStringList &storedNames) const;

    // Adds a table (already created at the real path `tablePath`) under the long
    // name `name` with one Field record per long field name, in lower case and
    // made valid in the container's code page by the rule of field names (128
    // bytes long); sets the table's backlink and rebuilds the index.
    void addTable(const QString &name, const QString &tablePath, const QStringList &fieldNames);
    // Removes a table's records (and those under it), the relations that name
    // it as their related table, and rebuilds the index.
    void removeTable(int objectId);
    // Writes the .dcx again from the live records.
    void rebuildIndex();
    // The real path of the .dcx (the existing one in any letter case, else a new name).
    QString indexPath() const;

private:
    void load();

    QString m_path;
    uint8_t m_codePageMark = 0;
    std::vector<Object> m_objects;
};

// The container's path relative to a table's folder, as a backlink stores it
// (lower case, "\" separators).
QByteArray backlinkFor(const QString &tablePath, const QString &containerPath);

} // namespace tw::foxpro
