#include "WorkDatabase.h"

#include "AsideRun.h"

#include "platform/ado/RuntimeError.h"

#include <QSet>

#include <sqlite3.h>

namespace tw::workdb {

using ado::RuntimeError;

namespace {
// Each work table's code page, by its name in lower case; not a work table itself.
QString codePageTable()
{
    return QStringLiteral("tw_table_code_pages");
}
// PRAGMA auto_vacuum: the file shrinks when told to (PRAGMA incremental_vacuum).
constexpr qint64 kIncrementalVacuum = 2;
// A file kept from before that setting is rewritten once when at least this
// share of it (1 in kFreeShare) and this many bytes lie unused.
constexpr qint64 kFreeShare = 2;
constexpr qint64 kFreeBytes = 1 << 20;
} // namespace

WorkDatabase::WorkDatabase(const QString &path) : m_db(path)
{
    // Takes effect at once in a database without tables (a new work database
    // is one); a file that already holds tables takes it when rewritten.
    m_db.exec(QStringLiteral("PRAGMA auto_vacuum=INCREMENTAL"));
    // Staged rows are scratch: a dropped table's pages need not be overwritten
    // with zeros (and journaled first), which some builds of SQLite do by default.
    m_db.exec(QStringLiteral("PRAGMA secure_delete=OFF"));
}

qint64 WorkDatabase::pragmaValue(const char *name)
{
    SqliteStatement query(m_db, QStringLiteral("PRAGMA %1").arg(QLatin1String(name)));
    return query.step() ? query.columnInteger(0) : 0;
}

void WorkDatabase::giveBackSpace()
{
    try {
        if (pragmaValue("auto_vacuum") == kIncrementalVacuum) {
            runAside([&] { m_db.exec(QStringLiteral("PRAGMA incremental_vacuum")); });
            return;
        }
        const qint64 pages = pragmaValue("page_count");
        const qint64 free = pragmaValue("freelist_count");
        if (free * kFreeShare >= pages && free * pragmaValue("page_size") >= kFreeBytes)
            runAside([&] { m_db.exec(QStringLiteral("VACUUM")); });
    } catch (const RuntimeError &) {
        // Only space is lost (a statement still reading, a full disk): the next drop tries again.
    }
}

QStringList WorkDatabase::tableNames()
{
    SqliteStatement query(m_db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                                               "LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    QStringList names;
    while (query.step()) {
        const QString name = query.columnText(0);
        if (name != codePageTable() && !isCompanion(name))
            names << name;
    }
    return names;
}

QString WorkDatabase::findTable(const QString &name)
{
    const QStringList names = tableNames();
    for (const QString &each : names) {
        if (each.compare(name, Qt::CaseInsensitive) == 0)
            return each;
    }
    return {};
}

QString WorkDatabase::requireTable(const QString &name)
{
    const QString real = findTable(name);
    if (real.isEmpty())
        throw RuntimeError(QStringLiteral("The work database '%1' has no table '%2'.").arg(path(), name));
    return real;
}

std::vector<WorkColumn> WorkDatabase::columns(const QString &table)
{
    SqliteStatement info(m_db, QStringLiteral("SELECT name, type FROM pragma_table_info(?1)"));
    info.bindText(1, table);
    std::vector<WorkColumn> result;
    while (info.step())
        result.push_back(workColumn(info.columnText(0), info.columnText(1)));
    return result;
}

void WorkDatabase::createTable(const QString &name, const std::vector<WorkColumn> &columns, int codePage)
{
    commit();
    m_lostRows.clear();
    if (!findTable(name).isEmpty())
        throw RuntimeError(QStringLiteral("Table '%1' already exists.").arg(name));
    if (columns.empty())
        throw RuntimeError(QStringLiteral("Table '%1' needs at least one column.").arg(name));
    // Old tables sometimes hold two columns of one name (dBase III kept whatever
    // it was given); values are matched by position, so a later twin gets a
    // number at the end of its name instead of failing the whole table.
    QSet<QString> given;
    for (const WorkColumn &column : columns)
        given.insert(column.name.toLower());
    QSet<QString> seen;
    QStringList definitions;
    for (const WorkColumn &column : columns) {
        if (column.name.trimmed().isEmpty())
            throw RuntimeError(QStringLiteral("A column of table '%1' has no name.").arg(name));
        QString unique = column.name;
        for (int n = 2; seen.contains(unique.toLower()) || (n > 2 && given.contains(unique.toLower())); ++n)
            unique = column.name + QString::number(n);
        seen.insert(unique.toLower());
        definitions << quoteName(unique) + u' ' + column.declaredType();
    }
    m_db.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteName(name), definitions.join(QStringLiteral(", "))));
    m_db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(quoteName(packedTable(name))));
    m_db.exec(QStringLiteral("CREATE TABLE %1 (rows INTEGER, data BLOB)").arg(quoteName(packedTable(name))));
    forgetCodePage(name);
    if (codePage == 0)
        return;
    m_db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (name TEXT PRIMARY KEY, code_page INTEGER)")
                  .arg(quoteName(codePageTable())));
    SqliteStatement remember(m_db, QStringLiteral("INSERT INTO %1 VALUES (?1, ?2)").arg(quoteName(codePageTable())));
    remember.bindText(1, name.toLower());
    remember.bindInteger(2, codePage);
    remember.step();
}

