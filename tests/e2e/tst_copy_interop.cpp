#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using tw::test::ProcessResult;
using tw::test::run;

// Copies every table of the shared corpus with tabwright-cli, in both
// directions, and has the independent readers compare each copy with its source.
class CopyInteropTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void paradoxToFoxPro_data();
    void paradoxToFoxPro();
    void foxproToParadox_data();
    void foxproToParadox();

private:
    QString copyOf(const QString &corpusFolder);
    ProcessResult cli(const QStringList &args) { return run(m_cli, args, 300000); }
    QString check(const QString &direction, const QByteArray &source, const QByteArray &target)
    {
        return tw::test::copyDifferences(m_work.path(), direction, source, target);
    }

    QString m_cli;
    QString m_shared;
    QString m_pxjson;
    QTemporaryDir m_work;
    int m_copies = 0;
};

void CopyInteropTest::initTestCase()
{
    m_cli = tw::test::programPath("tabwright-cli");
    QVERIFY(QFileInfo::exists(m_cli));
    m_shared = tw::test::sharedDir();
    if (m_shared.isEmpty())
        QSKIP("no shared corpus on this machine");
    if (!QFileInfo::exists("/usr/lib/python3/dist-packages/dbfread"))
        QSKIP("python3-dbfread is not installed");
    tw::test::writeAll(m_work.filePath("work.mdb"), QByteArray()); // an empty file is an empty work database
    m_pxjson = m_work.filePath("pxjson");
    const ProcessResult built = run("gcc", {"-O2", "-o", m_pxjson, m_shared + "/tools/pxjson.c", "-lpx"});
    if (built.exitCode != 0)
        QSKIP("pxjson cannot be built (pxlib-dev missing)");
}

QString CopyInteropTest::copyOf(const QString &corpusFolder)
{
    const QString target = m_work.filePath(QString::number(++m_copies));
    QDir().mkpath(target);
    QDirIterator it(corpusFolder, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QFile::copy(it.filePath(), target + "/" + it.fileName());
        QFile::setPermissions(target + "/" + it.fileName(), QFile::ReadOwner | QFile::WriteOwner);
    }
    return target;
}

void CopyInteropTest::paradoxToFoxPro_data()
{
    QTest::addColumn<QString>("table");
    if (m_shared.isEmpty())
        return;
    for (const QFileInfo &file :
         QDir(m_shared + "/corpus/paradox").entryInfoList({"*.db", "*.DB"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(file.fileName())) << file.completeBaseName().toUpper();
}

void CopyInteropTest::paradoxToFoxPro()
{
    QFETCH(QString, table);
    const QString px = copyOf(m_shared + "/corpus/paradox");
    const QString fox = m_work.filePath("fox" + QString::number(m_copies));
    QDir().mkpath(fox);
    const ProcessResult copied = cli({"copy", "--to-foxpro", "--paradox", px, "--foxpro", fox, table});
    QVERIFY2(copied.exitCode == 0, copied.err.constData());
    const QFileInfoList written = QDir(fox).entryInfoList({"*.DBF"}, QDir::Files);
    QCOMPARE(written.size(), 1);
    const ProcessResult theirs = run("/usr/bin/python3", {m_shared + "/tools/dbfjson.py", written[0].filePath()});
    QVERIFY2(theirs.exitCode == 0, theirs.err.constData());
    const QString db = QDir(px).entryInfoList({table + ".db"}, QDir::Files).value(0).filePath();
    QStringList args{db};
    const QFileInfoList memo = QDir(px).entryInfoList({table + ".mb"}, QDir::Files);
    if (!memo.isEmpty())
        args << memo[0].filePath();
    const ProcessResult source = run(m_pxjson, args);
    QVERIFY2(source.exitCode == 0, source.err.constData());
    const QString differences = check("to-foxpro", source.out, theirs.out);
    QVERIFY2(differences.isEmpty(), qPrintable(differences));
    // pgdbf reads the tables it knows (it refuses the 0x32 form that blob columns need).
    if (!theirs.out.contains("{\"hex\"") && QFileInfo::exists("/usr/bin/pgdbf")) {
        const QString fpt = QString(written[0].filePath()).replace(".DBF", ".FPT");
        const ProcessResult pg = run("/usr/bin/pgdbf", {"-m", fpt, written[0].filePath()});
        QVERIFY2(pg.exitCode == 0, pg.err.constData());
    }
}

void CopyInteropTest::foxproToParadox_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("file");
    if (m_shared.isEmpty())
        return;
    for (const QFileInfo &file :
         QDir(m_shared + "/corpus/foxpro/free").entryInfoList({"*.dbf"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable("free/" + file.fileName())) << "free" << file.completeBaseName() << file.fileName();
    for (const QFileInfo &file :
         QDir(m_shared + "/corpus/foxpro/foxprodb").entryInfoList({"*.dbf"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable("dbc/" + file.fileName())) << "dbc" << file.completeBaseName() << file.fileName();
}

void CopyInteropTest::foxproToParadox()
{
    QFETCH(QString, source);
    QFETCH(QString, table);
    QFETCH(QString, file);
    const bool container = source == "dbc";
    const QString fox = copyOf(m_shared + "/corpus/foxpro/" + (container ? "foxprodb" : "free"));
    const QString foxpro = container ? fox + "/FOXPRO-DB-TEST.DBC" : fox;
    const QString px = m_work.filePath("px" + QString::number(m_copies));
    QDir().mkpath(px);
    // The table list shows what the FoxPro side offers; tables that belong to a
    // container are not free tables.
    const ProcessResult listed = cli({"tables", "--foxpro", foxpro});
    QVERIFY2(listed.exitCode == 0, listed.err.constData());
    if (!QString::fromUtf8(listed.out).split('\n').contains(table, Qt::CaseInsensitive))
        QSKIP("not a table of this FoxPro source (it belongs to a container)");
    const ProcessResult copied = cli({"copy", "--to-paradox", "--yes", "--foxpro", foxpro, "--paradox", px, "--work",
                                      m_work.filePath("work.mdb"), table});
    QVERIFY2(copied.exitCode == 0, copied.err.constData());
    const QFileInfoList written = QDir(px).entryInfoList({"*.db"}, QDir::Files);
    QCOMPARE(written.size(), 1);
    QStringList args{written[0].filePath()};
    const QFileInfoList memo = QDir(px).entryInfoList({"*.mb"}, QDir::Files);
    if (!memo.isEmpty())
        args << memo[0].filePath();
    const ProcessResult theirs = run(m_pxjson, args);
    QVERIFY2(theirs.exitCode == 0, theirs.err.constData());
    const ProcessResult original = run("/usr/bin/python3", {m_shared + "/tools/dbfjson.py", fox + "/" + file});
    QVERIFY2(original.exitCode == 0, original.err.constData());
    const QString differences = check("to-paradox", original.out, theirs.out);
    QVERIFY2(differences.isEmpty(), qPrintable(differences));
}

QTEST_GUILESS_MAIN(CopyInteropTest)
#include "tst_copy_interop.moc"
