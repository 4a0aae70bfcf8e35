#include "sources/Datatype.h"

#include <QSet>
#include <QTest>

using tw::Datatype::AdoTypeName;

class DatatypeTest : public QObject {
    Q_OBJECT
private slots:
    void namedCodes();
    void everyOtherCodeIsEmpty();
};

void DatatypeTest::namedCodes()
{
    QCOMPARE(AdoTypeName(0), QString("adEmpty"));
    QCOMPARE(AdoTypeName(8), QString("adBSTR"));
    QCOMPARE(AdoTypeName(136), QString("adChapter"));
    QCOMPARE(AdoTypeName(205), QString("adLongVarBinary"));
    QCOMPARE(AdoTypeName(135), QString("adDBTimeStamp"));
    QCOMPARE(AdoTypeName(18), QString("adUnsignedSmallInt"));
    QCOMPARE(AdoTypeName(139), QString("adVarNumeric"));
    // The callers' substring tests depend on these spellings.
    QVERIFY(AdoTypeName(3).toLower().contains("int"));
    QVERIFY(!AdoTypeName(135).toLower().contains("date"));
    QVERIFY(!AdoTypeName(136).toLower().contains("char"));
}

void DatatypeTest::everyOtherCodeIsEmpty()
{
    const QSet<int> named{0,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,
                          14,  16,  17,  18,  19,  20,  21,  64,  72,  128, 129, 130, 131,
                          132, 133, 134, 135, 136, 138, 139, 200, 201, 202, 203, 204, 205};
    QCOMPARE(named.size(), 39);
    QSet<QString> names;
    for (int code = -32768; code <= 32767; ++code) {
        const QString name = AdoTypeName(static_cast<std::int16_t>(code));
        if (named.contains(code)) {
            QVERIFY2(name.startsWith("ad"), qPrintable(QString::number(code)));
            names.insert(name);
        } else {
            QVERIFY2(name.isNull(), qPrintable(QString::number(code)));
        }
    }
    QCOMPARE(names.size(), 39);
    QVERIFY(AdoTypeName(8192 + 3).isEmpty());
    QVERIFY(AdoTypeName(-1).isEmpty());
}

QTEST_APPLESS_MAIN(DatatypeTest)
#include "tst_datatype.moc"
