#include "Provider.h"

namespace tw::ado {

Variant Cursor::convert(int, const Variant &) const
{
    throw RuntimeError(kErrNotSupported, QStringLiteral("The recordset is read-only."));
}

void Cursor::append(const std::vector<Variant> &)
{
    throw RuntimeError(kErrNotSupported, QStringLiteral("The recordset is read-only."));
}

MemoryCursor::MemoryCursor(std::vector<ColumnInfo> columns, std::vector<std::vector<Variant>> rows,
                           QStringList warnings)
    : m_columns(std::move(columns)), m_warnings(std::move(warnings)), m_rows(std::move(rows))
{
}

bool MemoryCursor::fetch(std::vector<Variant> &row)
{
    if (m_next >= m_rows.size())
        return false;
    row = m_rows[m_next++];
    row.resize(m_columns.size());
    return true;
}

std::unique_ptr<Cursor> makeTablesSchema(const std::vector<SchemaTable> &tables, const QStringList &warnings)
{
    std::vector<ColumnInfo> columns{
        {QStringLiteral("TABLE_CATALOG"), adVarChar},
        {QStringLiteral("TABLE_SCHEMA"), adVarChar},
        {QStringLiteral("TABLE_NAME"), adVarChar},
        {QStringLiteral("TABLE_TYPE"), adVarChar},
    };
    std::vector<std::vector<Variant>> rows;
    rows.reserve(tables.size());
    for (const SchemaTable &table : tables)
        rows.push_back({Variant::null(), Variant::null(), Variant::text(table.name), Variant::text(table.type)});
    return std::make_unique<MemoryCursor>(std::move(columns), std::move(rows), warnings);
}

void Session::insertRow(const QString &, std::vector<Variant> &, const std::function<QString()> &statementText)
{
    execute(statementText());
}

void Session::beginTrans()
{
    throw RuntimeError(kErrNotSupported, QStringLiteral("This provider does not support transactions."));
}

void Session::commitTrans()
{
    throw RuntimeError(kErrNotSupported, QStringLiteral("This provider does not support transactions."));
}

void Session::rollbackTrans()
{
    throw RuntimeError(kErrNotSupported, QStringLiteral("This provider does not support transactions."));
}

} // namespace tw::ado
