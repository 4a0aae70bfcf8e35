// A DROP TABLE held back in a transaction ends by one rule on both targets:
// a drop no new table of its name followed goes at the commit; one whose new
// table never arrived is withdrawn and the old table stays; a new table that
// arrives takes the old one's place; a rollback withdraws every drop. A
// Paradox drop's permission to replace belongs to the session that holds it
// and to the writer it is handed to, and to nobody else.

#include "platform/ado/Connection.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ado/TableReplacement.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/paradox/TableWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tw;

namespace {

enum class Then {
    Commit,      // nothing after the drop
    FailCommit,  // a new table of the name is begun, fails, then the commit
    ArriveCommit // a new table of the name is written whole, then the commit
};

// Who writes T (or U) while the drop of T is held, and with which permission.
enum class Writer {
    Unpermitted,     // a writer of T handed no permission
    OtherTable,      // a writer of U (which exists) handed T's permission
    OtherSessionEnds // a second session drops T and rolls back; the first's permission writes T
};

const QString kParadoxConnection = QStringLiteral("Driver={Microsoft Paradox Driver (*.db )};DriverID=538;"
                                                  "Fil=Paradox 5.X;DefaultDir=%1;Dbq=%1;CollatingSequence=ASCII;");

} // namespace

Q_DECLARE_METATYPE(Then)
Q_DECLARE_METATYPE(Writer)

