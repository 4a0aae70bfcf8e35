#include "FieldValues.h"

#include "CodePageMarks.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ado/ValueText.h"
#include "platform/encoding/ByteCodec.h"

#include <algorithm>

namespace tw::foxpro {

using namespace encoding; // the byte codecs

using ado::RuntimeError;
using ado::Variant;

namespace {

constexpr int kDateLength = 8;

bool isBlank(const char *bytes, int length)
{
    for (int i = 0; i < length; ++i)
        if (bytes[i] != ' ' && bytes[i] != '\0')
            return false;
    return true;
}

QString shown(const char *bytes, int length)
{
    return QString::fromLatin1(bytes, length);
}

Variant decodeDate(const DbfField &f, const char *bytes)
{
    bool allZero = true;
    for (int i = 0; i < kDateLength; ++i)
        if (bytes[i] != '0' && bytes[i] != ' ' && bytes[i] != '\0')
            allZero = false;
    if (allZero)
        return Variant::null();
    int ymd[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    int at = 0;
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < widths[k]; ++i, ++at) {
            const char c = bytes[at];
            if (c < '0' || c > '9')
                throw RuntimeError(
                    QStringLiteral("field %1 holds '%2', not a date").arg(f.name, shown(bytes, kDateLength)));
            ymd[k] = ymd[k] * 10 + (c - '0');
        }
    }
    const QDate date(ymd[0], ymd[1], ymd[2]);
    if (!date.isValid())
        throw RuntimeError(QStringLiteral("field %1 holds '%2', not a date").arg(f.name, shown(bytes, kDateLength)));
    return Variant::date(date);
}

Variant decodeDateTime(const DbfField &f, const char *bytes)
{
    if (isBlank(bytes, 8))
        return Variant::null();
    const unsigned char *p = bytesOf(bytes);
    const int32_t day = getI32LE(p);
    const uint32_t ms = getU32LE(p + sizeof(int32_t)); // after the day number
    if (day <= 0)
        return Variant::null();
    QDate date = QDate::fromJulianDay(day);
    // Some writers leave a whole day of milliseconds: it rolls into the next day.
    date = date.addDays(qint64(ms / uint32_t(Variant::kMsPerDay)));
    if (!date.isValid())
        throw RuntimeError(QStringLiteral("field %1 holds day %2, not a date").arg(f.name).arg(day));
    return Variant::dateTime(date, int(ms % uint32_t(Variant::kMsPerDay)));
}

Variant decodeLogical(const DbfField &f, char c)
{
    switch (c) {
    case 'T':
    case 't':
    case 'Y':
    case 'y':
        return Variant::boolean(true);
    case 'F':
    case 'f':
    case 'N':
    case 'n':
        return Variant::boolean(false);
    case ' ':
    case '?':
    case '\0':
        return Variant::null();
    default:
        throw RuntimeError(QStringLiteral("field %1 holds '%2', not a logical value").arg(f.name, shown(&c, 1)));
    }
}

} // namespace

namespace {

// The usual form, right-aligned digits with an optional sign and point
// ("   -12.50"), written into out as the canonical text without building the
// pieces; false when the bytes hold anything else, which the full parser
// then reads.
bool plainNumber(const char *bytes, qsizetype length, QString &out)
{
    qsizetype i = 0;
    while (i < length && bytes[i] == ' ')
        ++i;
    const bool negative = i < length && bytes[i] == '-';
    if (negative)
        ++i;
    const qsizetype intStart = i;
    while (i < length && bytes[i] >= '0' && bytes[i] <= '9')
        ++i;
    const qsizetype intEnd = i;
    qsizetype fracStart = i;
    qsizetype fracEnd = i;
    if (i < length && bytes[i] == '.') {
        fracStart = ++i;
        while (i < length && bytes[i] >= '0' && bytes[i] <= '9')
            ++i;
        fracEnd = i;
    }
    if (i != length || (intEnd == intStart && fracEnd == fracStart))
        return false;
    const qsizetype intDigits = intEnd - intStart;
    const qsizetype fracDigits = fracEnd - fracStart;
    out.resize((negative ? 1 : 0) + (intDigits == 0 ? 1 : intDigits) + (fracDigits > 0 ? fracDigits + 1 : 0));
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    if (negative)
        *o++ = u'-';
    if (intDigits == 0)
        *o++ = u'0';
    o = std::copy(bytes + intStart, bytes + intEnd, o);
    if (fracDigits > 0) {
        *o++ = u'.';
        std::copy(bytes + fracStart, bytes + fracEnd, o);
    }
    return true;
}

} // namespace

std::optional<QString> normalizeNumber(const char *bytes, qsizetype length)
{
    QString plain;
    if (plainNumber(bytes, length, plain))
        return plain;
    return normalizeNumber(QByteArray(bytes, length));
}

