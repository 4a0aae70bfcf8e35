#include "TargetColumns.h"

#include "TypeRules.h"

#include "platform/ado/Field.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/workdb/ParadoxExport.h"
#include "sources/Foxpro.h"

namespace tw::transfer {

std::vector<workdb::WorkColumn> workColumnsFor(const std::vector<ado::ColumnInfo> &columns)
{
    std::vector<workdb::WorkColumn> work;
    for (const ado::ColumnInfo &column : columns) {
        // "` MEMO," as the work table's definition has it.
        const QString text = WorkColumnTypeText(ado::Field(column));
        work.push_back({column.name, workdb::workTypeFromWord(text.mid(2, text.size() - 3))});
    }
    return work;
}

std::vector<TargetColumn> targetColumns(bool toParadox, const std::vector<ado::ColumnInfo> &columns, int codePage)
{
    std::vector<TargetColumn> out;
    if (toParadox) {
        const workdb::ExportPlan plan = workdb::exportPlan(workColumnsFor(columns), codePage);
        for (const auto &field : plan.fields)
            out.push_back({field.name, workdb::shownType(field)});
        return out;
    }
    QStringList names;
    for (const ado::ColumnInfo &column : columns)
        names << column.name;
    const auto foxpro = ado::ProviderRegistry::instance().find(
        ado::ConnectionString::parse(QLatin1String(FoxproSource::kFoxProProvider)));
    const QStringList fitted = foxpro->columnNamesFor(names, codePage);
    for (size_t i = 0; i < columns.size(); ++i) {
        // A FoxPro table keeps its field names in capitals.
        out.push_back({fitted[qsizetype(i)].toUpper(), FoxProColumnType(columns[i].type)});
    }
    return out;
}

} // namespace tw::transfer
