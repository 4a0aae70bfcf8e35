#pragma once
// ColumnPlan: what each column of a source table becomes in the copy's target,
// decided once per table by the mapping in force: its name there, its field,
// and the words the copy's CREATE TABLE gives it. The copies build their
// statements from it; check, the preview and --verify take their answers from it.

#include "platform/ado/ColumnInfo.h"
#include "platform/workdb/ParadoxExport.h"
#include "platform/workdb/WorkColumn.h"

#include <QString>

#include <vector>

namespace tw::transfer {

enum class TypeMapping {
    Copies,    // texts as memos, numbers as INT or FLOAT...: what the copies have always made
    KeepTypes, // each field becomes the other format's own field of the same kind
};

struct PlannedColumn {
    ado::ColumnInfo source;
    QString targetName; // as the target table holds it
    // What follows the column's name in the target's CREATE TABLE: the work
    // table's "MEMO", "TEXT(20)"..., FoxPro's "M", "C(20)", "B NULL"...
    QString typeWords;
    // The field as the target's format shows it: "A20", "#2", "M"... (Paradox),
    // "M", "BLOB", "C(20)", "N(20,2)"... (FoxPro).
    QString shownType;
    workdb::WorkColumn work; // to Paradox: the work table's column
    // To FoxPro: the field's type letter (M and W for the copies' memos and
    // blobs), its bytes in a record, its decimals and whether it takes Null.
    char foxproType = 0;
    int foxproLength = 0;
    int foxproDecimals = 0;
    bool foxproNullable = false;
};

struct ColumnPlan {
    bool toParadox = true;
    TypeMapping mapping = TypeMapping::Copies;
    std::vector<PlannedColumn> columns;
    workdb::ExportPlan paradox; // to Paradox: the fields the work table is written out as, and its code page

    std::vector<workdb::WorkColumn> workColumns() const;
    // The work table's column text after the name's opening backtick and the
    // name: "` MEMO,", as the CREATE TABLE joins it.
    QString workColumnText(size_t column) const;
};

// The plan of a copy to Paradox (`toParadox`) or to FoxPro of a source with
// these columns, read in `codePage` (its cursor's codePage(), which the target
// takes). The FoxPro names are the FoxPro provider's
// (ado::Provider::columnNamesFor), found in the registry: RuntimeError when it
// is not there.
ColumnPlan planColumns(bool toParadox, TypeMapping mapping, const std::vector<ado::ColumnInfo> &columns, int codePage);

} // namespace tw::transfer
