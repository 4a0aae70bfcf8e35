#pragma once
// Test helper: builds small .dbf/.fpt files byte by byte, so that tests can
// make damaged or unusual tables that no writer of ours produces.

#include <QByteArray>
#include <QString>

#include <vector>

namespace tw::foxpro::test {

struct FieldLayout {
    QByteArray name;
    char type = 'C';
    int length = 10;
    int decimals = 0;
    unsigned char flags = 0;
};

// A whole .dbf: header, descriptors, backlink (for Visual FoxPro types),
// then each record as given (deletion mark included), then 0x1A.
QByteArray buildDbf(unsigned char fileType, const std::vector<FieldLayout> &fields,
                    const std::vector<QByteArray> &records, unsigned char codePageMark = 0x03,
                    const QByteArray &backlink = {});
// A .fpt with the given block size whose memos are `memos` in order; the
// block number of each is returned through `blocks`.
QByteArray buildFpt(int blockSize, const std::vector<QByteArray> &memos, std::vector<quint32> *blocks,
                    quint32 type = 1);
QByteArray le32(quint32 v);

// A dBase III .dbt: 512-byte header, each memo from a new 512-byte block,
// ended by 0x1A 0x1A.
QByteArray buildDbt3(const std::vector<QByteArray> &memos, std::vector<quint32> *blocks);
// A dBase IV .dbt whose header gives `storedBlockSize` at offset 20 (0: the
// default 512) and whose memos are FF FF 08 00, length + 8, data; the rest of
// a memo's last block is filled with 0x1F 0x20 as dBase IV leaves it.
QByteArray buildDbt4(int storedBlockSize, const std::vector<QByteArray> &memos, std::vector<quint32> *blocks);
// A memo field's 10 ASCII digits for `block` (0: blank).
QByteArray dbtPointer(quint32 block);
// A FoxBASE table (type 0x02, the dBase II layout: 521-byte header,
// 16-byte descriptors), then each record as given, then 0x1A.
QByteArray buildFoxBase(const std::vector<FieldLayout> &fields, const std::vector<QByteArray> &records);

} // namespace tw::foxpro::test
