#pragma once
// CanonicalDump: writes a recordset as JSON Lines in the canonical form the
// independent readers also produce (a header of column names, then one array
// per row), so that tables can be compared value by value.

#include <QByteArray>

#include <cstdio>

namespace tw::ado {
class Recordset;
class Variant;
} // namespace tw::ado

namespace tw::cli {

// Appends the JSON form of one value: null, true/false, a number, a string,
// or {"hex": "..."} for bytes.
void appendJsonValue(QByteArray &out, const ado::Variant &value);
void appendJsonString(QByteArray &out, const QString &text);

// Walks the recordset to its end, writing the header line and one line per row.
// Returns the number of rows written.
qint64 writeCanonicalDump(ado::Recordset &recordset, std::FILE *out);

} // namespace tw::cli
