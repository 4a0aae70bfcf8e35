#include "TestSupport.h"
#include "TransferFixture.h"
#include "platform/ado/Connection.h"
#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/Field.h"
#include "platform/ado/Recordset.h"
#include "sources/Paradox.h"
#include "transfer/ColumnPlan.h"
#include "transfer/SendToParadox.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace tw;
using namespace tw::ado;
using tw::test::MemoryTable;
using tw::test::TransferFixture;

namespace {

MemoryTable customers()
{
    MemoryTable table;
    table.columns = {{"id", adInteger, 10},    {"name", adChar, 0, 0, 30}, {"price", adNumeric, 10, 2},
                     {"qty", adNumeric, 5, 0}, {"since", adDBTimeStamp},   {"born", adDate},
                     {"active", adBoolean},    {"credit", adCurrency},     {"photo", adLongVarBinary},
                     {"raw", adBinary}};
    table.rows.push_back({Variant::integer(1), Variant::text(QString::fromUtf8("Zoë O'Brien")),
                          Variant::decimal("1234.56"), Variant::decimal("42"),
                          Variant::dateTime(QDate(2021, 3, 4), 45296789), Variant::date(QDate(1970, 1, 1)),
                          Variant::boolean(true), Variant::currency(-123456),
                          Variant::bytes(QByteArray("\0GIF\xff", 5)), Variant::bytes(QByteArray("\x01\x00", 2))});
    table.rows.push_back({Variant::integer(2), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
                          Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null()});
    return table;
}

} // namespace

class SendToParadoxTest : public QObject {
    Q_OBJECT
private slots:
    void typeRuleKeepsFractionsAndBinaries();
    void noCurrentItemShowsTheMessageOnly();
    void nothingSelectedStillReloadsTheParadoxList();
    void copiesEveryValue();
    void longNamesAskToBeTrimmed();
    void answeringNoSkipsOnlyThatTable();
    void overwriteDropsTheOldTable();
    void leftoverWorkTableIsReplaced();
    void emptyTableIsWritten();
    void missingWorkDatabaseIsReportedOnce();
    void aValueTheColumnCannotHoldGoesAsNull();
    void stopRequestLeavesNoTable();
    void charactersOutsideTheCodePageAreCounted();

private:
    static QList<QStringList> paradoxRows(TransferFixture &f, const QString &table);
    static QStringList workTables(TransferFixture &f);
};

QList<QStringList> SendToParadoxTest::paradoxRows(TransferFixture &f, const QString &table)
{
    Connection px;
    px.Open(ParadoxSource::ParadoxConnectionString(f.paradoxFolder()));
    Recordset rs;
    rs.Open("SELECT * FROM `" + table + "`", px);
    QList<QStringList> rows;
    QStringList header;
    for (int i = 0; i < rs.fields().count(); ++i)
        header << rs.fields()(i).name() + ":" + QString::number(rs.fields()(i).Type());
    rows << header;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList row;
        for (int i = 0; i < rs.fields().count(); ++i)
            row << (rs.fields()(i).Value().isNull() ? QString("<null>") : rs.fields()(i).Value().toText());
        rows << row;
    }
    return rows;
}

QStringList SendToParadoxTest::workTables(TransferFixture &f)
{
    Connection work;
    work.Open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + f.dir.path() + "/dbtemp.mdb;");
    Recordset schema = work.OpenSchema(adSchemaTables);
    QStringList names;
    for (; !schema.Eof(); schema.MoveNext())
        names << schema.fields()("TABLE_NAME").Value().toText();
    return names;
}

