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

// Writes `value` into the field's `field.length` bytes at `at`. Null and Empty
// write the type's blank (spaces, zeros). Text goes through `text`, counting
// characters it cannot hold in *replaced. For V and Q fields, returns the
// value's length when it is shorter than the field (the caller sets the
// varlength bit; the length is already in the last byte), else -1.
// RuntimeError naming the field when the value does not fit its type.
int encodeFixedField(char *at, const DbfField &field, const ado::Variant &value, const TextCodec &text,
                     qint64 *replaced);

// A numeric field's text: right-aligned in `length`, `decimals` digits after
// the point (rounded half away from zero), asterisks when it does not fit.
QByteArray formatNumeric(const QString &plainDigits, int length, int decimals);

} // namespace tw::foxpro
