#pragma once
// The name a FoxPro table takes in the Paradox folder: at most eight
// characters, the first eight of a longer name (the copy asks first), never
// ending in a blank.

#include <QString>

namespace tw::transfer {

// The longest table name the copy to Paradox writes.
inline constexpr int kMaxParadoxName = 8;

// `name` cut to kMaxParadoxName characters, then without the blanks the cut
// leaves at its end: "monthly sales totals" is "monthly", where "monthly "
// would make a file "monthly .db" that no table name reaches.
QString CutParadoxName(const QString &name);

} // namespace tw::transfer
