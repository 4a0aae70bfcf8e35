#include "TableWriter.h"

#include "Companions.h"
#include "FieldCodec.h"

#include "platform/ado/FormatLimit.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FaultPlan.h"
#include "platform/files/FileSystem.h"
#include "platform/files/StagedTable.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstring>

namespace tw::paradox {

using tw::ado::RuntimeError;
using tw::ado::Variant;

namespace {

constexpr std::uint16_t kFileVersionWord = 0x010B;
constexpr std::uint8_t kChangeCount1 = 2;
constexpr std::uint8_t kChangeCount2 = 1;
constexpr std::uint8_t kChangeCount4 = 1;
constexpr std::uint8_t kUnknown3E[] = {0x1F, 0x0F};
constexpr std::uint8_t kUnknown56 = 0x20;
constexpr std::uint8_t kUnknown6C[] = {0x01, 0x01};
// The real path of the entry `name` in the real folder, matched without
// regard to case by the lookup's rule; empty when there is none.
QString findWithoutCase(const QString &folder, const QString &name)
{
    return tw::files::findInFolder(folder, name);
}

const QStringList kTempSuffixes = {QStringLiteral("db"), QStringLiteral("mb")};
bool allowedInName(QStringView name, qsizetype index)
{
    const QChar c = name[index];
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
        return false; // a NUL would end the name
    if (QStringView(u"[]{}()").contains(c))
        return false;
    if (c == u' ' && index == 0)
        return false;
    if (c == u'#' && name.size() == 1)
        return false;
    return !(c == u'>' && index > 0 && name[index - 1] == u'-');
}

} // namespace

encoding::NameRule fieldNameRule()
{
    encoding::NameRule rule;
    rule.maxBytes = db::kMaxFieldName;
    rule.allowed = allowedInName;
    rule.replacement = u'_';
    return rule;
}

QStringList fitFieldNames(const QStringList &names, const TextCodec &codec)
{
    return encoding::fitNames(names, fieldNameRule(), codec);
}

int TableWriter::tableCodePage(int codePage)
{
    return sortOrderFor(codePage) ? codePage : TextCodec::kWindows1252;
}

TableWriter::TableWriter(const QString &table, int codePage)
{
    const std::optional<SortOrder> order = sortOrderFor(codePage);
    if (order)
        m_sortOrder = *order;
    m_codec = &TextCodec::forCodePage(order ? codePage : TextCodec::kWindows1252);
    QString name = table.trimmed();
    QString extension = QStringLiteral("db");
    if (name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive)) {
        extension = name.right(2);
        name.chop(3);
    }
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        throw RuntimeError(QStringLiteral("'%1' is not a valid Paradox table name.").arg(table));
    m_tableName = name + QLatin1Char('.') + extension;
}

void TableWriter::requireRoom(const QString &table, const std::vector<NewField> &columns, qint64 expectedRows,
                              int codePage)
{
    TableWriter layout(table, codePage);
    layout.defineFields(columns, expectedRows);
}

TableWriter::TableWriter(const QString &folder, const QString &table, const std::vector<NewField> &columns,
                         qint64 expectedRows, int codePage, std::shared_ptr<tw::ado::TableReplacement> replacement)
    : TableWriter(table, codePage)
{
    m_replacement = std::move(replacement);
    m_folder = tw::files::toNativePath(folder);
    if (!tw::files::isDirectory(m_folder))
        throw RuntimeError(RuntimeError::kPathNotFound,
                           QStringLiteral("Paradox table '%1': the folder '%2' does not exist.").arg(table, folder));
    const QString name = m_tableName.chopped(3);
    const QString extension = m_tableName.right(2);
    m_dbPath = QDir(m_folder).filePath(m_tableName);
    const QString existing = findWithoutCase(m_folder, m_tableName);
    if (!existing.isEmpty() && !mayReplace(existing))
        throw RuntimeError(tw::files::kErrFileExists,
                           QStringLiteral("Table '%1' already exists in %2.").arg(m_tableName, folder));
    if (!existing.isEmpty())
        m_replacement->claim(); // the drop was for this table: it no longer goes on its own

    defineFields(columns, expectedRows);
    const QString mbExtension = extension == QLatin1String("DB") ? QStringLiteral("MB") : QStringLiteral("mb");
    if (m_hasBlobs)
        m_mbPath = QDir(m_folder).filePath(name + QLatin1Char('.') + mbExtension);

    m_staged.emplace(m_folder, kTempSuffixes);
    m_tempDb = m_staged->temp(kTempSuffixes[0]);
    try {
        m_file = tw::files::File(m_tempDb, tw::files::File::Mode::CreateNew, m_tableName);
    } catch (const tw::files::FileError &e) {
        throw RuntimeError::inFile(RuntimeError::kPermissionDenied, m_tableName,
                                   QStringLiteral("cannot create the table: %1.").arg(e.reason()));
    }
    m_open = true;
    try {
        if (!m_staged->hold())
            fail(QStringLiteral("cannot lock the temporary file %1").arg(m_tempDb));
        if (m_hasBlobs) {
            m_tempMb = m_staged->temp(kTempSuffixes[1]);
            m_blobs = std::make_unique<BlobWriter>(m_tempMb, QFileInfo(m_mbPath).fileName(), name);
        }
        // The header is written last; reserve its room. At once: a temporary
        // with data is one the next writer may clean up if this one dies.
        try {
            m_file.writeAt(0, QByteArray(m_headerSize, '\0'));
        } catch (const tw::files::FileError &e) {
            fail(e.reason());
        }
        m_out = std::make_unique<WriteBuffer>(m_file, m_tableName, m_headerSize);
    } catch (...) {
        abandon();
        throw;
    }
    m_block = QByteArray(m_blockSize, '\0');
}

