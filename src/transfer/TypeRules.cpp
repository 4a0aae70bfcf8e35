#include "TypeRules.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/Field.h"
#include "sources/Datatype.h"

#include <QSet>

#include <cmath>

namespace tw::transfer {

namespace {
constexpr int kMaxFoxProName = 10;
constexpr int kLargestIntDigits = 9; // every 9-digit number fits the work database's INT
constexpr double kCurrencyUnits = 10000.0;
constexpr double kLargestCurrency = 9.0e14; // beyond this a double no longer holds four decimals
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
    const ado::Variant &value = field.Value();
    if (field.Type() == ado::adCurrency && value.kind() == ado::Variant::Kind::Double) {
        const double amount = value.asDouble();
        if (std::isfinite(amount) && std::fabs(amount) < kLargestCurrency)
            return ado::Variant::currency(std::llround(amount * kCurrencyUnits)).textView(scratch);
    }
    // Null and Empty both have the empty text.
    return value.textView(scratch);
}

QStringList FoxProColumnNames(const QStringList &names)
{
    QStringList result;
    QSet<QString> used;
    for (const QString &name : names) {
        QString valid;
        for (const QChar c : name) {
            const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                               c == u'_';
            valid += plain ? c : u'_';
        }
        if (valid.isEmpty() || valid[0].isDigit())
            valid.prepend(u'_');
        valid = valid.left(kMaxFoxProName);
        QString candidate = valid;
        for (int n = 2; used.contains(candidate.toUpper()); ++n) {
            const QString suffix = QString::number(n);
            candidate = valid.left(kMaxFoxProName - static_cast<int>(suffix.size())) + suffix;
        }
        used.insert(candidate.toUpper());
        result << candidate;
    }
    return result;
}

} // namespace tw::transfer
