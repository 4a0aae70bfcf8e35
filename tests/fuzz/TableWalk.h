#pragma once
// Walks everything a provider session shows: the table list, then every row
// of every listed table, the way the transfers read them. A RuntimeError is
// the expected answer to a damaged file; anything else escapes.

#include "platform/ado/Provider.h"

#include <QChar>

namespace tw::fuzz {

// Reads the tables schema, then every row of each table through
// "SELECT * FROM <open>name<close>". Returns the number of rows read.
qint64 walkSession(ado::Session &session, QChar open, QChar close);

} // namespace tw::fuzz
