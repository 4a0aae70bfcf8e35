// The one vocabulary of value texts: every form a text is accepted in or
// refused, each reading of one text side by side, the ranges of whole numbers
// and of dates, and the conversions of typed values the targets apply.

#include "platform/ado/ValueText.h"

#include <QTest>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>

using tw::ado::Converted;
using tw::ado::Refusal;
using tw::ado::Variant;
Q_DECLARE_METATYPE(tw::ado::Variant)

namespace {

constexpr int kHour = 3600000;
constexpr int kMinute = 60000;
constexpr qint64 kInt64Max = std::numeric_limits<qint64>::max();
constexpr qint64 kInt64Min = std::numeric_limits<qint64>::min();

// An outcome as the tables write it: the value's text, "-" for a text that is
// no value of the kind, "range" for one out of range.
template <typename T, typename Show> QString outcome(const Converted<T> &converted, Show show)
{
    if (converted.refusal == Refusal::NotOfKind)
        return QStringLiteral("-");
    if (converted.refusal == Refusal::OutOfRange)
        return QStringLiteral("range");
    return show(converted.value);
}

QString shown(double value)
{
    return tw::ado::formatDouble(value);
}

QString shown(qint64 value)
{
    return QString::number(value);
}

QString shown(const QString &value)
{
    return value;
}

QString shown(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString shown(const Variant &value)
{
    return QLatin1String(tw::ado::kindName(value.kind())) + u' ' + value.toText();
}

template <typename T> QString outcome(const Converted<T> &converted)
{
    return outcome(converted, [](const T &value) { return shown(value); });
}

QString outcome(const Converted<QDate> &converted)
{
    return outcome(converted, [](const QDate &date) { return tw::ado::formatDate(date); });
}

QString outcome(const Converted<int> &converted)
{
    return outcome(converted, [](int ms) { return tw::ado::formatTime(ms); });
}

} // namespace

class ValueTextTest : public QObject {
    Q_OBJECT
private slots:
    void numbersAndLogicals_data();
    void numbersAndLogicals();
    void wholeNumberLimits_data();
    void wholeNumberLimits();
    void datesAndTimes_data();
    void datesAndTimes();
    void textFormsReadBack_data();
    void textFormsReadBack();
    void valuesConvertToEachKind_data();
    void valuesConvertToEachKind();
    void decimalsRoundHalfAwayFromZero_data();
    void decimalsRoundHalfAwayFromZero();
    void decimalsADoubleHolds_data();
    void decimalsADoubleHolds();
    void doubleTextsAreTheShortest();
};

void ValueTextTest::numbersAndLogicals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("real");
    QTest::addColumn<QString>("whole");
    QTest::addColumn<QString>("logical");
    // text, as a decimal, as a double, as a whole number (64 bits), as a logical
    QTest::newRow("digits") << "12"
                            << "12"
                            << "12"
                            << "12"
                            << "true";
    QTest::newRow("blanks around") << " \t-12.50 "
                                   << "-12.50"
                                   << "-12.5"
                                   << "-13"
                                   << "true";
    QTest::newRow("plus sign") << "+7"
                               << "7"
                               << "7"
                               << "7"
                               << "true";
    QTest::newRow("leading zeros") << "007.5"
                                   << "7.5"
                                   << "7.5"
                                   << "8"
                                   << "true";
    QTest::newRow("no whole digits") << ".5"
                                     << "0.5"
                                     << "0.5"
                                     << "1"
                                     << "true";
    QTest::newRow("no fraction digits") << "5."
                                        << "5"
                                        << "5"
                                        << "5"
                                        << "true";
    QTest::newRow("zero") << "0"
                          << "0"
                          << "0"
                          << "0"
                          << "false";
    QTest::newRow("negative zero") << "-0.0"
                                   << "0.0"
                                   << "-0"
                                   << "0"
                                   << "false";
    QTest::newRow("half rounds away") << "-2.5"
                                      << "-2.5"
                                      << "-2.5"
                                      << "-3"
                                      << "true";
    QTest::newRow("below half, exactly") << "2.4999999999999999999"
                                         << "2.4999999999999999999"
                                         << "2.5"
                                         << "2"
                                         << "true";
    QTest::newRow("exponent") << "1e3"
                              << "1000"
                              << "1000"
                              << "1000"
                              << "true";
    QTest::newRow("negative exponent") << "1.5E-3"
                                       << "0.0015"
                                       << "0.0015"
                                       << "0"
                                       << "true";
    QTest::newRow("signed exponent") << "-25e+1"
                                     << "-250"
                                     << "-250"
                                     << "-250"
                                     << "true";
    QTest::newRow("int64 max") << "9223372036854775807"
                               << "9223372036854775807"
                               << "9223372036854775808"
                               << "9223372036854775807"
                               << "true";
    QTest::newRow("past int64 max") << "9223372036854775808"
                                    << "9223372036854775808"
                                    << "9223372036854775808"
                                    << "range"
                                    << "true";
    QTest::newRow("int64 min") << "-9223372036854775808"
                               << "-9223372036854775808"
                               << "-9223372036854775808"
                               << "-9223372036854775808"
                               << "true";
    QTest::newRow("whole past 64 bits") << "1e19"
                                        << "10000000000000000000"
                                        << "10000000000000000000"
                                        << "range"
                                        << "true";
    QTest::newRow("exponent past 400") << "1e401"
                                       << "range"
                                       << "range"
                                       << "range"
                                       << "true";
    QTest::newRow("beyond a double") << "1e400" << QString(1, u'1') + QString(400, u'0') << "range"
                                     << "range"
                                     << "true";
    QTest::newRow("tiny exponent") << "5e-401"
                                   << "range"
                                   << "range"
                                   << "0"
                                   << "true";
    QTest::newRow("not a number") << "NaN"
                                  << "-"
                                  << "NaN"
                                  << "-"
                                  << "-";
    QTest::newRow("infinity") << "-Infinity"
                              << "-"
                              << "-Infinity"
                              << "-"
                              << "-";
    QTest::newRow("inf") << "+inf"
                         << "-"
                         << "Infinity"
                         << "-"
                         << "-";
    for (const char *refused : {"", "   ", "+", "-", ".", "-.", "1,5", "1,000", "1 000", "12abc", "0x10", "1e", "1e+",
                                "--1", "1.2.3", "e5", "$5", "5%"})
        QTest::newRow(qPrintable(QStringLiteral("refused '%1'").arg(QLatin1String(refused))))
            << QString::fromLatin1(refused) << "-"
            << "-"
            << "-"
            << "-";
    QTest::newRow("refused arabic-indic digits") << QString::fromUtf8("١٢") << "-"
                                                 << "-"
                                                 << "-"
                                                 << "-";
    QTest::newRow("refused full-width digits") << QString::fromUtf8("１２") << "-"
                                               << "-"
                                               << "-"
                                               << "-";
    for (const char *yes : {"True", "t", "YES", " y ", ".T.", ".t."})
        QTest::newRow(qPrintable(QStringLiteral("true '%1'").arg(QLatin1String(yes))))
            << QString::fromLatin1(yes) << "-"
            << "-"
            << "-"
            << "true";
    for (const char *no : {"FALSE", "f", "No", "N", ".F.", ".f."})
        QTest::newRow(qPrintable(QStringLiteral("false '%1'").arg(QLatin1String(no)))) << QString::fromLatin1(no) << "-"
                                                                                       << "-"
                                                                                       << "-"
                                                                                       << "false";
    for (const char *neither : {"maybe", "on", "off", "ja", "T.", "truth"})
        QTest::newRow(qPrintable(QStringLiteral("no logical '%1'").arg(QLatin1String(neither))))
            << QString::fromLatin1(neither) << "-"
            << "-"
            << "-"
            << "-";
}

