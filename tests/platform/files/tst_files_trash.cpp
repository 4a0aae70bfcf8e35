// Deleting to the desktop trash: the file lands in files/ with its bytes, its
// info file tells a desktop where to put it back, names never collide, and a
// volume without a usable trash has the file deleted as before. The trash is
// a temporary folder's (XDG_DATA_HOME), never the user's.

#include "TestSupport.h"

#include "platform/files/FileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tw;

namespace {
constexpr files::Removal kTrash{.way = files::Removal::Way::Trash};
constexpr files::Removal kTrashElseForGood{.way = files::Removal::Way::TrashElseForGood};
} // namespace

class TestTrash : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void trashedFileKeepsItsBytesAndOrigin_data();
    void trashedFileKeepsItsBytesAndOrigin();
    void namesNeverCollideAndPermanentOrNoTrashDeletes();
    void recycleBinTakesTheFile();

private:
    QString trash() const { return m_dir->path() + QStringLiteral("/data/Trash"); }
    QString makeFile(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_savedDataHome;
};

void TestTrash::init()
{
    if (tw::test::onWindows()) {
        if (QTest::currentTestFunction() != QByteArrayLiteral("recycleBinTakesTheFile"))
            QSKIP("the desktop trash of Linux; Windows has the Recycle Bin");
        return;
    }
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->path() + QStringLiteral("/data")));
}

void TestTrash::cleanup()
{
    if (!m_dir)
        return;
    qputenv("XDG_DATA_HOME", m_savedDataHome);
    m_dir.reset();
}

QString TestTrash::makeFile(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(m_dir->path() + QStringLiteral("/tables"));
    const QString path = m_dir->path() + QStringLiteral("/tables/") + name;
    tw::test::writeAll(path, bytes);
    return path;
}

void TestTrash::trashedFileKeepsItsBytesAndOrigin_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("table") << QStringLiteral("orders.dbf") << false;
    QTest::newRow("spaces, accents, %") << QStringLiteral("Ventes été 100%.DB") << false;
    QTest::newRow("read-only, no extension") << QStringLiteral("README") << true;
}

void TestTrash::trashedFileKeepsItsBytesAndOrigin()
{
    QFETCH(QString, name);
    QFETCH(bool, readOnly);
    const QByteArray bytes("\x03\x7e\x0c\x07\0\0 bytes that must come back", 32);
    const QString path = makeFile(name, bytes);
    if (readOnly)
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    // Given as the program gives paths: with "\".
    const files::Disposal gone =
        files::removeFile(QDir::toNativeSeparators(path).replace(u'/', u'\\'), kTrashElseForGood);
    QCOMPARE(gone.trashedAs, trash() + QStringLiteral("/files/") + name);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(tw::test::readAll(gone.trashedAs), bytes);

    const QList<QByteArray> info =
        tw::test::readAll(trash() + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo")).split('\n');
    QCOMPARE(info.value(0), QByteArray("[Trash Info]"));
    QVERIFY2(info.value(1).startsWith("Path="), info.value(1).constData());
    const QByteArray encoded = info.value(1).mid(5);
    QVERIFY2(!encoded.contains(' ') && !encoded.contains('\xc3'), encoded.constData()); // escaped
    QCOMPARE(QFile::decodeName(QByteArray::fromPercentEncoding(encoded)), path);
    QVERIFY2(info.value(2).startsWith("DeletionDate="), info.value(2).constData());
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(info.value(2).mid(13)), "yyyy-MM-ddTHH:mm:ss");
    QVERIFY2(when.isValid() && when >= before && when <= QDateTime::currentDateTime(), info.value(2).constData());
}

void TestTrash::namesNeverCollideAndPermanentOrNoTrashDeletes()
{
    // The same name trashed three times: three files, each with its own info.
    for (const char *content : {"first", "second", "third"})
        QVERIFY(!files::removeFile(makeFile("T.DB", content), kTrashElseForGood).trashedAs.isEmpty());
    QCOMPARE(QDir(trash() + "/files").entryList(QDir::Files, QDir::Name), (QStringList{"T.2.DB", "T.3.DB", "T.DB"}));
    QCOMPARE(tw::test::readAll(trash() + "/files/T.3.DB"), QByteArray("third"));
    QCOMPARE(QDir(trash() + "/info").entryList(QDir::Files).size(), 3);

    // Asked to delete for good: gone, the trash as it was.
    const QString kept = makeFile("kept.fpt", "memo");
    files::Disposal gone = files::removeFile(kept);
    QVERIFY(gone.trashedAs.isEmpty() && !QFile::exists(kept));
    QCOMPARE(QDir(trash() + "/files").entryList(QDir::Files).size(), 3);

    // No trash can be made (its place is under a file): deleted as before.
    tw::test::writeAll(m_dir->path() + "/blocked", "a file");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->path() + "/blocked/data"));
    const QString plain = makeFile("plain.dbf", "x");
    QCOMPARE(files::removeFile(plain, kTrash).trashedAs, QString());
    QVERIFY(QFile::exists(plain));
    gone = files::removeFile(plain, kTrashElseForGood);
    QVERIFY(gone.trashedAs.isEmpty() && !QFile::exists(plain));
}

// The Recycle Bin of a fixed drive takes the file. Under Wine (the only
// Windows these tests run on) it is the desktop trash of the folder the test
// run names in XDG_DATA_HOME, never the user's, and there the bytes can be
// checked; on a real Windows the file is only known to be gone.
void TestTrash::recycleBinTakesTheFile()
{
    if (!tw::test::onWindows())
        QSKIP("the Recycle Bin is Windows'");
    const QString name = QStringLiteral("recycled-%1.fpt").arg(QDateTime::currentMSecsSinceEpoch());
    const QByteArray bytes("memo bytes\0\x01\xff", 14);
    QTemporaryDir local; // on C:, a fixed drive
    QVERIFY(local.isValid());
    const QString path = local.filePath(name);
    tw::test::writeAll(path, bytes);
    QCOMPARE(files::removeFile(path, kTrash).trashedAs, QStringLiteral("the Recycle Bin"));
    QVERIFY(!QFile::exists(path));
    const QString hostTrash = qEnvironmentVariable("XDG_DATA_HOME");
    if (hostTrash.startsWith(u'/'))
        QCOMPARE(tw::test::readAll(QStringLiteral("Z:") + hostTrash + QStringLiteral("/Trash/files/") + name), bytes);
}

QTEST_GUILESS_MAIN(TestTrash)
#include "tst_files_trash.moc"
