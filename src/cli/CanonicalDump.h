#pragma once
// CanonicalDump: writes a recordset as JSON Lines in the canonical form the
// independent readers also produce (a header of column names, then one array
// per row), so that tables can be compared value by value. The library
// tw_dump: tabwright-cli's dump and the tests' dumps of what the readers read.
//
// Where the form leaves a choice, the shared tools' rules: currency exact,
// without trailing fraction zeros; decimals with the digits stored (leading
// zeros dropped); a NaN or Inf double is null; text with every character from
// U+0080 to U+009F as U+FFFD, since the code pages' undefined bytes decode to
// those and the tools show them so.

#include <QByteArray>
#include <QStringList>

#include <cstdio>
#include <vector>

namespace tw::ado {
class Recordset;
class Variant;
} // namespace tw::ado

namespace tw::cli {

// Appends the JSON form of one value: null, true/false, a number, a string,
// or {"hex": "..."} for bytes.
void appendJsonValue(QByteArray &out, const ado::Variant &value);
void appendJsonString(QByteArray &out, const QString &text);

// The header line, {"columns": [...]} and a line break.
QByteArray canonicalHeader(const QStringList &names);
// One row's line: the values as a JSON array and a line break.
void appendCanonicalRow(QByteArray &out, const std::vector<ado::Variant> &row);

// Walks the recordset to its end, writing the header line and one line per row.
// Returns the number of rows written.
qint64 writeCanonicalDump(ado::Recordset &recordset, std::FILE *out);

} // namespace tw::cli
