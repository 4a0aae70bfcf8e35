#include "TableFiles.h"
#include "TestSupport.h"

#include "platform/ado/Connection.h"
#include "platform/foxpro/Container.h"
#include "platform/foxpro/FoxProProvider.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using tw::test::ProcessResult;
using tw::test::run;

// Runs tabwright-cli as a user would and compares its dumps of every table of
// the shared corpus with the independent readers' dumps.
class CliTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void usageAndExitStatus();
    void deleteGoesToTheTrashAndSaysWhere();
    void missingSourcesAreErrors();
    void sidesThatCannotBeOpenedSayWhy();
    void paradoxCorpusDumpsLikePxlib_data();
    void paradoxCorpusDumpsLikePxlib();
    void foxproCorpusDumpsLikeDbfread_data();
    void foxproCorpusDumpsLikeDbfread();
    void paradoxTablesListing();
    void dbaseTablesListDumpAndCopy();
    void messyTablesReadAndOtherDatabasesPassedOver();
    void relativeFoldersCopy();
    void copyDirectionSpellingsAndOptions();
    void damagedRowsAreSetAsideOrRefused();

private:
    ProcessResult cli(const QStringList &args) { return run(m_cli, args); }
    // Compares two dumps with dumpcmp; returns its report when they differ.
    QString compare(const QByteArray &ours, const QByteArray &theirs, const QStringList &options = {})
    {
        return tw::test::dumpDifferences(m_work.path(), ours, theirs, options);
    }

    QString m_cli;
    QString m_shared;
    QString m_pxjson;
    QTemporaryDir m_work;
};

void CliTest::initTestCase()
{
    m_cli = tw::test::programPath("tabwright-cli");
    QVERIFY2(QFileInfo::exists(m_cli), qPrintable(m_cli));
    m_shared = tw::test::sharedDir();
    if (m_shared.isEmpty())
        return;
    m_pxjson = m_work.path() + "/pxjson";
    const ProcessResult built = run("gcc", {"-O2", "-o", m_pxjson, m_shared + "/tools/pxjson.c", "-lpx"});
    if (built.exitCode != 0)
        m_pxjson.clear();
}

