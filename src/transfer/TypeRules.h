#pragma once
// The column type rules of the two transfers: which work-database type a
// FoxPro column becomes on its way to Paradox, and which FoxPro column (name
// and type) a Paradox column becomes on its way to FoxPro.

#include <QString>
#include <QStringList>
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

// FoxPro column names for the source's column names, in order, for a table
// made for text of `codePage` (the source table's; 0 for none): a character
// that table's code page cannot hold becomes "?", every character other than
// a letter, a digit or "_" becomes "_", a leading digit gets a "_" before it,
// as many characters are kept as fit 10 bytes, and a name already taken
// (without regard to case) ends in a number instead, as FoxPro names them
// (UNIT_PRICE, UNIT_PRIC2, ..., UNIT_PRI10). The case is kept.
QStringList FoxProColumnNames(const QStringList &names, int codePage = 0);

} // namespace tw::transfer
