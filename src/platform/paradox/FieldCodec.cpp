#include "FieldCodec.h"

#include "platform/ado/RuntimeError.h"
#include "platform/ado/ValueText.h"

#include <QRegularExpression>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace tw::paradox {

using tw::ado::Converted;
using tw::ado::Refusal;
using tw::ado::RuntimeError;
using tw::ado::Variant;
using Kind = tw::ado::Variant::Kind;

namespace {

constexpr std::uint64_t kSignBit = std::uint64_t(1) << 63;
constexpr std::uint32_t kSign32 = 0x80000000u;
constexpr std::uint16_t kSign16 = 0x8000u;
constexpr unsigned char kFalse = 0x80;
constexpr unsigned char kTrue = 0x81;
constexpr unsigned char kBcdPositive = 0x80;
constexpr unsigned char kBcdMarker = 0x40;
constexpr unsigned char kBcdDecimalsMask = 0x3F;
constexpr qint64 kMsPerDay = Variant::kMsPerDay;
// Timestamps further than this from day 0 (about 31,700 years) are no dates.
constexpr double kMaxTimestampMs = 1.0e15;
// Real files hold stray nibbles past the 18th digit or so of a BCD value;
// one among the first digits makes the bytes no number.
constexpr int kBcdSureDigits = 18;

[[noreturn]] void noNumber(const unsigned char *data, int size)
{
    throw RuntimeError(QStringLiteral("the bytes %1 are no number")
                           .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(data), size).toHex())));
}

// A span of milliseconds as hours, minutes and seconds ("25:00:00", "-0:00:01").
QString durationText(qint64 ms)
{
    const QString sign = ms < 0 ? QStringLiteral("-") : QString();
    const qint64 a = ms < 0 ? -ms : ms;
    QString text = QStringLiteral("%1%2:%3:%4")
                       .arg(sign)
                       .arg(a / 3600000)
                       .arg(a / 60000 % 60, 2, 10, QLatin1Char('0'))
                       .arg(a / 1000 % 60, 2, 10, QLatin1Char('0'));
    if (a % 1000)
        text += QStringLiteral(".%1").arg(a % 1000, 3, 10, QLatin1Char('0'));
    return text;
}

[[noreturn]] void refuse(const FieldDef &field, const Variant &value, const QString &why)
{
    QString shown = value.toText();
    if (shown.size() > 40)
        shown = shown.left(40) + QStringLiteral("...");
    throw RuntimeError(QStringLiteral("Field '%1' (%2): the value '%3' %4.")
                           .arg(field.name, QString(typeLetter(field.type)), shown, why));
}

qint32 getLong(const unsigned char *p)
{
    return static_cast<qint32>(getU32BE(p) ^ kSign32);
}
void putLong(unsigned char *p, qint32 v)
{
    putU32BE(p, static_cast<std::uint32_t>(v) ^ kSign32);
}

// The converted value, or the refusal saying why there is none.
template <typename T>
T taken(const FieldDef &field, const Variant &value, const Converted<T> &converted, const char *notOfKind)
{
    if (converted.refusal == Refusal::OutOfRange)
        refuse(field, value, QStringLiteral("is out of range"));
    if (!converted)
        refuse(field, value, QLatin1String(notOfKind));
    return converted.value;
}

double toReal(const FieldDef &field, const Variant &value)
{
    return taken(field, value, tw::ado::doubleOf(value), "is not a number");
}

qint64 toWhole(const FieldDef &field, const Variant &value, qint64 limit)
{
    return taken(field, value, tw::ado::wholeOf(value, -limit, limit), "is not a number");
}

qint64 dayNumber(const QDate &date)
{
    return date.toJulianDay() - kJulianDayOfDayZero;
}

// The exact decimal digits of a value, rounded to `decimals` places:
// "[-]int.frac".
QString decimalDigits(const FieldDef &field, const Variant &value, int decimals)
{
    if (value.kind() == Kind::Double && !std::isfinite(value.asDouble()))
        refuse(field, value, QStringLiteral("is not a finite number"));
    return tw::ado::roundDecimal(taken(field, value, tw::ado::decimalOf(value), "is not a number"), decimals);
}

Variant decodeBcd(const unsigned char *data)
{
    if (data[0] == 0)
        return Variant::null();
    const bool positive = data[0] & kBcdPositive;
    const int decimals = data[0] & kBcdDecimalsMask;
    if (!(data[0] & kBcdMarker) || decimals > db::kBcdDigits)
        noNumber(data, db::kBcdSize);
    const unsigned flip = positive ? 0 : 0x0F;
    QString digits;
    bool stopped = false;
    for (int n = 0; n < db::kBcdDigits; ++n) {
        const int nibbleIndex = n + 2;
        unsigned nibble = (nibbleIndex % 2 ? data[nibbleIndex / 2] & 0x0F : data[nibbleIndex / 2] >> 4) ^ flip;
        // Stray nibbles past the first digits: the digits stop there.
        if (nibble > 9 && n < kBcdSureDigits)
            noNumber(data, db::kBcdSize);
        if (nibble > 9)
            stopped = true;
        digits.append(QChar('0' + (stopped ? 0 : nibble)));
    }
    QString intPart = digits.left(db::kBcdDigits - decimals);
    while (intPart.size() > 1 && intPart[0] == QLatin1Char('0'))
        intPart.remove(0, 1);
    if (intPart.isEmpty())
        intPart = QStringLiteral("0");
    QString text = intPart;
    if (decimals > 0)
        text += QLatin1Char('.') + digits.right(decimals);
    const bool zero = !digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (!positive && !zero)
        text.prepend(QLatin1Char('-'));
    return Variant::decimal(text);
}

