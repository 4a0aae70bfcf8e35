#include "DumpSupport.h"

#include "TestSupport.h"

#include "cli/CanonicalDump.h"
#include "platform/paradox/TableReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tw::paradoxtest {

QByteArray dumpWithReader(const QString &dbPath)
{
    tw::paradox::TableReader reader(dbPath);
    QStringList names;
    for (const auto &column : reader.columns())
        names << column.name;
    QByteArray out = tw::cli::canonicalHeader(names);
    std::vector<tw::ado::Variant> row;
    while (reader.next(row))
        tw::cli::appendCanonicalRow(out, row);
    return out;
}

namespace {

QString buildTool(const QString &name, const QString &source)
{
    if (tw::test::onWindows())
        return {}; // gcc and pxlib are Linux's
    static QTemporaryDir dir;
    const QString target = dir.filePath(name);
    const auto result = tw::test::run(
        QStringLiteral("gcc"), {QStringLiteral("-O2"), QStringLiteral("-o"), target, source, QStringLiteral("-lpx")});
    return result.exitCode == 0 && QFileInfo::exists(target) ? target : QString();
}

} // namespace

QString pxjson()
{
    static const QString built =
        tw::test::sharedDir().isEmpty()
            ? QString()
            : buildTool(QStringLiteral("pxjson"), tw::test::sharedDir() + QStringLiteral("/tools/pxjson.c"));
    return built;
}

QString pxmake()
{
    static const QString built = buildTool(QStringLiteral("pxmake"), QStringLiteral(TW_PARADOX_TEST_DIR "/pxmake.c"));
    return built;
}

Comparison compareDumps(const QByteArray &ours, const QByteArray &theirs, const QStringList &options)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("ours.jsonl"));
    const QString b = dir.filePath(QStringLiteral("theirs.jsonl"));
    tw::test::writeAll(a, ours);
    tw::test::writeAll(b, theirs);
    QStringList args{tw::test::sharedDir() + QStringLiteral("/tools/dumpcmp.py")};
    args << options << a << b;
    const auto result = tw::test::run(QStringLiteral("/usr/bin/python3"), args);
    return {result.exitCode == 0, QString::fromUtf8(result.out + result.err)};
}

QByteArray dumpWithPxjson(const QString &dbPath, QString *error)
{
    const QFileInfo info(dbPath);
    QStringList args{dbPath};
    const QStringList mbs = info.dir().entryList({info.completeBaseName() + QStringLiteral(".mb")}, QDir::Files);
    for (const QString &mb : mbs)
        if (mb.compare(info.completeBaseName() + QStringLiteral(".mb"), Qt::CaseInsensitive) == 0)
            args << info.dir().filePath(mb);
    const auto result = tw::test::run(pxjson(), args);
    if (result.exitCode != 0)
        *error = QString::fromUtf8(result.err);
    return result.out;
}

} // namespace tw::paradoxtest
