#pragma once
// The provider interface: what the FoxPro, Paradox and work-database providers
// implement so that Connection and Recordset can reach them. A provider turns a
// connection string into a Session; a Session runs statements and opens Cursors.

#include "ColumnInfo.h"
#include "ConnectionString.h"
#include "DamagedRows.h"
#include "DataTypeEnum.h"
#include "LostValues.h"
#include "RowSource.h"
#include "RuntimeError.h"
#include "Variant.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tw::ado {

class TableReplacement;

// Settings made on a Connection before Open.
struct ConnectionOptions {
    int cursorLocation = 2;
    int mode = 0;
    int commandTimeout = 30;
    int connectionTimeout = 15;
};

// Settings made on a Recordset before or at Open.
struct OpenOptions {
    int cursorLocation = 2;
    int cursorType = 0; // 0 forward-only, 2 dynamic
    int lockType = 1;   // 1 read-only, 3 optimistic
    bool wantsUpdates() const { return lockType == 3; }
};

// A forward walk over the rows of one statement. It keeps alive whatever it
// reads from, so it stays usable after its Session is closed.
class Cursor {
public:
    virtual ~Cursor() = default;

    virtual const std::vector<ColumnInfo> &columns() const = 0;
    // The number of rows the walk returns, known before the walk starts.
    virtual qint64 rowCount() const = 0;
    // Fills row (resized to the column count) with the next row; false at the end.
    virtual bool fetch(std::vector<Variant> &row) = 0;

    // The code page of the source table's text; 0 when the table names none
    // or the source has no code pages.
    virtual int codePage() const { return 0; }

    // Updatable cursors (opened with lock type 3) accept new rows.
    virtual bool updatable() const { return false; }
    // True when fetch() touches nothing but what this cursor owns (its own
    // open files), so that another thread may walk it (see PrefetchCursor).
    virtual bool readsOnItsOwn() const { return false; }
    // Converts a value to what column `column` holds; RuntimeError when it cannot.
    virtual Variant convert(int column, const Variant &value) const;
    // Appends one row of converted values (Empty for a field never set).
    virtual void append(const std::vector<Variant> &row);
    // Values this walk could not read and gave as Null instead (readers that
    // go on past such values keep them); nullptr when none can occur.
    virtual const LostValues *lostValues() const { return nullptr; }
    // Texts this walk read whose stored bytes the table's code page does not
    // give back (they arrive changed); nullptr when none can occur.
    virtual const LostValues *changedValues() const { return nullptr; }
    // Rows the table holds but that are damaged (cut short, in a block the
    // file does not hold whole) and that this walk sets aside; known once the
    // cursor is open, since rowCount() counts whole rows only. nullptr when
    // none can occur.
    virtual const DamagedRows *damagedRows() const { return nullptr; }
    // What the reader met in the table's header and read past (a record
    // length that differs from its fields', a container that is not there),
    // one line each, for the user; known once the cursor is open.
    virtual QStringList warnings() const { return {}; }
};

// A file a DROP TABLE removed, and where the system's trash holds it now.
struct RemovedFile {
    QString path;      // as the table had it
    QString trashedAs; // empty when it was deleted for good
};

