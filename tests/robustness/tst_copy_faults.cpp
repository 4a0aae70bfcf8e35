// Faults during a copy, through tabwright-cli's commands: an unwritable target
// folder, a full disk, a damaged memo file, a table removed after the listing,
// a table too large for its format (a lowered limit stands for 2 GiB).
// Each gives one clear report naming its table; the other selected tables are
// copied; what was on disk before stays as it was. The full disk is planned in
// this process (the file layer's fault plan for the tables, a limited file
// system for SQLite's work database), so those copies run here.

#include "SqliteDiskLimit.h"
#include "SystemAccess.h"
#include "Tables.h"

#include "cli/Commands.h"
#include "cli/Providers.h"
#include "platform/files/FaultPlan.h"
#include "platform/foxpro/TableWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <limits>

using namespace tw;

namespace {

constexpr int kSmallRows = 50;
constexpr int kBigRows = 20000;
// A file size the big tables pass and the small ones do not reach.
constexpr qint64 kFileSizeLimit = 256 * 1024;

// Everything written to a temporary stream so far.
QByteArray contents(std::FILE *stream)
{
    QByteArray bytes;
    std::fflush(stream);
    std::rewind(stream);
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
        bytes.append(buffer, qsizetype(got));
    return bytes;
}

// Runs a tabwright-cli command in this process while every write that would
// carry a file past `limit` bytes fails, as a full disk does; the work
// database's writes only when `workDatabaseToo`. With `formatLimit`, the
// table writers take `limit` as the most their formats hold instead.
test::ProcessResult cliWithFileLimit(const QStringList &args, qint64 limit, bool workDatabaseToo = true,
                                     bool formatLimit = false)
{
    test::ProcessResult result;
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    if (out && err) {
        files::FaultPlan plan;
        if (formatLimit)
            plan.formatFileLimit = limit;
        else
            plan.fileSizeLimit = limit;
        const files::ScopedFaultPlan faults(plan);
        const robust::SqliteDiskLimit workDatabaseFaults(
            workDatabaseToo && !formatLimit ? limit : std::numeric_limits<qint64>::max());
        result.exitCode = cli::runCommand(args, out, err);
        result.out = contents(out);
        result.err = contents(err);
    }
    for (std::FILE *stream : {out, err})
        if (stream)
            std::fclose(stream);
    return result;
}

// A FoxPro table whose every row has a memo of `memoLength` characters: its
// memo file outgrows its table file.
void makeMemoHeavyFoxProTable(const QString &folder, const QString &name, int rows, int memoLength)
{
    std::vector<foxpro::NewField> fields(2);
    fields[0].name = QStringLiteral("ID");
    fields[0].type = 'I';
    fields[1].name = QStringLiteral("NOTE");
    fields[1].type = 'M';
    auto writer = foxpro::TableWriter::create(folder + '/' + name + ".dbf", fields);
    for (int id = 1; id <= rows; ++id)
        writer->append({ado::Variant::integer(id), ado::Variant::text(QString(memoLength, QChar(u'a' + id % 26)))});
}

bool truncateFile(const QString &path, qint64 size)
{
    QFile f(path);
    return f.resize(size);
}

} // namespace

class TestCopyFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void unwritableTarget_data();
    void unwritableTarget();
    void diskFullToParadox_data();
    void diskFullToParadox();
    void diskFullToFoxPro();
    void damagedMemoToParadox_data();
    void damagedMemoToParadox();
    void damagedMemoToFoxPro_data();
    void damagedMemoToFoxPro();
    void tableTooLargeForItsFormat_data();
    void tableTooLargeForItsFormat();
    void tableRemovedAfterListing_data();
    void tableRemovedAfterListing();

private:
    QStringList toParadox(const QStringList &tables) const { return m_folders.toParadox(tables); }
    QStringList toFoxPro(const QStringList &tables) const { return m_folders.toFoxPro(tables); }
    // Checks that the target holds `table` with `rows` rows.
    void expectParadox(const QString &table, qint64 rows);
    void expectFoxPro(const QString &table, qint64 rows);

    robust::Readers m_readers;
    QTemporaryDir m_tools;
    robust::CopyFolders m_folders;
    QString m_fox, m_px, m_work;
};