void ValueTextTest::numbersAndLogicals()
{
    QFETCH(QString, text);
    QFETCH(QString, decimal);
    QFETCH(QString, real);
    QFETCH(QString, whole);
    QFETCH(QString, logical);
    QCOMPARE(outcome(tw::ado::decimalFromText(text)), decimal);
    QCOMPARE(outcome(tw::ado::doubleFromText(text)), real);
    QCOMPARE(outcome(tw::ado::wholeFromText(text, kInt64Min, kInt64Max)), whole);
    QCOMPARE(outcome(tw::ado::logicalFromText(text)), logical);
    // A text value converts as its text reads.
    QCOMPARE(outcome(tw::ado::decimalOf(Variant::text(text))), decimal);
    QCOMPARE(outcome(tw::ado::logicalOf(Variant::text(text))), logical);
}

void ValueTextTest::wholeNumberLimits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("min");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<QString>("expected");
    constexpr qint64 kShort = 32767;
    constexpr qint64 kIntMin = std::numeric_limits<qint32>::min();
    constexpr qint64 kIntMax = std::numeric_limits<qint32>::max();
    QTest::newRow("short max") << "32767" << -kShort << kShort << "32767";
    QTest::newRow("past short max") << "32768" << -kShort << kShort << "range";
    QTest::newRow("short min") << "-32767" << -kShort << kShort << "-32767";
    QTest::newRow("past short min") << "-32768" << -kShort << kShort << "range";
    QTest::newRow("rounds down into range") << "32767.4" << -kShort << kShort << "32767";
    QTest::newRow("rounds up out of range") << "32767.5" << -kShort << kShort << "range";
    QTest::newRow("int min") << "-2147483648" << kIntMin << kIntMax << "-2147483648";
    QTest::newRow("past int max") << "2147483648" << kIntMin << kIntMax << "range";
    QTest::newRow("past int max by exponent") << "2.2e9" << kIntMin << kIntMax << "range";
    QTest::newRow("negative rounding to zero") << "-0.4" << qint64(0) << qint64(10) << "0";
    QTest::newRow("negative below zero") << "-1" << qint64(0) << qint64(10) << "range";
    QTest::newRow("above a positive floor") << "3" << qint64(5) << qint64(10) << "range";
    QTest::newRow("below a negative ceiling") << "-3" << qint64(-10) << qint64(-5) << "range";
    QTest::newRow("zero below a negative ceiling") << "0" << qint64(-10) << qint64(-5) << "range";
}

