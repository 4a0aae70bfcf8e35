#include "TableFiles.h"

#include "platform/encoding/ByteCodec.h"
#include <algorithm>

namespace tw::foxpro::test {

using namespace tw::encoding;

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    putU32LE(bytesOf(b.data()), v);
    return b;
}

static QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    putU32BE(bytesOf(b.data()), v);
    return b;
}

QByteArray buildDbf(unsigned char fileType, const std::vector<FieldLayout> &fields,
                    const std::vector<QByteArray> &records, unsigned char codePageMark, const QByteArray &backlink)
{
    const bool vfp = fileType == 0x30 || fileType == 0x31 || fileType == 0x32;
    const int headerLength = 32 + 32 * int(fields.size()) + 1 + (vfp ? 263 : 0);
    int recordLength = 1;
    for (const auto &f : fields)
        recordLength += f.length;
    QByteArray h(headerLength, '\0');
    h[0] = char(fileType);
    h[1] = 24;
    h[2] = 1;
    h[3] = 2;
    h.replace(4, 4, le32(quint32(records.size())));
    putU16LE(bytesOf(h.data() + 8), uint16_t(headerLength));
    putU16LE(bytesOf(h.data() + 10), uint16_t(recordLength));
    bool memo = false;
    for (const auto &f : fields)
        memo = memo || f.type == 'M' || f.type == 'G' || f.type == 'W';
    h[28] = memo ? 0x02 : 0x00;
    h[29] = char(codePageMark);
    int at = 32, offset = 1;
    for (const auto &f : fields) {
        h.replace(at, f.name.size(), f.name);
        h[at + 11] = f.type;
        h.replace(at + 12, 4, le32(quint32(offset)));
        h[at + 16] = char(f.length);
        h[at + 17] = char(f.decimals);
        h[at + 18] = char(f.flags);
        offset += f.length;
        at += 32;
    }
    h[at] = 0x0D;
    if (vfp)
        h.replace(at + 1, backlink.size(), backlink);
    QByteArray out = h;
    for (const auto &r : records) {
        QByteArray rec = r.left(recordLength);
        rec.append(QByteArray(recordLength - rec.size(), ' '));
        out += rec;
    }
    out += char(0x1A);
    return out;
}

QByteArray buildFpt(int blockSize, const std::vector<QByteArray> &memos, std::vector<quint32> *blocks, quint32 type)
{
    QByteArray out(512, '\0');
    quint32 next = quint32((512 + blockSize - 1) / blockSize);
    if (out.size() < qsizetype(next) * blockSize)
        out.append(QByteArray(next * blockSize - out.size(), '\0'));
    for (const auto &m : memos) {
        if (blocks)
            blocks->push_back(next);
        QByteArray block = be32(type) + be32(quint32(m.size())) + m;
        const int used = (int(block.size()) + blockSize - 1) / blockSize;
        block.append(QByteArray(used * blockSize - block.size(), '\0'));
        out += block;
        next += quint32(used);
    }
    out.replace(0, 4, be32(next));
    putU16BE(bytesOf(out.data() + 6), uint16_t(blockSize));
    return out;
}

QByteArray buildDbt3(const std::vector<QByteArray> &memos, std::vector<quint32> *blocks)
{
    constexpr int kBlock = 512;
    QByteArray out(kBlock, '\0');
    quint32 next = 1;
    for (const auto &m : memos) {
        if (blocks)
            blocks->push_back(next);
        QByteArray block = m + "\x1a\x1a";
        const int used = (int(block.size()) + kBlock - 1) / kBlock;
        block.append(QByteArray(used * kBlock - block.size(), '\0'));
        out += block;
        next += quint32(used);
    }
    out.replace(0, 4, le32(next));
    return out;
}

QByteArray buildDbt4(int storedBlockSize, const std::vector<QByteArray> &memos, std::vector<quint32> *blocks)
{
    const int blockSize = storedBlockSize != 0 ? storedBlockSize : 512;
    QByteArray out(std::max(blockSize, 32), '\0');
    out[20] = char(storedBlockSize & 0xFF);
    out[21] = char(storedBlockSize >> 8);
    quint32 next = quint32((out.size() + blockSize - 1) / blockSize);
    out.append(QByteArray(qsizetype(next) * blockSize - out.size(), '\0'));
    for (const auto &m : memos) {
        if (blocks)
            blocks->push_back(next);
        QByteArray block = QByteArray("\xff\xff\x08\x00", 4) + le32(quint32(m.size() + 8)) + m;
        const int used = (int(block.size()) + blockSize - 1) / blockSize;
        for (int i = 0; block.size() < used * blockSize; ++i)
            block.append(i % 2 ? ' ' : '\x1f');
        out += block;
        next += quint32(used);
    }
    out.replace(0, 4, le32(next));
    return out;
}

QByteArray dbtPointer(quint32 block)
{
    return block == 0 ? QByteArray(10, ' ') : QByteArray::number(block).rightJustified(10, ' ');
}

QByteArray buildFoxBase(const std::vector<FieldLayout> &fields, const std::vector<QByteArray> &records)
{
    constexpr int kHeaderLength = 521;
    int recordLength = 1;
    for (const auto &f : fields)
        recordLength += f.length;
    QByteArray h(kHeaderLength, '\0');
    h[0] = 0x02;
    h[1] = char(records.size() & 0xFF);
    h[2] = char(records.size() >> 8);
    h[3] = 7; // MM DD YY
    h[4] = 31;
    h[5] = 82;
    h[6] = char(recordLength & 0xFF);
    h[7] = char(recordLength >> 8);
    int at = 8, address = 1;
    for (const auto &f : fields) {
        h.replace(at, f.name.size(), f.name);
        h[at + 11] = f.type;
        h[at + 12] = char(f.length);
        h[at + 13] = char(address & 0xFF);
        h[at + 14] = char(address >> 8);
        h[at + 15] = char(f.decimals);
        address += f.length;
        at += 16;
    }
    h[at] = 0x0D;
    QByteArray out = h;
    for (const auto &r : records) {
        QByteArray rec = r.left(recordLength);
        rec.append(QByteArray(recordLength - rec.size(), ' '));
        out += rec;
    }
    out += char(0x1A);
    return out;
}

} // namespace tw::foxpro::test
