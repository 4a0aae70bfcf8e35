#pragma once
// Helpers shared by the tests: where the shared corpus and readers are,
// running an external program, and writing files byte by byte.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tw::test {

// The folder holding corpus/ and tools/, or empty when this machine has none.
QString sharedDir();
// The folder the programs were built into.
QString binDir();

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

} // namespace tw::test
