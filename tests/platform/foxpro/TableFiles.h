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

} // namespace tw::foxpro::test