void ValueTextTest::wholeNumberLimits()
{
    QFETCH(QString, text);
    QFETCH(qint64, min);
    QFETCH(qint64, max);
    QFETCH(QString, expected);
    QCOMPARE(outcome(tw::ado::wholeFromText(text, min, max)), expected);
    QCOMPARE(outcome(tw::ado::wholeOf(Variant::text(text), min, max)), expected);
}

void ValueTextTest::datesAndTimes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("date") << "2024-02-29"
                          << "date 2024-02-29";
    QTest::newRow("date, one-digit month and day") << " 2024-2-9 "
                                                   << "date 2024-02-09";
    QTest::newRow("year 1") << "0001-01-01"
                            << "date 0001-01-01";
    QTest::newRow("year before 1") << "-0001-12-31"
                                   << "date -0001-12-31";
    QTest::newRow("Julian day 0") << "-4714-11-24"
                                  << "date -4714-11-24";
    QTest::newRow("far before") << "-12345-06-07"
                                << "date -12345-06-07";
    QTest::newRow("year 9999") << "9999-12-31"
                               << "date 9999-12-31";
    QTest::newRow("year 10000") << "10000-01-01"
                                << "date 10000-01-01";
    QTest::newRow("nine-digit year") << "123456789-01-01"
                                     << "date 123456789-01-01";
    QTest::newRow("ten-digit year") << "1234567890-01-01"
                                    << "range";
    QTest::newRow("no year 0") << "0000-01-01"
                               << "-";
    QTest::newRow("no 29 February 2023") << "2023-02-29"
                                         << "-";
    QTest::newRow("month 13") << "2024-13-01"
                              << "-";
    QTest::newRow("month 0") << "2024-00-10"
                             << "-";
    QTest::newRow("day 32") << "2024-01-32"
                            << "-";
    QTest::newRow("three-digit day") << "2024-01-011"
                                     << "-";
    QTest::newRow("two-digit year") << "99-01-01"
                                    << "-";
    QTest::newRow("slashes") << "2024/01/01"
                             << "-";
    QTest::newRow("day first") << "01.02.2024"
                               << "-";
    QTest::newRow("no day") << "2024-01"
                            << "-";
    QTest::newRow("date and more") << "2024-01-01x"
                                   << "-";
    QTest::newRow("time") << "13:05"
                          << "time 13:05:00";
    QTest::newRow("midnight, one-digit hour") << "0:00"
                                              << "time 00:00:00";
    QTest::newRow("last millisecond") << "23:59:59.999"
                                      << "time 23:59:59.999";
    QTest::newRow("tenths") << "1:02:03.4"
                            << "time 01:02:03.400";
    QTest::newRow("past the millisecond, dropped") << "12:00:00.123956"
                                                   << "time 12:00:00.123";
    QTest::newRow("hour 24") << "24:00"
                             << "-";
    QTest::newRow("minute 60") << "12:60"
                               << "-";
    QTest::newRow("second 60") << "12:00:60"
                               << "-";
    QTest::newRow("one-digit minute") << "12:5"
                                      << "-";
    QTest::newRow("point without digits") << "12:00:00."
                                          << "-";
    QTest::newRow("three-digit hour") << "123:00"
                                      << "-";
    QTest::newRow("fraction without seconds") << "12:00.5"
                                              << "-";
    QTest::newRow("twelve-hour clock") << "1:00 PM"
                                       << "-";
    QTest::newRow("date and time") << "2024-02-29 13:05:09"
                                   << "date and time 2024-02-29 13:05:09";
    QTest::newRow("date T time") << "2024-02-29T13:05:09.5"
                                 << "date and time 2024-02-29 13:05:09.500";
    QTest::newRow("blanks between") << "2024-02-29   13:05"
                                    << "date and time 2024-02-29 13:05:00";
    QTest::newRow("T and blank") << "2024-02-29T 13:05"
                                 << "-";
    QTest::newRow("bad time after a date") << "2024-02-29 25:00"
                                           << "-";
    QTest::newRow("far date and time") << "-0001-12-31 23:59:59.999"
                                       << "date and time -0001-12-31 23:59:59.999";
    QTest::newRow("date and time past 9999") << "10000-12-31 00:00:00.001"
                                             << "date and time 10000-12-31 00:00:00.001";
    QTest::newRow("empty") << ""
                           << "-";
    QTest::newRow("number") << "20240229"
                            << "-";
}

