#include "Variant.h"

#include "RuntimeError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tw::ado {

namespace {

[[noreturn]] void wrongKind(Variant::Kind have, const char *wanted)
{
    throw RuntimeError(13, QStringLiteral("Type mismatch: a %1 value is not %2.")
                               .arg(QLatin1String(kindName(have)), QLatin1String(wanted)));
}

bool isDecimalText(const QString &text)
{
    qsizetype i = 0;
    if (i < text.size() && text[i] == u'-')
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
            ++i;
            ++digits;
        }
    }
    return digits > 0 && i == text.size();
}

// Writes the decimal digits of value, at least `width` of them (zeros in
// front), backwards so that the last digit lands just before `end`; returns
// where the text starts.
char16_t *writeDigitsBackwards(char16_t *end, quint64 value, int width)
{
    char16_t *out = end;
    do {
        *--out = char16_t(u'0' + value % 10);
        value /= 10;
        --width;
    } while (value != 0);
    while (width-- > 0)
        *--out = u'0';
    return out;
}

// The text of value as QString("%1").arg(value, width, 10, QLatin1Char('0'))
// writes it (the sign inside the width), appended at out; returns the end.
char16_t *writePadded(char16_t *out, qint64 value, int width)
{
    constexpr int kMaxDigits = 20; // of an unsigned 64-bit number
    char16_t digits[kMaxDigits];
    char16_t *const end = digits + kMaxDigits;
    const bool negative = value < 0;
    const quint64 magnitude = negative ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    const char16_t *first = writeDigitsBackwards(end, magnitude, negative ? width - 1 : width);
    if (negative)
        *out++ = u'-';
    while (first != end)
        *out++ = *first++;
    return out;
}

// Longest texts the writers below produce: a sign and 19 digits of an int for
// the year, and the fields of a time of day whose hours may run past 24.
constexpr qsizetype kMaxDateText = 1 + 20 + 6;
constexpr qsizetype kMaxTimeText = 20 + 6 + 4;

char16_t *writeDate(char16_t *out, const QDate &date)
{
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    out = writePadded(out, year, year < 0 ? 5 : 4);
    *out++ = u'-';
    out = writePadded(out, month, 2);
    *out++ = u'-';
    return writePadded(out, day, 2);
}

char16_t *writeTime(char16_t *out, int msOfDay)
{
    const int ms = msOfDay % 1000;
    const int seconds = msOfDay / 1000;
    out = writePadded(out, seconds / 3600, 2);
    *out++ = u':';
    out = writePadded(out, seconds / 60 % 60, 2);
    *out++ = u':';
    out = writePadded(out, seconds % 60, 2);
    if (ms != 0) {
        *out++ = u'.';
        out = writePadded(out, ms, 3);
    }
    return out;
}

// Text forms of at most this many characters are written on the stack.
constexpr qsizetype kShortTextRoom = 64;
constexpr qsizetype kLongestDoubleText = 512;
static_assert(kMaxDateText + 1 + kMaxTimeText <= kShortTextRoom);

char16_t *writeLatin1(char16_t *out, const char *text, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i)
        *out++ = static_cast<unsigned char>(text[i]);
    return out;
}

char16_t *writeInteger(char16_t *out, qint64 value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return writeLatin1(out, buffer, result.ptr - buffer);
}

// value is in ten-thousandths; written exactly, trailing zeros dropped.
char16_t *writeCurrency(char16_t *out, qint64 value)
{
    constexpr quint64 kUnits = 10000;
    constexpr int kFractionDigits = 4;
    const bool negative = value < 0;
    const quint64 magnitude = negative ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    char16_t buffer[32];
    char16_t *const end = buffer + sizeof buffer / sizeof buffer[0];
    char16_t *first = end;
    quint64 fraction = magnitude % kUnits;
    if (fraction != 0) {
        int digits = kFractionDigits;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        first = writeDigitsBackwards(first, fraction, digits);
        *--first = u'.';
    }
    first = writeDigitsBackwards(first, magnitude / kUnits, 1);
    if (negative)
        *out++ = u'-';
    while (first != end)
        *out++ = *first++;
    return out;
}

// The shortest text that reads back as value; nullptr when it would be longer
// than room characters.
char16_t *writeDouble(char16_t *out, double value, qsizetype room)
{
    if (std::isnan(value))
        return writeLatin1(out, "NaN", 3);
    if (std::isinf(value))
        return value > 0 ? writeLatin1(out, "Infinity", 8) : writeLatin1(out, "-Infinity", 9);
    char buffer[kLongestDoubleText];
    const double magnitude = std::fabs(value);
    const auto format = (magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e21)) ? std::chars_format::fixed
                                                                                      : std::chars_format::general;
    const auto result = std::to_chars(buffer, buffer + std::min<qsizetype>(room, sizeof buffer), value, format);
    if (result.ec != std::errc{})
        return nullptr;
    return writeLatin1(out, buffer, result.ptr - buffer);
}

