#include "TableNotes.h"

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"

namespace tw::transfer {

void TableNotes::start(const ado::Connection &target)
{
    m_replacedBefore = target.replacedCharacters();
    m_lostBefore = target.lostValues() ? target.lostValues()->count() : 0;
    m_changedBefore = target.changedValues() ? target.changedValues()->count() : 0;
    m_source = {};
}

void TableNotes::takeSource(const ado::Recordset &source)
{
    if (const ado::LostValues *lost = source.lostValues())
        m_source.lost = *lost;
    if (const ado::LostValues *changed = source.changedValues())
        m_source.changed = *changed;
    if (const ado::DamagedRows *damaged = source.damagedRows())
        m_source.damaged = *damaged;
    m_source.warnings = source.warnings();
}

CopyNotes TableNotes::finish(const ado::Connection &target) const
{
    CopyNotes notes = m_source;
    notes.replacedCharacters = target.replacedCharacters() - m_replacedBefore;
    if (const ado::LostValues *lost = target.lostValues())
        notes.lost.merge(lost->since(m_lostBefore));
    if (const ado::LostValues *changed = target.changedValues())
        notes.changed.merge(changed->since(m_changedBefore));
    return notes;
}

void addToTotals(TransferContext &context, const CopyNotes &notes)
{
    context.lostValues.merge(notes.lost);
    context.changedValues.merge(notes.changed);
    context.damagedRows.merge(notes.damaged);
}

QString damagedRowsRefusal(const QString &table, const ado::Recordset &source)
{
    const ado::DamagedRows *damaged = source.damagedRows();
    if (!damaged || damaged->empty())
        return {};
    QString text = QStringLiteral("%1 has %2 in %3 place(s) and is not copied")
                       .arg(table, damaged->rowsText())
                       .arg(damaged->placeCount());
    if (!damaged->first().empty())
        text += QStringLiteral(" (%1: %2)")
                    .arg(damaged->first().front().table, ado::DamagedRows::describe(damaged->first().front()));
    return text + u'.';
}

} // namespace tw::transfer
