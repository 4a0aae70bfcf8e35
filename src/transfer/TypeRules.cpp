#include "TypeRules.h"

#include "platform/ado/Field.h"
#include "sources/Datatype.h"

namespace tw::transfer {

namespace {
constexpr int kLargestIntDigits = 9; // every 9-digit number fits the work database's INT

QString typeName(const ado::ColumnInfo &column)
{
    return Datatype::AdoTypeName(static_cast<std::int16_t>(column.type)).toLower();
}
} // namespace

workdb::WorkType copiedWorkType(const ado::ColumnInfo &column)
{
    using workdb::WorkType;
    const QString t = typeName(column);
    if (t.contains(u"adlongvarchar") || t.contains(u"char"))
        return WorkType::Memo;
    if (t.contains(u"decimal") || t.contains(u"single"))
        return WorkType::Float;
    if (t.contains(u"int"))
        return WorkType::Int;
    if (t.contains(u"adlongvarbinary") || t.contains(u"binary"))
        return WorkType::OleObject;
    if (t.contains(u"numeric")) {
        if (column.numericScale == 0 && column.precision > 0 && column.precision <= kLargestIntDigits)
            return WorkType::Int;
        return WorkType::Float;
    }
    if (t.contains(u"date") || t.contains(u"timestamp"))
        return WorkType::DateTime;
    if (t.contains(u"double"))
        return WorkType::Float;
    return WorkType::VarChar;
}

bool copiedAsBlob(const ado::ColumnInfo &column)
{
    return typeName(column).contains(u"binary");
}

QStringView FoxProValueText(const ado::Field &field, QString &scratch)
{
    // Null and Empty both have the empty text; a number (money too) the
    // shortest text that reads back as the same number.
    return field.Value().textView(scratch);
}

} // namespace tw::transfer
