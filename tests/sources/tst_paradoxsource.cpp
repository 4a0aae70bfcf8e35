#include "SystemAccess.h"
#include "TestSupport.h"
#include "common/ConnectionSettings.h"
#include "common/TableList.h"
#include "platform/ui/ScriptedDialogs.h"
#include "sources/AddFolder.h"
#include "sources/Paradox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tw;

class ParadoxSourceTest : public QObject {
    Q_OBJECT
private slots:
    void connectionStringHoldsTheFolderTwice();
    void emptyFolderText();
    void temporaryTablesCountButAreNotListed();
    void namesAreUpperCasedWithoutEveryDb();
    void subFoldersAreListedLevelByLevel();
    void oddNamedFoldersAreNotWalked();
    void linkLoopsEndTheWalk();
    void unreadableFolderIsDropped();
    void findFilesIncludesHiddenAndSkipsFolders();
    void hasOddCharacters_data();
    void hasOddCharacters();

private:
    static void touch(const QString &path) { test::writeAll(path, "x"); }
    static QStringList listed(const QString &folder);
};

QStringList ParadoxSourceTest::listed(const QString &folder)
{
    PlainConnectionSettings settings;
    settings.paradox = folder;
    MemoryTableList list({"stale"});
    ui::ScriptedDialogs dialogs;
    ParadoxSource::ListParadoxTables(list, settings, dialogs);
    if (!dialogs.boxes().empty())
        qWarning() << dialogs.boxes()[0].text;
    return list.items();
}

void ParadoxSourceTest::connectionStringHoldsTheFolderTwice()
{
    QCOMPARE(ParadoxSource::ParadoxConnectionString("C:\\px"),
             QString("Driver={Microsoft Paradox Driver (*.db )};DriverID=538;Fil=Paradox 5.X;DefaultDir=C:\\px;"
                     "Dbq=C:\\px;CollatingSequence=ASCII;"));
}

void ParadoxSourceTest::emptyFolderText()
{
    PlainConnectionSettings settings;
    QVERIFY(!ParadoxSource::ParadoxFolderHasTables(settings));
    QCOMPARE(listed(""), QStringList());
    settings.paradox = "/no/such/folder";
    QVERIFY(!ParadoxSource::ParadoxFolderHasTables(settings));
}

void ParadoxSourceTest::temporaryTablesCountButAreNotListed()
{
    QTemporaryDir dir;
    touch(dir.path() + "/~tmp.db");
    PlainConnectionSettings settings;
    settings.paradox = dir.path();
    QVERIFY(ParadoxSource::ParadoxFolderHasTables(settings));
    QCOMPARE(listed(dir.path()), QStringList());
}

void ParadoxSourceTest::namesAreUpperCasedWithoutEveryDb()
{
    QTemporaryDir dir;
    touch(dir.path() + "/my.dbx.db");
    touch(dir.path() + "/Orders.DB");
    touch(dir.path() + "/notes.dbf");
    QDir(dir.path()).mkdir("folder.db"); // a folder is no table
    QStringList names = listed(dir.path());
    names.sort();
    QCOMPARE(names, QStringList({"MYX", "ORDERS"}));
}

void ParadoxSourceTest::subFoldersAreListedLevelByLevel()
{
    QTemporaryDir dir;
    QDir root(dir.path());
    root.mkpath("a/deep");
    root.mkpath("b");
    root.mkpath(".hidden");
    touch(dir.path() + "/top.db");
    touch(dir.path() + "/a/deep/deep.db");
    touch(dir.path() + "/a/mid.db");
    touch(dir.path() + "/b/top.db");
    touch(dir.path() + "/.hidden/h.db");
    const QStringList names = listed(dir.path());
    // The folder itself first, then its sub-folders, then theirs; a name found twice is listed twice.
    QCOMPARE(names.first(), QString("TOP"));
    QCOMPARE(names.last(), QString("DEEP"));
    QCOMPARE(names.count("TOP"), 2);
    QVERIFY(names.contains("MID"));
    QVERIFY(names.contains("H")); // hidden folders carry no system bit here
    QCOMPARE(names.size(), 5);
    // The folder test does not look into sub-folders.
    QTemporaryDir only;
    QDir(only.path()).mkdir("sub");
    touch(only.path() + "/sub/x.db");
    PlainConnectionSettings settings;
    settings.paradox = only.path();
    QVERIFY(!ParadoxSource::ParadoxFolderHasTables(settings));
    QCOMPARE(listed(only.path()), QStringList({"X"}));
}

