#include "TableReader.h"

#include "Crypt.h"
#include "FieldCodec.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/Idle.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace tw::paradox {

using tw::ado::ColumnInfo;
using tw::ado::RuntimeError;
using tw::ado::Variant;

namespace {

constexpr size_t kBlocksPerIdle = 256;

// The companion file with another extension, in any letter case.
QString companion(const QString &dbPath, const QString &extension)
{
    return tw::files::findCompanion(dbPath, QLatin1Char('.') + extension);
}

constexpr int kBcdPrecision = 32;
// Scrambled blocks are unscrambled in units of this many bytes.
constexpr qint64 kCryptUnit = 256;

} // namespace

ColumnInfo TableReader::columnInfo(const FieldDef &field)
{
    using namespace tw::ado;
    ColumnInfo c;
    c.name = field.name;
    c.formatType = char(typeLetter(field.type).toLatin1());
    c.autoIncrement = field.type == FieldType::AutoIncrement;
    switch (field.type) {
    case FieldType::Alpha:
        c.type = adVarChar;
        c.definedSize = field.size;
        break;
    case FieldType::Memo:
        c.type = adLongVarChar;
        break;
    case FieldType::Blob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
        c.type = adLongVarBinary;
        break;
    case FieldType::Short:
        c.type = adSmallInt;
        c.definedSize = 2;
        break;
    case FieldType::Long:
    case FieldType::AutoIncrement:
        c.type = adInteger;
        c.definedSize = 4;
        break;
    case FieldType::Number:
        c.type = adDouble;
        c.definedSize = 8;
        break;
    case FieldType::Money:
        c.type = adCurrency;
        c.definedSize = 8;
        break;
    case FieldType::Bcd:
        c.type = adNumeric;
        c.precision = kBcdPrecision;
        c.numericScale = field.decimals;
        c.definedSize = db::kBcdSize;
        break;
    case FieldType::Logical:
        c.type = adBoolean;
        c.definedSize = 1;
        break;
    case FieldType::Date:
        c.type = adDBDate;
        c.definedSize = 4;
        break;
    case FieldType::Time:
        c.type = adDBTime;
        c.definedSize = 4;
        break;
    case FieldType::Timestamp:
        c.type = adDBTimeStamp;
        c.definedSize = 8;
        break;
    case FieldType::Bytes:
        c.type = adBinary;
        c.definedSize = field.size;
        break;
    }
    return c;
}

TableReader::TableReader(const QString &dbPath, int readCodePage) : m_path(dbPath), m_name(QFileInfo(dbPath).fileName())
{
    try {
        m_file = tw::files::File(dbPath, tw::files::File::Mode::Read);
    } catch (const tw::files::FileError &e) {
        throw RuntimeError::inFile(m_name, QStringLiteral("cannot open the table: %1.").arg(e.reason()));
    }
    m_fileSize = m_file.size();
    m_window = std::make_unique<ReadWindow>(m_file, m_fileSize);
    // The first bytes of the file, fewer when it is shorter.
    const auto readHead = [this](qint64 size) {
        QByteArray bytes(size, Qt::Uninitialized);
        bytes.truncate(m_file.readAt(0, bytes.data(), size));
        return bytes;
    };
    QByteArray head = readHead(db::kHeaderSize + 2);
    if (head.size() < db::kHeaderSize + 2)
        fail(QStringLiteral("the file is too short to be a Paradox table"));
    const int headerSize = getU16LE(reinterpret_cast<const unsigned char *>(head.constData()) + db::kHeaderSize);
    head = readHead(qMax(headerSize, static_cast<int>(db::kFieldInfo4x)));
    m_header = TableHeader::decode(head, m_name);
    m_warnings = m_header.warnings;
    m_chosenCodePage = readCodePage != 0 && TextCodec::converts(readCodePage);
    m_codec = &TextCodec::forCodePage(m_chosenCodePage ? readCodePage : m_header.codePage);
    for (FieldDef &f : m_header.fields) {
        f.name = m_codec->decode(f.rawName.constData(), static_cast<int>(f.rawName.size()));
        m_columns.push_back(columnInfo(f));
        if (isBlobType(f.type))
            m_hasBlobFields = true;
    }
    if (m_hasBlobFields) {
        m_mbPath = companion(dbPath, QStringLiteral("mb"));
        if (!m_mbPath.isEmpty())
            m_blobs = std::make_unique<BlobFile>(m_mbPath, m_header.encryption);
    }
    walkChain();
}

