#include "ParadoxExport.h"

#include "WorkDatabase.h"

#include "platform/ado/Idle.h"
#include "platform/ado/PrefetchCursor.h"
#include "platform/ado/RuntimeError.h"
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

// The packed rows of a work table as a cursor of their own, for reading ahead.
class PackedRowsCursor final : public ado::Cursor {
public:
    PackedRowsCursor(std::unique_ptr<PackedReader> reader, qint64 rows) : m_reader(std::move(reader)), m_rows(rows) {}
    const std::vector<ado::ColumnInfo> &columns() const override { return m_columns; }
    qint64 rowCount() const override { return m_rows; }
    bool fetch(std::vector<ado::Variant> &row) override { return m_reader->next(row); }
    bool readsOnItsOwn() const override { return true; }

private:
    std::unique_ptr<PackedReader> m_reader;
    std::vector<ado::ColumnInfo> m_columns;
    qint64 m_rows;
};

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
    const QString letter = paradox::typeLetter(field.type);
    if (field.type == paradox::FieldType::Alpha || field.type == paradox::FieldType::Bytes)
        return letter + QString::number(field.size);
    if (field.type == paradox::FieldType::Bcd)
        return letter + QString::number(field.decimals);
    return letter;
}

QString exportableTable(WorkDatabase &database, const QString &table)
{
    try {
        database.commit();
    } catch (const tw::ado::RuntimeError &) {
        // reported below, naming the table
    }
    database.requireNoLostRows(table);
    return database.requireTable(table);
}

ExportResult exportToParadox(WorkDatabase &database, const QString &source, const QString &folder,
                             const QString &target, std::shared_ptr<ado::TableReplacement> replacement)
{
    const ExportPlan plan = exportPlan(database, source);
    const qint64 expectedRows = database.rowCount(source);
    // Knowing the row count lets the writer choose blocks large enough for all of them.
    paradox::TableWriter writer(folder, target, plan.fields, expectedRows, plan.codePage, std::move(replacement));
    // The rows are unpacked on a second thread while this one encodes them for
    // Paradox; nothing else uses the work database meanwhile.
    const std::unique_ptr<ado::Cursor> rows =
        ado::prefetched(std::make_unique<PackedRowsCursor>(database.readRows(source), expectedRows));
    std::vector<ado::Variant> row(plan.fields.size());
    while (rows->fetch(row)) {
        writer.appendRow(row);
        ado::idle(); // writing out a large table takes seconds: let the window repaint
    }
    writer.finish();
    return {writer.rowCount(), writer.unmappedCharacters(), writer.lostValues()};
}

} // namespace tw::workdb
