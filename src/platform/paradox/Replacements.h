#pragma once
// Replacements: Paradox tables that a session has agreed to drop inside an
// open transaction. A table writer finishing a table of such a name replaces
// the old table and its companions with the new one at that moment, instead
// of refusing; until then the old table stays untouched. A writer that starts
// on such a name claims it: from then on the drop is that table's, and the
// end of the transaction withdraws it (the old table stays) unless the new
// table took its place. The session ends what is left with its transaction.

#include <QString>

namespace tw::paradox::Replacements {

// dbPath: the real path of the existing .db, as found on disk.
void allow(const QString &dbPath);
void revoke(const QString &dbPath);
bool allowed(const QString &dbPath);
// Marks an allowed replacement as taken up by a writer; nothing when none is allowed.
void claim(const QString &dbPath);
bool claimed(const QString &dbPath);

} // namespace tw::paradox::Replacements
