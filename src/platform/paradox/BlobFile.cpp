#include "BlobFile.h"

#include "Crypt.h"

#include "platform/ado/RuntimeError.h"

#include <QFileInfo>

namespace tw::paradox {

using tw::ado::RuntimeError;

BlobFile::BlobFile(const QString &path, quint32 encryption)
    : m_path(path), m_name(QFileInfo(path).fileName()), m_file(path), m_encryption(encryption)
{
    if (!m_file.open(QIODevice::ReadOnly))
        throw RuntimeError(QStringLiteral("%1: cannot open the blob file: %2.").arg(m_name, m_file.errorString()));
    m_size = m_file.size();
    if (m_size < mb::kBlockSize) fail(QStringLiteral("the file (%1 bytes) is too short to be a blob file").arg(m_size));
    const QByteArray head = readRange(0, mb::kSingleHeader);
    if (static_cast<unsigned char>(head[0]) != mb::kHeaderBlock) fail(QStringLiteral("the first block is not a header block"));
}

void BlobFile::fail(const QString &problem) const
{
    throw RuntimeError(QStringLiteral("%1: %2.").arg(m_name, problem));
}

QByteArray BlobFile::readRange(qint64 offset, qint64 length)
{
    if (offset < 0 || length < 0 || offset > m_size || length > m_size - offset)
        fail(QStringLiteral("%1 bytes at offset %2 are past the end of the file (%3 bytes)").arg(length).arg(offset).arg(m_size));
    qint64 start = offset, end = offset + length;
    if (m_encryption) {
        // Scrambled in 256-byte units aligned in the file.
        start = offset / mb::kChunk * mb::kChunk;
        end = (end + mb::kChunk - 1) / mb::kChunk * mb::kChunk;
    }
    QByteArray data(end - start, '\0');
    if (!m_file.seek(start)) fail(QStringLiteral("cannot seek to offset %1").arg(start));
    const qint64 got = m_file.read(data.data(), end - start);
    if (got < 0) fail(QStringLiteral("read error: %1").arg(m_file.errorString()));
    if (m_encryption) {
        decryptMbUnits(reinterpret_cast<unsigned char *>(data.data()), static_cast<size_t>(data.size()), m_encryption);
        return data.mid(offset - start, length);
    }
    if (got < length) fail(QStringLiteral("short read at offset %1").arg(offset));
    return data;
}

QByteArray BlobFile::read(const BlobRef &ref, FieldType type)
{
    const bool graphic = type == FieldType::Graphic;
    const qint64 offset = ref.offset();
    if (offset == 0 || offset % mb::kBlockSize != 0)
        fail(QStringLiteral("blob pointer %1 does not point at a block").arg(offset));
    if (offset >= m_size)
        fail(QStringLiteral("blob pointer %1 is past the end of the file (%2 bytes)").arg(offset).arg(m_size));
    if (ref.length > m_size)
        fail(QStringLiteral("blob length %1 at pointer %2 is larger than the file (%3 bytes)").arg(ref.length).arg(offset).arg(m_size));
    const QByteArray head = readRange(offset, mb::kSubHeader);
    const auto *h = reinterpret_cast<const unsigned char *>(head.constData());
    const qint64 prefix = graphic ? mb::kGraphicPrefix : 0;
    if (ref.length < prefix) fail(QStringLiteral("graphic at %1 is shorter than its prefix").arg(offset));

    if (h[0] == mb::kSingleBlob) {
        if (ref.index() != mb::kSingleIndex)
            fail(QStringLiteral("blob pointer %1 names entry %2 of a single-blob block").arg(offset).arg(ref.index()));
        const quint32 stored = getLe32(h + 3);
        if (stored != ref.length)
            fail(QStringLiteral("the blob at %1 holds %2 bytes, the record says %3").arg(offset).arg(stored).arg(ref.length));
        return readRange(offset + mb::kSingleHeader + prefix, ref.length - prefix);
    }
    if (h[0] == mb::kSubAllocated) {
        if (ref.index() >= mb::kSubEntries)
            fail(QStringLiteral("blob pointer %1 names entry %2 of a sub-allocated block").arg(offset).arg(ref.index()));
        const QByteArray entryBytes = readRange(offset + mb::kSubHeader + qint64(ref.index()) * mb::kSubEntrySize, mb::kSubEntrySize);
        const auto *e = reinterpret_cast<const unsigned char *>(entryBytes.constData());
        const int start = e[0], chunks = e[1], last = e[4];
        const qint64 stored = qint64(chunks - 1) * mb::kSubGranule + last;
        if (chunks == 0 || stored != qint64(ref.length))
            fail(QStringLiteral("entry %1 of the block at %2 holds %3 bytes, the record says %4")
                     .arg(ref.index()).arg(offset).arg(stored).arg(ref.length));
        if (qint64(start) * mb::kSubGranule + stored > mb::kBlockSize)
            fail(QStringLiteral("entry %1 of the block at %2 runs past its block").arg(ref.index()).arg(offset));
        return readRange(offset + qint64(start) * mb::kSubGranule + prefix, stored - prefix);
    }
    if (h[0] == mb::kFreeBlock) fail(QStringLiteral("blob pointer %1 points at a free block").arg(offset));
    fail(QStringLiteral("blob pointer %1 points at a block of type %2").arg(offset).arg(h[0]));
}

} // namespace tw::paradox