TableWriter::~TableWriter()
{
    if (m_open)
        abandon();
}

void TableWriter::fail(const QString &problem) const
{
    throw RuntimeError::inFile(m_tableName, problem + u'.');
}

void TableWriter::defineFields(const std::vector<NewField> &columns, qint64 expectedRows)
{
    if (columns.empty() || columns.size() > size_t(db::kMaxFields))
        fail(QStringLiteral("a table has 1 to 255 fields, not %1").arg(columns.size()));
    QStringList seen;
    for (const NewField &c : columns) {
        FieldDef f;
        f.name = c.name;
        f.type = c.type;
        const QString shown = QStringLiteral("field '%1'").arg(c.name);
        f.rawName = m_codec->encode(c.name, nullptr);
        if (c.name.trimmed().isEmpty() || f.rawName.size() > db::kMaxFieldName)
            fail(QStringLiteral("%1: a field name has 1 to 25 bytes").arg(shown));
        if (seen.contains(c.name.toLower()))
            fail(QStringLiteral("%1 appears twice").arg(shown));
        seen << c.name.toLower();
        if (f.rawName.contains('\0'))
            fail(QStringLiteral("%1: the name holds a NUL character").arg(shown));
        switch (c.type) {
        case FieldType::Alpha:
        case FieldType::Bytes:
            if (c.size < 1 || c.size > db::kMaxAlpha)
                fail(QStringLiteral("%1: size %2 is not 1 to 255").arg(shown).arg(c.size));
            f.size = c.size;
            break;
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FormattedMemo:
        case FieldType::Ole:
        case FieldType::Graphic: {
            const int leader = c.size == 0 ? kDefaultLeader : c.size;
            if (leader < 0 || leader > db::kMaxLeader)
                fail(QStringLiteral("%1: leader %2 is not 1 to 240").arg(shown).arg(leader));
            f.size = leader + db::kBlobTrailer;
            m_hasBlobs = true;
            break;
        }
        case FieldType::Bcd:
            if (c.decimals < 0 || c.decimals > db::kBcdDigits)
                fail(QStringLiteral("%1: %2 decimals is not 0 to 32").arg(shown).arg(c.decimals));
            f.size = db::kBcdSize;
            f.decimals = c.decimals;
            break;
        default:
            f.size = fixedSize(c.type);
            if (f.size == 0)
                fail(QStringLiteral("%1 has an unknown type").arg(shown));
        }
        if (c.type == FieldType::AutoIncrement)
            m_hasAutoIncrement = true;
        m_recordSize += f.size;
        m_fields.push_back(f);
    }
    const int maxBlock = db::kMaxBlockUnits * db::kBlockUnit;
    if (m_recordSize > maxBlock - db::kBlockHeaderSize)
        fail(QStringLiteral("records of %1 bytes do not fit the largest block (32 KiB)").arg(m_recordSize));
    m_headerSize = static_cast<int>((encodeHeader().size() + db::kHeaderUnit - 1) / db::kHeaderUnit * db::kHeaderUnit);
    m_blockSize = kPreferredBlockSize;
    // Block sizes Paradox offers: 1, 2, 4, 8, 16 and 32 KiB.
    while (m_recordSize > m_blockSize - db::kBlockHeaderSize)
        m_blockSize *= 2;
    layOutBlocks();
    // Larger blocks when the rows need them; when no size holds them all, the
    // failure names the size that holds the most.
    int roomiest = m_blockSize;
    qint64 roomiestRows = capacity();
    while (expectedRows > capacity() && m_blockSize < maxBlock) {
        m_blockSize *= 2;
        layOutBlocks();
        if (capacity() > roomiestRows) {
            roomiest = m_blockSize;
            roomiestRows = capacity();
        }
    }
    if (expectedRows > capacity()) {
        m_blockSize = roomiest;
        layOutBlocks();
        failBlocks((expectedRows + m_recordsPerBlock - 1) / m_recordsPerBlock, expectedRows);
    }
}

