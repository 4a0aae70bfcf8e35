#pragma once
// The code-page mark of a table header (byte 29): the code page each mark
// names, and the mark a new table gets for the code page of its text.

#include "platform/encoding/TextCodec.h"

#include <cstdint>

namespace tw::foxpro {

using encoding::TextCodec;

// The mark Visual FoxPro writes for Windows-1252.
constexpr uint8_t kMark1252 = 0x03;
constexpr uint8_t kNoMark = 0;

// The code page a mark names; 0 for no mark and for unknown marks.
int codePageOfMark(uint8_t mark);
// The mark Visual FoxPro gives a table of this code page; kNoMark when it
// has none, or when text cannot be converted to that page here.
uint8_t markOfCodePage(int codePage);
// The mark a new table for text of this code page gets: its own mark, or
// kMark1252 when it has none (and for 0, no code page).
uint8_t markForNewTable(int codePage);
// How the text of a table with this mark is read and written: Windows-1252
// for no mark, for unknown marks and for pages without a converter here.
const TextCodec &codecOfMark(uint8_t mark);

} // namespace tw::foxpro
