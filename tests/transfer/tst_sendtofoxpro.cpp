#include "TestSupport.h"
#include "TransferFixture.h"
#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/Field.h"
#include "platform/foxpro/FoxProSession.h"
#include "platform/paradox/TableWriter.h"
#include "transfer/ColumnPlan.h"
#include "transfer/SendToFoxPro.h"
#include "transfer/StatementText.h"
#include "transfer/TypeRules.h"

#include <QFile>
#include <QTest>

using namespace tw;
using namespace tw::ado;
using tw::paradox::FieldType;
using tw::paradox::NewField;
using tw::test::MemoryTable;
using tw::test::TransferFixture;

class SendToFoxProTest : public QObject {
    Q_OBJECT
private slots:
    void splitLongValue();
    void quotedPiecesDoubleQuotesAndKeepPieces();
    void lineBreaksOutsideValuesOnly();
    void columnNamesAreValidAndUnique();
    void noCurrentItemOpensNothing();
    void buildsTheStatements();
    void overwriteUsesTheListedSpelling();
    void answerNoChangesNothing();
    void unlistedFileIsAskedAbout();
    void emptyTableGetsNoInsert();
    void failedCreateShowsTheStatementAndSkipsTheRows();
    void unreachableFoxProIsReportedOnce();

private:
    static void paradoxTable(TransferFixture &f, const QString &name, const std::vector<NewField> &columns,
                             const std::vector<std::vector<Variant>> &rows);
};

void SendToFoxProTest::paradoxTable(TransferFixture &f, const QString &name, const std::vector<NewField> &columns,
                                    const std::vector<std::vector<Variant>> &rows)
{
    paradox::TableWriter writer(f.paradoxFolder(), name, columns);
    for (const auto &row : rows)
        writer.appendRow(row);
    writer.finish();
}

void SendToFoxProTest::splitLongValue()
{
    QCOMPARE(FoxproSource::SplitLongValue(""), QString());
    QCOMPARE(FoxproSource::SplitLongValue(QString(199, u'a')), QString(199, u'a'));
    QCOMPARE(FoxproSource::SplitLongValue(QString(200, u'a')), QString(200, u'a') + "'+'");
    QCOMPARE(FoxproSource::SplitLongValue(QString(450, u'a')),
             QString(200, u'a') + "'+'" + QString(200, u'a') + "'+'" + QString(50, u'a'));
}

void SendToFoxProTest::quotedPiecesDoubleQuotesAndKeepPieces()
{
    QCOMPARE(FoxproSource::QuotedPieces("O'Brien"), QString("O''Brien"));
    // A quote on a piece boundary stays whole, and pieces count the value's characters.
    const QString value = QString(199, u'x') + "'" + "y";
    QCOMPARE(FoxproSource::QuotedPieces(value), QString(199, u'x') + "'''+'" + "y");
    QCOMPARE(FoxproSource::QuotedPieces(QString(200, u'z')), QString(200, u'z') + "'+'");
    // Appended after what the statement holds; quotes starting a piece and ending the value.
    QString statement = QStringLiteral("VALUES('");
    FoxproSource::AppendQuotedPieces(statement, QString(200, u'a') + "''" + QString(199, u'b') + "'");
    const QString expected = "VALUES('" + QString(200, u'a') + "'+'" + "''''" + QString(198, u'b') + "'+'" + "b''";
    QCOMPARE(statement, expected);
    FoxproSource::AppendQuotedPieces(statement, QString());
    QCOMPARE(statement, expected);
}

void SendToFoxProTest::lineBreaksOutsideValuesOnly()
{
    QCOMPARE(FoxproSource::RemoveLineBreaksOutsideValues("INSERT INTO `a\r\nb` VALUES('x\r\ny', 'it''s\n')\r\n"),
             QString("INSERT INTO `ab` VALUES('x\r\ny', 'it''s\n')"));
    QCOMPARE(FoxproSource::RemoveLineBreaksOutsideValues("INSERT INTO `/o'brien\\t.DBF` VALUES('a\nb')"),
             QString("INSERT INTO `/o'brien\\t.DBF` VALUES('a\nb')"));
}

