#include "FieldCodec.h"

#include "platform/ado/RuntimeError.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace tw::paradox {

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
constexpr qint64 kCurrencyUnits = 10000; // ADO currency: ten-thousandths
constexpr double kCurrencyScale = double(kCurrencyUnits);
// Timestamps further than this from day 0 (about 31,700 years) are no dates.
constexpr double kMaxTimestampMs = 1.0e15;

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
    if (shown.size() > 40) shown = shown.left(40) + QStringLiteral("...");
    throw RuntimeError(QStringLiteral("Field '%1' (%2): the value '%3' %4.")
                           .arg(field.name, QString(typeLetter(field.type)), shown, why));
}

qint32 getLong(const unsigned char *p) { return static_cast<qint32>(getU32BE(p) ^ kSign32); }
void putLong(unsigned char *p, qint32 v) { putU32BE(p, static_cast<std::uint32_t>(v) ^ kSign32); }

QString parseableText(const Variant &value)
{
    return value.kind() == Kind::Text ? value.asText().trimmed() : value.toText();
}

double toReal(const FieldDef &field, const Variant &value)
{
    switch (value.kind()) {
    case Kind::Integer: return static_cast<double>(value.asInteger());
    case Kind::Double: return value.asDouble();
    case Kind::Currency: return static_cast<double>(value.asCurrency()) / kCurrencyScale;
    case Kind::Boolean: return value.asBoolean() ? -1.0 : 0.0;
    case Kind::Decimal:
    case Kind::Text: {
        bool ok = false;
        const double d = QLocale::c().toDouble(parseableText(value), &ok);
        if (!ok) refuse(field, value, QStringLiteral("is not a number"));
        return d;
    }
    default: refuse(field, value, QStringLiteral("is not a number"));
    }
}

qint64 toWhole(const FieldDef &field, const Variant &value, qint64 limit)
{
    qint64 v = 0;
    if (value.kind() == Kind::Integer) {
        v = value.asInteger();
    } else if (value.kind() == Kind::Currency) {
        const qint64 c = value.asCurrency();
        const qint64 rest = c % kCurrencyUnits; // rounds half away from zero
        v = c / kCurrencyUnits + (rest * 2 >= kCurrencyUnits ? 1 : (rest * 2 <= -kCurrencyUnits ? -1 : 0));
    } else {
        if (value.kind() == Kind::Text || value.kind() == Kind::Decimal) {
            bool ok = false;
            v = QLocale::c().toLongLong(parseableText(value), &ok);
            if (ok) {
                if (v < -limit || v > limit) refuse(field, value, QStringLiteral("is out of range"));
                return v;
            }
        }
        const double d = std::round(toReal(field, value));
        if (!std::isfinite(d) || d < -double(limit) || d > double(limit))
            refuse(field, value, QStringLiteral("is out of range"));
        v = static_cast<qint64>(d);
    }
    if (v < -limit || v > limit) refuse(field, value, QStringLiteral("is out of range"));
    return v;
}

bool parseTime(const QString &text, int *ms)
{
    // HH:MM[:SS[.mmm]]
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3) return false;
    bool ok1 = false, ok2 = false;
    const int h = parts[0].toInt(&ok1);
    const int m = parts[1].toInt(&ok2);
    if (!ok1 || !ok2 || h < 0 || h > 23 || m < 0 || m > 59) return false;
    double s = 0;
    if (parts.size() == 3) {
        bool ok = false;
        s = QLocale::c().toDouble(parts[2], &ok);
        if (!ok || s < 0 || s >= 60) return false;
    }
    *ms = h * 3600000 + m * 60000 + static_cast<int>(std::llround(s * 1000));
    if (*ms >= kMsPerDay) *ms = kMsPerDay - 1;
    return true;
}

// Reads "YYYY-MM-DD[ HH:MM[:SS[.mmm]]]" (also with "T" between).
bool parseDateTime(const QString &text, QDate *date, int *ms)
{
    QString t = text.trimmed();
    QString datePart = t, timePart;
    const qsizetype cut = t.indexOf(QRegularExpression(QStringLiteral("[ T]")));
    if (cut > 0) {
        datePart = t.left(cut);
        timePart = t.mid(cut + 1).trimmed();
    }
    *date = QDate::fromString(datePart, Qt::ISODate);
    if (!date->isValid()) return false;
    *ms = 0;
    return timePart.isEmpty() || parseTime(timePart, ms);
}

qint64 dayNumber(const QDate &date) { return date.toJulianDay() - kJulianDayOfDayZero; }