void TableWriter::layOutBlocks()
{
    m_recordsPerBlock = (m_blockSize - db::kBlockHeaderSize) / m_recordSize;
    // The format's 65,535 blocks, or fewer when a test lowers the size a file may have.
    const qint64 full = m_headerSize + qint64(db::kMaxBlocksPerTable) * m_blockSize;
    const qint64 limit = tw::files::formatFileLimit(full);
    m_blockLimit =
        static_cast<int>(qBound(qint64(0), (limit - m_headerSize) / m_blockSize, qint64(db::kMaxBlocksPerTable)));
}

void TableWriter::failBlocks(qint64 blocks, qint64 rows) const
{
    throw tw::ado::pastLimit({m_tableName, QFileInfo(m_tableName).completeBaseName(), m_blockLimit,
                              QStringLiteral("blocks of %1 bytes").arg(tw::ado::groupedNumber(m_blockSize)),
                              QStringLiteral("a Paradox table"), blocks - m_blockLimit, QStringLiteral("blocks"),
                              QStringLiteral("for %1 rows of %2 bytes")
                                  .arg(tw::ado::groupedNumber(rows), tw::ado::groupedNumber(m_recordSize))});
}

QByteArray TableWriter::encodeHeader() const
{
    const int n = static_cast<int>(m_fields.size());
    QByteArray h(db::kFieldInfo4x, '\0');
    auto *p = reinterpret_cast<unsigned char *>(h.data());
    const int blocks = m_blocksWritten;
    putU16LE(p + db::kRecordSize, static_cast<quint16>(m_recordSize));
    putU16LE(p + db::kHeaderSize, static_cast<quint16>(m_headerSize));
    p[db::kFileType] = db::kTypeUnkeyed;
    p[db::kMaxTableSize] = static_cast<unsigned char>(m_blockSize / db::kBlockUnit);
    putU32LE(p + db::kNumRecords, static_cast<quint32>(m_rows));
    putU16LE(p + db::kNextBlock, static_cast<quint16>(blocks));
    putU16LE(p + db::kFileBlocks, static_cast<quint16>(blocks));
    putU16LE(p + db::kFirstBlock, blocks > 0 ? 1 : 0);
    putU16LE(p + db::kLastBlock, static_cast<quint16>(blocks));
    putU16LE(p + db::kNumFields, static_cast<quint16>(n));
    putU32LE(p + db::kEncryption1, db::kEncryptionInDataHeader);
    p[db::kSortOrder] = m_sortOrder.id;
    p[db::kChangeCount1] = kChangeCount1;
    p[db::kChangeCount2] = kChangeCount2;
    p[db::kFileVersion] = db::kVersion50;
    putU16LE(p + db::kMaxBlocks, static_cast<quint16>(blocks));
    p[db::kUnknown3E] = kUnknown3E[0];
    p[db::kUnknown3E + 1] = kUnknown3E[1];
    putU32LE(p + db::kAutoIncrement, static_cast<quint32>(m_maxAutoIncrement));
    p[db::kUnknown56] = kUnknown56;
    putU16LE(p + db::kFileVerId3, kFileVersionWord);
    putU16LE(p + db::kFileVerId4, kFileVersionWord);
    putU32LE(p + db::kFileUpdateTime, static_cast<quint32>(QDateTime::currentSecsSinceEpoch()));
    putU16LE(p + db::kHiFieldId, static_cast<quint16>(n + 1));
    putU16LE(p + db::kDosCodePage, static_cast<quint16>(m_codec->codePage()));
    p[db::kUnknown6C] = kUnknown6C[0];
    p[db::kUnknown6C + 1] = kUnknown6C[1];
    p[db::kChangeCount4] = kChangeCount4;

    // Field info, then the pointers (left 0: they are memory addresses).
    for (const FieldDef &f : m_fields) {
        h.append(char(f.type));
        h.append(char(f.type == FieldType::Bcd ? f.decimals : f.size));
    }
    h.append(QByteArray(db::kPointerSize * (1 + n), '\0'));
    QByteArray tableName = m_codec->encode(m_tableName, nullptr).left(db::kTableNameLength - 1);
    h.append(tableName.leftJustified(db::kTableNameLength, '\0'));
    for (const FieldDef &f : m_fields)
        h.append(f.rawName).append('\0');
    const int fieldNumbers = static_cast<int>(h.size());
    for (int i = 1; i <= n; ++i) {
        unsigned char number[2];
        putU16LE(number, static_cast<quint16>(i));
        h.append(reinterpret_cast<const char *>(number), 2);
    }
    const int sortName = static_cast<int>(h.size());
    h.append(m_sortOrder.name).append('\0');
    p = reinterpret_cast<unsigned char *>(h.data());
    putU16LE(p + db::kRealHeaderSize, static_cast<quint16>(h.size()));
    putU16LE(p + db::kHiFieldIdInfo, static_cast<quint16>(fieldNumbers - db::kDataHeaderBase));
    putU16LE(p + db::kSortOrderNamePtr, static_cast<quint16>(sortName - db::kDataHeaderBase));
    if (m_headerSize > h.size())
        h.append(QByteArray(m_headerSize - h.size(), '\0'));
    return h;
}