void TestCopyFaults::initTestCase()
{
    cli::registerProviders();
    if (!QFile::exists(robust::cliPath()))
        QSKIP("tabwright-cli is not built");
    if (!m_readers.prepare(m_tools.path()))
        QSKIP(qPrintable(m_readers.error()));
}

void TestCopyFaults::init()
{
    m_folders = robust::CopyFolders();
    m_fox = m_folders.fox;
    m_px = m_folders.px;
    m_work = m_folders.work;
}

void TestCopyFaults::expectParadox(const QString &table, qint64 rows)
{
    QString error;
    QCOMPARE(m_readers.paradoxRows(robust::findFile(m_px, table + QStringLiteral(".db")), &error), rows);
}

void TestCopyFaults::expectFoxPro(const QString &table, qint64 rows)
{
    QString error;
    QCOMPARE(m_readers.foxproRows(robust::findFile(m_fox, table + QStringLiteral(".dbf")), &error), rows);
}

void TestCopyFaults::unwritableTarget_data()
{
    QTest::addColumn<bool>("toParadoxSide");
    QTest::newRow("to Paradox") << true;
    QTest::newRow("to FoxPro") << false;
}

void TestCopyFaults::unwritableTarget()
{
    QFETCH(bool, toParadoxSide);
    if (test::runningAsRoot())
        QSKIP("root writes into read-only folders");
    robust::makeFoxProTable(m_fox, QStringLiteral("one"), kSmallRows);
    robust::makeParadoxTable(m_px, QStringLiteral("two"), kSmallRows);
    const QString target = toParadoxSide ? m_px : m_fox;
    const QStringList before = robust::snapshot(target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::ExeOwner);
    const auto r = robust::cli(toParadoxSide ? toParadox({QStringLiteral("one")}) : toFoxPro({QStringLiteral("two")}));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(r.exitCode, 1);
    const QStringList errors = robust::reports(r.err);
    QVERIFY2(!errors.isEmpty(), r.err.constData());
    QCOMPARE(robust::snapshot(target), before);
}

void TestCopyFaults::diskFullToParadox_data()
{
    QTest::addColumn<bool>("workDatabaseToo");
    QTest::newRow("work database full first") << true;
    QTest::newRow("Paradox folder full") << false;
}

void TestCopyFaults::diskFullToParadox()
{
    QFETCH(bool, workDatabaseToo);
    robust::makeFoxProTable(m_fox, QStringLiteral("asmall"), kSmallRows);
    robust::makeFoxProTable(m_fox, QStringLiteral("big"), kBigRows);
    robust::makeFoxProTable(m_fox, QStringLiteral("zsmall"), kSmallRows);
    robust::makeParadoxTable(m_px, QStringLiteral("kept"), kSmallRows);
    const QStringList before = robust::snapshot(m_px);
    const auto r =
        cliWithFileLimit(toParadox({QStringLiteral("asmall"), QStringLiteral("big"), QStringLiteral("zsmall")}),
                         kFileSizeLimit, workDatabaseToo);
    QCOMPARE(r.exitCode, 1);
    const QStringList errors = robust::reports(r.err);
    qInfo("report: %s", qPrintable(errors.join(QStringLiteral(" | "))));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().contains(QLatin1String("big"), Qt::CaseInsensitive), qPrintable(errors.front()));
    expectParadox(QStringLiteral("asmall"), kSmallRows);
    expectParadox(QStringLiteral("zsmall"), kSmallRows);
    expectParadox(QStringLiteral("kept"), kSmallRows);
    QVERIFY(robust::findFile(m_px, QStringLiteral("big.db")).isEmpty()); // whole or not at all
    QVERIFY(robust::leftovers(m_px).isEmpty());
    for (const QString &line : before)
        QVERIFY2(robust::snapshot(m_px).contains(line), qPrintable(line));
}