void encodeBcd(const FieldDef &field, const Variant &value, unsigned char *out)
{
    const QString text = decimalDigits(field, value, field.decimals);
    const bool negative = text.startsWith(QLatin1Char('-'));
    QString digits = text.mid(negative ? 1 : 0);
    digits.remove(QLatin1Char('.'));
    if (digits.size() > db::kBcdDigits) {
        // Leading zeros beyond the width are harmless.
        while (digits.size() > db::kBcdDigits && digits[0] == QLatin1Char('0'))
            digits.remove(0, 1);
        if (digits.size() > db::kBcdDigits)
            refuse(field, value, QStringLiteral("has more than 32 digits"));
    }
    digits = digits.rightJustified(db::kBcdDigits, QLatin1Char('0'));
    out[0] = static_cast<unsigned char>((negative ? 0 : kBcdPositive) | kBcdMarker | field.decimals);
    const unsigned flip = negative ? 0x0F : 0;
    for (int n = 0; n < db::kBcdDigits; ++n) {
        const unsigned nibble = (digits[n].unicode() - '0') ^ flip;
        const int nibbleIndex = n + 2;
        if (nibbleIndex % 2)
            out[nibbleIndex / 2] |= nibble;
        else
            out[nibbleIndex / 2] = static_cast<unsigned char>(nibble << 4);
    }
}

// The value as bytes: a text's characters must be bytes (up to U+00FF).
void latin1Bytes(const FieldDef &field, const Variant &value, QByteArray &out)
{
    if (value.kind() == Kind::Bytes) {
        out = value.asBytes();
        return;
    }
    const QString text = value.toText();
    out.resize(text.size());
    char *o = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() > 0xFF)
            refuse(field, value, QStringLiteral("holds characters that are not bytes"));
        o[i] = static_cast<char>(text[i].unicode());
    }
}

} // namespace

void putNumber(unsigned char *out, double value)
{
    if (value == 0)
        value = 0; // -0.0 stores as 0.0
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    bits = (bits & kSignBit) ? ~bits : (bits | kSignBit);
    putU64BE(out, bits);
}

double getNumber(const unsigned char *data)
{
    std::uint64_t bits = getU64BE(data);
    bits = (bits & kSignBit) ? (bits & ~kSignBit) : ~bits;
    return std::bit_cast<double>(bits);
}

BlobRef decodeBlobRef(const FieldDef &field, const unsigned char *data)
{
    const unsigned char *p = data + field.size - db::kBlobTrailer;
    return BlobRef{getU32LE(p), getU32LE(p + 4), getU16LE(p + 8)};
}

int alphaLength(const unsigned char *data, int size)
{
    int n = 0;
    while (n < size && data[n])
        ++n;
    return n;
}

Variant decodeScalar(const FieldDef &field, const unsigned char *data, const TextCodec &codec)
{
    switch (field.type) {
    case FieldType::Alpha:
        if (data[0] == 0)
            return Variant::null();
        return Variant::text(codec.decode(reinterpret_cast<const char *>(data), alphaLength(data, field.size)));
    case FieldType::Bcd:
        return decodeBcd(data);
    default:
        break;
    }
    if (allZero(data, field.size))
        return Variant::null();
    switch (field.type) {
    case FieldType::Short:
        return Variant::integer(static_cast<qint16>(getU16BE(data) ^ kSign16));
    case FieldType::Long:
    case FieldType::AutoIncrement:
        return Variant::integer(getLong(data));
    // Money is a double in the file; it is handed over exactly as stored
    // (134.85 may be stored as 134.85000000000002) and reported as currency.
    case FieldType::Number:
    case FieldType::Money: {
        const double v = getNumber(data);
        if (!std::isfinite(v))
            noNumber(data, field.size);
        return Variant::real(v);
    }
    case FieldType::Logical: // 0x80 false, 0x81 true; other non-zero bytes count as true
        return Variant::boolean(data[0] & kFalse ? (data[0] & ~kFalse & 0xFF) != 0 : true);
    case FieldType::Date: {
        const QDate date = QDate::fromJulianDay(qint64(getLong(data)) + kJulianDayOfDayZero);
        if (!date.isValid())
            throw RuntimeError(QStringLiteral("day %1 is no date").arg(getLong(data)));
        return Variant::date(date);
    }
    case FieldType::Time: {
        const qint32 ms = getLong(data);
        if (ms < 0 || ms >= kMsPerDay)
            throw RuntimeError(QStringLiteral("%1 is no time of day").arg(durationText(ms)));
        return Variant::time(ms);
    }
    case FieldType::Timestamp: {
        const double v = getNumber(data);
        // Milliseconds since day 0; before it (years before 1) they are negative.
        if (!(v > -kMaxTimestampMs && v < kMaxTimestampMs))
            throw RuntimeError(QStringLiteral("%1 days from the year 1 is no date").arg(v / kMsPerDay, 0, 'g', 6));
        const qint64 ms = std::llround(v);
        const qint64 days = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
        const QDate date = QDate::fromJulianDay(days + kJulianDayOfDayZero);
        return Variant::dateTime(date, static_cast<int>(ms - days * kMsPerDay));
    }
    case FieldType::Bytes:
        return Variant::bytes(QByteArray(reinterpret_cast<const char *>(data), field.size));
    default:
        throw RuntimeError(QStringLiteral("field '%1' is a blob field").arg(field.name));
    }
}

