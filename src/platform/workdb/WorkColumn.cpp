#include "WorkColumn.h"

#include "Sqlite.h"
#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ado/ValueText.h"

#include <limits>
#include <sqlite3.h>

namespace tw::workdb {

namespace {

using ado::Converted;
using ado::Refusal;
using ado::RuntimeError;
using ado::Variant;

constexpr int kDefaultVarCharWidth = 255;
constexpr qint64 kMsPerDay = Variant::kMsPerDay;

[[noreturn]] void mismatch(const WorkColumn &column, const Variant &value)
{
    throw RuntimeError(ado::kErrTypeMismatch,
                       QStringLiteral("Data type mismatch: the %1 value '%2' does not fit the %3 column '%4'.")
                           .arg(QLatin1String(ado::kindName(value.kind())), value.toText().left(60),
                                typeWord(column.type), column.name));
}

// The converted value; a mismatch, or an overflow, when there is none.
template <typename T> T taken(const WorkColumn &column, const Variant &value, const Converted<T> &converted)
{
    if (converted.refusal == Refusal::OutOfRange)
        throw RuntimeError(ado::kErrOverflow,
                           QStringLiteral("Overflow: %1 does not fit the %2 column '%3'.")
                               .arg(value.toText().trimmed().left(60), typeWord(column.type), column.name));
    if (!converted)
        mismatch(column, value);
    return converted.value;
}

} // namespace

QDate zeroDate()
{
    return ado::timeOnlyDate();
}

WorkType workTypeFromWord(const QString &word)
{
    const QString base = word.trimmed().section(u'(', 0, 0).section(u' ', 0, 0).trimmed().toUpper();
    if (base == u"MEMO" || base == u"TEXT" || base == u"LONGTEXT")
        return WorkType::Memo;
    if (base == u"INT" || base == u"INTEGER" || base == u"LONG")
        return WorkType::Int;
    if (base == u"FLOAT" || base == u"DOUBLE" || base == u"REAL")
        return WorkType::Float;
    if (base == u"DECIMAL" || base == u"NUMERIC")
        return WorkType::Decimal;
    if (base == u"DATETIME" || base == u"DATE")
        return WorkType::DateTime;
    if (base == u"OLEOBJECT" || base == u"LONGBINARY" || base == u"BLOB")
        return WorkType::OleObject;
    if (base == u"VARCHAR" || base == u"CHAR")
        return WorkType::VarChar;
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
        return QStringLiteral("DECIMAL");
    case WorkType::DateTime:
        return QStringLiteral("DATETIME");
    case WorkType::OleObject:
        return QStringLiteral("OLEOBJECT");
    case WorkType::VarChar:
        return QStringLiteral("VARCHAR");
    }
    return {};
}

int adoType(WorkType type)
{
    switch (type) {
    case WorkType::Memo:
        return ado::adLongVarChar;
    case WorkType::Int:
        return ado::adInteger;
    case WorkType::Float:
        return ado::adDouble;
    case WorkType::Decimal:
        return ado::adNumeric;
    case WorkType::DateTime:
        return ado::adDate;
    case WorkType::OleObject:
        return ado::adLongVarBinary;
    case WorkType::VarChar:
        return ado::adVarChar;
    }
    return ado::adEmpty;
}

QString WorkColumn::declaredType() const
{
    // The second word gives SQLite the storage class that keeps the value
    // exactly as given (a MEMO of digits stays text).
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
    }
    return {};
}

