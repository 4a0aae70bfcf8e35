#include "TestSupport.h"
#include "common/CommandGuard.h"
#include "common/DoEvents.h"
#include "common/Main.h"
#include "common/ProgramFiles.h"
#include "platform/ui/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tw;
using namespace tw::Main;
using tw::ado::Variant;

class MainRoutinesTest : public QObject {
    Q_OBJECT
private slots:
    void listHasItemIgnoresCase();
    void listRemoveMatchingIsExactAndSkipsTheNext();
    void listRoutinesOnAnEmptyList();
    void nullTo();
    void folderOf_data();
    void folderOf();
    void collapseBackslashes_data();
    void collapseBackslashes();
    void fileAndFolderTests();
    void programFiles_data();
    void programFiles();
    void deleteFileForced();
    void renameFileMovesTheFile();
    void renameFileKeepsTheOldFileWhenTheCopyFails();
    void commandGuardRefusesASecondCommand();
    void doEventsIsThrottled();
};

void MainRoutinesTest::listHasItemIgnoresCase()
{
    MemoryTableList list({"CUSTOMER", "ORDERS"});
    QVERIFY(ListHasItem(list, "orders"));
    QVERIFY(ListHasItem(list, "Customer"));
    QVERIFY(!ListHasItem(list, "order"));
}

void MainRoutinesTest::listRemoveMatchingIsExactAndSkipsTheNext()
{
    MemoryTableList list({"ORDERS", "orders", "A", "A", "B", "A"});
    ListRemoveMatching(list, "orders");
    QCOMPARE(list.items(), QStringList({"ORDERS", "A", "A", "B", "A"}));
    // After removing index 1 the walk goes on at index 2, so the second "A"
    // (which moved into index 1) stays; the last one is removed.
    ListRemoveMatching(list, "A");
    QCOMPARE(list.items(), QStringList({"ORDERS", "A", "B"}));
}

void MainRoutinesTest::listRoutinesOnAnEmptyList()
{
    MemoryTableList list;
    QVERIFY(!ListHasItem(list, ""));
    ListRemoveMatching(list, "x");
    QCOMPARE(list.count(), 0);
}

void MainRoutinesTest::nullTo()
{
    QCOMPARE(NullTo(Variant::null(), Variant::text("")), Variant::text(""));
    QCOMPARE(NullTo(Variant::text(""), Variant::text("d")), Variant::text(""));
    QCOMPARE(NullTo(Variant(), Variant::text("d")), Variant());
    QCOMPARE(NullTo(Variant::integer(3), Variant::text("d")), Variant::integer(3));
}

void MainRoutinesTest::folderOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::newRow("container") << "C:\\Data\\sales.dbc"
                               << "C:\\Data\\";
    QTest::newRow("no separator") << "sales.dbc"
                                  << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("posix") << "/data/x/sales.dbc"
                           << "/data/x/";
    QTest::newRow("trailing") << "C:\\Data\\"
                              << "C:\\Data\\";
}

void MainRoutinesTest::folderOf()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QCOMPARE(FolderOf(path), folder);
}

void MainRoutinesTest::collapseBackslashes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("result");
    QTest::newRow("doubled") << "C:\\\\Data"
                             << "C:\\Data";
    QTest::newRow("three become two") << "C:\\\\\\Data"
                                      << "C:\\\\Data";
    QTest::newRow("four become two") << "C:\\\\\\\\Data"
                                     << "C:\\\\Data";
    QTest::newRow("network") << "\\\\server\\\\share\\x"
                             << "\\\\server\\share\\x";
    QTest::newRow("single leading") << "\\folder"
                                    << "\\\\folder";
    QTest::newRow("long leading run") << "\\\\\\\\\\folder"
                                      << "\\\\folder";
    QTest::newRow("one backslash") << "\\"
                                   << "\\\\";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("folder and separator") << "/data/px\\\\"
                                          << "/data/px\\";
    QTest::newRow("mixed pair") << "/data/px/\\"
                                << "/data/px/";
    QTest::newRow("untouched") << "C:\\Data\\x.db"
                               << "C:\\Data\\x.db";
}

void MainRoutinesTest::collapseBackslashes()
{
    QFETCH(QString, path);
    QFETCH(QString, result);
    QCOMPARE(CollapseBackslashes(path), result);
}

void MainRoutinesTest::fileAndFolderTests()
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/Orders.DB";
    test::writeAll(file, "x");
    QVERIFY(FileExists(file));
    QVERIFY(FileExists(dir.path() + "\\orders.db")); // another letter case, Windows separator
    QVERIFY(!FileExists(dir.path() + "/missing.db"));
    QVERIFY(!FileExists(""));
    QVERIFY(FolderExists(dir.path()));
    QVERIFY(FolderExists(dir.path() + "\\"));
    QVERIFY(!FolderExists(file));
    QVERIFY(!FolderExists(""));
    QVERIFY(!FolderExists(dir.path() + "/nope"));
}