void SendToParadoxTest::typeRuleKeepsFractionsAndBinaries()
{
    auto typeOf = [](int type, int precision = 0, int scale = 0) {
        return transfer::planColumns(true, transfer::TypeMapping::Copies, {ColumnInfo{"c", type, precision, scale}}, 0)
            .workColumnText(0);
    };
    QCOMPARE(typeOf(adChar), QString("` MEMO,"));
    QCOMPARE(typeOf(adLongVarChar), QString("` MEMO,"));
    QCOMPARE(typeOf(adInteger), QString("` INT,"));
    QCOMPARE(typeOf(adNumeric, 9, 0), QString("` INT,"));
    QCOMPARE(typeOf(adNumeric, 10, 0), QString("` FLOAT,"));
    QCOMPARE(typeOf(adNumeric, 5, 2), QString("` FLOAT,"));
    QCOMPARE(typeOf(14), QString("` FLOAT,")); // adDecimal
    QCOMPARE(typeOf(adSingle), QString("` FLOAT,"));
    QCOMPARE(typeOf(adDouble), QString("` FLOAT,"));
    QCOMPARE(typeOf(adLongVarBinary), QString("` OLEOBJECT,"));
    QCOMPARE(typeOf(adBinary), QString("` OLEOBJECT,"));
    QCOMPARE(typeOf(adVarBinary), QString("` OLEOBJECT,"));
    QCOMPARE(typeOf(adDBTimeStamp), QString("` DATETIME,"));
    QCOMPARE(typeOf(adDate), QString("` DATETIME,"));
    QCOMPARE(typeOf(adDBTime), QString("` VARCHAR,"));
    QCOMPARE(typeOf(adCurrency), QString("` VARCHAR,"));
    QCOMPARE(typeOf(adBoolean), QString("` VARCHAR,"));
    QCOMPARE(typeOf(136), QString("` VARCHAR,")); // adChapter holds no "char"
    QCOMPARE(typeOf(999), QString("` VARCHAR,"));
}

void SendToParadoxTest::noCurrentItemShowsTheMessageOnly()
{
    TransferFixture f;
    f.list1.add("customers");
    f.list2.add("STALE");
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QCOMPARE(f.dialogs.boxes()[0].text, QString("Please select a table to send."));
    QCOMPARE(f.dialogs.boxes()[0].style, 0);
    QCOMPARE(f.dialogs.boxes()[0].title, QString("Tabwright"));
    QCOMPARE(f.list2.items(), QStringList({"STALE"}));
    QCOMPARE(f.pointer.MousePointer(), 0);
}

void SendToParadoxTest::nothingSelectedStillReloadsTheParadoxList()
{
    TransferFixture f;
    f.foxpro().tables["CUSTOMERS"] = customers();
    tw::test::writeAll(f.paradoxFolder() + "/OLD.DB", "x");
    f.list1.add("customers");
    f.list1.setCurrentIndex(0);
    f.list2.add("STALE");
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    QVERIFY(f.dialogs.boxes().empty());
    QCOMPARE(f.list2.items(), QStringList({"OLD"}));
    QCOMPARE(f.pointer.MousePointer(), 0);
}

void SendToParadoxTest::copiesEveryValue()
{
    TransferFixture f;
    f.foxpro().tables["CUSTOMERS"] = customers();
    f.list1.add("customers");
    f.list1.select({"customers"});
    f.dialogs.expectMessage(ui::vbYes); // trim to CUSTOMER
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QCOMPARE(f.dialogs.boxes()[0].text,
             QString("CUSTOMERS is more than 8 characters. It will be trimmed into CUSTOMER. Continue?"));
    QCOMPARE(f.dialogs.boxes()[0].title, QString("Continue?"));
    QCOMPARE(f.dialogs.boxes()[0].style, 4);
    QCOMPARE(f.list2.items(), QStringList({"CUSTOMER"}));
    QVERIFY(QFile::exists(f.paradoxFolder() + "/customer.db"));
    const auto rows = paradoxRows(f, "customer");
    QCOMPARE(rows[0], QStringList({"id:3", "name:201", "price:5", "qty:3", "since:135", "born:135", "active:200",
                                   "credit:200", "photo:205", "raw:205"}));
    QCOMPARE(rows[1], QStringList({"1", QString::fromUtf8("Zoë O'Brien"), "1234.56", "42", "2021-03-04 12:34:56.789",
                                   "1970-01-01 00:00:00", "True", "-12.3456", QString::fromLatin1("\0GIF\xff", 5),
                                   QString::fromLatin1("\x01\x00", 2)}));
    QCOMPARE(rows[2], QStringList({"2", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>",
                                   "<null>"}));
    QVERIFY(workTables(f).isEmpty());
    QCOMPARE(f.progress.values.last(), 0);
    QVERIFY(f.progress.values.contains(100));
    QCOMPARE(f.progress.texts.last(), QString("Progress Bar"));
}

