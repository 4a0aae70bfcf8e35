#pragma once
// FieldValues: how one DBF field's stored bytes become a Variant, and which
// ADO column description a field gets. Memo fields are resolved by the caller
// (TableReader) and only their pointer is decoded here.

#include "DbfHeader.h"

#include "platform/ado/ColumnInfo.h"
#include "platform/ado/Variant.h"

#include <cstdint>
#include <optional>

namespace tw::encoding {
class TextCodec;
}

namespace tw::foxpro {

using encoding::TextCodec;

// The ADO type, precision, scale and size of a field (name left empty).
ado::ColumnInfo columnInfoOf(const DbfField &field);

// Decodes a non-memo field's bytes. `text` is the table's code page. Throws a
// RuntimeError whose text names the field and says what is wrong with the
// bytes; the caller adds the file and record.
// The bytes of a field's text that decodeFixedField reads: a C field's
// without its trailing blanks and NULs, a V field's whole `length`.
QByteArrayView storedText(const DbfField &field, const char *bytes, int length);
ado::Variant decodeFixedField(const DbfField &field, const char *bytes, int length, const TextCodec &text);
// The same into out, whose text memory is reused (see Variant::textToFill);
// after a throw out holds no value to use.
void decodeFixedField(const DbfField &field, const char *bytes, int length, const TextCodec &text, ado::Variant &out);

// The block number a memo field points at (0 = empty memo): a u32 LE in
// Visual FoxPro tables, ASCII digits in FoxPro 2 tables.
uint32_t memoBlockOf(const DbfField &field, const char *bytes);

// "12.50", "-0.5", "1200" from the digits a numeric field stores; nullopt for
// a blank field or an overflow mark (asterisks). Throws for anything else.
std::optional<QString> normalizeNumber(const QByteArray &stored);
std::optional<QString> normalizeNumber(const char *bytes, qsizetype length);

} // namespace tw::foxpro
