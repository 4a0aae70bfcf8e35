#include "BlobWriter.h"

#include "platform/ado/RuntimeError.h"

#include <QFileInfo>

namespace tw::paradox {

using tw::ado::RuntimeError;

namespace {

// The start of the header block, identical in every .mb file seen.
constexpr unsigned char kHeaderStart[] = {0x00, 0x01, 0x00, 0x01, 0x00, 0x82, 0x73, 0x02, 0x00, 0x29, 0x00,
                                          0x00, 0x10, 0x00, 0x10, 0x00, 0x10, 0x40, 0x00, 0x00, 0x08};
constexpr int kHeaderMarkOffset = 0x29;
constexpr unsigned char kHeaderMark[] = {0xA1, 0x02};
constexpr quint16 kModNumber = 1;
constexpr int kChunksPerBlock = mb::kBlockSize / mb::kSubGranule;

} // namespace

BlobWriter::BlobWriter(const QString &path) : m_path(path), m_file(path)
{
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly))
        throw RuntimeError(QStringLiteral("%1: cannot create the blob file: %2.")
                               .arg(QFileInfo(path).fileName(), m_file.errorString()));
    QByteArray header(mb::kBlockSize, '\0');
    std::memcpy(header.data(), kHeaderStart, sizeof kHeaderStart);
    std::memcpy(header.data() + kHeaderMarkOffset, kHeaderMark, sizeof kHeaderMark);
    writeAt(0, header);
}

void BlobWriter::writeAt(qint64 offset, const QByteArray &bytes)
{
    if (!m_file.seek(offset) || m_file.write(bytes) != bytes.size())
        throw RuntimeError(QStringLiteral("%1: write error: %2.").arg(QFileInfo(m_path).fileName(), m_file.errorString()));
}

void BlobWriter::flushSubBlock()
{
    if (m_sub.isEmpty()) return;
    writeAt(m_subOffset, m_sub);
    m_sub.clear();
}

BlobRef BlobWriter::write(const QByteArray &data, bool ownBlock)
{
    const qint64 size = data.size();
    if (size == 0) return BlobRef{};
    if (size > 0x7FFFFFFF - mb::kBlockSize)
        throw RuntimeError(QStringLiteral("%1: a value of %2 bytes is too large for a blob file.")
                               .arg(QFileInfo(m_path).fileName()).arg(size));
    if (size <= mb::kSubMaxBlob && !ownBlock) {
        const int chunks = static_cast<int>((size + mb::kSubGranule - 1) / mb::kSubGranule);
        if (m_sub.isEmpty() || m_subNextEntry < 0 || m_subNextChunk + chunks > kChunksPerBlock) {
            flushSubBlock();
            m_sub = QByteArray(mb::kBlockSize, '\0');
            m_sub[0] = char(mb::kSubAllocated);
            m_sub[1] = 1;
            m_subOffset = m_nextBlock++ * mb::kBlockSize;
            m_subNextChunk = mb::kSubFirstChunk;
            m_subNextEntry = mb::kSubEntries - 1;
        }
        const int index = m_subNextEntry--;
        auto *entry = reinterpret_cast<unsigned char *>(m_sub.data()) + mb::kSubHeader + index * mb::kSubEntrySize;
        entry[0] = static_cast<unsigned char>(m_subNextChunk);
        entry[1] = static_cast<unsigned char>(chunks);
        putLe16(entry + 2, kModNumber);
        entry[4] = static_cast<unsigned char>(size - qint64(chunks - 1) * mb::kSubGranule);
        std::memcpy(m_sub.data() + m_subNextChunk * mb::kSubGranule, data.constData(), static_cast<size_t>(size));
        m_subNextChunk += chunks;
        return BlobRef{static_cast<quint32>(m_subOffset) | static_cast<quint32>(index), static_cast<quint32>(size), kModNumber};
    }
    const qint64 blocks = (size + mb::kSingleHeader + mb::kBlockSize - 1) / mb::kBlockSize;
    const qint64 offset = m_nextBlock * mb::kBlockSize;
    if (blocks > 0xFFFF)
        throw RuntimeError(QStringLiteral("%1: a value of %2 bytes is too large for a blob file.")
                               .arg(QFileInfo(m_path).fileName()).arg(size));
    if (offset + blocks * mb::kBlockSize > 0xFFFFFF00LL)
        throw RuntimeError(QStringLiteral("%1: the blob file would pass its limit of 4 GiB.").arg(QFileInfo(m_path).fileName()));
    m_nextBlock += blocks;
    QByteArray head(mb::kSingleHeader, '\0');
    auto *h = reinterpret_cast<unsigned char *>(head.data());
    h[0] = mb::kSingleBlob;
    putLe16(h + 1, static_cast<quint16>(blocks));
    putLe32(h + 3, static_cast<quint32>(size));
    putLe16(h + 7, kModNumber);
    writeAt(offset, head);
    writeAt(offset + mb::kSingleHeader, data);
    const qint64 padding = blocks * mb::kBlockSize - mb::kSingleHeader - size;
    if (padding > 0) writeAt(offset + mb::kSingleHeader + size, QByteArray(padding, '\0'));
    return BlobRef{static_cast<quint32>(offset) | mb::kSingleIndex, static_cast<quint32>(size), kModNumber};
}

void BlobWriter::finish()
{
    flushSubBlock();
    if (!m_file.resize(m_nextBlock * mb::kBlockSize) || !m_file.flush())
        throw RuntimeError(QStringLiteral("%1: write error: %2.").arg(QFileInfo(m_path).fileName(), m_file.errorString()));
    m_file.close();
}

} // namespace tw::paradox
