// Text conversion through the table's code page and the byte forms of field
// values, checked against bytes taken from real tables.

#include "platform/ado/RuntimeError.h"
#include "platform/encoding/TextCodec.h"
#include "platform/paradox/FieldCodec.h"

#include <QtTest>

using tw::ado::Variant;
using namespace tw::paradox;

class TestParadoxCodecs : public QObject {
    Q_OBJECT

private slots:
    void decodesCodePages();
    void encodesWithReplacement();
    void numbersKeepTheirOrder();
    void bcdBytes();
    void datesBeforeTheYearOne();
};

void TestParadoxCodecs::decodesCodePages()
{
    QCOMPARE(TextCodec(850).decode("caf\x82", 4), QStringLiteral("caf\u00e9"));
    QCOMPARE(TextCodec(437).decode("\xE1", 1), QStringLiteral("\u00df"));
    QCOMPARE(TextCodec(866).decode("\x80\xAF", 2), QStringLiteral("\u0410\u043f"));
    QCOMPARE(TextCodec(1250).decode("\x8A", 1), QStringLiteral("\u0160"));
    QCOMPARE(TextCodec(936).decode("a\xC4\xE3z", 4), QStringLiteral("a\u4f60z"));
    // An undefined byte from 0x80 to 0x9F stands for its control character and
    // goes back as the same byte.
    QCOMPARE(TextCodec(1252).decode("\x80\x81\x9d", 3), QStringLiteral("\u20ac\u0081\u009d"));
    qint64 lost = 0;
    QCOMPARE(TextCodec(1252).encode(QStringLiteral("\u0081\u009d"), &lost), QByteArray("\x81\x9d"));
    QCOMPARE(lost, qint64(0));
    // No code page, or one iconv does not know: Windows-1252.
    QCOMPARE(TextCodec(0).codePage(), 1252);
    QCOMPARE(TextCodec(0).decode("\x80", 1), QStringLiteral("\u20ac"));
    QCOMPARE(TextCodec(12345).codePage(), 1252);
}

void TestParadoxCodecs::encodesWithReplacement()
{
    qint64 unmapped = 0;
    QCOMPARE(TextCodec(1252).encode(QStringLiteral("a\u20ac\u03a9\U0001F600\u00ff"), &unmapped),
             QByteArray("a\x80??\xFF"));
    QCOMPARE(unmapped, qint64(2));
    unmapped = 0;
    QCOMPARE(TextCodec(936).encode(QStringLiteral("\u4f60\u20ac"), &unmapped), QByteArray("\xC4\xE3\x80"));
    QCOMPARE(TextCodec(850).encode(QStringLiteral("\u00e9\u20ac"), &unmapped), QByteArray("\x82?"));
    QCOMPARE(unmapped, qint64(1));
}

void TestParadoxCodecs::numbersKeepTheirOrder()
{
    // N as ORDERS.DB stores 7320 and 0 (bytes from the file).
    unsigned char b[8];
    putNumber(b, 7320);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 8), QByteArray::fromHex("c0bc980000000000"));
    putNumber(b, 0);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 8), QByteArray::fromHex("8000000000000000"));
    putNumber(b, -0.0);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 8), QByteArray::fromHex("8000000000000000"));
    const double values[] = {-1e300, -2.5, -1e-300, 0, 1e-300, 2.5, 1e300};
    QByteArray previous;
    for (double v : values) {
        putNumber(b, v);
        const QByteArray now(reinterpret_cast<char *>(b), 8);
        QVERIFY(previous < now);
        QCOMPARE(getNumber(b), v);
        previous = now;
    }
    // S, I, D, T in the record: 1 is 80 01, -1 is 7f ff.
    const FieldDef shortField{QStringLiteral("S"), {}, FieldType::Short, 2, 0};
    TextCodec codec(1252);
    encodeScalar(shortField, Variant::integer(-1), b, codec, nullptr);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 2), QByteArray::fromHex("7fff"));
    QCOMPARE(decodeScalar(shortField, b, codec).asInteger(), qint64(-1));
    const FieldDef dateField{QStringLiteral("D"), {}, FieldType::Date, 4, 0};
    encodeScalar(dateField, Variant::date(QDate(1996, 5, 4)), b, codec, nullptr);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 4), QByteArray::fromHex("800b1ecf")); // day 728783
}

