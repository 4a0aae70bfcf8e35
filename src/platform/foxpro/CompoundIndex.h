#pragma once
// CompoundIndex: writes a compound compact index (.cdx/.dcx) in full from
// sorted keys, laid out as Visual FoxPro lays out its own: a file header tag
// listing the tags, then per tag a two-page header and a B-tree of 512-byte
// pages (bit-packed leaves, interior pages of full keys).

#include <QByteArray>

#include <cstdint>
#include <utility>
#include <vector>

namespace tw::foxpro {

namespace cdx {
constexpr int kPageSize = 512;
constexpr int kTagHeaderSize = 1024;
constexpr int kLeafHeaderSize = 24;
constexpr int kInteriorHeaderSize = 12;
constexpr int kInteriorRoom = 500;
constexpr uint32_t kNoPage = 0xFFFFFFFFu;
constexpr uint16_t kAttrInterior = 0;
constexpr uint16_t kAttrRoot = 1;
constexpr uint16_t kAttrLeaf = 2;
constexpr uint8_t kOptionsCompact = 0x20;
constexpr uint8_t kOptionsCompound = 0x40;
constexpr uint8_t kOptionsFor = 0x08;
constexpr uint8_t kOptionsTagList = 0xE0;
constexpr uint8_t kSignature = 1;
constexpr int kTagNameLength = 10;
// Tag header offsets.
constexpr int kOffRoot = 0;
constexpr int kOffFreeList = 4;
constexpr int kOffKeyLength = 12;
constexpr int kOffOptions = 14;
constexpr int kOffSignature = 15;
constexpr int kOffOrder = 502;
constexpr int kOffForPos = 504;
constexpr int kOffForLen = 506;
constexpr int kOffKeyPos = 508;
constexpr int kOffKeyLen = 510;
constexpr int kOffPool = 512;
// Page offsets (every page).
constexpr int kOffAttribute = 0;
constexpr int kOffKeyCount = 2;
constexpr int kOffLeft = 4;
constexpr int kOffRight = 8;
// Leaf page offsets.
constexpr int kOffFree = 12;
constexpr int kOffRecordMask = 14;
constexpr int kOffCopyMask = 18;
constexpr int kOffTrailMask = 19;
constexpr int kOffRecordBits = 20;
constexpr int kOffCopyBits = 21;
constexpr int kOffTrailBits = 22;
constexpr int kOffEntrySize = 23;
// Interior entries carry a record number and a child page after the key.
constexpr int kInteriorPointers = 8;
// Entry size of an empty leaf, as Visual FoxPro writes it.
constexpr int kEmptyLeafEntrySize = 3;
} // namespace cdx

struct IndexTag {
    QByteArray name; // upper case, at most 10 characters
    QByteArray keyExpression;
    QByteArray forExpression; // empty when none
    int keyLength = 0;
    char fill = ' '; // the byte trailing counts stand for
    // (key of keyLength bytes, record number from 1); sorted by the builder.
    std::vector<std::pair<QByteArray, uint32_t>> keys;
};

// The whole index file for these tags.
QByteArray buildCompoundIndex(std::vector<IndexTag> tags);

} // namespace tw::foxpro
