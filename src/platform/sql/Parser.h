#pragma once
// Parser: turns one SQL text of the dialect our providers accept into a Statement.

#include "Statement.h"

namespace tw::sql {

// Parses exactly one statement (an optional trailing ";" allowed). Throws
// tw::ado::RuntimeError with a message like
//   "Syntax error at position 17: expected ')' but found 'VALUES'."
// (positions count characters from 1). Never crashes, never recurses without
// bound, and runs in time linear in the text.
Statement parse(const QString &text);

} // namespace tw::sql
