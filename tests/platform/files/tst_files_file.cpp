// The file layer's File on real temporary files: opening and its refusals,
// reads and writes at offsets, the lock, the mapped front and the faults a
// test can plan.

#include "SystemAccess.h"
#include "TestSupport.h"

#include "platform/ado/RuntimeError.h"
#include "platform/files/FaultPlan.h"
#include "platform/files/File.h"
#include "platform/files/MappedView.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <functional>

using namespace tw::files;
using tw::ado::RuntimeError;
using tw::test::readFile;
using tw::test::writeFile;

namespace {

// The error the call raises: its number, and its text in *message.
int errorOf(const std::function<void()> &call, QString *message = nullptr)
{
    try {
        call();
    } catch (const RuntimeError &e) {
        if (message)
            *message = e.description();
        return e.number();
    }
    return 0;
}

} // namespace

class TestFile : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.emplace().isValid());
        m_root = m_dir->path();
    }
    void cleanup()
    {
        clearFaultPlan();
        m_dir.reset();
    }

    void refusesToOpenWithNumberAndName()
    {
        const QString missing = m_root + QStringLiteral("/none.dbf");
        QString message;
        QCOMPARE(errorOf([&] { File(missing, File::Mode::Read); }, &message), 53);
        // The system words the reason: POSIX's text on Linux, Windows' own there.
        const QString notFound = tw::test::onWindows() ? QString() : QStringLiteral("No such file or directory");
        if (notFound.isEmpty())
            QVERIFY2(message.startsWith(QStringLiteral("Cannot open %1: ").arg(missing)) && message.endsWith(u'.'),
                     qPrintable(message));
        else
            QCOMPARE(message, QStringLiteral("Cannot open %1: %2.").arg(missing, notFound));
        QCOMPARE(errorOf([&] { File(m_root + QStringLiteral("/no/x.dbf"), File::Mode::CreateNew); }, &message),
                 RuntimeError::kPathNotFound);
        QVERIFY2(message.startsWith(QStringLiteral("Cannot create ")), qPrintable(message));
        const QString existing = m_root + QStringLiteral("/t.dbf");
        QVERIFY(writeFile(existing, "x"));
        QCOMPARE(errorOf([&] { File(existing, File::Mode::CreateNew); }), 58);
        QCOMPARE(readFile(existing), QByteArray("x"));
        QCOMPARE(errorOf([&] { File(m_root, File::Mode::Read); }, &message), RuntimeError::kGeneric);
        QCOMPARE(message, QStringLiteral("Cannot open %1: it is a folder.").arg(m_root));
        // The reason on its own, for callers that word the message themselves.
        try {
            File(missing, File::Mode::ReadWrite);
            QFAIL("a missing file opened");
        } catch (const FileError &e) {
            if (notFound.isEmpty())
                QVERIFY(!e.reason().isEmpty() && e.description().contains(e.reason()));
            else
                QCOMPARE(e.reason(), notFound);
        }
        if (tw::test::runningAsRoot())
            QSKIP("permission checks do not apply to root");
        QVERIFY(tw::test::setMode(existing, 0444));
        QCOMPARE(errorOf([&] { File(existing, File::Mode::ReadWrite); }), RuntimeError::kPermissionDenied);
        File readable(existing, File::Mode::Read);
        QCOMPARE(readable.readExactly(0, 1, "the byte"), QByteArray("x"));
    }

    void readsAndWritesAtOffsets()
    {
        const QString path = m_root + QStringLiteral("/data.bin");
        File file(path, File::Mode::CreateNew);
        QVERIFY(file.isOpen());
        QCOMPARE(file.size(), qint64(0));
        file.writeAt(4, QByteArray("tail"));
        file.writeAt(0, "head", 4);
        QCOMPARE(file.size(), qint64(8));
        // Every write reaches the file at once: another reader sees it.
        QCOMPARE(readFile(path), QByteArray("headtail"));
        file.writeAt(10, QByteArray("!"));
        QCOMPARE(readFile(path), QByteArray("headtail\0\0!", 11));

        char buffer[32] = {};
        QCOMPARE(file.readAt(2, buffer, 4), qint64(4));
        QCOMPARE(QByteArray(buffer, 4), QByteArray("adta"));
        QCOMPARE(file.readAt(8, buffer, sizeof buffer), qint64(3)); // short only at the end
        QCOMPARE(file.readAt(100, buffer, 4), qint64(0));
        QCOMPARE(file.readExactly(4, 4, "the tail"), QByteArray("tail"));
        QString message;
        QVERIFY(errorOf([&] { file.readExactly(8, 4, "the record"); }, &message) != 0);
        QCOMPARE(message,
                 QStringLiteral("data.bin: the record (4 bytes at byte 8) is past the end of the file (11 bytes)."));
        file.truncate(4);
        QCOMPARE(file.size(), qint64(4));
        QCOMPARE(readFile(path), QByteArray("head"));

        // Moving hands the open file on; closing leaves it as written.
        File moved = std::move(file);
        QVERIFY(!file.isOpen());
        QVERIFY(moved.isOpen());
        QCOMPARE(moved.path(), path);
        moved.close();
        QVERIFY(!moved.isOpen());
        QCOMPARE(readFile(path), QByteArray("head"));
    }

    void namesTheFileAsShown()
    {
        const QString path = m_root + QStringLiteral("/~tw123456.db");
        QCOMPARE(File(path, File::Mode::CreateNew).name(), QStringLiteral("~tw123456.db"));
        const File shown(path, File::Mode::Read, QStringLiteral("orders.db"));
        QCOMPARE(shown.name(), QStringLiteral("orders.db"));
        QString message;
        errorOf([&] { shown.readExactly(0, 1, "the header"); }, &message);
        QVERIFY2(message.startsWith(QStringLiteral("orders.db: ")), qPrintable(message));
    }

    void locksExclusivelyWhileOpen()
    {
        const QString path = m_root + QStringLiteral("/locked.db");
        File first(path, File::Mode::CreateNew);
        File second(path, File::Mode::Read);
        QVERIFY(first.tryLock());
        QVERIFY(first.tryLock()); // the holder may ask again
        QVERIFY(!second.tryLock());
        // The lock goes with the open file when it moves, and ends when it closes.
        File holder = std::move(first);
        QVERIFY(!second.tryLock());
        holder.close();
        QVERIFY(second.tryLock());
        QVERIFY(!File(path, File::Mode::ReadWrite).tryLock());
    }

    void mapsTheFront()
    {
        const QString path = m_root + QStringLiteral("/front.dbf");
        QVERIFY(writeFile(path, QByteArray(64, 'a')));
        File file(path, File::Mode::ReadWrite);
        MappedView view(file, 32);
        if (!view.isMapped())
            QSKIP("this file system does not map files");
        QCOMPARE(view.length(), size_t(32));
        QCOMPARE(view.data()[31], static_cast<unsigned char>('a'));
        // Stores are the file's bytes at once, for File and everyone else.
        std::memcpy(view.data(), "HEAD", 4);
        char buffer[4] = {};
        QCOMPARE(file.readAt(0, buffer, 4), qint64(4));
        QCOMPARE(QByteArray(buffer, 4), QByteArray("HEAD"));
        file.writeAt(4, QByteArray("write"));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(view.data()) + 4, 5), QByteArray("write"));
        // The view outlives the file's handle, and moves.
        file.close();
        MappedView moved = std::move(view);
        QVERIFY(!view.isMapped());
        moved.data()[9] = 'Z';
        moved = MappedView();
        QCOMPARE(readFile(path).left(10), QByteArray("HEADwriteZ"));

        // Nothing to map: empty views, and callers go on without.
        QVERIFY(!MappedView(File(path, File::Mode::Read), 32).isMapped());
        QVERIFY(!MappedView(File(path, File::Mode::ReadWrite), 0).isMapped());
        QVERIFY(!MappedView(File(), 32).isMapped());
    }

    void plannedFullDiskPerFile()
    {
        setFaultPlan(FaultPlan{100, -1, {}});
        File file(m_root + QStringLiteral("/big.db"), File::Mode::CreateNew, QStringLiteral("big.db"));
        file.writeAt(0, QByteArray(60, 'a'));
        file.writeAt(0, QByteArray(60, 'b')); // rewriting below the limit goes on working
        QString message;
        QCOMPARE(errorOf([&] { file.writeAt(60, QByteArray(50, 'c')); }, &message), RuntimeError::kGeneric);
        QCOMPARE(message, QStringLiteral("big.db: write error at byte 100: No space left on device."));
        // What fitted is there, as on a real full disk.
        QCOMPARE(file.size(), qint64(100));
        QCOMPARE(file.readExactly(60, 40, "the tail"), QByteArray(40, 'c'));
        // Each file has its own limit.
        File other(m_root + QStringLiteral("/small.db"), File::Mode::CreateNew);
        other.writeAt(0, QByteArray(100, 'd'));
        QCOMPARE(errorOf([&] { other.writeAt(100, "e", 1); }), RuntimeError::kGeneric);
        clearFaultPlan();
        other.writeAt(100, "e", 1);
        QCOMPARE(other.size(), qint64(101));
    }

    void plannedFullDiskInTotal()
    {
        File one(m_root + QStringLiteral("/one.db"), File::Mode::CreateNew);
        one.writeAt(0, QByteArray(500, 'x')); // before the plan: not counted
        setFaultPlan(FaultPlan{-1, 100, {}});
        one.writeAt(0, QByteArray(70, 'a'));
        File two(m_root + QStringLiteral("/two.db"), File::Mode::CreateNew);
        QString message;
        QVERIFY(errorOf([&] { two.writeAt(0, QByteArray(50, 'b')); }, &message) != 0);
        QVERIFY2(message.startsWith(QStringLiteral("two.db: write error at byte 30: ")), qPrintable(message));
        QCOMPARE(two.size(), qint64(30));
        // The disk stays full.
        QVERIFY(errorOf([&] { one.writeAt(0, "c", 1); }) != 0);
        QVERIFY(errorOf([&] { two.writeAt(0, "c", 1); }) != 0);
        // A new plan counts afresh.
        setFaultPlan(FaultPlan{-1, 1, {}});
        two.writeAt(0, "c", 1);
        QVERIFY(errorOf([&] { two.writeAt(1, "d", 1); }) != 0);
    }

    void plannedReadFailures()
    {
        QVERIFY(writeFile(m_root + QStringLiteral("/Orders.MB"), "blob"));
        QVERIFY(writeFile(m_root + QStringLiteral("/orders.db"), "table"));
        File memo(m_root + QStringLiteral("/Orders.MB"), File::Mode::Read);
        File table(m_root + QStringLiteral("/orders.db"), File::Mode::Read);
        setFaultPlan(FaultPlan{-1, -1, QStringLiteral("*.mb")});
        char buffer[8] = {};
        QString message;
        QCOMPARE(errorOf([&] { memo.readAt(2, buffer, 2); }, &message), RuntimeError::kGeneric);
        QCOMPARE(message, QStringLiteral("Orders.MB: read error at byte 2: Input/output error."));
        try {
            memo.readAt(0, buffer, 1);
            QFAIL("a planned read failure did not fail");
        } catch (const FileError &e) {
            QCOMPARE(e.reason(), QStringLiteral("Input/output error"));
        }
        QCOMPARE(table.readAt(0, buffer, 5), qint64(5));
        clearFaultPlan();
        QCOMPARE(memo.readAt(0, buffer, 4), qint64(4));
        QCOMPARE(QByteArray(buffer, 4), QByteArray("blob"));
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_root;
};

QTEST_GUILESS_MAIN(TestFile)
#include "tst_files_file.moc"
