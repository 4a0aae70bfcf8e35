#include "TableReader.h"

#include "Crypt.h"
#include "FieldCodec.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/Idle.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <QFileInfo>

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
    const QFileInfo info(dbPath);
    return tw::files::findInFolder(info.path(), info.completeBaseName() + QLatin1Char('.') + extension,
                                   tw::files::EntryKind::File);
}

constexpr int kBcdPrecision = 32;

} // namespace

ColumnInfo TableReader::columnInfo(const FieldDef &field)
{
    using namespace tw::ado;
    ColumnInfo c;
    c.name = field.name;
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

TableReader::TableReader(const QString &dbPath) : m_path(dbPath), m_name(QFileInfo(dbPath).fileName())
{
    try {
        m_file = tw::files::File(dbPath, tw::files::File::Mode::Read);
    } catch (const tw::files::FileError &e) {
        throw RuntimeError(QStringLiteral("%1: cannot open the table: %2.").arg(m_name, e.reason()));
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
    m_codec = &TextCodec::forCodePage(m_header.codePage);
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
    throw RuntimeError(QStringLiteral("%1: %2.").arg(m_name, problem));
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

void TableReader::walkChain()
{
    const qint64 dataBytes = m_fileSize - m_header.headerSize;
    const int blocksInFile =
        dataBytes <= 0 ? 0 : static_cast<int>((dataBytes + m_header.blockSize - 1) / m_header.blockSize);
    const int capacity = (m_header.blockSize - db::kBlockHeaderSize) / m_header.recordSize;
    std::vector<bool> seen(static_cast<size_t>(blocksInFile) + 1, false);
    int number = m_header.firstBlock;
    int previous = 0;
    while (number != 0) {
        if (number > blocksInFile) {
            if (previous == 0)
                fail(QStringLiteral("the first block %1 is past the end of the file (%2 blocks)")
                         .arg(number)
                         .arg(blocksInFile));
            fail(QStringLiteral("block %1 points to block %2, past the end of the file (%3 blocks)")
                     .arg(previous)
                     .arg(number)
                     .arg(blocksInFile));
        }
        if (seen[static_cast<size_t>(number)])
            fail(QStringLiteral("the block chain loops: block %1 points back to block %2").arg(previous).arg(number));
        seen[static_cast<size_t>(number)] = true;
        // A large table has tens of thousands of blocks to visit before its first row.
        if (m_chain.size() % kBlocksPerIdle == 0)
            tw::ado::idle();
        const unsigned char *p = readBlockHeader(number);
        const int next = getU16LE(p);
        const int addDataSize = static_cast<qint16>(getU16LE(p + 4));
        int records = 0;
        // A negative size marks an empty block; one too large for the block
        // marks a block whose records were deleted.
        if (addDataSize >= 0 && addDataSize / m_header.recordSize + 1 <= capacity)
            records = addDataSize / m_header.recordSize + 1;
        m_chain.push_back({number, records});
        m_rowCount += records;
        previous = number;
        number = next;
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
    const unsigned char *record = m_block + db::kBlockHeaderSize + qint64(m_recordInBlock) * m_header.recordSize;
    ++m_recordInBlock;
    ++m_recordNumber;
    decodeRecord(record, row);
    return true;
}

void TableReader::decodeRecord(const unsigned char *record, std::vector<Variant> &row)
{
    row.resize(m_header.fields.size());
    int offset = 0;
    for (size_t i = 0; i < m_header.fields.size(); ++i) {
        const FieldDef &f = m_header.fields[i];
        try {
            const unsigned char *data = record + offset;
            if (isBlobType(f.type))
                decodeBlob(f, data, row[i]);
            else if (f.type == FieldType::Alpha && data[0] != 0)
                m_codec->decode(reinterpret_cast<const char *>(data), alphaLength(data, f.size),
                                row[i].textToFill(f.size));
            else
                row[i] = decodeScalar(f, data, *m_codec);
        } catch (const RuntimeError &e) {
            // Errors of the table itself carry their context already; those
            // of the .mb name it and get the record and field added; value
            // errors get the table, record and field.
            const QString &text = e.description();
            if (text.startsWith(m_name + QLatin1Char(':')))
                throw;
            if (m_blobs && text.startsWith(QFileInfo(m_mbPath).fileName() + QLatin1Char(':'))) {
                QString base = text;
                if (base.endsWith(QLatin1Char('.')))
                    base.chop(1);
                throw RuntimeError(QStringLiteral("%1 (record %2, field '%3' of %4).")
                                       .arg(base)
                                       .arg(m_recordNumber)
                                       .arg(f.name, m_name));
            }
            if (isBlobType(f.type))
                fail(QStringLiteral("record %1, field '%2': %3").arg(m_recordNumber).arg(f.name, text));
            // A value no date or time can stand for: Null, and the reading goes on.
            row[i] = Variant::null();
            m_lost.add({m_name, m_recordNumber, f.name, text, QStringLiteral("cannot be read")});
        }
        offset += f.size;
    }
}

void TableReader::decodeBlob(const FieldDef &field, const unsigned char *data, Variant &out)
{
    if (allZero(data, field.size)) {
        out = Variant::null();
        return;
    }
    const BlobRef ref = decodeBlobRef(field, data);
    const bool memo = field.type == FieldType::Memo;
    const qint64 prefix = field.type == FieldType::Graphic ? mb::kGraphicPrefix : 0;
    const qint64 length = qint64(ref.length) - prefix;
    const int leader = field.size - db::kBlobTrailer;
    if (length <= 0) {
        out = memo ? Variant::text(QString()) : Variant::bytes(QByteArray(""));
        return;
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
        bytes = m_blobs->read(ref, field.type);
    }
    if (memo)
        m_codec->decode(bytes.data(), bytes.size(), out.textToFill(bytes.size()));
    else
        out = Variant::bytes(bytes.toByteArray());
}

} // namespace tw::paradox
