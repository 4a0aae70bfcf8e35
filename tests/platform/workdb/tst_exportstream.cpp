// A work table whose export was prepared writes its Paradox table while the
// rows arrive: the table must be the one the Paradox writer makes of those
// rows, its failures must come where the export meets them, and an export
// that never comes must leave nothing behind.
#include "TestSupport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/paradox/ParadoxFormat.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/paradox/TableWriter.h"
#include "platform/workdb/ParadoxExport.h"
#include "platform/workdb/WorkDbProvider.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tw::ado;

namespace {

const QString kColumns = QStringLiteral("(`id` INT,`name` VARCHAR(40),`note` MEMO,`price` FLOAT,`seen` DATETIME,"
                                        "`pic` OLEOBJECT,`digits` DECIMAL)");

// The work columns kColumns makes.
std::vector<tw::workdb::WorkColumn> workColumns()
{
    using tw::workdb::workColumn;
    return {workColumn("id", "INT"),        workColumn("name", "VARCHAR(40)"), workColumn("note", "MEMO"),
            workColumn("price", "FLOAT"),   workColumn("seen", "DATETIME"),    workColumn("pic", "OLEOBJECT"),
            workColumn("digits", "DECIMAL")};
}

using Rows = std::vector<std::vector<Variant>>;

// One work database and the Paradox folder its tables go to.
struct Work {
    explicit Work(const QString &dir) : folder(dir + QStringLiteral("/px"))
    {
        tw::workdb::createWorkDatabase(dir + QStringLiteral("/dbtemp.mdb"));
        QDir().mkpath(folder);
        connection.CursorLocation = 2;
        connection.Mode = 3;
        connection.Open(QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") + dir +
                        QStringLiteral("\\dbtemp.mdb;"));
    }
    QString into(const QString &target, const QString &table) const
    {
        return QStringLiteral("select * into [Paradox 5.x;Database=") + folder + QStringLiteral("\\].[") + target +
               QStringLiteral(".db] from [") + table + u']';
    }
    QStringList files() const
    {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        return names;
    }
    QString folder;
    Connection connection;
};

// Rows of every column kind: Nulls, texts past the Latin-1 range (written as
// "?" in a Windows-1252 table), memos longer than their leader, binaries.
// Gives back the rows as their columns converted them.
Rows addRows(Connection &work, const QString &table, int rows)
{
    Rows added;
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM `") + table + u'`', work, 2, 3);
    for (int i = 0; i < rows; ++i) {
        rs.AddNew();
        rs.fields()(0).setValue(i % 11 == 0 ? Variant::null() : Variant::integer(i));
        rs.fields()(1).setValue(
            Variant::text(i % 5 == 0 ? QString::fromUtf8("Ёлка %1").arg(i) : QStringLiteral("name %1").arg(i)));
        rs.fields()(2).setValue(i % 7 == 0 ? Variant::null() : Variant::text(QString(i % 300, QChar(u'a' + i % 26))));
        rs.fields()(3).setValue(Variant::real(i * 0.25 - 100));
        rs.fields()(4).setValue(Variant::dateTime(QDate(1990, 1, 1).addDays(i), (i * 1000) % Variant::kMsPerDay));
        rs.fields()(5).setValue(i % 3 == 0 ? Variant::null() : Variant::bytes(QByteArray(i % 40, char(i))));
        rs.fields()(6).setValue(Variant::decimal(QStringLiteral("%1.5").arg(i)));
        added.emplace_back();
        for (int column = 0; column < rs.fields().count(); ++column)
            added.back().push_back(rs.fields()(column).Value());
        rs.Update();
    }
    rs.Close();
    return added;
}

// Writes `rows` at once as the Paradox table `target` of `folder`, with the
// Paradox writer alone; the characters it had to write as "?".
qint64 writeAtOnce(const QString &folder, const QString &target, const Rows &rows)
{
    const tw::workdb::ExportPlan plan = tw::workdb::exportPlan(workColumns(), 0);
    tw::paradox::TableWriter writer(folder, target, plan.fields, qint64(rows.size()), plan.codePage);
    for (const std::vector<Variant> &row : rows)
        writer.appendRow(row);
    writer.finish();
    return writer.unmappedCharacters();
}

QByteArray withoutTime(QByteArray db)
{
    if (db.size() >= tw::paradox::db::kFileUpdateTime + 4)
        db.replace(tw::paradox::db::kFileUpdateTime, 4, QByteArray(4, '\0'));
    return db;
}

QString failureOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const RuntimeError &e) {
        return e.description();
    }
    return {};
}

} // namespace

class ExportStreamTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        tw::workdb::registerProvider();
        tw::paradox::registerProvider();
    }
    void init()
    {
        m_kept = std::make_unique<QTemporaryDir>();
        m_streamed = std::make_unique<QTemporaryDir>();
    }

    void theStreamedTableIsTheExportedOne_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("one row") << 1 << qint64(1);
        QTest::newRow("batches and a part") << 2600 << qint64(2600);
        // The row count announced is only a hint for the block size.
        QTest::newRow("fewer announced") << 300 << qint64(100);
    }
    void theStreamedTableIsTheExportedOne()
    {
        QFETCH(int, rows);
        QFETCH(qint64, expected);
        Work streamed(m_streamed->path());
        streamed.connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
        streamed.connection.Prepare(streamed.into(QStringLiteral("out"), QStringLiteral("t")), expected);
        const Rows added = addRows(streamed.connection, QStringLiteral("t"), rows);
        // The prepared table is being written already (under its temporary name).
        QVERIFY(!streamed.files().isEmpty());
        streamed.connection.Execute(streamed.into(QStringLiteral("out"), QStringLiteral("t")));
        // The same rows written at once by the Paradox writer make the same table.
        const QString atOnce = m_kept->path();
        const qint64 unmapped = writeAtOnce(atOnce, QStringLiteral("out.db"), added);

        QCOMPARE(streamed.files(), QStringList({"out.db", "out.mb"}));
        QCOMPARE(withoutTime(tw::test::readAll(streamed.folder + "/out.db")),
                 withoutTime(tw::test::readAll(atOnce + "/out.db")));
        QCOMPARE(tw::test::readAll(streamed.folder + "/out.mb"), tw::test::readAll(atOnce + "/out.mb"));
        QCOMPARE(streamed.connection.replacedCharacters(), unmapped);
        QVERIFY(unmapped > 0);
        // The rows were not kept twice: the work table is gone with its drop, nothing else stays.
        streamed.connection.Execute("DROP TABLE [t]");
        QCOMPARE(streamed.files(), QStringList({"out.db", "out.mb"}));
    }

    void anExportThatNeverComesLeavesNothing()
    {
        {
            Work work(m_streamed->path());
            work.connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
            work.connection.Prepare(work.into(QStringLiteral("out"), QStringLiteral("t")), 3000);
            addRows(work.connection, QStringLiteral("t"), 3000);
            QVERIFY(!work.files().isEmpty()); // the table is being written under a temporary name
            work.connection.Execute("DROP TABLE [t]");
            QCOMPARE(work.files(), QStringList());

            // A recordset still open on the table does not keep the dropped export alive.
            work.connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
            work.connection.Prepare(work.into(QStringLiteral("out"), QStringLiteral("t")), 10);
            Recordset open;
            open.Open(QStringLiteral("SELECT * FROM `t`"), work.connection, 2, 3);
            addRows(work.connection, QStringLiteral("t"), 10);
            work.connection.Execute("DROP TABLE [t]");
            QCOMPARE(work.files(), QStringList());
            open.Close();

            // A stopped copy that is not dropped goes with the connection.
            work.connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
            work.connection.Prepare(work.into(QStringLiteral("out"), QStringLiteral("t")), 2000);
            addRows(work.connection, QStringLiteral("t"), 2000);
            work.connection.Close();
            QCOMPARE(work.files(), QStringList());
        }
    }

    // The rows that went ahead live in the Paradox table alone: reading them
    // back is refused, and so are rows added after the export.
    void rowsThatWentAheadAreNotReadBackNorAddedTo()
    {
        Work work(m_streamed->path());
        work.connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
        work.connection.Prepare(work.into(QStringLiteral("out"), QStringLiteral("t")), 40);
        Recordset adding;
        adding.Open(QStringLiteral("SELECT * FROM `t`"), work.connection, 2, 3);
        addRows(work.connection, QStringLiteral("t"), 40);
        Recordset reading;
        const QString read = failureOf([&] {
            reading.Open(QStringLiteral("SELECT * FROM `t`"), work.connection, 0, 1);
            reading.MoveNext();
        });
        QVERIFY2(read.contains(QLatin1String("does not keep them")), qPrintable(read));
        work.connection.Execute(work.into(QStringLiteral("out"), QStringLiteral("t")));
        const QString added = failureOf([&] {
            adding.AddNew();
            adding.Update();
        });
        QVERIFY2(added.contains(QLatin1String("after it was written out")), qPrintable(added));
        adding.Close();
        QCOMPARE(work.files(), QStringList({"out.db", "out.mb"}));
    }

    void failuresComeWhereTheExportMeetsThem()
    {
        // `kept` has no rows and nothing prepared: its export meets the table in the way at once.
        Work kept(m_kept->path());
        Work streamed(m_streamed->path());
        for (Work *work : {&kept, &streamed}) {
            tw::test::writeAll(work->folder + "/OUT.DB", "precious");
            work->connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
        }
        streamed.connection.Prepare(streamed.into(QStringLiteral("out"), QStringLiteral("t")), 1500);
        // Adding the rows does not fail: the table in the way is met by the export.
        addRows(streamed.connection, QStringLiteral("t"), 1500);
        const QString expected =
            failureOf([&] {
                kept.connection.Execute(kept.into(QStringLiteral("out"), QStringLiteral("t")));
            }).replace(QDir::toNativeSeparators(m_kept->path()), QDir::toNativeSeparators(m_streamed->path()));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(
            failureOf([&] { streamed.connection.Execute(streamed.into(QStringLiteral("out"), QStringLiteral("t"))); }),
            expected);
        QCOMPARE(tw::test::readAll(streamed.folder + "/OUT.DB"), QByteArray("precious"));
        QCOMPARE(streamed.files(), QStringList({"OUT.DB"}));
        // The rows went to the failed table: a second export must not write the table empty.
        QVERIFY(!failureOf([&] {
                     streamed.connection.Execute(streamed.into(QStringLiteral("other"), QStringLiteral("t")));
                 }).isEmpty());
        QCOMPARE(streamed.files(), QStringList({"OUT.DB"}));
    }

    void anotherTargetThanThePreparedOneIsRefused()
    {
        Work work(m_streamed->path());
        work.connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
        work.connection.Prepare(work.into(QStringLiteral("out"), QStringLiteral("t")), 10);
        addRows(work.connection, QStringLiteral("t"), 10);
        const QString failure =
            failureOf([&] { work.connection.Execute(work.into(QStringLiteral("elsewhere"), QStringLiteral("t"))); });
        QVERIFY2(failure.contains(QLatin1String("cannot be written out again")), qPrintable(failure));
        QCOMPARE(work.files(), QStringList());
        // Rows added after a preparation that named no table of the database
        // are refused; the table's export writes it without rows.
        work.connection.Execute(QStringLiteral("CREATE TABLE `u`") + kColumns);
        work.connection.Prepare(work.into(QStringLiteral("x"), QStringLiteral("nosuch")), 10);
        const QString refused = failureOf([&] { addRows(work.connection, QStringLiteral("u"), 10); });
        QVERIFY2(refused.contains(QLatin1String("none was prepared for it")), qPrintable(refused));
        work.connection.Execute(work.into(QStringLiteral("u"), QStringLiteral("u")));
        QCOMPARE(work.files(), QStringList({"u.db", "u.mb"}));
        Connection paradox;
        paradox.Open(QStringLiteral("Driver={Microsoft Paradox Driver (*.db )};Dbq=%1;").arg(work.folder));
        Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM u"), paradox);
        QCOMPARE(rs.RecordCount(), 0);
    }

    // The permission of a drop the Paradox connection holds reaches the
    // export's writer through the work connection: the streamed one, or the
    // one that writes a table without rows (nothing was prepared for it).
    void aHeldDropIsReplacedWithThePermissionHandedOver_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("without rows") << 0;
        QTest::newRow("streamed") << 10;
    }
    void aHeldDropIsReplacedWithThePermissionHandedOver()
    {
        QFETCH(int, rows);
        Work work(m_streamed->path());
        tw::test::writeAll(work.folder + "/OUT.DB", "precious");
        Connection paradox;
        paradox.Open(QStringLiteral("Driver={Microsoft Paradox Driver (*.db )};Dbq=%1;").arg(work.folder));
        paradox.BeginTrans();
        paradox.Execute(QStringLiteral("DROP TABLE [out]"));
        work.connection.AllowReplacement(paradox.HeldDrop(QStringLiteral("out")));
        work.connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
        if (rows > 0) {
            work.connection.Prepare(work.into(QStringLiteral("out"), QStringLiteral("t")), rows);
            addRows(work.connection, QStringLiteral("t"), rows);
        }
        work.connection.Execute(work.into(QStringLiteral("out"), QStringLiteral("t")));
        paradox.CommitTrans();
        QCOMPARE(work.files(), QStringList({"OUT.DB", "OUT.MB"}));
        Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM out"), paradox);
        QCOMPARE(rs.RecordCount(), rows);
    }

private:
    std::unique_ptr<QTemporaryDir> m_kept;
    std::unique_ptr<QTemporaryDir> m_streamed;
};

QTEST_GUILESS_MAIN(ExportStreamTest)
#include "tst_exportstream.moc"
