#include "TableRows.h"

#include "platform/ado/RuntimeError.h"

#include <QFileInfo>

namespace tw::paradox {

TableRows::TableRows(const QString &dbPath, int readCodePage)
    : m_reader(dbPath, readCodePage), m_name(QFileInfo(dbPath).fileName())
{
    for (const FieldDef &f : m_reader.header().fields)
        m_fields.push_back({f.name, QString(typeLetter(f.type)), f.size, f.decimals});
}

void TableRows::read(qint64 position, std::vector<tw::ado::Variant> &row, tw::ado::RowNotes &notes)
{
    notes = {};
    m_reader.forgetLostValues();
    if (!m_reader.seek(position) || !m_reader.next(row))
        throw tw::ado::RuntimeError::inFile(m_name, QStringLiteral("there is no record %1.").arg(position + 1));
    for (const tw::ado::LostValue &lost : m_reader.lostValues().first())
        for (size_t i = 0; i < m_fields.size(); ++i)
            if (m_fields[i].name == lost.column)
                notes.damaged.emplace_back(int(i), lost.reason + QStringLiteral(": ") + lost.value);
}

} // namespace tw::paradox
