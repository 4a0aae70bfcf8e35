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
        throw RuntimeError::inFile(m_name, QStringLiteral("cannot open the blob file: %1.").arg(e.reason()));
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
    throw RuntimeError::inFile(m_name, problem + u'.');
}

bool BlobFile::damaged(QString *damage, const QString &problem) const
{
    *damage = QStringLiteral("%1: %2").arg(m_name, problem);
    return false;
}

bool BlobFile::inFile(qint64 offset, qint64 length) const
{
    return offset >= 0 && length >= 0 && offset <= m_size && length <= m_size - offset;
}

QByteArrayView BlobFile::readRange(qint64 offset, qint64 length)
{
    Q_ASSERT(inFile(offset, length));
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

bool BlobFile::read(const BlobRef &ref, FieldType type, QByteArrayView *value, QString *damage)
{
    m_large.clear();
    const bool graphic = type == FieldType::Graphic;
    const qint64 offset = ref.offset();
    if (offset == 0)
        return damaged(damage, QStringLiteral("the blob pointer points into the header block"));
    if (offset % mb::kBlockSize != 0)
        return damaged(damage, QStringLiteral("blob pointer %1 does not point at a block").arg(offset));
    if (offset >= m_size)
        return damaged(
            damage, QStringLiteral("blob pointer %1 is past the end of the file (%2 bytes)").arg(offset).arg(m_size));
    if (ref.length > m_size)
        return damaged(damage, QStringLiteral("blob length %1 at pointer %2 is larger than the file (%3 bytes)")
                                   .arg(ref.length)
                                   .arg(offset)
                                   .arg(m_size));
    const qint64 prefix = graphic ? mb::kGraphicPrefix : 0;
    if (ref.length < prefix)
        return damaged(damage, QStringLiteral("graphic at %1 is shorter than its prefix").arg(offset));
    if (!inFile(offset, mb::kSubHeader))
        return damaged(
            damage, QStringLiteral("the block at %1 is cut by the end of the file (%2 bytes)").arg(offset).arg(m_size));
    // The window moves on at the next readRange: keep what the head says first.
    const auto *h = reinterpret_cast<const unsigned char *>(readRange(offset, mb::kSubHeader).data());
    const unsigned char blockType = h[0];
    const quint32 singleLength = getU32LE(h + 3);

    if (blockType == mb::kSingleBlob) {
        if (ref.index() != mb::kSingleIndex)
            return damaged(
                damage,
                QStringLiteral("blob pointer %1 names entry %2 of a single-blob block").arg(offset).arg(ref.index()));
        if (singleLength != ref.length)
            return damaged(damage, QStringLiteral("the blob at %1 holds %2 bytes, the record says %3")
                                       .arg(offset)
                                       .arg(singleLength)
                                       .arg(ref.length));
        if (!inFile(offset + mb::kSingleHeader, ref.length))
            return damaged(damage, QStringLiteral("the blob of %1 bytes at %2 runs past the end of the file (%3 bytes)")
                                       .arg(ref.length)
                                       .arg(offset)
                                       .arg(m_size));
        *value = readRange(offset + mb::kSingleHeader + prefix, ref.length - prefix);
        return true;
    }
    if (blockType == mb::kSubAllocated) {
        if (ref.index() >= mb::kSubEntries)
            return damaged(
                damage,
                QStringLiteral("blob pointer %1 names entry %2 of a sub-allocated block").arg(offset).arg(ref.index()));
        const qint64 entry = offset + mb::kSubHeader + qint64(ref.index()) * mb::kSubEntrySize;
        if (!inFile(entry, mb::kSubEntrySize))
            return damaged(
                damage,
                QStringLiteral("the block at %1 is cut by the end of the file (%2 bytes)").arg(offset).arg(m_size));
        const auto *e = reinterpret_cast<const unsigned char *>(readRange(entry, mb::kSubEntrySize).data());
        const int start = e[0], chunks = e[1], last = e[4];
        const qint64 stored = qint64(chunks - 1) * mb::kSubGranule + last;
        if (chunks == 0 || stored != qint64(ref.length))
            return damaged(damage, QStringLiteral("entry %1 of the block at %2 holds %3 bytes, the record says %4")
                                       .arg(ref.index())
                                       .arg(offset)
                                       .arg(chunks == 0 ? 0 : stored)
                                       .arg(ref.length));
        if (start < mb::kSubFirstChunk || qint64(start) * mb::kSubGranule + stored > mb::kBlockSize)
            return damaged(damage, QStringLiteral("entry %1 of the block at %2 lies outside its block's data")
                                       .arg(ref.index())
                                       .arg(offset));
        if (!inFile(offset + qint64(start) * mb::kSubGranule, stored))
            return damaged(damage,
                           QStringLiteral("entry %1 of the block at %2 runs past the end of the file (%3 bytes)")
                               .arg(ref.index())
                               .arg(offset)
                               .arg(m_size));
        *value = readRange(offset + qint64(start) * mb::kSubGranule + prefix, stored - prefix);
        return true;
    }
    if (blockType == mb::kFreeBlock)
        return damaged(damage, QStringLiteral("blob pointer %1 points at a free block").arg(offset));
    return damaged(damage, QStringLiteral("blob pointer %1 points into the middle of another value or at a block of "
                                          "type %2")
                               .arg(offset)
                               .arg(blockType));
}

} // namespace tw::paradox
