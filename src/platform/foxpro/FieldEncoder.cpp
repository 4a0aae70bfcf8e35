#include "FieldEncoder.h"

#include "CodePageMarks.h"

#include "platform/ado/LostValues.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ado/ValueText.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/sql/FoxProLiteral.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace tw::foxpro {

using namespace encoding; // the byte codecs

using ado::Converted;
using ado::RuntimeError;
using ado::Variant;

namespace {

constexpr int kCurrencyDecimals = 4;
constexpr int kMsPerSecond = 1000;
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

bool onlyBlanks(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

// The bytes of a value cut to `room`; text is cut before a character that
// would not fit whole. *cut (when given) tells whether more than blanks were
// left out.
QByteArray textBytes(const Variant &v, const TextCodec &text, int room, qint64 *replaced, bool *cut = nullptr)
{
    if (v.kind() == Variant::Kind::Bytes) {
        if (cut)
            *cut = v.asBytes().size() > room;
        return v.asBytes().left(room);
    }
    // Text read from a table of this page is written as it was stored.
    if (const QByteArray *stored = v.storedBytesIn(text.codePage()); stored && stored->size() <= room) {
        if (cut)
            *cut = false;
        return *stored;
    }
    const QString s = v.toText();
    QStringView view(s);
    if (!text.singleByte()) {
        const qsizetype fitting = text.fittingPrefix(view, room);
        if (cut)
            *cut = !onlyBlanks(view.sliced(fitting));
        view = view.first(fitting);
    }
    QByteArray bytes = text.encode(view, replaced);
    if (cut && text.singleByte())
        *cut = bytes.size() > room && !onlyBlanks(QString::fromLatin1(bytes.sliced(room)));
    bytes.truncate(room);
    return bytes;
}

// Whether `rounded` stands for another number than the exact digits `digits`.
bool roundingChanged(const QString &digits, const QString &rounded)
{
    const qsizetype point = digits.indexOf(u'.');
    const int places = point < 0 ? 0 : int(digits.size() - point - 1);
    return ado::roundDecimal(digits, places) != ado::roundDecimal(rounded, places);
}

QString numericType(const DbfField &f)
{
    return QStringLiteral("%1(%2,%3)").arg(QChar::fromLatin1(f.type)).arg(f.length).arg(f.decimals);
}

void note(FieldChange *change, FieldChange::Kind kind, const QString &reason, const QString &after = {})
{
    change->kind = kind;
    change->reason = reason;
    change->after = after;
}

// A Y field's ten-thousandths for a value that is not currency already, and
// whether they stand for another number; nullopt when they pass its range.
std::optional<qint64> currencyUnits(const DbfField &f, const Variant &v, bool *changed)
{
    const QString digits = digitsOf(f, v);
    const QString rounded = ado::roundDecimal(digits, kCurrencyDecimals);
    const Converted<qint64> units = ado::wholeFromText(
        QString(rounded).remove(u'.'), std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    if (!units)
        return std::nullopt;
    // A double stands for its own number, not for its shortest text: 19.99 is
    // held as written, 0.1 + 0.2 is not.
    *changed = v.kind() == Variant::Kind::Double ? !ado::holdsExactly(rounded, v.asDouble())
                                                 : roundingChanged(digits, rounded);
    return units.value;
}

} // namespace

QByteArray formatNumeric(const QString &plainDigits, int length, int decimals)
{
    const QString out = ado::roundDecimal(plainDigits, decimals);
    if (out.size() > length)
        return QByteArray(length, '*');
    return out.rightJustified(length, ' ').toLatin1();
}

namespace {

int encodeValue(char *at, const DbfField &f, const Variant &v, const TextCodec &text, qint64 *replaced,
                FieldChange *change)
{
    const int length = f.length;
    // A text or binary field cut short: said when more than blanks went.
    const auto noteCut = [&](bool cut, const QByteArray &bytes) {
        if (!change || !cut)
            return;
        const QString after =
            v.kind() == Variant::Kind::Bytes ? ado::LostValues::describeBytes(bytes) : text.decode(bytes);
        note(change, FieldChange::Kind::Changed,
             QStringLiteral("longer than %1(%2) holds").arg(QChar::fromLatin1(f.type)).arg(length), after);
    };
    switch (f.type) {
    case 'C': {
        std::memset(at, ' ', size_t(length));
        if (!blank(v)) {
            bool cut = false;
            const QByteArray bytes = textBytes(v, text, length, replaced, &cut);
            std::memcpy(at, bytes.constData(), size_t(bytes.size()));
            noteCut(cut, bytes);
        }
        return -1;
    }
    case 'V':
    case 'Q': {
        std::memset(at, f.type == 'V' ? ' ' : '\0', size_t(length));
        if (blank(v))
            return -1;
        bool cut = false;
        const QByteArray bytes = f.type == 'Q' && v.kind() != Variant::Kind::Bytes
                                     ? v.toText().toLatin1().left(length)
                                     : textBytes(v, text, length, replaced, &cut);
        std::memcpy(at, bytes.constData(), size_t(bytes.size()));
        noteCut(cut, bytes);
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
        const QString digits = digitsOf(f, v);
        const QByteArray stored = formatNumeric(digits, length, f.decimals);
        if (change && stored.startsWith('*')) {
            // Asterisks would read as no number at all: the value is lost, and said so.
            std::memset(at, ' ', size_t(length));
            note(change, FieldChange::Kind::Lost, QStringLiteral("too wide for %1").arg(numericType(f)));
            return -1;
        }
        std::memcpy(at, stored.constData(), size_t(length));
        if (change && roundingChanged(digits, QString::fromLatin1(stored).trimmed()))
            note(change, FieldChange::Kind::Changed, QStringLiteral("more decimals than %1 holds").arg(numericType(f)),
                 QString::fromLatin1(stored).trimmed());
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
        // Exact digits a double cannot hold (a wide BCD value) are a change.
        if (change && v.kind() == Variant::Kind::Decimal && !ado::holdsExactly(v.asDecimal(), d))
            note(change, FieldChange::Kind::Changed, QStringLiteral("a B field holds a double"),
                 ado::Variant::real(d).toText());
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        putU64LE(bytesOf(at), bits);
        return -1;
    }
    case 'Y': {
        qint64 c = 0;
        if (v.kind() == Variant::Kind::Currency) {
            c = v.asCurrency();
        } else if (change && !blank(v)) {
            bool changed = false;
            const std::optional<qint64> units = currencyUnits(f, v, &changed);
            if (!units) {
                std::memset(at, 0, 8);
                note(change, FieldChange::Kind::Lost, QStringLiteral("outside the range of a Y field"));
                return -1;
            }
            c = *units;
            if (changed)
                note(change, FieldChange::Kind::Changed, QStringLiteral("a Y field holds four decimals"),
                     ado::formatCurrency(c));
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
        Variant when = taken(f, v, ado::dateTimeOf(v));
        if (change && when.asMsOfDay() % kMsPerSecond != 0) {
            when = sql::foxproWholeSeconds(when.asDate(), when.asMsOfDay());
            note(change, FieldChange::Kind::Changed, QStringLiteral("a T field keeps whole seconds"),
                 ado::formatDateTime(when.asDate(), when.asMsOfDay()));
        }
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

} // namespace

int encodeFixedField(char *at, const DbfField &f, const Variant &v, const TextCodec &text, qint64 *replaced,
                     FieldChange *change)
{
    try {
        return encodeValue(at, f, v, text, replaced, change);
    } catch (const RuntimeError &e) {
        if (!change)
            throw;
        // A value not of the field's kind or past its range (a date of the
        // year 10000, a NaN in N) is written blank and said, not the whole row refused.
        encodeValue(at, f, Variant::null(), text, replaced, nullptr);
        note(change, FieldChange::Kind::Lost, e.description());
        return -1;
    }
}

} // namespace tw::foxpro
