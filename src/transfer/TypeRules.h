#pragma once
// The column type rules the copies have always followed: which work-database
// type a FoxPro column becomes on its way to Paradox, and whether a Paradox
// column becomes a FoxPro memo or blob (ColumnPlan puts them to use).

#include "platform/ado/ColumnInfo.h"
#include "platform/workdb/WorkColumn.h"

#include <QString>
#include <QStringView>

namespace tw::ado {
class Field;
}

namespace tw::transfer {

// Character types become MEMO, integers INT; numerics of scale 0 and
// precision 9 or less INT, other numerics, decimals and singles FLOAT (so no
// fractional digit is lost); long binaries and binaries OLEOBJECT; dates and
// timestamps DATETIME; doubles FLOAT; anything else VARCHAR. The ADO type's
// name decides.
workdb::WorkType copiedWorkType(const ado::ColumnInfo &column);

// Binary types become a FoxPro blob, the rest a memo.
bool copiedAsBlob(const ado::ColumnInfo &column);

// The text a value is written as into a FoxPro memo or blob column: the
// value's own text form, Null as the empty text; a number kept as a double
// (money too) as the shortest text that reads back as the same double. The
// text is the field's own or is written to scratch (see ado::Variant::textView).
QStringView FoxProValueText(const ado::Field &field, QString &scratch);

} // namespace tw::transfer
