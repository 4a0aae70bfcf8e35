#pragma once
// TargetColumns: what each column of a source table becomes on the other side
// when it is copied, by the copies' own rules: the type (through the work
// table on the way to Paradox) and the name cut to fit the target's format.

#include "platform/ado/ColumnInfo.h"

#include <QString>

#include <vector>

namespace tw::preview {

struct TargetColumn {
    QString name;
    QString type; // as the target's format shows it: "M", "BLOB" (FoxPro), "A255", "N", "@" (Paradox)
};

// `fromFoxPro`: the copy goes to Paradox, else to FoxPro. `codePage`: the one
// the source is read in (its cursor's codePage()), which the target takes.
std::vector<TargetColumn> targetColumns(bool fromFoxPro, const std::vector<ado::ColumnInfo> &columns, int codePage);

} // namespace tw::preview