std::optional<QString> normalizeNumber(const QByteArray &stored)
{
    // Other writers leave blanks and NULs inside the digits and a comma for the point.
    QByteArray s;
    s.reserve(stored.size());
    for (char c : stored)
        if (c != ' ' && c != '\0')
            s.append(c == ',' ? '.' : c);
    if (s.isEmpty() || s.count('*') == s.size())
        return std::nullopt;
    if (s == "-" || s == "+" || s == "." || s == "-.")
        return std::nullopt; // a sign or point alone: nothing stored
    const ado::Converted<QString> digits = ado::decimalFromText(QString::fromLatin1(s));
    if (!digits)
        throw RuntimeError(QStringLiteral("'%1' is not a number").arg(QString::fromLatin1(stored.trimmed())));
    return digits.value;
}

ado::ColumnInfo columnInfoOf(const DbfField &f)
{
    ado::ColumnInfo info;
    info.definedSize = f.length;
    info.formatType = f.type;
    info.autoIncrement = f.autoIncrement();
    switch (f.type) {
    case 'C':
        info.type = f.binary() ? ado::adBinary : ado::adChar;
        break;
    case 'V':
        info.type = ado::adVarChar;
        break;
    case 'Q':
        info.type = ado::adVarBinary;
        break;
    case 'M':
        info.type = f.binary() ? ado::adLongVarBinary : ado::adLongVarChar;
        info.definedSize = 0;
        break;
    case 'G':
    case 'W':
    case 'P':
        info.type = ado::adLongVarBinary;
        info.definedSize = 0;
        break;
    case 'N':
    case 'F':
        info.type = ado::adNumeric;
        info.precision = f.length;
        info.numericScale = f.decimals;
        break;
    case 'I':
        info.type = ado::adInteger;
        info.precision = 10;
        break;
    case 'B':
        info.type = ado::adDouble;
        info.precision = 15;
        info.numericScale = f.decimals;
        break;
    case 'Y':
        info.type = ado::adCurrency;
        info.precision = 19;
        info.numericScale = 4;
        break;
    case 'D':
        info.type = ado::adDate;
        break;
    case 'T':
        info.type = ado::adDBTimeStamp;
        break;
    case 'L':
        info.type = ado::adBoolean;
        break;
    default:
        info.type = ado::adBinary;
        break;
    }
    return info;
}

uint32_t memoBlockOf(const DbfField &f, const char *bytes)
{
    if (f.length == int(sizeof(uint32_t)))
        return getU32LE(bytesOf(bytes)); // Visual FoxPro: binary block number
    uint32_t block = 0;
    for (int i = 0; i < f.length; ++i) {
        const char c = bytes[i];
        if (c == ' ' || c == '\0')
            continue;
        if (c < '0' || c > '9' || block > (0xFFFFFFFFu - 9) / 10)
            throw RuntimeError(
                QStringLiteral("field %1 holds '%2', not a memo pointer").arg(f.name, shown(bytes, f.length)));
        block = block * 10 + uint32_t(c - '0');
    }
    return block;
}

QByteArrayView storedText(const DbfField &f, const char *bytes, int length)
{
    int end = length;
    while (f.type == 'C' && end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0'))
        --end;
    return QByteArrayView(bytes, end);
}

void decodeFixedField(const DbfField &f, const char *bytes, int length, const TextCodec &text, Variant &out)
{
    switch (f.type) {
    case 'C': {
        if (f.binary()) {
            out = Variant::bytes(QByteArray(bytes, length));
            return;
        }
        [[fallthrough]];
    }
    case 'V': {
        const QByteArrayView stored = storedText(f, bytes, length);
        text.decode(stored.data(), stored.size(), out.textToFill(stored.size()));
        return;
    }
    case 'N':
    case 'F': {
        if (plainNumber(bytes, length, out.textToFill(length + 2, Variant::Kind::Decimal)))
            return;
        try {
            const auto digits = normalizeNumber(QByteArray(bytes, length));
            out = digits ? Variant::decimal(*digits) : Variant::null();
        } catch (const RuntimeError &e) {
            throw RuntimeError(QStringLiteral("field %1: %2").arg(f.name, e.description()));
        }
        return;
    }
    default:
        out = decodeFixedField(f, bytes, length, text);
        return;
    }
}

Variant decodeFixedField(const DbfField &f, const char *bytes, int length, const TextCodec &text)
{
    switch (f.type) {
    case 'C':
    case 'V':
    case 'N':
    case 'F': {
        Variant value;
        decodeFixedField(f, bytes, length, text, value);
        return value;
    }
    case 'Q':
        return Variant::bytes(QByteArray(bytes, length));
    case 'I':
        return Variant::integer(getI32LE(bytesOf(bytes)));
    case 'B':
        return Variant::real(getF64LE(bytesOf(bytes)));
    case 'Y':
        return Variant::currency(getI64LE(bytesOf(bytes)));
    case 'D':
        return decodeDate(f, bytes);
    case 'T':
        return decodeDateTime(f, bytes);
    case 'L':
        return decodeLogical(f, bytes[0]);
    default:
        return Variant::bytes(QByteArray(bytes, length));
    }
}

} // namespace tw::foxpro
