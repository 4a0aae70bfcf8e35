#pragma once
// Helpers shared by the tests: where the shared corpus and readers are,
// running an external program, and writing files byte by byte.

#include <QByteArray>
#include <QString>
#include <QStringList>

// The independent readers the tests compare with (python3 with dbfread and
// the shared tools, pxlib through a compiler) are Linux programs: a test that
// needs them skips itself on Windows, where scripts/windows/e2e.sh compares the
// Windows programs' tables with them instead.
#define TW_SKIP_WITHOUT_LINUX_READERS()                                                                                \
    do {                                                                                                               \
        if (tw::test::onWindows())                                                                                     \
            QSKIP("compares with the Linux readers (python3, dbfread, pxlib): run on Linux");                          \
    } while (false)

namespace tw::test {

// The folder holding corpus/ and tools/, or empty when this machine has none.
QString sharedDir();
// The folder the programs were built into.
QString binDir();
// The path of a program built into binDir() ("tabwright-cli" is
// "tabwright-cli.exe" on Windows).
QString programPath(const QString &name);
// True when the tests run on Windows (or under Wine).
bool onWindows();

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs a program to completion (at most timeoutMs); exitCode -1 when it did not finish.
ProcessResult run(const QString &program, const QStringList &args, int timeoutMs = 120000,
                  const QByteArray &input = {});

QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &data);
// Writes the file whole; false when it cannot (callers QVERIFY it).
[[nodiscard]] bool writeFile(const QString &path, const QByteArray &data);
// The file's bytes, or "<unreadable>" when it cannot be opened: a comparison
// with what a test expects then says so rather than comparing with nothing.
QByteArray readFile(const QString &path);

// The dump of the Paradox table `table` of `folder` (its .db and .mb found
// in any letter case) by the pxjson built at `pxjson`.
ProcessResult pxjsonDump(const QString &pxjson, const QString &folder, const QString &table);

// The shared tools' verdicts on two canonical dumps, written into the folder
// `scratch` first: empty when they agree, else the tool's report. dumpcmp
// (sharedDir()/tools) wants the same values; tests/e2e/copycheck.py the same
// values across a copy's change of format ("to-paradox", "to-foxpro").
QString dumpDifferences(const QString &scratch, const QByteArray &a, const QByteArray &b,
                        const QStringList &options = {});
QString copyDifferences(const QString &scratch, const QString &direction, const QByteArray &source,
                        const QByteArray &target);

} // namespace tw::test