// An empty text is the null text, as the text of an invalid date has always been.
QString textOf(const char16_t *begin, const char16_t *end)
{
    if (begin == end)
        return {};
    return QString(reinterpret_cast<const QChar *>(begin), end - begin);
}

// Reads a number written with "." (blanks around it allowed), without going
// through the locale; false when the whole text is not one number.
bool parseDouble(const QString &text, double *value)
{
    constexpr qsizetype kLongestNumber = 400;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > kLongestNumber)
        return false;
    char buffer[kLongestNumber];
    qsizetype length = 0;
    for (const QChar c : trimmed) {
        if (c.unicode() > 0x7F)
            return false;
        buffer[length++] = static_cast<char>(c.unicode());
    }
    const char *begin = buffer + (buffer[0] == '+' ? 1 : 0);
    const auto result = std::from_chars(begin, buffer + length, *value);
    return result.ec == std::errc{} && result.ptr == buffer + length;
}

} // namespace

const char *kindName(Variant::Kind kind)
{
    switch (kind) {
    case Variant::Kind::Empty: return "empty";
    case Variant::Kind::Null: return "null";
    case Variant::Kind::Text: return "text";
    case Variant::Kind::Integer: return "integer";
    case Variant::Kind::Double: return "double";
    case Variant::Kind::Currency: return "currency";
    case Variant::Kind::Decimal: return "decimal";
    case Variant::Kind::Date: return "date";
    case Variant::Kind::Time: return "time";
    case Variant::Kind::DateTime: return "date and time";
    case Variant::Kind::Boolean: return "logical";
    case Variant::Kind::Bytes: return "binary";
    }
    return "unknown";
}

QString formatDouble(double value)
{
    char16_t buffer[kLongestDoubleText];
    if (const char16_t *end = writeDouble(buffer, value, kLongestDoubleText))
        return textOf(buffer, end);
    return QString::number(value, 'g', 17);
}

QString formatDate(const QDate &date)
{
    if (!date.isValid())
        return {};
    char16_t buffer[kMaxDateText];
    return textOf(buffer, writeDate(buffer, date));
}

QString formatTime(int msOfDay)
{
    char16_t buffer[kMaxTimeText];
    return textOf(buffer, writeTime(buffer, msOfDay));
}

Variant Variant::null() { return Variant(Kind::Null, std::monostate{}); }
Variant Variant::text(const QString &value) { return Variant(Kind::Text, value); }
Variant Variant::text(QString &&value) { return Variant(Kind::Text, std::move(value)); }
Variant Variant::integer(qint64 value) { return Variant(Kind::Integer, value); }
Variant Variant::real(double value) { return Variant(Kind::Double, value); }
Variant Variant::currency(qint64 tenThousandths) { return Variant(Kind::Currency, tenThousandths); }
Variant Variant::boolean(bool value) { return Variant(Kind::Boolean, value); }
Variant Variant::bytes(const QByteArray &value) { return Variant(Kind::Bytes, value); }
Variant Variant::date(const QDate &value) { return Variant(Kind::Date, value); }

Variant Variant::decimal(const QString &digits)
{
    if (!isDecimalText(digits))
        throw RuntimeError(13, QStringLiteral("'%1' is not a decimal number.").arg(digits.left(40)));
    return Variant(Kind::Decimal, digits);
}

Variant Variant::time(int msOfDay)
{
    if (msOfDay < 0 || msOfDay >= kMsPerDay)
        throw RuntimeError(QStringLiteral("Time of day out of range: %1 ms.").arg(msOfDay));
    return Variant(Kind::Time, std::monostate{}, msOfDay);
}

Variant Variant::dateTime(const QDate &date, int msOfDay)
{
    if (msOfDay < 0 || msOfDay >= kMsPerDay)
        throw RuntimeError(QStringLiteral("Time of day out of range: %1 ms.").arg(msOfDay));
    return Variant(Kind::DateTime, date, msOfDay);
}

const QString &Variant::asText() const
{
    if (m_kind != Kind::Text)
        wrongKind(m_kind, "text");
    return std::get<QString>(m_storage);
}

qint64 Variant::asInteger() const
{
    if (m_kind != Kind::Integer)
        wrongKind(m_kind, "an integer");
    return std::get<qint64>(m_storage);
}

double Variant::asDouble() const
{
    if (m_kind != Kind::Double)
        wrongKind(m_kind, "a double");
    return std::get<double>(m_storage);
}

qint64 Variant::asCurrency() const
{
    if (m_kind != Kind::Currency)
        wrongKind(m_kind, "currency");
    return std::get<qint64>(m_storage);
}

const QString &Variant::asDecimal() const
{
    if (m_kind != Kind::Decimal)
        wrongKind(m_kind, "a decimal");
    return std::get<QString>(m_storage);
}

