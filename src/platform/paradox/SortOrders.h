#pragma once
// The code page of a Paradox table (header 0x6A) and the sort order that goes
// with it: the byte at 0x29 and the language driver's name at the end of the
// header, which must agree. The table a new table's sort order comes from.

#include <cstdint>
#include <optional>

namespace tw::paradox {

struct SortOrder {
    std::uint8_t id;  // header byte 0x29
    const char *name; // the language driver, stored after the field numbers
};

// Windows-1252 with "Pdox ANSI Intl850", as tables we cannot mark otherwise get.
inline constexpr SortOrder kSortOrder1252 = {0x11, "ANSII850"};

// The sort order a new table of this code page gets; nullopt when Paradox
// has none for the page, or when text cannot be converted to it here.
std::optional<SortOrder> sortOrderFor(int codePage);

} // namespace tw::paradox
