#pragma once
// Walks everything a provider session shows: the table list, then every row
// of every listed table, the way the transfers read them. A RuntimeError is
// the expected answer to a damaged file; anything else escapes.

#include "platform/ado/Provider.h"

#include <QChar>

namespace tw::fuzz {

// Reads the tables schema, then every row of each table through
// "SELECT * FROM <open>name<close>", and what the readers say they read past
// or set aside. Returns the number of rows read. With `exactCount` a walk
// that ends must have given exactly the rows the cursor announced.
qint64 walkSession(ado::Session &session, QChar open, QChar close, bool exactCount = false);

} // namespace tw::fuzz
