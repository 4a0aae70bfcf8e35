#include "CodePageMarks.h"

#include <iterator>

namespace tw::foxpro {

namespace {

struct Mark {
    uint8_t mark;
    int codePage;
};

// The marks Visual FoxPro writes, one per code page (CPCURRENT's list).
constexpr Mark kFoxProMarks[] = {
    {0x01, 437},  {0x69, 620},  {0x6A, 737},   {0x02, 850},   {0x64, 852},   {0x6B, 857},   {0x67, 861},
    {0x66, 865},  {0x65, 866},  {0x7C, 874},   {0x68, 895},   {0x7B, 932},   {0x7A, 936},   {0x79, 949},
    {0x78, 950},  {0xC8, 1250}, {0xC9, 1251},  {0x03, 1252},  {0xCB, 1253},  {0xCA, 1254},  {0x7D, 1255},
    {0x7E, 1256}, {0xCC, 1257}, {0x04, 10000}, {0x98, 10006}, {0x96, 10007}, {0x97, 10029},
};

// Marks other programs write (dBase language drivers), read as dbfread reads them.
constexpr Mark kOtherMarks[] = {
    {0x08, 865}, {0x09, 437},  {0x0A, 850},  {0x0B, 437},  {0x0D, 437}, {0x0E, 850}, {0x0F, 437}, {0x10, 850},
    {0x11, 437}, {0x12, 850},  {0x13, 932},  {0x14, 850},  {0x15, 437}, {0x16, 850}, {0x17, 865}, {0x18, 437},
    {0x19, 437}, {0x1A, 850},  {0x1B, 437},  {0x1C, 863},  {0x1D, 850}, {0x1F, 852}, {0x22, 852}, {0x23, 852},
    {0x24, 860}, {0x25, 850},  {0x26, 866},  {0x37, 850},  {0x40, 852}, {0x4D, 936}, {0x4E, 949}, {0x4F, 950},
    {0x50, 874}, {0x57, 1252}, {0x58, 1252}, {0x59, 1252},
};

// Kamenický (895) and Mazovia (620) have no converter here; their text reads
// as code page 437, the page both are built on.
constexpr int kKamenicky = 895;
constexpr int kMazovia = 620;
constexpr int kTheirBase = 437;

} // namespace

int codePageOfMark(uint8_t mark)
{
    for (const Mark &m : kFoxProMarks)
        if (m.mark == mark)
            return m.codePage;
    for (const Mark &m : kOtherMarks)
        if (m.mark == mark)
            return m.codePage;
    return 0;
}

uint8_t markOfCodePage(int codePage)
{
    if (!TextCodec::converts(codePage))
        return kNoMark;
    for (const Mark &m : kFoxProMarks)
        if (m.codePage == codePage)
            return m.mark;
    return kNoMark;
}

uint8_t markForNewTable(int codePage)
{
    const uint8_t mark = markOfCodePage(codePage);
    return mark != kNoMark ? mark : kMark1252;
}

const TextCodec &codecOfMark(uint8_t mark)
{
    const int codePage = codePageOfMark(mark);
    if (codePage == kKamenicky || codePage == kMazovia)
        return TextCodec::forCodePage(kTheirBase);
    return TextCodec::forCodePage(codePage);
}

} // namespace tw::foxpro
