#include "TestSupport.h"
#include "TransferFixture.h"
#include "platform/ado/DataTypeEnum.h"
#include "transfer/TableCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace tw;
using tw::test::MemoryTable;
using tw::test::TransferFixture;
using namespace tw::transfer;

class TableCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void emptyListsShowTheirMessages();
    void nothingSelectedDoesNothing();
    void foxproDeleteDropsSelectedTables();
    void foxproDeleteKeepsEntriesItCouldNotDrop();
    void paradoxDeleteTakesCompanionsAlong();
    void paradoxDeleteLeavesSubFolderTables();
    void paradoxDeleteReportsAndKeepsWhatItCouldNotDelete();
    void renameMovesTheTableAndItsCompanions();
    void renameRefusesExistingAndOddNames();
    void renameCancelAndSelectionRules();
    void renameOfASubFolderTableReportsTheCopy();
    void reportsNamePathsAsThisSystemWritesThem();

private:
    static QStringList filesIn(const QString &folder)
    {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        return names;
    }
};

void TableCommandsTest::emptyListsShowTheirMessages()
{
    TransferFixture f;
    auto context = f.context();
    DeleteFoxProTables(context);
    DeleteParadoxTables(context);
    RenameParadoxTable(context);
    QStringList texts;
    for (const auto &box : f.dialogs.boxes()) {
        texts << box.text;
        QCOMPARE(box.style, 0);
        QCOMPARE(box.title, QString("Tabwright"));
    }
    QCOMPARE(texts, QStringList({"Please select a table", "Please select a table to delete.",
                                 "Please select a table to rename."}));
    QCOMPARE(f.pointer.MousePointer(), 0);
}

