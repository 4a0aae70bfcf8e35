#include "platform/ado/RuntimeError.h"
#include "platform/ado/Variant.h"

#include <QTest>

#include <limits>

using tw::ado::RuntimeError;
using tw::ado::Variant;
Q_DECLARE_METATYPE(tw::ado::Variant)

class VariantTest : public QObject {
    Q_OBJECT
private slots:
    void textForms_data();
    void textForms();
    void doublesReadBackExactly();
    void decimalRejectsNonDigits();
    void timeOutOfRangeIsRefused();
    void accessorsCheckTheKind();
    void numericConversions();
    void refilledTextsLeaveSharedCopiesAlone();
    void storedTexts_data();
    void storedTexts();
    void shortTextsStored();
};

void VariantTest::textForms_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << Variant() << "";
    QTest::newRow("null") << Variant::null() << "";
    QTest::newRow("text") << Variant::text("O'Brien\r\n") << "O'Brien\r\n";
    QTest::newRow("negative integer") << Variant::integer(-42) << "-42";
    QTest::newRow("int64 min") << Variant::integer(std::numeric_limits<qint64>::min()) << "-9223372036854775808";
    QTest::newRow("double fraction") << Variant::real(0.1) << "0.1";
    QTest::newRow("double whole") << Variant::real(1234567.0) << "1234567";
    QTest::newRow("double no grouping") << Variant::real(-98765.25) << "-98765.25";
    QTest::newRow("double tiny") << Variant::real(1e-7) << "1e-07";
    QTest::newRow("double huge") << Variant::real(1e300) << "1e+300";
    QTest::newRow("double zero") << Variant::real(0.0) << "0";
    QTest::newRow("double negative zero") << Variant::real(-0.0) << "-0";
    QTest::newRow("double negative tiny") << Variant::real(-1.5e-7) << "-1.5e-07";
    QTest::newRow("currency") << Variant::currency(123450) << "12.345";
    QTest::newRow("currency negative fraction") << Variant::currency(-5) << "-0.0005";
    QTest::newRow("currency whole") << Variant::currency(-20000) << "-2";
    QTest::newRow("currency fraction ending in zero") << Variant::currency(1230) << "0.123";
    QTest::newRow("currency max") << Variant::currency(std::numeric_limits<qint64>::max()) << "922337203685477.5807";
    QTest::newRow("currency min") << Variant::currency(std::numeric_limits<qint64>::min()) << "-922337203685477.5808";
    QTest::newRow("decimal kept as stored") << Variant::decimal("-12.50") << "-12.50";
    QTest::newRow("date") << Variant::date(QDate(2024, 2, 29)) << "2024-02-29";
    QTest::newRow("date year 1") << Variant::date(QDate(1, 1, 1)) << "0001-01-01";
    QTest::newRow("date year 999") << Variant::date(QDate(999, 9, 9)) << "0999-09-09";
    QTest::newRow("date before 1900") << Variant::date(QDate(1899, 12, 30)) << "1899-12-30";
    QTest::newRow("date year 10000") << Variant::date(QDate(10000, 1, 1)) << "10000-01-01";
    QTest::newRow("date before year 1") << Variant::date(QDate(-1, 12, 31)) << "-0001-12-31";
    QTest::newRow("date year -12345") << Variant::date(QDate(-12345, 6, 7)) << "-12345-06-07";
    QTest::newRow("time at midnight") << Variant::time(0) << "00:00:00";
    QTest::newRow("time ms keep zeros") << Variant::time(23 * 3600000 + 10) << "23:00:00.010";
    QTest::newRow("timestamp before 1900 at midnight")
        << Variant::dateTime(QDate(1800, 2, 3), 0) << "1800-02-03 00:00:00";
    QTest::newRow("timestamp year 10000") << Variant::dateTime(QDate(10000, 12, 31), 1) << "10000-12-31 00:00:00.001";
    QTest::newRow("time") << Variant::time(13 * 3600000 + 5 * 60000 + 9000) << "13:05:09";
    QTest::newRow("time with ms") << Variant::time(999) << "00:00:00.999";
    QTest::newRow("timestamp") << Variant::dateTime(QDate(1999, 12, 31), Variant::kMsPerDay - 1)
                               << "1999-12-31 23:59:59.999";
    QTest::newRow("timestamp whole second") << Variant::dateTime(QDate(2000, 1, 1), 0) << "2000-01-01 00:00:00";
    QTest::newRow("true") << Variant::boolean(true) << "True";
    QTest::newRow("false") << Variant::boolean(false) << "False";
    QTest::newRow("bytes") << Variant::bytes(QByteArray("a\0\xff", 3)) << QString::fromLatin1("a\0\xff", 3);
}