void SendToFoxProTest::columnNamesAreValidAndUnique()
{
    QCOMPARE(foxpro::columnNamesFor({"Customer Name", "Unit/Price", "Photo", "Unit Price", "Unit_Price"}),
             QStringList({"Customer_N", "Unit_Price", "Photo", "Unit_Pric2", "Unit_Pric3"}));
    // Letters of the table's code page stay (Windows-1252 without one).
    QCOMPARE(foxpro::columnNamesFor({"2nd", "a-b.c", "", QString::fromUtf8("Größe")}),
             QStringList({"_2nd", "a_b_c", "_", QString::fromUtf8("Größe")}));
    // Cyrillic names in a Cyrillic table; in a Windows-1252 one they become "_"
    // and are still told apart.
    const QStringList cyrillic{QString::fromUtf8("Фамилия"), QString::fromUtf8("Имя"), QString::fromUtf8("Имя №")};
    QCOMPARE(foxpro::columnNamesFor(cyrillic, 866),
             QStringList({QString::fromUtf8("Фамилия"), QString::fromUtf8("Имя"), QString::fromUtf8("Имя__")}));
    QCOMPARE(foxpro::columnNamesFor(cyrillic, 0), QStringList({"_______", "___", "_____"}));
    QCOMPARE(foxpro::columnNamesFor(cyrillic, 1251), foxpro::columnNamesFor(cyrillic, 866));
    // Ten bytes hold five Chinese characters, never half of one.
    QCOMPARE(foxpro::columnNamesFor({QString::fromUtf8("客户名称和地址"), QString::fromUtf8("客户名称和电话")}, 936),
             QStringList({QString::fromUtf8("客户名称和"), QString::fromUtf8("客户名称2")}));
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many << "UNIT_PRICE";
    const QStringList names = foxpro::columnNamesFor(many);
    QCOMPARE(names[1], QString("UNIT_PRIC2"));
    QCOMPARE(names[9], QString("UNIT_PRI10"));
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 12);
    const TransferFixture f; // the FoxPro provider the plan asks for names
    const auto typeOf = [](int type) {
        return transfer::planColumns(false, transfer::TypeMapping::Copies, {ado::ColumnInfo{"c", type}}, 0)
            .columns[0]
            .typeWords;
    };
    QCOMPARE(typeOf(adLongVarBinary), QString("BLOB"));
    QCOMPARE(typeOf(adBinary), QString("BLOB"));
    QCOMPARE(typeOf(adCurrency), QString("M"));
    QCOMPARE(typeOf(adLongVarChar), QString("M"));
    // Money and numbers kept as doubles go as the shortest text of the same double.
    const std::vector<std::pair<double, const char *>> money{
        {3.14158, "3.14158"}, {12.5, "12.5"}, {-0.0001, "-0.0001"}, {0.1 + 0.2, "0.30000000000000004"}};
    for (const auto &[amount, text] : money) {
        std::vector<ado::Variant> row{ado::Variant::real(amount)};
        const ado::Field field(ado::ColumnInfo{"PRICE", adCurrency, 19, 4, 0}, &row, 0);
        QString scratch;
        QCOMPARE(transfer::FoxProValueText(field, scratch).toString(), QString(text));
    }
}

