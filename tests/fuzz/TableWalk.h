#pragma once
// Walks everything a provider session shows: the table list, then every row
// of every listed table, the way the transfers read them. A RuntimeError is
// the expected answer to a damaged file; anything else escapes.

#include "platform/ado/Provider.h"

#include <QChar>

namespace tw::fuzz {

// Reads the tables schema, then every row of each table through
// "SELECT * FROM <open>name<close>", and what the cursor reports of the table
// (warnings, damaged rows, lost values). Returns the number of rows read.
// With exactRowCount, a walk that ends without an error must give exactly
// the rows the cursor announced (readers that set damaged rows aside).
qint64 walkSession(ado::Session &session, QChar open, QChar close, bool exactRowCount = false);

} // namespace tw::fuzz