void TableReader::fail(const QString &problem) const
{
    throw RuntimeError::inFile(m_name, problem + u'.');
}

const unsigned char *TableReader::readBlock(int number)
{
    const qint64 offset = m_header.headerSize + qint64(number - 1) * m_header.blockSize;
    // A short last block reads as if padded with zeros.
    const char *data = nullptr;
    if (m_window->view(offset, m_header.blockSize, &data) < 0)
        fail(QStringLiteral("cannot read block %1: %2").arg(number).arg(m_window->errorString()));
    if (!m_header.encryption)
        return reinterpret_cast<const unsigned char *>(data);
    m_decrypted.resize(m_header.blockSize);
    auto *block = reinterpret_cast<unsigned char *>(m_decrypted.data());
    std::memcpy(block, data, static_cast<size_t>(m_header.blockSize));
    decryptDbBlock(block, static_cast<size_t>(m_header.blockSize), m_header.encryption, static_cast<quint32>(number));
    return block;
}

const unsigned char *TableReader::readBlockHeader(int number)
{
    if (m_header.encryption)
        return readBlock(number);
    const qint64 offset = m_header.headerSize + qint64(number - 1) * m_header.blockSize;
    std::memset(m_blockHeader, 0, sizeof m_blockHeader);
    QString error;
    if (ReadWindow::readAt(m_file, offset, reinterpret_cast<char *>(m_blockHeader), sizeof m_blockHeader, &error) < 0)
        fail(QStringLiteral("cannot read block %1: %2").arg(number).arg(error));
    return m_blockHeader;
}

qint64 TableReader::blockOffset(int number) const
{
    return m_header.headerSize + qint64(number - 1) * m_header.blockSize;
}

void TableReader::setAside(const QString &where, qint64 offset, const QString &reason, qint64 rows)
{
    m_damaged.add({m_name, where, offset, reason, rows});
}

