#include "FreeTableEncoder.h"

#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"

#include <algorithm>
#include <cstring>

namespace tw::bench {

using ado::RuntimeError;
using ado::Variant;
using namespace encoding; // the byte codecs

namespace {

// Table header (all integers little-endian unless named otherwise).
constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr int kBacklinkSize = 263;
constexpr int kMaxNameLength = 10;
constexpr unsigned char kFileTypeVisualFoxPro = 0x30;
constexpr int kOffUpdated = 1;
constexpr int kOffRecordCount = 4;
constexpr int kOffHeaderLength = 8;
constexpr int kOffRecordLength = 10;
constexpr int kOffTableFlags = 28;
constexpr int kOffCodePage = 29;
constexpr unsigned char kTableHasMemo = 0x02;
constexpr unsigned char kCodePage1252 = 0x03;
constexpr char kDescriptorEnd = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr char kLiveMark = ' ';
// A fixed "last update" keeps the files identical for one seed.
constexpr int kUpdatedYear = 24, kUpdatedMonth = 1, kUpdatedDay = 15;

// Field descriptor.
constexpr int kOffFieldType = 11;
constexpr int kOffFieldDisplacement = 12;
constexpr int kOffFieldLength = 16;
constexpr int kOffFieldDecimals = 17;
constexpr int kOffFieldFlags = 18;
constexpr unsigned char kFieldSystem = 0x01;
constexpr unsigned char kFieldNullable = 0x02;
constexpr unsigned char kFieldBinary = 0x04;
constexpr char kNullFlagsType = '0';
constexpr char kNullFlagsName[] = "_NullFlags";

// Memo file: 512-byte header (next free block and block size, big-endian),
// then blocks of 64 bytes, each starting with its type and length (big-endian).
constexpr int kMemoHeaderSize = 512;
constexpr int kMemoBlockSize = 64;
constexpr int kOffMemoNextFree = 0;
constexpr int kOffMemoBlockSize = 6;
constexpr int kMemoBlockHeader = 8;
constexpr quint32 kMemoTypeText = 1;

constexpr int kFlushBytes = 1 << 20;

int fixedSize(char type)
{
    switch (type) {
    case 'D': case 'T': case 'Y': return 8;
    case 'L': return 1;
    case 'I': case 'M': return 4;
    default: return 0;
    }
}

void writeAll(QFile &file, const QByteArray &bytes)
{
    if (file.write(bytes) != bytes.size())
        throw RuntimeError(QStringLiteral("%1: cannot write: %2").arg(file.fileName(), file.errorString()));
}

} // namespace

FreeTableEncoder::FreeTableEncoder(const QString &dbfPath, const QString &memoPath,
                                   const std::vector<DbfColumn> &columns)
    : m_dbf(dbfPath), m_memo(memoPath)
{
    int offset = 1; // the deletion mark comes first
    int nullBits = 0;
    for (const DbfColumn &c : columns) {
        if (c.name.isEmpty() || c.name.size() > kMaxNameLength)
            throw RuntimeError(QStringLiteral("%1: field name '%2' is not 1 to 10 characters.")
                                   .arg(dbfPath, QString::fromLatin1(c.name)));
        Layout field{c, offset, c.type == 'C' || c.type == 'N' ? c.length : fixedSize(c.type), -1};
        if (field.size <= 0)
            throw RuntimeError(QStringLiteral("%1: field %2 has no size.").arg(dbfPath, QString::fromLatin1(c.name)));
        if (c.nullable)
            field.nullBit = nullBits++;
        m_hasMemo = m_hasMemo || c.type == 'M';
        offset += field.size;
        m_fields.push_back(field);
    }
    m_nullFlagsOffset = offset;
    m_nullFlagsSize = (nullBits + 7) / 8;
    m_recordSize = offset + m_nullFlagsSize;

    if (!m_dbf.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw RuntimeError(QStringLiteral("%1: cannot create: %2").arg(dbfPath, m_dbf.errorString()));
    writeAll(m_dbf, header());
    if (m_hasMemo) {
        if (!m_memo.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw RuntimeError(QStringLiteral("%1: cannot create: %2").arg(memoPath, m_memo.errorString()));
        m_nextBlock = kMemoHeaderSize / kMemoBlockSize;
        writeAll(m_memo, QByteArray(kMemoHeaderSize, '\0'));
    }
}

FreeTableEncoder::~FreeTableEncoder() = default;

QByteArray FreeTableEncoder::header() const
{
    const int descriptors = int(m_fields.size()) + (m_nullFlagsSize ? 1 : 0);
    const int length = kHeaderSize + kDescriptorSize * descriptors + 1 + kBacklinkSize;
    QByteArray h(length, '\0');
    char *p = h.data();
    p[0] = char(kFileTypeVisualFoxPro);
    p[kOffUpdated] = char(kUpdatedYear);
    p[kOffUpdated + 1] = char(kUpdatedMonth);
    p[kOffUpdated + 2] = char(kUpdatedDay);
    putU32LE(bytesOf(p + kOffRecordCount), m_rows);
    putU16LE(bytesOf(p + kOffHeaderLength), uint16_t(length));
    putU16LE(bytesOf(p + kOffRecordLength), uint16_t(m_recordSize));
    p[kOffTableFlags] = char(m_hasMemo ? kTableHasMemo : 0);
    p[kOffCodePage] = char(kCodePage1252);
    char *d = p + kHeaderSize;
    auto describe = [&](const QByteArray &name, char type, int offset, int size, int decimals, unsigned char flags) {
        std::memcpy(d, name.constData(), size_t(name.size()));
        d[kOffFieldType] = type;
        putU32LE(bytesOf(d + kOffFieldDisplacement), quint32(offset));
        d[kOffFieldLength] = char(size);
        d[kOffFieldDecimals] = char(decimals);
        d[kOffFieldFlags] = char(flags);
        d += kDescriptorSize;
    };
    for (const Layout &f : m_fields) {
        const char type = f.column.type;
        unsigned char flags = f.column.nullable ? kFieldNullable : 0;
        if (type == 'I' || type == 'Y' || type == 'T')
            flags |= kFieldBinary; // as Visual FoxPro marks them
        describe(f.column.name, type, f.offset, f.size, type == 'Y' ? 4 : f.column.decimals, flags);
    }
    if (m_nullFlagsSize)
        describe(QByteArray(kNullFlagsName), kNullFlagsType, m_nullFlagsOffset, m_nullFlagsSize, 0,
                 kFieldSystem | kFieldBinary);
    *d = kDescriptorEnd; // the backlink after it stays zero: a free table
    return h;
}

void FreeTableEncoder::append(const std::vector<Variant> &row)
{
    if (row.size() != m_fields.size())
        throw RuntimeError(QStringLiteral("%1: %2 values for %3 fields.")
                               .arg(m_dbf.fileName()).arg(row.size()).arg(m_fields.size()));
    const qsizetype start = m_records.size();
    m_records.append(QByteArray(m_recordSize, ' '));
    char *record = m_records.data() + start;
    record[0] = kLiveMark;
    std::fill(record + m_nullFlagsOffset, record + m_recordSize, '\0');
    for (size_t i = 0; i < row.size(); ++i) {
        const Layout &f = m_fields[i];
        if (row[i].isNull()) {
            if (f.nullBit < 0)
                throw RuntimeError(QStringLiteral("%1: field %2 is not nullable.")
                                       .arg(m_dbf.fileName(), QString::fromLatin1(f.column.name)));
            record[m_nullFlagsOffset + f.nullBit / 8] |= char(1 << (f.nullBit % 8));
            if (f.column.type == 'T' || f.column.type == 'Y' || f.column.type == 'I' || f.column.type == 'M')
                std::fill(record + f.offset, record + f.offset + f.size, '\0');
            continue;
        }
        putValue(record + f.offset, f, row[i]);
    }
    ++m_rows;
    if (m_records.size() >= kFlushBytes || m_memoBytes.size() >= kFlushBytes)
        flush();
}

void FreeTableEncoder::putValue(char *at, const Layout &f, const Variant &value)
{
    switch (f.column.type) {
    case 'C': {
        const QByteArray text = value.asText().toLatin1().left(f.size);
        std::memcpy(at, text.constData(), size_t(text.size()));
        return;
    }
    case 'N': {
        const QByteArray digits = value.asDecimal().toLatin1();
        if (digits.size() > f.size)
            throw RuntimeError(QStringLiteral("%1: %2 does not fit field %3.")
                                   .arg(m_dbf.fileName(), value.asDecimal(), QString::fromLatin1(f.column.name)));
        std::memcpy(at + f.size - digits.size(), digits.constData(), size_t(digits.size()));
        return;
    }
    case 'D': {
        const QByteArray ymd = value.asDate().toString(QStringLiteral("yyyyMMdd")).toLatin1();
        std::memcpy(at, ymd.constData(), 8);
        return;
    }
    case 'T':
        putU32LE(bytesOf(at), quint32(value.asDate().toJulianDay()));
        putU32LE(bytesOf(at + 4), quint32(value.asMsOfDay()));
        return;
    case 'L':
        *at = value.asBoolean() ? 'T' : 'F';
        return;
    case 'Y':
        putU64LE(bytesOf(at), quint64(value.asCurrency()));
        return;
    case 'I':
        putU32LE(bytesOf(at), quint32(qint32(value.asInteger())));
        return;
    case 'M': {
        const QByteArray text = value.asText().toLatin1();
        putU32LE(bytesOf(at), text.isEmpty() ? 0 : appendMemo(text));
        return;
    }
    default:
        throw RuntimeError(QStringLiteral("%1: type %2 is not encoded.")
                               .arg(m_dbf.fileName(), QChar::fromLatin1(f.column.type)));
    }
}

quint32 FreeTableEncoder::appendMemo(const QByteArray &text)
{
    const quint32 block = m_nextBlock;
    const int used = kMemoBlockHeader + int(text.size());
    const int blocks = (used + kMemoBlockSize - 1) / kMemoBlockSize;
    const qsizetype start = m_memoBytes.size();
    m_memoBytes.append(QByteArray(blocks * kMemoBlockSize, '\0'));
    char *p = m_memoBytes.data() + start;
    putU32BE(bytesOf(p), kMemoTypeText);
    putU32BE(bytesOf(p + 4), quint32(text.size()));
    std::memcpy(p + kMemoBlockHeader, text.constData(), size_t(text.size()));
    m_nextBlock += quint32(blocks);
    return block;
}

void FreeTableEncoder::flush()
{
    writeAll(m_dbf, m_records);
    m_records.clear();
    if (m_hasMemo) {
        writeAll(m_memo, m_memoBytes);
        m_memoBytes.clear();
    }
}

void FreeTableEncoder::finish()
{
    if (m_finished)
        return;
    m_records.append(kEndOfFile);
    flush();
    if (!m_dbf.seek(0))
        throw RuntimeError(QStringLiteral("%1: cannot seek.").arg(m_dbf.fileName()));
    writeAll(m_dbf, header());
    m_dbf.close();
    if (m_hasMemo) {
        QByteArray head(8, '\0');
        putU32BE(bytesOf(head.data() + kOffMemoNextFree), m_nextBlock);
        putU16BE(bytesOf(head.data() + kOffMemoBlockSize), kMemoBlockSize);
        if (!m_memo.seek(0))
            throw RuntimeError(QStringLiteral("%1: cannot seek.").arg(m_memo.fileName()));
        writeAll(m_memo, head);
        m_memo.close();
    }
    m_finished = true;
}

} // namespace tw::bench
