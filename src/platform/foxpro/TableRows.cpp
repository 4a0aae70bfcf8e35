#include "TableRows.h"

#include "platform/ado/RuntimeError.h"

namespace tw::foxpro {

TableRows::TableRows(std::unique_ptr<TableReader> reader, const QStringList &names, const QStringList &warnings)
    : m_reader(std::move(reader)), m_columns(m_reader->columns()), m_warnings(warnings + m_reader->warnings())
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const qsizetype k = qsizetype(i);
        m_columns[i].name = k < names.size() && !names[k].isEmpty() ? names[k] : m_columns[i].name.toLower();
        const DbfField &f = m_reader->header().fields[size_t(m_reader->visibleFields()[i])];
        m_fields.push_back({f.name, QString(QLatin1Char(f.type)), f.length, f.decimals});
    }
}

void TableRows::read(qint64 position, std::vector<ado::Variant> &row, ado::RowNotes &notes)
{
    notes = {};
    if (!m_reader->moveTo(position))
        throw ado::RuntimeError::inFile(m_reader->fileName(),
                                        QStringLiteral("there is no record %1.").arg(position + 1));
    m_reader->forgetLostValues();
    m_reader->values(row);
    notes.deleted = m_reader->isDeleted();
    for (const ado::LostValue &lost : m_reader->lostValues().first()) {
        for (size_t i = 0; i < m_fields.size(); ++i)
            if (m_fields[i].name == lost.column)
                notes.damaged.emplace_back(int(i), lost.reason + QStringLiteral(": ") + lost.value);
    }
}

} // namespace tw::foxpro
