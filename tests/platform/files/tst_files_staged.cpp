// StagedTable: a table's temporaries put in place over an old table or beside
// none, taken back when a name is in the way, discarded, and kept from other
// writers' sweeps while held.

#include "TestSupport.h"

#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/StagedTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tw::files;

using tw::test::readFile;
using tw::test::writeFile;

namespace {

const QStringList kSuffixes = {QStringLiteral("db"), QStringLiteral("mb")};

} // namespace

class TestStagedTable : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.emplace().isValid());
        m_root = m_dir->path();
    }

    void putsInPlaceOverAnOldTable()
    {
        QVERIFY(writeFile(m_root + QStringLiteral("/T.DB"), "old db"));
        QVERIFY(writeFile(m_root + QStringLiteral("/T.MB"), "old mb"));
        QVERIFY(writeFile(m_root + QStringLiteral("/T.PX"), "old index"));
        StagedTable staged(m_root, kSuffixes);
        QVERIFY(writeFile(staged.temp(QStringLiteral("db")), "new db"));
        QVERIFY(writeFile(staged.temp(QStringLiteral("mb")), "new mb"));
        QVERIFY(staged.hold());
        // The new memo file goes over the old one's spelling, then takes its own.
        staged.putInPlace(
            {{staged.temp(QStringLiteral("mb")), m_root + QStringLiteral("/T.mb"), m_root + QStringLiteral("/T.MB")},
             {staged.mainTemp(), m_root + QStringLiteral("/T.DB"), {}}},
            true, {}, {m_root + QStringLiteral("/T.PX")});
        QVERIFY(staged.placed());
        QCOMPARE(QDir(m_root).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{QStringLiteral("T.DB"), QStringLiteral("T.mb")}));
        QCOMPARE(readFile(m_root + QStringLiteral("/T.DB")), QByteArray("new db"));
        QCOMPARE(readFile(m_root + QStringLiteral("/T.mb")), QByteArray("new mb"));
    }

    // The old table's files to delete may name a new one in another spelling
    // (other separators; on Windows, another letter case): that one stays.
    void neverDeletesWhatItPutInPlace()
    {
        QVERIFY(writeFile(m_root + QStringLiteral("/T.db"), "old db"));
        QVERIFY(writeFile(m_root + QStringLiteral("/T.mb"), "old mb"));
        StagedTable staged(m_root, kSuffixes);
        QVERIFY(writeFile(staged.temp(QStringLiteral("db")), "new db"));
        QVERIFY(writeFile(staged.temp(QStringLiteral("mb")), "new mb"));
        QStringList after{QDir::toNativeSeparators(m_root + QStringLiteral("/T.mb"))};
        if (tw::test::onWindows())
            after << m_root + QStringLiteral("/t.MB");
        staged.putInPlace({{staged.temp(QStringLiteral("mb")), m_root + QStringLiteral("/T.mb"), {}},
                           {staged.mainTemp(), m_root + QStringLiteral("/T.db"), {}}},
                          true, {}, after);
        QCOMPARE(readFile(m_root + QStringLiteral("/T.mb")), QByteArray("new mb"));
        QCOMPARE(readFile(m_root + QStringLiteral("/T.db")), QByteArray("new db"));
    }

    void takesBackWhatItMovedWhenANameIsTaken()
    {
        QVERIFY(writeFile(m_root + QStringLiteral("/orphan.mb"), "in the way"));
        QVERIFY(writeFile(m_root + QStringLiteral("/T.db"), "not to be replaced"));
        StagedTable staged(m_root, kSuffixes);
        QVERIFY(writeFile(staged.temp(QStringLiteral("db")), "new db"));
        QVERIFY(writeFile(staged.temp(QStringLiteral("mb")), "new mb"));
        int number = 0;
        try {
            staged.putInPlace({{staged.temp(QStringLiteral("mb")), m_root + QStringLiteral("/T.mb"), {}},
                               {staged.mainTemp(), m_root + QStringLiteral("/T.db"), {}}},
                              false, {m_root + QStringLiteral("/orphan.mb")});
        } catch (const tw::ado::RuntimeError &e) {
            number = e.number();
        }
        QCOMPARE(number, kErrFileExists);
        QVERIFY(!staged.placed());
        QCOMPARE(readFile(m_root + QStringLiteral("/T.db")), QByteArray("not to be replaced"));
        QVERIFY(!QFile::exists(m_root + QStringLiteral("/T.mb")));
        QVERIFY(!QFile::exists(m_root + QStringLiteral("/orphan.mb")));
        QCOMPARE(readFile(staged.temp(QStringLiteral("mb"))), QByteArray("new mb"));
        staged.discard();
        QCOMPARE(QDir(m_root).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("T.db")});
    }

    void discardsAndSweepsWhatNobodyHolds()
    {
        QString dropped;
        {
            StagedTable staged(m_root, kSuffixes);
            dropped = staged.mainTemp();
            QVERIFY(writeFile(dropped, "data"));
            QVERIFY(writeFile(staged.temp(QStringLiteral("mb")), "memo"));
        }
        QCOMPARE(QDir(m_root).entryList(QDir::Files | QDir::Hidden), QStringList());

        // A held table survives another writer's sweep; one nobody holds (its
        // writer was killed) does not, and its companion goes with it.
        std::optional<StagedTable> held(std::in_place, m_root, kSuffixes);
        QVERIFY(writeFile(held->mainTemp(), "held"));
        QVERIFY(held->hold());
        const QString heldPath = held->mainTemp();
        const QString killed = m_root + QStringLiteral("/~twkilled.db");
        QVERIFY(writeFile(killed, "killed"));
        QVERIFY(writeFile(m_root + QStringLiteral("/~twkilled.mb"), "killed memo"));
        StagedTable next(m_root, kSuffixes);
        QVERIFY(next.mainTemp() != heldPath);
        QCOMPARE(QDir(m_root).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(heldPath).fileName()});
        held.reset();
        QVERIFY(!QFile::exists(heldPath));
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_root;
};

QTEST_GUILESS_MAIN(TestStagedTable)
#include "tst_files_staged.moc"
