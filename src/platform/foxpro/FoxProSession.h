#pragma once
// FoxProSession: one open FoxPro source (a container or a folder of free
// tables). It keeps the tables it appends to open across INSERTs, so long
// copies do not reopen files per row. Inside a transaction a DROP TABLE is
// held back and a CREATE TABLE builds its table under a temporary name; the
// commit puts each new table in place of the old one (files and container
// records) only then, and a rollback, a failure or closing the session
// deletes the temporaries and leaves every table as it was.

#include "Container.h"
#include "TableWriter.h"

#include "platform/ado/Provider.h"
#include "platform/files/StagedTable.h"
#include "platform/sql/Statement.h"

#include <QHash>

#include <map>
#include <memory>
#include <optional>

namespace tw::foxpro {

class TableReader;

class FoxProSession : public ado::Session {
public:
    // `source` is the Data Source text (a .dbc file or a folder, Windows-style).
    explicit FoxProSession(const QString &source);
    ~FoxProSession() override;

    void execute(const QString &sql) override;
    // Appends the values straight to the table's writer: no statement is read.
    void insertRow(const QString &table, std::vector<ado::Variant> &values,
                   const std::function<QString()> &statementText) override;
    // Refuses `rows` more rows the table's .dbf cannot hold (see TableWriter::requireRoomFor).
    void expectRows(const QString &table, qint64 rows) override;
    std::unique_ptr<ado::Cursor> openSchema(int schema) override;
    std::unique_ptr<ado::Cursor> query(const QString &sql, const ado::OpenOptions &options) override;
    // Every whole record, deleted ones included and marked.
    std::unique_ptr<ado::RowSource> openRows(const QString &table) override;

    // By the table file's backlink (see owningContainer()).
    QString containerOwning(const QString &path) const override;
    int textPageOfNewTable(int codePage) const override;

    bool isContainer() const { return !m_containerPath.isEmpty(); }
    // The folder of the tables (the container's folder for a container).
    const QString &folder() const { return m_folder; }
    // Characters that became '?' in INSERTs into the table named as in the
    // statements (path or name); 0 when none.
    qint64 replacedCharacters(const QString &table) const;
    // The same over every table this session wrote.
    qint64 replacedCharacters() const override;
    // Values written blank or Null (a number too wide for its field) and
    // values written changed (a time to whole seconds, a number rounded, a
    // text cut) because the field could not hold them as they were, in every
    // table this session wrote (see TableWriter::noteChanges).
    const ado::LostValues *lostValues() const override { return &m_lost; }
    const ado::LostValues *changedValues() const override { return &m_changed; }
    // Closes the tables kept open for appending.
    void closeWriters();

    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;

private:
    struct Resolved {
        QString path;                               // real path of the .dbf
        std::optional<Container::TableEntry> entry; // when it is a container's table
    };
    std::optional<Container> loadContainer() const;
    // The table a statement names; RuntimeError "Table 'x' does not exist in ..." when none.
    Resolved resolve(const QString &name, const std::optional<Container> &container) const;
    QString pathForNewTable(const QString &name) const;
    // The reader of the table a SELECT names, with its column names (the
    // container's long names, when it has them) and the session's warnings.
    std::unique_ptr<TableReader> openReader(const QString &name, QStringList &names, QStringList &warnings) const;
    [[noreturn]] void missing(const QString &name) const;

    void createTable(const sql::CreateTable &statement);
    void insert(sql::Insert &statement); // takes the literal texts over
    void appendRow(const QString &table, const std::vector<ado::Variant> &values);
    // The real path of the table an INSERT names.
    QString insertPath(const QString &table) const;
    void dropTable(const sql::DropTable &statement);
    TableWriter &writerFor(const QString &path);
    // By value: callers pass keys of m_writers. What the writer buffers is
    // written first unless `keep` is false (the table is going away).
    void closeWriter(QString path, bool keep = true);

    // A table created inside the transaction, built under a temporary name.
    struct HeldCreate {
        QString target;            // real path the .dbf gets
        QString temp;              // real path of the temporary .dbf
        QString tableName;         // its name in the container
        QStringList longNames;     // the container's field names
        files::StagedTable staged; // the temporaries, the main one locked while it lives
    };
    // A table dropped inside the transaction; it stays until the commit, and
    // then goes only when no CREATE of its name was asked for (see commitTrans).
    struct HeldDrop {
        QString path;                               // real path of the .dbf
        std::optional<Container::TableEntry> entry; // when it is a container's table
        bool claimed = false;                       // a CREATE of its name was asked for
    };
    HeldCreate *heldCreateFor(const QString &path);
    bool isHeldDrop(const QString &path) const;
    void discardCreate(const QString &target);
    void putInPlace(HeldCreate &create, std::optional<Container> &container);
    // `dropped`: by a DROP TABLE of its own (see Session::dropsToTrash), not
    // held for a table that replaces it.
    void removeTable(const QString &path, const std::optional<Container::TableEntry> &entry,
                     std::optional<Container> &container, bool dropped);
    void removeDroppedFile(const QString &path);

    QString m_source;                                          // as given
    QString m_containerPath;                                   // real path, empty for a folder
    QString m_folder;                                          // real path
    std::map<QString, std::unique_ptr<TableWriter>> m_writers; // by real path
    QHash<QString, qint64> m_replaced;                         // by real path, from writers already closed
    QHash<QString, QString> m_insertTargets;                   // INSERT table text -> real path of an open writer
    // The table text and writer of the last INSERT, so that a run of INSERTs
    // into one table looks nothing up; cleared whenever a writer closes.
    QString m_lastInsertTable;
    TableWriter *m_lastInsertWriter = nullptr;
    std::vector<ado::Variant> m_insertValues; // the row being appended, its memory reused
    ado::LostValues m_lost;                   // see lostValues()
    ado::LostValues m_changed;                // see changedValues()
    bool m_inTransaction = false;
    std::vector<HeldCreate> m_heldCreates;
    std::vector<HeldDrop> m_heldDrops;
};

// The file name of the container a .dbf's backlink names, upper-cased
// ("DATA.DBC"); empty for a free table, a file whose header cannot be read,
// or a table whose container is not there (it is read as a free table).
QString owningContainer(const QString &dbfPath);
// FoxPro column names for `names`, in order, for a table made for text of
// `codePage` (0 for none): a character that table's code page cannot hold
// becomes "?", every character other than a letter, a digit or "_" becomes
// "_", a leading digit gets a "_" before it, as many characters are kept as
// fit 10 bytes, and a name already taken (without regard to case) ends in a
// number instead (UNIT_PRICE, UNIT_PRIC2, ..., UNIT_PRI10). The case is kept:
// the table stores them upper-cased, a statement shows them as the source has
// them.
QStringList columnNamesFor(const QStringList &names, int codePage = 0);
// The same for the table `name` of the real folder `folder` (name.dbf in any
// letter case); empty when there is no such file.
QString containerOwningListedTable(const QString &folder, const QString &name);

} // namespace tw::foxpro
