// What a killed copy leaves behind: temporaries of a Paradox writer that died
// go when the next table is written there, those of a live writer stay; a
// FoxPro drop cut short leaves a table that drops again, never a lone memo.

#include "Tables.h"

#include "platform/ado/RuntimeError.h"
#include "platform/ado/Variant.h"
#include "platform/foxpro/FoxProSession.h"
#include "platform/paradox/TableWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tw;

namespace {

QStringList temporaries(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("~tw*")}, QDir::Files | QDir::Hidden, QDir::Name);
}

std::vector<paradox::NewField> oneColumn()
{
    return {{QStringLiteral("A"), paradox::FieldType::Alpha, 10, 0}};
}

} // namespace

class TestLeftovers : public QObject {
    Q_OBJECT

private slots:
    void deadWritersTemporariesGo();
    void liveWritersTemporariesStay();
    void foxproDropOfTableWithoutMemo();
};

void TestLeftovers::deadWritersTemporariesGo()
{
    QTemporaryDir dir;
    // As a killed writer leaves them: a .db with its header and a .mb, nobody holding them.
    test::writeAll(dir.filePath(QStringLiteral("~twdead01.db")), QByteArray(2048, 'x'));
    test::writeAll(dir.filePath(QStringLiteral("~twdead01.mb")), QByteArray(4096, 'x'));
    test::writeAll(dir.filePath(QStringLiteral("~twdead02.mb")), QByteArray(4096, 'x')); // its .db already gone
    // Not a writer's name (wrong length): left alone.
    test::writeAll(dir.filePath(QStringLiteral("~twnotes.db")), QByteArray(10, 'x'));
    paradox::TableWriter writer(dir.path(), QStringLiteral("fresh"), oneColumn());
    writer.appendRow({ado::Variant::text(QStringLiteral("a"))});
    writer.finish();
    QCOMPARE(temporaries(dir.path()), QStringList{QStringLiteral("~twnotes.db")});
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("fresh.db"))));
}

void TestLeftovers::liveWritersTemporariesStay()
{
    QTemporaryDir dir;
    paradox::TableWriter first(dir.path(), QStringLiteral("first"), oneColumn());
    first.appendRow({ado::Variant::text(QStringLiteral("a"))});
    const QStringList mine = temporaries(dir.path());
    QCOMPARE(mine.size(), 1);
    // A second writer in the same folder leaves the first one's temporary alone.
    paradox::TableWriter second(dir.path(), QStringLiteral("second"), oneColumn());
    QVERIFY(temporaries(dir.path()).contains(mine.front()));
    second.finish();
    first.finish();
    QVERIFY(temporaries(dir.path()).isEmpty());
    for (const QString &name : {QStringLiteral("first.db"), QStringLiteral("second.db")})
        QVERIFY(QFile::exists(dir.filePath(name)));
}

void TestLeftovers::foxproDropOfTableWithoutMemo()
{
    // A drop killed between its two deletions leaves the .dbf without its
    // memo file: the table still lists, drops, and its name can be created again.
    QTemporaryDir dir;
    robust::makeFoxProTable(dir.path(), QStringLiteral("half"), 3);
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("half.fpt"))));
    foxpro::FoxProSession session(dir.path());
    session.execute(QStringLiteral("DROP TABLE [half]"));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    session.execute(QStringLiteral("CREATE TABLE [half] (a C(3), b M)"));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("half.dbf"))));
}

QTEST_GUILESS_MAIN(TestLeftovers)
#include "tst_leftovers.moc"
