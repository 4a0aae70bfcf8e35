#include "BlobFile.h"

#include "Crypt.h"

#include "platform/ado/RuntimeError.h"

#include <QFileInfo>

#include <cstring>

namespace tw::paradox {

using tw::ado::RuntimeError;

BlobFile::BlobFile(const QString &path, quint32 encryption)
    : m_path(path), m_name(QFileInfo(path).fileName()), m_encryption(encryption)
{
    try {
        m_file = tw::files::File(path, tw::files::File::Mode::Read);
    } catch (const tw::files::FileError &e) {
        throw RuntimeError(QStringLiteral("%1: cannot open the blob file: %2.").arg(m_name, e.reason()));
    }
    m_size = m_file.size();
    std::function<void(unsigned char *, qint64)> unscramble;
    if (m_encryption) {
        unscramble = [key = m_encryption](unsigned char *data, qint64 size) {
            decryptMbUnits(data, static_cast<size_t>(size), key);
        };
    }
    // Scrambled files are read in whole 256-byte units aligned in the file.
    m_window = std::make_unique<ReadWindow>(m_file, m_size, m_encryption ? mb::kChunk : 1, std::move(unscramble));
    if (m_size < mb::kBlockSize)
        fail(QStringLiteral("the file (%1 bytes) is too short to be a blob file").arg(m_size));
    const QByteArrayView head = readRange(0, mb::kSingleHeader);
    if (static_cast<unsigned char>(head[0]) != mb::kHeaderBlock)
        fail(QStringLiteral("the first block is not a header block"));
}

void BlobFile::fail(const QString &problem) const
{
    throw RuntimeError(QStringLiteral("%1: %2.").arg(m_name, problem));
}

QByteArrayView BlobFile::readRange(qint64 offset, qint64 length)
{
    if (offset < 0 || length < 0 || offset > m_size || length > m_size - offset)
        fail(QStringLiteral("%1 bytes at offset %2 are past the end of the file (%3 bytes)")
                 .arg(length)
                 .arg(offset)
                 .arg(m_size));
    if (length <= ReadWindow::kCapacity) {
        const char *data = nullptr;
        const qint64 got = m_window->view(offset, length, &data);
        if (got < 0)
            fail(QStringLiteral("read error: %1").arg(m_window->errorString()));
        // A scrambled file cut short since it was opened reads as if padded with zeros.
        if (got < length && !m_encryption)
            fail(QStringLiteral("short read at offset %1").arg(offset));
        return QByteArrayView(data, length);
    }
    qint64 start = offset, end = offset + length;
    if (m_encryption) {
        start = offset / mb::kChunk * mb::kChunk;
        end = (end + mb::kChunk - 1) / mb::kChunk * mb::kChunk;
    }
    m_large.resize(end - start);
    QString error;
    const qint64 got = ReadWindow::readAt(m_file, start, m_large.data(), end - start, &error);
    if (got < 0)
        fail(QStringLiteral("read error: %1").arg(error));
    if (m_encryption) {
        std::memset(m_large.data() + got, 0, static_cast<size_t>(end - start - got));
        decryptMbUnits(reinterpret_cast<unsigned char *>(m_large.data()), static_cast<size_t>(m_large.size()),
                       m_encryption);
        return QByteArrayView(m_large.constData() + (offset - start), length);
    }
    if (got < length)
        fail(QStringLiteral("short read at offset %1").arg(offset));
    return QByteArrayView(m_large.constData(), length);
}

QByteArrayView BlobFile::read(const BlobRef &ref, FieldType type)
{
    m_large.clear();
    const bool graphic = type == FieldType::Graphic;
    const qint64 offset = ref.offset();
    if (offset == 0 || offset % mb::kBlockSize != 0)
        fail(QStringLiteral("blob pointer %1 does not point at a block").arg(offset));
    if (offset >= m_size)
        fail(QStringLiteral("blob pointer %1 is past the end of the file (%2 bytes)").arg(offset).arg(m_size));
    if (ref.length > m_size)
        fail(QStringLiteral("blob length %1 at pointer %2 is larger than the file (%3 bytes)")
                 .arg(ref.length)
                 .arg(offset)
                 .arg(m_size));
    // The window moves on at the next readRange: keep what the head says first.
    const auto *h = reinterpret_cast<const unsigned char *>(readRange(offset, mb::kSubHeader).data());
    const unsigned char blockType = h[0];
    const quint32 singleLength = getU32LE(h + 3);
    const qint64 prefix = graphic ? mb::kGraphicPrefix : 0;
    if (ref.length < prefix)
        fail(QStringLiteral("graphic at %1 is shorter than its prefix").arg(offset));

    if (blockType == mb::kSingleBlob) {
        if (ref.index() != mb::kSingleIndex)
            fail(QStringLiteral("blob pointer %1 names entry %2 of a single-blob block").arg(offset).arg(ref.index()));
        const quint32 stored = singleLength;
        if (stored != ref.length)
            fail(QStringLiteral("the blob at %1 holds %2 bytes, the record says %3")
                     .arg(offset)
                     .arg(stored)
                     .arg(ref.length));
        return readRange(offset + mb::kSingleHeader + prefix, ref.length - prefix);
    }
    if (blockType == mb::kSubAllocated) {
        if (ref.index() >= mb::kSubEntries)
            fail(
                QStringLiteral("blob pointer %1 names entry %2 of a sub-allocated block").arg(offset).arg(ref.index()));
        const auto *e = reinterpret_cast<const unsigned char *>(
            readRange(offset + mb::kSubHeader + qint64(ref.index()) * mb::kSubEntrySize, mb::kSubEntrySize).data());
        const int start = e[0], chunks = e[1], last = e[4];
        const qint64 stored = qint64(chunks - 1) * mb::kSubGranule + last;
        if (chunks == 0 || stored != qint64(ref.length))
            fail(QStringLiteral("entry %1 of the block at %2 holds %3 bytes, the record says %4")
                     .arg(ref.index())
                     .arg(offset)
                     .arg(stored)
                     .arg(ref.length));
        if (qint64(start) * mb::kSubGranule + stored > mb::kBlockSize)
            fail(QStringLiteral("entry %1 of the block at %2 runs past its block").arg(ref.index()).arg(offset));
        return readRange(offset + qint64(start) * mb::kSubGranule + prefix, stored - prefix);
    }
    if (blockType == mb::kFreeBlock)
        fail(QStringLiteral("blob pointer %1 points at a free block").arg(offset));
    fail(QStringLiteral("blob pointer %1 points at a block of type %2").arg(offset).arg(blockType));
}

} // namespace tw::paradox
