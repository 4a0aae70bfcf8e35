#pragma once
// ValueText: the one vocabulary in which a text stands for a number, a date, a
// time or a logical value, both ways: the text forms values are shown in, what
// a text must look like to be taken as such a value, and the conversions of a
// value of any kind that a target column applies (a text through the forms
// below). The table codecs and the work database call these; they hold only
// their byte layouts and ranges.
//
// Every text may have blanks around it. Read as
// - a number: an optional sign, digits with at most one ".", an optional
//   exponent ("e" or "E", optional sign, digits), "1,000" and "1,5" are no
//   numbers; a double also takes NaN, Inf and Infinity (any letter case, signed);
// - a whole number: a number rounded half away from zero, exactly;
// - a decimal: a number's exact digits, "[-]digits[.digits]", the exponent
//   applied, no leading zeros, the fraction digits kept as written;
// - a date: "[-]YYYY-M-D", a year of 4 to 9 digits ("-" for the years before
//   1, which has no year 0 before it), month and day of 1 or 2 digits, a day
//   the proleptic Gregorian calendar has;
// - a time: "H:MM[:SS[.fff]]", hours 0 to 23; digits past the millisecond are
//   dropped;
// - a date and time: a date, then "T" or blanks, then a time;
// - a logical: true, t, yes, y, .t. or false, f, no, n, .f. in any letter
//   case, or a number: 0 is false, any other true.

#include "Variant.h"

#include <QDate>
#include <QString>
#include <QStringView>

namespace tw::ado {

// Why a value could not be taken as the kind asked for.
enum class Refusal { None, NotOfKind, OutOfRange };

template <typename T> struct Converted {
    T value{};
    Refusal refusal = Refusal::None;
    explicit operator bool() const { return refusal == Refusal::None; }
};

// Text to a value, by the forms above.
Converted<double> doubleFromText(QStringView text);
// OutOfRange when the number, rounded, lies outside [min, max].
Converted<qint64> wholeFromText(QStringView text, qint64 min, qint64 max);
Converted<QString> decimalFromText(QStringView text);
// A Date, a Time or a DateTime, whichever the text spells.
Converted<Variant> dateOrTimeFromText(QStringView text);
Converted<bool> logicalFromText(QStringView text);

// A value as a target of that kind takes it. Numbers convert among
// themselves (True is -1, False 0), texts are read as above, nothing else
// converts; Null and Empty are refused (callers store them their own way).
Converted<double> doubleOf(const Variant &value);
Converted<qint64> wholeOf(const Variant &value, qint64 min, qint64 max);
// Exact digits: a double by its shortest text that reads back as the same
// double (1.0005 is "1.0005", though it lies just below it); a NaN or Inf is
// refused.
Converted<QString> decimalOf(const Variant &value);
Converted<bool> logicalOf(const Variant &value);
// The date of a Date or DateTime; a Time alone has none.
Converted<QDate> dateOf(const Variant &value);
// The time of day of a Time or DateTime, midnight for a Date.
Converted<int> timeOf(const Variant &value);
// A DateTime: a Date at midnight, a Time alone on timeOnlyDate().
Converted<Variant> dateTimeOf(const Variant &value);

// 1899-12-30, the day a time of day without a date is put on (day 0 of the
// Windows date).
QDate timeOnlyDate();

// Exact decimal digits ("[-]digits[.digits]", either side may be empty)
// rounded half away from zero to `decimals` fraction digits, with exactly that
// many; no "-" on a zero.
QString roundDecimal(QStringView digits, int decimals);

// Value to text: numbers with "." and no grouping (doubles in the shortest
// form that reads back exactly: plain digits between 1e-6 and 1e21, an
// exponent beyond; NaN, Infinity, -Infinity), currency exact without trailing
// fraction zeros, "YYYY-MM-DD" (years before 1000 with leading zeros, before 1
// with "-"), "HH:MM:SS" with ".mmm" only when the milliseconds are not zero,
// dates and times joined by a blank, "True"/"False". An invalid date is "".
QString formatDouble(double value);
// True when `value` reads back as the number the decimal text `decimal`
// stands for (its shortest text is the same number); for 15 significant
// digits or fewer, when it is the double nearest to it.
bool holdsExactly(QStringView decimal, double value);
QString formatCurrency(qint64 tenThousandths);
QString formatDate(const QDate &date);
QString formatTime(int msOfDay);
QString formatDateTime(const QDate &date, int msOfDay);
QString formatLogical(bool value);

// The same texts written into a caller's buffer, for texts given without an
// allocation (Variant::textView); each returns the end of what it wrote. A
// buffer of kShortTextRoom characters holds any of them but a long double.
inline constexpr qsizetype kShortTextRoom = 64;
char16_t *writeIntegerText(char16_t *out, qint64 value);
char16_t *writeCurrencyText(char16_t *out, qint64 tenThousandths);
// nullptr when the text would be longer than room characters.
char16_t *writeDoubleText(char16_t *out, double value, qsizetype room);
char16_t *writeDateText(char16_t *out, const QDate &date);
char16_t *writeTimeText(char16_t *out, int msOfDay);
char16_t *writeLogicalText(char16_t *out, bool value);

} // namespace tw::ado
