#pragma once
// The column type rules of the two transfers: which work-database type a
// FoxPro column becomes on its way to Paradox, and which FoxPro column type a
// Paradox column becomes on its way to FoxPro (the FoxPro connection fits the
// names, ado::Connection::ColumnNamesFor).

#include <QString>
#include <QStringView>

namespace tw::ado {
class Field;
}

namespace tw::transfer {

// The text after the column name in the work table's definition, such as
// "` MEMO,". Character types become MEMO, integers INT; numerics of scale 0
// and precision 9 or less INT, other numerics, decimals and singles FLOAT (so
// no fractional digit is lost); long binaries and binaries OLEOBJECT; dates
// and timestamps DATETIME; doubles FLOAT; anything else VARCHAR.
QString WorkColumnTypeText(const ado::Field &field);

// The FoxPro column type word: "BLOB" for binary types, "M" for the rest.
QString FoxProColumnType(int adoType);

// The text a value is written as into a FoxPro memo or blob column: the
// value's own text form, Null as the empty text; a number kept as a double
// (money too) as the shortest text that reads back as the same double. The
// text is the field's own or is written to scratch (see ado::Variant::textView).
QStringView FoxProValueText(const ado::Field &field, QString &scratch);

} // namespace tw::transfer
