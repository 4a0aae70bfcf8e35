#include "SortOrders.h"

#include "platform/encoding/TextCodec.h"

namespace tw::paradox {

namespace {

struct PageOrder {
    int codePage;
    SortOrder order;
};

// One language driver per code page: the one seen in real tables where there
// is one (437 and 850 "ascii", 936 "china", 1252 "ANSII850"), else Paradox's
// own driver for the page (ids as Paradox writes them, leonhad/paradoxdriver
// doc/Charset.md).
constexpr PageOrder kOrders[] = {
    {437, {0x00, "ascii"}},     // Paradox 'ascii'
    {737, {0x4A, "grcp437"}},   // Paradox Greek GR437
    {850, {0x00, "ascii"}},     // Paradox 'ascii'
    {852, {0x0D, "czech"}},     // Paradox Czech 852
    {857, {0xC6, "turk"}},      // Paradox 'turk'
    {860, {0xF8, "DB860PT0"}},  // dBASE PTG cp860
    {861, {0xD0, "iceland"}},   // Paradox ISL 861
    {862, {0x7D, "hebrew"}},    // Paradox 'hebrew'
    {863, {0xE1, "DB863CF1"}},  // dBASE FRC cp863
    {865, {0x82, "nordan"}},    // Paradox 'nordan'
    {866, {0xC0, "cyrr"}},      // Paradox Cyrr 866
    {936, {0x03, "china"}},     // Paradox 'china'
    {1250, {0xDC, "anczech"}},  // Pdox ANSI Czech
    {1251, {0x8F, "ancyrr"}},   // Pdox ANSI Cyrillic
    {1252, kSortOrder1252},     // Pdox ANSI Intl850
    {1253, {0x0E, "angreek1"}}, // Pdox ANSI Greek
    {1254, {0xD5, "ANTURK"}},   // Pdox ANSI Turkish
    {1255, {0x4C, "ANHEBREW"}}, // Paradox ANSI HEBREW
};

} // namespace

std::optional<SortOrder> sortOrderFor(int codePage)
{
    if (!encoding::TextCodec::converts(codePage))
        return std::nullopt;
    for (const PageOrder &entry : kOrders)
        if (entry.codePage == codePage)
            return entry.order;
    return std::nullopt;
}

} // namespace tw::paradox