void TableCommandsTest::nothingSelectedDoesNothing()
{
    TransferFixture f;
    f.foxpro().tables["A"] = {};
    f.list1.add("a");
    f.list1.setCurrentIndex(0);
    tw::test::writeAll(f.paradoxFolder() + "/B.DB", "b");
    f.list2.add("B");
    f.list2.setCurrentIndex(0);
    auto context = f.context();
    DeleteFoxProTables(context);
    DeleteParadoxTables(context);
    QVERIFY(f.dialogs.boxes().empty());
    QCOMPARE(f.list1.count(), 1);
    QCOMPARE(f.list2.count(), 1);
    QVERIFY(QFile::exists(f.paradoxFolder() + "/B.DB"));
    QVERIFY(f.foxpro().executed.isEmpty());
    RenameParadoxTable(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QCOMPARE(f.dialogs.boxes()[0].text, QString("Please select just one table to rename."));
}

void TableCommandsTest::foxproDeleteDropsSelectedTables()
{
    TransferFixture f;
    for (const char *name : {"A", "B", "C"})
        f.foxpro().tables[name] = {};
    f.list1 = MemoryTableList({"a", "b", "c"});
    f.list1.select({"a", "c"});
    auto context = f.context();
    DeleteFoxProTables(context);
    QVERIFY(f.dialogs.boxes().empty());
    QCOMPARE(f.foxpro().executed, QStringList({"DROP TABLE `c`", "DROP TABLE `a`"}));
    QCOMPARE(f.list1.items(), QStringList({"b"}));
    QCOMPARE(f.memory->lastOptions.commandTimeout, 5000);
    QCOMPARE(f.memory->lastOptions.connectionTimeout, 5000);
    QCOMPARE(f.memory->lastOptions.cursorLocation, 2);
}

void TableCommandsTest::foxproDeleteKeepsEntriesItCouldNotDrop()
{
    TransferFixture f;
    f.foxpro().tables["A"] = {};
    f.list1 = MemoryTableList({"a", "gone"});
    f.list1.select({"a", "gone"});
    f.dialogs.setFallback(ui::vbOK);
    auto context = f.context();
    DeleteFoxProTables(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QVERIFY(f.dialogs.boxes()[0].text.contains("in Quillmark2021/08/31.Form2.PushButton1_Click at line 114\r\r"));
    QCOMPARE(f.list1.items(), QStringList({"gone"}));
    // A source that cannot be opened: one report, nothing removed.
    f.dialogs.clear();
    f.dialogs.setFallback(ui::vbOK);
    f.memory->refused << f.settings.freeTables;
    DeleteFoxProTables(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QVERIFY(f.dialogs.boxes()[0].text.contains("at line 104\r\r"));
    QCOMPARE(f.list1.items(), QStringList({"gone"}));
}

void TableCommandsTest::paradoxDeleteTakesCompanionsAlong()
{
    TransferFixture f;
    const QString px = f.paradoxFolder();
    for (const char *name : {"ORDERS.DB", "orders.MB", "ORDERS.PX", "ORDERS.X02", "orders.y02", "ORDERS.VAL",
                             "ORDERS.TV", "ORDERS.FAM", "ORDERS.TXT", "ORDERS2.DB", "ORDERS2.MB", "KEEP.DB"})
        tw::test::writeAll(px + "/" + name, "x");
    f.list2 = MemoryTableList({"KEEP", "ORDERS", "ORDERS2"});
    f.list2.select({"ORDERS", "ORDERS2"});
    auto context = f.context();
    DeleteParadoxTables(context);
    QVERIFY(f.dialogs.boxes().empty());
    QCOMPARE(f.list2.items(), QStringList({"KEEP"}));
    QCOMPARE(filesIn(px), QStringList({"KEEP.DB", "ORDERS.TXT"}));
}

void TableCommandsTest::paradoxDeleteLeavesSubFolderTables()
{
    TransferFixture f;
    QDir(f.paradoxFolder()).mkdir("sub");
    tw::test::writeAll(f.paradoxFolder() + "/sub/DEEP.DB", "x");
    f.list2 = MemoryTableList({"DEEP"});
    f.list2.select({"DEEP"});
    auto context = f.context();
    DeleteParadoxTables(context);
    QCOMPARE(f.list2.items(), QStringList({"DEEP"}));
    QVERIFY(QFile::exists(f.paradoxFolder() + "/sub/DEEP.DB"));
}

void TableCommandsTest::paradoxDeleteReportsAndKeepsWhatItCouldNotDelete()
{
    // A folder standing where ORDERS.DB should be cannot be deleted, not even
    // by the forced delete (as a file in a folder the user may not write).
    TransferFixture f;
    const QString px = f.paradoxFolder();
    QVERIFY(QDir(px).mkdir("ORDERS.DB"));
    tw::test::writeAll(px + "/ORDERS.MB", "memo");
    tw::test::writeAll(px + "/ORDERS.PX", "index");
    tw::test::writeAll(px + "/GONE.DB", "x");
    f.list2 = MemoryTableList({"GONE", "ORDERS"});
    f.list2.select({"GONE", "ORDERS"});
    f.dialogs.setFallback(ui::vbOK);
    auto context = f.context();
    DeleteParadoxTables(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    const QString report = f.dialogs.boxes()[0].text;
    QVERIFY2(report.contains("in Quillmark2021/08/31.Form2.PushButton5_Click at line 110\r\r"), qPrintable(report));
    QVERIFY2(report.contains("ORDERS.DB"), qPrintable(report));
    // The table stays whole and listed; the other selected table is gone.
    QCOMPARE(f.list2.items(), QStringList({"ORDERS"}));
    QCOMPARE(filesIn(px), QStringList({"ORDERS.MB", "ORDERS.PX"}));
    QVERIFY(QFileInfo(px + "/ORDERS.DB").isDir());
    QCOMPARE(f.pointer.MousePointer(), 0);
}

void TableCommandsTest::renameMovesTheTableAndItsCompanions()
{
    TransferFixture f;
    const QString px = f.paradoxFolder();
    tw::test::writeAll(px + "/orders.db", "table");
    tw::test::writeAll(px + "/orders.mb", "memo");
    tw::test::writeAll(px + "/ORDERS.PX", "index");
    tw::test::writeAll(px + "/other.db", "other");
    f.list2 = MemoryTableList({"ORDERS", "OTHER"});
    f.list2.select({"ORDERS"});
    f.dialogs.expectText("Sales");
    auto context = f.context();
    RenameParadoxTable(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(1));
    QCOMPARE(f.dialogs.boxes()[0].text, QString("Enter new name of ORDERS:"));
    QCOMPARE(f.dialogs.boxes()[0].defaultText, QString("ORDERS"));
    QCOMPARE(f.dialogs.boxes()[0].title, QString("Tabwright"));
    QCOMPARE(filesIn(px), QStringList({"Sales.DB", "Sales.PX", "Sales.mb", "other.db"}));
    QCOMPARE(tw::test::readAll(px + "/Sales.DB"), QByteArray("table"));
    QCOMPARE(tw::test::readAll(px + "/Sales.mb"), QByteArray("memo"));
    QCOMPARE(f.list2.items(), QStringList({"OTHER", "Sales"}));
    QCOMPARE(f.list2.currentIndex(), 0);
}

void TableCommandsTest::renameRefusesExistingAndOddNames()
{
    TransferFixture f;
    const QString px = f.paradoxFolder();
    tw::test::writeAll(px + "/orders.db", "table");
    tw::test::writeAll(px + "/Sales.DB", "sales");
    f.list2 = MemoryTableList({"ORDERS", "SALES"});
    f.list2.select({"ORDERS"});
    auto context = f.context();
    for (const QString &answer :
         {QString("sales"), QString("Orders"), QString("../x"), QString("a/b"), QString("c:d"), QString("..")}) {
        f.dialogs.clear();
        f.dialogs.expectText(answer);
        f.dialogs.expectMessage(ui::vbOK);
        RenameParadoxTable(context);
        QCOMPARE(f.dialogs.boxes().size(), size_t(2));
        if (answer == "sales" || answer == "Orders")
            QCOMPARE(f.dialogs.boxes()[1].text,
                     answer + " already exists.\r\nCould not rename this table ORDERS to " + answer);
        else
            QVERIFY2(f.dialogs.boxes()[1].text.contains("cannot be used"), qPrintable(f.dialogs.boxes()[1].text));
    }
    QCOMPARE(filesIn(px), QStringList({"Sales.DB", "orders.db"}));
    QCOMPARE(filesIn(f.dir.path()), QStringList({"dbtemp.mdb"}));
    QCOMPARE(f.list2.items(), QStringList({"ORDERS", "SALES"}));
}

void TableCommandsTest::renameCancelAndSelectionRules()
{
    TransferFixture f;
    tw::test::writeAll(f.paradoxFolder() + "/A.DB", "a");
    f.list2 = MemoryTableList({"A", "B"});
    f.list2.select({"A", "B"});
    auto context = f.context();
    RenameParadoxTable(context);
    QCOMPARE(f.dialogs.boxes().back().text, QString("Please select just one table to rename."));
    f.list2.setSelected(1, false);
    f.dialogs.expectText("");
    RenameParadoxTable(context);
    QCOMPARE(f.dialogs.boxes().back().kind, ui::ScriptedDialogs::Kind::Input);
    QCOMPARE(f.list2.items(), QStringList({"A", "B"}));
    QVERIFY(QFile::exists(f.paradoxFolder() + "/A.DB"));
}

void TableCommandsTest::renameOfASubFolderTableReportsTheCopy()
{
    TransferFixture f;
    QDir(f.paradoxFolder()).mkdir("sub");
    tw::test::writeAll(f.paradoxFolder() + "/sub/DEEP.DB", "x");
    f.list2 = MemoryTableList({"DEEP"});
    f.list2.select({"DEEP"});
    f.dialogs.expectText("NEWDEEP");
    f.dialogs.setFallback(ui::vbOK);
    auto context = f.context();
    RenameParadoxTable(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(2));
    QVERIFY(f.dialogs.boxes()[1].text.contains("in Quillmark2021/08/31.Main.RenameFile at line 100\r\r"));
    QCOMPARE(f.list2.items(), QStringList({"NEWDEEP"}));
    QVERIFY(QFile::exists(f.paradoxFolder() + "/sub/DEEP.DB"));
}

void TableCommandsTest::reportsNamePathsAsThisSystemWritesThem()
{
    // The folder typed with "\\": the report of a rename that cannot copy
    // the table names both files with this system's separator.
    TransferFixture f;
    f.settings.paradox = f.dir.path() + "\\px";
    QDir(f.paradoxFolder()).mkdir("sub");
    tw::test::writeAll(f.paradoxFolder() + "/sub/DEEP.DB", "x");
    f.list2 = MemoryTableList({"DEEP"});
    f.list2.select({"DEEP"});
    f.dialogs.expectText("NEWDEEP");
    f.dialogs.setFallback(ui::vbOK);
    auto context = f.context();
    RenameParadoxTable(context);
    QCOMPARE(f.dialogs.boxes().size(), size_t(2));
    const QString report = f.dialogs.boxes()[1].text;
    const QString shown = QDir::toNativeSeparators(f.paradoxFolder()) + QDir::separator();
    QVERIFY2(report.contains(shown + "DEEP.DB") && report.contains(shown + "NEWDEEP.DB"), qPrintable(report));
}

QTEST_GUILESS_MAIN(TableCommandsTest)
#include "tst_tablecommands.moc"