void SendToParadoxTest::longNamesAskToBeTrimmed()
{
    TransferFixture f;
    f.foxpro().tables["CUSTOMERS_2021"] = customers();
    f.foxpro().tables["ORDERS12"] = customers();
    f.list1.add("customers_2021");
    f.list1.add("orders12");
    f.list1.select({"customers_2021", "orders12"});
    f.dialogs.expectMessage(ui::vbYes);
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    // An 8-character name asks nothing; the list is walked from the bottom up.
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QCOMPARE(f.dialogs.boxes()[0].text,
             QString("CUSTOMERS_2021 is more than 8 characters. It will be trimmed into CUSTOMER. Continue?"));
    QStringList listed = f.list2.items();
    listed.sort();
    QCOMPARE(listed, QStringList({"CUSTOMER", "ORDERS12"}));
}

void SendToParadoxTest::answeringNoSkipsOnlyThatTable()
{
    TransferFixture f;
    f.foxpro().tables["LONGNAMED1"] = customers();
    f.foxpro().tables["LONGNAMED2"] = customers();
    f.list1.add("longnamed1");
    f.list1.add("longnamed2");
    f.list1.select({"longnamed1", "longnamed2"});
    f.dialogs.expectMessage(ui::vbNo);  // longnamed2, asked first
    f.dialogs.expectMessage(ui::vbYes); // longnamed1
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    QVERIFY(f.dialogs.boxes()[0].text.startsWith("LONGNAMED2 "));
    QCOMPARE(f.list2.items(), QStringList({"LONGNAME"}));
    QCOMPARE(paradoxRows(f, "longname").size(), 3);
}

void SendToParadoxTest::overwriteDropsTheOldTable()
{
    TransferFixture f;
    MemoryTable small;
    small.columns = {{"n", adInteger}};
    small.rows = {{Variant::integer(1)}};
    f.foxpro().tables["CUSTOMER"] = small;
    f.list1.add("customer");
    f.list1.select({"customer"});
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    QCOMPARE(f.list2.items(), QStringList({"CUSTOMER"}));
    // Second copy, answered No: nothing changes. Third, answered Yes: written afresh.
    f.foxpro().tables["CUSTOMER"].rows.push_back({Variant::integer(2)});
    tw::test::writeAll(f.paradoxFolder() + "/customer.px", "index");
    f.dialogs.expectMessage(ui::vbNo);
    transfer::SendTablesToParadox(context);
    QCOMPARE(f.dialogs.boxes().back().text, QString("Would you like to overwrite customer?"));
    QCOMPARE(f.dialogs.boxes().back().title, QString("Overwrite?"));
    QCOMPARE(paradoxRows(f, "customer").size(), 2);
    f.dialogs.expectMessage(ui::vbYes);
    transfer::SendTablesToParadox(context);
    QCOMPARE(paradoxRows(f, "customer").size(), 3);
    QVERIFY(!QFile::exists(f.paradoxFolder() + "/customer.px")); // went with the dropped table
    QCOMPARE(f.list2.items(), QStringList({"CUSTOMER"}));
    QVERIFY(f.dialogs.unexpected().empty());
}

void SendToParadoxTest::leftoverWorkTableIsReplaced()
{
    TransferFixture f;
    f.foxpro().tables["ITEMS"] = customers();
    {
        Connection work;
        work.Open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + f.dir.path() + "/dbtemp.mdb;");
        work.Execute("CREATE TABLE `items`(`junk` MEMO);");
    }
    f.list1.add("items");
    f.list1.select({"items"});
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    QVERIFY(f.dialogs.boxes().empty());
    QCOMPARE(paradoxRows(f, "items")[0].size(), 10);
    QVERIFY(workTables(f).isEmpty());
}

