#include "FieldEncoder.h"

#include "CodePageMarks.h"

#include "platform/ado/RuntimeError.h"
#include "platform/ado/ValueText.h"
#include "platform/encoding/ByteCodec.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace tw::foxpro {

using namespace encoding; // the byte codecs

using ado::Converted;
using ado::RuntimeError;
using ado::Variant;

namespace {

constexpr int kCurrencyDecimals = 4;
constexpr int kFirstYear = 1; // a D field holds YYYYMMDD
constexpr int kLastYear = 9999;
constexpr qint64 kFirstDay = 1; // a T field's day number; 0 and below read as blank
constexpr qint64 kLastDay = std::numeric_limits<qint32>::max();

[[noreturn]] void refuse(const DbfField &f, const Variant &v)
{
    throw RuntimeError(QStringLiteral("field %1 (type %2) cannot hold the %3 value '%4'")
                           .arg(f.name, QChar::fromLatin1(f.type), QLatin1String(ado::kindName(v.kind())), v.toText()));
}

bool blank(const Variant &v)
{
    return v.isNull() || v.isEmpty();
}

template <typename T> T taken(const DbfField &f, const Variant &v, const Converted<T> &converted)
{
    if (!converted)
        refuse(f, v);
    return converted.value;
}

// Exact digits ("-12.5") of a numeric value, doubles as they are written.
QString digitsOf(const DbfField &f, const Variant &v)
{
    return taken(f, v, ado::decimalOf(v));
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
    const QString out = ado::roundDecimal(plainDigits, decimals);
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
        const QByteArray stored = formatNumeric(digitsOf(f, v), length, f.decimals);
        std::memcpy(at, stored.constData(), size_t(length));
        return -1;
    }
    case 'I': {
        const qint64 n =
            blank(v)
                ? 0
                : taken(f, v, ado::wholeOf(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
        putU32LE(bytesOf(at), uint32_t(int32_t(n)));
        return -1;
    }
    case 'B': {
        const double d = blank(v) ? 0 : taken(f, v, ado::doubleOf(v));
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
            // Ten-thousandths: the digits rounded to four places, without the point.
            const QString units = ado::roundDecimal(digitsOf(f, v), kCurrencyDecimals).remove(u'.');
            c = taken(
                f, v,
                ado::wholeFromText(units, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()));
        }
        putU64LE(bytesOf(at), uint64_t(c));
        return -1;
    }
    case 'D': {
        if (blank(v)) {
            std::memset(at, ' ', 8);
            return -1;
        }
        const QDate d = taken(f, v, ado::dateOf(v));
        if (d.year() < kFirstYear || d.year() > kLastYear)
            refuse(f, v);
        const QByteArray s = d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
        std::memcpy(at, s.constData(), 8);
        return -1;
    }
    case 'T': {
        std::memset(at, 0, 8);
        if (blank(v))
            return -1;
        // A time alone sits on 1899-12-30, as Visual FoxPro stores it.
        const Variant when = taken(f, v, ado::dateTimeOf(v));
        const qint64 day = when.asDate().toJulianDay();
        if (day < kFirstDay || day > kLastDay)
            refuse(f, v);
        putU32LE(bytesOf(at), uint32_t(day));
        putU32LE(bytesOf(at) + 4, uint32_t(when.asMsOfDay()));
        return -1;
    }
    case 'L':
        if (blank(v))
            at[0] = ' ';
        else
            at[0] = taken(f, v, ado::logicalOf(v)) ? 'T' : 'F';
        return -1;
    default:
        throw RuntimeError(QStringLiteral("field %1: type %2 is not written").arg(f.name, QChar::fromLatin1(f.type)));
    }
}

} // namespace tw::foxpro