void TableReader::walkChain()
{
    const int blockSize = m_header.blockSize;
    const qint64 dataBytes = m_fileSize - m_header.headerSize;
    const int blocksInFile = dataBytes <= 0 ? 0 : static_cast<int>((dataBytes + blockSize - 1) / blockSize);
    // A scrambled block's header reads right only when its first unit is whole.
    const qint64 headerBytes = m_header.encryption ? qMin<qint64>(kCryptUnit, blockSize) : db::kBlockHeaderSize;
    std::vector<bool> seen(static_cast<size_t>(blocksInFile) + 1, false);
    int number = m_header.firstBlock;
    int previous = 0;
    // Where the chain breaks off, when it does; the blocks after it are not known.
    QString breakWhere, breakReason;
    qint64 breakOffset = -1;
    // The header bounds the chain: it ends at the header's last block and
    // holds no more blocks than the header counts. A table written over a
    // larger one in place keeps the old chain behind its last block; those
    // blocks are not the table's. A bound of 0 says nothing.
    QString beyond; // where the chain went on past its bound, when it did
    while (number != 0) {
        if (m_header.fileBlocks > 0 && m_chain.size() >= static_cast<size_t>(m_header.fileBlocks)) {
            beyond = QStringLiteral("the header's count of %1 block(s)").arg(m_header.fileBlocks);
            break;
        }
        if (number > blocksInFile && previous == 0 && m_header.numRecords == 0) {
            // An empty table whose header still names a first block.
            m_warnings << QStringLiteral("the header names block %1 as the first, but the file holds %2 blocks and "
                                         "the header no records")
                              .arg(number)
                              .arg(blocksInFile);
            break;
        }
        if (number > blocksInFile || seen[static_cast<size_t>(number)]) {
            if (number > blocksInFile)
                breakReason =
                    QStringLiteral("%1 block %2, past the end of the file (%3 blocks)")
                        .arg(previous == 0 ? QStringLiteral("the first block is") : QStringLiteral("points to"))
                        .arg(number)
                        .arg(blocksInFile);
            else
                breakReason = QStringLiteral("points back to block %1: the block chain loops").arg(number);
            breakWhere = previous == 0 ? QStringLiteral("header") : QStringLiteral("block %1").arg(previous);
            breakOffset = previous == 0 ? db::kFirstBlock : blockOffset(previous);
            break;
        }
        seen[static_cast<size_t>(number)] = true;
        // A large table has tens of thousands of blocks to visit before its first row.
        if (m_chain.size() % kBlocksPerIdle == 0)
            tw::ado::idle();
        const qint64 present = qMin<qint64>(m_fileSize - blockOffset(number), blockSize);
        if (present < headerBytes) {
            breakWhere = QStringLiteral("block %1").arg(number);
            breakOffset = blockOffset(number);
            breakReason = QStringLiteral("cut by the end of the file inside its block header");
            break;
        }
        const unsigned char *p = readBlockHeader(number);
        m_chain.push_back({number, 0, static_cast<qint16>(getU16LE(p + 4)), present});
        previous = number;
        number = getU16LE(p);
        if (previous == m_header.lastBlock && number != 0) {
            beyond = QStringLiteral("block %1, the header's last block").arg(previous);
            break;
        }
    }
    if (!beyond.isEmpty())
        m_warnings << QStringLiteral("the block chain goes on after %1, through %2 more block(s) of the file: they "
                                     "are not the table's and are not read")
                          .arg(beyond)
                          .arg(countBlocksFrom(number, seen, blocksInFile, headerBytes));
    chooseRecordSize();
    countRecords();
    if (!breakReason.isEmpty()) {
        // The header's record count, though not trusted, is all the file
        // tells of the rows that were there.
        const qint64 found = m_rowCount + m_damaged.rowCount();
        setAside(breakWhere, breakOffset, breakReason, qMax<qint64>(0, qint64(m_header.numRecords) - found));
    }
    // The rows of the chain, whole or set aside.
    const qint64 held = m_rowCount + m_damaged.rowCount();
    if (held != qint64(m_header.numRecords))
        m_warnings << QStringLiteral("the header counts %1 records, the block chain holds %2")
                          .arg(m_header.numRecords)
                          .arg(held);
}

int TableReader::countBlocksFrom(int number, std::vector<bool> &seen, int blocksInFile, qint64 headerBytes)
{
    int count = 0;
    // Each block once, and only those whose header the file holds.
    while (number > 0 && number <= blocksInFile && !seen[static_cast<size_t>(number)] &&
           m_fileSize - blockOffset(number) >= headerBytes) {
        seen[static_cast<size_t>(number)] = true;
        if (count % kBlocksPerIdle == 0)
            tw::ado::idle();
        ++count;
        number = getU16LE(readBlockHeader(number));
    }
    return count;
}

void TableReader::chooseRecordSize()
{
    const int stated = m_header.recordSize;
    const int fields = m_header.fieldsSize;
    m_recordSize = stated;
    if (stated == fields)
        return;
    if (stated < fields) {
        m_recordSize = fields;
    } else {
        // A block's record count is stored as a multiple of the size its
        // records were written with.
        bool anyCount = false, fitsStated = true, fitsFields = true;
        for (const ChainBlock &b : m_chain) {
            if (b.addDataSize > 0) {
                anyCount = true;
                fitsStated = fitsStated && b.addDataSize % stated == 0;
                fitsFields = fitsFields && b.addDataSize % fields == 0;
            }
        }
        if (anyCount && fitsFields && !fitsStated)
            m_recordSize = fields;
    }
    m_warnings << QStringLiteral("the fields take %1 bytes but the record size is %2: records are read as %3 bytes")
                      .arg(fields)
                      .arg(stated)
                      .arg(m_recordSize);
}