class Session {
public:
    virtual ~Session() = default;
    virtual void execute(const QString &sql) = 0;
    // Appends one row to `table` (named as an INSERT would name it) with the
    // given values, as executing the statement `statementText` builds would;
    // sessions that can append without reading a statement take the values
    // (and may take them over), the others execute the text.
    virtual void insertRow(const QString &table, std::vector<Variant> &values,
                           const std::function<QString()> &statementText);
    // `sql` will be executed once the rows about to be appended (about
    // expectedRows) are all in: a session may start its work on them as they
    // arrive, provided that executing `sql` then gives what it would have
    // given, with the same failures, and that anything else done to the rows'
    // table first undoes the start. Nothing is thrown here.
    virtual void prepare(const QString &sql, qint64 expectedRows)
    {
        (void)sql;
        (void)expectedRows;
    }
    // About `rows` rows are now to be appended to `table` (named as an
    // INSERT would name it, or a work table a prepared export writes out): a
    // session refuses them here, with the failure a row past the limit would
    // meet, when its format already cannot hold so many (see FormatLimit.h).
    // Sessions without limits take any number.
    virtual void expectRows(const QString &table, qint64 rows)
    {
        (void)table;
        (void)rows;
    }
    // The permission to replace `table` (named as its DROP TABLE named it)
    // that a DROP TABLE held back in the open transaction gives; nullptr when
    // no drop of it is held. Only the session that holds the drop has it.
    virtual std::shared_ptr<TableReplacement> heldDrop(const QString &table) const
    {
        (void)table;
        return nullptr;
    }
    // Hands this session such a permission for the tables it writes into
    // another format's folder: a table there is replaced only by a writer
    // that holds a permission naming it (the last one handed over counts).
    // Sessions that write no such tables ignore it.
    virtual void allowReplacement(std::shared_ptr<TableReplacement> replacement) { (void)replacement; }
    // Only schema 20 (tables) is known: columns TABLE_CATALOG, TABLE_SCHEMA,
    // TABLE_NAME, TABLE_TYPE.
    virtual std::unique_ptr<Cursor> openSchema(int schema) = 0;
    virtual std::unique_ptr<Cursor> query(const QString &sql, const OpenOptions &options) = 0;
    // The table `table` (named as a SELECT would name it) for reading rows by
    // position, in the code page readCodePage() gives; nullptr when this
    // session cannot, RuntimeError as query() when the table cannot be read.
    virtual std::unique_ptr<RowSource> openRows(const QString &table)
    {
        (void)table;
        return nullptr;
    }
    // Characters written as "?" since the session opened because the target's
    // code page cannot hold them (sessions that write text count them).
    virtual qint64 replacedCharacters() const { return 0; }
    // Values written as Null because the target could not hold them, since
    // the session opened; nullptr for sessions that write none.
    virtual const LostValues *lostValues() const { return nullptr; }
    // Values written changed (rounded, cut, moved into range) because the
    // target could not hold them as they were, since the session opened
    // (LostValue::after holds what was written); nullptr for sessions that
    // change none.
    virtual const LostValues *changedValues() const { return nullptr; }
    // The container (its file name, upper-cased) that owns the table file
    // `path` by that file's own record; empty for a free table and for
    // formats without containers.
    virtual QString containerOwning(const QString &path) const
    {
        (void)path;
        return {};
    }
    // The code page the tables created from now on take for their text, when
    // their format can record it; 0 leaves it to the provider (Windows-1252).
    void setNewTableCodePage(int codePage) { m_newTableCodePage = codePage; }
    int newTableCodePage() const { return m_newTableCodePage; }
    // The code page the tables opened from now on are read in, in place of
    // the one their header names (a table with no mark, or the wrong one);
    // their cursors' codePage() gives it. 0 reads each table as it is marked.
    // Pages without a converter here are passed over (0).
    void setReadCodePage(int codePage) { m_readCodePage = codePage; }
    int readCodePage() const { return m_readCodePage; }
    // The code pages whose text the cursors opened from now on keep as the
    // bytes their table stores (Variant::setStoredText), asked with the page
    // a table is read in: a copy's target that writes text of that page as it
    // is. None when not set: every text is decoded as it is read.
    using StoredTextPages = std::function<bool(int codePage)>;
    void setTextKeptAsStored(StoredTextPages pages) { m_storedTextPages = std::move(pages); }
    bool keepsTextAsStored(int codePage) const { return m_storedTextPages && m_storedTextPages(codePage); }
    // The code page a table created now, given `codePage` for its text (see
    // setNewTableCodePage), writes its text in; 0 for formats without code pages.
    virtual int textPageOfNewTable(int codePage) const
    {
        (void)codePage;
        return 0;
    }
    // Where a DROP TABLE outside a transaction puts the table's files: in the
    // trash of their volume (when it has one) when set, else nowhere. A drop
    // held in a transaction (a copy replacing the table) always deletes.
    void setDropsToTrash(bool toTrash) { m_dropsToTrash = toTrash; }
    bool dropsToTrash() const { return m_dropsToTrash; }
    // The files DROP TABLE removed since the last call, in the order removed.
    std::vector<RemovedFile> takeRemovedFiles() { return std::exchange(m_removedFiles, {}); }

    // Transactions, for sessions that can hold back what they change: between
    // beginTrans and commitTrans a dropped table stays on disk and a created
    // one is built under a temporary name; commitTrans puts the new tables in
    // place of the old ones, rollbackTrans (or closing the session) leaves
    // everything as it was before beginTrans. Sessions without them refuse.
    virtual void beginTrans();
    virtual void commitTrans();
    virtual void rollbackTrans();

protected:
    void noteRemoved(RemovedFile file) { m_removedFiles.push_back(std::move(file)); }

private:
    int m_newTableCodePage = 0;
    int m_readCodePage = 0;
    StoredTextPages m_storedTextPages;
    bool m_dropsToTrash = false;
    std::vector<RemovedFile> m_removedFiles;
};

class Provider {
public:
    virtual ~Provider() = default;
    virtual QString name() const = 0;
    // True when this provider is the one the connection string names.
    virtual bool accepts(const ConnectionString &cs) const = 0;
    // Opens the source; RuntimeError with a message a user can act on when it cannot.
    virtual std::unique_ptr<Session> open(const ConnectionString &cs, const ConnectionOptions &options) = 0;
    // Column names as a CREATE TABLE of this format takes them, in order, for
    // a table whose text is of `codePage` (0 for none): made to fit the
    // format's names and told apart, the letter case kept. Formats without
    // rules of their own give them as they are. The format alone decides, so
    // no source needs to be open to ask.
    virtual QStringList columnNamesFor(const QStringList &names, int codePage) const
    {
        (void)codePage;
        return names;
    }
};

// A cursor over rows held in memory: schema rows, small results, tests.
class MemoryCursor : public Cursor {
public:
    MemoryCursor(std::vector<ColumnInfo> columns, std::vector<std::vector<Variant>> rows, QStringList warnings = {});
    const std::vector<ColumnInfo> &columns() const override { return m_columns; }
    qint64 rowCount() const override { return static_cast<qint64>(m_rows.size()); }
    bool fetch(std::vector<Variant> &row) override;
    QStringList warnings() const override { return m_warnings; }

private:
    std::vector<ColumnInfo> m_columns;
    QStringList m_warnings;
    std::vector<std::vector<Variant>> m_rows;
    size_t m_next = 0;
};

// One row of the tables schema.
struct SchemaTable {
    QString name;
    QString type; // "TABLE", "VIEW", "SYSTEM TABLE"
};

// `warnings`: what the listing read past or left out, one line each (the
// schema's warnings()).
std::unique_ptr<Cursor> makeTablesSchema(const std::vector<SchemaTable> &tables, const QStringList &warnings = {});

} // namespace tw::ado