void VariantTest::textForms()
{
    QFETCH(Variant, value);
    QFETCH(QString, text);
    QCOMPARE(value.toText(), text);
    // The view gives the same text, whatever the scratch held before.
    QString scratch = QStringLiteral("left over from an earlier value");
    QCOMPARE(value.textView(scratch).toString(), text);
}

void VariantTest::doublesReadBackExactly()
{
    const double values[] = {0.1 + 0.2, 1.0 / 3.0, 123456789.123456789, -2.5e-5, 5e-324, 1.7976931348623157e308};
    for (double value : values) {
        const QString text = Variant::real(value).toText();
        bool ok = false;
        QCOMPARE(text.toDouble(&ok), value);
        QVERIFY(ok);
        QVERIFY2(!text.contains(u','), qPrintable(text));
    }
}

void VariantTest::decimalRejectsNonDigits()
{
    for (const char *bad : {"", "-", "1.2.3", "1e5", " 12", "12 ", "+1", "abc", "."})
        QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::decimal(QString::fromLatin1(bad)));
    QCOMPARE(Variant::decimal(".5").toText(), QString(".5"));
    QCOMPARE(Variant::decimal("7.").toText(), QString("7."));
}

void VariantTest::timeOutOfRangeIsRefused()
{
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::time(-1));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::time(Variant::kMsPerDay));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::dateTime(QDate(2000, 1, 1), Variant::kMsPerDay));
}

void VariantTest::accessorsCheckTheKind()
{
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::text("1").asInteger());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::null().asText());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::time(5).asDate());
    QCOMPARE(Variant::dateTime(QDate(2001, 2, 3), 4).asDate(), QDate(2001, 2, 3));
    QCOMPARE(Variant::dateTime(QDate(2001, 2, 3), 4).asMsOfDay(), 4);
    QVERIFY(Variant::text("x") != Variant::bytes("x"));
    QVERIFY(Variant::time(5) != Variant::dateTime(QDate(2000, 1, 1), 5));
}

void VariantTest::numericConversions()
{
    QCOMPARE(Variant::text(" 2.5 ").toDouble(), 2.5);
    QCOMPARE(Variant::currency(25000).toDouble(), 2.5);
    QCOMPARE(Variant::decimal("-3.75").toDouble(), -3.75);
    QCOMPARE(Variant::real(2.5).toInteger(), qint64(3));
    QCOMPARE(Variant::real(-2.5).toInteger(), qint64(-3));
    QCOMPARE(Variant::text("9007199254740993").toInteger(), qint64(9007199254740993));
    QCOMPARE(Variant::boolean(true).toInteger(), qint64(-1));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::text("12abc").toDouble());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::real(1e30).toInteger());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Variant::date(QDate(2000, 1, 1)).toDouble());
}

void VariantTest::refilledTextsLeaveSharedCopiesAlone()
{
    // A value refilled in place reuses its memory only when nothing shares it.
    Variant value = Variant::integer(5);
    QString &first = value.textToFill(8);
    first.resize(0);
    first += QStringLiteral("abcdefgh");
    QCOMPARE(value.kind(), Variant::Kind::Text);
    const Variant kept = value; // shares the string
    value.setText(u"xy");
    QCOMPARE(kept.asText(), QStringLiteral("abcdefgh"));
    QCOMPARE(value.asText(), QStringLiteral("xy"));
    const QChar *memory = value.asText().constData();
    value.setText(u"uvw");
    QCOMPARE(value.asText().constData(), memory); // alone now: refilled where it was
    QCOMPARE(value.asText(), QStringLiteral("uvw"));
    // A piece of its own text.
    value.setText(QStringView(value.asText()).mid(1));
    QCOMPARE(value.asText(), QStringLiteral("vw"));
    // A long value's memory is not kept for a short one.
    value.setText(QString(100000, u'x'));
    value.setText(u"short");
    QVERIFY(value.asText().capacity() < 1000);

    // assign copies texts and decimals, other kinds as they are.
    Variant target = Variant::text(QStringLiteral("old"));
    const Variant decimal = Variant::decimal(QStringLiteral("-12.50"));
    target.assign(decimal);
    QCOMPARE(target, decimal);
    QVERIFY(target.asDecimal().constData() != decimal.asDecimal().constData());
    target.assign(Variant::real(2.5));
    QCOMPARE(target, Variant::real(2.5));
    target.assign(Variant::null());
    QVERIFY(target.isNull());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, target.textToFill(1, Variant::Kind::Bytes));

    Variant a = Variant::text(QStringLiteral("a"));
    Variant b = Variant::date(QDate(2001, 2, 3));
    a.swap(b);
    QCOMPARE(a, Variant::date(QDate(2001, 2, 3)));
    QCOMPARE(b, Variant::text(QStringLiteral("a")));
}

