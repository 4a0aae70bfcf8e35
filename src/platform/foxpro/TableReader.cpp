#include "TableReader.h"

#include "FieldValues.h"

#include "platform/ado/RuntimeError.h"
#include "platform/files/File.h"
#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFileInfo>

namespace tw::foxpro {

using ado::RuntimeError;
using ado::Variant;

namespace {
constexpr qint64 kChunkBytes = 256 * 1024;
constexpr qint64 kHeadProbe = dbf::kHeaderSize;
} // namespace

QString findCompanion(const QString &path, const QString &ext)
{
    return files::findCompanion(path, ext);
}

TableReader::TableReader(const QString &path, int readCodePage)
    : m_path(path), m_fileName(QFileInfo(path).fileName()), m_file(path, RawFile::Mode::Read)
{
    const qint64 fileSize = m_file.size();
    QByteArray first(kHeadProbe, Qt::Uninitialized);
    first.truncate(m_file.readAt(0, first.data(), kHeadProbe));
    const int headerLength = DbfHeader::headerLengthOf(first, m_fileName);
    QByteArray head(std::min<qint64>(std::max(headerLength, dbf::kHeaderSize), fileSize), Qt::Uninitialized);
    head.truncate(m_file.readAt(0, head.data(), head.size()));
    m_header = DbfHeader::decode(head, m_fileName, fileSize);
    m_warnings = m_header.warnings;
    m_chosenCodePage = readCodePage != 0 && TextCodec::converts(readCodePage);
    m_codePage = m_chosenCodePage ? &TextCodec::forCodePage(readCodePage) : &codecOfMark(m_header.codePageMark);

    checkRecordsAgainstSize(fileSize);
    checkRecordLength();

    for (int i = 0; i < int(m_header.fields.size()); ++i)
        if (!m_header.fields[size_t(i)].isNullFlags())
            m_visible.push_back(i);

    if (m_header.hasMemoFields())
        openMemoFile(path);
}

void TableReader::checkRecordsAgainstSize(qint64 fileSize)
{
    const qint64 stride = m_header.recordLength;
    const qint64 dataBytes = std::max<qint64>(0, fileSize - m_header.headerLength);
    const qint64 counted = m_header.recordCount;
    const qint64 whole = dataBytes / stride;
    m_recordCount = std::min(counted, whole);
    if (counted <= whole)
        return;
    qint64 cutBytes = dataBytes - whole * stride;
    if (cutBytes == 1) {
        // The end-of-file mark after the last whole record is no record.
        char last = 0;
        if (m_file.readAt(fileSize - 1, &last, 1) == 1 && last == dbf::kEndOfFile)
            cutBytes = 0;
    }
    qint64 missing = counted - whole;
    const qint64 cutAt = m_header.headerLength + whole * stride;
    if (cutBytes > 0) {
        m_damaged.add({m_fileName, QStringLiteral("record %1").arg(whole + 1), cutAt,
                       QStringLiteral("cut by the end of the file after %1 of its %2 bytes").arg(cutBytes).arg(stride),
                       1});
        --missing;
    }
    if (missing > 0) {
        const qint64 first = counted - missing + 1;
        m_damaged.add({m_fileName,
                       missing == 1 ? QStringLiteral("record %1").arg(first)
                                    : QStringLiteral("records %1 to %2").arg(first).arg(counted),
                       fileSize,
                       QStringLiteral("past the end of the file: the header counts %1 records, the file holds %2")
                           .arg(counted)
                           .arg(whole),
                       missing});
    }
}

void TableReader::checkRecordLength()
{
    const int need = m_header.fieldBytes;
    const int stride = m_header.recordLength;
    if (need == stride)
        return;
    QString warning = QStringLiteral("%1: the fields need %2 bytes per record, the header says %3; the records are "
                                     "read %3 bytes apart")
                          .arg(m_fileName)
                          .arg(need)
                          .arg(stride);
    if (need > stride) {
        warning += QStringLiteral(", and what the last fields lack reads as blank");
        m_padded = QByteArray(need, '\0');
    }
    m_warnings << warning + u'.';
}

void TableReader::openMemoFile(const QString &path)
{
    struct Candidate {
        QString ext;
        std::optional<DbtMemoFile::Layout> dbt; // empty for a FoxPro memo file
    };
    std::vector<Candidate> candidates;
    switch (m_header.memoStyle()) {
    case MemoStyle::Fpt: {
        const bool container = path.endsWith(QLatin1String(".dbc"), Qt::CaseInsensitive);
        candidates.push_back({container ? QStringLiteral(".dct") : QStringLiteral(".fpt"), std::nullopt});
        break;
    }
    case MemoStyle::Dbt3:
        candidates.push_back({QStringLiteral(".dbt"), DbtMemoFile::Layout::DBase3});
        break;
    case MemoStyle::Dbt4:
        candidates.push_back({QStringLiteral(".dbt"), DbtMemoFile::Layout::DBase4});
        break;
    case MemoStyle::FptOrDbt3:
        candidates.push_back({QStringLiteral(".fpt"), std::nullopt});
        candidates.push_back({QStringLiteral(".dbt"), DbtMemoFile::Layout::DBase3});
        break;
    }
    for (const Candidate &c : candidates) {
        const QString memoPath = findCompanion(path, c.ext);
        if (memoPath.isEmpty())
            continue;
        if (c.dbt)
            m_dbtMemo.emplace(DbtMemoFile::open(memoPath, m_fileName, *c.dbt));
        else
            m_memo.emplace(MemoFile::open(memoPath, m_fileName, false));
        return;
    }
    throw RuntimeError::inFile(m_fileName, QStringLiteral("its memo file %1 is missing.")
                                               .arg(QFileInfo(path).completeBaseName() + candidates.front().ext));
}

QByteArrayView TableReader::memoView(uint32_t block) const
{
    return m_dbtMemo ? m_dbtMemo->view(block) : m_memo->view(block);
}

std::vector<ado::ColumnInfo> TableReader::columns() const
{
    std::vector<ado::ColumnInfo> out;
    for (int index : m_visible) {
        const DbfField &f = m_header.fields[size_t(index)];
        ado::ColumnInfo info = columnInfoOf(f);
        info.name = f.name;
        out.push_back(info);
    }
    return out;
}

qint64 TableReader::liveCount() const
{
    if (m_liveCount >= 0)
        return m_liveCount;
    const qint64 total = m_recordCount;
    const qint64 recordLength = m_header.recordLength;
    const qint64 perChunk = std::max<qint64>(1, kChunkBytes / recordLength);
    QByteArray chunk(std::min(total, perChunk) * recordLength, Qt::Uninitialized);
    qint64 live = 0;
    for (qint64 first = 0; first < total; first += perChunk) {
        const qint64 count = std::min(perChunk, total - first);
        const qint64 bytes = count * recordLength;
        const qint64 got = m_file.readAt(m_header.headerLength + first * recordLength, chunk.data(), bytes);
        if (got != bytes)
            throw RuntimeError::inFile(m_fileName, QStringLiteral("the file became shorter while it was read."));
        for (qint64 i = 0; i < count; ++i)
            if (chunk[i * recordLength] != dbf::kDeletedMark)
                ++live;
    }
    m_liveCount = live;
    return live;
}

bool TableReader::advance(bool includeDeleted)
{
    const qint64 total = m_recordCount;
    const qint64 recordLength = m_header.recordLength;
    while (m_current + 1 < total) {
        ++m_current;
        if (m_current >= m_bufferFirst + m_bufferCount) {
            const qint64 perChunk = std::max<qint64>(1, kChunkBytes / recordLength);
            m_bufferFirst = m_current;
            m_bufferCount = std::min(perChunk, total - m_current);
            const qint64 bytes = m_bufferCount * recordLength;
            if (m_buffer.size() < bytes)
                m_buffer.resize(bytes);
            const qint64 got = m_file.readAt(m_header.headerLength + m_current * recordLength, m_buffer.data(), bytes);
            if (got != bytes) {
                m_bufferCount = 0;
                throw RuntimeError::inFile(
                    m_fileName,
                    QStringLiteral("the file became shorter while it was read (record %1).").arg(m_current + 1));
            }
        }
        m_recordPtr = m_buffer.constData() + (m_current - m_bufferFirst) * recordLength;
        if (!includeDeleted && m_recordPtr[0] == dbf::kDeletedMark)
            continue;
        if (!m_padded.isEmpty()) {
            std::copy_n(m_recordPtr, recordLength, m_padded.data());
            m_recordPtr = m_padded.constData();
        }
        return true;
    }
    m_recordPtr = nullptr;
    return false;
}

bool TableReader::moveTo(qint64 index)
{
    if (index < 0 || index >= m_recordCount)
        return false;
    if (index < m_bufferFirst || index >= m_bufferFirst + m_bufferCount) {
        // Read from here on when advance() reaches it.
        m_bufferFirst = index;
        m_bufferCount = 0;
    }
    m_current = index - 1;
    return advance(true);
}

bool TableReader::next()
{
    return advance(false);
}

bool TableReader::nextAny()
{
    return advance(true);
}

bool TableReader::isDeleted() const
{
    return m_recordPtr && m_recordPtr[0] == dbf::kDeletedMark;
}

bool TableReader::bitSet(int bit) const
{
    if (bit < 0 || m_header.nullFlagsField < 0)
        return false;
    const DbfField &flags = m_header.fields[size_t(m_header.nullFlagsField)];
    return (uint8_t(m_recordPtr[flags.offset + (bit >> 3)]) >> (bit & 7)) & 1;
}

Variant TableReader::value(int index) const
{
    Variant value;
    valueInto(index, value);
    return value;
}

void TableReader::valueInto(int index, Variant &out) const
{
    const DbfField &f = m_header.fields[size_t(index)];
    if (bitSet(f.nullBit)) {
        out = Variant::null();
        return;
    }
    const char *bytes = m_recordPtr + f.offset;
    bool inMemoFile = false; // what goes wrong from here on is the memo file's
    try {
        if (f.isMemo()) {
            const uint32_t block = memoBlockOf(f, bytes);
            if (block != 0 && !m_memo && !m_dbtMemo)
                throw RuntimeError(
                    QStringLiteral("field %1 points into a memo file the table does not have").arg(f.name));
            inMemoFile = block != 0;
            if (f.type == 'M' && !f.binary()) {
                // Decoded where it lies in the memo file's read window.
                readText(f, block != 0 ? memoView(block) : QByteArrayView(), out);
                return;
            }
            if (block == 0)
                out = Variant::bytes(QByteArray());
            else
                out = Variant::bytes(m_dbtMemo ? m_dbtMemo->view(block).toByteArray() : m_memo->read(block));
            return;
        }
        int length = f.length;
        if (f.varLengthBit >= 0 && bitSet(f.varLengthBit)) {
            length = uint8_t(bytes[f.length - 1]);
            if (length >= f.length)
                throw RuntimeError(QStringLiteral("field %1 gives its length as %2, the field holds %3 bytes")
                                       .arg(f.name)
                                       .arg(length)
                                       .arg(f.length - 1));
        }
        if ((f.type == 'C' && !f.binary()) || f.type == 'V')
            readText(f, storedText(f, bytes, length), out);
        else
            decodeFixedField(f, bytes, length, *m_codePage, out);
    } catch (const files::FileError &) {
        out = Variant::null();
        throw; // the file could not be read: no value of it is damaged
    } catch (const RuntimeError &e) {
        // A stored value no number, date or logical can stand for, or a memo
        // pointer that leads nowhere: Null, and the reading goes on.
        loseValue(f, e, out, !inMemoFile ? QString() : m_dbtMemo ? m_dbtMemo->fileName() : m_memo->fileName());
    }
}

void TableReader::loseValue(const DbfField &f, const RuntimeError &e, Variant &out, const QString &memoFile) const
{
    out = Variant::null();
    // The lost value is told in the table's own list: what is wrong, without the table's name.
    QString text = e.file() == m_fileName ? e.problem() : e.description();
    if (e.file() != m_fileName && text.endsWith(u'.'))
        text.chop(1);
    m_lost.add({m_fileName, m_current + 1, f.name, text, QStringLiteral("cannot be read"), {}, memoFile});
}

void TableReader::readText(const DbfField &f, QByteArrayView stored, Variant &out) const
{
    // Bytes the page gives back as they are stay bytes until their text is
    // asked for: a copy into a table of the same page writes them unconverted.
    if (m_keepStored && m_codePage->keepsAsStored(stored)) {
        out.setStoredText(stored, m_codePage->codePage());
        return;
    }
    m_codePage->decode(stored.data(), stored.size(), out.textToFill(stored.size()));
    checkText(f, stored, out);
}

void TableReader::checkText(const DbfField &f, QByteArrayView stored, const Variant &out) const
{
    if (!ado::beyondAscii(stored))
        return;
    if (m_codePage->givesBack(out.asText(), stored))
        return;
    m_changed.add(ado::changedText(m_fileName, m_current + 1, f.name, stored, out.asText(), m_codePage->codePage()));
}

void TableReader::values(std::vector<Variant> &row) const
{
    row.resize(m_visible.size());
    for (size_t i = 0; i < m_visible.size(); ++i)
        valueInto(m_visible[i], row[i]);
}

} // namespace tw::foxpro
