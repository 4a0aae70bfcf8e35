#include "CopySummary.h"

namespace tw::transfer {

namespace {

QString countsOf(const CopyNotes &notes)
{
    QStringList parts;
    if (notes.damaged.rowCount() > 0 || notes.damaged.placeCount() > 0)
        parts << notes.damaged.rowsText() + QStringLiteral(" set aside");
    if (notes.lost.count() > 0)
        parts << QStringLiteral("%1 value(s) written as Null").arg(notes.lost.count());
    if (notes.changed.count() > 0)
        parts << QStringLiteral("%1 value(s) written changed").arg(notes.changed.count());
    if (notes.replacedCharacters > 0)
        parts << QStringLiteral("%1 character(s) written as \"?\"").arg(notes.replacedCharacters);
    if (!notes.warnings.isEmpty())
        parts << QStringLiteral("%1 warning(s) on its header").arg(notes.warnings.size());
    return parts.join(QStringLiteral(", "));
}

void addExamples(QStringList &lines, const QString &table, const CopyNotes &notes)
{
    for (const QString &warning : notes.warnings)
        lines << QStringLiteral("%1: %2").arg(table, warning);
    for (const ado::DamagedRow &row : notes.damaged.first())
        lines << QStringLiteral("%1: %2: %3").arg(table, row.table, ado::DamagedRows::describe(row));
    for (const ado::LostValue &value : notes.lost.first())
        lines << QStringLiteral("%1: row %2, column %3: %4 written as Null (%5)")
                     .arg(table)
                     .arg(value.row)
                     .arg(value.column, value.value, value.reason);
    for (const ado::LostValue &value : notes.changed.first())
        lines << QStringLiteral("%1: row %2, column %3: %4 written as %5 (%6)")
                     .arg(table)
                     .arg(value.row)
                     .arg(value.column, value.value, value.after, value.reason);
}

} // namespace

std::optional<CopySummary> SummarizeCopy(const std::vector<TableOutcome> &outcomes)
{
    QStringList lines;
    QStringList details;
    for (const TableOutcome &outcome : outcomes) {
        const bool refused = outcome.kind == TableOutcome::Kind::Refused;
        if (!refused && outcome.notes.empty())
            continue;
        QString line = outcome.table + QStringLiteral(": ");
        if (refused)
            line += QStringLiteral("not copied: ") + outcome.reason;
        else
            line += countsOf(outcome.notes);
        if (outcome.kind == TableOutcome::Kind::Failed)
            line += QStringLiteral(" (not copied)");
        lines << line;
        addExamples(details, outcome.table, outcome.notes);
    }
    if (lines.isEmpty())
        return std::nullopt;
    return CopySummary{QStringLiteral("Not every table arrived as it was:\n\n") + lines.join(u'\n'),
                       details.join(u'\n')};
}

} // namespace tw::transfer