void SendToFoxProTest::noCurrentItemOpensNothing()
{
    TransferFixture f;
    f.list2.add("ORDERS");
    auto context = f.context();
    transfer::SendTablesToFoxPro(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QCOMPARE(f.dialogs.boxes()[0].text, QString("Please select a table to send."));
    QVERIFY(f.foxpro().executed.isEmpty());
}

void SendToFoxProTest::buildsTheStatements()
{
    TransferFixture f;
    paradoxTable(
        f, "orders",
        {{"Customer Name", FieldType::Alpha, 40},
         {"Unit/Price", FieldType::Money},
         {"Photo", FieldType::Blob},
         {"Notes", FieldType::Memo},
         {"Qty", FieldType::Long}},
        {{Variant::text("O'Brien"), Variant::real(134.85000000000002), Variant::bytes(QByteArray("\0\x01\xff", 3)),
          Variant::text("line one\r\nline two"), Variant::integer(42)},
         {Variant::null(), Variant::real(12.5), Variant::null(), Variant::text(QString(450, u'q')),
          Variant::integer(-1)}});
    f.list2.add("ORDERS");
    f.list2.select({"ORDERS"});
    auto context = f.context();
    transfer::SendTablesToFoxPro(context);
    QVERIFY2(f.dialogs.boxes().empty(), f.dialogs.boxes().empty() ? "" : qPrintable(f.dialogs.boxes()[0].text));
    const QString path = f.foxproFolder() + "\\ORDERS.DBF";
    const QStringList executed = f.foxpro().executed;
    QCOMPARE(executed.size(), 3);
    QCOMPARE(executed[0], "CREATE TABLE [" + path + "]([Customer_N] M,[Unit_Price] M,[Photo] BLOB,[Notes] M,[Qty] M);");
    QCOMPARE(executed[1], "INSERT INTO `" + path + "` VALUES('O''Brien', '134.85000000000002', '" +
                              QString::fromLatin1("\0\x01\xff", 3) + "', 'line one\r\nline two', '42')");
    QCOMPARE(executed[2], "INSERT INTO `" + path + "` VALUES('', '12.5', '', '" + QString(200, u'q') + "'+'" +
                              QString(200, u'q') + "'+'" + QString(50, u'q') + "', '-1')");
    // The rows arrived as the FoxPro side parses them.
    const auto &rows = f.foxpro().tables[path.toUpper()].rows;
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0][3], Variant::text("line one\r\nline two"));
    QCOMPARE(rows[1][3].toText().size(), 450);
    QCOMPARE(f.list1.items(), QStringList({"orders"}));
    QCOMPARE(f.progress.texts.last(), QString("Progress Bar"));
    QCOMPARE(f.progress.values.last(), 0);
    QCOMPARE(f.pointer.MousePointer(), 0);
}

void SendToFoxProTest::overwriteUsesTheListedSpelling()
{
    TransferFixture f;
    paradoxTable(f, "Orders", {{"a", FieldType::Alpha, 5}}, {{Variant::text("x")}});
    MemoryTable old;
    old.columns = {{"a", adLongVarChar}};
    f.foxpro().tables["ORDERS"] = old;
    f.list1.add("ORDERS");
    f.list2.add("Orders");
    f.list2.select({"Orders"});
    f.dialogs.expectMessage(ui::vbYes);
    auto context = f.context();
    transfer::SendTablesToFoxPro(context);
    QCOMPARE(f.dialogs.boxes()[0].text, QString("Would you like to overwrite ORDERS?"));
    QCOMPARE(f.foxpro().executed[0], QString("DROP TABLE `ORDERS`"));
    QVERIFY(f.foxpro().executed[1].startsWith("CREATE TABLE [" + f.foxproFolder() + "\\ORDERS.DBF]("));
    QCOMPARE(f.list1.items(), QStringList({"orders"}));
}

void SendToFoxProTest::answerNoChangesNothing()
{
    TransferFixture f;
    paradoxTable(f, "orders", {{"a", FieldType::Alpha, 5}}, {{Variant::text("x")}});
    tw::test::writeAll(f.foxproFolder() + "/orders.dbf", "keep");
    f.list1.add("orders");
    f.list2.add("ORDERS");
    f.list2.select({"ORDERS"});
    f.dialogs.expectMessage(ui::vbNo);
    auto context = f.context();
    transfer::SendTablesToFoxPro(context);
    QVERIFY(f.foxpro().executed.isEmpty());
    QCOMPARE(tw::test::readAll(f.foxproFolder() + "/orders.dbf"), QByteArray("keep"));
    QCOMPARE(f.list1.items(), QStringList({"orders"}));
}