void TestCopyFaults::diskFullToFoxPro()
{
    robust::makeParadoxTable(m_px, QStringLiteral("asmall"), kSmallRows);
    robust::makeParadoxTable(m_px, QStringLiteral("big"), kBigRows);
    robust::makeParadoxTable(m_px, QStringLiteral("zsmall"), kSmallRows);
    robust::makeFoxProTable(m_fox, QStringLiteral("kept"), kSmallRows);
    const QStringList before = robust::snapshot(m_fox);
    const auto r = cliWithFileLimit(
        toFoxPro({QStringLiteral("asmall"), QStringLiteral("big"), QStringLiteral("zsmall")}), kFileSizeLimit);
    QCOMPARE(r.exitCode, 1);
    const QStringList errors = robust::reports(r.err);
    qInfo("report: %s", qPrintable(errors.join(QStringLiteral(" | ")).left(600)));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().contains(QLatin1String("big"), Qt::CaseInsensitive), qPrintable(errors.front()));
    expectFoxPro(QStringLiteral("asmall"), kSmallRows);
    expectFoxPro(QStringLiteral("zsmall"), kSmallRows);
    QString error;
    QCOMPARE(m_readers.foxproRows(m_fox + QStringLiteral("/kept.dbf"), &error), qint64(kSmallRows));
    // A table that could not be written whole is not there at all, nor its temporaries.
    QVERIFY(robust::findFile(m_fox, QStringLiteral("big.dbf")).isEmpty());
    QVERIFY(robust::findFile(m_fox, QStringLiteral("big.fpt")).isEmpty());
    QVERIFY(robust::leftovers(m_fox).isEmpty());
    for (const QString &line : before)
        QVERIFY2(robust::snapshot(m_fox).contains(line), qPrintable(line));
}

void TestCopyFaults::damagedMemoToParadox_data()
{
    QTest::addColumn<qint64>("memoSize"); // -1: the memo file is deleted
    QTest::addColumn<bool>("sinks");      // the table cannot be read at all
    QTest::newRow("memo file missing") << qint64(-1) << true;
    QTest::newRow("memo file cut to its header") << qint64(512) << false;
    QTest::newRow("memo file cut short") << qint64(4096) << false;
}

void TestCopyFaults::damagedMemoToParadox()
{
    QFETCH(qint64, memoSize);
    QFETCH(bool, sinks);
    robust::makeFoxProTable(m_fox, QStringLiteral("agood"), kSmallRows);
    robust::makeFoxProTable(m_fox, QStringLiteral("broken"), kBigRows / 10);
    robust::makeFoxProTable(m_fox, QStringLiteral("zgood"), kSmallRows);
    const QString fpt = m_fox + QStringLiteral("/broken.fpt");
    QVERIFY(memoSize < 0 ? QFile::remove(fpt) : truncateFile(fpt, memoSize));
    const QStringList before = robust::snapshot(m_fox);
    const auto r = robust::cli(toParadox({QStringLiteral("agood"), QStringLiteral("broken"), QStringLiteral("zgood")}));
    const QStringList errors = robust::reports(r.err);
    qInfo("report: %s", qPrintable(errors.join(QStringLiteral(" | "))));
    expectParadox(QStringLiteral("agood"), kSmallRows);
    expectParadox(QStringLiteral("zgood"), kSmallRows);
    if (sinks) {
        // A table that cannot be opened ends with one report, and no Paradox
        // table is written without its rows; the other tables are copied.
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.front().contains(QLatin1String("broken")), qPrintable(errors.front()));
        QVERIFY(robust::findFile(m_px, QStringLiteral("broken.db")).isEmpty());
    } else {
        // Memos the file no longer holds are Null and counted; every row arrives.
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY2(r.err.contains("could not be read") && r.err.contains("broken.dbf, row "), r.err.constData());
        expectParadox(QStringLiteral("broken"), kBigRows / 10);
    }
    QCOMPARE(robust::snapshot(m_fox), before); // the damaged source is left as it was
}

void TestCopyFaults::damagedMemoToFoxPro_data()
{
    QTest::addColumn<qint64>("memoSize");
    QTest::newRow("memo file missing") << qint64(-1);
    QTest::newRow("memo file cut short") << qint64(4096);
}