ado::ColumnInfo WorkColumn::info() const
{
    ado::ColumnInfo column{name, adoType(type)};
    if (type == WorkType::VarChar)
        column.definedSize = width > 0 ? width : kDefaultVarCharWidth;
    if (type == WorkType::Int)
        column.precision = 10;
    if (type == WorkType::Float)
        column.precision = 15;
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
        if (value.kind() == Kind::Text && value.asText().size() <= limit)
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
    case WorkType::Float:
        return Variant::real(taken(*this, value, ado::doubleOf(value)));
    case WorkType::Decimal:
        if (value.kind() == Kind::Decimal)
            return value;
        return Variant::decimal(taken(*this, value, ado::decimalOf(value)));
    case WorkType::DateTime:
        if (value.kind() == Kind::DateTime)
            return value;
        return taken(*this, value, ado::dateTimeOf(value));
    case WorkType::OleObject: {
        if (value.kind() == Kind::Bytes)
            return value;
        const QString text = value.toText();
        bool latin1 = true;
        for (const QChar c : text)
            latin1 = latin1 && c.unicode() <= 0xFF;
        return Variant::bytes(latin1 ? text.toLatin1() : text.toUtf8());
    }
    }
    mismatch(*this, value);
}

void WorkColumn::bind(SqliteStatement &statement, int index, const Variant &value) const
{
    using Kind = Variant::Kind;
    switch (value.kind()) {
    case Kind::Null:
    case Kind::Empty:
        statement.bindNull(index);
        break;
    case Kind::Integer:
        statement.bindInteger(index, value.asInteger());
        break;
    case Kind::Double:
        statement.bindDouble(index, value.asDouble());
        break;
    case Kind::Bytes:
        statement.bindBlob(index, value.asBytes());
        break;
    case Kind::DateTime:
        statement.bindInteger(index, value.asDate().toJulianDay() * kMsPerDay + value.asMsOfDay());
        break;
    case Kind::Text:
        statement.bindText(index, value.asText());
        break;
    case Kind::Decimal:
        statement.bindText(index, value.asDecimal());
        break;
    default:
        statement.bindText(index, value.toText());
        break;
    }
}

Variant WorkColumn::read(const SqliteStatement &statement, int column) const
{
    if (statement.columnIsNull(column))
        return Variant::null();
    switch (type) {
    case WorkType::Memo:
    case WorkType::VarChar:
        return Variant::text(statement.columnText(column));
    case WorkType::Int:
        return Variant::integer(statement.columnInteger(column));
    case WorkType::Float:
        return Variant::real(statement.columnDouble(column));
    case WorkType::Decimal:
        return Variant::decimal(statement.columnText(column));
    case WorkType::DateTime: {
        const qint64 stamp = statement.columnInteger(column);
        qint64 day = stamp / kMsPerDay;
        qint64 ms = stamp % kMsPerDay;
        if (ms < 0) {
            ms += kMsPerDay;
            --day;
        }
        return Variant::dateTime(QDate::fromJulianDay(day), static_cast<int>(ms));
    }
    case WorkType::OleObject:
        return Variant::bytes(statement.columnBlob(column));
    }
    return Variant::null();
}

ado::Variant convertNoting(const WorkColumn &column, const ado::Variant &value, const QString &table, qint64 row,
                           ado::LostValues &lost, ado::LostValues &changed)
{
    // A text of 15 characters holds at most 15 digits, which a double always holds.
    constexpr qsizetype kDigitsADoubleHolds = 15;
    try {
        ado::Variant converted = column.convert(value);
        // A number with more digits than a double holds is written rounded: said, not hidden.
        if (value.kind() == ado::Variant::Kind::Decimal && converted.kind() == ado::Variant::Kind::Double &&
            value.asDecimal().size() > kDigitsADoubleHolds &&
            !ado::holdsExactly(value.asDecimal(), converted.asDouble()))
            changed.add({table, row, column.name, value.asDecimal(),
                         QStringLiteral("more digits than a FLOAT column holds"),
                         ado::formatDouble(converted.asDouble())});
        return converted;
    } catch (const ado::RuntimeError &e) {
        // A value the column cannot hold (a number too large, a text that is
        // no date) goes as Null: the row and the table go on.
        lost.add({table, row, column.name, ado::LostValues::describe(value), e.description()});
        return ado::Variant::null();
    }
}

} // namespace tw::workdb