void TableReader::countRecords()
{
    const int capacity = (m_header.blockSize - db::kBlockHeaderSize) / m_recordSize;
    for (ChainBlock &b : m_chain) {
        // A negative size marks an empty block.
        if (b.addDataSize < 0)
            continue;
        const QString where = QStringLiteral("block %1").arg(b.number);
        const qint64 offset = blockOffset(b.number);
        const int claimed = b.addDataSize / m_recordSize + 1;
        if (claimed > capacity) {
            // No telling which of its records are real: none is taken.
            setAside(where, offset + db::kBlockHeaderSize,
                     QStringLiteral("its record count (%1) runs past the end of the block (room for %2)")
                         .arg(claimed)
                         .arg(capacity),
                     0);
            continue;
        }
        // Scrambled units the file does not hold whole read as noise.
        qint64 usable = b.present;
        if (m_header.encryption && usable < m_header.blockSize)
            usable = usable / kCryptUnit * kCryptUnit;
        const int whole = static_cast<int>(qMax<qint64>(0, (usable - db::kBlockHeaderSize) / m_recordSize));
        if (claimed > whole)
            setAside(where, offset + db::kBlockHeaderSize + qint64(whole) * m_recordSize,
                     QStringLiteral("cut by the end of the file"), claimed - whole);
        b.records = qMin(claimed, whole);
        m_rowCount += b.records;
    }
}

bool TableReader::next(std::vector<Variant> &row)
{
    while (m_chainIndex < m_chain.size() && m_recordInBlock >= m_chain[m_chainIndex].records) {
        ++m_chainIndex;
        m_recordInBlock = 0;
        m_block = nullptr;
    }
    if (m_chainIndex >= m_chain.size())
        return false;
    // Nothing else reads through m_window until the walk leaves the block.
    if (!m_block)
        m_block = readBlock(m_chain[m_chainIndex].number);
    const unsigned char *record = m_block + db::kBlockHeaderSize + qint64(m_recordInBlock) * m_recordSize;
    ++m_recordInBlock;
    ++m_recordNumber;
    decodeRecord(record, row);
    return true;
}

bool TableReader::seek(qint64 row)
{
    if (row < 0 || row >= m_rowCount)
        return false;
    if (m_chainStarts.empty()) {
        m_chainStarts.reserve(m_chain.size());
        qint64 first = 0;
        for (const ChainBlock &b : m_chain) {
            m_chainStarts.push_back(first);
            first += b.records;
        }
    }
    // The last block starting at or before the row holds it (an empty block
    // starts where the next one does).
    const auto after = std::upper_bound(m_chainStarts.begin(), m_chainStarts.end(), row);
    m_chainIndex = static_cast<size_t>(after - m_chainStarts.begin()) - 1;
    m_recordInBlock = static_cast<int>(row - m_chainStarts[m_chainIndex]);
    m_block = nullptr;
    m_recordNumber = row;
    return true;
}

void TableReader::loseValue(const FieldDef &field, Variant &out, const QString &value, const QString &reason,
                            const QString &file)
{
    out = Variant::null();
    m_lost.add({m_name, m_recordNumber, field.name, value, reason, {}, file});
}

