// A DROP TABLE held back in a transaction ends by one rule on both targets:
// a drop no new table of its name followed goes at the commit; one whose new
// table never arrived is withdrawn and the old table stays; a new table that
// arrives takes the old one's place; a rollback withdraws every drop.

#include "platform/ado/Connection.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
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

} // namespace

Q_DECLARE_METATYPE(Then)

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
            c.Open(QStringLiteral("Driver={Microsoft Paradox Driver (*.db )};DriverID=538;Fil=Paradox 5.X;"
                                  "DefaultDir=%1;Dbq=%1;CollatingSequence=ASCII;")
                       .arg(folder));
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
                                            {{QStringLiteral("NEWCOL"), paradox::FieldType::Long}});
                writer.abandon();
            } else {
                QVERIFY_THROWS_EXCEPTION(ado::RuntimeError,
                                         c.Execute(QStringLiteral("CREATE TABLE T (NEWCOL NOSUCH)")));
            }
        } else if (then == Then::ArriveCommit) {
            if (paradox) {
                writeParadox(folder, QStringLiteral("NEWCOL"));
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

private:
    static void writeParadox(const QString &folder, const QString &column)
    {
        paradox::TableWriter writer(folder, QStringLiteral("T"), {{column, paradox::FieldType::Long}});
        writer.appendRow({ado::Variant::integer(1)});
        writer.finish();
    }

    static QString firstColumn(ado::Connection &c)
    {
        try {
            ado::Recordset rs;
            rs.Open(QStringLiteral("SELECT * FROM T"), c);
            return rs.fields()(0).name().toUpper();
        } catch (const ado::RuntimeError &) {
            return {};
        }
    }

    std::vector<std::unique_ptr<ado::ScopedProvider>> m_providers;
};

QTEST_GUILESS_MAIN(TestHeldDrops)
#include "tst_held_drops.moc"
