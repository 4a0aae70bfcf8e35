#include "DamagedRows.h"

namespace tw::ado {

void DamagedRows::add(DamagedRow row)
{
    m_rows += row.rows;
    m_unknown = m_unknown || row.rows <= 0;
    ++m_places;
    if (m_first.size() < kKept)
        m_first.push_back(std::move(row));
}

void DamagedRows::merge(const DamagedRows &other)
{
    for (const DamagedRow &row : other.m_first)
        if (m_first.size() < kKept)
            m_first.push_back(row);
    m_rows += other.m_rows;
    m_places += other.m_places;
    m_unknown = m_unknown || other.m_unknown;
}

QString DamagedRows::rowsText() const
{
    if (!m_unknown)
        return QStringLiteral("%1 damaged row(s)").arg(m_rows);
    if (m_rows == 0)
        return QStringLiteral("damaged rows");
    return QStringLiteral("at least %1 damaged row(s)").arg(m_rows);
}

QString DamagedRows::describe(const DamagedRow &row)
{
    QString text = row.where;
    if (row.offset >= 0)
        text += QStringLiteral(" at byte %1").arg(row.offset);
    text += QStringLiteral(": ") + row.reason;
    if (row.rows == 1)
        text += QStringLiteral(" (1 row)");
    else if (row.rows > 1)
        text += QStringLiteral(" (%1 rows)").arg(row.rows);
    else
        text += QStringLiteral(" (rows unknown)");
    return text;
}

} // namespace tw::ado
