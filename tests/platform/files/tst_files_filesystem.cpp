// Windows-style file operations on real temporary folders: letter-case
// resolution, attributes, listing, copy/delete/rename and their errors.

#include "SystemAccess.h"
#include "TestSupport.h"

#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>

using namespace tw::files;
using tw::ado::RuntimeError;
using tw::test::readFile;
using tw::test::writeFile;

namespace {

// The error number the call raises, or 0 when it raises nothing.
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

QStringList names(const std::vector<DirEntry> &entries)
{
    QStringList result;
    for (const DirEntry &e : entries)
        result << e.name;
    result.sort();
    return result;
}

int attributesIn(const std::vector<DirEntry> &entries, const QString &name)
{
    for (const DirEntry &e : entries) {
        if (e.name == name)
            return e.attributes;
    }
    return -1;
}

// A path as the layer's messages show it: with Windows' "\\" there.
QString shown(const QString &path)
{
    return tw::test::onWindows() ? QDir::toNativeSeparators(path) : path;
}

// The platform's plain delete: a read-only file is refused.
constexpr Removal kPlain{.readOnlyToo = false};

constexpr char kLinuxLetterCase[] =
    "Linux only: finding names without regard to case is ours there; Windows' file systems do it themselves";

void makeReadOnly(const QString &path)
{
    QVERIFY(tw::test::setMode(path, 0444));
}

} // namespace

