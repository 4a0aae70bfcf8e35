// The tabwright program as a user starts it: without a display it says so
// and exits with status 1; with one it comes up and keeps running.

#include "TestSupport.h"
#include "Version.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void init();
    void noDisplayExitsWithMessage();
    void startsAndStaysUp();
    void samplesAndPointerBesideProgram();
    void version_data();
    void version();

private:
    QString program() const { return tw::test::programPath("tabwright"); }
    QProcessEnvironment baseEnvironment(const QTemporaryDir &home) const;
};

void TestProgram::init()
{
    if (tw::test::binDir().isEmpty() || !QFileInfo::exists(program()))
        QSKIP("the tabwright program is not built");
}

QProcessEnvironment TestProgram::baseEnvironment(const QTemporaryDir &home) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    // Settings and the work database of this run stay in a temporary home.
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("XDG_DATA_HOME", home.path() + "/data");
    return env;
}

void TestProgram::noDisplayExitsWithMessage()
{
    if (tw::test::onWindows())
        QSKIP("Linux only: a Windows session always has its desktop");
    QTemporaryDir home;
    QProcess process;
    process.setProcessEnvironment(baseEnvironment(home));
    process.start(program(), {});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(err.contains("no display found"), err.constData());
    QVERIFY(err.contains("QT_QPA_PLATFORM=offscreen"));
}

void TestProgram::startsAndStaysUp()
{
    QTemporaryDir home;
    QProcessEnvironment env = baseEnvironment(home);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program(), {});
    QVERIFY(process.waitForStarted(60000));
    // A program that failed at start would have ended by now.
    const bool ended = process.waitForFinished(3000);
    const QByteArray err = process.readAllStandardError();
    if (!ended) {
        process.kill();
        process.waitForFinished(10000);
    }
    QVERIFY2(!ended, err.constData());
}

void TestProgram::samplesAndPointerBesideProgram()
{
    const QDir bin(tw::test::binDir());
    QVERIFY(QFileInfo(bin.filePath("HAND-M.CUR")).isFile());
    QVERIFY(QFileInfo(bin.filePath("dbtemp.mdb")).isFile());
    const QStringList tables = QDir(bin.filePath("Samples")).entryList(QDir::Files);
    for (const char *name : {"customers.dbf", "orders.dbf", "products.dbf", "clients.db", "invoices.db", "stock.db"})
        QVERIFY2(tables.contains(QLatin1String(name)), name);
}

void TestProgram::version_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("windowed") << "tabwright";
    QTest::newRow("command line") << "tabwright-cli";
}

void TestProgram::version()
{
    QFETCH(QString, name);
    // Without a display too: the version needs no window.
    QTemporaryDir home;
    QProcess process;
    process.setProcessEnvironment(baseEnvironment(home));
    process.start(tw::test::programPath(name), {"--version"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
             name + QLatin1Char(' ') + QLatin1String(tw::kVersion));
    QVERIFY(QString::fromLatin1(tw::kVersion).contains(QRegularExpression("^[0-9]+\\.[0-9]+\\.[0-9]+$")));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