void TableWriter::requireOpen() const
{
    if (!m_open)
        fail(QStringLiteral("the table is no longer being written"));
}

void TableWriter::encodeRecord(const std::vector<Variant> &row, unsigned char *record)
{
    if (row.size() > m_fields.size())
        fail(QStringLiteral("a row of %1 values for %2 fields").arg(row.size()).arg(m_fields.size()));
    const Variant null = Variant::null();
    int offset = 0;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const FieldDef &f = m_fields[i];
        const Variant &value = i < row.size() ? row[i] : null;
        unsigned char *out = record + offset;
        offset += f.size;
        if (!isBlobType(f.type)) {
            try {
                encodeScalar(f, value, out, *m_codec, &m_unmapped);
            } catch (const RuntimeError &e) {
                // A value the field cannot hold (out of its range, wider than
                // it) goes as Null; the row and the table go on.
                std::memset(out, 0, static_cast<size_t>(f.size));
                m_lost.add({m_tableName, m_rows + 1, f.name, tw::ado::LostValues::describe(value), e.description()});
                continue;
            }
            if (f.type == FieldType::AutoIncrement && !value.isNull() && !value.isEmpty())
                m_maxAutoIncrement = qMax(m_maxAutoIncrement, decodeScalar(f, out, *m_codec).asInteger());
            continue;
        }
        std::memset(out, 0, static_cast<size_t>(f.size));
        const QByteArrayView bytes = blobBytes(f, value, *m_codec, &m_unmapped, m_blobScratch);
        if (bytes.isEmpty())
            continue; // NULL; an empty value is NULL too
        const int leader = f.size - db::kBlobTrailer;
        const bool graphic = f.type == FieldType::Graphic;
        std::memcpy(out, bytes.constData(), static_cast<size_t>(qMin<qint64>(leader, bytes.size())));
        BlobRef ref;
        if (bytes.size() <= leader) {
            ref.length = static_cast<quint32>(bytes.size() + (graphic ? mb::kGraphicPrefix : 0));
        } else if (graphic) {
            QByteArray stored(mb::kGraphicPrefix, '\0');
            auto *g = reinterpret_cast<unsigned char *>(stored.data());
            std::memcpy(g, mb::kGraphicMark, sizeof mb::kGraphicMark);
            putU32LE(g + sizeof mb::kGraphicMark, static_cast<quint32>(bytes.size()));
            stored.append(bytes);
            ref = m_blobs->write(stored, true);
        } else {
            ref = m_blobs->write(bytes);
        }
        unsigned char *trailer = out + leader;
        putU32LE(trailer, ref.pointer);
        putU32LE(trailer + 4, ref.length);
        putU16LE(trailer + 8, ref.modNumber);
    }
}

