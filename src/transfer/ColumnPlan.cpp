#include "ColumnPlan.h"

#include "KeptTypes.h"
#include "TypeRules.h"

#include "platform/ado/ProviderRegistry.h"
#include "sources/Foxpro.h"

namespace tw::transfer {

namespace {

constexpr int kMemoLength = 4; // a FoxPro memo or blob field: its block number

void planToParadox(ColumnPlan &plan, const std::vector<ado::ColumnInfo> &columns, int codePage)
{
    for (const ado::ColumnInfo &column : columns) {
        PlannedColumn planned;
        planned.source = column;
        if (plan.mapping == TypeMapping::KeepTypes && column.formatType != 0) {
            planned.work = keptWorkColumn(column);
            planned.typeWords = keptWorkWords(planned.work);
        } else {
            planned.work = {column.name, copiedWorkType(column)};
            planned.typeWords = workdb::typeWord(planned.work.type);
        }
        planned.work.name = column.name;
        plan.columns.push_back(planned);
    }
    plan.paradox = workdb::exportPlan(plan.workColumns(), codePage);
    for (size_t i = 0; i < plan.columns.size(); ++i) {
        plan.columns[i].targetName = plan.paradox.fields[i].name;
        plan.columns[i].shownType = workdb::shownType(plan.paradox.fields[i]);
    }
}

void planToFoxPro(ColumnPlan &plan, const std::vector<ado::ColumnInfo> &columns, int codePage)
{
    QStringList names;
    for (const ado::ColumnInfo &column : columns)
        names << column.name;
    const auto foxpro = ado::ProviderRegistry::instance().find(
        ado::ConnectionString::parse(QLatin1String(FoxproSource::kFoxProProvider)));
    const QStringList fitted = foxpro->columnNamesFor(names, codePage);
    for (size_t i = 0; i < columns.size(); ++i) {
        PlannedColumn planned;
        planned.source = columns[i];
        // A FoxPro table keeps its field names in capitals.
        planned.targetName = fitted[qsizetype(i)].toUpper();
        if (plan.mapping == TypeMapping::KeepTypes && columns[i].formatType != 0) {
            const KeptFoxProField kept = keptFoxProField(columns[i]);
            planned.foxproType = kept.type;
            planned.foxproLength = kept.length;
            planned.foxproDecimals = kept.decimals;
            planned.foxproNullable = kept.nullable;
            planned.typeWords = kept.words;
            planned.shownType = kept.shown;
        } else {
            const bool blob = copiedAsBlob(columns[i]);
            planned.foxproType = blob ? 'W' : 'M';
            planned.foxproLength = kMemoLength;
            planned.typeWords = blob ? QStringLiteral("BLOB") : QStringLiteral("M");
            planned.shownType = planned.typeWords;
        }
        plan.columns.push_back(planned);
    }
}

} // namespace

std::vector<workdb::WorkColumn> ColumnPlan::workColumns() const
{
    std::vector<workdb::WorkColumn> work;
    for (const PlannedColumn &column : columns)
        work.push_back(column.work);
    return work;
}

QString ColumnPlan::workColumnText(size_t column) const
{
    return QStringLiteral("` ") + columns[column].typeWords + u',';
}

ColumnPlan planColumns(bool toParadox, TypeMapping mapping, const std::vector<ado::ColumnInfo> &columns, int codePage)
{
    ColumnPlan plan;
    plan.toParadox = toParadox;
    plan.mapping = mapping;
    if (toParadox)
        planToParadox(plan, columns, codePage);
    else
        planToFoxPro(plan, columns, codePage);
    return plan;
}

} // namespace tw::transfer