void ValueTextTest::datesAndTimes()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(outcome(tw::ado::dateOrTimeFromText(text)), expected);
}

void ValueTextTest::textFormsReadBack_data()
{
    QTest::addColumn<Variant>("value");
    QTest::newRow("integer") << Variant::integer(kInt64Min);
    QTest::newRow("double") << Variant::real(0.1 + 0.2);
    QTest::newRow("double tiny") << Variant::real(-1.5e-7);
    QTest::newRow("double huge") << Variant::real(1.7976931348623157e308);
    QTest::newRow("double infinite") << Variant::real(-std::numeric_limits<double>::infinity());
    QTest::newRow("currency") << Variant::currency(-5);
    QTest::newRow("decimal") << Variant::decimal("-12.50");
    QTest::newRow("date before 1") << Variant::date(QDate(-12345, 6, 7));
    QTest::newRow("date after 9999") << Variant::date(QDate(10000, 1, 1));
    QTest::newRow("time") << Variant::time(Variant::kMsPerDay - 1);
    QTest::newRow("date and time") << Variant::dateTime(QDate(1899, 12, 30), 10);
    QTest::newRow("true") << Variant::boolean(true);
    QTest::newRow("false") << Variant::boolean(false);
}

// What one value writes, the same vocabulary reads back as that value.
void ValueTextTest::textFormsReadBack()
{
    QFETCH(Variant, value);
    const QString text = value.toText();
    switch (value.kind()) {
    case Variant::Kind::Integer:
        QCOMPARE(tw::ado::wholeFromText(text, kInt64Min, kInt64Max).value, value.asInteger());
        break;
    case Variant::Kind::Double:
        QCOMPARE(tw::ado::doubleFromText(text).value, value.asDouble());
        break;
    case Variant::Kind::Currency:
        QCOMPARE(tw::ado::decimalFromText(text).value, tw::ado::formatCurrency(value.asCurrency()));
        break;
    case Variant::Kind::Decimal:
        QCOMPARE(tw::ado::decimalFromText(text).value, value.asDecimal());
        break;
    case Variant::Kind::Boolean:
        QCOMPARE(tw::ado::logicalFromText(text).value, value.asBoolean());
        break;
    default:
        QCOMPARE(tw::ado::dateOrTimeFromText(text).value, value);
    }
}

