#pragma once
// Replacements: Paradox tables that a session has agreed to drop inside an
// open transaction. A table writer finishing a table of such a name replaces
// the old table and its companions with the new one at that moment, instead
// of refusing; until then the old table stays untouched. The session revokes
// what is left when its transaction ends.

#include <QString>

namespace tw::paradox::Replacements {

// dbPath: the real path of the existing .db, as found on disk.
void allow(const QString &dbPath);
void revoke(const QString &dbPath);
bool allowed(const QString &dbPath);

} // namespace tw::paradox::Replacements
