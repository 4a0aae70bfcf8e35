#pragma once
// Companions: the files that belong to a Paradox table besides its .db —
// .mb (memos), .px (primary index), .xNN/.yNN (secondary indexes), .val
// (validity checks), .tv and .fam (forms and families) — found without
// regard to letter case.

#include <QString>
#include <QStringList>

namespace tw::paradox {

bool isCompanionSuffix(const QString &suffix);
// Real paths of the companions of table `base` (name without ".db") in the real folder.
QStringList companionFiles(const QString &folder, const QString &base);

} // namespace tw::paradox
