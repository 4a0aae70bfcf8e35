#include "ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tw::ado {

namespace {

constexpr qint64 kCurrencyUnits = 10000; // currency counts ten-thousandths
constexpr int kCurrencyDecimals = 4;
// A decimal whose exponent moves the point further than this is refused: no
// column holds hundreds of digits.
constexpr int kMaxExponent = 400;
constexpr int kMinYearDigits = 4;
constexpr int kMaxYearDigits = 9;
constexpr int kMsPerSecond = 1000;
constexpr int kMsPerMinute = 60 * kMsPerSecond;
constexpr int kMsPerHour = 60 * kMsPerMinute;
constexpr int kLongestDoubleText = 512;

template <typename T> Converted<T> refused(Refusal why)
{
    return Converted<T>{T{}, why};
}

template <typename T> Converted<T> accepted(T value)
{
    return Converted<T>{std::move(value), Refusal::None};
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int digitOf(QChar c)
{
    return c.unicode() - u'0';
}

bool equalsIgnoringCase(QStringView text, const char *word)
{
    return text.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
}

// ---- Numbers ----

// A number as written: its sign, the digits before and after the point, and
// the exponent.
struct WrittenNumber {
    bool negative = false;
    QStringView whole;
    QStringView fraction;
    int exponent = 0;
    bool exponentTooLarge = false;
};

// Reads [+-]digits[.digits][(e|E)[+-]digits] (digits on one side of the
// point at least); false when the text is anything else.
bool scanNumber(QStringView text, WrittenNumber &number)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        number.negative = text[i++] == u'-';
    const qsizetype wholeStart = i;
    while (i < n && isDigit(text[i]))
        ++i;
    number.whole = text.sliced(wholeStart, i - wholeStart);
    if (i < n && text[i] == u'.') {
        const qsizetype fractionStart = ++i;
        while (i < n && isDigit(text[i]))
            ++i;
        number.fraction = text.sliced(fractionStart, i - fractionStart);
    }
    if (number.whole.isEmpty() && number.fraction.isEmpty())
        return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            negativeExponent = text[i++] == u'-';
        const qsizetype exponentStart = i;
        int exponent = 0;
        while (i < n && isDigit(text[i])) {
            if (exponent <= kMaxExponent)
                exponent = exponent * 10 + digitOf(text[i]);
            ++i;
        }
        if (i == exponentStart)
            return false;
        number.exponentTooLarge = exponent > kMaxExponent;
        number.exponent = negativeExponent ? -exponent : exponent;
    }
    return i == n;
}

bool allZeros(QStringView digits)
{
    return std::all_of(digits.begin(), digits.end(), [](QChar c) { return c == u'0'; });
}

// The canonical exact text of a scanned number (the exponent not too large).
QString decimalText(const WrittenNumber &number)
{
    QString digits;
    digits.reserve(number.whole.size() + number.fraction.size() + 2);
    digits += number.whole;
    digits += number.fraction;
    qsizetype point = number.whole.size() + number.exponent;
    if (point < 0) {
        digits.prepend(QString(-point, u'0'));
        point = 0;
    }
    if (point > digits.size())
        digits.append(QString(point - digits.size(), u'0'));
    QStringView whole = QStringView(digits).first(point);
    const QStringView fraction = QStringView(digits).sliced(point);
    while (whole.size() > 1 && whole.front() == u'0')
        whole = whole.sliced(1);
    QString out;
    out.reserve(digits.size() + 3);
    if (number.negative && !(allZeros(whole) && allZeros(fraction)))
        out += u'-';
    if (whole.isEmpty())
        out += u'0';
    else
        out += whole;
    if (!fraction.isEmpty()) {
        out += u'.';
        out += fraction;
    }
    return out;
}

