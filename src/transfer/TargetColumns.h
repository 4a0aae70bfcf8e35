#pragma once
// TargetColumns: what each column of a source table becomes on the other side
// when it is copied, by the copies' own rules, for whatever tells it before a
// copy (the preview, check): the type (to Paradox through the work table and
// its export) and the name as the target's format takes it.

#include "platform/ado/ColumnInfo.h"
#include "platform/workdb/WorkColumn.h"

#include <QString>

#include <vector>

namespace tw::transfer {

struct TargetColumn {
    QString name; // as the target table holds it
    QString type; // as the target's format shows it: "M", "BLOB" (FoxPro), "A255", "N", "@" (Paradox)
};

// The work table's columns a copy to Paradox makes for these source columns
// (WorkColumnTypeText).
std::vector<workdb::WorkColumn> workColumnsFor(const std::vector<ado::ColumnInfo> &columns);

// `toParadox`: the copy goes to Paradox, else to FoxPro. `codePage`: the one
// the source is read in (its cursor's codePage()), which the target takes.
// The FoxPro names are the FoxPro provider's (ado::Provider::columnNamesFor),
// found in the registry: RuntimeError when it is not there.
std::vector<TargetColumn> targetColumns(bool toParadox, const std::vector<ado::ColumnInfo> &columns, int codePage);

} // namespace tw::transfer