void SendToFoxProTest::unlistedFileIsAskedAbout()
{
    // A file under the target name that the list does not show is a table
    // like any other: it is replaced only when the user says so.
    TransferFixture f;
    paradoxTable(f, "orders", {{"a", FieldType::Alpha, 5}}, {});
    tw::test::writeAll(f.foxproFolder() + "/ORDERS.DBF", "stale");
    f.list2.add("ORDERS");
    f.list2.select({"ORDERS"});
    f.dialogs.expectMessage(ui::vbNo);
    auto context = f.context();
    transfer::SendTablesToFoxPro(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QCOMPARE(f.dialogs.boxes()[0].text, QStringLiteral("Would you like to overwrite ORDERS?"));
    QCOMPARE(tw::test::readAll(f.foxproFolder() + "/ORDERS.DBF"), QByteArray("stale"));
    QVERIFY(f.foxpro().executed.isEmpty());
    QCOMPARE(context.outcomes.size(), size_t(1));
    QCOMPARE(context.outcomes[0].kind, TableOutcome::Kind::PassedOver);
}

void SendToFoxProTest::emptyTableGetsNoInsert()
{
    TransferFixture f;
    paradoxTable(f, "a", {{"n", FieldType::Number}}, {});
    paradoxTable(f, "b", {{"n", FieldType::Number}}, {{Variant::real(1)}});
    f.list2.add("A");
    f.list2.add("B");
    f.list2.select({"A", "B"});
    auto context = f.context();
    transfer::SendTablesToFoxPro(context);
    // Walked from the bottom of the list up.
    QCOMPARE(f.list1.items(), QStringList({"b", "a"}));
    QCOMPARE(f.foxpro().executed.filter("INSERT").size(), 1);
}

void SendToFoxProTest::failedCreateShowsTheStatementAndSkipsTheRows()
{
    TransferFixture f;
    paradoxTable(f, "t", {{"a", FieldType::Alpha, 5}}, {{Variant::text("one")}, {Variant::text("two")}});
    f.list2.add("T");
    f.list2.select({"T"});
    f.dialogs.setFallback(ui::vbOK);
    auto context = f.context();
    transfer::SendTablesToFoxPro(context);
    QVERIFY(f.dialogs.boxes().empty());
    // A second copy finds a table the FoxPro side will not create again.
    f.list1.clear();
    f.foxpro().tables.clear();
    f.foxpro().executed.clear();
    f.foxpro().tables[(f.foxproFolder() + "\\T.DBF").toUpper()] = {}; // CREATE will refuse: already there
    transfer::SendTablesToFoxPro(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    const QString report = f.dialogs.boxes()[0].text;
    QVERIFY2(report.contains("in Quillmark2021/08/31.Form2.PushButton4_Click at line 148\r\r"), qPrintable(report));
    QVERIFY2(report.endsWith("\r\rsql: CREATE TABLE [" + f.foxproFolder() + "\\T.DBF]([a] M);"), qPrintable(report));
    QCOMPARE(f.foxpro().executed.filter("INSERT").size(), 0);
    QVERIFY(f.list1.items().isEmpty());
}

void SendToFoxProTest::unreachableFoxProIsReportedOnce()
{
    TransferFixture f;
    paradoxTable(f, "x", {{"a", FieldType::Alpha, 5}}, {{Variant::text("one")}});
    paradoxTable(f, "y", {{"a", FieldType::Alpha, 5}}, {{Variant::text("two")}});
    f.list2.add("X");
    f.list2.add("Y");
    f.list2.select({"X", "Y"});
    f.settings.freeTables.clear(); // no FoxPro folder: the provider refuses the connection
    f.memory->refused << "";
    f.dialogs.setFallback(ui::vbOK);
    auto context = f.context();
    transfer::SendTablesToFoxPro(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QVERIFY(f.dialogs.boxes()[0].text.contains("at line 110\r\r"));
    QVERIFY(f.dialogs.boxes()[0].text.endsWith("\r\rsql: "));
}

QTEST_GUILESS_MAIN(SendToFoxProTest)
#include "tst_sendtofoxpro.moc"
