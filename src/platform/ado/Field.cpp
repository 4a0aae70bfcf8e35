#include "Field.h"

#include "Provider.h"
#include "RuntimeError.h"

namespace tw::ado {

namespace {
[[noreturn]] void itemNotFound(const QString &what)
{
    throw RuntimeError(kErrItemNotFound, QStringLiteral("Item cannot be found in the collection corresponding to the "
                                                        "requested name or ordinal (%1).")
                                             .arg(what));
}
} // namespace

void Field::setValue(const Variant &value)
{
    if (!m_target)
        throw RuntimeError(
            kErrNotSupported,
            QStringLiteral("Field '%1' cannot be changed: the recordset is not adding a row.").arg(m_info.name));
    (*m_row)[size_t(m_index)] = m_target->convert(m_index, value);
}

void Fields::notFound(int index)
{
    itemNotFound(QString::number(index));
}

Field &Fields::operator()(const QString &name)
{
    const int index = indexOf(name);
    if (index < 0)
        itemNotFound(name);
    return m_fields[static_cast<size_t>(index)];
}

const Field &Fields::operator()(const QString &name) const
{
    return const_cast<Fields *>(this)->operator()(name);
}

void Fields::reset(const std::vector<ColumnInfo> &columns)
{
    if (!m_row) // moved from
        m_row = std::make_unique<std::vector<Variant>>();
    m_fields.clear();
    m_fields.reserve(columns.size());
    for (const ColumnInfo &column : columns)
        m_fields.emplace_back(column, m_row.get(), int(m_fields.size()));
    m_row->assign(columns.size(), Variant());
}

int Fields::indexOf(const QString &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name().compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace tw::ado