// Digits (no sign, no point) as a magnitude; false when beyond 64 bits.
bool magnitudeOf(QStringView digits, quint64 &value)
{
    value = 0;
    for (const QChar c : digits) {
        const quint64 digit = quint64(digitOf(c));
        if (value > (std::numeric_limits<quint64>::max() - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

// The whole number of the given sign and magnitude, when within [min, max].
Converted<qint64> wholeWithin(bool negative, quint64 magnitude, qint64 min, qint64 max)
{
    if (negative && magnitude != 0) {
        if (min >= 0 || magnitude > 0 - static_cast<quint64>(min))
            return refused<qint64>(Refusal::OutOfRange);
        const auto value = static_cast<qint64>(0 - magnitude);
        return value > max ? refused<qint64>(Refusal::OutOfRange) : accepted(value);
    }
    if (max < 0 || magnitude > static_cast<quint64>(max))
        return refused<qint64>(Refusal::OutOfRange);
    const auto value = static_cast<qint64>(magnitude);
    return value < min ? refused<qint64>(Refusal::OutOfRange) : accepted(value);
}

// A rounded canonical text ("[-]digits") as a whole number within [min, max].
Converted<qint64> wholeWithin(QStringView digits, qint64 min, qint64 max)
{
    const bool negative = digits.startsWith(u'-');
    quint64 magnitude = 0;
    if (!magnitudeOf(negative ? digits.sliced(1) : digits, magnitude))
        return refused<qint64>(Refusal::OutOfRange);
    return wholeWithin(negative, magnitude, min, max);
}

Converted<qint64> wholeOfDouble(double value, qint64 min, qint64 max)
{
    if (std::isnan(value))
        return refused<qint64>(Refusal::NotOfKind);
    const double rounded = std::round(value); // half away from zero
    // The closed range checked in doubles, whose ends may not be exact: a
    // value at the very end of the 64-bit range is refused rather than wrapped.
    if (!(rounded >= static_cast<double>(min) && rounded <= static_cast<double>(max)) ||
        rounded >= 9.2233720368547758e18 || rounded < -9.2233720368547758e18)
        return refused<qint64>(Refusal::OutOfRange);
    return accepted(static_cast<qint64>(rounded));
}

// ---- Dates and times ----

// Reads a date at text[i...]; moves i past it. NotOfKind when there is none.
Refusal scanDate(QStringView text, qsizetype &i, QDate &date)
{
    const qsizetype n = text.size();
    qsizetype at = i;
    const bool beforeYearOne = at < n && text[at] == u'-';
    if (beforeYearOne)
        ++at;
    const qsizetype yearStart = at;
    while (at < n && isDigit(text[at]))
        ++at;
    const qsizetype yearDigits = at - yearStart;
    if (yearDigits < kMinYearDigits || at >= n || text[at] != u'-')
        return Refusal::NotOfKind;
    if (yearDigits > kMaxYearDigits)
        return Refusal::OutOfRange;
    int year = 0;
    for (qsizetype k = yearStart; k < at; ++k)
        year = year * 10 + digitOf(text[k]);
    int monthAndDay[2] = {0, 0};
    for (int &value : monthAndDay) {
        if (at >= n || text[at] != u'-')
            return Refusal::NotOfKind;
        const qsizetype start = ++at;
        while (at < n && isDigit(text[at]) && at - start < 2)
            value = value * 10 + digitOf(text[at++]);
        if (at == start)
            return Refusal::NotOfKind;
    }
    date = QDate(beforeYearOne ? -year : year, monthAndDay[0], monthAndDay[1]);
    if (!date.isValid())
        return Refusal::NotOfKind;
    i = at;
    return Refusal::None;
}

// Reads a time of day at text[i...] to the end of the text.
bool scanTime(QStringView text, qsizetype i, int &msOfDay)
{
    const qsizetype n = text.size();
    const auto number = [&](int minDigits, int maxDigits, int &value) {
        const qsizetype start = i;
        value = 0;
        while (i < n && isDigit(text[i]) && i - start < maxDigits)
            value = value * 10 + digitOf(text[i++]);
        return i - start >= minDigits;
    };
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int ms = 0;
    if (!number(1, 2, hours) || i >= n || text[i++] != u':' || !number(2, 2, minutes))
        return false;
    if (i < n && text[i] == u':') {
        ++i;
        if (!number(2, 2, seconds))
            return false;
        if (i < n && text[i] == u'.') {
            const qsizetype start = ++i;
            while (i < n && isDigit(text[i])) {
                if (i - start < 3)
                    ms = ms * 10 + digitOf(text[i]);
                ++i;
            }
            if (i == start)
                return false;
            for (qsizetype k = i - start; k < 3; ++k)
                ms *= 10;
        }
    }
    if (i != n || hours > 23 || minutes > 59 || seconds > 59)
        return false;
    msOfDay = hours * kMsPerHour + minutes * kMsPerMinute + seconds * kMsPerSecond + ms;
    return true;
}

// ---- Writing ----

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

// The text of value padded with zeros to `width` characters, the sign inside
// the width, appended at out; returns the end.
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

char16_t *writeLatin1(char16_t *out, const char *text, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i)
        *out++ = static_cast<unsigned char>(text[i]);
    return out;
}

// Longest texts of a date (a sign and the 10 digits of an int for the year)
// and of a time of day.
constexpr qsizetype kMaxDateText = 1 + 10 + 6;
constexpr qsizetype kMaxTimeText = 2 + 6 + 4;
static_assert(kMaxDateText + 1 + kMaxTimeText <= kShortTextRoom);

// The shortest text of a double that is a whole number of ten-thousandths of
// at most 15 digits (money, amounts of a few decimals: most numbers a table
// holds), without the general search: the smallest count of decimals whose
// rounded number stands for the double exactly. Two decimals of 15 digits or
// fewer never stand for the same double, so no shorter text reads back as it,
// and the text is the one std::to_chars gives. nullptr for other doubles.
char16_t *writeFewDecimals(char16_t *out, double value)
{
    constexpr int kMostDecimals = 4;
    constexpr double kLargestExact = 1e15; // 15 digits
    if (value == 0 || !(std::fabs(value) < kLargestExact))
        return nullptr;
    double scale = 1;
    for (int decimals = 0; decimals <= kMostDecimals; ++decimals, scale *= 10) {
        const double scaled = std::nearbyint(value * scale);
        if (!(std::fabs(scaled) < kLargestExact))
            return nullptr;
        if (scaled / scale != value)
            continue;
        const quint64 magnitude = quint64(std::fabs(scaled));
        char16_t digits[24];
        char16_t *const end = digits + 24;
        char16_t *first = end;
        if (decimals > 0) {
            first = writeDigitsBackwards(first, magnitude % quint64(scale), decimals);
            *--first = u'.';
        }
        first = writeDigitsBackwards(first, magnitude / quint64(scale), 1);
        if (value < 0)
            *out++ = u'-';
        while (first != end)
            *out++ = *first++;
        return out;
    }
    return nullptr;
}

// An empty text is the null text, as the text of an invalid date has always been.
QString textOf(const char16_t *begin, const char16_t *end)
{
    if (begin == end)
        return {};
    return QString(reinterpret_cast<const QChar *>(begin), end - begin);
}

} // namespace

// ---- Text to value ----

Converted<double> doubleFromText(QStringView text)
{
    text = text.trimmed();
    QStringView word = text;
    const bool negative = word.startsWith(u'-');
    if (negative || word.startsWith(u'+'))
        word = word.sliced(1);
    if (!word.isEmpty() && word.front().isLetter()) {
        if (equalsIgnoringCase(word, "nan"))
            return accepted(std::numeric_limits<double>::quiet_NaN());
        if (equalsIgnoringCase(word, "inf") || equalsIgnoringCase(word, "infinity"))
            return accepted(negative ? -std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::infinity());
        return refused<double>(Refusal::NotOfKind);
    }
    WrittenNumber number;
    if (!scanNumber(text, number))
        return refused<double>(Refusal::NotOfKind);
    // The text is plain ASCII now; from_chars reads it without the locale,
    // from the stack for the usual lengths.
    const QStringView digits = text.sliced(text.startsWith(u'+') ? 1 : 0);
    constexpr qsizetype kOnStack = 64;
    char stack[kOnStack];
    std::string heap;
    char *ascii = stack;
    if (digits.size() > kOnStack) {
        heap.resize(size_t(digits.size()));
        ascii = heap.data();
    }
    for (qsizetype i = 0; i < digits.size(); ++i)
        ascii[i] = static_cast<char>(digits[i].unicode());
    double value = 0;
    const auto result = std::from_chars(ascii, ascii + digits.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return refused<double>(Refusal::OutOfRange);
    if (result.ec != std::errc{} || result.ptr != ascii + digits.size())
        return refused<double>(Refusal::NotOfKind);
    return accepted(value);
}

Converted<qint64> wholeFromText(QStringView text, qint64 min, qint64 max)
{
    text = text.trimmed();
    WrittenNumber number;
    if (!scanNumber(text, number))
        return refused<qint64>(Refusal::NotOfKind);
    if (number.exponentTooLarge) {
        // Zero stays zero; a point moved hundreds of places left of fewer
        // digits leaves less than one half.
        if ((allZeros(number.whole) && allZeros(number.fraction)) ||
            (number.exponent < 0 && number.whole.size() < kMaxExponent))
            return wholeWithin(false, 0, min, max);
        return refused<qint64>(Refusal::OutOfRange);
    }
    // Plain whole digits, the usual case, go straight to the range check.
    if (number.fraction.isEmpty() && number.exponent == 0) {
        quint64 magnitude = 0;
        if (!magnitudeOf(number.whole, magnitude))
            return refused<qint64>(Refusal::OutOfRange);
        return wholeWithin(number.negative, magnitude, min, max);
    }
    return wholeWithin(roundDecimal(decimalText(number), 0), min, max);
}

Converted<QString> decimalFromText(QStringView text)
{
    WrittenNumber number;
    if (!scanNumber(text.trimmed(), number))
        return refused<QString>(Refusal::NotOfKind);
    if (number.exponentTooLarge)
        return refused<QString>(Refusal::OutOfRange);
    return accepted(decimalText(number));
}

Converted<Variant> dateOrTimeFromText(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    QDate date;
    const Refusal dateRefusal = scanDate(text, i, date);
    if (dateRefusal == Refusal::OutOfRange)
        return refused<Variant>(Refusal::OutOfRange);
    int ms = 0;
    if (dateRefusal == Refusal::NotOfKind)
        return scanTime(text, 0, ms) ? accepted(Variant::time(ms)) : refused<Variant>(Refusal::NotOfKind);
    if (i == text.size())
        return accepted(Variant::date(date));
    if (text[i] == u'T') {
        ++i;
    } else {
        if (!text[i].isSpace())
            return refused<Variant>(Refusal::NotOfKind);
        while (i < text.size() && text[i].isSpace())
            ++i;
    }
    if (!scanTime(text, i, ms))
        return refused<Variant>(Refusal::NotOfKind);
    return accepted(Variant::dateTime(date, ms));
}

Converted<bool> logicalFromText(QStringView text)
{
    text = text.trimmed();
    for (const char *word : {"true", "t", "yes", "y", ".t."})
        if (equalsIgnoringCase(text, word))
            return accepted(true);
    for (const char *word : {"false", "f", "no", "n", ".f."})
        if (equalsIgnoringCase(text, word))
            return accepted(false);
    WrittenNumber number;
    if (!scanNumber(text, number))
        return refused<bool>(Refusal::NotOfKind);
    return accepted(!(allZeros(number.whole) && allZeros(number.fraction)));
}

// ---- Any value to a kind ----

Converted<double> doubleOf(const Variant &value)
{
    using Kind = Variant::Kind;
    switch (value.kind()) {
    case Kind::Integer:
        return accepted(static_cast<double>(value.asInteger()));
    case Kind::Double:
        return accepted(value.asDouble());
    case Kind::Currency:
        return accepted(static_cast<double>(value.asCurrency()) / double(kCurrencyUnits));
    case Kind::Boolean:
        return accepted(value.asBoolean() ? -1.0 : 0.0);
    case Kind::Decimal: {
        // Plain ASCII digits: read as they are, unless long or out of range.
        const QString &digits = value.asDecimal();
        constexpr qsizetype kOnStack = 64;
        if (digits.size() <= kOnStack) {
            char ascii[kOnStack];
            std::transform(digits.begin(), digits.end(), ascii, [](QChar c) { return char(c.unicode()); });
            double number = 0;
            const auto read = std::from_chars(ascii, ascii + digits.size(), number);
            if (read.ec == std::errc{} && read.ptr == ascii + digits.size())
                return accepted(number);
        }
        return doubleFromText(digits);
    }
    case Kind::Text:
        return doubleFromText(value.asText());
    default:
        return refused<double>(Refusal::NotOfKind);
    }
}

Converted<qint64> wholeOf(const Variant &value, qint64 min, qint64 max)
{
    using Kind = Variant::Kind;
    switch (value.kind()) {
    case Kind::Integer: {
        const qint64 n = value.asInteger();
        return n < min || n > max ? refused<qint64>(Refusal::OutOfRange) : accepted(n);
    }
    case Kind::Boolean:
        return wholeWithin(value.asBoolean(), value.asBoolean() ? 1 : 0, min, max);
    case Kind::Double:
        return wholeOfDouble(value.asDouble(), min, max);
    case Kind::Currency:
        return wholeWithin(roundDecimal(formatCurrency(value.asCurrency()), 0), min, max);
    case Kind::Decimal:
        return wholeFromText(value.asDecimal(), min, max);
    case Kind::Text:
        return wholeFromText(value.asText(), min, max);
    default:
        return refused<qint64>(Refusal::NotOfKind);
    }
}

Converted<QString> decimalOf(const Variant &value)
{
    using Kind = Variant::Kind;
    switch (value.kind()) {
    case Kind::Decimal:
        return accepted(value.asDecimal());
    case Kind::Integer:
        return accepted(QString::number(value.asInteger()));
    case Kind::Currency:
        return accepted(formatCurrency(value.asCurrency()));
    case Kind::Boolean:
        return accepted(value.asBoolean() ? QStringLiteral("-1") : QStringLiteral("0"));
    case Kind::Double: {
        const double d = value.asDouble();
        if (!std::isfinite(d))
            return refused<QString>(Refusal::NotOfKind);
        return decimalFromText(formatDouble(d));
    }
    case Kind::Text:
        return decimalFromText(value.asText());
    default:
        return refused<QString>(Refusal::NotOfKind);
    }
}

Converted<bool> logicalOf(const Variant &value)
{
    using Kind = Variant::Kind;
    switch (value.kind()) {
    case Kind::Boolean:
        return accepted(value.asBoolean());
    case Kind::Integer:
        return accepted(value.asInteger() != 0);
    case Kind::Currency:
        return accepted(value.asCurrency() != 0);
    case Kind::Double: {
        const double d = value.asDouble();
        return std::isnan(d) ? refused<bool>(Refusal::NotOfKind) : accepted(d != 0);
    }
    case Kind::Decimal:
        return logicalFromText(value.asDecimal());
    case Kind::Text:
        return logicalFromText(value.asText());
    default:
        return refused<bool>(Refusal::NotOfKind);
    }
}

Converted<QDate> dateOf(const Variant &value)
{
    switch (value.kind()) {
    case Variant::Kind::Date:
    case Variant::Kind::DateTime:
        return accepted(value.asDate());
    case Variant::Kind::Text: {
        const Converted<Variant> when = dateOrTimeFromText(value.asText());
        if (!when)
            return refused<QDate>(when.refusal);
        return dateOf(when.value);
    }
    default:
        return refused<QDate>(Refusal::NotOfKind);
    }
}

Converted<int> timeOf(const Variant &value)
{
    switch (value.kind()) {
    case Variant::Kind::Date:
        return accepted(0);
    case Variant::Kind::Time:
    case Variant::Kind::DateTime:
        return accepted(value.asMsOfDay());
    case Variant::Kind::Text: {
        const Converted<Variant> when = dateOrTimeFromText(value.asText());
        if (!when)
            return refused<int>(when.refusal);
        return timeOf(when.value);
    }
    default:
        return refused<int>(Refusal::NotOfKind);
    }
}

Converted<Variant> dateTimeOf(const Variant &value)
{
    switch (value.kind()) {
    case Variant::Kind::DateTime:
        return accepted(value);
    case Variant::Kind::Date:
        return accepted(Variant::dateTime(value.asDate(), 0));
    case Variant::Kind::Time:
        return accepted(Variant::dateTime(timeOnlyDate(), value.asMsOfDay()));
    case Variant::Kind::Text: {
        const Converted<Variant> when = dateOrTimeFromText(value.asText());
        if (!when)
            return when;
        return dateTimeOf(when.value);
    }
    default:
        return refused<Variant>(Refusal::NotOfKind);
    }
}

QDate timeOnlyDate()
{
    return QDate(1899, 12, 30);
}

QString roundDecimal(QStringView digits, int decimals)
{
    bool negative = false;
    if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
        negative = digits.front() == u'-';
        digits = digits.sliced(1);
    }
    const qsizetype point = digits.indexOf(u'.');
    const QStringView whole = point < 0 ? digits : digits.first(point);
    const QStringView fraction = point < 0 ? QStringView() : digits.sliced(point + 1);
    QString all;
    all.reserve(whole.size() + decimals + 2);
    all += whole;
    all += fraction.first(std::min<qsizetype>(fraction.size(), decimals));
    for (qsizetype k = fraction.size(); k < decimals; ++k)
        all += u'0';
    if (fraction.size() > decimals && fraction[decimals] >= u'5') {
        qsizetype k = all.size() - 1;
        for (; k >= 0 && all[k] == u'9'; --k)
            all[k] = u'0';
        if (k < 0)
            all.prepend(u'1');
        else
            all[k] = QChar(all[k].unicode() + 1);
    }
    qsizetype leadingZeros = 0;
    while (leadingZeros < all.size() - decimals - 1 && all[leadingZeros] == u'0')
        ++leadingZeros;
    all.remove(0, leadingZeros);
    if (all.size() < decimals + 1)
        all.prepend(QString(decimals + 1 - all.size(), u'0'));
    QString out;
    out.reserve(all.size() + 2);
    if (negative && !allZeros(all))
        out += u'-';
    out += QStringView(all).first(all.size() - decimals);
    if (decimals > 0) {
        out += u'.';
        out += QStringView(all).last(decimals);
    }
    return out;
}

// ---- Value to text ----

char16_t *writeIntegerText(char16_t *out, qint64 value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return writeLatin1(out, buffer, result.ptr - buffer);
}

char16_t *writeCurrencyText(char16_t *out, qint64 tenThousandths)
{
    const bool negative = tenThousandths < 0;
    const quint64 magnitude =
        negative ? 0 - static_cast<quint64>(tenThousandths) : static_cast<quint64>(tenThousandths);
    char16_t buffer[32];
    char16_t *const end = buffer + sizeof buffer / sizeof buffer[0];
    char16_t *first = end;
    quint64 fraction = magnitude % kCurrencyUnits;
    if (fraction != 0) {
        int digits = kCurrencyDecimals;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        first = writeDigitsBackwards(first, fraction, digits);
        *--first = u'.';
    }
    first = writeDigitsBackwards(first, magnitude / kCurrencyUnits, 1);
    if (negative)
        *out++ = u'-';
    while (first != end)
        *out++ = *first++;
    return out;
}

char16_t *writeDoubleText(char16_t *out, double value, qsizetype room)
{
    if (std::isnan(value))
        return writeLatin1(out, "NaN", 3);
    if (std::isinf(value))
        return value > 0 ? writeLatin1(out, "Infinity", 8) : writeLatin1(out, "-Infinity", 9);
    if (char16_t *end = room >= kShortTextRoom ? writeFewDecimals(out, value) : nullptr)
        return end;
    char buffer[kLongestDoubleText];
    const double magnitude = std::fabs(value);
    const auto format = (magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e21)) ? std::chars_format::fixed
                                                                                    : std::chars_format::general;
    const auto result = std::to_chars(buffer, buffer + std::min<qsizetype>(room, sizeof buffer), value, format);
    if (result.ec != std::errc{})
        return nullptr;
    return writeLatin1(out, buffer, result.ptr - buffer);
}

char16_t *writeDateText(char16_t *out, const QDate &date)
{
    if (!date.isValid())
        return out;
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    constexpr int kFourDigits = 10000;
    if (year >= 1 && year < kFourDigits) {
        // The years tables hold: four digits, written at once.
        const auto digit = [](int n) { return char16_t(u'0' + n); };
        *out++ = digit(year / 1000);
        *out++ = digit(year / 100 % 10);
        *out++ = digit(year / 10 % 10);
        *out++ = digit(year % 10);
        *out++ = u'-';
        *out++ = digit(month / 10);
        *out++ = digit(month % 10);
        *out++ = u'-';
        *out++ = digit(day / 10);
        *out++ = digit(day % 10);
        return out;
    }
    out = writePadded(out, year, year < 0 ? 5 : 4);
    *out++ = u'-';
    out = writePadded(out, month, 2);
    *out++ = u'-';
    return writePadded(out, day, 2);
}

char16_t *writeTimeText(char16_t *out, int msOfDay)
{
    const int ms = msOfDay % kMsPerSecond;
    const int seconds = msOfDay / kMsPerSecond;
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

char16_t *writeLogicalText(char16_t *out, bool value)
{
    return value ? writeLatin1(out, "True", 4) : writeLatin1(out, "False", 5);
}

QString formatDouble(double value)
{
    char16_t buffer[kLongestDoubleText];
    if (const char16_t *end = writeDoubleText(buffer, value, kLongestDoubleText))
        return textOf(buffer, end);
    return QString::number(value, 'g', 17);
}

bool holdsExactly(QStringView decimal, double value)
{
    constexpr qsizetype kSafeDigits = 15; // any decimal of 15 significant digits survives a double
    qsizetype digits = 0;
    bool plain = true;
    for (const QChar c : decimal) {
        if (c.isDigit())
            digits += digits > 0 || c != u'0';
        else
            plain = plain && (c == u'.' || c == u'-' || c == u'+' || c == u' ');
    }
    if (plain && digits <= kSafeDigits) {
        const Converted<double> d = doubleFromText(decimal);
        return d && d.value == value;
    }
    const Converted<QString> a = decimalFromText(decimal);
    const Converted<QString> b = decimalFromText(formatDouble(value));
    if (!a || !b)
        return false;
    const auto trimmed = [](QString text) {
        if (text.contains(u'.')) {
            while (text.endsWith(u'0'))
                text.chop(1);
            if (text.endsWith(u'.'))
                text.chop(1);
        }
        return text == u"-0" ? QStringLiteral("0") : text;
    };
    return trimmed(a.value) == trimmed(b.value);
}

QString formatCurrency(qint64 tenThousandths)
{
    char16_t buffer[kShortTextRoom];
    return textOf(buffer, writeCurrencyText(buffer, tenThousandths));
}

QString formatDate(const QDate &date)
{
    char16_t buffer[kMaxDateText];
    return textOf(buffer, writeDateText(buffer, date));
}

QString formatTime(int msOfDay)
{
    char16_t buffer[kMaxTimeText];
    return textOf(buffer, writeTimeText(buffer, msOfDay));
}

QString formatDateTime(const QDate &date, int msOfDay)
{
    char16_t buffer[kShortTextRoom];
    char16_t *out = writeDateText(buffer, date);
    *out++ = u' ';
    return textOf(buffer, writeTimeText(out, msOfDay));
}

QString formatLogical(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace tw::ado