bool WorkDatabase::hasCodePageTable()
{
    SqliteStatement query(m_db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1"));
    query.bindText(1, codePageTable());
    return query.step();
}

void WorkDatabase::forgetCodePage(const QString &table)
{
    if (!hasCodePageTable())
        return;
    SqliteStatement forget(m_db, QStringLiteral("DELETE FROM %1 WHERE name = ?1").arg(quoteName(codePageTable())));
    forget.bindText(1, table.toLower());
    forget.step();
}

int WorkDatabase::codePageOf(const QString &table)
{
    if (!hasCodePageTable())
        return 0;
    SqliteStatement query(m_db,
                          QStringLiteral("SELECT code_page FROM %1 WHERE name = ?1").arg(quoteName(codePageTable())));
    query.bindText(1, table.toLower());
    return query.step() ? int(query.columnInteger(0)) : 0;
}

void WorkDatabase::dropTable(const QString &name)
{
    try {
        commit();
    } catch (const RuntimeError &) {
        // The rows lost belong to a table being dropped (or to one before it).
    }
    const QString real = requireTable(name);
    const QString statement = QStringLiteral("DROP TABLE %1").arg(quoteName(real));
    const QString rows = QStringLiteral("DROP TABLE IF EXISTS %1").arg(quoteName(packedTable(real)));
    runAside([&] {
        m_db.exec(statement);
        m_db.exec(rows);
    });
    m_lostRows.clear();
    forgetCodePage(real);
    giveBackSpace();
}

qint64 WorkDatabase::rowCount(const QString &table)
{
    qint64 rows = m_gatheringFor == table ? m_gatheredRows : 0;
    runAside([&] {
        SqliteStatement count(m_db, QStringLiteral("SELECT count(*) FROM %1").arg(quoteName(table)));
        if (count.step())
            rows += count.columnInteger(0);
        SqliteStatement exists(m_db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1"));
        exists.bindText(1, packedTable(table));
        if (!exists.step())
            return;
        SqliteStatement packed(
            m_db, QStringLiteral("SELECT coalesce(sum(rows), 0) FROM %1").arg(quoteName(packedTable(table))));
        if (packed.step())
            rows += packed.columnInteger(0);
    });
    return rows;
}

QString WorkDatabase::packedTable(const QString &table)
{
    return QStringLiteral("tw_rows_of_") + table.toLower();
}

bool WorkDatabase::isCompanion(const QString &name)
{
    return name.startsWith(QLatin1String("tw_rows_of_"));
}

void WorkDatabase::appendRow(const QString &table, const std::vector<WorkColumn> &columns,
                             const std::vector<ado::Variant> &row)
{
    requireNoLostRows();
    if (m_gatheringFor != table) {
        flushRows();
        m_gatheringFor = table;
    }
    packRow(columns, row, m_gathered);
    ++m_gatheredRows;
    if (m_gathered.size() >= kBatchBytes)
        flushRows();
}

void WorkDatabase::flushRows()
{
    if (m_gatheredRows == 0)
        return;
    const QString table = m_gatheringFor;
    const qint64 rows = m_gatheredRows;
    m_gatheredRows = 0;
    try {
        beforeAppend(rows);
        SqliteStatement insert(m_db,
                               QStringLiteral("INSERT INTO %1 VALUES (?1, ?2)").arg(quoteName(packedTable(table))));
        insert.bindInteger(1, rows);
        insert.bindBlob(2, m_gathered);
        insert.step();
    } catch (const RuntimeError &error) {
        // The batch is lost: so that the table never goes on with rows
        // missing, every later append and export says so.
        m_gathered.truncate(0);
        m_lostRows = error.description();
        throw;
    }
    m_gathered.truncate(0); // its capacity serves the next batch
}

std::unique_ptr<PackedReader> WorkDatabase::readRows(const QString &table)
{
    commit();
    return std::make_unique<PackedReader>(m_db, packedTable(table), columns(table));
}

void WorkDatabase::beforeAppend(qint64 rows)
{
    if (m_inTransaction && m_pendingRows >= kRowsPerCommit)
        commitTransaction();
    if (!m_inTransaction) {
        m_db.exec(QStringLiteral("BEGIN"));
        m_inTransaction = true;
    }
    m_pendingRows += int(rows);
}

void WorkDatabase::commit()
{
    flushRows();
    commitTransaction();
}

void WorkDatabase::commitTransaction()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    m_pendingRows = 0;
    try {
        m_db.exec(QStringLiteral("COMMIT"));
    } catch (const RuntimeError &error) {
        // SQLite has rolled the transaction back: its rows are lost.
        if (!sqlite3_get_autocommit(m_db.handle()))
            sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        m_lostRows = error.description();
        requireNoLostRows();
    }
}

void WorkDatabase::requireNoLostRows(const QString &table) const
{
    if (m_lostRows.isEmpty())
        return;
    if (table.isEmpty())
        throw RuntimeError(QStringLiteral("Rows could not be kept in the work database: %1").arg(m_lostRows));
    throw RuntimeError(
        QStringLiteral("The rows of '%1' could not be kept in the work database: %2").arg(table, m_lostRows));
}

} // namespace tw::workdb