void ValueTextTest::valuesConvertToEachKind_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("real");
    QTest::addColumn<QString>("whole");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("logical");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("dateTime");
    const QDate day(2024, 1, 2);
    const int clock = 3 * kHour + 4 * kMinute;
    QTest::newRow("true") << Variant::boolean(true) << "-1"
                          << "-1"
                          << "-1"
                          << "true"
                          << "-"
                          << "-"
                          << "-";
    QTest::newRow("false") << Variant::boolean(false) << "0"
                           << "0"
                           << "0"
                           << "false"
                           << "-"
                           << "-"
                           << "-";
    QTest::newRow("integer") << Variant::integer(2) << "2"
                             << "2"
                             << "2"
                             << "true"
                             << "-"
                             << "-"
                             << "-";
    QTest::newRow("currency half") << Variant::currency(25000) << "2.5"
                                   << "3"
                                   << "2.5"
                                   << "true"
                                   << "-"
                                   << "-"
                                   << "-";
    QTest::newRow("currency below half") << Variant::currency(-24999) << "-2.4999"
                                         << "-2"
                                         << "-2.4999"
                                         << "true"
                                         << "-"
                                         << "-"
                                         << "-";
    QTest::newRow("currency max") << Variant::currency(kInt64Max) << "922337203685477.6"
                                  << "922337203685478"
                                  << "922337203685477.5807"
                                  << "true"
                                  << "-"
                                  << "-"
                                  << "-";
    QTest::newRow("double half") << Variant::real(-2.5) << "-2.5"
                                 << "-3"
                                 << "-2.5"
                                 << "true"
                                 << "-"
                                 << "-"
                                 << "-";
    QTest::newRow("double as written") << Variant::real(1.0005) << "1.0005"
                                       << "1"
                                       << "1.0005"
                                       << "true"
                                       << "-"
                                       << "-"
                                       << "-";
    QTest::newRow("double huge") << Variant::real(1e21) << "1e+21"
                                 << "range"
                                 << "1000000000000000000000"
                                 << "true"
                                 << "-"
                                 << "-"
                                 << "-";
    QTest::newRow("double tiny") << Variant::real(1e-7) << "1e-07"
                                 << "0"
                                 << "0.0000001"
                                 << "true"
                                 << "-"
                                 << "-"
                                 << "-";
    QTest::newRow("double zero") << Variant::real(0.0) << "0"
                                 << "0"
                                 << "0"
                                 << "false"
                                 << "-"
                                 << "-"
                                 << "-";
    QTest::newRow("double NaN") << Variant::real(std::nan("")) << "NaN"
                                << "-"
                                << "-"
                                << "-"
                                << "-"
                                << "-"
                                << "-";
    QTest::newRow("double infinite") << Variant::real(HUGE_VAL) << "Infinity"
                                     << "range"
                                     << "-"
                                     << "true"
                                     << "-"
                                     << "-"
                                     << "-";
    QTest::newRow("decimal") << Variant::decimal("-0.50") << "-0.5"
                             << "-1"
                             << "-0.50"
                             << "true"
                             << "-"
                             << "-"
                             << "-";
    QTest::newRow("date") << Variant::date(day) << "-"
                          << "-"
                          << "-"
                          << "-"
                          << "2024-01-02"
                          << "00:00:00"
                          << "date and time 2024-01-02 00:00:00";
    QTest::newRow("time") << Variant::time(clock) << "-"
                          << "-"
                          << "-"
                          << "-"
                          << "-"
                          << "03:04:00"
                          << "date and time 1899-12-30 03:04:00";
    QTest::newRow("date and time") << Variant::dateTime(day, clock) << "-"
                                   << "-"
                                   << "-"
                                   << "-"
                                   << "2024-01-02"
                                   << "03:04:00"
                                   << "date and time 2024-01-02 03:04:00";
    QTest::newRow("text date and time") << Variant::text("2024-01-02 03:04") << "-"
                                        << "-"
                                        << "-"
                                        << "-"
                                        << "2024-01-02"
                                        << "03:04:00"
                                        << "date and time 2024-01-02 03:04:00";
    QTest::newRow("text time") << Variant::text(" 03:04 ") << "-"
                               << "-"
                               << "-"
                               << "-"
                               << "-"
                               << "03:04:00"
                               << "date and time 1899-12-30 03:04:00";
    QTest::newRow("text number") << Variant::text("1e2") << "100"
                                 << "100"
                                 << "100"
                                 << "true"
                                 << "-"
                                 << "-"
                                 << "-";
    QTest::newRow("text far date") << Variant::text("-0044-03-15") << "-"
                                   << "-"
                                   << "-"
                                   << "-"
                                   << "-0044-03-15"
                                   << "00:00:00"
                                   << "date and time -0044-03-15 00:00:00";
    QTest::newRow("text out of range") << Variant::text("1234567890-01-01") << "-"
                                       << "-"
                                       << "-"
                                       << "-"
                                       << "range"
                                       << "range"
                                       << "range";
    QTest::newRow("bytes") << Variant::bytes("1") << "-"
                           << "-"
                           << "-"
                           << "-"
                           << "-"
                           << "-"
                           << "-";
    QTest::newRow("null") << Variant::null() << "-"
                          << "-"
                          << "-"
                          << "-"
                          << "-"
                          << "-"
                          << "-";
    QTest::newRow("empty") << Variant() << "-"
                           << "-"
                           << "-"
                           << "-"
                           << "-"
                           << "-"
                           << "-";
}

