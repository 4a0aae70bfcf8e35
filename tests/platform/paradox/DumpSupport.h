#pragma once
// Helpers of the Paradox tests: our reader's dump in the canonical JSON-lines
// form of the shared tools (tw_dump, as tabwright-cli writes it), the pxlib
// dumper built on demand, and dumpcmp.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tw::paradoxtest {

// The whole table read through TableReader, one JSON line per record.
QByteArray dumpWithReader(const QString &dbPath);
// pxjson built from the shared tools into a temporary folder; empty when the
// shared folder or the compiler or pxlib is missing.
QString pxjson();
// pxmake (tests/platform/paradox/pxmake.c), a writer of test tables through
// pxlib, built the same way; empty when it cannot be built.
QString pxmake();
struct Comparison {
    bool same = false;
    QString report;
};
// Runs dumpcmp.py on two dumps.
Comparison compareDumps(const QByteArray &ours, const QByteArray &theirs, const QStringList &options = {});
// pxjson's dump of a table (with its .mb when there is one); fails the test
// through the returned error text when pxjson fails.
QByteArray dumpWithPxjson(const QString &dbPath, QString *error);

} // namespace tw::paradoxtest
