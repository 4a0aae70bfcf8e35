// Replacing tables through tabwright-cli: an agreed overwrite puts the new
// table in place only when it is whole, a copy that fails part-way leaves the
// old table as it was, a table of another container is never touched, a free
// table the list does not show is asked about, and one failed table never
// stops the next.

#include "Tables.h"

#include "platform/foxpro/Container.h"
#include "platform/foxpro/FoxProSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tw;

namespace {

constexpr int kOldRows = 50;
constexpr int kNewRows = 70;
constexpr int kDamagedRows = 3000;

QString dcxcheck(const QString &dbc)
{
    const auto r =
        test::run(QStringLiteral("/usr/bin/python3"), {test::sharedDir() + QStringLiteral("/tools/dcxcheck.py"),
                                                       QStringLiteral("--strict"), QStringLiteral("--no-xbase"), dbc});
    return r.exitCode == 0 ? QString() : QString::fromUtf8(r.out + r.err);
}

} // namespace

class TestReplace : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void replacesWhenWhole_data();
    void replacesWhenWhole();
    void damagedSourceKeepsTheOldTable_data();
    void damagedSourceKeepsTheOldTable();
    void answerNoKeepsTheOldTable_data();
    void answerNoKeepsTheOldTable();
    void failedTableDoesNotStopTheNext_data();
    void failedTableDoesNotStopTheNext();
    void anotherContainersTableIsNeverTouched_data();
    void anotherContainersTableIsNeverTouched();
    void unlistedFreeTableIsAskedAbout();
    void containerTableIsReplacedWithItsRecords();
    void unreadableValueGoesAsNull();

private:
    QStringList toParadox(const QStringList &tables, bool yes) const;
    QStringList toFoxPro(const QStringList &tables, bool yes, const QString &foxpro = {}) const;
    qint64 paradoxRows(const QString &table) const;
    qint64 foxproRows(const QString &table, const QString &folder = {}) const;
    // A container data.dbc in `folder` holding the Paradox table `table` copied into it.
    void makeContainerWith(const QString &folder, const QString &table);

    robust::Readers m_readers;
    QTemporaryDir m_tools;
    robust::CopyFolders m_folders;
    QString m_fox, m_px, m_work;
};

void TestReplace::initTestCase()
{
    QVERIFY2(QFile::exists(robust::cliPath()), "tabwright-cli is not built");
    QVERIFY2(m_readers.prepare(m_tools.path()), qPrintable(m_readers.error()));
}

void TestReplace::init()
{
    m_folders = robust::CopyFolders();
    m_fox = m_folders.fox;
    m_px = m_folders.px;
    m_work = m_folders.work;
}

QStringList TestReplace::toParadox(const QStringList &tables, bool yes) const
{
    return m_folders.toParadox(tables, {yes ? QStringLiteral("--yes") : QStringLiteral("--no")});
}

QStringList TestReplace::toFoxPro(const QStringList &tables, bool yes, const QString &foxpro) const
{
    return m_folders.toFoxPro(tables, {yes ? QStringLiteral("--yes") : QStringLiteral("--no")}, foxpro);
}

qint64 TestReplace::paradoxRows(const QString &table) const
{
    return m_readers.paradoxRows(robust::findFile(m_px, table + QStringLiteral(".db")));
}

qint64 TestReplace::foxproRows(const QString &table, const QString &folder) const
{
    return m_readers.foxproRows(robust::findFile(folder.isEmpty() ? m_fox : folder, table + QStringLiteral(".dbf")));
}

void TestReplace::makeContainerWith(const QString &folder, const QString &table)
{
    foxpro::Container::create(folder + QStringLiteral("/data.dbc"));
    const auto r = robust::cli(toFoxPro({table}, true, folder + QStringLiteral("/data.dbc")));
    QVERIFY2(r.exitCode == 0, r.err.constData());
}

void TestReplace::replacesWhenWhole_data()
{
    QTest::addColumn<bool>("paradoxTarget");
    QTest::newRow("to Paradox") << true;
    QTest::newRow("to FoxPro") << false;
}