void ValueTextTest::valuesConvertToEachKind()
{
    QFETCH(Variant, value);
    QFETCH(QString, real);
    QFETCH(QString, whole);
    QFETCH(QString, decimal);
    QFETCH(QString, logical);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, dateTime);
    QCOMPARE(outcome(tw::ado::doubleOf(value)), real);
    QCOMPARE(outcome(tw::ado::wholeOf(value, kInt64Min, kInt64Max)), whole);
    QCOMPARE(outcome(tw::ado::decimalOf(value)), decimal);
    QCOMPARE(outcome(tw::ado::logicalOf(value)), logical);
    QCOMPARE(outcome(tw::ado::dateOf(value)), date);
    QCOMPARE(outcome(tw::ado::timeOf(value)), time);
    QCOMPARE(outcome(tw::ado::dateTimeOf(value)), dateTime);
}

void ValueTextTest::decimalsRoundHalfAwayFromZero_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    QTest::newRow("half up") << "1.0005" << 3 << "1.001";
    QTest::newRow("below half") << "1.00049" << 3 << "1.000";
    QTest::newRow("negative half") << "-12.5" << 0 << "-13";
    QTest::newRow("carry into a new digit") << "9.995" << 2 << "10.00";
    QTest::newRow("negative carry") << "-9.995" << 2 << "-10.00";
    QTest::newRow("negative to zero loses its sign") << "-0.004" << 2 << "0.00";
    QTest::newRow("padded") << "123" << 2 << "123.00";
    QTest::newRow("no whole digits") << ".5" << 0 << "1";
    QTest::newRow("no fraction digits") << "7." << 2 << "7.00";
    QTest::newRow("smallest currency") << "0.00005" << 4 << "0.0001";
    QTest::newRow("leading zeros") << "0099.9" << 0 << "100";
    QTest::newRow("plus sign") << "+0.25" << 1 << "0.3";
}