// The exact decimal digits of a value, rounded to `decimals` places:
// "[-]int.frac". Empty when the value is not a number.
QString decimalDigits(const FieldDef &field, const Variant &value, int decimals)
{
    QString text;
    switch (value.kind()) {
    case Kind::Integer: text = QString::number(value.asInteger()); break;
    case Kind::Currency: {
        const qint64 c = value.asCurrency();
        const quint64 a = c < 0 ? quint64(-(c + 1)) + 1 : quint64(c);
        text = QStringLiteral("%1%2.%3")
                   .arg(c < 0 ? QStringLiteral("-") : QString())
                   .arg(a / kCurrencyUnits)
                   .arg(a % kCurrencyUnits, 4, 10, QChar('0'));
        break;
    }
    case Kind::Double: {
        const double d = value.asDouble();
        if (!std::isfinite(d)) refuse(field, value, QStringLiteral("is not a finite number"));
        // The shortest text that reads back as d, rounded in decimal below
        // (1.0005 becomes 1.001, as written, not 1.000 as the binary value).
        text = tw::ado::formatDouble(d);
        if (text.contains(QLatin1Char('e'), Qt::CaseInsensitive)) text = QString::number(d, 'f', decimals);
        break;
    }
    case Kind::Boolean: text = value.asBoolean() ? QStringLiteral("-1") : QStringLiteral("0"); break;
    case Kind::Decimal:
    case Kind::Text: text = parseableText(value); break;
    default: refuse(field, value, QStringLiteral("is not a number"));
    }
    // Validate and round half away from zero in decimal.
    bool negative = false;
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) negative = text[i++] == QLatin1Char('-');
    QString intDigits, fracDigits;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('.') && !point) point = true;
        else if (c.isDigit() && c.unicode() < 0x80) (point ? fracDigits : intDigits).append(c);
        else break;
    }
    if (i != text.size() || (intDigits.isEmpty() && fracDigits.isEmpty())) {
        // Exponent forms and the like: go through double.
        bool ok = false;
        const double d = QLocale::c().toDouble(text, &ok);
        if (!ok || !std::isfinite(d)) refuse(field, value, QStringLiteral("is not a number"));
        return decimalDigits(field, Variant::real(d), decimals);
    }
    bool roundUp = fracDigits.size() > decimals && fracDigits[decimals] >= QLatin1Char('5');
    fracDigits = fracDigits.left(decimals).leftJustified(decimals, QLatin1Char('0'));
    QString all = intDigits + fracDigits;
    if (roundUp) {
        int k = static_cast<int>(all.size()) - 1;
        for (; k >= 0; --k) {
            if (all[k] == QLatin1Char('9')) all[k] = QLatin1Char('0');
            else { all[k] = QChar(all[k].unicode() + 1); break; }
        }
        if (k < 0) all.prepend(QLatin1Char('1'));
    }
    while (all.size() > decimals + 1 && all[0] == QLatin1Char('0')) all.remove(0, 1);
    QString result = all.left(all.size() - decimals);
    if (result.isEmpty()) result = QStringLiteral("0");
    if (decimals > 0) result += QLatin1Char('.') + all.right(decimals);
    const bool zero = !all.contains(QRegularExpression(QStringLiteral("[1-9]")));
    return (negative && !zero ? QStringLiteral("-") : QString()) + result;
}

Variant decodeBcd(const FieldDef &field, const unsigned char *data)
{
    if (data[0] == 0) return Variant::null();
    const bool positive = data[0] & kBcdPositive;
    int decimals = data[0] & kBcdDecimalsMask;
    if (decimals > db::kBcdDigits) decimals = field.decimals;
    const unsigned flip = positive ? 0 : 0x0F;
    QString digits;
    bool stopped = false;
    for (int n = 0; n < db::kBcdDigits; ++n) {
        const int nibbleIndex = n + 2;
        unsigned nibble = (nibbleIndex % 2 ? data[nibbleIndex / 2] & 0x0F : data[nibbleIndex / 2] >> 4) ^ flip;
        // Real files hold stray nibbles past the 18th digit or so: stop there.
        if (nibble > 9) stopped = true;
        digits.append(QChar('0' + (stopped ? 0 : nibble)));
    }
    QString intPart = digits.left(db::kBcdDigits - decimals);
    while (intPart.size() > 1 && intPart[0] == QLatin1Char('0')) intPart.remove(0, 1);
    if (intPart.isEmpty()) intPart = QStringLiteral("0");
    QString text = intPart;
    if (decimals > 0) text += QLatin1Char('.') + digits.right(decimals);
    const bool zero = !digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (!positive && !zero) text.prepend(QLatin1Char('-'));
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
        while (digits.size() > db::kBcdDigits && digits[0] == QLatin1Char('0')) digits.remove(0, 1);
        if (digits.size() > db::kBcdDigits) refuse(field, value, QStringLiteral("has more than 32 digits"));
    }
    digits = digits.rightJustified(db::kBcdDigits, QLatin1Char('0'));
    out[0] = static_cast<unsigned char>((negative ? 0 : kBcdPositive) | kBcdMarker | field.decimals);
    const unsigned flip = negative ? 0x0F : 0;
    for (int n = 0; n < db::kBcdDigits; ++n) {
        const unsigned nibble = (digits[n].unicode() - '0') ^ flip;
        const int nibbleIndex = n + 2;
        if (nibbleIndex % 2) out[nibbleIndex / 2] |= nibble;
        else out[nibbleIndex / 2] = static_cast<unsigned char>(nibble << 4);
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
        if (text[i].unicode() > 0xFF) refuse(field, value, QStringLiteral("holds characters that are not bytes"));
        o[i] = static_cast<char>(text[i].unicode());
    }
}

} // namespace

