// The canonical dump (tw_dump) that tabwright-cli writes and the reader tests
// compare with the shared tools: each value's JSON form where the form leaves
// a choice, by the tools' rules, and the lines around the values.

#include "cli/CanonicalDump.h"
#include "platform/ado/Variant.h"

#include <QTest>

#include <cmath>
#include <limits>

using tw::ado::Variant;
Q_DECLARE_METATYPE(tw::ado::Variant)

class DumpTest : public QObject {
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void linesOfATable();
};

void DumpTest::values_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("null") << Variant::null() << QByteArray("null");
    QTest::newRow("empty") << Variant() << QByteArray("null");
    QTest::newRow("true") << Variant::boolean(true) << QByteArray("true");
    QTest::newRow("false") << Variant::boolean(false) << QByteArray("false");
    QTest::newRow("integer") << Variant::integer(-42) << QByteArray("-42");
    // Currency is exact, without the trailing zeros of its four places.
    QTest::newRow("currency") << Variant::currency(125000) << QByteArray("12.5");
    QTest::newRow("currency whole") << Variant::currency(20000) << QByteArray("2");
    QTest::newRow("currency smallest") << Variant::currency(-5) << QByteArray("-0.0005");
    QTest::newRow("currency max") << Variant::currency(std::numeric_limits<qint64>::max())
                                  << QByteArray("922337203685477.5807");
    // Decimals keep the digits stored, as valid JSON numbers.
    QTest::newRow("decimal") << Variant::decimal("-12.50") << QByteArray("-12.50");
    QTest::newRow("decimal leading zeros") << Variant::decimal("007.50") << QByteArray("7.50");
    QTest::newRow("decimal without whole digits") << Variant::decimal(".5") << QByteArray("0.5");
    QTest::newRow("decimal ending in a point") << Variant::decimal("7.") << QByteArray("7");
    QTest::newRow("double") << Variant::real(0.1) << QByteArray("0.1");
    QTest::newRow("double huge") << Variant::real(1e300) << QByteArray("1e+300");
    QTest::newRow("double NaN") << Variant::real(std::nan("")) << QByteArray("null");
    QTest::newRow("double infinite") << Variant::real(-HUGE_VAL) << QByteArray("null");
    QTest::newRow("date") << Variant::date(QDate(-1, 12, 31)) << QByteArray("\"-0001-12-31\"");
    QTest::newRow("time") << Variant::time(13 * 3600000 + 1) << QByteArray("\"13:00:00.001\"");
    QTest::newRow("date and time") << Variant::dateTime(QDate(2024, 2, 29), 0) << QByteArray("\"2024-02-29 00:00:00\"");
    QTest::newRow("bytes") << Variant::bytes(QByteArray("\0\xff", 2)) << QByteArray("{\"hex\": \"00ff\"}");
    QTest::newRow("escapes") << Variant::text(QString::fromLatin1("\"\\\n\r\t\x01\x1f"))
                             << QByteArray("\"\\\"\\\\\\n\\r\\t\\u0001\\u001f\"");
    // An undefined byte of a code page decodes to its C1 control; the tools show U+FFFD.
    QTest::newRow("C1 controls") << Variant::text(QString(QChar(0x80)) + QChar(0x85) + QChar(0x9F))
                                 << QString(3, QChar(0xFFFD)).prepend(u'"').append(u'"').toUtf8();
    QTest::newRow("around the C1 controls") << Variant::text(QString(QChar(0x7F)) + QChar(0xA0) + QChar(0xE9))
                                            << QString::fromUtf8("\"\x7f\u00a0\u00e9\"").toUtf8();
    QTest::newRow("beyond the BMP") << Variant::text(QString::fromUtf8("\U0001F600"))
                                    << QByteArray("\"\xf0\x9f\x98\x80\"");
}

void DumpTest::values()
{
    QFETCH(Variant, value);
    QFETCH(QByteArray, json);
    QByteArray out;
    tw::cli::appendJsonValue(out, value);
    QCOMPARE(out, json);
}

void DumpTest::linesOfATable()
{
    QByteArray dump = tw::cli::canonicalHeader({QStringLiteral("ID"), QString::fromUtf8("Näme")});
    tw::cli::appendCanonicalRow(dump, {Variant::integer(1), Variant::text(QStringLiteral("a"))});
    tw::cli::appendCanonicalRow(dump, {Variant::null(), Variant::currency(10000)});
    QCOMPARE(dump, QByteArray("{\"columns\": [\"ID\", \"N\xc3\xa4me\"]}\n[1, \"a\"]\n[null, 1]\n"));
}

QTEST_APPLESS_MAIN(DumpTest)
#include "tst_dump.moc"