void ValueTextTest::decimalsRoundHalfAwayFromZero()
{
    QFETCH(QString, digits);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(tw::ado::roundDecimal(digits, decimals), expected);
}

void ValueTextTest::decimalsADoubleHolds_data()
{
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("holds");
    QTest::newRow("short") << "12.50" << 12.5 << true;
    QTest::newRow("short, another double") << "1.50" << 1.51 << false;
    QTest::newRow("15 digits") << "-123456789.012345" << -123456789.012345 << true;
    QTest::newRow("trailing zeros past 15") << "12.500000000000000000" << 12.5 << true;
    QTest::newRow("19 digits") << "123456789012345.7891" << 123456789012345.7891 << false;
    QTest::newRow("17 digits that survive") << "0.30000000000000004" << 0.1 + 0.2 << true;
    QTest::newRow("a power of ten") << "100000000000000000000" << 1e20 << true;
    QTest::newRow("beyond a double") << "12345678901234567890123" << 12345678901234567890123.0 << false;
    QTest::newRow("no number") << "12,5" << 12.5 << false;
}

void ValueTextTest::decimalsADoubleHolds()
{
    QFETCH(QString, decimal);
    QFETCH(double, value);
    QFETCH(bool, holds);
    QCOMPARE(tw::ado::holdsExactly(decimal, value), holds);
}

// A double's text is the shortest that reads back as it, as std::to_chars
// writes it: for the numbers of a few decimals written without its search
// too, and next to them (a last digit off, more digits than a double holds).
void ValueTextTest::doubleTextsAreTheShortest()
{
    const auto shortest = [](double value) {
        char buffer[512];
        const double magnitude = std::fabs(value);
        const auto format = (magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e21)) ? std::chars_format::fixed
                                                                                        : std::chars_format::general;
        return QString::fromLatin1(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, format).ptr - buffer);
    };
    std::vector<double> values{0.1 + 0.2,         -0.0,    0.0,     1e15,    1e15 - 1,   999999999999999.9,
                               99999999999999.99, 1e-5,    0.00005, -0.0001, 1e21,       5e-324,
                               123456789012.3456, 0.1 * 3, 2.675,   1.005,   -1e14 - 0.5};
    std::mt19937_64 random(29);
    for (int i = 0; i < 20000; ++i) {
        const auto units = std::int64_t(random() % 2000000000000ULL) - 1000000000000LL;
        for (const double scale : {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 3.0})
            values.push_back(double(units) / scale);
        values.push_back(std::nextafter(double(units) / 100, 0.0));
        values.push_back(double(units) * 1e-9);
    }
    for (const double value : values)
        QCOMPARE(Variant::real(value).toText(), shortest(value));
}

QTEST_APPLESS_MAIN(ValueTextTest)
#include "tst_valuetext.moc"