void encodeScalar(const FieldDef &field, const Variant &value, unsigned char *out, const TextCodec &codec,
                  qint64 *unmapped)
{
    std::memset(out, 0, static_cast<size_t>(field.size));
    if (value.isNull() || value.isEmpty())
        return;
    switch (field.type) {
    case FieldType::Alpha: {
        // Text read from a table of this page is written as it was stored.
        if (const QByteArray *stored = value.storedBytesIn(codec.codePage()); stored && stored->size() <= field.size) {
            std::memcpy(out, stored->constData(), static_cast<size_t>(stored->size()));
            return;
        }
        const QString text = value.toText();
        if (codec.encode(text, reinterpret_cast<char *>(out), field.size, unmapped) > field.size)
            refuse(field, value, QStringLiteral("is longer than the field's %1 characters").arg(field.size));
        return; // an empty text stays all zero: NULL, as Paradox has it
    }
    case FieldType::Short: {
        const qint64 v = toWhole(field, value, std::numeric_limits<qint16>::max());
        putU16BE(out, static_cast<std::uint16_t>(v) ^ kSign16);
        return;
    }
    case FieldType::Long:
    case FieldType::AutoIncrement:
        putLong(out, static_cast<qint32>(toWhole(field, value, std::numeric_limits<qint32>::max())));
        return;
    case FieldType::Number:
    case FieldType::Money: {
        const double d = toReal(field, value);
        if (!std::isfinite(d))
            refuse(field, value, QStringLiteral("is not a finite number"));
        putNumber(out, d);
        return;
    }
    case FieldType::Bcd:
        encodeBcd(field, value, out);
        return;
    case FieldType::Logical:
        out[0] = taken(field, value, tw::ado::logicalOf(value), "is not a logical value") ? kTrue : kFalse;
        return;
    case FieldType::Time:
        putLong(out, taken(field, value, tw::ado::timeOf(value), "is not a date or time"));
        return;
    case FieldType::Date:
    case FieldType::Timestamp: {
        QDate date;
        int ms = 0;
        if (field.type == FieldType::Date) {
            date = taken(field, value, tw::ado::dateOf(value), "is not a date");
        } else {
            const Variant when = taken(field, value, tw::ado::dateTimeOf(value), "is not a date or time");
            date = when.asDate();
            ms = when.asMsOfDay();
        }
        const qint64 day = dayNumber(date);
        if (day < 1)
            refuse(field, value, QStringLiteral("is before 0001-01-01"));
        // Beyond these a day number would wrap, and a timestamp read back as no date.
        const double stamp = static_cast<double>(day) * kMsPerDay + ms;
        if (field.type == FieldType::Date ? day > std::numeric_limits<qint32>::max() : stamp >= kMaxTimestampMs)
            refuse(field, value, QStringLiteral("is past the last day the field holds"));
        if (field.type == FieldType::Date)
            putLong(out, static_cast<qint32>(day));
        else
            putNumber(out, stamp);
        return;
    }
    case FieldType::Bytes: {
        QByteArray bytes;
        latin1Bytes(field, value, bytes);
        if (bytes.size() > field.size)
            refuse(field, value, QStringLiteral("is longer than the field's %1 bytes").arg(field.size));
        std::memcpy(out, bytes.constData(), static_cast<size_t>(bytes.size()));
        return;
    }
    default:
        throw RuntimeError(QStringLiteral("Field '%1' is a blob field.").arg(field.name));
    }
}

QByteArrayView blobBytes(const FieldDef &field, const Variant &value, const TextCodec &codec, qint64 *unmapped,
                         QByteArray &scratch)
{
    if (value.isNull() || value.isEmpty())
        return {};
    if (value.kind() == Kind::Bytes)
        return value.asBytes();
    if (field.type == FieldType::Memo) {
        if (const QByteArray *stored = value.storedBytesIn(codec.codePage()))
            return *stored;
        if (value.kind() == Kind::Text)
            codec.encode(value.asText(), scratch, unmapped);
        else
            codec.encode(value.toText(), scratch, unmapped);
        return scratch;
    }
    latin1Bytes(field, value, scratch);
    return scratch;
}

} // namespace tw::paradox
