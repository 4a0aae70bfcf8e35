#include "ParadoxExport.h"

#include "WorkDatabase.h"

#include "platform/encoding/TextCodec.h"
#include "platform/paradox/TableHeader.h"
#include "platform/paradox/TableWriter.h"

namespace tw::workdb {

namespace {

paradox::FieldType fieldType(WorkType type)
{
    switch (type) {
    case WorkType::Memo:
        return paradox::FieldType::Memo;
    case WorkType::Int:
        return paradox::FieldType::Long;
    case WorkType::Float:
    case WorkType::Decimal:
        return paradox::FieldType::Number;
    case WorkType::DateTime:
        return paradox::FieldType::Timestamp;
    case WorkType::OleObject:
        return paradox::FieldType::Blob;
    case WorkType::VarChar:
        return paradox::FieldType::Alpha;
    case WorkType::Counter:
        return paradox::FieldType::AutoIncrement;
    case WorkType::Currency:
        return paradox::FieldType::Money;
    case WorkType::ScaledDecimal:
        return paradox::FieldType::Bcd;
    case WorkType::Bit:
        return paradox::FieldType::Logical;
    case WorkType::Date:
        return paradox::FieldType::Date;
    case WorkType::General:
        return paradox::FieldType::Ole;
    case WorkType::Binary:
        return paradox::FieldType::Bytes;
    }
    return paradox::FieldType::Memo;
}

} // namespace

QStringList paradoxFieldNames(const QStringList &names, int codePage)
{
    const int tableCodePage = paradox::TableWriter::tableCodePage(codePage);
    return paradox::fitFieldNames(names, encoding::TextCodec::forCodePage(tableCodePage));
}

ExportPlan exportPlan(WorkDatabase &database, const QString &table)
{
    return exportPlan(database.columns(table), database.codePageOf(table));
}

int exportTextPage(int codePage)
{
    return encoding::TextCodec::forCodePage(paradox::TableWriter::tableCodePage(codePage)).codePage();
}

ExportPlan exportPlan(const std::vector<WorkColumn> &columns, int codePage)
{
    QStringList names;
    for (const WorkColumn &column : columns)
        names << column.name;
    ExportPlan plan;
    plan.codePage = codePage;
    names = paradoxFieldNames(names, plan.codePage);
    for (size_t i = 0; i < columns.size(); ++i) {
        paradox::NewField field;
        field.name = names[static_cast<qsizetype>(i)];
        field.type = fieldType(columns[i].type);
        if (columns[i].type == WorkType::VarChar)
            field.size = columns[i].width > 0 ? columns[i].width : 255;
        if (columns[i].type == WorkType::Binary)
            field.size = columns[i].width;
        if (columns[i].type == WorkType::ScaledDecimal)
            field.decimals = columns[i].scale;
        plan.fields.push_back(field);
    }
    return plan;
}

QString shownType(const paradox::NewField &field)
{
    return paradox::shownType(field.type, field.size, field.decimals);
}

ExportResult exportWithoutRows(const ExportPlan &plan, const QString &folder, const QString &target,
                               std::shared_ptr<ado::TableReplacement> replacement)
{
    paradox::TableWriter writer(folder, target, plan.fields, 0, plan.codePage, std::move(replacement));
    writer.finish();
    return {writer.rowCount(), writer.unmappedCharacters(), writer.lostValues()};
}

} // namespace tw::workdb
