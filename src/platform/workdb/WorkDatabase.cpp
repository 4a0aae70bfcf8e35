#include "WorkDatabase.h"

#include "AsideRun.h"

#include "platform/ado/RuntimeError.h"

#include <QSet>

namespace tw::workdb {

using ado::RuntimeError;

namespace {
// Each work table's code page, by its name in lower case; not a work table itself.
QString codePageTable()
{
    return QStringLiteral("tw_table_code_pages");
}
} // namespace

WorkDatabase::WorkDatabase(const QString &path) : m_db(path) {}

QStringList WorkDatabase::tableNames()
{
    SqliteStatement query(m_db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                                               "LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    QStringList names;
    while (query.step()) {
        const QString name = query.columnText(0);
        if (name != codePageTable())
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
    const QString real = requireTable(name);
    const QString statement = QStringLiteral("DROP TABLE %1").arg(quoteName(real));
    runAside([&] { m_db.exec(statement); });
    forgetCodePage(real);
}

} // namespace tw::workdb