void TestReplace::replacesWhenWhole()
{
    QFETCH(bool, paradoxTarget);
    if (paradoxTarget) {
        robust::makeParadoxTable(m_px, QStringLiteral("t"), kOldRows);
        test::writeAll(m_px + QStringLiteral("/t.px"), "old index");
        robust::makeFoxProTable(m_fox, QStringLiteral("t"), kNewRows);
    } else {
        robust::makeFoxProTable(m_fox, QStringLiteral("t"), kOldRows);
        test::writeAll(m_fox + QStringLiteral("/t.cdx"), "old index");
        robust::makeParadoxTable(m_px, QStringLiteral("t"), kNewRows);
    }
    const auto r =
        robust::cli(paradoxTarget ? toParadox({QStringLiteral("t")}, true) : toFoxPro({QStringLiteral("t")}, true));
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QString target = paradoxTarget ? m_px : m_fox;
    QCOMPARE(paradoxTarget ? paradoxRows(QStringLiteral("t")) : foxproRows(QStringLiteral("t")), qint64(kNewRows));
    // The old table's index described the old rows: it went with them.
    QVERIFY(robust::findFile(target, paradoxTarget ? QStringLiteral("t.px") : QStringLiteral("t.cdx")).isEmpty());
    QVERIFY2(robust::leftovers(target).isEmpty(), qPrintable(robust::leftovers(target).join(u' ')));
    // One table of the name, in one spelling.
    QCOMPARE(
        QDir(target).entryList({paradoxTarget ? QStringLiteral("t.db") : QStringLiteral("t.dbf")}, QDir::Files).size(),
        1);
}

void TestReplace::damagedSourceKeepsTheOldTable_data()
{
    QTest::addColumn<bool>("paradoxTarget");
    QTest::newRow("to Paradox") << true;
    QTest::newRow("to FoxPro") << false;
}

void TestReplace::damagedSourceKeepsTheOldTable()
{
    QFETCH(bool, paradoxTarget);
    if (paradoxTarget) {
        robust::makeParadoxTable(m_px, QStringLiteral("t"), kOldRows);
        robust::makeFoxProTable(m_fox, QStringLiteral("t"), kDamagedRows);
        // Memos cut off are Null and the table goes on: only a table that
        // cannot be opened fails as a whole.
        QVERIFY(QFile::remove(robust::findFile(m_fox, QStringLiteral("t.fpt"))));
    } else {
        robust::makeFoxProTable(m_fox, QStringLiteral("t"), kOldRows);
        robust::makeParadoxTable(m_px, QStringLiteral("t"), kDamagedRows);
        // A .mb cut short loses only the memos it no longer holds; a missing
        // one stops the table at the first row that needs it.
        QVERIFY(QFile::remove(robust::findFile(m_px, QStringLiteral("t.mb"))));
    }
    const QString target = paradoxTarget ? m_px : m_fox;
    const QStringList before = robust::snapshot(target);
    const auto r =
        robust::cli(paradoxTarget ? toParadox({QStringLiteral("t")}, true) : toFoxPro({QStringLiteral("t")}, true));
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.toLower().contains("t: not copied"), r.err.constData());
    // The old table, exactly as it was, and nothing beside it.
    QCOMPARE(robust::snapshot(target), before);
    QCOMPARE(paradoxTarget ? paradoxRows(QStringLiteral("t")) : foxproRows(QStringLiteral("t")), qint64(kOldRows));
}

void TestReplace::answerNoKeepsTheOldTable_data()
{
    QTest::addColumn<bool>("paradoxTarget");
    QTest::newRow("to Paradox") << true;
    QTest::newRow("to FoxPro") << false;
}