QDate Variant::asDate() const
{
    if (m_kind != Kind::Date && m_kind != Kind::DateTime)
        wrongKind(m_kind, "a date");
    return std::get<QDate>(m_storage);
}

int Variant::asMsOfDay() const
{
    if (m_kind != Kind::Time && m_kind != Kind::DateTime)
        wrongKind(m_kind, "a time");
    return m_ms;
}

bool Variant::asBoolean() const
{
    if (m_kind != Kind::Boolean)
        wrongKind(m_kind, "logical");
    return std::get<bool>(m_storage);
}

const QByteArray &Variant::asBytes() const
{
    if (m_kind != Kind::Bytes)
        wrongKind(m_kind, "binary");
    return std::get<QByteArray>(m_storage);
}

// Numbers, dates, times and logicals: their text written to buffer; the
// end of it, or nullptr for the other kinds (and a double that did not fit).
const char16_t *Variant::writeShortText(char16_t *buffer) const
{
    switch (m_kind) {
    case Kind::Integer: return writeInteger(buffer, std::get<qint64>(m_storage));
    case Kind::Double: return writeDouble(buffer, std::get<double>(m_storage), kShortTextRoom);
    case Kind::Currency: return writeCurrency(buffer, std::get<qint64>(m_storage));
    case Kind::Date: {
        const QDate &date = std::get<QDate>(m_storage);
        return date.isValid() ? writeDate(buffer, date) : buffer;
    }
    case Kind::Time: return writeTime(buffer, m_ms);
    case Kind::DateTime: {
        const QDate &date = std::get<QDate>(m_storage);
        char16_t *out = date.isValid() ? writeDate(buffer, date) : buffer;
        *out++ = u' ';
        return writeTime(out, m_ms);
    }
    case Kind::Boolean:
        return std::get<bool>(m_storage) ? writeLatin1(buffer, "True", 4) : writeLatin1(buffer, "False", 5);
    default: return nullptr;
    }
}

QString Variant::toText() const
{
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Null: return {};
    case Kind::Text:
    case Kind::Decimal: return std::get<QString>(m_storage);
    case Kind::Bytes: return QString::fromLatin1(std::get<QByteArray>(m_storage));
    default: break;
    }
    char16_t buffer[kShortTextRoom];
    if (const char16_t *end = writeShortText(buffer))
        return textOf(buffer, end);
    return formatDouble(std::get<double>(m_storage));
}

QStringView Variant::textView(QString &scratch) const
{
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Null: return {};
    case Kind::Text:
    case Kind::Decimal: return std::get<QString>(m_storage);
    case Kind::Bytes: {
        const QByteArray &bytes = std::get<QByteArray>(m_storage);
        scratch.resize(0);
        scratch.append(QLatin1String(bytes.constData(), bytes.size()));
        return scratch;
    }
    default: break;
    }
    char16_t buffer[kShortTextRoom];
    const char16_t *end = writeShortText(buffer);
    scratch.resize(0);
    if (end)
        scratch.append(reinterpret_cast<const QChar *>(buffer), end - buffer);
    else
        scratch.append(formatDouble(std::get<double>(m_storage)));
    return scratch;
}

double Variant::toDouble() const
{
    switch (m_kind) {
    case Kind::Integer: return static_cast<double>(std::get<qint64>(m_storage));
    case Kind::Double: return std::get<double>(m_storage);
    case Kind::Currency: return static_cast<double>(std::get<qint64>(m_storage)) / 10000.0;
    case Kind::Boolean: return std::get<bool>(m_storage) ? -1.0 : 0.0;
    case Kind::Decimal:
    case Kind::Text: {
        const QString &stored = std::get<QString>(m_storage);
        double value = 0;
        if (parseDouble(stored, &value))
            return value;
        throw RuntimeError(13, QStringLiteral("Type mismatch: '%1' is not a number.").arg(stored.trimmed().left(40)));
    }
    default: wrongKind(m_kind, "a number");
    }
}

qint64 Variant::toInteger() const
{
    switch (m_kind) {
    case Kind::Integer: return std::get<qint64>(m_storage);
    case Kind::Boolean: return std::get<bool>(m_storage) ? -1 : 0;
    case Kind::Text: {
        bool ok = false;
        const qint64 value = std::get<QString>(m_storage).trimmed().toLongLong(&ok);
        if (ok)
            return value;
        break;
    }
    default: break;
    }
    // Numbers with a fraction round half away from zero, as the original platform's conversions do.
    const double value = std::round(toDouble());
    if (!(value >= -9.2233720368547758e18 && value < 9.2233720368547758e18))
        throw RuntimeError(6, QStringLiteral("Overflow: %1 does not fit an integer.").arg(formatDouble(value)));
    return static_cast<qint64>(value);
}

bool Variant::operator==(const Variant &other) const
{
    return m_kind == other.m_kind && m_ms == other.m_ms && m_storage == other.m_storage;
}

} // namespace tw::ado
