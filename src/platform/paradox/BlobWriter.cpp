#include "BlobWriter.h"

#include "platform/ado/FormatLimit.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FaultPlan.h"

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

BlobWriter::BlobWriter(const QString &path, const QString &shownName, const QString &table)
    : m_path(path), m_shownName(shownName), m_table(table), m_limit(tw::files::formatFileLimit(mb::kMaxFileBytes))
{
    try {
        m_file = tw::files::File(path, tw::files::File::Mode::CreateNew);
    } catch (const tw::files::FileError &e) {
        throw RuntimeError::inFile(m_shownName, QStringLiteral("cannot create the blob file: %1.").arg(e.reason()));
    }
    m_out = std::make_unique<WriteBuffer>(m_file, m_shownName, 0);
    QByteArray header(mb::kBlockSize, '\0');
    std::memcpy(header.data(), kHeaderStart, sizeof kHeaderStart);
    std::memcpy(header.data() + kHeaderMarkOffset, kHeaderMark, sizeof kHeaderMark);
    m_out->append(header.constData(), header.size());
    m_sub = QByteArray(mb::kBlockSize, '\0');
}

void BlobWriter::requireRoom(qint64 end) const
{
    if (end > m_limit)
        throw tw::ado::pastLimit({m_shownName, m_table, m_limit, QStringLiteral("bytes"),
                                  QStringLiteral("a Paradox blob file"), end - m_limit});
}

void BlobWriter::closeSubBlock()
{
    if (!m_subOpen)
        return;
    m_out->overwrite(m_subOffset, m_sub.constData(), m_sub.size());
    m_subOpen = false;
}

BlobRef BlobWriter::write(QByteArrayView data, bool ownBlock)
{
    const qint64 size = data.size();
    if (size == 0)
        return BlobRef{};
    if (size > 0x7FFFFFFF - mb::kBlockSize)
        throw RuntimeError::inFile(m_shownName,
                                   QStringLiteral("a value of %1 bytes is too large for a blob file.").arg(size));
    if (size <= mb::kSubMaxBlob && !ownBlock) {
        const int chunks = static_cast<int>((size + mb::kSubGranule - 1) / mb::kSubGranule);
        if (!m_subOpen || m_subNextEntry < 0 || m_subNextChunk + chunks > kChunksPerBlock) {
            requireRoom((m_nextBlock + 1) * mb::kBlockSize);
            closeSubBlock();
            std::memset(m_sub.data(), 0, static_cast<size_t>(m_sub.size()));
            m_sub[0] = char(mb::kSubAllocated);
            m_sub[1] = 1;
            m_subOpen = true;
            m_subOffset = m_nextBlock++ * mb::kBlockSize;
            m_out->appendZeros(mb::kBlockSize); // its room until it closes
            m_subNextChunk = mb::kSubFirstChunk;
            m_subNextEntry = mb::kSubEntries - 1;
        }
        const int index = m_subNextEntry--;
        auto *entry = reinterpret_cast<unsigned char *>(m_sub.data()) + mb::kSubHeader + index * mb::kSubEntrySize;
        entry[0] = static_cast<unsigned char>(m_subNextChunk);
        entry[1] = static_cast<unsigned char>(chunks);
        putU16LE(entry + 2, kModNumber);
        entry[4] = static_cast<unsigned char>(size - qint64(chunks - 1) * mb::kSubGranule);
        std::memcpy(m_sub.data() + m_subNextChunk * mb::kSubGranule, data.data(), static_cast<size_t>(size));
        m_subNextChunk += chunks;
        return BlobRef{static_cast<quint32>(m_subOffset) | static_cast<quint32>(index), static_cast<quint32>(size),
                       kModNumber};
    }
    const qint64 blocks = (size + mb::kSingleHeader + mb::kBlockSize - 1) / mb::kBlockSize;
    const qint64 offset = m_nextBlock * mb::kBlockSize;
    if (blocks > 0xFFFF)
        throw RuntimeError::inFile(m_shownName,
                                   QStringLiteral("a value of %1 bytes is too large for a blob file.").arg(size));
    requireRoom(offset + blocks * mb::kBlockSize);
    m_nextBlock += blocks;
    unsigned char head[mb::kSingleHeader] = {};
    head[0] = mb::kSingleBlob;
    putU16LE(head + 1, static_cast<quint16>(blocks));
    putU32LE(head + 3, static_cast<quint32>(size));
    putU16LE(head + 7, kModNumber);
    Q_ASSERT(m_out->position() == offset);
    m_out->append(reinterpret_cast<const char *>(head), sizeof head);
    m_out->append(data.data(), size);
    m_out->appendZeros(blocks * mb::kBlockSize - mb::kSingleHeader - size);
    return BlobRef{static_cast<quint32>(offset) | mb::kSingleIndex, static_cast<quint32>(size), kModNumber};
}

void BlobWriter::finish()
{
    closeSubBlock();
    m_out->flush();
    try {
        m_file.truncate(m_nextBlock * mb::kBlockSize);
    } catch (const tw::files::FileError &e) {
        throw RuntimeError::inFile(m_shownName, QStringLiteral("write error: %1.").arg(e.reason()));
    }
    m_file.close();
}

} // namespace tw::paradox
