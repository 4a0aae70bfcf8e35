#pragma once
// FieldEncoder: how a Variant becomes the stored bytes of one fixed-width DBF
// field (every type but the memo types), the reverse of FieldValues.

#include "DbfHeader.h"

#include "platform/ado/Variant.h"

#include <QByteArray>

namespace tw::encoding {
class TextCodec;
}

namespace tw::foxpro {

using encoding::TextCodec;

// What writing a value did to it when the field could not hold it as it was
// (see encodeFixedField).
struct FieldChange {
    enum class Kind { None, Changed, Lost };
    Kind kind = Kind::None;
    QString reason; // "more decimals than N(8,2) holds"
    QString after;  // a changed value as written
};

// Writes `value` into the field's `field.length` bytes at `at`. Null and Empty
// write the type's blank (spaces, zeros). Text goes through `text`, counting
// characters it cannot hold in *replaced. For V and Q fields, returns the
// value's length when it is shorter than the field (the caller sets the
// varlength bit; the length is already in the last byte), else -1.
// RuntimeError naming the field when the value does not fit its type.
//
// With `change`, the value is written as Visual FoxPro holds it and what
// that did is said there: a T value to whole seconds, an N or F number
// rounded to the field's decimals, a Y number to the nearest ten-thousandth
// (changed only when the number is not the same any more), text cut to a C
// or V field's width (changed only when more than blanks went): Changed; a
// number too wide for its N or F field, or beyond a Y field's range, and any
// value the field cannot hold at all (not of its kind, a date past its years)
// is written blank: Lost (the caller sets the null bit). Without it, each is
// written as before: the digits rounded, an overflow as asterisks, a value
// not of the field's kind refused.
int encodeFixedField(char *at, const DbfField &field, const ado::Variant &value, const TextCodec &text,
                     qint64 *replaced, FieldChange *change = nullptr);

// A numeric field's text: right-aligned in `length`, `decimals` digits after
// the point (rounded half away from zero), asterisks when it does not fit.
QByteArray formatNumeric(const QString &plainDigits, int length, int decimals);

} // namespace tw::foxpro
