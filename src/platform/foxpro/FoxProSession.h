#pragma once
// FoxProSession: one open FoxPro source (a container or a folder of free
// tables). It keeps the tables it appends to open across INSERTs, so long
// copies do not reopen files per row; every row is complete on disk before
// the INSERT returns, so readers see a consistent table at any time.

#include "Container.h"
#include "TableWriter.h"

#include "platform/ado/Provider.h"
#include "platform/sql/Statement.h"

#include <QHash>

#include <map>
#include <memory>
#include <optional>

namespace tw::foxpro {

class FoxProSession : public ado::Session {
public:
    // `source` is the Data Source text (a .dbc file or a folder, Windows-style).
    explicit FoxProSession(const QString &source);
    ~FoxProSession() override;

    void execute(const QString &sql) override;
    std::unique_ptr<ado::Cursor> openSchema(int schema) override;
    std::unique_ptr<ado::Cursor> query(const QString &sql, const ado::OpenOptions &options) override;

    bool isContainer() const { return !m_containerPath.isEmpty(); }
    // The folder of the tables (the container's folder for a container).
    const QString &folder() const { return m_folder; }
    // Characters that became '?' in INSERTs into the table named as in the
    // statements (path or name); 0 when none.
    qint64 replacedCharacters(const QString &table) const;
    // The same over every table this session wrote.
    qint64 replacedCharacters() const override;
    // Closes the tables kept open for appending.
    void closeWriters();

private:
    struct Resolved {
        QString path;                              // real path of the .dbf
        std::optional<Container::TableEntry> entry; // when it is a container's table
    };
    std::optional<Container> loadContainer() const;
    // The table a statement names; RuntimeError "Table 'x' does not exist in ..." when none.
    Resolved resolve(const QString &name, const std::optional<Container> &container) const;
    QString pathForNewTable(const QString &name) const;
    [[noreturn]] void missing(const QString &name) const;

    void createTable(const sql::CreateTable &statement);
    void insert(sql::Insert &statement); // takes the literal texts over
    void dropTable(const sql::DropTable &statement);
    TableWriter &writerFor(const QString &path);
    void closeWriter(QString path); // by value: callers pass keys of m_writers

    QString m_source;        // as given
    QString m_containerPath; // real path, empty for a folder
    QString m_folder;        // real path
    std::map<QString, std::unique_ptr<TableWriter>> m_writers; // by real path
    QHash<QString, qint64> m_replaced; // by real path, from writers already closed
    QHash<QString, QString> m_insertTargets; // INSERT table text -> real path of an open writer
    // The table text and writer of the last INSERT, so that a run of INSERTs
    // into one table looks nothing up; cleared whenever a writer closes.
    QString m_lastInsertTable;
    TableWriter *m_lastInsertWriter = nullptr;
    std::vector<ado::Variant> m_insertValues; // the row being appended, its memory reused
};

} // namespace tw::foxpro