void putNumber(unsigned char *out, double value)
{
    if (value == 0) value = 0; // -0.0 stores as 0.0
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

Variant decodeScalar(const FieldDef &field, const unsigned char *data, const TextCodec &codec)
{
    switch (field.type) {
    case FieldType::Alpha: {
        if (data[0] == 0) return Variant::null();
        int n = 0;
        while (n < field.size && data[n]) ++n;
        return Variant::text(codec.decode(reinterpret_cast<const char *>(data), n));
    }
    case FieldType::Bcd: return decodeBcd(field, data);
    default: break;
    }
    if (allZero(data, field.size)) return Variant::null();
    switch (field.type) {
    case FieldType::Short: return Variant::integer(static_cast<qint16>(getU16BE(data) ^ kSign16));
    case FieldType::Long:
    case FieldType::AutoIncrement: return Variant::integer(getLong(data));
    case FieldType::Number: return Variant::real(getNumber(data));
    // Money is a double in the file; it is handed over exactly as stored
    // (134.85 may be stored as 134.85000000000002) and reported as currency.
    case FieldType::Money: return Variant::real(getNumber(data));
    case FieldType::Logical: // 0x80 false, 0x81 true; other non-zero bytes count as true
        return Variant::boolean(data[0] & kFalse ? (data[0] & ~kFalse & 0xFF) != 0 : true);
    case FieldType::Date: {
        const QDate date = QDate::fromJulianDay(qint64(getLong(data)) + kJulianDayOfDayZero);
        if (!date.isValid()) throw RuntimeError(QStringLiteral("day %1 is no date").arg(getLong(data)));
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
    if (value.isNull() || value.isEmpty()) return;
    switch (field.type) {
    case FieldType::Alpha: {
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
        if (!std::isfinite(d)) refuse(field, value, QStringLiteral("is not a finite number"));
        putNumber(out, d);
        return;
    }
    case FieldType::Bcd: encodeBcd(field, value, out); return;
    case FieldType::Logical: {
        bool b = false;
        if (value.kind() == Kind::Boolean) b = value.asBoolean();
        else if (value.kind() == Kind::Text) {
            const QString t = value.asText().trimmed().toLower();
            if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("t") || t == QLatin1String("y")) b = true;
            else if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("f") || t == QLatin1String("n")) b = false;
            else b = toReal(field, value) != 0;
        } else b = toReal(field, value) != 0;
        out[0] = b ? kTrue : kFalse;
        return;
    }
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Timestamp: {
        QDate date;
        int ms = 0;
        switch (value.kind()) {
        case Kind::Date: date = value.asDate(); break;
        case Kind::DateTime: date = value.asDate(); ms = value.asMsOfDay(); break;
        case Kind::Time: ms = value.asMsOfDay(); break;
        case Kind::Text:
            if (field.type == FieldType::Time && parseTime(value.asText().trimmed(), &ms)) break;
            if (!parseDateTime(value.asText(), &date, &ms)) refuse(field, value, QStringLiteral("is not a date or time"));
            break;
        default: refuse(field, value, QStringLiteral("is not a date or time"));
        }
        if (field.type == FieldType::Time) {
            putLong(out, ms);
            return;
        }
        if (!date.isValid()) refuse(field, value, QStringLiteral("has no date"));
        const qint64 day = dayNumber(date);
        if (day < 1) refuse(field, value, QStringLiteral("is before 0001-01-01"));
        if (field.type == FieldType::Date) putLong(out, static_cast<qint32>(day));
        else putNumber(out, static_cast<double>(day) * kMsPerDay + ms);
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
    if (value.isNull() || value.isEmpty()) return {};
    if (value.kind() == Kind::Bytes) return value.asBytes();
    if (field.type == FieldType::Memo) {
        if (value.kind() == Kind::Text) codec.encode(value.asText(), scratch, unmapped);
        else codec.encode(value.toText(), scratch, unmapped);
        return scratch;
    }
    latin1Bytes(field, value, scratch);
    return scratch;
}

} // namespace tw::paradox