void CliTest::usageAndExitStatus()
{
    QCOMPARE(cli({}).exitCode, 2);
    const ProcessResult help = cli({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("dump --foxpro PATH TABLE"));
    QCOMPARE(cli({"frobnicate"}).exitCode, 2);
    QCOMPARE(cli({"tables"}).exitCode, 2);
    QCOMPARE(cli({"tables", "--sqlite", "/tmp"}).exitCode, 2);
    const ProcessResult extra = cli({"dump", "--paradox", "/tmp"});
    QCOMPARE(extra.exitCode, 2);
    QVERIFY(extra.err.contains("expected one table name"));
}

void CliTest::missingSourcesAreErrors()
{
    const ProcessResult missing = cli({"dump", "--paradox", m_work.path(), "nosuch"});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY2(missing.err.startsWith("tabwright-cli: "), missing.err.constData());
    QVERIFY(missing.out.isEmpty());
    const ProcessResult noFolder = cli({"dump", "--paradox", m_work.path() + "/none", "t"});
    QCOMPARE(noFolder.exitCode, 1);
    const ProcessResult noFox = cli({"tables", "--foxpro", m_work.path() + "/none.dbc"});
    QCOMPARE(noFox.exitCode, 1);
}

void CliTest::sidesThatCannotBeOpenedSayWhy()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("none");
    const QString shown = QDir::toNativeSeparators(missing);
    // The reason stands on a line of its own, the first on standard error.
    ProcessResult r = cli({"tables", "--paradox", missing});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, ("The folder " + shown + " does not exist.\n").toUtf8());
    r = cli({"tables", "--foxpro", missing});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith(("The folder " + shown + " does not exist.\ntabwright-cli: ").toUtf8()),
             r.err.constData());
    tw::test::writeAll(dir.filePath("sales.dbc"), "not a container");
    r = cli({"tables", "--foxpro", dir.filePath("sales.dbc")});
    QCOMPARE(r.exitCode, 1);
    const QByteArray reason =
        (QDir::toNativeSeparators(dir.filePath("sales.dbc")) + " is not a FoxPro database container: ").toUtf8();
    QVERIFY2(r.err.startsWith(reason) && r.err.indexOf('\n') > reason.size() + 5, r.err.constData());
    r = cli({"tables", "--foxpro", dir.filePath("gone.dbc")});
    QVERIFY2(r.err.startsWith(
                 ("The file " + QDir::toNativeSeparators(dir.filePath("gone.dbc")) + " does not exist.\n").toUtf8()),
             r.err.constData());
    // The commands that change tables say it too, for either side.
    QDir(dir.path()).mkdir("fox");
    r = cli({"copy", "--to", "foxpro", "--paradox", missing, "--foxpro", dir.filePath("fox"), "stock"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith(("The folder " + shown + " does not exist.\n").toUtf8()), r.err.constData());
    r = cli({"delete", "--foxpro", missing, "stock"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith(("The folder " + shown + " does not exist.\n").toUtf8()), r.err.constData());
    // A side that opens gives no such line.
    r = cli({"tables", "--paradox", dir.filePath("fox")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray());
}

void CliTest::deleteGoesToTheTrashAndSaysWhere()
{
    if (tw::test::onWindows())
        QSKIP("the desktop trash of Linux; Windows has the Recycle Bin, the user's own");
    QTemporaryDir dir;
    const QString fox = dir.filePath("fox");
    const QString px = dir.filePath("px");
    QDir().mkpath(fox);
    QDir().mkpath(px);
    const QString trash = dir.filePath("data/Trash/files/");
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", savedDataHome); });

    // A folder whose one table belongs to its container lists nothing, and says why.
    tw::foxpro::registerProvider();
    tw::foxpro::Container::create(fox + "/data.dbc");
    {
        tw::ado::Connection c;
        c.Open("Provider=vfpoledb.1;Data Source=" + fox + "/data.dbc");
        c.Execute("CREATE TABLE [" + fox + "\\orders.dbf]([customer] M)");
        c.Execute("INSERT INTO `" + fox + "\\orders.dbf` VALUES('Kestrava')");
    }
    ProcessResult r = cli({"tables", "--foxpro", fox});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray());
    // The table's own line first, then what the folder holds.
    QCOMPARE(r.err, ("warning: orders.dbf belongs to the database data.dbc and is left out; open that database "
                     "to use it.\nThe folder " +
                     QDir::toNativeSeparators(fox) +
                     " holds the database DATA.DBC with 1 table; open the database to see it.\n")
                        .toUtf8());

    // The container's table: its records leave the container, its files go to the trash whole.
    const QByteArray dbf = tw::test::readAll(fox + "/orders.dbf");
    const QByteArray fpt = tw::test::readAll(fox + "/orders.fpt");
    QVERIFY(!dbf.isEmpty() && !fpt.isEmpty());
    r = cli({"delete", "--foxpro", fox + "/data.dbc", "orders"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QString native = QDir::toNativeSeparators(fox) + QDir::separator();
    QCOMPARE(r.out, (native + "orders.fpt: moved to the trash: " + trash + "orders.fpt\n" + native +
                     "orders.dbf: moved to the trash: " + trash + "orders.dbf\n")
                        .toUtf8());
    QCOMPARE(tw::test::readAll(trash + "orders.dbf"), dbf);
    QCOMPARE(tw::test::readAll(trash + "orders.fpt"), fpt);
    QVERIFY(!QFile::exists(fox + "/orders.dbf") && !QFile::exists(fox + "/orders.fpt"));
    QCOMPARE(cli({"tables", "--foxpro", fox + "/data.dbc"}).out, QByteArray());
    QCOMPARE(cli({"tables", "--foxpro", fox}).err, QByteArray()); // no container table left to hint at

    // Paradox: the table and its companions to the trash, or with --permanent for good.
    for (const char *file : {"goods.db", "goods.mb", "goods.px", "stock.db", "stock.mb"})
        tw::test::writeAll(px + "/" + file, QByteArray("bytes of ") + file);
    r = cli({"delete", "--paradox", px, "goods"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.out.startsWith(((QDir::toNativeSeparators(px) + QDir::separator()) +
                               "goods.db: moved to the trash: " + trash + "goods.db\n")
                                  .toUtf8()),
             r.out.constData());
    QCOMPARE(r.out.count("moved to the trash"), 3);
    for (const char *file : {"goods.db", "goods.mb", "goods.px"})
        QCOMPARE(tw::test::readAll(trash + file), QByteArray("bytes of ") + file);
    r = cli({"delete", "--paradox", px, "--permanent", "stock"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.out.contains("stock.db: deleted for good\n") && r.out.contains("stock.mb: deleted for good\n"),
             r.out.constData());
    QVERIFY(QDir(px).isEmpty() && !QFile::exists(trash + "stock.db"));
    QCOMPARE(cli({"copy", "--to", "foxpro", "--paradox", px, "--foxpro", fox, "--permanent", "x"}).exitCode, 2);
}

void CliTest::paradoxCorpusDumpsLikePxlib_data()
{
    QTest::addColumn<QString>("table");
    if (m_shared.isEmpty())
        return;
    const QDir dir(m_shared + "/corpus/paradox");
    for (const QFileInfo &file : dir.entryInfoList({"*.db", "*.DB"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(file.fileName())) << file.completeBaseName();
}

void CliTest::paradoxCorpusDumpsLikePxlib()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    if (m_shared.isEmpty())
        QSKIP("no shared corpus on this machine");
    if (m_pxjson.isEmpty())
        QSKIP("pxjson could not be built (pxlib-dev missing)");
    QFETCH(QString, table);
    const QString folder = m_shared + "/corpus/paradox";
    const ProcessResult ours = cli({"dump", "--paradox", folder, table});
    QVERIFY2(ours.exitCode == 0, ours.err.constData());
    QStringList args{QDir(folder).entryInfoList({table + ".db", table + ".DB"}).value(0).filePath()};
    const QFileInfoList memo = QDir(folder).entryInfoList({table + ".mb", table + ".MB"});
    if (!memo.isEmpty())
        args << memo[0].filePath();
    const ProcessResult theirs = run(m_pxjson, args);
    QVERIFY2(theirs.exitCode == 0, theirs.err.constData());
    QStringList options;
    if (table == "bcd")
        options << "--float-tol"
                << "1e-15"; // nibbles past the 19th digit are noise
    const QString differences = compare(ours.out, theirs.out, options);
    QVERIFY2(differences.isEmpty(), qPrintable(differences));
}

void CliTest::foxproCorpusDumpsLikeDbfread_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("file");
    if (m_shared.isEmpty())
        return;
    const QString free = m_shared + "/corpus/foxpro/free";
    for (const QFileInfo &file : QDir(free).entryInfoList({"*.dbf"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable("free/" + file.fileName())) << free << file.completeBaseName() << file.filePath();
    const QString container = m_shared + "/corpus/foxpro/foxprodb";
    for (const QFileInfo &file : QDir(container).entryInfoList({"*.dbf"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable("dbc/" + file.fileName()))
            << container + "/FOXPRO-DB-TEST.DBC" << file.completeBaseName() << file.filePath();
}

void CliTest::foxproCorpusDumpsLikeDbfread()
{
    if (m_shared.isEmpty())
        QSKIP("no shared corpus on this machine");
    TW_SKIP_WITHOUT_LINUX_READERS();
    if (!QFileInfo::exists("/usr/lib/python3/dist-packages/dbfread"))
        QSKIP("python3-dbfread is not installed");
    QFETCH(QString, source);
    QFETCH(QString, table);
    QFETCH(QString, file);
    const ProcessResult ours = cli({"dump", "--foxpro", source, table});
    QVERIFY2(ours.exitCode == 0, ours.err.constData());
    const ProcessResult theirs = run("/usr/bin/python3", {m_shared + "/tools/dbfjson.py", file});
    QVERIFY2(theirs.exitCode == 0, theirs.err.constData());
    const QString differences = compare(ours.out, theirs.out);
    QVERIFY2(differences.isEmpty(), qPrintable(differences));
}

void CliTest::paradoxTablesListing()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("Sub");
    tw::test::writeAll(dir.path() + "/orders.db", "x");
    tw::test::writeAll(dir.path() + "/Sub/my.dbx.db", "x");
    tw::test::writeAll(dir.path() + "/~tmp.db", "x");
    const ProcessResult listed = cli({"tables", "--paradox", dir.path()});
    QCOMPARE(listed.exitCode, 0);
    QCOMPARE(listed.out, QByteArray("ORDERS\nMYX\n"));
}

void CliTest::dbaseTablesListDumpAndCopy()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    // dBase III and IV tables with .dbt memos list, dump and copy; a dBase 7
    // table is not listed and dumping it says why.
    using namespace tw::foxpro::test;
    QTemporaryDir dir;
    const QString fox = dir.filePath("fox");
    const QString px = dir.filePath("px");
    QDir().mkpath(fox);
    QDir().mkpath(px);
    tw::test::writeAll(dir.filePath("work.mdb"), QByteArray()); // an empty file is an empty work database
    const std::vector<FieldLayout> fields = {{"NAME", 'C', 8}, {"NOTES", 'M', 10}};
    std::vector<quint32> blocks;
    const QByteArray dbt3 = buildDbt3({"dBase III memo", "second\r\nline"}, &blocks);
    tw::test::writeAll(
        fox + "/three.dbf",
        buildDbf(0x83, fields, {" first   " + dbtPointer(blocks[0]), " second  " + dbtPointer(blocks[1])}, 0x00));
    tw::test::writeAll(fox + "/three.dbt", dbt3);
    blocks.clear();
    const QByteArray dbt4 = buildDbt4(512, {"dBase IV memo"}, &blocks);
    tw::test::writeAll(fox + "/four.dbf", buildDbf(0x8B, fields, {" only    " + dbtPointer(blocks[0])}, 0x00));
    tw::test::writeAll(fox + "/four.dbt", dbt4);
    tw::test::writeAll(fox + "/seven.dbf", buildDbf(0x8C, fields, {" x       " + dbtPointer(0)}));

    const ProcessResult listed = cli({"tables", "--foxpro", fox});
    QCOMPARE(listed.exitCode, 0);
    QCOMPARE(listed.out, QByteArray("four\nthree\n"));

    const ProcessResult seven = cli({"dump", "--foxpro", fox, "seven"});
    QCOMPARE(seven.exitCode, 1);
    QVERIFY2(seven.err.contains("seven.dbf: it is a dBase 7 table (file type 0x8c), which FoxPro does not open"),
             seven.err.constData());

    for (const QString table : {"three", "four"}) {
        const ProcessResult ours = cli({"dump", "--foxpro", fox, table});
        QVERIFY2(ours.exitCode == 0, ours.err.constData());
        QVERIFY(ours.out.contains(table == "three" ? "\"dBase III memo\"" : "\"dBase IV memo\""));
        if (!m_shared.isEmpty()) {
            const ProcessResult theirs =
                run("/usr/bin/python3", {m_shared + "/tools/dbfjson.py", fox + "/" + table + ".dbf"});
            QVERIFY2(theirs.exitCode == 0, theirs.err.constData());
            const QString differences = compare(ours.out, theirs.out);
            QVERIFY2(differences.isEmpty(), qPrintable(differences));
        }
    }

    const ProcessResult copied = cli({"copy", "--to-paradox", "--yes", "--foxpro", fox, "--paradox", px, "--work",
                                      dir.filePath("work.mdb"), "three"});
    QVERIFY2(copied.exitCode == 0, copied.err.constData());
    const ProcessResult back = cli({"dump", "--paradox", px, "THREE"});
    QVERIFY2(back.exitCode == 0, back.err.constData());
    QVERIFY2(back.out.contains("\"dBase III memo\"") && back.out.contains("\"second\\r\\nline\""),
             back.out.constData());
}

void CliTest::messyTablesReadAndOtherDatabasesPassedOver()
{
    // A table cut mid-record with General pointers into its memo header dumps
    // and copies its whole rows and says what it left; a table whose
    // container is missing is free; one another container owns is passed over.
    using namespace tw::foxpro::test;
    QTemporaryDir dir;
    const QString fox = dir.filePath("fox");
    const QString px = dir.filePath("px");
    QDir().mkpath(fox);
    QDir().mkpath(px);
    const QString work = dir.filePath("work.mdb");
    tw::test::writeAll(work, QByteArray());
    std::vector<quint32> blocks;
    const QByteArray cut = buildDbf(
        0x32, {{"NAME", 'C', 4}, {"PIC", 'G', 4}, {"QTY", 'N', 50, 10}},
        {" abcd" + le32(1) + QByteArray(47, ' ') + "1.5", " efgh" + le32(2), " ijkl" + le32(3)}, 0x03, "gone.dbc");
    tw::test::writeAll(fox + "/messy.dbf", cut.left(cut.size() - 20));
    tw::test::writeAll(fox + "/messy.fpt", buildFpt(64, {"picture"}, &blocks));
    tw::test::writeAll(fox + "/owned.dbf", buildDbf(0x30, {{"NAME", 'C', 4}}, {" wxyz"}, 0x03, "sales.dbc"));
    tw::test::writeAll(fox + "/sales.dbc", QByteArray("a container"));

    const ProcessResult listed = cli({"tables", "--foxpro", fox});
    QCOMPARE(listed.exitCode, 0);
    QCOMPARE(listed.out, QByteArray("messy\n"));
    QVERIFY2(listed.err.contains("messy.dbf names the database gone.dbc, which is not there") &&
                 listed.err.contains("owned.dbf belongs to the database sales.dbc"),
             listed.err.constData());

    const ProcessResult dumped = cli({"dump", "--foxpro", fox, "messy"});
    QVERIFY2(dumped.exitCode == 0, dumped.err.constData());
    QCOMPARE(dumped.out.count('\n'), 3); // the columns' line and two whole rows
    QVERIFY2(dumped.out.contains("1.5"), dumped.out.constData());
    for (const char *said : {"1 damaged row(s) in 1 place(s)", "record 3 at byte", "2 value(s) could not be read",
                             "memo pointer 1 points into the header of"})
        QVERIFY2(dumped.err.contains(said), dumped.err.constData());

    const ProcessResult copied =
        cli({"copy", "--to-paradox", "--foxpro", fox, "--paradox", px, "--work", work, "messy", "owned"});
    QCOMPARE(copied.exitCode, 3);
    QVERIFY2(copied.err.contains("owned: not copied: it belongs to the database SALES.DBC"), copied.err.constData());
    QVERIFY(!copied.err.contains("has no table"));
    const ProcessResult back = cli({"dump", "--paradox", px, "MESSY"});
    QVERIFY2(back.exitCode == 0 && back.out.contains("\"efgh\""), back.err.constData());
    const ProcessResult alone =
        cli({"copy", "--to-paradox", "--foxpro", fox, "--paradox", px, "--work", work, "owned"});
    QCOMPARE(alone.exitCode, 3);
}

void CliTest::relativeFoldersCopy()
{
    // Folders given relative to the current folder are the folders meant,
    // not folders of the same name inside them.
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("px");
    QDir(dir.path()).mkdir("fox");
    for (const QString &file : {QStringLiteral("stock.db"), QStringLiteral("stock.mb")})
        QVERIFY(QFile::copy(tw::test::binDir() + "/Samples/" + file, dir.filePath("px/" + file)));
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(m_cli, {"copy", "--to-foxpro", "--paradox", "px", "--foxpro", "fox", "stock"});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    QVERIFY(QFileInfo::exists(dir.filePath("fox/STOCK.DBF")));
    QVERIFY(!QFileInfo::exists(dir.filePath("fox/fox")));
    const ProcessResult listed = cli({"tables", "--foxpro", dir.filePath("fox")});
    QCOMPARE(listed.out, QByteArray("STOCK\n"));
}

void CliTest::copyDirectionSpellingsAndOptions()
{
    const ProcessResult help = cli({"--help"});
    for (const char *option : {"--foxpro PATH", "--paradox DIR", "--to paradox", "--to-paradox", "--to foxpro",
                               "--to-foxpro", "--yes", "--no ", "--work FILE", "--verify"})
        QVERIFY2(help.out.contains(option), option);

    QTemporaryDir dir;
    QDir(dir.path()).mkdir("px");
    for (const QString &file : {QStringLiteral("stock.db"), QStringLiteral("stock.mb")})
        QVERIFY(QFile::copy(tw::test::binDir() + "/Samples/" + file, dir.filePath("px/" + file)));
    const QString px = dir.filePath("px");
    const QString fox = dir.filePath("fox");
    QDir().mkpath(fox);
    // "--to foxpro" after the folders does what "--to-foxpro" in front does.
    ProcessResult r = cli({"copy", "--paradox", px, "--foxpro", fox, "--to", "foxpro", "stock"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(r.out, QByteArray("stock\n"));
    r = cli({"copy", "--to=FoxPro", "--paradox", px, "--foxpro", fox, "--yes", "stock"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.err.contains("Would you like to overwrite STOCK? [yes]"));

    const struct {
        QStringList args;
        const char *complaint;
    } wrong[] = {
        {{"copy", "--paradox", px, "--foxpro", fox, "stock"}, "copy needs --to paradox or --to foxpro"},
        {{"copy", "--to", "sqlite", "--paradox", px, "--foxpro", fox, "stock"}, "not 'sqlite'"},
        {{"copy", "--to-sqlite", "--paradox", px, "--foxpro", fox, "stock"}, "not '--to-sqlite'"},
        {{"copy", "--to-paradox", "--to", "foxpro", "--paradox", px, "--foxpro", fox, "stock"}, "copy goes one way"},
        {{"copy", "--paradox", px, "--foxpro", fox, "stock", "--to"}, "--to needs paradox or foxpro"},
        {{"delete", "--paradox", px, "--verify", "stock"}, "--verify goes with copy only"},
        // A folder's name is never taken for a direction.
        {{"copy", "--paradox", "--to-foxpro", "--foxpro", fox, "stock"}, "copy needs --to paradox or --to foxpro"},
    };
    for (const auto &w : wrong) {
        r = cli(w.args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(w.complaint), r.err.constData());
    }
    QVERIFY(QFileInfo::exists(dir.filePath("px/stock.db")));
}

void CliTest::damagedRowsAreSetAsideOrRefused()
{
    // A table whose last record the end of the file cuts in half: the whole
    // rows arrive and the cut one is named (exit 3); --strict copies nothing (exit 1).
    using namespace tw::foxpro::test;
    QTemporaryDir dir;
    const QString fox = dir.filePath("fox");
    const QString px = dir.filePath("px");
    QDir().mkpath(fox);
    QDir().mkpath(px);
    tw::test::writeAll(dir.filePath("w.mdb"), QByteArray()); // an empty file is an empty work database
    const QByteArray table = buildDbf(0x03, {{"NAME", 'C', 8}}, {" first   ", " second  ", " third   "}, 0x00);
    tw::test::writeAll(fox + "/cut.dbf", table.left(table.size() - 6)); // the end marker and 5 bytes of "third"
    const QStringList copy{"copy", "--to-paradox", "--foxpro", fox, "--paradox", px, "--work", dir.filePath("w.mdb")};

    ProcessResult r = cli(copy + QStringList{"--strict", "cut"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("damaged row(s)"), r.err.constData());
    QVERIFY(QDir(px).entryList(QDir::Files).isEmpty());

    r = cli(copy + QStringList{"cut"});
    QCOMPARE(r.exitCode, 3);
    QVERIFY2(r.err.contains("cut: 1 damaged row(s) in 1 place(s) of the source were set aside, not copied:\n"),
             r.err.constData());
    QVERIFY2(r.err.contains("record 3"), r.err.constData());
    const ProcessResult back = cli({"dump", "--paradox", px, "CUT"});
    QVERIFY2(back.exitCode == 0, back.err.constData());
    QCOMPARE(back.out.count('\n'), 3); // the columns, then the two whole rows
    QVERIFY(back.out.contains("\"second\"") && !back.out.contains("thi"));
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