class TestFileSystem : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.emplace().isValid());
        m_root = m_dir->path();
        QVERIFY(QDir(m_root).mkpath(QStringLiteral("Data/Sub")));
        QVERIFY(writeFile(m_root + QStringLiteral("/Data/Sub/Orders.DB"), "orders"));
    }
    void cleanup()
    {
        // Read-only folders left by a test would stop the removal.
        tw::test::setMode(m_root + QStringLiteral("/locked"), 0755);
        m_dir.reset();
    }

    void resolvesOtherLetterCase()
    {
        if (tw::test::onWindows())
            QSKIP(kLinuxLetterCase);
        QCOMPARE(toNativePath(m_root + QStringLiteral("\\DATA\\sub\\orders.db")),
                 m_root + QStringLiteral("/Data/Sub/Orders.DB"));
        // Mixed and doubled separators resolve the same way.
        QCOMPARE(toNativePath(m_root + QStringLiteral("/data\\\\SUB//Orders.db")),
                 m_root + QStringLiteral("/Data/Sub/Orders.DB"));
        // A new file in an existing folder takes the folder's spelling, its own as written.
        QCOMPARE(toNativePath(m_root + QStringLiteral("\\DATA\\New.DBF")), m_root + QStringLiteral("/Data/New.DBF"));
        // Everything after the first missing component is kept as written.
        QCOMPARE(toNativePath(m_root + QStringLiteral("\\data\\Missing\\SUB\\x")),
                 m_root + QStringLiteral("/Data/Missing/SUB/x"));
        QCOMPARE(toNativePath(m_root + QStringLiteral("\\data\\")), m_root + QStringLiteral("/Data/"));
        QCOMPARE(toNativePath(QString()), QString());
        QVERIFY(exists(m_root + QStringLiteral("\\DATA\\SUB\\ORDERS.DB")));
        QVERIFY(isDirectory(m_root + QStringLiteral("\\data\\sub")));
        QVERIFY(!isDirectory(m_root + QStringLiteral("\\data\\sub\\orders.db")));
    }

    void prefersExactSpellingThenFirstSorted()
    {
        if (tw::test::onWindows())
            QSKIP(kLinuxLetterCase);
        const QString dir = m_root + QStringLiteral("/Data");
        QVERIFY(writeFile(dir + QStringLiteral("/b.db"), "lower"));
        QVERIFY(writeFile(dir + QStringLiteral("/B.db"), "upper"));
        QVERIFY(writeFile(dir + QStringLiteral("/B.DB"), "both"));
        QCOMPARE(toNativePath(dir + QStringLiteral("/b.db")), dir + QStringLiteral("/b.db"));
        QCOMPARE(toNativePath(dir + QStringLiteral("/B.db")), dir + QStringLiteral("/B.db"));
        // No exact spelling: the name before the suffix spelled so.
        QCOMPARE(toNativePath(dir + QStringLiteral("/b.DB")), dir + QStringLiteral("/b.db"));
        // Two of those, or none and several others: the first in byte order ("B.DB" < "B.db").
        QCOMPARE(toNativePath(dir + QStringLiteral("/B.dB")), dir + QStringLiteral("/B.DB"));
        QVERIFY(QFile::remove(dir + QStringLiteral("/b.db")));
        QCOMPARE(toNativePath(dir + QStringLiteral("/b.dB")), dir + QStringLiteral("/B.DB"));
    }

    void findsOneEntryWithoutRegardToCase()
    {
        if (tw::test::onWindows())
            QSKIP(kLinuxLetterCase);
        const QString dir = m_root + QStringLiteral("/Data");
        QVERIFY(writeFile(dir + QStringLiteral("/t.db"), "lower"));
        QVERIFY(writeFile(dir + QStringLiteral("/T.db"), "upper"));
        QVERIFY(writeFile(dir + QStringLiteral("/T.DB"), "both"));
        QVERIFY(QDir(dir).mkdir(QStringLiteral("T.Db")));
        // The exact spelling wins, a folder too unless files are asked for.
        QCOMPARE(findInFolder(dir, QStringLiteral("t.db")), dir + QStringLiteral("/t.db"));
        QCOMPARE(findInFolder(dir, QStringLiteral("T.Db")), dir + QStringLiteral("/T.Db"));
        // Then the name before the suffix spelled so; several of them tell nothing.
        QCOMPARE(findInFolder(dir, QStringLiteral("t.dB")), dir + QStringLiteral("/t.db"));
        QString message;
        QCOMPARE(errorOf([&] { findInFolder(dir, QStringLiteral("T.Db"), EntryKind::File); }, &message),
                 kErrPathFileAccess);
        QVERIFY2(message.contains(QStringLiteral("T.DB and T.db")), qPrintable(message));
        QVERIFY(QFile::remove(dir + QStringLiteral("/T.DB")));
        QCOMPARE(findInFolder(dir, QStringLiteral("T.dB"), EntryKind::File), dir + QStringLiteral("/T.db"));
        QCOMPARE(errorOf([&] { findInFolder(dir, QStringLiteral("T.dB")); }, &message), kErrPathFileAccess);
        QVERIFY2(message.contains(QStringLiteral("T.Db and T.db")), qPrintable(message));
        // A folder given with its separator, and the current folder.
        QCOMPARE(findInFolder(dir + QStringLiteral("/"), QStringLiteral("SUB")), dir + QStringLiteral("/Sub"));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir));
        const QString relative = findInFolder(QString(), QStringLiteral("sub"));
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(relative, QStringLiteral("Sub"));

        QVERIFY(findInFolder(dir, QStringLiteral("none.db")).isEmpty());
        QVERIFY(findInFolder(dir, QStringLiteral("sub"), EntryKind::File).isEmpty());
        QVERIFY(findInFolder(m_root + QStringLiteral("/Missing"), QStringLiteral("x")).isEmpty());
        QVERIFY(findInFolder(dir, QString()).isEmpty());
        // One component: "/" never reaches into a sub-folder, "\\" belongs to the name.
        QVERIFY(findInFolder(dir, QStringLiteral("sub/orders.db")).isEmpty());
        QVERIFY(writeFile(dir + QStringLiteral("/a\\b.dbf"), "x"));
        QCOMPARE(findInFolder(dir, QStringLiteral("A\\B.DBF"), EntryKind::File), dir + QStringLiteral("/a\\b.dbf"));
        // Links count as what they point at; a dangling one only as an entry.
        QVERIFY(QFile::link(dir + QStringLiteral("/t.db"), dir + QStringLiteral("/Link.db")));
        QVERIFY(QFile::link(dir + QStringLiteral("/nowhere"), dir + QStringLiteral("/Dangling.db")));
        QCOMPARE(findInFolder(dir, QStringLiteral("link.db"), EntryKind::File), dir + QStringLiteral("/Link.db"));
        QCOMPARE(findInFolder(dir, QStringLiteral("dangling.db")), dir + QStringLiteral("/Dangling.db"));
        QVERIFY(findInFolder(dir, QStringLiteral("dangling.db"), EntryKind::File).isEmpty());
    }

    // The lookups beside findInFolder share its rule: every spelling, files only, byte order.
    void findsEverySpellingAndCompanions()
    {
        if (tw::test::onWindows())
            QSKIP(kLinuxLetterCase);
        const QString dir = m_root + QStringLiteral("/Data");
        for (const char *name : {"t.mb", "T.MB", "T.db", "t.PX", "T.x01", "T.dbx.px", "Tt.px", "t", "a\\t.mb"})
            QVERIFY(writeFile(dir + u'/' + QLatin1String(name), "x"));
        QVERIFY(QDir(dir).mkdir(QStringLiteral("T.Mb")));
        const auto names = [&](const std::vector<QString> &paths) {
            QStringList shortNames;
            for (const QString &path : paths)
                shortNames << path.mid(dir.size() + 1);
            return shortNames.join(u',');
        };
        QCOMPARE(names(findAllInFolder(dir, QStringLiteral("t.Mb"))), QStringLiteral("T.MB,t.mb"));
        QCOMPARE(names(findAllInFolder(dir, QStringLiteral("T.DB"))), QStringLiteral("T.db"));
        QVERIFY(findAllInFolder(dir, QStringLiteral("sub/t.mb")).empty());
        QCOMPARE(names(findWithBase(dir, QStringLiteral("t"))), QStringLiteral("T.MB,T.db,T.x01,t.PX,t.mb"));
        QVERIFY(findWithBase(m_root + QStringLiteral("/Missing"), QStringLiteral("t")).empty());
        // The companion of a real path, whatever its own suffix's case.
        QCOMPARE(findCompanion(dir + QStringLiteral("/T.db"), QStringLiteral(".px")), dir + QStringLiteral("/t.PX"));
        QCOMPARE(findCompanion(dir + QStringLiteral("/T.dbx.px"), QStringLiteral(".db")), QString());
        QCOMPARE(findCompanion(dir + QStringLiteral("/a\\t.dbf"), QStringLiteral(".MB")),
                 dir + QStringLiteral("/a\\t.mb"));
        QVERIFY(exists(dir + QStringLiteral("/t"), EntryKind::File) &&
                !exists(dir + QStringLiteral("/T.Mb"), EntryKind::File));
        // A table spelled in other letter case beside it keeps its own: t.mb
        // and t.PX are t.DB's. Of two memo files in other letter case, neither
        // is taken.
        QVERIFY(writeFile(dir + QStringLiteral("/t.DB"), "x"));
        QCOMPARE(findCompanion(dir + QStringLiteral("/T.db"), QStringLiteral(".mb")), dir + QStringLiteral("/T.MB"));
        QCOMPARE(findCompanion(dir + QStringLiteral("/T.db"), QStringLiteral(".px")), QString());
        QCOMPARE(findCompanion(dir + QStringLiteral("/t.DB"), QStringLiteral(".px")), dir + QStringLiteral("/t.PX"));
        for (const char *name : {"u.db", "U.MB", "U.mb"})
            QVERIFY(writeFile(dir + u'/' + QLatin1String(name), "x"));
        QString message;
        QCOMPARE(errorOf([&] { findCompanion(dir + QStringLiteral("/u.db"), QStringLiteral(".mb")); }, &message),
                 kErrPathFileAccess);
        QVERIFY2(message.contains(QStringLiteral("U.MB and U.mb")), qPrintable(message));
    }

    // A real path is taken as it is: "\\" in a POSIX name reaches no other file.
    void deletesAndWritesRealPaths()
    {
        const QString dir = m_root + QStringLiteral("/Data");
        const QString odd = dir + (tw::test::onWindows() ? QStringLiteral("/odd.db") : QStringLiteral("/Sub\\x.db"));
        QVERIFY(writeFile(odd, "odd"));
        QVERIFY(writeFile(dir + QStringLiteral("/Sub/x.db"), "other"));
        makeReadOnly(odd);
        const Removal real{.form = PathForm::Real, .missingFails = false};
        const Removal leftover{.form = PathForm::Real, .missingFails = false, .throws = false};
        QVERIFY(exists(odd, EntryKind::Any, PathForm::Real));
        removeFile(odd, real);
        QVERIFY(!exists(odd, EntryKind::Any, PathForm::Real));
        QVERIFY(QFile::exists(dir + QStringLiteral("/Sub/x.db")));
        removeFile(odd, real); // nothing there: nothing to do
        QVERIFY(!removeFile(odd, leftover).failed);
        QVERIFY(removeFile(dir + QStringLiteral("/Sub"), leftover).failed);

        const QString index = dir + QStringLiteral("/Data.dcx");
        writeFileReplacing(index, "first");
        writeFileReplacing(index, "second");
        QCOMPARE(readFile(index), QByteArray("second"));
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Data.dcx")});
        QString message;
        QCOMPARE(errorOf([&] { writeFileReplacing(dir + QStringLiteral("/Missing/x.dcx"), "x"); }, &message),
                 kErrPathNotFound);
        QVERIFY2(message.contains(QStringLiteral("Missing")), qPrintable(message));
    }

    void renamesWithoutReplacing()
    {
        const QString dir = m_root + QStringLiteral("/Data");
        QVERIFY(writeFile(dir + QStringLiteral("/a.db"), "a"));
        QVERIFY(writeFile(dir + QStringLiteral("/b.db"), "b"));
        QString message;
        QCOMPARE(errorOf([&] { renameWithoutReplacing(dir + QStringLiteral("/a.db"), dir + QStringLiteral("/b.db")); },
                         &message),
                 kErrFileExists);
        QVERIFY2(message.contains(dir + QStringLiteral("/a.db")) && message.contains(dir + QStringLiteral("/b.db")),
                 qPrintable(message));
        QCOMPARE(readFile(dir + QStringLiteral("/a.db")), QByteArray("a"));
        QCOMPARE(readFile(dir + QStringLiteral("/b.db")), QByteArray("b"));
        // Taken as given: no letter-case resolution of either path (Windows'
        // file systems find names in any case themselves).
        if (!tw::test::onWindows())
            QCOMPARE(
                errorOf([&] { renameWithoutReplacing(dir + QStringLiteral("/A.db"), dir + QStringLiteral("/c.db")); }),
                kErrFileNotFound);
        QCOMPARE(
            errorOf([&] { renameWithoutReplacing(dir + QStringLiteral("/a.db"), dir + QStringLiteral("/No/c.db")); }),
            kErrPathNotFound);
        renameWithoutReplacing(dir + QStringLiteral("/a.db"), dir + QStringLiteral("/Sub/c.db"));
        QVERIFY(!QFile::exists(dir + QStringLiteral("/a.db")));
        QCOMPARE(readFile(dir + QStringLiteral("/Sub/c.db")), QByteArray("a"));
    }

    void replacesAFileInOneStep()
    {
        const QString dir = m_root + QStringLiteral("/Data");
        QVERIFY(writeFile(dir + QStringLiteral("/~tw1.fpt"), QByteArray(300000, 'n')));
        QVERIFY(writeFile(dir + QStringLiteral("/t.fpt"), "old"));
        replaceFile(dir + QStringLiteral("/~tw1.fpt"), dir + QStringLiteral("/t.fpt"));
        QCOMPARE(readFile(dir + QStringLiteral("/t.fpt")), QByteArray(300000, 'n'));
        QVERIFY(!QFile::exists(dir + QStringLiteral("/~tw1.fpt"))); // the old file went with the swap
        // Nothing to replace: a plain rename.
        QVERIFY(writeFile(dir + QStringLiteral("/~tw2.fpt"), "new"));
        replaceFile(dir + QStringLiteral("/~tw2.fpt"), dir + QStringLiteral("/u.fpt"));
        QCOMPARE(readFile(dir + QStringLiteral("/u.fpt")), QByteArray("new"));
        QCOMPARE(errorOf([&] { replaceFile(dir + QStringLiteral("/~tw3.fpt"), dir + QStringLiteral("/u.fpt")); }),
                 kErrFileNotFound);
        QCOMPARE(readFile(dir + QStringLiteral("/u.fpt")), QByteArray("new"));
    }

    void testsWritableFolders()
    {
        QVERIFY(isWritableFolder(m_root + QStringLiteral("\\DATA")));
        QVERIFY(!isWritableFolder(m_root + QStringLiteral("\\Data\\Sub\\Orders.DB")));
        QVERIFY(!isWritableFolder(m_root + QStringLiteral("\\Missing")));
        QVERIFY(!isWritableFolder(QString()));
        if (tw::test::runningAsRoot())
            QSKIP("permission checks do not apply to root");
        if (tw::test::onWindows())
            QSKIP("Linux only: Windows folders have no permission bits to take away");
        const QString locked = m_root + QStringLiteral("/locked");
        QVERIFY(QDir().mkdir(locked));
        QVERIFY(tw::test::setMode(locked, 0555));
        QVERIFY(!isWritableFolder(locked));
    }

    void resolvesRelativePaths()
    {
        if (tw::test::onWindows())
            QSKIP(kLinuxLetterCase);
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_root));
        const QString resolved = toNativePath(QStringLiteral("DATA\\SUB\\orders.db"));
        const bool found = exists(QStringLiteral("data\\sub\\ORDERS.DB"));
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(resolved, QStringLiteral("Data/Sub/Orders.DB"));
        QVERIFY(found);
    }

    void driveLettersAreOrdinaryText()
    {
        if (tw::test::onWindows())
            QSKIP("Linux only: on Windows a drive letter is a root (tst_files_windows)");
        const QString native = toNativePath(QStringLiteral("C:\\Data\\x.db"));
        QCOMPARE(native, QStringLiteral("C:/Data/x.db"));
        QVERIFY(!exists(QStringLiteral("C:\\Data\\x.db")));
        QVERIFY(!canOpen(QStringLiteral("C:\\Data\\x.db")));
        QCOMPARE(errorOf([] { attributes(QStringLiteral("C:\\Data\\x.db")); }), kErrPathNotFound);
    }

    void followsSymbolicLinks()
    {
        if (tw::test::onWindows())
            QSKIP("Linux only: symbolic links on Windows need a privilege that programs lack by default");
        QVERIFY(QFile::link(m_root + QStringLiteral("/Data"), m_root + QStringLiteral("/Link")));
        QVERIFY(QFile::link(m_root + QStringLiteral("/Data/Sub/Orders.DB"), m_root + QStringLiteral("/file.lnk")));
        QVERIFY(QFile::link(m_root + QStringLiteral("/nowhere"), m_root + QStringLiteral("/dangling")));
        QCOMPARE(toNativePath(m_root + QStringLiteral("\\link\\SUB\\orders.db")),
                 m_root + QStringLiteral("/Link/Sub/Orders.DB"));
        QCOMPARE(readFile(toNativePath(m_root + QStringLiteral("\\LINK\\sub\\ORDERS.db"))), QByteArray("orders"));
        QCOMPARE(attributes(m_root + QStringLiteral("\\LINK")), kAttrDirectory | kAttrLink);
        QCOMPARE(attributes(m_root + QStringLiteral("\\FILE.LNK")), kAttrArchive | kAttrLink);
        QCOMPARE(attributes(m_root + QStringLiteral("\\dangling")), kAttrLink);
        QVERIFY(canOpen(m_root + QStringLiteral("\\file.lnk")));
        QVERIFY(!canOpen(m_root + QStringLiteral("\\dangling")));

        const auto folders = subFolders(m_root);
        QCOMPARE(names(folders), QStringList({QStringLiteral("Data"), QStringLiteral("Link")}));
        QCOMPARE(attributesIn(folders, QStringLiteral("Link")), kAttrDirectory | kAttrLink);
        QCOMPARE(attributesIn(folders, QStringLiteral("Data")), kAttrDirectory);
        const auto files = findFiles(m_root + QStringLiteral("\\*"));
        QCOMPARE(names(files), QStringList({QStringLiteral("dangling"), QStringLiteral("file.lnk")}));
    }

    void reportsAttributes()
    {
        const QString dir = m_root + QStringLiteral("/Data");
        QVERIFY(writeFile(dir + QStringLiteral("/.hidden"), "h"));
        QVERIFY(writeFile(dir + QStringLiteral("/ro.db"), "r"));
        makeReadOnly(dir + QStringLiteral("/ro.db"));
        QCOMPARE(attributes(dir + QStringLiteral("\\SUB\\ORDERS.DB")), kAttrArchive);
        QCOMPARE(attributes(dir + QStringLiteral("\\.HIDDEN")), kAttrArchive | kAttrHidden);
        QCOMPARE(attributes(dir + QStringLiteral("\\RO.DB")), kAttrArchive | kAttrReadOnly);
        QCOMPARE(attributes(dir), kAttrDirectory);
        // A drive's root on Windows is a system folder, hidden too.
        if (!tw::test::onWindows())
            QCOMPARE(attributes(QStringLiteral("/")), kAttrDirectory);

        QString message;
        QCOMPARE(errorOf([&] { attributes(dir + QStringLiteral("\\none.db")); }, &message), kErrFileNotFound);
        QVERIFY2(message.contains(shown(dir + QStringLiteral("/none.db"))), qPrintable(message));
        if (!tw::test::onWindows())
            QVERIFY2(message.contains(QStringLiteral("No such file")), qPrintable(message));
        QCOMPARE(errorOf([&] { attributes(dir + QStringLiteral("\\none\\x.db")); }), kErrPathNotFound);
    }

    void reportsLastModified()
    {
        const QString file = m_root + QStringLiteral("/Data/Sub/Orders.DB");
        const QDateTime when(QDate(2019, 3, 14), QTime(15, 9, 26, 500), Qt::UTC);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
        f.close();
        QCOMPARE(lastModified(m_root + QStringLiteral("\\data\\sub\\ORDERS.DB")).toUTC(), when);
        QCOMPARE(errorOf([&] { lastModified(m_root + QStringLiteral("\\gone.db")); }), kErrFileNotFound);
    }

    void listsFoldersWithHiddenEntries()
    {
        const QString dir = m_root + QStringLiteral("/Data");
        QVERIFY(writeFile(dir + QStringLiteral("/.hidden.db"), "h"));
        QVERIFY(writeFile(dir + QStringLiteral("/A.DB"), "a"));
        QVERIFY(writeFile(dir + QStringLiteral("/b.db"), "b"));
        QVERIFY(writeFile(dir + QStringLiteral("/x.dbf"), "x"));
        QVERIFY(writeFile(dir + QStringLiteral("/my.dbx.db"), "m"));

        const auto all = listDirectory(m_root + QStringLiteral("\\DATA"));
        QCOMPARE(names(all),
                 QStringList({QStringLiteral(".hidden.db"), QStringLiteral("A.DB"), QStringLiteral("Sub"),
                              QStringLiteral("b.db"), QStringLiteral("my.dbx.db"), QStringLiteral("x.dbf")}));
        QCOMPARE(attributesIn(all, QStringLiteral(".hidden.db")), kAttrArchive | kAttrHidden);
        QCOMPARE(attributesIn(all, QStringLiteral("Sub")), kAttrDirectory);

        QCOMPARE(names(listDirectory(dir, QStringLiteral("*.DB"))),
                 QStringList({QStringLiteral(".hidden.db"), QStringLiteral("A.DB"), QStringLiteral("b.db"),
                              QStringLiteral("my.dbx.db")}));
        QCOMPARE(names(listDirectory(dir, QStringLiteral("?.db"))),
                 QStringList({QStringLiteral("A.DB"), QStringLiteral("b.db")}));
        QCOMPARE(names(findFiles(m_root + QStringLiteral("\\data\\s*"))), QStringList());
        QCOMPARE(names(findFiles(m_root + QStringLiteral("/data/*.dbf"))), QStringList({QStringLiteral("x.dbf")}));
        QCOMPARE(names(subFolders(m_root + QStringLiteral("\\DATA"))), QStringList({QStringLiteral("Sub")}));
        QVERIFY(listDirectory(dir, QStringLiteral("*.mb")).empty());
    }

    void listingErrors()
    {
        QString message;
        QCOMPARE(errorOf([&] { listDirectory(m_root + QStringLiteral("\\Missing")); }, &message), kErrPathNotFound);
        QVERIFY2(message.contains(shown(m_root + QStringLiteral("/Missing"))), qPrintable(message));
        QCOMPARE(errorOf([&] { findFiles(m_root + QStringLiteral("\\Missing\\*.db")); }), kErrPathNotFound);
        // A file where a folder was expected.
        QCOMPARE(errorOf([&] { subFolders(m_root + QStringLiteral("\\Data\\Sub\\Orders.DB")); }), kErrPathNotFound);

        if (tw::test::runningAsRoot())
            QSKIP("permission checks do not apply to root");
        if (tw::test::onWindows())
            QSKIP("Linux only: Windows folders have no permission bits to take away");
        const QString locked = m_root + QStringLiteral("/locked");
        QVERIFY(QDir().mkdir(locked));
        QVERIFY(tw::test::setMode(locked, 0));
        QCOMPARE(errorOf([&] { listDirectory(locked); }, &message), kErrPermissionDenied);
        QVERIFY2(message.contains(QStringLiteral("Permission denied")), qPrintable(message));
    }

    void wildcards_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("star") << "*"
                              << "anything.db" << true;
        QTest::newRow("star empty name") << "*"
                                         << "" << true;
        QTest::newRow("case") << "ORDERS.db"
                              << "orders.DB" << true;
        QTest::newRow("case non-ascii") << "ÄRGER.DB"
                                        << "ärger.db" << true;
        QTest::newRow("extension") << "*.db"
                                   << "orders.db" << true;
        QTest::newRow("longer extension") << "*.db"
                                          << "x.dbf" << false;
        QTest::newRow("inner dots") << "*.db"
                                    << "my.dbx.db" << true;
        QTest::newRow("question") << "?.db"
                                  << "a.db" << true;
        QTest::newRow("question needs a char") << "?.db"
                                               << ".db" << false;
        QTest::newRow("question too short") << "a?"
                                            << "a" << false;
        QTest::newRow("middle star") << "a*z"
                                     << "abcz" << true;
        QTest::newRow("middle star miss") << "a*z"
                                          << "abcza" << false;
        QTest::newRow("backtrack") << "*ab*c"
                                   << "aabxabyc" << true;
        QTest::newRow("literal") << "abc"
                                 << "abd" << false;
        QTest::newRow("star dot star") << "*.*"
                                       << "README" << true;
        QTest::newRow("name dot star") << "readme.*"
                                       << "README" << true;
        QTest::newRow("name dot star ext") << "readme.*"
                                           << "readme.txt" << true;
        QTest::newRow("name dot star other") << "readme.*"
                                             << "readmes" << false;
        QTest::newRow("empty pattern") << ""
                                       << "x" << false;
    }
    void wildcards()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(wildcardMatch(pattern, name), matches);
    }

    void wildcardsDoNotBacktrackExponentially()
    {
        // Exponential matchers never finish this; the test's time limit catches them.
        const QString name(20000, QLatin1Char('a'));
        QVERIFY(!wildcardMatch(QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*b"), name));
        QVERIFY(wildcardMatch(QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*"), name));
    }

    void deletesLikeTheOriginalPlatform()
    {
        const QString file = m_root + QStringLiteral("/Data/ro.db");
        QVERIFY(writeFile(file, "r"));
        makeReadOnly(file);
        QString message;
        QCOMPARE(errorOf([&] { removeFile(m_root + QStringLiteral("\\data\\RO.DB"), kPlain); }, &message),
                 kErrPathFileAccess);
        QVERIFY2(message.contains(shown(file), Qt::CaseInsensitive), qPrintable(message));
        QVERIFY(QFile::exists(file));
        removeFile(m_root + QStringLiteral("\\data\\RO.DB"));
        QVERIFY(!QFile::exists(file));

        removeFile(m_root + QStringLiteral("\\DATA\\SUB\\ORDERS.DB"), kPlain);
        QVERIFY(!QFile::exists(m_root + QStringLiteral("/Data/Sub/Orders.DB")));
        QCOMPARE(errorOf([&] { removeFile(m_root + QStringLiteral("\\Data\\Sub\\Orders.DB"), kPlain); }),
                 kErrFileNotFound);
        QCOMPARE(errorOf([&] { removeFile(m_root + QStringLiteral("\\Nope\\x.db"), kPlain); }), kErrPathNotFound);
        QCOMPARE(errorOf([&] { removeFile(m_root + QStringLiteral("\\Data\\Sub")); }), kErrPathFileAccess);
        QVERIFY(QFileInfo(m_root + QStringLiteral("/Data/Sub")).isDir());
    }

    // The one delete, each option on its own; a failure thrown or only told.
    void removeFileOptions_data()
    {
        QTest::addColumn<QString>("entry"); // at Data/x.db: a file, a read-only file, a folder, or none
        QTest::addColumn<bool>("asText");   // named by a path text in other letter case, else by its real path
        QTest::addColumn<bool>("readOnlyToo");
        QTest::addColumn<bool>("missingFails");
        QTest::addColumn<bool>("throws");
        QTest::addColumn<int>("error"); // the number thrown, 0 for none
        QTest::addColumn<bool>("failed");
        QTest::newRow("plain") << "file" << true << false << true << true << 0 << false;
        QTest::newRow("plain refuses read-only")
            << "read-only" << true << false << true << true << int(kErrPathFileAccess) << false;
        QTest::newRow("refusal only told") << "read-only" << true << false << true << false << 0 << true;
        QTest::newRow("forced, real path") << "read-only" << false << true << true << true << 0 << false;
        QTest::newRow("missing") << "none" << true << true << true << true << int(kErrFileNotFound) << false;
        QTest::newRow("missing, only told") << "none" << true << true << true << false << 0 << true;
        QTest::newRow("missing, nothing to do") << "none" << false << true << false << true << 0 << false;
        QTest::newRow("folder") << "folder" << false << true << false << true << int(kErrPathFileAccess) << false;
        QTest::newRow("folder, only told") << "folder" << true << true << true << false << 0 << true;
    }
    void removeFileOptions()
    {
        QFETCH(QString, entry);
        QFETCH(bool, asText);
        QFETCH(bool, readOnlyToo);
        QFETCH(bool, missingFails);
        QFETCH(bool, throws);
        QFETCH(int, error);
        QFETCH(bool, failed);
        const QString real = m_root + QStringLiteral("/Data/x.db");
        if (entry == u"folder")
            QVERIFY(QDir().mkdir(real));
        else if (entry != u"none")
            QVERIFY(writeFile(real, "x"));
        if (entry == u"read-only")
            makeReadOnly(real);
        const Removal how{.readOnlyToo = readOnlyToo,
                          .form = asText ? PathForm::Text : PathForm::Real,
                          .missingFails = missingFails,
                          .throws = throws};
        Disposal done;
        QCOMPARE(errorOf([&] { done = removeFile(asText ? m_root + QStringLiteral("\\DATA\\X.DB") : real, how); }),
                 error);
        QCOMPARE(done.failed, failed);
        QVERIFY(done.trashedAs.isEmpty());
        QCOMPARE(QFileInfo::exists(real), entry != u"none" && (error != 0 || failed));
    }

    // The one existence test: any entry or a regular file, a path text or a real path as it is.
    void existsOptions_data()
    {
        QTest::addColumn<QString>("path"); // under the root
        QTest::addColumn<bool>("asText");
        QTest::addColumn<bool>("anyEntry");
        QTest::addColumn<bool>("file");
        QTest::newRow("file, text") << "\\DATA\\SUB\\ORDERS.DB" << true << true << true;
        QTest::newRow("file, real") << "/Data/Sub/Orders.DB" << false << true << true;
        QTest::newRow("file, real in other case") << "/Data/Sub/ORDERS.DB" << false << false << false;
        QTest::newRow("folder, text") << "\\data\\sub" << true << true << false;
        QTest::newRow("folder, real") << "/Data/Sub" << false << true << false;
        QTest::newRow("nothing") << "\\Data\\Orders.DB" << true << false << false;
        QTest::newRow("empty") << "" << true << false << false;
    }
    void existsOptions()
    {
        QFETCH(QString, path);
        QFETCH(bool, asText);
        QFETCH(bool, anyEntry);
        QFETCH(bool, file);
        const QString full = path.isEmpty() ? QString() : m_root + path;
        const PathForm form = asText ? PathForm::Text : PathForm::Real;
        QCOMPARE(exists(full, EntryKind::Any, form), anyEntry);
        QCOMPARE(exists(full, EntryKind::File, form), file);
    }

    void deleteNamesPathAndReason()
    {
        if (tw::test::runningAsRoot())
            QSKIP("permission checks do not apply to root");
        if (tw::test::onWindows())
            QSKIP("Linux only: Windows folders have no permission bits to take away");
        const QString locked = m_root + QStringLiteral("/locked");
        QVERIFY(QDir().mkdir(locked));
        QVERIFY(writeFile(locked + QStringLiteral("/a.db"), "a"));
        QVERIFY(tw::test::setMode(locked, 0555));
        QString message;
        QCOMPARE(errorOf([&] { removeFile(locked + QStringLiteral("\\A.DB")); }, &message), kErrPermissionDenied);
        QCOMPARE(message, QStringLiteral("Cannot delete %1/a.db: Permission denied").arg(locked));
    }

    void copiesFiles()
    {
        const QString dir = m_root + QStringLiteral("/Data");
        // Larger than any sensible copy buffer, and not a multiple of one.
        QByteArray big;
        for (int i = 0; i < 300007; ++i)
            big.append(char(i * 7 + i / 251));
        QVERIFY(writeFile(dir + QStringLiteral("/big.db"), big));
        QVERIFY(writeFile(dir + QStringLiteral("/Target.db"), "old contents that are longer than the new ones"));

        copyFile(m_root + QStringLiteral("\\DATA\\BIG.DB"), m_root + QStringLiteral("\\data\\SUB\\copy.db"));
        QCOMPARE(readFile(dir + QStringLiteral("/Sub/copy.db")), big);

        // Overwrite the existing target through another letter case.
        copyFile(m_root + QStringLiteral("\\data\\sub\\orders.db"), m_root + QStringLiteral("\\data\\TARGET.DB"));
        QCOMPARE(readFile(dir + QStringLiteral("/Target.db")), QByteArray("orders"));
        if (!tw::test::onWindows()) // there "TARGET.DB" names the same file
            QVERIFY(!QFile::exists(dir + QStringLiteral("/TARGET.DB")));

        // Refused without overwrite; the target stays as it was.
        QCOMPARE(errorOf([&] { copyFile(dir + QStringLiteral("/big.db"), dir + QStringLiteral("/target.db"), false); }),
                 kErrFileExists);
        QCOMPARE(readFile(dir + QStringLiteral("/Target.db")), QByteArray("orders"));
        copyFile(dir + QStringLiteral("/big.db"), dir + QStringLiteral("/fresh.db"), false);
        QCOMPARE(readFile(dir + QStringLiteral("/fresh.db")), big);

        // The copy is an ordinary writable file even from a read-only source.
        makeReadOnly(dir + QStringLiteral("/fresh.db"));
        copyFile(dir + QStringLiteral("/fresh.db"), dir + QStringLiteral("/again.db"));
        QCOMPARE(attributes(dir + QStringLiteral("/again.db")), kAttrArchive);
    }

    void failedCopiesLeaveNothing()
    {
        const QString dir = m_root + QStringLiteral("/Data");
        const QString from = dir + QStringLiteral("/Sub/Orders.DB");
        QString message;
        QCOMPARE(errorOf([&] { copyFile(from, m_root + QStringLiteral("\\Missing\\x.db")); }, &message),
                 kErrPathNotFound);
        QVERIFY2(message.contains(shown(from)) && message.contains(shown(m_root + QStringLiteral("/Missing/x.db"))),
                 qPrintable(message));
        QVERIFY(!QFile::exists(m_root + QStringLiteral("/Missing")));

        QCOMPARE(errorOf([&] { copyFile(dir + QStringLiteral("/none.db"), dir + QStringLiteral("/x.db")); }),
                 kErrFileNotFound);
        QCOMPARE(errorOf([&] { copyFile(dir + QStringLiteral("/Sub"), dir + QStringLiteral("/x.db")); }),
                 kErrPathFileAccess);
        QCOMPARE(errorOf([&] { copyFile(from, dir + QStringLiteral("/sub")); }), kErrPathFileAccess);

        // A read-only target is refused, as the original platform does.
        QVERIFY(writeFile(dir + QStringLiteral("/ro.db"), "keep"));
        makeReadOnly(dir + QStringLiteral("/ro.db"));
        QCOMPARE(errorOf([&] { copyFile(from, dir + QStringLiteral("/RO.db")); }), kErrPathFileAccess);
        QCOMPARE(readFile(dir + QStringLiteral("/ro.db")), QByteArray("keep"));
        QCOMPARE(names(listDirectory(dir)), QStringList({QStringLiteral("Sub"), QStringLiteral("ro.db")}));
        QCOMPARE(names(listDirectory(dir + QStringLiteral("/Sub"))), QStringList({QStringLiteral("Orders.DB")}));
    }

    void renamesFiles()
    {
        const QString dir = m_root + QStringLiteral("/Data");
        // A change of letter case only.
        renameFile(m_root + QStringLiteral("\\data\\sub\\orders.db"),
                   m_root + QStringLiteral("\\data\\sub\\ORDERS.db"));
        QCOMPARE(names(listDirectory(dir + QStringLiteral("/Sub"))), QStringList({QStringLiteral("ORDERS.db")}));
        // Into another folder, replacing what is there.
        QVERIFY(writeFile(dir + QStringLiteral("/Old.db"), "old"));
        renameFile(dir + QStringLiteral("\\sub\\orders.DB"), dir + QStringLiteral("\\OLD.DB"));
        QCOMPARE(readFile(dir + QStringLiteral("/Old.db")), QByteArray("orders"));
        QVERIFY(listDirectory(dir + QStringLiteral("/Sub")).empty());
        QCOMPARE(errorOf([&] { renameFile(dir + QStringLiteral("/none.db"), dir + QStringLiteral("/x.db")); }),
                 kErrFileNotFound);
        QCOMPARE(errorOf([&] { renameFile(dir + QStringLiteral("/Old.db"), dir + QStringLiteral("/No/x.db")); }),
                 kErrPathNotFound);
        QVERIFY(QFile::exists(dir + QStringLiteral("/Old.db")));
    }

    void canOpenOnlyReadableFiles()
    {
        const QString file = m_root + QStringLiteral("/Data/Sub/Orders.DB");
        QVERIFY(canOpen(m_root + QStringLiteral("\\data\\sub\\ORDERS.DB")));
        QVERIFY(!canOpen(m_root + QStringLiteral("\\data\\sub")));
        QVERIFY(!canOpen(m_root + QStringLiteral("\\data\\none.db")));
        QVERIFY(!canOpen(QString()));
        if (tw::test::onWindows())
            QSKIP("Linux only: named pipes and permission bits are not files and modes on Windows");
        const QString fifo = m_root + QStringLiteral("/pipe");
        QVERIFY(tw::test::makeFifo(fifo));
        QVERIFY(!canOpen(fifo)); // and does not hang waiting for a writer
        if (tw::test::runningAsRoot())
            QSKIP("permission checks do not apply to root");
        QVERIFY(tw::test::setMode(file, 0));
        QVERIFY(!canOpen(file));
    }

    void pathTexts()
    {
        QVERIFY(isSeparator(QLatin1Char('\\')));
        QVERIFY(isSeparator(QLatin1Char('/')));
        QVERIFY(!isSeparator(QLatin1Char(':')));
        QCOMPARE(fileName(QStringLiteral("C:\\data/sub\\x.db")), QStringLiteral("x.db"));
        QCOMPARE(fileName(QStringLiteral("x.db")), QStringLiteral("x.db"));
        QCOMPARE(fileName(QStringLiteral("dir\\")), QString());
        QVERIFY(isDriveRoot(QStringLiteral("/")));
        QVERIFY(isDriveRoot(QStringLiteral("\\")));
        QVERIFY(isDriveRoot(QStringLiteral("C:\\")));
        QVERIFY(isDriveRoot(QStringLiteral("d:/")));
        QVERIFY(!isDriveRoot(QStringLiteral("C:")));
        QVERIFY(!isDriveRoot(QStringLiteral("C:\\data")));
        QVERIFY(!isDriveRoot(QStringLiteral("/tmp")));
        QVERIFY(!isDriveRoot(QString()));
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_root;
};

QTEST_GUILESS_MAIN(TestFileSystem)
#include "tst_files_filesystem.moc"
