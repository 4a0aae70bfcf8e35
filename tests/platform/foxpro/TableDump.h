#pragma once
// Test helper: a FoxPro table read by TableReader in the canonical JSON-lines
// dump form (tw_dump, as tabwright-cli writes it), and a comparison of such a
// dump with dbfjson.py's through dumpcmp.py.

#include <QByteArray>
#include <QString>

namespace tw::foxpro::test {

// The dump of a table read by TableReader, DBF field names as stored.
QByteArray dumpWithReader(const QString &tablePath);

struct Comparison {
    bool ok = false;
    QString details; // dumpcmp's or dbfjson's output when not ok
};
// Dumps the table with dbfjson.py and compares it with `ours` (dumpcmp.py --names).
Comparison compareWithDbfjson(const QString &tablePath, const QByteArray &ours);

} // namespace tw::foxpro::test