void TableWriter::flushBlock(bool last)
{
    if (m_inBlock == 0)
        return;
    if (m_blocksWritten >= m_blockLimit)
        failBlocks(m_blocksWritten + 1, m_rows);
    const int number = m_blocksWritten + 1;
    auto *p = reinterpret_cast<unsigned char *>(m_block.data());
    putU16LE(p, last ? 0 : static_cast<quint16>(number + 1));
    putU16LE(p + 2, static_cast<quint16>(number - 1));
    putU16LE(p + 4, static_cast<quint16>((m_inBlock - 1) * m_recordSize));
    Q_ASSERT(m_out->position() == m_headerSize + qint64(number - 1) * m_blockSize);
    // Slots the block does not use stay zero.
    const qint64 used = db::kBlockHeaderSize + qint64(m_inBlock) * m_recordSize;
    std::memset(p + used, 0, static_cast<size_t>(m_blockSize - used));
    m_out->append(m_block.constData(), m_block.size());
    ++m_blocksWritten;
    m_inBlock = 0;
}

void TableWriter::appendRow(const std::vector<Variant> &row)
{
    requireOpen();
    try {
        if (m_inBlock == m_recordsPerBlock)
            flushBlock(false);
        // The block this row opens is one more than the table may have.
        if (m_inBlock == 0 && m_blocksWritten >= m_blockLimit)
            failBlocks(m_blocksWritten + 1, m_rows + 1);
        auto *record =
            reinterpret_cast<unsigned char *>(m_block.data()) + db::kBlockHeaderSize + m_inBlock * m_recordSize;
        encodeRecord(row, record);
        ++m_inBlock;
        ++m_rows;
    } catch (const RuntimeError &e) {
        abandon();
        // The table's own failures and its limits name it already; the rest
        // (a value, the blob file) get the table and the row.
        if (e.file() == m_tableName || e.kind() == RuntimeError::Kind::Limit)
            throw;
        throw RuntimeError(e.kind(), e.number(),
                           QStringLiteral("%1, row %2: %3").arg(m_tableName).arg(m_rows + 1).arg(e.description()),
                           {e.file(), m_tableName, m_rows + 1, e.column()}, e.problem());
    } catch (...) {
        abandon();
        throw;
    }
}

void TableWriter::finish()
{
    requireOpen();
    try {
        flushBlock(true);
        m_out->flush();
        m_out.reset();
        const QByteArray header = encodeHeader();
        try {
            m_file.writeAt(0, header);
        } catch (const tw::files::FileError &e) {
            fail(QStringLiteral("write error: %1").arg(e.reason()));
        }
        if (m_blobs)
            m_blobs->finish();
        // An existing table of the name stays unless this writer holds the
        // permission to replace it; then it goes only now, when the new one is whole.
        const QString existing = findWithoutCase(m_folder, m_tableName);
        if (!existing.isEmpty() && !mayReplace(existing))
            throw RuntimeError(tw::files::kErrFileExists,
                               QStringLiteral("Table '%1' already exists in %2.").arg(m_tableName, m_folder));
        const bool replacing = !existing.isEmpty();
        // The .db and .mb go over the old table's in one step each (StagedTable);
        // the old table's other companions (indexes, forms, validity checks)
        // describe the old rows and go once the new .db is in place, as do its
        // .mb in other letter cases. A .mb left without its table, which the
        // new one would be confused with, goes first.
        QStringList before;
        QStringList after;
        if (replacing) {
            const QFileInfo old(existing);
            for (const QString &path : companionFiles(existing))
                if (!path.endsWith(QLatin1String(".mb"), Qt::CaseInsensitive))
                    after << path;
            m_dbPath = existing;
            if (m_blobs)
                m_mbPath = QDir(m_folder).filePath(old.completeBaseName() + (old.suffix() == QLatin1String("DB")
                                                                                 ? QStringLiteral(".MB")
                                                                                 : QStringLiteral(".mb")));
        }
        if (m_blobs || replacing) {
            for (const QString &path : companionFiles(m_dbPath)) {
                if (!path.endsWith(QLatin1String(".mb"), Qt::CaseInsensitive))
                    continue;
                if (!replacing)
                    before << path;
                else if (!(m_blobs && path == m_mbPath))
                    after << path;
            }
        }
        std::vector<tw::files::StagedTable::Move> moves;
        if (m_blobs)
            moves.push_back({m_tempMb, m_mbPath, {}});
        moves.push_back({m_tempDb, m_dbPath, {}});
        m_blobs.reset();
        m_file.close();
        try {
            m_staged->putInPlace(moves, replacing, before, after);
        } catch (const RuntimeError &e) {
            fail(e.description());
        }
        if (replacing)
            m_replacement->take();
        m_open = false;
    } catch (...) {
        abandon();
        throw;
    }
}

void TableWriter::abandon()
{
    if (!m_open)
        return;
    m_open = false;
    m_out.reset();
    m_blobs.reset();
    m_file.close();
    if (m_staged)
        m_staged->discard();
}

} // namespace tw::paradox