void ParadoxSourceTest::oddNamedFoldersAreNotWalked()
{
    QTemporaryDir dir;
    QDir root(dir.path());
    root.mkdir(QString::fromUtf8("Ελληνικά"));
    root.mkdir(QString::fromUtf8("café"));
    touch(dir.path() + QString::fromUtf8("/Ελληνικά/greek.db"));
    touch(dir.path() + QString::fromUtf8("/café/cafe.db"));
    QCOMPARE(listed(dir.path()), QStringList({"CAFE"}));
}

void ParadoxSourceTest::linkLoopsEndTheWalk()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("sub");
    touch(dir.path() + "/sub/t.db");
    QVERIFY(QFile::link(dir.path(), dir.path() + "/sub/up"));
    QVERIFY(QFile::link(dir.path(), dir.path() + "/sub/up2"));
    QVERIFY(QFile::link(dir.path() + "/sub", dir.path() + "/again"));
    const QStringList names = listed(dir.path());
    QCOMPARE(names, QStringList({"T"}));
}

void ParadoxSourceTest::unreadableFolderIsDropped()
{
    if (tw::test::runningAsRoot())
        QSKIP("permissions do not apply to root");
    if (tw::test::onWindows())
        QSKIP("Linux only: Windows folders have no permission bits to take away");
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("locked/inner");
    touch(dir.path() + "/locked/inner/x.db");
    touch(dir.path() + "/ok.db");
    QFile::setPermissions(dir.path() + "/locked", QFile::WriteOwner);
    QStringList folders{dir.path() + "\\"};
    ui::ScriptedDialogs dialogs;
    AddFolder::GetSubDirectories2016(dialogs, folders, true);
    QFile::setPermissions(dir.path() + "/locked", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(dialogs.boxes().empty());
    QVERIFY(!folders.contains(dir.path() + "\\locked\\"));
}

void ParadoxSourceTest::findFilesIncludesHiddenAndSkipsFolders()
{
    QTemporaryDir dir;
    touch(dir.path() + "/.Hidden.DB");
    touch(dir.path() + "/plain.db");
    QDir(dir.path()).mkdir("dir.db");
    QStringList names = ParadoxSource::FindFiles(dir.path(), "*.db");
    names.sort();
    QCOMPARE(names, QStringList({".Hidden.DB", "plain.db"}));
    QCOMPARE(ParadoxSource::FindFiles(dir.path() + "\\", "*.DB").size(), 2);
    QVERIFY(ParadoxSource::FindFiles(dir.path() + "/missing", "*.db").isEmpty());
    QVERIFY(ParadoxSource::FileCanBeOpened(dir.path() + "/plain.db"));
    QVERIFY(!ParadoxSource::FileCanBeOpened(dir.path() + "/dir.db"));
    QVERIFY(!ParadoxSource::FileCanBeOpened(dir.path() + "/none.db"));
}

void ParadoxSourceTest::hasOddCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("odd");
    QTest::newRow("plain") << "Sales 2024" << false;
    QTest::newRow("latin-1 letters") << QString::fromUtf8("Müller café ÿ") << false;
    QTest::newRow("question mark") << "what?" << true;
    QTest::newRow("tab") << "a\tb" << true;
    QTest::newRow("delete") << QString("a\x7f") << true;
    QTest::newRow("euro sign is 128") << QString::fromUtf8("€") << true;
    QTest::newRow("C1 control") << QString(QChar(0x9f)) << true;
    QTest::newRow("nbsp is 160") << QString(QChar(0xa0)) << false;
    QTest::newRow("greek") << QString::fromUtf8("Ω") << true;
    QTest::newRow("empty") << "" << false;
}

void ParadoxSourceTest::hasOddCharacters()
{
    QFETCH(QString, text);
    QFETCH(bool, odd);
    QCOMPARE(ParadoxSource::HasOddCharacters(text), odd);
}

QTEST_APPLESS_MAIN(ParadoxSourceTest)
#include "tst_paradoxsource.moc"
