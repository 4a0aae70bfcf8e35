#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>

namespace tw::test {

QString sharedDir()
{
    const QString dir = qEnvironmentVariable("TW_SHARED_DIR");
    if (!dir.isEmpty() && QDir(dir + "/corpus").exists())
        return dir;
    return {};
}

QString binDir()
{
    return qEnvironmentVariable("TW_BIN_DIR");
}

QString programPath(const QString &name)
{
    return binDir() + QLatin1Char('/') + name + (onWindows() ? QStringLiteral(".exe") : QString());
}

bool onWindows()
{
    return QSysInfo::kernelType() == QLatin1String("winnt");
}

ProcessResult run(const QString &program, const QStringList &args, int timeoutMs, const QByteArray &input)
{
    QProcess process;
    process.start(program, args);
    ProcessResult result;
    if (!process.waitForStarted(timeoutMs)) {
        result.err = "cannot start " + program.toUtf8();
        return result;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = "timed out: " + program.toUtf8();
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    // A Windows program ends its lines with CR LF, as Windows does: compared as lines.
    if (onWindows()) {
        result.out.replace("\r\n", "\n");
        result.err.replace("\r\n", "\n");
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

namespace {

QString verdict(const QString &scratch, const QStringList &tool, const QByteArray &a, const QByteArray &b)
{
    const QString first = scratch + QStringLiteral("/first.jsonl");
    const QString second = scratch + QStringLiteral("/second.jsonl");
    writeAll(first, a);
    writeAll(second, b);
    const ProcessResult result = run(QStringLiteral("/usr/bin/python3"), tool + QStringList{first, second});
    return result.exitCode == 0 ? QString() : QString::fromUtf8(result.out + result.err);
}

} // namespace

ProcessResult pxjsonDump(const QString &pxjson, const QString &folder, const QString &table)
{
    const QDir dir(folder);
    QStringList args{dir.entryInfoList({table + QStringLiteral(".db")}, QDir::Files).value(0).filePath()};
    const QFileInfoList memo = dir.entryInfoList({table + QStringLiteral(".mb")}, QDir::Files);
    if (!memo.isEmpty())
        args << memo[0].filePath();
    return run(pxjson, args);
}

QString dumpDifferences(const QString &scratch, const QByteArray &a, const QByteArray &b, const QStringList &options)
{
    return verdict(scratch, QStringList{sharedDir() + QStringLiteral("/tools/dumpcmp.py")} + options, a, b);
}

QString copyDifferences(const QString &scratch, const QString &direction, const QByteArray &source,
                        const QByteArray &target)
{
    return verdict(scratch,
                   {qEnvironmentVariable("TW_SOURCE_DIR") + QStringLiteral("/tests/e2e/copycheck.py"), direction},
                   source, target);
}

} // namespace tw::test
