#include "WorkColumn.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ado/ValueText.h"

#include <limits>
#include <optional>

namespace tw::workdb {

namespace {

using ado::Converted;
using ado::Refusal;
using ado::RuntimeError;
using ado::Variant;

constexpr int kDefaultVarCharWidth = 255;
constexpr int kCurrencyDecimals = 4;
// A text of 15 characters holds at most 15 digits, which a double always holds.
constexpr qsizetype kDigitsADoubleHolds = 15;
// A COUNTER holds what Paradox's autoincrement field holds (-2^31 is its Null).
constexpr qint64 kLargestCounter = std::numeric_limits<qint32>::max();

// The column's type as messages name it: with the arguments that decide what it holds.
QString shownWord(const WorkColumn &column)
{
    if (column.type == WorkType::ScaledDecimal)
        return QStringLiteral("DECIMAL(%1,%2)").arg(column.precision).arg(column.scale);
    if (column.type == WorkType::Binary)
        return QStringLiteral("BINARY(%1)").arg(column.width);
    return typeWord(column.type);
}

[[noreturn]] void mismatch(const WorkColumn &column, const Variant &value)
{
    throw RuntimeError(
        ado::kErrTypeMismatch,
        QStringLiteral("Data type mismatch: the %1 value '%2' does not fit the %3 column '%4'.")
            .arg(QLatin1String(ado::kindName(value.kind())), value.toText().left(60), shownWord(column), column.name));
}

[[noreturn]] void overflow(const WorkColumn &column, const Variant &value)
{
    throw RuntimeError(ado::kErrOverflow, QStringLiteral("Overflow: %1 does not fit the %2 column '%3'.")
                                              .arg(value.toText().trimmed().left(60), shownWord(column), column.name));
}

// The converted value; a mismatch, or an overflow, when there is none.
template <typename T> T taken(const WorkColumn &column, const Variant &value, const Converted<T> &converted)
{
    if (converted.refusal == Refusal::OutOfRange)
        overflow(column, value);
    if (!converted)
        mismatch(column, value);
    return converted.value;
}

[[noreturn]] void badDefinition(const QString &column, const QString &problem)
{
    throw RuntimeError(QStringLiteral("Syntax error in field definition: column '%1' %2.").arg(column, problem));
}

// The value as bytes: texts one byte a character when Latin-1 holds them, else as UTF-8.
QByteArray bytesOf(const Variant &value)
{
    if (value.kind() == Variant::Kind::Bytes)
        return value.asBytes();
    const QString text = value.toText();
    bool latin1 = true;
    for (const QChar c : text)
        latin1 = latin1 && c.unicode() <= 0xFF;
    return latin1 ? text.toLatin1() : text.toUtf8();
}

// True when exact decimal digits have a digit other than 0 past `decimals` places.
bool hasDigitsPast(QStringView digits, int decimals)
{
    const qsizetype point = digits.indexOf(u'.');
    if (point < 0)
        return false;
    for (qsizetype i = point + 1 + decimals; i < digits.size(); ++i)
        if (digits[i] != u'0')
            return true;
    return false;
}

// The digits a decimal rounded to `decimals` places takes of a field that
// keeps that many: its whole digits without leading zeros, and the decimals.
int widthOf(QStringView rounded, int decimals)
{
    const qsizetype point = rounded.indexOf(u'.');
    const QStringView whole = point < 0 ? rounded : rounded.first(point);
    int digits = 0;
    for (const QChar c : whole)
        if (c.isDigit() && (digits > 0 || c != u'0'))
            ++digits;
    return digits + decimals;
}

// Exact digits as ten-thousandths, rounded half away from zero; nullopt
// beyond what a Currency holds.
std::optional<qint64> tenThousandthsOf(QStringView digits)
{
    QString rounded = ado::roundDecimal(digits, kCurrencyDecimals);
    rounded.remove(u'.');
    bool ok = false;
    const qint64 units = rounded.toLongLong(&ok);
    return ok ? std::optional<qint64>(units) : std::nullopt;
}

// The double a Paradox money field gets for a Currency, as its writer makes it.
double moneyDouble(const Variant &currency)
{
    return ado::doubleOf(currency).value;
}

// The type of an upper-case type word, given with arguments or without; nullopt for no type.
std::optional<WorkType> typeOfWord(const QString &base, bool withArgs)
{
    if (base == u"MEMO" || base == u"LONGTEXT" || (base == u"TEXT" && !withArgs))
        return WorkType::Memo;
    if (base == u"INT" || base == u"INTEGER" || base == u"LONG")
        return WorkType::Int;
    if (base == u"FLOAT" || base == u"DOUBLE" || base == u"REAL")
        return WorkType::Float;
    if (base == u"DECIMAL" || base == u"NUMERIC")
        return withArgs ? WorkType::ScaledDecimal : WorkType::Decimal;
    if (base == u"DATETIME")
        return WorkType::DateTime;
    if (base == u"OLEOBJECT" || base == u"LONGBINARY" || base == u"BLOB")
        return WorkType::OleObject;
    if (base == u"VARCHAR" || base == u"CHAR" || base == u"TEXT")
        return WorkType::VarChar;
    if (base == u"COUNTER")
        return WorkType::Counter;
    if (base == u"CURRENCY")
        return WorkType::Currency;
    if (base == u"BIT" || base == u"YESNO")
        return WorkType::Bit;
    if (base == u"DATE")
        return WorkType::Date;
    if (base == u"GENERAL")
        return WorkType::General;
    if (base == u"BINARY")
        return WorkType::Binary;
    return std::nullopt;
}

struct Change {
    QString reason; // empty when the value is held as given
    QString after;  // the value as written
};

// Why `converted`, the value `value` as `column` holds it, is not the value
// as given, and what it became.
// The types whose columns may hold a value otherwise than it was given (see changeOf).
bool mayChange(WorkType type)
{
    return type == WorkType::Float || type == WorkType::Currency || type == WorkType::ScaledDecimal ||
           type == WorkType::Date || type == WorkType::Binary;
}

// Whether the column holds the value as it is: the usual kind of value for
// its type, which convert() gives back unchanged and which nothing can change.
bool takenAsItIs(const WorkColumn &column, const Variant &value)
{
    using Kind = Variant::Kind;
    switch (column.type) {
    case WorkType::Memo:
        return value.kind() == Kind::Text;
    case WorkType::Float:
        return value.kind() == Kind::Double;
    case WorkType::DateTime:
        return value.kind() == Kind::DateTime;
    case WorkType::OleObject:
    case WorkType::General:
        return value.kind() == Kind::Bytes;
    case WorkType::Int:
        return value.kind() == Kind::Integer && value.asInteger() >= std::numeric_limits<qint32>::min() &&
               value.asInteger() <= std::numeric_limits<qint32>::max();
    default:
        return false;
    }
}

Change changeOf(const WorkColumn &column, const Variant &value, const Variant &converted)
{
    using Kind = Variant::Kind;
    switch (column.type) {
    case WorkType::Float:
        // A number with more digits than a double holds is written rounded: said, not hidden.
        if (value.kind() == Kind::Decimal && converted.kind() == Kind::Double &&
            value.asDecimal().size() > kDigitsADoubleHolds &&
            !ado::holdsExactly(value.asDecimal(), converted.asDouble()))
            return {QStringLiteral("more digits than a FLOAT column holds"), ado::formatDouble(converted.asDouble())};
        return {};
    case WorkType::Currency: {
        // Paradox keeps money as a double.
        const double written = moneyDouble(converted);
        if (value.kind() != Kind::Currency) {
            const Converted<QString> digits = ado::decimalOf(value);
            if (digits && hasDigitsPast(digits.value, kCurrencyDecimals))
                return {QStringLiteral("more decimals than a CURRENCY column holds"), ado::formatDouble(written)};
        }
        if (!ado::holdsExactly(ado::formatCurrency(converted.asCurrency()), written))
            return {QStringLiteral("more digits than the double a Paradox money field holds"),
                    ado::formatDouble(written)};
        return {};
    }
    case WorkType::ScaledDecimal: {
        const Converted<QString> digits = ado::decimalOf(value);
        if (digits && hasDigitsPast(digits.value, column.scale))
            return {QStringLiteral("more decimals than a %1 column holds").arg(shownWord(column)),
                    converted.asDecimal()};
        return {};
    }
    case WorkType::Date: {
        const Converted<int> time = ado::timeOf(value);
        if (time && time.value != 0)
            return {QStringLiteral("a time of day, which a DATE column does not hold"),
                    ado::formatDate(converted.asDate())};
        return {};
    }
    case WorkType::Binary:
        if (bytesOf(value).size() > column.width)
            return {QStringLiteral("more bytes than a %1 column holds").arg(shownWord(column)),
                    ado::LostValues::describeBytes(converted.asBytes())};
        return {};
    default:
        return {};
    }
}

} // namespace

QDate zeroDate()
{
    return ado::timeOnlyDate();
}

WorkType workTypeFromWord(const QString &word)
{
    const QString base = word.trimmed().section(u'(', 0, 0).section(u' ', 0, 0).trimmed().toUpper();
    if (const std::optional<WorkType> type = typeOfWord(base, word.contains(u'(')))
        return *type;
    throw RuntimeError(QStringLiteral("Syntax error in field definition: unknown type '%1'.").arg(word));
}

QString typeWord(WorkType type)
{
    switch (type) {
    case WorkType::Memo:
        return QStringLiteral("MEMO");
    case WorkType::Int:
        return QStringLiteral("INT");
    case WorkType::Float:
        return QStringLiteral("FLOAT");
    case WorkType::Decimal:
    case WorkType::ScaledDecimal:
        return QStringLiteral("DECIMAL");
    case WorkType::DateTime:
        return QStringLiteral("DATETIME");
    case WorkType::OleObject:
        return QStringLiteral("OLEOBJECT");
    case WorkType::VarChar:
        return QStringLiteral("VARCHAR");
    case WorkType::Counter:
        return QStringLiteral("COUNTER");
    case WorkType::Currency:
        return QStringLiteral("CURRENCY");
    case WorkType::Bit:
        return QStringLiteral("BIT");
    case WorkType::Date:
        return QStringLiteral("DATE");
    case WorkType::General:
        return QStringLiteral("GENERAL");
    case WorkType::Binary:
        return QStringLiteral("BINARY");
    }
    return {};
}

int adoType(WorkType type)
{
    switch (type) {
    case WorkType::Memo:
        return ado::adLongVarChar;
    case WorkType::Int:
    case WorkType::Counter:
        return ado::adInteger;
    case WorkType::Float:
        return ado::adDouble;
    case WorkType::Decimal:
    case WorkType::ScaledDecimal:
        return ado::adNumeric;
    case WorkType::DateTime:
        return ado::adDate;
    case WorkType::OleObject:
    case WorkType::General:
        return ado::adLongVarBinary;
    case WorkType::VarChar:
        return ado::adVarChar;
    case WorkType::Currency:
        return ado::adCurrency;
    case WorkType::Bit:
        return ado::adBoolean;
    case WorkType::Date:
        return ado::adDBDate;
    case WorkType::Binary:
        return ado::adBinary;
    }
    return ado::adEmpty;
}

WorkColumn workColumn(const QString &name, const QString &word, const std::vector<int> &args)
{
    WorkColumn column;
    column.name = name;
    const QString base = word.trimmed().toUpper();
    const std::optional<WorkType> type = typeOfWord(base, !args.empty());
    if (!type)
        throw RuntimeError(QStringLiteral("Syntax error in field definition: unknown type '%1'.").arg(word));
    column.type = *type;
    switch (column.type) {
    case WorkType::VarChar:
        if (!args.empty())
            column.width = args.front();
        // VARCHAR(0) has always stood for the widest; TEXT(n) names its width.
        if (column.width < (base == u"TEXT" ? 1 : 0) || column.width > WorkColumn::kMaxWidth)
            throw RuntimeError(QStringLiteral("VARCHAR width %1 of column '%2' is not between 1 and 255.")
                                   .arg(column.width)
                                   .arg(name));
        break;
    case WorkType::Binary:
        column.width = args.empty() ? WorkColumn::kMaxWidth : args.front();
        if (args.size() > 1 || column.width < 1 || column.width > WorkColumn::kMaxWidth)
            badDefinition(name, QStringLiteral("is BINARY of 1 to 255 bytes"));
        break;
    case WorkType::ScaledDecimal: {
        column.precision = args.front();
        column.scale = args.size() > 1 ? args[1] : 0;
        if (args.size() > 2 || column.precision < 1 || column.precision > WorkColumn::kMaxPrecision ||
            column.scale < 0 || column.scale > column.precision)
            badDefinition(name, QStringLiteral("is DECIMAL of a precision of 1 to 32 digits and a scale of 0 to the "
                                               "precision, not (%1,%2)")
                                    .arg(column.precision)
                                    .arg(column.scale));
        break;
    }
    default:
        break;
    }
    return column;
}

WorkColumn workColumn(const QString &name, const QString &type)
{
    const QString trimmed = type.trimmed();
    const QString word = trimmed.section(u'(', 0, 0).section(u' ', 0, 0).trimmed();
    std::vector<int> args;
    if (trimmed.contains(u'(')) {
        const QString inside = trimmed.section(u'(', 1).section(u')', 0, 0);
        for (const QString &arg : inside.split(u',')) {
            bool ok = false;
            args.push_back(arg.trimmed().toInt(&ok));
            if (!ok)
                badDefinition(name, QStringLiteral("has the type '%1'").arg(type));
        }
    }
    return workColumn(name, word, args);
}

QString WorkColumn::declaredType() const
{
    // The second word gives SQLite the storage class that keeps the value
    // exactly as given (a MEMO of digits stays text). SQLite takes the
    // arguments after the last word of a type.
    switch (type) {
    case WorkType::Memo:
        return QStringLiteral("MEMO TEXT");
    case WorkType::Int:
        return QStringLiteral("INT");
    case WorkType::Float:
        return QStringLiteral("FLOAT");
    case WorkType::Decimal:
        return QStringLiteral("DECIMAL TEXT");
    case WorkType::DateTime:
        return QStringLiteral("DATETIME INTEGER");
    case WorkType::OleObject:
        return QStringLiteral("OLEOBJECT BLOB");
    case WorkType::VarChar:
        return QStringLiteral("VARCHAR(%1)").arg(width > 0 ? width : kDefaultVarCharWidth);
    case WorkType::Counter:
        return QStringLiteral("COUNTER INTEGER");
    case WorkType::Currency:
        return QStringLiteral("CURRENCY INTEGER"); // ten-thousandths
    case WorkType::ScaledDecimal:
        return QStringLiteral("DECIMAL TEXT(%1,%2)").arg(precision).arg(scale);
    case WorkType::Bit:
        return QStringLiteral("BIT INTEGER");
    case WorkType::Date:
        return QStringLiteral("DATE INTEGER"); // as DATETIME, at midnight
    case WorkType::General:
        return QStringLiteral("GENERAL BLOB");
    case WorkType::Binary:
        return QStringLiteral("BINARY BLOB(%1)").arg(width);
    }
    return {};
}

ado::ColumnInfo WorkColumn::info() const
{
    ado::ColumnInfo column{name, adoType(type)};
    if (type == WorkType::VarChar)
        column.definedSize = width > 0 ? width : kDefaultVarCharWidth;
    if (type == WorkType::Binary)
        column.definedSize = width;
    if (type == WorkType::Int || type == WorkType::Counter)
        column.precision = 10;
    if (type == WorkType::Float)
        column.precision = 15;
    if (type == WorkType::Currency)
        column.precision = 19;
    if (type == WorkType::ScaledDecimal) {
        column.precision = precision;
        column.numericScale = scale;
    }
    return column;
}

Variant WorkColumn::convert(const Variant &value) const
{
    using Kind = Variant::Kind;
    if (value.isNull() || value.isEmpty())
        return Variant::null();
    switch (type) {
    case WorkType::Memo:
        return value.kind() == Kind::Text ? value : Variant::text(value.toText());
    case WorkType::VarChar: {
        const int limit = width > 0 ? width : kDefaultVarCharWidth;
        if (value.kind() == Kind::Text && value.textLength() <= limit)
            return value;
        const QString text = value.toText();
        if (text.size() > limit)
            throw RuntimeError(QStringLiteral("The field '%1' is too small to accept the amount of data you "
                                              "attempted to add (%2 characters, at most %3).")
                                   .arg(name)
                                   .arg(text.size())
                                   .arg(limit));
        return Variant::text(text);
    }
    case WorkType::Int:
        return Variant::integer(taken(
            *this, value, ado::wholeOf(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max())));
    case WorkType::Counter:
        return Variant::integer(taken(*this, value, ado::wholeOf(value, -kLargestCounter, kLargestCounter)));
    case WorkType::Float:
        return Variant::real(taken(*this, value, ado::doubleOf(value)));
    case WorkType::Decimal:
        if (value.kind() == Kind::Decimal)
            return value;
        return Variant::decimal(taken(*this, value, ado::decimalOf(value)));
    case WorkType::ScaledDecimal: {
        const QString rounded = ado::roundDecimal(taken(*this, value, ado::decimalOf(value)), scale);
        if (widthOf(rounded, scale) > kMaxPrecision)
            overflow(*this, value);
        return Variant::decimal(rounded);
    }
    case WorkType::Currency: {
        if (value.kind() == Kind::Currency)
            return value;
        const std::optional<qint64> units = tenThousandthsOf(taken(*this, value, ado::decimalOf(value)));
        if (!units)
            overflow(*this, value);
        return Variant::currency(*units);
    }
    case WorkType::Bit:
        return Variant::boolean(taken(*this, value, ado::logicalOf(value)));
    case WorkType::DateTime:
        if (value.kind() == Kind::DateTime)
            return value;
        return taken(*this, value, ado::dateTimeOf(value));
    case WorkType::Date:
        return Variant::date(taken(*this, value, ado::dateOf(value)));
    case WorkType::OleObject:
    case WorkType::General:
        return value.kind() == Kind::Bytes ? value : Variant::bytes(bytesOf(value));
    case WorkType::Binary: {
        const QByteArray bytes = bytesOf(value);
        return bytes.size() > width ? Variant::bytes(bytes.left(width)) : Variant::bytes(bytes);
    }
    }
    mismatch(*this, value);
}

ado::Variant convertNoting(const WorkColumn &column, const ado::Variant &value, const QString &table, qint64 row,
                           ado::LostValues &lost, ado::LostValues &changed)
{
    if (takenAsItIs(column, value))
        return value;
    try {
        ado::Variant converted = column.convert(value);
        if (!converted.isNull() && mayChange(column.type)) {
            const Change change = changeOf(column, value, converted);
            if (!change.reason.isEmpty()) {
                const QString given = value.kind() == Variant::Kind::Decimal ? value.asDecimal()
                                      : value.kind() == Variant::Kind::Bytes
                                          ? ado::LostValues::describeBytes(value.asBytes())
                                          : ado::LostValues::describe(value);
                changed.add({table, row, column.name, given, change.reason, change.after});
            }
        }
        return converted;
    } catch (const ado::RuntimeError &e) {
        // A value the column cannot hold (a number too large, a text that is
        // no date) goes as Null: the row and the table go on.
        lost.add({table, row, column.name, ado::LostValues::describe(value), e.description()});
        return ado::Variant::null();
    }
}

} // namespace tw::workdb