void SendToParadoxTest::emptyTableIsWritten()
{
    TransferFixture f;
    MemoryTable empty;
    empty.columns = {{"a", adChar}, {"b", adDouble}};
    f.foxpro().tables["EMPTY"] = empty;
    f.list1.add("empty");
    f.list1.select({"empty"});
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    QVERIFY(f.dialogs.boxes().empty());
    QCOMPARE(paradoxRows(f, "empty"), QList<QStringList>({{"a:201", "b:5"}}));
    QVERIFY(!f.progress.values.contains(100));
}

void SendToParadoxTest::missingWorkDatabaseIsReportedOnce()
{
    TransferFixture f;
    f.foxpro().tables["A"] = customers();
    f.foxpro().tables["B"] = customers();
    f.list1.add("a");
    f.list1.add("b");
    f.list1.select({"a", "b"});
    QFile::remove(f.dir.path() + "/dbtemp.mdb");
    f.dialogs.setFallback(ui::vbOK);
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QVERIFY(f.dialogs.boxes()[0].text.contains("in Quillmark2021/08/31.Form2.PushButton3_Click at line 120\r\r"));
    QVERIFY(f.dialogs.boxes()[0].text.contains("dbtemp.mdb"));
    QVERIFY(QDir(f.paradoxFolder()).isEmpty());
    QCOMPARE(f.pointer.MousePointer(), 0);
}

void SendToParadoxTest::aValueTheColumnCannotHoldGoesAsNull()
{
    TransferFixture f;
    MemoryTable table;
    table.columns = {{"n", adInteger}, {"d", adDate}};
    for (int i = 0; i < 50; ++i)
        table.rows.push_back({Variant::integer(i), Variant::text("not a date")});
    f.foxpro().tables["BAD"] = table;
    f.list1.add("bad");
    f.list1.select({"bad"});
    f.dialogs.setFallback(ui::vbOK);
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    // Counted, not reported: every row arrives, without the value that could not be converted.
    QVERIFY(f.dialogs.boxes().empty());
    QCOMPARE(context.lostValues.count(), qint64(50));
    QCOMPARE(context.lostValues.first().front().value, QStringLiteral("not a date"));
    QCOMPARE(context.lostValues.first().front().column, QStringLiteral("d"));
    QCOMPARE(context.outcomes.size(), size_t(1));
    QCOMPARE(context.outcomes[0].kind, TableOutcome::Kind::Copied);
    const auto rows = paradoxRows(f, "bad");
    QCOMPARE(rows.size(), 51);
    QCOMPARE(rows[50], QStringList({"49", "<null>"}));
}

void SendToParadoxTest::stopRequestLeavesNoTable()
{
    TransferFixture f;
    f.foxpro().tables["BIG"] = customers();
    f.list1.add("big");
    f.list1.select({"big"});
    BusyState busy;
    busy.requestClose();
    auto context = f.context();
    context.busy = &busy;
    transfer::SendTablesToParadox(context);
    QVERIFY(!QFile::exists(f.paradoxFolder() + "/big.db"));
    QVERIFY(workTables(f).isEmpty());
}

void SendToParadoxTest::charactersOutsideTheCodePageAreCounted()
{
    TransferFixture f;
    MemoryTable table;
    table.columns = {{"name", adChar}};
    table.rows = {{Variant::text(QString::fromUtf8("Ωmega café"))}, {Variant::text(QString::fromUtf8("Σ"))}};
    f.foxpro().tables["GREEK"] = table;
    f.list1.add("greek");
    f.list1.select({"greek"});
    auto context = f.context();
    transfer::SendTablesToParadox(context);
    QVERIFY(f.dialogs.boxes().empty());
    QCOMPARE(context.replacedCharacters, qint64(2));
    QCOMPARE(paradoxRows(f, "greek")[1], QStringList({QString::fromUtf8("?mega café")}));
}

QTEST_GUILESS_MAIN(SendToParadoxTest)
#include "tst_sendtoparadox.moc"
