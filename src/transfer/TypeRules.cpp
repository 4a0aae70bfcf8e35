#include "TypeRules.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/Field.h"
#include "sources/Datatype.h"

#include <cmath>

namespace tw::transfer {

namespace {
constexpr int kLargestIntDigits = 9; // every 9-digit number fits the work database's INT
} // namespace

QString WorkColumnTypeText(const ado::Field &field)
{
    const QString t = Datatype::AdoTypeName(static_cast<std::int16_t>(field.Type())).toLower();
    if (t.contains(u"adlongvarchar") || t.contains(u"char"))
        return QStringLiteral("` MEMO,");
    if (t.contains(u"decimal") || t.contains(u"single"))
        return QStringLiteral("` FLOAT,");
    if (t.contains(u"int"))
        return QStringLiteral("` INT,");
    if (t.contains(u"adlongvarbinary") || t.contains(u"binary"))
        return QStringLiteral("` OLEOBJECT,");
    if (t.contains(u"numeric")) {
        if (field.NumericScale() == 0 && field.Precision() > 0 && field.Precision() <= kLargestIntDigits)
            return QStringLiteral("` INT,");
        return QStringLiteral("` FLOAT,");
    }
    if (t.contains(u"date") || t.contains(u"timestamp"))
        return QStringLiteral("` DATETIME,");
    if (t.contains(u"double"))
        return QStringLiteral("` FLOAT,");
    return QStringLiteral("` VARCHAR,");
}

QString FoxProColumnType(int adoType)
{
    const QString t = Datatype::AdoTypeName(static_cast<std::int16_t>(adoType)).toLower();
    return t.contains(u"binary") ? QStringLiteral("BLOB") : QStringLiteral("M");
}

QStringView FoxProValueText(const ado::Field &field, QString &scratch)
{
    // Null and Empty both have the empty text; a number (money too) the
    // shortest text that reads back as the same number.
    return field.Value().textView(scratch);
}

} // namespace tw::transfer
