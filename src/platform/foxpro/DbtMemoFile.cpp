#include "DbtMemoFile.h"

#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"

#include <algorithm>
#include <cstring>

namespace tw::foxpro {

using ado::RuntimeError;
using namespace encoding; // the byte codecs

namespace {
constexpr qint64 kFirstRead = 1024;
constexpr qint64 kWindowSize = 256 * 1024;
} // namespace

DbtMemoFile DbtMemoFile::open(const QString &path, const QString &tableName, Layout layout)
{
    DbtMemoFile memo;
    memo.m_tableName = tableName;
    memo.m_layout = layout;
    memo.m_file = RawFile(path, RawFile::Mode::Read);
    memo.m_size = memo.m_file.size();
    if (layout == Layout::DBase3) {
        if (memo.m_size < dbt::kDBase3BlockSize)
            memo.fail(QStringLiteral("the memo file %1 is %2 bytes long, too short for its 512-byte header.")
                          .arg(memo.m_file.name())
                          .arg(memo.m_size));
        memo.m_blockSize = dbt::kDBase3BlockSize;
        return memo;
    }
    if (memo.m_size < dbt::kDBase4HeaderNeeded)
        memo.fail(QStringLiteral("the memo file %1 is %2 bytes long, too short for a dBase IV memo header.")
                      .arg(memo.m_file.name())
                      .arg(memo.m_size));
    const QByteArray head = memo.m_file.readExactly(0, dbt::kDBase4HeaderNeeded, "the memo header");
    const int stored = getU16LE(bytesOf(head.constData()) + dbt::kOffBlockSize);
    memo.m_blockSize = stored != 0 ? stored : dbt::kDBase4DefaultBlockSize;
    return memo;
}

void DbtMemoFile::fail(const QString &problem) const
{
    throw RuntimeError::inFile(m_tableName, problem);
}

QByteArrayView DbtMemoFile::view(uint32_t block) const
{
    const qint64 offset = qint64(block) * m_blockSize;
    if (block == 0 || offset < dbt::kDBase4HeaderNeeded)
        fail(QStringLiteral("memo pointer %1 points into the header of %2.").arg(block).arg(m_file.name()));
    if (offset >= m_size)
        fail(QStringLiteral("memo pointer %1 is past the end of %2 (%3 bytes).")
                 .arg(block)
                 .arg(m_file.name())
                 .arg(m_size));
    m_copy = QByteArray(); // a long memo's copy is not kept
    return m_layout == Layout::DBase3 ? textUpToEndMark(offset) : lengthPrefixed(offset, block);
}

QByteArrayView DbtMemoFile::textUpToEndMark(qint64 offset) const
{
    qint64 at = offset;
    while (at < m_size) {
        const qint64 held = fillWindow(at, std::min(kFirstRead, m_size - at));
        if (held <= 0)
            fail(QStringLiteral("%1 became shorter while it was read.").arg(m_file.name()));
        const char *start = m_window.constData() + (at - m_windowStart);
        const void *mark = std::memchr(start, dbt::kEndOfText, size_t(held));
        const qint64 length = mark ? static_cast<const char *>(mark) - start : held;
        if (mark && at == offset)
            return QByteArrayView(start, qsizetype(length));
        m_copy.append(start, qsizetype(length));
        if (mark)
            return m_copy;
        at += held;
    }
    return m_copy; // no end mark: the memo runs to the end of the file
}

QByteArrayView DbtMemoFile::lengthPrefixed(qint64 offset, uint32_t block) const
{
    if (offset + dbt::kMemoHeaderSize > m_size)
        fail(QStringLiteral("memo pointer %1 is past the end of %2 (%3 bytes).")
                 .arg(block)
                 .arg(m_file.name())
                 .arg(m_size));
    const qint64 held = fillWindow(offset, std::min(kFirstRead, m_size - offset));
    if (held < dbt::kMemoHeaderSize)
        fail(QStringLiteral("%1 ends inside the memo at block %2.").arg(m_file.name()).arg(block));
    const char *at = m_window.constData() + (offset - m_windowStart);
    if (std::memcmp(at, dbt::kMemoMarker, sizeof dbt::kMemoMarker) != 0)
        fail(QStringLiteral("the memo at block %1 of %2 does not start with a dBase IV memo header (FF FF 08 00).")
                 .arg(block)
                 .arg(m_file.name()));
    const uint32_t length = getU32LE(bytesOf(at) + dbt::kOffMemoLength);
    if (length < uint32_t(dbt::kMemoHeaderSize))
        fail(QStringLiteral("the memo at block %1 of %2 gives its length as %3, less than its own 8-byte header.")
                 .arg(block)
                 .arg(m_file.name())
                 .arg(length));
    const qint64 dataLength = qint64(length) - dbt::kMemoHeaderSize;
    const qint64 available = m_size - offset - dbt::kMemoHeaderSize;
    if (dataLength > available)
        fail(QStringLiteral("the memo at block %1 claims %2 bytes, but %3 ends %4 bytes later.")
                 .arg(block)
                 .arg(dataLength)
                 .arg(m_file.name())
                 .arg(available));
    if (dbt::kMemoHeaderSize + dataLength <= held)
        return QByteArrayView(at + dbt::kMemoHeaderSize, qsizetype(dataLength));
    m_copy.resize(qsizetype(dataLength));
    if (m_file.readAt(offset + dbt::kMemoHeaderSize, m_copy.data(), dataLength) != dataLength)
        fail(QStringLiteral("%1 ends inside the memo at block %2.").arg(m_file.name()).arg(block));
    return m_copy;
}

qint64 DbtMemoFile::fillWindow(qint64 offset, qint64 size) const
{
    if (offset < m_windowStart || offset + size > m_windowStart + m_window.size()) {
        m_window.resize(kWindowSize);
        m_windowStart = offset;
        m_window.truncate(qsizetype(m_file.readAt(offset, m_window.data(), kWindowSize)));
    }
    return m_windowStart + m_window.size() - offset;
}

} // namespace tw::foxpro