void MainRoutinesTest::programFiles_data()
{
    QTest::addColumn<QStringList>("layout"); // folders (ending in "/") and files under the top
    QTest::addColumn<QString>("files");      // where the program's files are, from the top
    QTest::addColumn<bool>("installed");
    // A build or the zip: everything beside the program, written there.
    QTest::newRow("beside") << QStringList{"bin/Samples/", "bin/HAND-M.CUR"} << "bin" << false;
    // cmake --install and the .deb: the files under share/tabwright, never written.
    QTest::newRow("share") << QStringList{"bin/", "share/tabwright/Samples/", "share/tabwright/installed.txt"}
                           << "share/tabwright" << true;
    // The .msi: beside the program, marked.
    QTest::newRow("msi") << QStringList{"bin/Samples/", "bin/installed.txt"} << "bin" << true;
    // A share folder the package did not mark still holds the files.
    QTest::newRow("share, unmarked") << QStringList{"bin/", "share/tabwright/"} << "share/tabwright" << false;
    // Another program's share folder is not ours.
    QTest::newRow("other share") << QStringList{"bin/", "share/other/installed.txt"} << "bin" << false;
}

void MainRoutinesTest::programFiles()
{
    QFETCH(QStringList, layout);
    QFETCH(QString, files);
    QFETCH(bool, installed);
    QTemporaryDir top;
    for (const QString &entry : layout) {
        QVERIFY(QDir().mkpath(QFileInfo(top.filePath(entry)).path()));
        if (!entry.endsWith('/'))
            test::writeAll(top.filePath(entry), "x");
    }
    const QString folder = programFilesFolder(top.filePath("bin"));
    QCOMPARE(QDir::cleanPath(folder), top.filePath(files));
    QCOMPARE(installedByPackage(folder), installed);
    // The folder can be written here: only a package's mark keeps the program out.
    QCOMPARE(writableBesideProgram(folder, folder), !installed);
    QVERIFY(!writableBesideProgram(folder, folder + "/missing"));
}

void MainRoutinesTest::deleteFileForced()
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/ro.db";
    test::writeAll(file, "x");
    QFile::setPermissions(file, QFile::ReadOwner);
    DeleteFileForced(file);
    QVERIFY(!QFile::exists(file));
    DeleteFileForced(dir.path() + "/never-there.db"); // harmless
    DeleteFileForced("");
}

void MainRoutinesTest::renameFileMovesTheFile()
{
    QTemporaryDir dir;
    ui::ScriptedDialogs dialogs;
    test::writeAll(dir.path() + "/OLD.DB", "content");
    RenameFile(dialogs, dir.path() + "\\old.db", dir.path() + "\\New.DB");
    QVERIFY(dialogs.boxes().empty());
    QVERIFY(!QFile::exists(dir.path() + "/OLD.DB"));
    QCOMPARE(test::readAll(dir.path() + "/New.DB"), QByteArray("content"));
}

void MainRoutinesTest::renameFileKeepsTheOldFileWhenTheCopyFails()
{
    QTemporaryDir dir;
    ui::ScriptedDialogs dialogs;
    dialogs.setFallback(ui::vbOK);
    test::writeAll(dir.path() + "/OLD.DB", "content");
    RenameFile(dialogs, dir.path() + "/OLD.DB", dir.path() + "/no/such/folder/NEW.DB");
    QCOMPARE(dialogs.boxes().size(), size_t(1));
    QVERIFY(dialogs.boxes()[0].text.contains("in Quillmark2021/08/31.Main.RenameFile at line 100\r\r"));
    QCOMPARE(dialogs.boxes()[0].title, QString("Application Error"));
    QCOMPARE(test::readAll(dir.path() + "/OLD.DB"), QByteArray("content"));
}

void MainRoutinesTest::commandGuardRefusesASecondCommand()
{
    BusyState state;
    {
        CommandGuard first(state);
        QVERIFY(bool(first));
        QVERIFY(state.busy());
        CommandGuard second(state);
        QVERIFY(!second);
    }
    QVERIFY(!state.busy());
    CommandGuard again(state);
    QVERIFY(bool(again));
}

void MainRoutinesTest::doEventsIsThrottled()
{
    int argc = 1;
    char name[] = "tst_main";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    int runs = 0;
    setDoEventsObserver([&runs] { ++runs; });
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 100)
        DoEvents();
    setDoEventsObserver({});
    // At most one run per 15 ms (plus the first); at least one run.
    QVERIFY2(runs >= 1 && runs <= 100 / kDoEventsIntervalMs + 2, qPrintable(QString::number(runs)));
}

QTEST_APPLESS_MAIN(MainRoutinesTest)
#include "tst_main.moc"