class TestHeldDrops : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_providers.push_back(std::make_unique<ado::ScopedProvider>(std::make_shared<foxpro::FoxProProvider>()));
        m_providers.push_back(std::make_unique<ado::ScopedProvider>(std::make_shared<paradox::ParadoxProvider>()));
    }

    void oneRuleForBothTargets_data()
    {
        QTest::addColumn<bool>("paradox");
        QTest::addColumn<Then>("then");
        QTest::addColumn<QString>("left"); // the first column of T afterwards; empty: no table
        for (const bool px : {false, true}) {
            const char *target = px ? "Paradox" : "FoxPro";
            QTest::addRow("%s: a drop alone goes", target) << px << Then::Commit << QString();
            QTest::addRow("%s: a new table that fails withdraws it", target) << px << Then::FailCommit << "OLDCOL";
            QTest::addRow("%s: a new table that arrives replaces it", target) << px << Then::ArriveCommit << "NEWCOL";
        }
    }

    void oneRuleForBothTargets()
    {
        QFETCH(bool, paradox);
        QFETCH(Then, then);
        QFETCH(QString, left);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.path();
        ado::Connection c;
        if (paradox) {
            c.Open(kParadoxConnection.arg(folder));
            writeParadox(folder, QStringLiteral("OLDCOL"));
        } else {
            c.Open(QStringLiteral("Provider=vfpoledb.1;Data Source=%1;").arg(folder));
            c.Execute(QStringLiteral("CREATE TABLE T (OLDCOL I)"));
            c.Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
        }
        c.BeginTrans();
        c.Execute(QStringLiteral("DROP TABLE T"));
        if (then == Then::FailCommit) {
            if (paradox) {
                paradox::TableWriter writer(folder, QStringLiteral("T"),
                                            {{QStringLiteral("NEWCOL"), paradox::FieldType::Long}}, 0, 0,
                                            c.HeldDrop(QStringLiteral("T")));
                writer.abandon();
            } else {
                QVERIFY_THROWS_EXCEPTION(ado::RuntimeError,
                                         c.Execute(QStringLiteral("CREATE TABLE T (NEWCOL NOSUCH)")));
            }
        } else if (then == Then::ArriveCommit) {
            if (paradox) {
                writeParadox(folder, QStringLiteral("NEWCOL"), c.HeldDrop(QStringLiteral("t.db")));
            } else {
                c.Execute(QStringLiteral("CREATE TABLE T (NEWCOL I)"));
                c.Execute(QStringLiteral("INSERT INTO T VALUES (2)"));
            }
        }
        c.CommitTrans();
        QCOMPARE(firstColumn(c), left);
        // Nothing staged stays behind.
        QCOMPARE(QDir(folder).entryList({QStringLiteral("~tw*")}, QDir::Files | QDir::Hidden), QStringList());

        if (!left.isEmpty()) {
            // A rollback withdraws the drop whatever came after it.
            c.BeginTrans();
            c.Execute(QStringLiteral("DROP TABLE T"));
            c.RollbackTrans();
            QCOMPARE(firstColumn(c), left);
        }
    }

    void permissionIsTheHoldersOnly_data()
    {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QString>("leftT"); // the first column of T after the commit; empty: no table
        QTest::addColumn<QString>("leftU");
        QTest::newRow("a writer without it is refused") << Writer::Unpermitted << QString() << "OLDCOL";
        QTest::newRow("it does not replace another table") << Writer::OtherTable << QString() << "OLDCOL";
        QTest::newRow("another session's drop is not it")
            << Writer::OtherSessionEnds << QStringLiteral("NEWCOL") << "OLDCOL";
    }

    void permissionIsTheHoldersOnly()
    {
        QFETCH(Writer, writer);
        QFETCH(QString, leftT);
        QFETCH(QString, leftU);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.path();
        writeParadox(folder, QStringLiteral("OLDCOL"), nullptr, QStringLiteral("T"));
        writeParadox(folder, QStringLiteral("OLDCOL"), nullptr, QStringLiteral("U"));
        ado::Connection c;
        c.Open(kParadoxConnection.arg(folder));
        c.BeginTrans();
        c.Execute(QStringLiteral("DROP TABLE T"));
        QVERIFY(c.HeldDrop(QStringLiteral("T")));
        QVERIFY(!c.HeldDrop(QStringLiteral("U")));
        switch (writer) {
        case Writer::Unpermitted:
            QVERIFY_THROWS_EXCEPTION(ado::RuntimeError, writeParadox(folder, QStringLiteral("NEWCOL")));
            break;
        case Writer::OtherTable:
            QVERIFY_THROWS_EXCEPTION(
                ado::RuntimeError,
                writeParadox(folder, QStringLiteral("NEWCOL"), c.HeldDrop(QStringLiteral("T")), QStringLiteral("U")));
            break;
        case Writer::OtherSessionEnds: {
            ado::Connection other;
            other.Open(kParadoxConnection.arg(folder));
            other.BeginTrans();
            other.Execute(QStringLiteral("DROP TABLE T"));
            const std::shared_ptr<ado::TableReplacement> stale = other.HeldDrop(QStringLiteral("T"));
            other.RollbackTrans();
            // The rolled back session's permission is withdrawn; this one's stays.
            QVERIFY_THROWS_EXCEPTION(ado::RuntimeError, writeParadox(folder, QStringLiteral("NEWCOL"), stale));
            writeParadox(folder, QStringLiteral("NEWCOL"), c.HeldDrop(QStringLiteral("T")));
            break;
        }
        }
        c.CommitTrans();
        QCOMPARE(firstColumn(c, QStringLiteral("T")), leftT);
        QCOMPARE(firstColumn(c, QStringLiteral("U")), leftU);
        QCOMPARE(QDir(folder).entryList({QStringLiteral("~tw*")}, QDir::Files | QDir::Hidden), QStringList());
    }

private:
    static void writeParadox(const QString &folder, const QString &column,
                             std::shared_ptr<ado::TableReplacement> replacement = nullptr,
                             const QString &table = QStringLiteral("T"))
    {
        paradox::TableWriter writer(folder, table, {{column, paradox::FieldType::Long}}, 0, 0, std::move(replacement));
        writer.appendRow({ado::Variant::integer(1)});
        writer.finish();
    }

    static QString firstColumn(ado::Connection &c, const QString &table = QStringLiteral("T"))
    {
        try {
            ado::Recordset rs;
            rs.Open(QStringLiteral("SELECT * FROM ") + table, c);
            return rs.fields()(0).name().toUpper();
        } catch (const ado::RuntimeError &) {
            return {};
        }
    }

    std::vector<std::unique_ptr<ado::ScopedProvider>> m_providers;
};

QTEST_GUILESS_MAIN(TestHeldDrops)
#include "tst_held_drops.moc"
