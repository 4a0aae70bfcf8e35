#include "MemoFile.h"

#include "platform/ado/FormatLimit.h"
#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/files/FaultPlan.h"

#include <QFileInfo>

#include <cstring>
#include <utility>

namespace tw::foxpro {

using namespace encoding; // the byte codecs

using ado::RuntimeError;

namespace {
constexpr uint32_t kMaxBlocks = 0xFFFFFFFFu;
constexpr qint64 kFirstRead = 1024;
constexpr qint64 kWindowSize = 256 * 1024;
} // namespace

MemoFile MemoFile::open(const QString &path, const QString &tableName, bool writable, const QString &shownName)
{
    MemoFile memo;
    memo.m_tableName = tableName;
    memo.m_file = RawFile(path, writable ? RawFile::Mode::ReadWrite : RawFile::Mode::Read, shownName);
    memo.m_size = memo.m_file.size();
    if (writable)
        memo.m_sizeLimit = files::formatFileLimit(fpt::kMaxFileBytes);
    if (memo.m_size < fpt::kHeaderSize)
        throw RuntimeError::inFile(
            tableName, QStringLiteral("the memo file %1 is %2 bytes long, too short for its 512-byte header.")
                           .arg(memo.m_file.name())
                           .arg(memo.m_size));
    const QByteArray head = memo.m_file.readExactly(0, fpt::kHeaderSize, "the memo header");
    const unsigned char *p = bytesOf(head.constData());
    memo.m_nextFree = getU32BE(p + fpt::kOffNextFree);
    memo.m_blockSize = getU16BE(p + fpt::kOffBlockSize);
    if (memo.m_blockSize == 0)
        throw RuntimeError::inFile(tableName,
                                   QStringLiteral("the memo file %1 has block size 0.").arg(memo.m_file.name()));
    if (writable) {
        // Appends go after whatever the file holds, even when the header lags behind.
        const qint64 used = (memo.m_size + memo.m_blockSize - 1) / memo.m_blockSize;
        const qint64 first = (fpt::kHeaderSize + memo.m_blockSize - 1) / memo.m_blockSize;
        memo.m_nextFree = uint32_t(std::max<qint64>({qint64(memo.m_nextFree), used, first}));
        memo.m_front = MappedFront(memo.m_file, fpt::kHeaderSize);
    } else {
        memo.m_windowed = true;
    }
    return memo;
}

MemoFile MemoFile::create(const QString &path, const QString &tableName, const QString &shownName)
{
    MemoFile memo;
    memo.m_tableName = tableName;
    memo.m_file = RawFile(path, RawFile::Mode::CreateNew, shownName);
    memo.m_sizeLimit = files::formatFileLimit(fpt::kMaxFileBytes);
    memo.m_blockSize = fpt::kDefaultBlockSize;
    memo.m_nextFree = fpt::kHeaderSize / fpt::kDefaultBlockSize;
    QByteArray head(fpt::kHeaderSize, '\0');
    putU32BE(bytesOf(head.data()) + fpt::kOffNextFree, memo.m_nextFree);
    putU16BE(bytesOf(head.data()) + fpt::kOffBlockSize, uint16_t(memo.m_blockSize));
    memo.m_file.writeAt(0, head);
    memo.m_size = fpt::kHeaderSize;
    memo.m_front = MappedFront(memo.m_file, fpt::kHeaderSize);
    return memo;
}

QByteArray MemoFile::read(uint32_t block) const
{
    const qint64 offset = qint64(block) * m_blockSize;
    const qint64 size = m_size;
    if (offset < fpt::kHeaderSize)
        throw RuntimeError::inFile(
            m_tableName, QStringLiteral("memo pointer %1 points into the header of %2.").arg(block).arg(m_file.name()));
    if (offset + fpt::kBlockHeaderSize > size)
        throw RuntimeError::inFile(m_tableName, QStringLiteral("memo pointer %1 is past the end of %2 (%3 bytes).")
                                                    .arg(block)
                                                    .arg(m_file.name())
                                                    .arg(size));
    // One read for the block header and, for most memos, the whole value.
    char first[kFirstRead];
    const qint64 firstSize = std::min<qint64>(kFirstRead, size - offset);
    if (fetch(offset, first, firstSize) < fpt::kBlockHeaderSize)
        throw RuntimeError::inFile(
            m_tableName, QStringLiteral("memo pointer %1 is past the end of %2.").arg(block).arg(m_file.name()));
    const uint32_t type = getU32BE(bytesOf(first) + fpt::kOffBlockType);
    if (type > fpt::kMaxBlockType)
        throw RuntimeError::inFile(m_tableName,
                                   QStringLiteral("memo pointer %1 points into the middle of another memo of %2 (no "
                                                  "memo block starts there).")
                                       .arg(block)
                                       .arg(m_file.name()));
    const uint32_t length = getU32BE(bytesOf(first) + fpt::kOffBlockLength);
    const qint64 available = size - offset - fpt::kBlockHeaderSize;
    if (qint64(length) > available)
        throw RuntimeError::inFile(m_tableName,
                                   QStringLiteral("the memo at block %1 claims %2 bytes, but %3 ends %4 bytes later.")
                                       .arg(block)
                                       .arg(length)
                                       .arg(m_file.name())
                                       .arg(available));
    QByteArray data(qsizetype(length), Qt::Uninitialized);
    const qint64 inFirst = std::min<qint64>(length, firstSize - fpt::kBlockHeaderSize);
    std::copy(first + fpt::kBlockHeaderSize, first + fpt::kBlockHeaderSize + inFirst, data.data());
    const qint64 rest = qint64(length) - inFirst;
    if (rest > 0 && fetch(offset + fpt::kBlockHeaderSize + inFirst, data.data() + inFirst, rest) != rest)
        throw RuntimeError::inFile(
            m_tableName, QStringLiteral("%1 ends inside the memo at block %2.").arg(m_file.name()).arg(block));
    return data;
}

QByteArrayView MemoFile::view(uint32_t block) const
{
    const qint64 offset = qint64(block) * m_blockSize;
    if (m_windowed && offset >= fpt::kHeaderSize && offset + fpt::kBlockHeaderSize <= m_size) {
        fillWindow(offset, std::min<qint64>(kFirstRead, m_size - offset));
        const qint64 held = m_windowStart + m_window.size() - offset;
        if (held >= fpt::kBlockHeaderSize) {
            const char *at = m_window.constData() + (offset - m_windowStart);
            const qint64 length = getU32BE(bytesOf(at) + fpt::kOffBlockLength);
            if (getU32BE(bytesOf(at) + fpt::kOffBlockType) <= fpt::kMaxBlockType &&
                length <= m_size - offset - fpt::kBlockHeaderSize && fpt::kBlockHeaderSize + length <= held) {
                if (!m_copy.isNull())
                    m_copy = QByteArray(); // a long memo's copy is not kept
                return QByteArrayView(at + fpt::kBlockHeaderSize, qsizetype(length));
            }
        }
    }
    // Across the window's end, longer than the window, or damaged: read()
    // copies it or says what is wrong.
    m_copy = read(block);
    return m_copy;
}

qint64 MemoFile::fillWindow(qint64 offset, qint64 size) const
{
    if (offset < m_windowStart || offset + size > m_windowStart + m_window.size()) {
        m_window.resize(kWindowSize);
        m_windowStart = offset;
        m_window.truncate(qsizetype(m_file.readAt(offset, m_window.data(), kWindowSize)));
    }
    // At the end of the file the window holds less than asked for.
    return std::min(size, m_windowStart + m_window.size() - offset);
}

qint64 MemoFile::fetch(qint64 offset, char *data, qint64 size) const
{
    if (!m_windowed || size > kWindowSize)
        return m_file.readAt(offset, data, size);
    const qint64 available = fillWindow(offset, size);
    if (available <= 0)
        return 0;
    std::copy_n(m_window.constData() + (offset - m_windowStart), available, data);
    return available;
}

char *MemoFile::beginAppend(qsizetype maxSize)
{
    if (m_pendingSize == 0)
        m_pendingFirst = m_nextFree;
    m_appendAt = m_pendingSize;
    const qint64 room = (fpt::kBlockHeaderSize + qint64(maxSize) + m_blockSize - 1) / m_blockSize * m_blockSize;
    const qint64 needed = m_appendAt + room;
    // The buffer keeps its size from row to row and grows by doubling.
    if (needed > m_pending.size())
        m_pending.resize(qsizetype(std::max<qint64>(needed, 2 * qint64(m_pending.size()))));
    m_pendingSize = qsizetype(needed);
    return m_pending.data() + m_appendAt + fpt::kBlockHeaderSize;
}

uint32_t MemoFile::endAppend(uint32_t type, qsizetype size)
{
    const qsizetype at = m_appendAt;
    if (size == 0) {
        m_pendingSize = at;
        return 0;
    }
    const qint64 total = fpt::kBlockHeaderSize + qint64(size);
    const qint64 blocks = (total + m_blockSize - 1) / m_blockSize;
    const qint64 end = (qint64(m_nextFree) + blocks) * m_blockSize;
    if (end > m_sizeLimit) {
        m_pendingSize = at;
        throw ado::pastLimit({m_file.name(), QFileInfo(m_tableName).completeBaseName(), m_sizeLimit,
                              QStringLiteral("bytes"), QStringLiteral("a FoxPro memo file"), end - m_sizeLimit});
    }
    if (qint64(m_nextFree) + blocks > qint64(kMaxBlocks)) {
        m_pendingSize = at;
        throw RuntimeError::inFile(m_tableName, QStringLiteral("the memo file %1 is full.").arg(m_file.name()));
    }
    m_pendingSize = at + qsizetype(blocks * m_blockSize);
    char *block = m_pending.data() + at;
    putU32BE(bytesOf(block) + fpt::kOffBlockType, type);
    putU32BE(bytesOf(block) + fpt::kOffBlockLength, uint32_t(size));
    std::memset(block + total, 0, size_t(blocks * m_blockSize - total));
    const uint32_t first = m_nextFree;
    m_nextFree = uint32_t(first + blocks);
    return first;
}

void MemoFile::refresh()
{
    if (m_front.isMapped()) {
        m_nextFree = std::max(m_nextFree, getU32BE(m_front.data() + fpt::kOffNextFree));
        return;
    }
    unsigned char next[sizeof(uint32_t)];
    if (m_file.readAt(fpt::kOffNextFree, reinterpret_cast<char *>(next), sizeof next) == qint64(sizeof next))
        m_nextFree = std::max(m_nextFree, getU32BE(next));
}

void MemoFile::discard()
{
    if (m_rowAt > m_pendingSize || m_pendingSize == 0) {
        // Nothing of the row is pending (a commit came between).
        if (m_pendingSize != 0) {
            m_nextFree = m_pendingFirst;
            m_pendingSize = 0;
        }
        return;
    }
    m_nextFree = m_rowFirst;
    m_pendingSize = m_rowAt;
}

void MemoFile::commit()
{
    if (m_pendingSize != 0) {
        try {
            m_file.writeAt(qint64(m_pendingFirst) * m_blockSize, m_pending.constData(), m_pendingSize);
        } catch (...) {
            m_pendingSize = 0;
            m_nextFree = m_pendingFirst; // the row is not written; its blocks are free again
            throw;
        }
        m_pendingSize = 0; // its room serves the next row
        m_rowAt = 0;
        m_rowFirst = m_nextFree;
        m_size = std::max(m_size, qint64(m_nextFree) * m_blockSize);
    }
    if (m_front.isMapped()) {
        putU32BE(m_front.data() + fpt::kOffNextFree, m_nextFree);
        return;
    }
    unsigned char next[sizeof(uint32_t)];
    putU32BE(next, m_nextFree);
    m_file.writeAt(fpt::kOffNextFree, reinterpret_cast<const char *>(next), sizeof next);
}

} // namespace tw::foxpro