void TestCopyFaults::damagedMemoToFoxPro()
{
    QFETCH(qint64, memoSize);
    robust::makeParadoxTable(m_px, QStringLiteral("agood"), kSmallRows);
    robust::makeParadoxTable(m_px, QStringLiteral("broken"), kBigRows / 10);
    robust::makeParadoxTable(m_px, QStringLiteral("zgood"), kSmallRows);
    const QString mb = m_px + QStringLiteral("/broken.mb");
    QVERIFY(memoSize < 0 ? QFile::remove(mb) : truncateFile(mb, memoSize));
    const QStringList before = robust::snapshot(m_px);
    const auto r = robust::cli(toFoxPro({QStringLiteral("agood"), QStringLiteral("broken"), QStringLiteral("zgood")}));
    const QStringList errors = robust::reports(r.err);
    qInfo("report: %s", qPrintable(errors.join(QStringLiteral(" | ")).left(600)));
    if (memoSize >= 0) {
        // Memos the cut .mb no longer holds are lost values: Null, counted
        // and named; every row of the table is copied.
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(!r.err.contains("not copied") && r.err.contains("could not be read") &&
                     r.err.contains("broken.mb: blob pointer"),
                 r.err.left(600).constData());
        expectFoxPro(QStringLiteral("broken"), kBigRows / 10);
        expectFoxPro(QStringLiteral("zgood"), kSmallRows);
        QCOMPARE(robust::snapshot(m_px), before);
        return;
    }
    QCOMPARE(r.exitCode, 1);
    // A row whose memo is in a .mb that is missing ends that table with one
    // report (at the first row that needs it), and the part already written
    // is taken away; the other tables are copied.
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().contains(QLatin1String("broken")), qPrintable(errors.front()));
    expectFoxPro(QStringLiteral("agood"), kSmallRows);
    expectFoxPro(QStringLiteral("zgood"), kSmallRows);
    QVERIFY(robust::findFile(m_fox, QStringLiteral("broken.dbf")).isEmpty());
    QCOMPARE(robust::snapshot(m_px), before);
}

void TestCopyFaults::tableTooLargeForItsFormat_data()
{
    QTest::addColumn<bool>("toParadoxSide");
    QTest::addColumn<int>("memoLength"); // of every row of the big source table; 0: the standard table
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("file");   // the file the report names
    QTest::addColumn<QString>("holder"); // what it says holds at most the limit
    QTest::addColumn<int>("step");       // where the copy stopped
    // The big table's .dbf (260 KB) is refused before its first row; its .fpt
    // (2.8 MB) reaches the limit part-way and the copy of it stops there.
    QTest::newRow("to FoxPro, table file") << false << 0 << qint64(100000) << "big.dbf"
                                           << "a FoxPro table file" << 151;
    QTest::newRow("to FoxPro, memo file") << false << 0 << qint64(1000000) << "big.fpt"
                                          << "a FoxPro memo file" << 166;
    // The big table's rows (960 KB of blocks) are refused before they are
    // staged; its memos (2 MB of blob blocks) reach the limit part-way.
    QTest::newRow("to Paradox, blocks") << true << 0 << qint64(500000) << "big.db"
                                        << "a Paradox table" << 245;
    QTest::newRow("to Paradox, blob file") << true << 3000 << qint64(1000000) << "big.mb"
                                           << "a Paradox blob file" << 280;
}

void TestCopyFaults::tableTooLargeForItsFormat()
{
    QFETCH(bool, toParadoxSide);
    QFETCH(int, memoLength);
    QFETCH(qint64, limit);
    QFETCH(QString, file);
    QFETCH(QString, holder);
    QFETCH(int, step);
    const QString source = toParadoxSide ? m_fox : m_px;
    const QString target = toParadoxSide ? m_px : m_fox;
    const auto make = [&](const QString &folder, const QString &name, int rows) {
        if (folder == m_fox)
            robust::makeFoxProTable(folder, name, rows);
        else
            robust::makeParadoxTable(folder, name, rows);
    };
    make(source, QStringLiteral("asmall"), kSmallRows);
    if (memoLength > 0)
        makeMemoHeavyFoxProTable(source, QStringLiteral("big"), 500, memoLength);
    else
        make(source, QStringLiteral("big"), kBigRows);
    make(source, QStringLiteral("zsmall"), kSmallRows);
    // The table the big one would replace stays as it was.
    make(target, QStringLiteral("big"), kSmallRows);
    const QStringList before = robust::snapshot(target);
    const QStringList tables{QStringLiteral("asmall"), QStringLiteral("big"), QStringLiteral("zsmall")};
    const QStringList yes{QStringLiteral("--yes")};
    const auto r = cliWithFileLimit(toParadoxSide ? m_folders.toParadox(tables, yes) : m_folders.toFoxPro(tables, yes),
                                    limit, false, true);
    QCOMPARE(r.exitCode, 1);
    const QStringList errors = robust::reports(r.err);
    qInfo("report: %s", qPrintable(errors.join(QStringLiteral(" | ")).left(600)));
    QCOMPARE(errors.size(), 1);
    const QString &report = errors.front();
    // The file, the limit, the table and how much more it needs.
    QVERIFY2(report.startsWith(file + QStringLiteral(" would pass "), Qt::CaseInsensitive), qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral(", the most %1 holds; the table big needs at least ").arg(holder),
                             Qt::CaseInsensitive),
             qPrintable(report));
    QVERIFY2(report.contains(QRegularExpression(QStringLiteral("at line %1(?!\\d)").arg(step))), qPrintable(report));
    for (const QString &name : tables) // the old big one included
        toParadoxSide ? expectParadox(name, kSmallRows) : expectFoxPro(name, kSmallRows);
    for (const QString &line : before)
        QVERIFY2(robust::snapshot(target).contains(line), qPrintable(line));
    QVERIFY(robust::leftovers(target).isEmpty());
    const QDir folder(target);
    for (const QFileInfo &written : folder.entryInfoList(QDir::Files))
        QVERIFY2(written.size() <= limit, qPrintable(written.fileName()));
}

