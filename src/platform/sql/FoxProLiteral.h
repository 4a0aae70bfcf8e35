#pragma once
// FoxProLiteral: a value written as the literal a FoxPro INSERT ... VALUES
// takes for it, the way the parser reads it back: the text of a statement
// that gives the field what the value itself gives it.

#include "platform/ado/Variant.h"

#include <QString>

namespace tw::sql {

// The literal for `value` in a field of the FoxPro type `fieldType` ('C',
// 'N', 'T', ...): NULL; text and bytes (one character per byte) between
// quotes, each quote doubled, cut after every 200th character into pieces
// joined by '+' as the copy's statements always were; numbers as ValueText
// writes them (a NaN or an infinity, which FoxPro has no literal for, as a
// quoted text); .T. and .F.; {^yyyy-mm-dd} for a date, {^yyyy-mm-dd
// hh:mm:ss} for a date and time or a time alone (on 1899-12-30) and for any
// of them in a T field, to whole seconds as a T field keeps them; Empty as {}
// in a D or T field, '' in a text or binary one, NULL elsewhere.
QString foxproLiteral(const ado::Variant &value, char fieldType);

// A date and time to whole seconds, half a second and more rounding up (into
// the next day, when it comes to that), as a T field holds it.
ado::Variant foxproWholeSeconds(const QDate &date, int msOfDay);

} // namespace tw::sql
