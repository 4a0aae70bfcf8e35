#pragma once
// Test helper: our values in the canonical JSON-lines dump form of the shared
// tools, and a comparison of such a dump with dbfjson.py's through dumpcmp.py.

#include "platform/ado/Variant.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace tw::foxpro::test {

QByteArray canonicalHeader(const QStringList &names);
QByteArray canonicalRow(const std::vector<ado::Variant> &row);
// The dump of a table read by TableReader, DBF field names as stored.
QByteArray dumpWithReader(const QString &tablePath);

struct Comparison {
    bool ok = false;
    QString details; // dumpcmp's or dbfjson's output when not ok
};
// Dumps the table with dbfjson.py and compares it with `ours` (dumpcmp.py --names).
Comparison compareWithDbfjson(const QString &tablePath, const QByteArray &ours);

} // namespace tw::foxpro::test
