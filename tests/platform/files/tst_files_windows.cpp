// The file layer on Windows: path texts with drive letters and shares and
// "\" between components, names found in any letter case and given back as
// stored, names in any script, paths longer than 260 characters, and files
// that stay open for others (reading, writing, renaming) while one of them
// holds the lock. Each case says why it skips on Linux, where
// tst_files_filesystem covers the same calls.

#include "TestSupport.h"

#include "platform/ado/RuntimeError.h"
#include "platform/files/File.h"
#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace tw::files;

namespace {

constexpr char kWindowsOnly[] = "Windows only: Linux paths have one root and \"/\"";

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

class TestWindowsPaths : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (!tw::test::onWindows())
            QSKIP(kWindowsOnly);
        QVERIFY(m_dir.emplace().isValid());
        m_root = native(m_dir->path());
        QVERIFY(QDir(m_root).mkpath(QStringLiteral("Data")));
        QFile file(m_root + QStringLiteral("\\Data\\Orders.DB"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("orders");
    }
    void cleanup() { m_dir.reset(); }

    void rootsAndSeparators()
    {
        // Components that do not exist are kept as written, with "\" between them.
        QCOMPARE(toNativePath(QStringLiteral("Q:/no//such\\folder/")), QStringLiteral("Q:\\no\\such\\folder\\"));
        QCOMPARE(toNativePath(QStringLiteral("Q:relative/x.db")), QStringLiteral("Q:relative\\x.db"));
        QCOMPARE(toNativePath(QStringLiteral("//server/share/dir/x.db")),
                 QStringLiteral("\\\\server\\share\\dir\\x.db"));
        QCOMPARE(toNativePath(QStringLiteral("\\\\server\\share")), QStringLiteral("\\\\server\\share"));
        QCOMPARE(fileName(QStringLiteral("\\\\server\\share\\x.db")), QStringLiteral("x.db"));
        QVERIFY(isDriveRoot(QStringLiteral("C:\\")));
        QVERIFY(!isDriveRoot(QStringLiteral("C:")));
        QVERIFY(attributes(QStringLiteral("C:\\")) & kAttrDirectory);
        QVERIFY(isDirectory(QStringLiteral("C:/")));
    }

    void namesInAnyCaseComeBackAsStored()
    {
        const QString stored = m_root + QStringLiteral("\\Data\\Orders.DB");
        QCOMPARE(toNativePath(m_root + QStringLiteral("/DATA/orders.db")), stored);
        // The folder is taken as given; the name comes back as stored.
        QCOMPARE(findInFolder(m_root + QStringLiteral("\\data"), QStringLiteral("ORDERS.db"), EntryKind::File),
                 m_root + QStringLiteral("\\data\\Orders.DB"));
        QVERIFY(findInFolder(m_root + QStringLiteral("\\Data"), QStringLiteral("Data"), EntryKind::File).isEmpty());
        QVERIFY(exists(m_root + QStringLiteral("\\DATA\\ORDERS.DB")));
        QVERIFY(canOpen(m_root + QStringLiteral("\\data\\orders.db")));
        // A new name keeps its own spelling in the folder's.
        QCOMPARE(toNativePath(m_root + QStringLiteral("/data/New.DBF")), m_root + QStringLiteral("\\Data\\New.DBF"));
        // The letter case of a name changes to the spelling given.
        renameFile(m_root + QStringLiteral("\\data\\orders.db"), m_root + QStringLiteral("\\data\\ORDERS.db"));
        QCOMPARE(listDirectory(m_root + QStringLiteral("\\Data")).at(0).name, QStringLiteral("ORDERS.db"));
        // Without replacing: another file of the name, in any case, stays; the
        // file itself may take another spelling of its own name.
        QFile other(m_root + QStringLiteral("\\Data\\Other.db"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        QCOMPARE(errorOf([&] {
                     renameWithoutReplacing(m_root + QStringLiteral("\\Data\\ORDERS.db"),
                                            m_root + QStringLiteral("\\Data\\OTHER.DB"));
                 }),
                 kErrFileExists);
        renameWithoutReplacing(m_root + QStringLiteral("\\Data\\ORDERS.db"),
                               m_root + QStringLiteral("\\Data\\orders.DB"));
        QCOMPARE(listDirectory(m_root + QStringLiteral("\\Data"), QStringLiteral("orders.db")).at(0).name,
                 QStringLiteral("orders.DB"));
        QCOMPARE(listDirectory(m_root + QStringLiteral("\\Data"), QStringLiteral("o*.db")).size(), size_t(2));
    }

    void namesInAnyScript()
    {
        const QString name = QStringLiteral("Ωmega_東京_Zürich.dbf");
        const QString path = m_root + QStringLiteral("\\Data\\") + name;
        {
            File file(path, File::Mode::CreateNew);
            file.writeAt(0, QByteArray("script"));
        }
        QVERIFY(exists(path));
        QCOMPARE(File(path, File::Mode::Read).readExactly(0, 6, "the name test"), QByteArray("script"));
        bool listed = false;
        for (const DirEntry &entry : findFiles(m_root + QStringLiteral("\\Data\\*.dbf")))
            listed = listed || entry.name == name;
        QVERIFY(listed);
        copyFile(path, m_root + QStringLiteral("\\Data\\Копия.dbf"));
        QVERIFY(QFile::exists(m_root + QStringLiteral("/Data/Копия.dbf")));
        removeFile(path, {.readOnlyToo = false});
        QVERIFY(!exists(path));
    }

    void pathsLongerThanTheOldLimit()
    {
        QString folder = m_root;
        while (folder.size() < 300)
            folder += QStringLiteral("\\a_folder_with_a_long_name_%1").arg(folder.size());
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("\\deep.dbf");
        QVERIFY(path.size() > 260);
        {
            File file(path, File::Mode::CreateNew);
            file.writeAt(0, QByteArray("deep"));
            QCOMPARE(file.size(), qint64(4));
        }
        QVERIFY(exists(path));
        QCOMPARE(attributes(path) & kAttrDirectory, 0);
        QCOMPARE(findFiles(folder + QStringLiteral("\\*.dbf")).size(), size_t(1));
        renameFile(path, folder + QStringLiteral("\\deeper.dbf"));
        removeFile(folder + QStringLiteral("\\deeper.dbf"), {.readOnlyToo = false});
        QVERIFY(!exists(folder + QStringLiteral("\\deeper.dbf")));
    }

    void aLockKeepsOutOnlyLockers()
    {
        const QString path = m_root + QStringLiteral("\\Data\\Orders.DB");
        File holder(path, File::Mode::ReadWrite);
        QVERIFY(holder.tryLock());
        // Others still read and write the data: Windows' locks would stop
        // them in a locked range, but the lock lies past every byte.
        File other(path, File::Mode::ReadWrite);
        QCOMPARE(other.readExactly(0, 6, "the data"), QByteArray("orders"));
        other.writeAt(6, QByteArray("!"));
        QCOMPARE(holder.readExactly(0, 7, "the data"), QByteArray("orders!"));
        QVERIFY(!other.tryLock());
        // An open file can be renamed, as a writer does with its temporary.
        renameFile(path, m_root + QStringLiteral("\\Data\\Moved.DB"));
        holder.writeAt(0, QByteArray("O"));
        holder.close();
        QVERIFY(other.tryLock());
        other.close();
        QCOMPARE(File(m_root + QStringLiteral("\\Data\\Moved.DB"), File::Mode::Read).readExactly(0, 7, "the data"),
                 QByteArray("Orders!"));
    }

    void writableFoldersAreTriedNotGuessed()
    {
        QVERIFY(isWritableFolder(m_root + QStringLiteral("\\data")));
        QVERIFY(!isWritableFolder(m_root + QStringLiteral("\\Data\\Orders.DB")));
        QVERIFY(!isWritableFolder(m_root + QStringLiteral("\\Missing")));
        // The probe leaves nothing behind.
        QCOMPARE(listDirectory(m_root + QStringLiteral("\\Data")).size(), size_t(1));
    }

    void errorsNameTheNativePath()
    {
        QString message;
        QCOMPARE(errorOf([&] { attributes(m_root + QStringLiteral("/Data/none.db")); }, &message), kErrFileNotFound);
        QVERIFY2(message.contains(m_root + QStringLiteral("\\Data\\none.db")), qPrintable(message));
        QCOMPARE(errorOf([&] { listDirectory(m_root + QStringLiteral("/Missing")); }), kErrPathNotFound);
        QCOMPARE(errorOf([&] { File(m_root + QStringLiteral("\\Missing\\x.db"), File::Mode::CreateNew); }),
                 kErrPathNotFound);
    }

private:
    static int errorOf(const std::function<void()> &call, QString *message = nullptr)
    {
        try {
            call();
        } catch (const tw::ado::RuntimeError &e) {
            if (message)
                *message = e.description();
            return e.number();
        }
        return 0;
    }

    std::optional<QTemporaryDir> m_dir;
    QString m_root;
};

QTEST_GUILESS_MAIN(TestWindowsPaths)
#include "tst_files_windows.moc"
