#include "WorkTableCursor.h"

#include "platform/ado/RuntimeError.h"

namespace tw::workdb {

WorkTableCursor::WorkTableCursor(std::shared_ptr<WorkDatabase> database, std::shared_ptr<PreparedExport> prepared,
                                 const QString &table, bool updatable)
    : m_database(std::move(database)), m_prepared(std::move(prepared)), m_updatable(updatable)
{
    m_table = m_database->requireTable(table);
    m_columns = m_database->columns(m_table);
    for (const WorkColumn &column : m_columns)
        m_infos.push_back(column.info());
    m_rowCount = m_prepared->rowCount(m_table);
    m_codePage = m_database->codePageOf(m_table);
}

bool WorkTableCursor::fetch(std::vector<ado::Variant> &)
{
    m_prepared->requireNoneAhead(m_table);
    return false;
}

ado::Variant WorkTableCursor::convert(int column, const ado::Variant &value) const
{
    if (column < 0 || column >= static_cast<int>(m_columns.size()))
        throw ado::RuntimeError(QStringLiteral("Column %1 is not in table '%2'.").arg(column).arg(m_table));
    return convertNoting(m_columns[static_cast<size_t>(column)], value, m_table, m_rowCount + 1,
                         m_database->lostValues(), m_database->changedValues());
}

void WorkTableCursor::append(const std::vector<ado::Variant> &row)
{
    if (!m_updatable)
        ado::Cursor::append(row);
    m_prepared->append(m_table, row);
    ++m_rowCount;
}

} // namespace tw::workdb
