#include "Variant.h"

#include "LostValues.h"
#include "RuntimeError.h"
#include "ValueText.h"

#include "platform/encoding/TextCodec.h"

#include <algorithm>
#include <limits>

namespace tw::ado {

namespace {

// Whether a string kept from a long value should be let go rather than refilled with `size` units.
template <typename Held> bool tooLargeFor(const Held &held, qsizetype size)
{
    return !held.isDetached() || held.capacity() > 4 * size + 256;
}

[[noreturn]] void wrongKind(Variant::Kind have, const char *wanted)
{
    throw RuntimeError(kErrTypeMismatch, QStringLiteral("Type mismatch: a %1 value is not %2.")
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

} // namespace

const char *kindName(Variant::Kind kind)
{
    switch (kind) {
    case Variant::Kind::Empty:
        return "empty";
    case Variant::Kind::Null:
        return "null";
    case Variant::Kind::Text:
        return "text";
    case Variant::Kind::Integer:
        return "integer";
    case Variant::Kind::Double:
        return "double";
    case Variant::Kind::Currency:
        return "currency";
    case Variant::Kind::Decimal:
        return "decimal";
    case Variant::Kind::Date:
        return "date";
    case Variant::Kind::Time:
        return "time";
    case Variant::Kind::DateTime:
        return "date and time";
    case Variant::Kind::Boolean:
        return "logical";
    case Variant::Kind::Bytes:
        return "binary";
    }
    return "unknown";
}

QString &Variant::textToFill(qsizetype size, Kind kind)
{
    if (kind != Kind::Text && kind != Kind::Decimal)
        wrongKind(kind, "text");
    m_kind = kind;
    m_ms = 0;
    QString *held = std::get_if<QString>(&m_storage);
    if (!held)
        return m_storage.emplace<QString>();
    // A string kept from a long value is not kept for a run of short ones.
    if (tooLargeFor(*held, size))
        *held = QString();
    return *held;
}

QByteArray &Variant::storedTextToFill(int codePage, qsizetype size)
{
    static_assert(std::is_same_v<std::variant_alternative_t<kBytesIndex, Storage>, QByteArray>);
    m_kind = Kind::Text;
    m_ms = codePage;
    QByteArray *held = std::get_if<QByteArray>(&m_storage);
    if (!held)
        return m_storage.emplace<QByteArray>();
    if (tooLargeFor(*held, size))
        *held = QByteArray();
    return *held;
}

void Variant::setStoredText(QByteArrayView bytes, int codePage)
{
    QByteArray &out = storedTextToFill(codePage, bytes.size());
    out.resize(bytes.size());
    std::copy(bytes.begin(), bytes.end(), out.data());
}

bool Variant::setShortTextStored(const Variant &value, int codePage)
{
    char16_t buffer[kShortTextRoom];
    const char16_t *end = value.writeShortText(buffer);
    if (!end)
        return false;
    QByteArray &out = storedTextToFill(codePage, end - buffer);
    out.resize(end - buffer);
    std::transform(static_cast<const char16_t *>(buffer), end, out.data(), [](char16_t c) { return char(c); });
    return true;
}

Variant Variant::storedText(QByteArrayView bytes, int codePage)
{
    Variant value;
    value.setStoredText(bytes, codePage);
    return value;
}

QString Variant::textCopy() const
{
    if (!keptAsStored())
        return std::get<QString>(m_storage);
    const QByteArray &bytes = std::get<QByteArray>(m_storage);
    return encoding::TextCodec::forCodePage(m_ms).decode(bytes.constData(), bytes.size());
}

void Variant::decodeStored() const
{
    const QByteArray &bytes = std::get<QByteArray>(m_storage);
    QString text;
    encoding::TextCodec::forCodePage(m_ms).decode(bytes.constData(), bytes.size(), text);
    m_storage.emplace<QString>(std::move(text));
    m_ms = 0;
}

const QByteArray *Variant::storedBytesIn(int codePage) const
{
    return keptAsStored() && m_ms == codePage ? &std::get<QByteArray>(m_storage) : nullptr;
}

int Variant::storedCodePage() const
{
    return keptAsStored() ? m_ms : 0;
}

qsizetype Variant::textLength() const
{
    if (keptAsStored()) {
        const QByteArray &bytes = std::get<QByteArray>(m_storage);
        if (!beyondAscii(bytes) || encoding::TextCodec::forCodePage(m_ms).singleByte())
            return bytes.size();
    }
    return asText().size();
}

void Variant::setText(QStringView text)
{
    if (const QString *held = std::get_if<QString>(&m_storage); held && !text.isEmpty() &&
                                                                text.data() >= held->constData() &&
                                                                text.data() <= held->constData() + held->size()) {
        // A piece of this value's own text.
        *this = Variant::text(text.toString());
        return;
    }
    QString &out = textToFill(text.size());
    out.resize(text.size());
    std::copy(text.begin(), text.end(), out.data());
}

void Variant::assign(const Variant &other)
{
    if (this == &other)
        return;
    if (other.m_kind != Kind::Text && other.m_kind != Kind::Decimal) {
        *this = other;
        return;
    }
    if (other.keptAsStored()) {
        setStoredText(std::get<QByteArray>(other.m_storage), other.m_ms);
        return;
    }
    const QString &text = std::get<QString>(other.m_storage);
    QString &out = textToFill(text.size(), other.m_kind);
    out.resize(text.size());
    std::copy(text.begin(), text.end(), out.data());
}

qsizetype Variant::payloadBytes() const
{
    if (const QString *text = std::get_if<QString>(&m_storage))
        return text->size() * qsizetype(sizeof(QChar));
    if (const QByteArray *bytes = std::get_if<QByteArray>(&m_storage))
        return bytes->size();
    return 0;
}

void Variant::swap(Variant &other) noexcept
{
    std::swap(m_kind, other.m_kind);
    std::swap(m_ms, other.m_ms);
    m_storage.swap(other.m_storage);
}

Variant Variant::null()
{
    return Variant(Kind::Null, std::monostate{});
}
Variant Variant::text(const QString &value)
{
    return Variant(Kind::Text, value);
}
Variant Variant::text(QString &&value)
{
    return Variant(Kind::Text, std::move(value));
}
Variant Variant::integer(qint64 value)
{
    return Variant(Kind::Integer, value);
}
Variant Variant::real(double value)
{
    return Variant(Kind::Double, value);
}
Variant Variant::currency(qint64 tenThousandths)
{
    return Variant(Kind::Currency, tenThousandths);
}
Variant Variant::boolean(bool value)
{
    return Variant(Kind::Boolean, value);
}
Variant Variant::bytes(const QByteArray &value)
{
    return Variant(Kind::Bytes, value);
}
Variant Variant::date(const QDate &value)
{
    return Variant(Kind::Date, value);
}

Variant Variant::decimal(const QString &digits)
{
    if (!isDecimalText(digits))
        throw RuntimeError(kErrTypeMismatch, QStringLiteral("'%1' is not a decimal number.").arg(digits.left(40)));
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
    if (m_storage.index() == kBytesIndex)
        decodeStored();
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
    case Kind::Integer:
        return writeIntegerText(buffer, std::get<qint64>(m_storage));
    case Kind::Double:
        return writeDoubleText(buffer, std::get<double>(m_storage), kShortTextRoom);
    case Kind::Currency:
        return writeCurrencyText(buffer, std::get<qint64>(m_storage));
    case Kind::Date:
        return writeDateText(buffer, std::get<QDate>(m_storage));
    case Kind::Time:
        return writeTimeText(buffer, m_ms);
    case Kind::DateTime: {
        char16_t *out = writeDateText(buffer, std::get<QDate>(m_storage));
        *out++ = u' ';
        return writeTimeText(out, m_ms);
    }
    case Kind::Boolean:
        return writeLogicalText(buffer, std::get<bool>(m_storage));
    default:
        return nullptr;
    }
}

QString Variant::toText() const
{
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Null:
        return {};
    case Kind::Text:
        return asText();
    case Kind::Decimal:
        return std::get<QString>(m_storage);
    case Kind::Bytes:
        return QString::fromLatin1(std::get<QByteArray>(m_storage));
    case Kind::Boolean:
        // Texts of the program's own, shared without counting.
        return std::get<bool>(m_storage) ? QStringLiteral("True") : QStringLiteral("False");
    default:
        break;
    }
    char16_t buffer[kShortTextRoom];
    if (const char16_t *end = writeShortText(buffer))
        return end == buffer ? QString() : QString(reinterpret_cast<const QChar *>(buffer), end - buffer);
    return formatDouble(std::get<double>(m_storage));
}

QStringView Variant::textView(QString &scratch) const
{
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Null:
        return {};
    case Kind::Text:
        return asText();
    case Kind::Decimal:
        return std::get<QString>(m_storage);
    case Kind::Bytes: {
        const QByteArray &bytes = std::get<QByteArray>(m_storage);
        scratch.resize(0);
        scratch.append(QLatin1String(bytes.constData(), bytes.size()));
        return scratch;
    }
    default:
        break;
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
    const Converted<double> number = doubleOf(*this);
    if (number)
        return number.value;
    if (m_kind != Kind::Text && m_kind != Kind::Decimal)
        wrongKind(m_kind, "a number");
    throw RuntimeError(kErrTypeMismatch,
                       QStringLiteral("Type mismatch: '%1' is not a number.").arg(toText().trimmed().left(40)));
}

qint64 Variant::toInteger() const
{
    const Converted<qint64> number =
        wholeOf(*this, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    if (number)
        return number.value;
    if (number.refusal == Refusal::OutOfRange)
        throw RuntimeError(kErrOverflow,
                           QStringLiteral("Overflow: %1 does not fit an integer.").arg(toText().trimmed().left(40)));
    if (m_kind != Kind::Text && m_kind != Kind::Decimal && m_kind != Kind::Double)
        wrongKind(m_kind, "a number");
    throw RuntimeError(kErrTypeMismatch,
                       QStringLiteral("Type mismatch: '%1' is not a number.").arg(toText().trimmed().left(40)));
}

bool Variant::operator==(const Variant &other) const
{
    // A text kept as stored equals the same text decoded, or kept in another
    // page; comparing leaves it as it was.
    if (m_kind == Kind::Text && other.m_kind == Kind::Text && (keptAsStored() || other.keptAsStored()) &&
        !(keptAsStored() && other.keptAsStored() && m_ms == other.m_ms))
        return textCopy() == other.textCopy();
    return m_kind == other.m_kind && m_ms == other.m_ms && m_storage == other.m_storage;
}

} // namespace tw::ado