void TableReader::decodeRecord(const unsigned char *record, std::vector<Variant> &row)
{
    row.resize(m_header.fields.size());
    int offset = 0;
    QString damage;
    for (size_t i = 0; i < m_header.fields.size(); ++i) {
        const FieldDef &f = m_header.fields[i];
        try {
            const unsigned char *data = record + offset;
            if (isBlobType(f.type)) {
                if (!decodeBlob(f, data, row[i], &damage)) {
                    const BlobRef ref = decodeBlobRef(f, data);
                    loseValue(f, row[i],
                              QStringLiteral("a blob of %1 bytes at 0x%2").arg(ref.length).arg(ref.pointer, 0, 16),
                              damage, QFileInfo(m_mbPath).fileName());
                }
            } else if (f.type == FieldType::Alpha && data[0] != 0) {
                readText(f, QByteArrayView(reinterpret_cast<const char *>(data), alphaLength(data, f.size)), row[i]);
            } else {
                row[i] = decodeScalar(f, data, *m_codec);
            }
        } catch (const RuntimeError &e) {
            // Errors of the table itself carry their context already; those
            // of the .mb (it cannot be read) name it and get the record and
            // field added; value errors get the table, record and field.
            if (e.file() == m_name)
                throw;
            if (m_blobs && e.file() == QFileInfo(m_mbPath).fileName()) {
                const QString said = QStringLiteral("%1 (record %2, field '%3' of %4).")
                                         .arg(e.problem())
                                         .arg(m_recordNumber)
                                         .arg(f.name, m_name);
                throw RuntimeError(RuntimeError::Kind::File, RuntimeError::kGeneric,
                                   e.file() + QStringLiteral(": ") + said, {e.file(), m_name, m_recordNumber, f.name},
                                   said.chopped(1));
            }
            // A value no date, time or number can stand for: Null, and the reading goes on.
            loseValue(f, row[i], e.description(), QStringLiteral("cannot be read"));
        }
        offset += f.size;
    }
}

void TableReader::readText(const FieldDef &field, QByteArrayView stored, Variant &out)
{
    // Bytes the page gives back as they are stay bytes until their text is
    // asked for: a copy into a table of the same page writes them unconverted.
    if (m_keepStored && m_codec->keepsAsStored(stored)) {
        out.setStoredText(stored, m_codec->codePage());
        return;
    }
    m_codec->decode(stored.data(), stored.size(), out.textToFill(stored.size()));
    checkText(field, stored, out);
}

void TableReader::checkText(const FieldDef &field, QByteArrayView stored, const Variant &out)
{
    if (ado::beyondAscii(stored) && !m_codec->givesBack(out.asText(), stored))
        m_changed.add(ado::changedText(m_name, m_recordNumber, field.name, stored, out.asText(), m_codec->codePage()));
}

bool TableReader::decodeBlob(const FieldDef &field, const unsigned char *data, Variant &out, QString *damage)
{
    if (allZero(data, field.size)) {
        out = Variant::null();
        return true;
    }
    const BlobRef ref = decodeBlobRef(field, data);
    const bool memo = field.type == FieldType::Memo;
    const qint64 prefix = field.type == FieldType::Graphic ? mb::kGraphicPrefix : 0;
    const qint64 length = qint64(ref.length) - prefix;
    const int leader = field.size - db::kBlobTrailer;
    if (length <= 0) {
        out = memo ? Variant::text(QString()) : Variant::bytes(QByteArray(""));
        return true;
    }
    QByteArrayView bytes;
    if (length <= leader) {
        bytes = QByteArrayView(reinterpret_cast<const char *>(data), length);
    } else {
        if (!m_blobs) {
            const QString mbName = QFileInfo(m_path).completeBaseName() + QStringLiteral(".mb");
            fail(QStringLiteral("record %1, field '%2': the value is in %3, which is missing")
                     .arg(m_recordNumber)
                     .arg(field.name, mbName));
        }
        if (!m_blobs->read(ref, field.type, &bytes, damage))
            return false;
    }
    if (memo)
        readText(field, bytes, out);
    else
        out = Variant::bytes(bytes.toByteArray());
    return true;
}

} // namespace tw::paradox
