#include "FieldEncoder.h"

#include "CodePageMarks.h"
#include "FieldValues.h"

#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"

#include <QTime>

#include <cmath>
#include <cstring>

namespace tw::foxpro {

using namespace encoding; // the byte codecs

using ado::RuntimeError;
using ado::Variant;

namespace {

constexpr qint64 kCurrencyScale = 10000;

[[noreturn]] void refuse(const DbfField &f, const Variant &v)
{
    throw RuntimeError(QStringLiteral("field %1 (type %2) cannot hold the %3 value '%4'")
                           .arg(f.name, QChar::fromLatin1(f.type), QLatin1String(ado::kindName(v.kind())), v.toText()));
}

bool blank(const Variant &v)
{
    return v.isNull() || v.isEmpty();
}

// Plain digits ("-12.5") of a numeric value.
QString digitsOf(const DbfField &f, const Variant &v, int decimals)
{
    switch (v.kind()) {
    case Variant::Kind::Decimal: return v.asDecimal();
    case Variant::Kind::Integer: return QString::number(v.asInteger());
    case Variant::Kind::Double: {
        const double d = v.asDouble();
        if (!std::isfinite(d))
            refuse(f, v);
        return QString::number(d, 'f', decimals);
    }
    case Variant::Kind::Currency: {
        const qint64 c = v.asCurrency();
        const quint64 m = c < 0 ? quint64(-(c + 1)) + 1 : quint64(c);
        return (c < 0 ? "-" : "") + QString::number(m / kCurrencyScale) + '.'
            + QString::number(m % kCurrencyScale).rightJustified(4, '0');
    }
    case Variant::Kind::Boolean: return v.asBoolean() ? "1" : "0";
    case Variant::Kind::Text: {
        try {
            if (auto d = normalizeNumber(v.asText().toLatin1()))
                return *d;
        } catch (const RuntimeError &) {
        }
        refuse(f, v);
    }
    default: refuse(f, v);
    }
}

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS[.mmm]" (also with "T") as a date or a timestamp.
Variant parseDateText(const QString &text)
{
    const QString t = text.trimmed();
    const QDate date = QDate::fromString(t.left(10), Qt::ISODate);
    if (!date.isValid() || t.size() < 10)
        return {};
    if (t.size() == 10)
        return Variant::date(date);
    const QChar sep = t[10];
    if (sep != ' ' && sep != 'T')
        return {};
    const QString clock = t.mid(11);
    QTime time = QTime::fromString(clock, clock.contains('.') ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
    if (!time.isValid())
        return {};
    return Variant::dateTime(date, time.msecsSinceStartOfDay());
}

// The bytes of a value cut to `room`; text is cut before a character that
// would not fit whole.
QByteArray textBytes(const Variant &v, const TextCodec &text, int room, qint64 *replaced)
{
    if (v.kind() == Variant::Kind::Bytes)
        return v.asBytes().left(room);
    const QString s = v.toText();
    QStringView view(s);
    if (!text.singleByte())
        view = view.first(text.fittingPrefix(view, room));
    return text.encode(view, replaced).left(room);
}

} // namespace

QByteArray formatNumeric(const QString &plainDigits, int length, int decimals)
{
    QString s = plainDigits;
    bool negative = s.startsWith('-');
    if (negative)
        s.remove(0, 1);
    QString intPart = s.section('.', 0, 0);
    QString frac = s.section('.', 1);
    if (intPart.isEmpty())
        intPart = "0";
    // Round the fraction to `decimals` digits, half away from zero.
    QString digits = intPart + frac.leftJustified(decimals, '0').left(decimals);
    if (frac.size() > decimals && frac[decimals] >= '5') {
        int i = int(digits.size()) - 1;
        while (i >= 0 && digits[i] == '9')
            digits[i--] = '0';
        if (i < 0)
            digits.prepend('1');
        else
            digits[i] = QChar(digits[i].unicode() + 1);
    }
    QString whole = digits.left(digits.size() - decimals);
    const QString fraction = digits.right(decimals);
    while (whole.size() > 1 && whole.front() == '0')
        whole.remove(0, 1);
    if (negative && (whole + fraction).count('0') == (whole + fraction).size())
        negative = false; // no "-0.00"
    QString out = (negative ? "-" : "") + whole + (decimals > 0 ? "." + fraction : QString());
    if (out.size() > length)
        return QByteArray(length, '*');
    return out.rightJustified(length, ' ').toLatin1();
}

int encodeFixedField(char *at, const DbfField &f, const Variant &v, const TextCodec &text, qint64 *replaced)
{
    const int length = f.length;
    switch (f.type) {
    case 'C': {
        std::memset(at, ' ', size_t(length));
        if (!blank(v)) {
            const QByteArray bytes = textBytes(v, text, length, replaced);
            std::memcpy(at, bytes.constData(), size_t(bytes.size()));
        }
        return -1;
    }
    case 'V':
    case 'Q': {
        std::memset(at, f.type == 'V' ? ' ' : '\0', size_t(length));
        if (blank(v))
            return -1;
        const QByteArray bytes = f.type == 'Q' && v.kind() != Variant::Kind::Bytes
                                     ? v.toText().toLatin1().left(length)
                                     : textBytes(v, text, length, replaced);
        std::memcpy(at, bytes.constData(), size_t(bytes.size()));
        if (bytes.size() < length) {
            at[length - 1] = char(bytes.size());
            return int(bytes.size());
        }
        return -1;
    }
    case 'N':
    case 'F': {
        if (blank(v)) {
            std::memset(at, ' ', size_t(length));
            return -1;
        }
        const QByteArray stored = formatNumeric(digitsOf(f, v, f.decimals), length, f.decimals);
        std::memcpy(at, stored.constData(), size_t(length));
        return -1;
    }
    case 'I': {
        qint64 n = 0;
        if (!blank(v)) {
            try {
                n = v.toInteger();
            } catch (const RuntimeError &) {
                refuse(f, v);
            }
        }
        if (n < INT32_MIN || n > INT32_MAX)
            refuse(f, v);
        putU32LE(bytesOf(at), uint32_t(int32_t(n)));
        return -1;
    }
    case 'B': {
        double d = 0;
        if (!blank(v)) {
            try {
                d = v.toDouble();
            } catch (const RuntimeError &) {
                refuse(f, v);
            }
        }
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        putU64LE(bytesOf(at), bits);
        return -1;
    }
    case 'Y': {
        qint64 c = 0;
        if (v.kind() == Variant::Kind::Currency) {
            c = v.asCurrency();
        } else if (!blank(v)) {
            const QString digits = digitsOf(f, v, 4);
            const QByteArray fixed = formatNumeric(digits, 40, 4).trimmed();
            bool ok = false;
            c = QByteArray(fixed).replace(".", "").toLongLong(&ok);
            if (!ok)
                refuse(f, v);
        }
        putU64LE(bytesOf(at), uint64_t(c));
        return -1;
    }
    case 'D': {
        if (blank(v)) {
            std::memset(at, ' ', 8);
            return -1;
        }
        const Variant when = v.kind() == Variant::Kind::Text ? parseDateText(v.asText()) : v;
        if (when.kind() != Variant::Kind::Date && when.kind() != Variant::Kind::DateTime)
            refuse(f, v);
        const QDate d = when.asDate();
        if (d.year() < 1 || d.year() > 9999)
            refuse(f, v);
        const QByteArray s = d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
        std::memcpy(at, s.constData(), 8);
        return -1;
    }
    case 'T': {
        std::memset(at, 0, 8);
        if (blank(v))
            return -1;
        const Variant when = v.kind() == Variant::Kind::Text ? parseDateText(v.asText()) : v;
        if (when.kind() != Variant::Kind::Date && when.kind() != Variant::Kind::DateTime
            && when.kind() != Variant::Kind::Time)
            refuse(f, v);
        // A time alone sits on 1899-12-30, as Visual FoxPro stores it.
        const QDate day = when.kind() == Variant::Kind::Time ? QDate(1899, 12, 30) : when.asDate();
        const int ms = when.kind() == Variant::Kind::Date ? 0 : when.asMsOfDay();
        putU32LE(bytesOf(at), uint32_t(day.toJulianDay()));
        putU32LE(bytesOf(at) + 4, uint32_t(ms));
        return -1;
    }
    case 'L':
        if (blank(v))
            at[0] = ' ';
        else if (v.kind() == Variant::Kind::Boolean)
            at[0] = v.asBoolean() ? 'T' : 'F';
        else {
            const QString t = v.toText().trimmed().toUpper();
            if (t == "T" || t == "TRUE" || t == "Y" || t == ".T." || t == "1")
                at[0] = 'T';
            else if (t == "F" || t == "FALSE" || t == "N" || t == ".F." || t == "0")
                at[0] = 'F';
            else
                refuse(f, v);
        }
        return -1;
    default:
        throw RuntimeError(QStringLiteral("field %1: type %2 is not written").arg(f.name, QChar::fromLatin1(f.type)));
    }
}

} // namespace tw::foxpro
