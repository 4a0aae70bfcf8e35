#pragma once
// Companions: the files that belong to a Paradox table besides its .db —
// .mb (memos), .px (primary index), .xNN/.yNN (secondary indexes), .val
// (validity checks), .tv and .fam (forms and families) — found without
// regard to letter case, but never those of a table spelled in other letter
// case beside it (files::findCompanions).

#include <QString>
#include <QStringList>

namespace tw::paradox {

bool isCompanionSuffix(const QString &suffix);
// Real paths of the companions of the table whose .db is at the real path `dbPath`.
QStringList companionFiles(const QString &dbPath);

} // namespace tw::paradox
