#include "Variant.h"

#include "RuntimeError.h"

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

QString formatCurrency(qint64 value)
{
    // value is in ten-thousandths; print exactly, dropping trailing zeros.
    const bool negative = value < 0;
    const quint64 magnitude = negative ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    QString text = QString::number(magnitude / 10000);
    quint64 fraction = magnitude % 10000;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += u'.' + digits;
    }
    return negative ? u'-' + text : text;
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

QString pad(qint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
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
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    char buffer[512];
    const double magnitude = std::fabs(value);
    const auto format = (magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e21)) ? std::chars_format::fixed
                                                                                      : std::chars_format::general;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    if (result.ec != std::errc{})
        return QString::number(value, 'g', 17);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString formatDate(const QDate &date)
{
    if (!date.isValid())
        return {};
    const int year = date.year();
    const QString yearText = year < 0 ? u'-' + pad(-static_cast<qint64>(year), 4) : pad(year, 4);
    return yearText + u'-' + pad(date.month(), 2) + u'-' + pad(date.day(), 2);
}

QString formatTime(int msOfDay)
{
    const int ms = msOfDay % 1000;
    const int seconds = msOfDay / 1000;
    QString text = pad(seconds / 3600, 2) + u':' + pad(seconds / 60 % 60, 2) + u':' + pad(seconds % 60, 2);
    if (ms != 0)
        text += u'.' + pad(ms, 3);
    return text;
}

Variant Variant::null() { return Variant(Kind::Null, std::monostate{}); }
Variant Variant::text(const QString &value) { return Variant(Kind::Text, value); }
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

QString Variant::toText() const
{
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Null: return {};
    case Kind::Text: return std::get<QString>(m_storage);
    case Kind::Integer: return QString::number(std::get<qint64>(m_storage));
    case Kind::Double: return formatDouble(std::get<double>(m_storage));
    case Kind::Currency: return formatCurrency(std::get<qint64>(m_storage));
    case Kind::Decimal: return std::get<QString>(m_storage);
    case Kind::Date: return formatDate(std::get<QDate>(m_storage));
    case Kind::Time: return formatTime(m_ms);
    case Kind::DateTime: return formatDate(std::get<QDate>(m_storage)) + u' ' + formatTime(m_ms);
    case Kind::Boolean: return std::get<bool>(m_storage) ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Bytes: return QString::fromLatin1(std::get<QByteArray>(m_storage));
    }
    return {};
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
