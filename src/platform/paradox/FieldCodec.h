#pragma once
// FieldCodec: converts the bytes of one field of a record to a Variant and a
// Variant back to the bytes of a field, for every Paradox field type. Blob
// fields (M, B, F, O, G) are split into leader and pointer here; their data
// is fetched by BlobFile.

#include "TableHeader.h"

#include "platform/ado/Variant.h"
#include "platform/encoding/TextCodec.h"

#include <QByteArrayView>

namespace tw::paradox {

using encoding::TextCodec;

// Day numbers count from 0001-01-01 = 1; QDate counts Julian days.
constexpr qint64 kJulianDayOfDayZero = 1721425;

// The 10 bytes after a blob field's leader.
struct BlobRef {
    quint32 pointer = 0; // low byte: entry index (0xFF single blob), rest: offset in the .mb
    quint32 length = 0;  // bytes of the value (graphics: with their 8-byte prefix)
    quint16 modNumber = 0;
    int index() const { return static_cast<int>(pointer & 0xFF); }
    quint32 offset() const { return pointer & 0xFFFFFF00u; }
};

BlobRef decodeBlobRef(const FieldDef &field, const unsigned char *data);

// The bytes of an A field's text: up to its first NUL.
int alphaLength(const unsigned char *data, int size);

// The value of a field that is not a blob field. All-zero bytes give Null.
// RuntimeError (without file name; callers add it) for a value that no
// Variant can hold, such as a time of day past midnight.
tw::ado::Variant decodeScalar(const FieldDef &field, const unsigned char *data, const TextCodec &codec);

// Writes `value` into the field's bytes (field.size of them, zeroed first).
// Null and Empty write zeros. Values are converted to the field's type;
// RuntimeError saying why when that is impossible (out of range, not a
// number, text longer than the field). Blob fields are not written here.
void encodeScalar(const FieldDef &field, const tw::ado::Variant &value, unsigned char *out, const TextCodec &codec,
                  qint64 *unmapped);

// The bytes a blob field's value has in the .mb: text through the code page,
// bytes as they are, other values as their text. Null and Empty give an empty
// view. The view is of the value's own bytes or of scratch, which the bytes
// are converted into (its room is reused).
QByteArrayView blobBytes(const FieldDef &field, const tw::ado::Variant &value, const TextCodec &codec, qint64 *unmapped,
                         QByteArray &scratch);

// Encodes doubles as N, $ and @ store them (sign bit set for values >= 0,
// all bits inverted for negative ones).
void putNumber(unsigned char *out, double value);
double getNumber(const unsigned char *data);

} // namespace tw::paradox
