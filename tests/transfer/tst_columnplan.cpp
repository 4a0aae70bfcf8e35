// What each source field becomes in the other format, by the copies' own
// mapping and by the one that keeps each field's type: the words the target's
// CREATE TABLE gives it and the type the target's format shows.

#include "TransferFixture.h"

#include "platform/ado/DataTypeEnum.h"
#include "transfer/ColumnPlan.h"

#include <QtTest>

using namespace tw;
using transfer::TypeMapping;

Q_DECLARE_METATYPE(tw::ado::ColumnInfo)

class ColumnPlanTest : public QObject {
    Q_OBJECT

private slots:
    void mappings_data();
    void mappings();
};

void ColumnPlanTest::mappings_data()
{
    QTest::addColumn<bool>("toParadox");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<ado::ColumnInfo>("column");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("shown");

    // A field as the FoxPro reader describes it.
    const auto fox = [](char type, int ado, int size = 0, int precision = 0, int scale = 0,
                        bool autoIncrement = false) {
        ado::ColumnInfo c{"F", ado, precision, scale, size};
        c.formatType = type;
        c.autoIncrement = autoIncrement;
        return c;
    };
    // A field as the Paradox reader describes it.
    const auto px = [](char type, int ado, int size = 0, int scale = 0) {
        ado::ColumnInfo c{"F", ado, type == '#' ? 32 : 0, scale, size};
        c.formatType = type;
        c.autoIncrement = type == '+';
        return c;
    };
    using namespace ado;
    const auto row = [](const char *name, bool toParadox, bool keep, const ColumnInfo &c, const char *words,
                        const char *shown) {
        QTest::newRow(name) << toParadox << keep << c << QString(words) << QString(shown);
    };
    // The copies' own mapping, whatever the field's kind.
    row("copied C", true, false, fox('C', adChar, 20), "MEMO", "M");
    row("copied N(9,0)", true, false, fox('N', adNumeric, 9, 9, 0), "INT", "I");
    row("copied N(10,2)", true, false, fox('N', adNumeric, 10, 10, 2), "FLOAT", "N");
    row("copied Y", true, false, fox('Y', adCurrency, 8, 19, 4), "VARCHAR", "A255");
    row("copied T", true, false, fox('T', adDBTimeStamp, 8), "DATETIME", "@");
    row("copied W", true, false, fox('W', adLongVarBinary), "OLEOBJECT", "B");
    row("copied A", false, false, px('A', adVarChar, 40), "M", "M");
    row("copied B", false, false, px('B', adLongVarBinary), "BLOB", "BLOB");
    row("copied Bytes", false, false, px('Y', adBinary, 16), "BLOB", "BLOB");
    row("copied $", false, false, px('$', adCurrency, 8), "M", "M");
    // FoxPro to Paradox, each field its own kind.
    row("kept C", true, true, fox('C', adChar, 20), "TEXT(20)", "A20");
    row("kept V", true, true, fox('V', adVarChar, 30), "TEXT(30)", "A30");
    row("kept V(250)", true, true, fox('V', adVarChar, 250), "TEXT(250)", "A250");
    row("kept binary C", true, true, fox('C', adBinary, 8), "BINARY(8)", "Y8");
    row("kept Q", true, true, fox('Q', adVarBinary, 12), "LONGBINARY", "B");
    row("kept N(15,2)", true, true, fox('N', adNumeric, 15, 15, 2), "DOUBLE", "N");
    row("kept N(16,2)", true, true, fox('N', adNumeric, 16, 16, 2), "DECIMAL(16,2)", "#2");
    row("kept F(20,5)", true, true, fox('F', adNumeric, 20, 20, 5), "DECIMAL(20,5)", "#5");
    row("kept B", true, true, fox('B', adDouble, 8, 15, 2), "DOUBLE", "N");
    row("kept I", true, true, fox('I', adInteger, 4, 10), "LONG", "I");
    row("kept autoincrement I", true, true, fox('I', adInteger, 4, 10, 0, true), "COUNTER", "+");
    row("kept Y", true, true, fox('Y', adCurrency, 8, 19, 4), "CURRENCY", "$");
    row("kept L", true, true, fox('L', adBoolean, 1), "BIT", "L");
    row("kept D", true, true, fox('D', adDate, 8), "DATE", "D");
    row("kept T", true, true, fox('T', adDBTimeStamp, 8), "DATETIME", "@");
    row("kept M", true, true, fox('M', adLongVarChar), "MEMO", "M");
    row("kept binary M", true, true, fox('M', adLongVarBinary), "LONGBINARY", "B");
    row("kept W", true, true, fox('W', adLongVarBinary), "LONGBINARY", "B");
    row("kept G", true, true, fox('G', adLongVarBinary), "GENERAL", "O");
    // Paradox to FoxPro, each field its own kind.
    row("kept A", false, true, px('A', adVarChar, 40), "C(40)", "C(40)");
    row("kept A254", false, true, px('A', adVarChar, 254), "C(254)", "C(254)");
    row("kept A255", false, true, px('A', adVarChar, 255), "M", "M");
    row("kept N", false, true, px('N', adDouble, 8), "B(4) NULL", "B(4)");
    row("kept $", false, true, px('$', adCurrency, 8), "Y NULL", "Y");
    row("kept #2", false, true, px('#', adNumeric, 17, 2), "N(20,2) NULL", "N(20,2)");
    row("kept #15", false, true, px('#', adNumeric, 17, 15), "N(20,15) NULL", "N(20,15)");
    row("kept #16", false, true, px('#', adNumeric, 17, 16), "B(16) NULL", "B(16)");
    row("kept S", false, true, px('S', adSmallInt, 2), "I NULL", "I");
    row("kept Px I", false, true, px('I', adInteger, 4), "I NULL", "I");
    row("kept +", false, true, px('+', adInteger, 4), "I AUTOINC NEXTVALUE 1 STEP 1", "I AUTOINC");
    row("kept Px L", false, true, px('L', adBoolean, 1), "L", "L");
    row("kept Px D", false, true, px('D', adDBDate, 4), "D", "D");
    row("kept @", false, true, px('@', adDBTimeStamp, 8), "T", "T");
    row("kept time of day", false, true, px('T', adDBTime, 4), "T", "T");
    row("kept Px M", false, true, px('M', adLongVarChar), "M", "M");
    row("kept F", false, true, px('F', adLongVarBinary), "W", "W");
    row("kept Px B", false, true, px('B', adLongVarBinary), "W", "W");
    row("kept Px G", false, true, px('G', adLongVarBinary), "W", "W");
    row("kept Bytes", false, true, px('Y', adBinary, 16), "W", "W");
    row("kept O", false, true, px('O', adLongVarBinary), "G", "G");
}

void ColumnPlanTest::mappings()
{
    QFETCH(bool, toParadox);
    QFETCH(bool, keep);
    QFETCH(ado::ColumnInfo, column);
    QFETCH(QString, words);
    QFETCH(QString, shown);
    const test::TransferFixture f; // the providers the plan asks for names
    const transfer::ColumnPlan plan =
        transfer::planColumns(toParadox, keep ? TypeMapping::KeepTypes : TypeMapping::Copies, {column}, 1252);
    QCOMPARE(plan.columns.size(), size_t(1));
    QCOMPARE(plan.columns[0].typeWords, words);
    QCOMPARE(plan.columns[0].shownType, shown);
    if (toParadox)
        QCOMPARE(plan.workColumnText(0), QStringLiteral("` ") + words + u',');
}

QTEST_GUILESS_MAIN(ColumnPlanTest)
#include "tst_columnplan.moc"
