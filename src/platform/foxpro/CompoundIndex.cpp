#include "CompoundIndex.h"

#include "platform/encoding/ByteCodec.h"

#include <algorithm>

namespace tw::foxpro {

using namespace encoding; // the byte codecs

namespace {

using Key = std::pair<QByteArray, uint32_t>;

int bitsFor(uint32_t value)
{
    int bits = 0;
    while (value) {
        ++bits;
        value >>= 1;
    }
    return bits;
}

int trailingRun(const QByteArray &key, char fill)
{
    int n = 0;
    for (qsizetype i = key.size() - 1; i >= 0 && key[i] == fill; --i)
        ++n;
    return n;
}

// Pages of the file, appended in order; offsets are their positions.
class PageFile {
public:
    uint32_t allocate(int pages = 1)
    {
        const uint32_t at = uint32_t(m_bytes.size());
        m_bytes.append(QByteArray(pages * cdx::kPageSize, '\0'));
        return at;
    }
    unsigned char *at(uint32_t offset) { return bytesOf(m_bytes.data()) + offset; }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

struct LeafPlan {
    size_t first = 0;
    size_t count = 0;
    int entrySize = 0;
};

// Bytes a key stores in a leaf after the one before it: (copied, trailing).
std::pair<int, int> packing(const QByteArray &key, const QByteArray *previous, char fill)
{
    const int kl = int(key.size());
    const int trail = trailingRun(key, fill);
    if (!previous)
        return {0, trail};
    const int prevTrail = trailingRun(*previous, fill);
    int common = 0;
    while (common < kl && key[common] == (*previous)[common])
        ++common;
    return {std::min({common, kl - trail, kl - prevTrail}), trail};
}

int entrySizeFor(uint32_t maxRecord, int countBits)
{
    return (bitsFor(maxRecord) + 2 * countBits + 7) / 8;
}

std::vector<LeafPlan> planLeaves(const std::vector<Key> &keys, int keyLength, char fill)
{
    const int countBits = bitsFor(uint32_t(keyLength));
    std::vector<LeafPlan> plans;
    size_t i = 0;
    while (i < keys.size()) {
        LeafPlan plan;
        plan.first = i;
        uint32_t maxRecord = 0;
        int keyBytes = 0;
        size_t n = 0;
        while (i + n < keys.size()) {
            const Key &k = keys[i + n];
            const auto [dup, trail] = packing(k.first, n ? &keys[i + n - 1].first : nullptr, fill);
            const uint32_t newMax = std::max(maxRecord, k.second);
            const int size = entrySizeFor(newMax, countBits);
            const int newBytes = keyBytes + keyLength - dup - trail;
            if (cdx::kLeafHeaderSize + int(n + 1) * size + newBytes > cdx::kPageSize)
                break;
            maxRecord = newMax;
            keyBytes = newBytes;
            plan.entrySize = size;
            ++n;
        }
        plan.count = n;
        plans.push_back(plan);
        i += n;
    }
    return plans;
}

void writeLeaf(unsigned char *page, const std::vector<Key> &keys, const LeafPlan &plan, int keyLength, char fill,
               uint16_t attribute)
{
    const int countBits = bitsFor(uint32_t(keyLength));
    const int size = plan.count ? plan.entrySize : cdx::kEmptyLeafEntrySize;
    const int recordBits = size * 8 - 2 * countBits;
    putU16LE(page + cdx::kOffAttribute, attribute);
    putU16LE(page + cdx::kOffKeyCount, uint16_t(plan.count));
    putU32LE(page + cdx::kOffRecordMask, uint32_t((uint64_t(1) << recordBits) - 1));
    page[cdx::kOffCopyMask] = uint8_t((1 << countBits) - 1);
    page[cdx::kOffTrailMask] = uint8_t((1 << countBits) - 1);
    page[cdx::kOffRecordBits] = uint8_t(recordBits);
    page[cdx::kOffCopyBits] = uint8_t(countBits);
    page[cdx::kOffTrailBits] = uint8_t(countBits);
    page[cdx::kOffEntrySize] = uint8_t(size);
    int top = cdx::kPageSize;
    for (size_t n = 0; n < plan.count; ++n) {
        const Key &k = keys[plan.first + n];
        const auto [dup, trail] = packing(k.first, n ? &keys[plan.first + n - 1].first : nullptr, fill);
        const uint64_t entry =
            uint64_t(k.second) | (uint64_t(dup) << recordBits) | (uint64_t(trail) << (recordBits + countBits));
        unsigned char *e = page + cdx::kLeafHeaderSize + n * size;
        for (int b = 0; b < size; ++b)
            e[b] = uint8_t(entry >> (8 * b));
        const int stored = keyLength - dup - trail;
        top -= stored;
        std::copy(k.first.begin() + dup, k.first.begin() + dup + stored, page + top);
    }
    putU16LE(page + cdx::kOffFree, uint16_t(top - (cdx::kLeafHeaderSize + int(plan.count) * size)));
}

struct Node {
    uint32_t page;
    Key last;
};

void linkLevel(PageFile &file, const std::vector<Node> &level)
{
    for (size_t i = 0; i < level.size(); ++i) {
        unsigned char *p = file.at(level[i].page);
        putU32LE(p + cdx::kOffLeft, i ? level[i - 1].page : cdx::kNoPage);
        putU32LE(p + cdx::kOffRight, i + 1 < level.size() ? level[i + 1].page : cdx::kNoPage);
    }
}

// Writes a tag's tree into the file; returns the root page.
uint32_t writeTree(PageFile &file, const std::vector<Key> &keys, int keyLength, char fill)
{
    const std::vector<LeafPlan> plans = planLeaves(keys, keyLength, fill);
    if (plans.empty()) {
        const uint32_t root = file.allocate();
        writeLeaf(file.at(root), keys, LeafPlan{}, keyLength, fill, cdx::kAttrLeaf | cdx::kAttrRoot);
        putU32LE(file.at(root) + cdx::kOffLeft, cdx::kNoPage);
        putU32LE(file.at(root) + cdx::kOffRight, cdx::kNoPage);
        return root;
    }
    std::vector<Node> level;
    for (const LeafPlan &plan : plans) {
        const uint32_t page = file.allocate();
        const uint16_t attr = plans.size() == 1 ? cdx::kAttrLeaf | cdx::kAttrRoot : cdx::kAttrLeaf;
        writeLeaf(file.at(page), keys, plan, keyLength, fill, attr);
        level.push_back({page, keys[plan.first + plan.count - 1]});
    }
    linkLevel(file, level);
    const size_t perPage = size_t(cdx::kInteriorRoom / (keyLength + cdx::kInteriorPointers));
    while (level.size() > 1) {
        std::vector<Node> parents;
        const bool root = level.size() <= perPage;
        for (size_t i = 0; i < level.size(); i += perPage) {
            const size_t n = std::min(perPage, level.size() - i);
            const uint32_t page = file.allocate();
            unsigned char *p = file.at(page);
            putU16LE(p + cdx::kOffAttribute, root ? cdx::kAttrRoot : cdx::kAttrInterior);
            putU16LE(p + cdx::kOffKeyCount, uint16_t(n));
            for (size_t k = 0; k < n; ++k) {
                const Node &child = level[i + k];
                unsigned char *e = p + cdx::kInteriorHeaderSize + k * size_t(keyLength + cdx::kInteriorPointers);
                std::copy(child.last.first.begin(), child.last.first.end(), e);
                putU32BE(e + keyLength, child.last.second);
                putU32BE(e + keyLength + sizeof(uint32_t), child.page);
            }
            parents.push_back({page, level[i + n - 1].last});
        }
        linkLevel(file, parents);
        level = std::move(parents);
    }
    return level.front().page;
}

void writeTagHeader(unsigned char *h, uint32_t root, int keyLength, uint8_t options, const QByteArray &keyExpr,
                    const QByteArray &forExpr)
{
    putU32LE(h + cdx::kOffRoot, root);
    putU32LE(h + cdx::kOffFreeList, 0);
    putU16LE(h + cdx::kOffKeyLength, uint16_t(keyLength));
    h[cdx::kOffOptions] = options;
    h[cdx::kOffSignature] = cdx::kSignature;
    putU16LE(h + cdx::kOffOrder, 0);
    const int keyLen = int(keyExpr.size()) + 1;
    const int forLen = int(forExpr.size()) + 1;
    putU16LE(h + cdx::kOffForPos, uint16_t(keyLen));
    putU16LE(h + cdx::kOffForLen, uint16_t(forLen));
    putU16LE(h + cdx::kOffKeyPos, 0);
    putU16LE(h + cdx::kOffKeyLen, uint16_t(keyLen));
    std::copy(keyExpr.begin(), keyExpr.end(), h + cdx::kOffPool);
    std::copy(forExpr.begin(), forExpr.end(), h + cdx::kOffPool + keyLen);
}

} // namespace

QByteArray buildCompoundIndex(std::vector<IndexTag> tags)
{
    std::sort(tags.begin(), tags.end(), [](const IndexTag &a, const IndexTag &b) { return a.name < b.name; });
    PageFile file;
    const uint32_t fileHeader = file.allocate(2);
    const uint32_t listLeaf = file.allocate();
    std::vector<Key> listKeys;
    for (IndexTag &tag : tags) {
        std::sort(tag.keys.begin(), tag.keys.end());
        const uint32_t header = file.allocate(2);
        const uint32_t root = writeTree(file, tag.keys, tag.keyLength, tag.fill);
        uint8_t options = cdx::kOptionsCompact | cdx::kOptionsCompound;
        if (!tag.forExpression.isEmpty())
            options |= cdx::kOptionsFor;
        writeTagHeader(file.at(header), root, tag.keyLength, options, tag.keyExpression, tag.forExpression);
        QByteArray name = tag.name.left(cdx::kTagNameLength);
        name.append(QByteArray(cdx::kTagNameLength - name.size(), ' '));
        listKeys.push_back({name, header});
    }
    std::sort(listKeys.begin(), listKeys.end());
    // The tag list is one leaf: a file of few tags.
    const auto plans = planLeaves(listKeys, cdx::kTagNameLength, ' ');
    LeafPlan plan = plans.empty() ? LeafPlan{} : plans.front();
    writeLeaf(file.at(listLeaf), listKeys, plan, cdx::kTagNameLength, ' ', cdx::kAttrLeaf | cdx::kAttrRoot);
    putU32LE(file.at(listLeaf) + cdx::kOffLeft, cdx::kNoPage);
    putU32LE(file.at(listLeaf) + cdx::kOffRight, cdx::kNoPage);
    writeTagHeader(file.at(fileHeader), listLeaf, cdx::kTagNameLength, cdx::kOptionsTagList, {}, {});
    return file.bytes();
}

} // namespace tw::foxpro