void TestCopyFaults::tableRemovedAfterListing_data()
{
    QTest::addColumn<bool>("toParadoxSide");
    QTest::newRow("to Paradox") << true;
    QTest::newRow("to FoxPro") << false;
}

void TestCopyFaults::tableRemovedAfterListing()
{
    QFETCH(bool, toParadoxSide);
    const QString source = toParadoxSide ? m_fox : m_px;
    const QString target = toParadoxSide ? m_px : m_fox;
    const QString ext = toParadoxSide ? QStringLiteral(".dbf") : QStringLiteral(".db");
    for (const QString &name : {QStringLiteral("one"), QStringLiteral("two")}) {
        if (toParadoxSide)
            robust::makeFoxProTable(m_fox, name, kBigRows * 5);
        else
            robust::makeParadoxTable(m_px, name, kBigRows * 5);
    }
    const QStringList targetBefore = robust::snapshot(target);
    QProcess process;
    const QStringList tables{QStringLiteral("one"), QStringLiteral("two")};
    process.start(robust::cliPath(), toParadoxSide ? toParadox(tables) : toFoxPro(tables));
    QVERIFY(process.waitForStarted());
    // The table whose source the program holds open is being copied: the
    // listing is done. The other one goes now.
    QString copying;
    QElapsedTimer timer;
    timer.start();
    while (copying.isEmpty() && timer.elapsed() < 60000) {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(process.processId()));
        for (const QString &fd : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            const QString file = QFileInfo(fds.filePath(fd)).symLinkTarget();
            for (const QString &name : tables)
                if (file == source + '/' + name + ext)
                    copying = name;
        }
        QThread::msleep(1);
    }
    QVERIFY(!copying.isEmpty());
    const QString gone = copying == tables[0] ? tables[1] : tables[0];
    QVERIFY(QFile::remove(source + '/' + gone + ext));
    QFile::remove(robust::findFile(source, gone + (toParadoxSide ? QStringLiteral(".fpt") : QStringLiteral(".mb"))));
    QVERIFY(process.waitForFinished(120000));
    const QStringList errors = robust::reports(process.readAllStandardError());
    qInfo("%s copied, %s removed: %s", qPrintable(copying), qPrintable(gone),
          qPrintable(errors.join(QStringLiteral(" | "))));
    if (toParadoxSide)
        expectParadox(copying, kBigRows * 5);
    else
        expectFoxPro(copying, kBigRows * 5);
    // Tables are copied from the bottom of the list up, and the listing's
    // order is the folder's: the removed table may already have been copied.
    const QString goneTarget =
        robust::findFile(target, gone + (toParadoxSide ? QStringLiteral(".db") : QStringLiteral(".dbf")));
    if (!goneTarget.isEmpty()) {
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(errors.isEmpty());
    } else {
        QCOMPARE(process.exitCode(), 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.front().contains(gone, Qt::CaseInsensitive), qPrintable(errors.front()));
    }
    for (const QString &line : targetBefore)
        QVERIFY2(robust::snapshot(target).contains(line), qPrintable(line));
}

QTEST_GUILESS_MAIN(TestCopyFaults)
#include "tst_copy_faults.moc"