void TestReplace::answerNoKeepsTheOldTable()
{
    QFETCH(bool, paradoxTarget);
    robust::makeParadoxTable(m_px, QStringLiteral("t"), paradoxTarget ? kOldRows : kNewRows);
    robust::makeFoxProTable(m_fox, QStringLiteral("t"), paradoxTarget ? kNewRows : kOldRows);
    const QString target = paradoxTarget ? m_px : m_fox;
    const QStringList before = robust::snapshot(target);
    const auto r =
        robust::cli(paradoxTarget ? toParadox({QStringLiteral("t")}, false) : toFoxPro({QStringLiteral("t")}, false));
    QCOMPARE(r.exitCode, 3);
    QVERIFY2(r.err.toLower().contains("t: not copied: not replaced"), r.err.constData());
    QCOMPARE(robust::snapshot(target), before);
}

void TestReplace::failedTableDoesNotStopTheNext_data()
{
    QTest::addColumn<bool>("paradoxTarget");
    QTest::newRow("to Paradox") << true;
    QTest::newRow("to FoxPro") << false;
}

void TestReplace::failedTableDoesNotStopTheNext()
{
    // The middle table's memo file is missing: its first row cannot be read.
    QFETCH(bool, paradoxTarget);
    const QStringList tables{QStringLiteral("a"), QStringLiteral("m"), QStringLiteral("z")};
    for (const QString &table : tables) {
        if (paradoxTarget)
            robust::makeFoxProTable(m_fox, table, kOldRows);
        else
            robust::makeParadoxTable(m_px, table, kOldRows);
    }
    QVERIFY(QFile::remove(paradoxTarget ? robust::findFile(m_fox, QStringLiteral("m.fpt"))
                                        : robust::findFile(m_px, QStringLiteral("m.mb"))));
    const auto r = robust::cli(paradoxTarget ? toParadox(tables, true) : toFoxPro(tables, true));
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.toLower().contains("m: not copied: "), r.err.constData());
    const QStringList reports = robust::reports(r.err);
    QVERIFY2(reports.size() == 1, qPrintable(reports.join(QStringLiteral("\n--\n"))));
    QVERIFY2(!reports.front().contains(QLatin1String("not allowed when the object is open")),
             qPrintable(reports.front()));
    for (const QString &table : {QStringLiteral("a"), QStringLiteral("z")})
        QCOMPARE(paradoxTarget ? paradoxRows(table) : foxproRows(table), qint64(kOldRows));
    QVERIFY(
        robust::findFile(paradoxTarget ? m_px : m_fox, paradoxTarget ? QStringLiteral("m.db") : QStringLiteral("m.dbf"))
            .isEmpty());
}

void TestReplace::anotherContainersTableIsNeverTouched_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("--yes") << true;
    QTest::newRow("--no") << false;
}

void TestReplace::anotherContainersTableIsNeverTouched()
{
    // A container and its tables in the folder that is also read as a folder of free tables.
    QFETCH(bool, yes);
    robust::makeParadoxTable(m_px, QStringLiteral("customer"), kOldRows);
    makeContainerWith(m_fox, QStringLiteral("customer"));
    const QStringList before = robust::snapshot(m_fox);
    const auto r = robust::cli(toFoxPro({QStringLiteral("customer")}, yes));
    QCOMPARE(r.exitCode, 3);
    QVERIFY2(r.err.contains("CUSTOMER.DBF belongs to the database DATA.DBC; open that database to replace it."),
             r.err.constData());
    QCOMPARE(robust::snapshot(m_fox), before);
    QVERIFY(!r.err.contains("overwrite")); // nothing to ask: it is not ours to replace
}

