#include "TargetColumns.h"

#include "platform/ado/Field.h"
#include "platform/foxpro/FoxProSession.h"
#include "platform/workdb/ParadoxExport.h"
#include "platform/workdb/WorkColumn.h"
#include "transfer/TypeRules.h"

namespace tw::preview {

namespace {

// The Paradox field a work column becomes in the export (see exportToParadox).
QString paradoxTypeOf(workdb::WorkType type)
{
    constexpr int kVarCharWidth = 255;
    switch (type) {
    case workdb::WorkType::Memo:
        return QStringLiteral("M");
    case workdb::WorkType::Int:
        return QStringLiteral("I");
    case workdb::WorkType::Float:
    case workdb::WorkType::Decimal:
        return QStringLiteral("N");
    case workdb::WorkType::DateTime:
        return QStringLiteral("@");
    case workdb::WorkType::OleObject:
        return QStringLiteral("B");
    case workdb::WorkType::VarChar:
        return QStringLiteral("A%1").arg(kVarCharWidth);
    }
    return {};
}

} // namespace

std::vector<TargetColumn> targetColumns(bool fromFoxPro, const std::vector<ado::ColumnInfo> &columns, int codePage)
{
    QStringList names;
    for (const ado::ColumnInfo &c : columns)
        names << c.name;
    std::vector<TargetColumn> out;
    if (fromFoxPro) {
        const QStringList fitted = workdb::paradoxFieldNames(names, codePage);
        for (size_t i = 0; i < columns.size(); ++i) {
            // "` MEMO," as the work table's definition has it.
            QString word = transfer::WorkColumnTypeText(ado::Field(columns[i]));
            word = word.mid(2, word.size() - 3);
            out.push_back({fitted[qsizetype(i)], paradoxTypeOf(workdb::workTypeFromWord(word))});
        }
    } else {
        const QStringList fitted = foxpro::columnNamesFor(names, codePage);
        for (size_t i = 0; i < columns.size(); ++i)
            out.push_back({fitted[qsizetype(i)].toUpper(), transfer::FoxProColumnType(columns[i].type)});
    }
    return out;
}

} // namespace tw::preview
