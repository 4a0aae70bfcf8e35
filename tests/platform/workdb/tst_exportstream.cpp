// A work table whose export was prepared writes its Paradox table while the
// rows arrive: the table must be the one the export writes afterwards, its
// failures must come where the export meets them, and an export that never
// comes must leave nothing behind.
#include "TestSupport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/paradox/ParadoxFormat.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/workdb/WorkDbProvider.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tw::ado;

namespace {

const QString kColumns = QStringLiteral("(`id` INT,`name` VARCHAR(40),`note` MEMO,`price` FLOAT,`seen` DATETIME,"
                                        "`pic` OLEOBJECT,`digits` DECIMAL)");

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
void addRows(Connection &work, const QString &table, int rows)
{
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
        rs.Update();
    }
    rs.Close();
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
        Work kept(m_kept->path());
        Work streamed(m_streamed->path());
        for (Work *work : {&kept, &streamed})
            work->connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
        streamed.connection.Prepare(streamed.into(QStringLiteral("out"), QStringLiteral("t")), expected);
        addRows(kept.connection, QStringLiteral("t"), rows);
        addRows(streamed.connection, QStringLiteral("t"), rows);
        // The prepared table is being written already (under its temporary name), the other not yet.
        QCOMPARE(kept.files(), QStringList());
        QVERIFY(!streamed.files().isEmpty());
        kept.connection.Execute(kept.into(QStringLiteral("out"), QStringLiteral("t")));
        streamed.connection.Execute(streamed.into(QStringLiteral("out"), QStringLiteral("t")));

        QCOMPARE(streamed.files(), QStringList({"out.db", "out.mb"}));
        QCOMPARE(withoutTime(tw::test::readAll(streamed.folder + "/out.db")),
                 withoutTime(tw::test::readAll(kept.folder + "/out.db")));
        QCOMPARE(tw::test::readAll(streamed.folder + "/out.mb"), tw::test::readAll(kept.folder + "/out.mb"));
        QCOMPARE(streamed.connection.replacedCharacters(), kept.connection.replacedCharacters());
        QVERIFY(streamed.connection.replacedCharacters() > 0);
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
        Work kept(m_kept->path());
        Work streamed(m_streamed->path());
        for (Work *work : {&kept, &streamed}) {
            tw::test::writeAll(work->folder + "/OUT.DB", "precious");
            work->connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
        }
        streamed.connection.Prepare(streamed.into(QStringLiteral("out"), QStringLiteral("t")), 1500);
        // Adding the rows does not fail: the table in the way is met by the export.
        addRows(kept.connection, QStringLiteral("t"), 1500);
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
        // Rows added after a preparation that named no table of the database go the usual way.
        work.connection.Execute(QStringLiteral("CREATE TABLE `u`") + kColumns);
        work.connection.Prepare(work.into(QStringLiteral("x"), QStringLiteral("nosuch")), 10);
        addRows(work.connection, QStringLiteral("u"), 10);
        work.connection.Execute(work.into(QStringLiteral("u"), QStringLiteral("u")));
        QCOMPARE(work.files(), QStringList({"u.db", "u.mb"}));
    }

    // The permission of a drop the Paradox connection holds reaches the
    // export's writer through the work connection, streamed or not.
    void aHeldDropIsReplacedWithThePermissionHandedOver_data()
    {
        QTest::addColumn<bool>("streamed");
        QTest::newRow("kept") << false;
        QTest::newRow("streamed") << true;
    }
    void aHeldDropIsReplacedWithThePermissionHandedOver()
    {
        QFETCH(bool, streamed);
        Work work(m_streamed->path());
        tw::test::writeAll(work.folder + "/OUT.DB", "precious");
        Connection paradox;
        paradox.Open(QStringLiteral("Driver={Microsoft Paradox Driver (*.db )};Dbq=%1;").arg(work.folder));
        paradox.BeginTrans();
        paradox.Execute(QStringLiteral("DROP TABLE [out]"));
        work.connection.AllowReplacement(paradox.HeldDrop(QStringLiteral("out")));
        work.connection.Execute(QStringLiteral("CREATE TABLE `t`") + kColumns);
        if (streamed)
            work.connection.Prepare(work.into(QStringLiteral("out"), QStringLiteral("t")), 10);
        addRows(work.connection, QStringLiteral("t"), 10);
        work.connection.Execute(work.into(QStringLiteral("out"), QStringLiteral("t")));
        paradox.CommitTrans();
        QCOMPARE(work.files(), QStringList({"OUT.DB", "OUT.MB"}));
        Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM out"), paradox);
        QCOMPARE(rs.RecordCount(), 10);
    }

private:
    std::unique_ptr<QTemporaryDir> m_kept;
    std::unique_ptr<QTemporaryDir> m_streamed;
};

QTEST_GUILESS_MAIN(ExportStreamTest)
#include "tst_exportstream.moc"