void VariantTest::storedTexts_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("1252") << 1252 << QByteArray("Gr\xfc\xdf\x65") << QString::fromUtf8("Grüße");
    QTest::newRow("1251") << 1251 << QByteArray("\xcf\xf0\xe8") << QString::fromUtf8("При");
    QTest::newRow("1255") << 1255 << QByteArray("\xf9\xec\xe5\xed") << QString::fromUtf8("שלום");
    QTest::newRow("932, ASCII") << 932 << QByteArray("plain") << QStringLiteral("plain");
    QTest::newRow("empty") << 1252 << QByteArray() << QString();
}

// A text kept as its stored bytes is the same text as the one decoded: its
// bytes go only to a writer of its page, until its text is asked for.
void VariantTest::storedTexts()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const Variant decoded = Variant::text(text);
    const Variant stored = Variant::storedText(bytes, codePage);
    QCOMPARE(stored.kind(), Variant::Kind::Text);
    QCOMPARE(stored.storedCodePage(), codePage);
    QCOMPARE(*stored.storedBytesIn(codePage), bytes);
    QVERIFY(!stored.storedBytesIn(codePage == 1252 ? 1251 : 1252));
    QVERIFY(!decoded.storedBytesIn(codePage));
    QCOMPARE(stored.textLength(), text.size());
    QVERIFY(stored == decoded && decoded == stored);
    QVERIFY(stored != Variant::text(text + u'x'));
    QCOMPARE(Variant::storedText(bytes, codePage), stored);

    // A copy that crosses to another thread keeps the bytes, in memory of its own.
    Variant copy = Variant::integer(1);
    copy.assign(stored);
    QCOMPARE(*copy.storedBytesIn(codePage), bytes);
    QVERIFY(bytes.isEmpty() ||
            copy.storedBytesIn(codePage)->constData() != stored.storedBytesIn(codePage)->constData());

    // Asked for, the text is decoded once and kept; the bytes are gone.
    QCOMPARE(copy.toText(), text);
    QString scratch;
    QCOMPARE(copy.textView(scratch).toString(), text);
    QCOMPARE(copy.asText(), text);
    QVERIFY(!copy.storedBytesIn(codePage));
    QCOMPARE(copy.storedCodePage(), 0);
    QCOMPARE(copy, stored);
}

// Numbers, dates, times and logicals as the ASCII bytes of their text.
void VariantTest::shortTextsStored()
{
    const std::vector<Variant> values{Variant::integer(-42),
                                      Variant::real(12.5),
                                      Variant::real(0.1 + 0.2),
                                      Variant::currency(1234567),
                                      Variant::date(QDate(1999, 12, 31)),
                                      Variant::time(3723004),
                                      Variant::dateTime(QDate(2024, 2, 29), 86399000),
                                      Variant::boolean(true),
                                      Variant::date(QDate())};
    for (const Variant &value : values) {
        Variant stored;
        QVERIFY(stored.setShortTextStored(value, 1251));
        QCOMPARE(*stored.storedBytesIn(1251), value.toText().toLatin1());
        QCOMPARE(stored.asText(), value.toText());
    }
    Variant other = Variant::integer(7);
    for (const Variant &value : {Variant::text(QStringLiteral("1")), Variant::decimal(QStringLiteral("1.5")),
                                 Variant::bytes("1"), Variant::null(), Variant()}) {
        QVERIFY(!other.setShortTextStored(value, 1252));
        QCOMPARE(other, Variant::integer(7));
    }
}

QTEST_APPLESS_MAIN(VariantTest)
#include "tst_variant.moc"