void TestReplace::unlistedFreeTableIsAskedAbout()
{
    // A free table lying in a container's folder is not one of the container's
    // tables, but it is the file the copy would write.
    robust::makeParadoxTable(m_px, QStringLiteral("customer"), kOldRows);
    robust::makeParadoxTable(m_px, QStringLiteral("orders"), kNewRows);
    makeContainerWith(m_fox, QStringLiteral("customer"));
    robust::makeFoxProTable(m_fox, QStringLiteral("orders"), kOldRows);
    test::writeAll(m_fox + QStringLiteral("/orders.cdx"), "old index");
    const QString dbc = m_fox + QStringLiteral("/data.dbc");
    const QStringList before = robust::snapshot(m_fox);

    auto r = robust::cli(toFoxPro({QStringLiteral("orders")}, false, dbc));
    QCOMPARE(r.exitCode, 3);
    QVERIFY2(r.err.contains("Would you like to overwrite ORDERS? [no]"), r.err.constData());
    QCOMPARE(robust::snapshot(m_fox), before);

    r = robust::cli(toFoxPro({QStringLiteral("orders")}, true, dbc));
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(foxproRows(QStringLiteral("orders")), qint64(kNewRows));
    QVERIFY(robust::findFile(m_fox, QStringLiteral("orders.cdx")).isEmpty());
    QCOMPARE(foxpro::owningContainer(robust::findFile(m_fox, QStringLiteral("orders.dbf"))),
             QStringLiteral("DATA.DBC"));
    const auto listed = robust::cli({QStringLiteral("tables"), QStringLiteral("--foxpro"), dbc});
    QVERIFY(listed.out.contains("orders") && listed.out.contains("customer"));
    QCOMPARE(dcxcheck(dbc), QString());
    QVERIFY(robust::leftovers(m_fox).isEmpty());
}

void TestReplace::containerTableIsReplacedWithItsRecords()
{
    robust::makeParadoxTable(m_px, QStringLiteral("customer"), kOldRows);
    makeContainerWith(m_fox, QStringLiteral("customer"));
    const QString dbc = m_fox + QStringLiteral("/data.dbc");
    QFile::remove(robust::findFile(m_px, QStringLiteral("customer.db")));
    QFile::remove(robust::findFile(m_px, QStringLiteral("customer.mb")));
    robust::makeParadoxTable(m_px, QStringLiteral("customer"), kNewRows);

    const auto r = robust::cli(toFoxPro({QStringLiteral("customer")}, true, dbc));
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(foxproRows(QStringLiteral("customer")), qint64(kNewRows));
    const foxpro::Container container(dbc);
    QCOMPARE(container.tables().size(), size_t(1));
    QCOMPARE(container.fieldNames(container.tables().front().objectId).size(), 3);
    QCOMPARE(dcxcheck(dbc), QString());
    QVERIFY(robust::leftovers(m_fox).isEmpty());
}

void TestReplace::unreadableValueGoesAsNull()
{
    // Row 5's ID holds something no number can stand for: that value goes as
    // Null, the table arrives, and the command line says what was lost.
    robust::makeFoxProTable(m_fox, QStringLiteral("t"), kOldRows);
    const QString dbf = robust::findFile(m_fox, QStringLiteral("t.dbf"));
    QByteArray bytes = test::readAll(dbf);
    const int headerLength = uchar(bytes[8]) | uchar(bytes[9]) << 8;
    const int recordLength = uchar(bytes[10]) | uchar(bytes[11]) << 8;
    bytes.replace(headerLength + 4 * recordLength + 1, 10, "     1-2-3");
    test::writeAll(dbf, bytes);

    const auto dumped = robust::cli({QStringLiteral("dump"), QStringLiteral("--foxpro"), m_fox, QStringLiteral("t")});
    QCOMPARE(dumped.exitCode, 0);
    QCOMPARE(dumped.out.count('\n'), kOldRows + 1); // the header line and every row
    QVERIFY2(dumped.err.contains("row 5, column ID: field ID: '1-2-3' is not a number"), dumped.err.constData());

    const auto r = robust::cli(toParadox({QStringLiteral("t")}, true));
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.err.contains("1 value(s) that could not be read or that the target cannot hold were written as Null"),
             r.err.constData());
    QVERIFY2(r.err.contains("t.dbf, row 5, column ID"), r.err.constData());
    QCOMPARE(paradoxRows(QStringLiteral("t")), qint64(kOldRows));
}

QTEST_GUILESS_MAIN(TestReplace)
#include "tst_replace.moc"
