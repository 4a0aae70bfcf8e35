#include "WorkTableCursor.h"

#include "platform/ado/RuntimeError.h"

namespace tw::workdb {

WorkTableCursor::WorkTableCursor(std::shared_ptr<WorkDatabase> database, const QString &table, bool updatable)
    : m_database(std::move(database)), m_updatable(updatable)
{
    m_database->commit();
    m_table = m_database->requireTable(table);
    m_columns = m_database->columns(m_table);
    for (const WorkColumn &column : m_columns)
        m_infos.push_back(column.info());
    m_rowCount = m_database->rowCount(m_table);
    m_codePage = m_database->codePageOf(m_table);
}

WorkTableCursor::~WorkTableCursor()
{
    m_insert.reset();
    m_select.reset();
    try {
        m_database->commit();
    } catch (...) {
        // Nothing to report to here: the database keeps the failure, and
        // the export (or the next append) reports it.
    }
}

bool WorkTableCursor::fetch(std::vector<ado::Variant> &row)
{
    if (m_done)
        return false;
    if (!m_select)
        m_select = std::make_unique<SqliteStatement>(
            m_database->db(), QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(quoteName(m_table)));
    if (!m_select->step()) {
        m_done = true;
        m_select.reset();
        return false;
    }
    row.resize(m_columns.size());
    for (size_t i = 0; i < m_columns.size(); ++i)
        row[i] = m_columns[i].read(*m_select, static_cast<int>(i));
    return true;
}

ado::Variant WorkTableCursor::convert(int column, const ado::Variant &value) const
{
    if (column < 0 || column >= static_cast<int>(m_columns.size()))
        throw ado::RuntimeError(QStringLiteral("Column %1 is not in table '%2'.").arg(column).arg(m_table));
    const WorkColumn &target = m_columns[static_cast<size_t>(column)];
    try {
        return target.convert(value);
    } catch (const ado::RuntimeError &e) {
        // A value the column cannot hold (a number too large, a text that is
        // no date) goes as Null: the row and the table go on.
        m_database->lostValues().add(
            {m_table, m_rowCount + 1, target.name, ado::LostValues::describe(value), e.description()});
        return ado::Variant::null();
    }
}

void WorkTableCursor::append(const std::vector<ado::Variant> &row)
{
    if (!m_updatable)
        ado::Cursor::append(row);
    if (!m_insert) {
        QStringList marks;
        for (size_t i = 0; i < m_columns.size(); ++i)
            marks << QStringLiteral("?%1").arg(i + 1);
        m_insert = std::make_unique<SqliteStatement>(
            m_database->db(),
            QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(quoteName(m_table), marks.join(QStringLiteral(", "))));
    }
    m_database->beforeAppend();
    m_insert->reset();
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const ado::Variant value = i < row.size() ? row[i] : ado::Variant();
        m_columns[i].bind(*m_insert, static_cast<int>(i + 1), value);
    }
    m_insert->step();
    ++m_rowCount;
}

} // namespace tw::workdb