void TestParadoxCodecs::bcdBytes()
{
    // The first value of bcd.db: 1.23 with 2 decimals.
    const FieldDef f{QStringLiteral("A"), {}, FieldType::Bcd, 17, 2};
    const QByteArray stored = QByteArray::fromHex("c200000000000000000000000000000123");
    TextCodec codec(1252);
    QCOMPARE(decodeScalar(f, reinterpret_cast<const unsigned char *>(stored.constData()), codec).asDecimal(),
             QStringLiteral("1.23"));
    unsigned char b[17];
    encodeScalar(f, Variant::decimal(QStringLiteral("1.23")), b, codec, nullptr);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 17), stored);
    encodeScalar(f, Variant::decimal(QStringLiteral("-1.23")), b, codec, nullptr);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(b), 17), QByteArray::fromHex("42fffffffffffffffffffffffffffffedc"));
    encodeScalar(f, Variant::real(-0.005), b, codec, nullptr);
    QCOMPARE(decodeScalar(f, b, codec).asDecimal(), QStringLiteral("-0.01"));
    encodeScalar(f, Variant::text(QStringLiteral("99.995")), b, codec, nullptr);
    QCOMPARE(decodeScalar(f, b, codec).asDecimal(), QStringLiteral("100.00"));
    QVERIFY_THROWS_EXCEPTION(tw::ado::RuntimeError,
                             encodeScalar(f, Variant::text(QStringLiteral("12a")), b, codec, nullptr));
}

void TestParadoxCodecs::datesBeforeTheYearOne()
{
    const TextCodec codec(1252);
    FieldDef stamp;
    stamp.name = QStringLiteral("TS");
    stamp.type = FieldType::Timestamp;
    stamp.size = 8;
    unsigned char bytes[8];
    // Day 1 is 1 January of the year 1, day 0 the day before; a day before
    // that is 30 December of the year before (-1 in the calendar without a
    // year 0), at the time of day counted from it.
    putNumber(bytes, -double(Variant::kMsPerDay) + 3600000.0);
    QCOMPARE(decodeScalar(stamp, bytes, codec), Variant::dateTime(QDate(-1, 12, 30), 3600000));
    // A timestamp pxlib reads: about a year before day 0.
    putNumber(bytes, -3.16188e10);
    const Variant early = decodeScalar(stamp, bytes, codec);
    QCOMPARE(early.asDate().daysTo(QDate::fromJulianDay(kJulianDayOfDayZero)), qint64(366));
    QVERIFY(!early.toText().isEmpty());
    // Values no calendar holds are refused in words, never in milliseconds.
    putNumber(bytes, 1.0e300);
    try {
        decodeScalar(stamp, bytes, codec);
        QFAIL("a timestamp of 1e300 ms was read");
    } catch (const tw::ado::RuntimeError &e) {
        QVERIFY2(e.description().contains(QLatin1String("days")), qPrintable(e.description()));
    }
    FieldDef time;
    time.name = QStringLiteral("T");
    time.type = FieldType::Time;
    time.size = 4;
    const qint32 tooLate = qint32(Variant::kMsPerDay + 3600000);
    const quint32 stored = quint32(tooLate) ^ 0x80000000u;
    const unsigned char timeBytes[4] = {uchar(stored >> 24), uchar(stored >> 16), uchar(stored >> 8), uchar(stored)};
    try {
        decodeScalar(time, timeBytes, codec);
        QFAIL("a time of day past midnight was read");
    } catch (const tw::ado::RuntimeError &e) {
        QVERIFY2(e.description().contains(QLatin1String("25:00:00")), qPrintable(e.description()));
    }
}

QTEST_GUILESS_MAIN(TestParadoxCodecs)
#include "tst_paradox_codecs.moc"
