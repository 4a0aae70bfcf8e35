#include "TableCursor.h"

namespace tw::foxpro {

TableCursor::TableCursor(std::unique_ptr<TableReader> reader, const QStringList &names, const QStringList &warnings)
    : m_reader(std::move(reader)), m_columns(m_reader->columns()), m_warnings(warnings + m_reader->warnings())
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const qsizetype k = qsizetype(i);
        m_columns[i].name = k < names.size() && !names[k].isEmpty() ? names[k] : m_columns[i].name.toLower();
    }
}

bool TableCursor::fetch(std::vector<ado::Variant> &row)
{
    if (!m_reader->next())
        return false;
    m_reader->values(row);
    return true;
}

} // namespace tw::foxpro
