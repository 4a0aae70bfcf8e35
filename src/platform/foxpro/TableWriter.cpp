#include "TableWriter.h"

#include "FieldEncoder.h"
#include "TableReader.h"

#include "platform/ado/FormatLimit.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ado/ValueText.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/files/FaultPlan.h"
#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace tw::foxpro {

using namespace encoding; // the byte codecs

using ado::RuntimeError;
using ado::Variant;

namespace {

// What a buffered writer gathers before it writes.
constexpr qsizetype kFlushBytes = 1 << 20;
// An autoincrement field's step is one byte of its descriptor.
constexpr int kMaxStep = 255;

bool writableType(char type)
{
    return QByteArrayView("CVQNFIBYDTLMGW").contains(type);
}

// The tables rows are appended to: FoxPro's own, whose memos go to an .fpt.
// The dBase and FoxBASE types are read only.
bool appendableFileType(uint8_t type)
{
    using namespace dbf;
    return type == kTypeFoxBase || type == kTypeVisualFoxPro || type == kTypeVisualFoxProAutoinc ||
           type == kTypeVisualFoxProVarchar || type == kTypeFoxPro2Memo;
}

// The length a field of this type gets, or 0 when the given one is wrong.
int lengthFor(const NewField &f)
{
    switch (f.type) {
    case 'C':
    case 'V':
    case 'Q':
        return f.length >= 1 && f.length <= 254 ? f.length : 0;
    case 'N':
    case 'F':
        return f.length >= 1 && f.length <= 20 && f.decimals >= 0 && f.decimals < f.length ? f.length : 0;
    case 'I':
    case 'M':
    case 'G':
    case 'W':
        return 4;
    case 'B':
    case 'Y':
    case 'D':
    case 'T':
        return 8;
    case 'L':
        return 1;
    default:
        return 0;
    }
}

uint32_t memoTypeOf(const DbfField &f)
{
    switch (f.type) {
    case 'W':
        return fpt::kTypePicture;
    case 'G':
        return fpt::kTypeObject;
    default:
        return fpt::kTypeText;
    }
}

// Visual FoxPro sets the binary flag on these types by itself.
uint8_t flagsOf(char type)
{
    switch (type) {
    case 'I':
    case 'Y':
    case 'B':
    case 'T':
    case 'W':
    case 'Q':
        return dbf::kFieldBinary;
    default:
        return 0;
    }
}

// One byte per character (BLOB fields); returns how many were written to
// `out`, which has room for text.size() bytes.
qsizetype latin1Into(QStringView text, char *out, qint64 *replaced)
{
    qsizetype n = 0;
    const qsizetype size = text.size();
    const char16_t *in = text.utf16();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i];
        if (c <= 0xFF) {
            out[n++] = char(c);
            continue;
        }
        out[n++] = '?';
        ++*replaced;
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(in[i + 1]))
            ++i;
    }
    return n;
}

bool allowedInName(QStringView name, qsizetype index)
{
    const char32_t c = encoding::characterAt(name, index);
    if (c == U'_')
        return true;
    if (c >= U'0' && c <= U'9')
        return index > 0;
    // A letter the code page does not hold has become '?' by now.
    return QChar::isLetter(c);
}

} // namespace

encoding::NameRule fieldNameRule()
{
    encoding::NameRule rule;
    rule.maxBytes = dbf::kMaxFieldName;
    rule.allowed = allowedInName;
    rule.replacement = u'_';
    rule.firstPrefix = u'_';
    rule.upperCase = true;
    return rule;
}

QStringList storedFieldNames(const QStringList &names, const TextCodec &codec)
{
    return encoding::fitNames(names, fieldNameRule(), codec);
}

namespace {

// An autoincrement field as Visual FoxPro allows it: an I field, not
// nullable, its next value an I value, a step of 1 to 255 (one byte).
void checkAutoIncrement(const QString &table, const QString &field, const NewField &f)
{
    if (f.type != 'I' || f.nullable)
        throw RuntimeError::inFile(table, QStringLiteral("field %1: only an I field that is not nullable numbers the "
                                                         "rows (AUTOINC).")
                                              .arg(field));
    if (f.step < 1 || f.step > kMaxStep)
        throw RuntimeError::inFile(
            table,
            QStringLiteral("field %1: the step %2 is not between 1 and %3.").arg(field).arg(f.step).arg(kMaxStep));
    if (f.nextValue < std::numeric_limits<qint32>::min() || f.nextValue > std::numeric_limits<qint32>::max())
        throw RuntimeError::inFile(
            table, QStringLiteral("field %1: the next value %2 is not an I value.").arg(field).arg(f.nextValue));
}

// The memo file's name in messages: the table's shown name with the memo's
// extension; empty (its own) when the table has none.
QString memoShownName(const QString &shownName, const QString &memoPath)
{
    if (shownName.isEmpty())
        return {};
    return QFileInfo(shownName).completeBaseName() + u'.' + QFileInfo(memoPath).suffix();
}

} // namespace

std::unique_ptr<TableWriter> TableWriter::create(const QString &path, const std::vector<NewField> &fields,
                                                 const CreateOptions &options)
{
    const QString name = options.shownName.isEmpty() ? QFileInfo(path).fileName() : options.shownName;
    if (fields.empty())
        throw RuntimeError::inFile(name, QStringLiteral("a table needs at least one field."));
    if (int(fields.size()) > dbf::kMaxFields - 1)
        throw RuntimeError::inFile(
            name, QStringLiteral("%1 fields; a table holds at most %2.").arg(fields.size()).arg(dbf::kMaxFields - 1));
    const QFileInfo info(path);
    const bool upperExt = info.suffix() == info.suffix().toUpper() && !info.suffix().isEmpty();
    const QString memoExt = upperExt ? options.memoExtension.toUpper() : options.memoExtension.toLower();
    const QString memoPath = info.dir().filePath(info.completeBaseName() + memoExt);
    if (!findCompanion(path, "." + info.suffix()).isEmpty())
        throw RuntimeError(ado::kErrFileExists,
                           QStringLiteral("Cannot create the table %1: the file already exists.").arg(path));

    auto writer = std::unique_ptr<TableWriter>(new TableWriter);
    writer->m_path = path;
    DbfHeader &h = writer->m_header;
    h.fileType = dbf::kTypeVisualFoxPro;
    h.updated = options.updated.isValid() ? options.updated : QDate::currentDate();
    h.codePageMark = options.codePageMark;
    h.backlink = options.backlink;
    QStringList given;
    for (const NewField &f : fields)
        given << f.name;
    const QStringList stored = storedFieldNames(given, codecOfMark(h.codePageMark));
    bool memo = false;
    bool numbers = false;
    int bits = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        const NewField &nf = fields[i];
        if (!writableType(nf.type))
            throw RuntimeError::inFile(
                name, QStringLiteral("fields of type %1 are not written.").arg(QChar::fromLatin1(nf.type)));
        DbfField f;
        f.name = stored[qsizetype(i)];
        f.type = nf.type;
        f.length = lengthFor(nf);
        if (f.length == 0)
            throw RuntimeError::inFile(name,
                                       QStringLiteral("field %1 of type %2 cannot have length %3 and %4 decimals.")
                                           .arg(f.name, QChar::fromLatin1(nf.type))
                                           .arg(nf.length)
                                           .arg(nf.decimals));
        f.decimals = nf.type == 'N' || nf.type == 'F' || nf.type == 'B' ? nf.decimals : (nf.type == 'Y' ? 4 : 0);
        f.flags = nf.flags >= 0 ? uint8_t(nf.flags) : flagsOf(nf.type);
        if (nf.nullable)
            f.flags |= dbf::kFieldNullable;
        if (nf.autoIncrement) {
            checkAutoIncrement(name, f.name, nf);
            f.flags |= dbf::kFieldAutoIncrement;
            f.nextValue = nf.nextValue;
            f.step = nf.step;
            numbers = true;
        }
        f.descriptor = int(i);
        if (nf.type == 'W' || nf.type == 'V' || nf.type == 'Q')
            h.fileType = dbf::kTypeVisualFoxProVarchar;
        if (nf.type == 'V' || nf.type == 'Q')
            f.varLengthBit = bits++;
        if (f.nullable())
            f.nullBit = bits++;
        memo = memo || f.isMemo();
        h.fields.push_back(f);
    }
    if (numbers && h.fileType == dbf::kTypeVisualFoxPro)
        h.fileType = dbf::kTypeVisualFoxProAutoinc; // a V, Q or W field's type wins, as Visual FoxPro writes it
    if (bits > 0) {
        DbfField flags;
        flags.name = QStringLiteral("_NullFlags");
        flags.type = '0';
        flags.length = (bits + 7) / 8;
        flags.flags = dbf::kFieldSystem | dbf::kFieldBinary;
        flags.descriptor = int(h.fields.size());
        h.nullFlagsField = int(h.fields.size());
        h.fields.push_back(flags);
    }
    h.tableFlags = uint8_t((memo ? dbf::kTableHasMemo : 0) | options.extraTableFlags);
    h.layOut();
    if (h.recordLength > dbf::kMaxRecordLength)
        throw RuntimeError::inFile(name, QStringLiteral("records of %1 bytes; a table allows at most %2.")
                                             .arg(h.recordLength)
                                             .arg(dbf::kMaxRecordLength));
    writer->m_codePage = &codecOfMark(h.codePageMark);

    if (memo && !findCompanion(path, options.memoExtension).isEmpty())
        throw RuntimeError(
            ado::kErrFileExists,
            QStringLiteral("Cannot create the table %1: its memo file %2 already exists.").arg(path, memoPath));
    writer->m_file = RawFile(path, RawFile::Mode::CreateNew, options.shownName);
    try {
        QByteArray bytes = h.encode();
        bytes.append(dbf::kEndOfFile);
        writer->m_file.writeAt(0, bytes);
        if (memo)
            writer->m_memo.emplace(
                MemoFile::create(memoPath, writer->m_file.name(), memoShownName(options.shownName, memoPath)));
    } catch (...) {
        writer->m_file.close();
        files::removeFile(path, {.form = files::PathForm::Real, .missingFails = false, .throws = false});
        throw;
    }
    writer->m_fileLimit = files::formatFileLimit(dbf::kMaxFileBytes);
    writer->m_front = MappedFront(writer->m_file, dbf::kHeaderSize);
    writer->prepareRecord();
    return writer;
}

std::unique_ptr<TableWriter> TableWriter::openForAppend(const QString &path, const QString &memoExt,
                                                        const QString &shownName)
{
    auto writer = std::unique_ptr<TableWriter>(new TableWriter);
    writer->m_path = path;
    writer->m_file = RawFile(path, RawFile::Mode::ReadWrite, shownName);
    const QString name = writer->m_file.name();
    const qint64 size = writer->m_file.size();
    QByteArray head(std::min<qint64>(size, 0xFFFF), Qt::Uninitialized);
    head.truncate(writer->m_file.readAt(0, head.data(), head.size()));
    writer->m_header = DbfHeader::decode(head, name, size);
    DbfHeader &h = writer->m_header;
    if (!appendableFileType(h.fileType))
        throw RuntimeError::inFile(name, QStringLiteral("it is a %1 table (file type 0x%2); rows are appended only to "
                                                        "FoxPro tables.")
                                             .arg(QLatin1String(fileTypeInfo(h.fileType)->kind))
                                             .arg(h.fileType, 2, 16, QLatin1Char('0')));
    if (h.fieldBytes > h.recordLength)
        throw RuntimeError::inFile(name, QStringLiteral("the fields need %1 bytes per record, the header says %2; rows "
                                                        "are not appended to a damaged table.")
                                             .arg(h.fieldBytes)
                                             .arg(h.recordLength));
    if (qint64(h.headerLength) + qint64(h.recordCount) * h.recordLength > size)
        throw RuntimeError::inFile(name, QStringLiteral("the header promises %1 records, but the file is truncated; "
                                                        "rows are not appended to a damaged table.")
                                             .arg(h.recordCount));
    // Rows added behind a structural index's back would make it lie; a
    // container's index is rebuilt by Container after each change.
    if ((h.tableFlags & dbf::kTableHasCdx) && !(h.tableFlags & dbf::kTableIsContainer))
        throw RuntimeError::inFile(name, QStringLiteral("the table has an index (.cdx), which rows appended here would "
                                                        "not enter; rows are not appended to indexed tables."));
    for (const DbfField &f : h.fields)
        if (!f.isNullFlags() && !writableType(f.type))
            throw RuntimeError::inFile(name, QStringLiteral("field %1 is of type %2, which rows are not appended to.")
                                                 .arg(f.name, QChar::fromLatin1(f.type)));
    writer->m_codePage = &codecOfMark(h.codePageMark);
    writer->m_writtenCount = h.recordCount;
    if (h.hasMemoFields()) {
        const QString memoPath = findCompanion(path, memoExt);
        if (memoPath.isEmpty())
            throw RuntimeError::inFile(
                name, QStringLiteral("its memo file %1 is missing.").arg(QFileInfo(name).completeBaseName() + memoExt));
        writer->m_memo.emplace(MemoFile::open(memoPath, name, true, memoShownName(shownName, memoPath)));
    }
    unsigned char date[3];
    putHeaderDate(date, QDate::currentDate());
    writer->m_file.writeAt(dbf::kOffUpdated, reinterpret_cast<const char *>(date), 3);
    writer->m_fileLimit = files::formatFileLimit(dbf::kMaxFileBytes);
    writer->m_front = MappedFront(writer->m_file, dbf::kHeaderSize);
    writer->prepareRecord();
    return writer;
}

QStringList TableWriter::fieldNames() const
{
    QStringList names;
    for (const DbfField &f : m_header.fields)
        if (!f.isNullFlags())
            names << f.name;
    return names;
}

uint32_t TableWriter::appendMemo(const DbfField &f, const Variant &value)
{
    const uint32_t type = memoTypeOf(f);
    // Text is encoded straight into the memo file's buffer of pending blocks.
    const auto encoded = [&](const QString &text, bool codePage) {
        return m_memo->append(type, text.size() * (codePage ? m_codePage->maxBytesPerUnit() : 1), [&](char *out) {
            return codePage ? m_codePage->encodeInto(text, out, &m_replaced) : latin1Into(text, out, &m_replaced);
        });
    };
    switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null:
        return 0;
    case Variant::Kind::Bytes: {
        const QByteArray &bytes = value.asBytes();
        return m_memo->append(type, bytes.size(), [&](char *out) {
            std::copy(bytes.begin(), bytes.end(), out);
            return bytes.size();
        });
    }
    case Variant::Kind::Text: {
        const bool codePage = f.type == 'M' && !f.binary();
        // Text read from a table of this page is written as it was stored.
        if (const QByteArray *stored = codePage ? value.storedBytesIn(m_codePage->codePage()) : nullptr)
            return m_memo->append(type, stored->size(), [&](char *out) {
                std::copy(stored->begin(), stored->end(), out);
                return stored->size();
            });
        return encoded(value.asText(), codePage);
    }
    default:
        return encoded(value.toText(), f.type == 'M');
    }
}

void TableWriter::setBit(int bit)
{
    const DbfField &flags = m_header.fields[size_t(m_header.nullFlagsField)];
    m_record[flags.offset + (bit >> 3)] = char(uint8_t(m_record[flags.offset + (bit >> 3)]) | (1 << (bit & 7)));
}

qint64 TableWriter::append(const std::vector<Variant> &values)
{
    const std::vector<int> &columns = m_columns;
    if (values.size() != columns.size())
        throw RuntimeError::inFile(m_file.name(),
                                   QStringLiteral("%1 values for %2 fields.").arg(values.size()).arg(columns.size()));
    // Rows after a failed write would leave a gap: the table is broken for good.
    if (m_failure)
        throw *m_failure;
    // A table only this writer writes needs no look at what others appended.
    if (!m_buffered)
        refresh();
    try {
        checkRoom(1);
    } catch (const RuntimeError &e) {
        breakWith(e);
    }

    char *record = m_record.data();
    std::fill(record, record + m_header.recordLength, ' ');
    record[0] = dbf::kLiveMark;
    if (m_header.nullFlagsField >= 0) {
        const DbfField &nf = m_header.fields[size_t(m_header.nullFlagsField)];
        std::fill(record + nf.offset, record + nf.offset + nf.length, '\0');
    }
    if (m_memo)
        m_memo->beginRow();
    const bool noting = m_lost && m_changed;
    m_rowNotes.clear();
    for (size_t slot = 0; slot < m_autoFields.size(); ++slot)
        m_rowNextValues[slot] = m_header.fields[size_t(m_autoFields[slot])].nextValue;
    bool wroteMemo = false;
    try {
        for (size_t k = 0; k < columns.size(); ++k) {
            const DbfField &f = m_header.fields[size_t(columns[k])];
            char *at = record + f.offset;
            if (f.isMemo()) {
                const Variant &value = values[k];
                const bool isNull = value.isNull() || value.isEmpty();
                if (isNull && f.nullBit >= 0)
                    setBit(f.nullBit);
                const uint32_t block = isNull ? 0 : appendMemo(f, value);
                wroteMemo = wroteMemo || block != 0;
                putU32LE(bytesOf(at), block);
                continue;
            }
            Variant number;
            if (f.autoIncrement()) {
                const auto slot = std::find(m_autoFields.begin(), m_autoFields.end(), columns[k]);
                number = numbered(size_t(slot - m_autoFields.begin()), f, values[k]);
            }
            const Variant &value = f.autoIncrement() ? number : values[k];
            if (value.isNull() && f.nullBit >= 0)
                setBit(f.nullBit);
            FieldChange change;
            if (encodeFixedField(at, f, value, *m_codePage, &m_replaced, noting ? &change : nullptr) >= 0 &&
                f.varLengthBit >= 0)
                setBit(f.varLengthBit);
            if (change.kind == FieldChange::Kind::None)
                continue;
            const bool lost = change.kind == FieldChange::Kind::Lost;
            if (lost && f.nullBit >= 0)
                setBit(f.nullBit);
            m_rowNotes.emplace_back(
                lost, ado::LostValue{QFileInfo(m_file.name()).completeBaseName(), qint64(m_header.recordCount) + 1,
                                     f.name, ado::LostValues::describe(value), change.reason, change.after});
        }
    } catch (const RuntimeError &e) {
        if (m_memo)
            m_memo->discard();
        // A memo file at its limit takes no row after this one either.
        if (e.kind() == RuntimeError::Kind::Limit)
            breakWith(e);
        throw RuntimeError::inFile(
            m_file.name(),
            QStringLiteral("row %1 not written: %2.").arg(m_header.recordCount + 1).arg(e.description()));
    }
    // The row is taken: what it changed is said, and the numbering goes on past it.
    for (auto &[lost, value] : m_rowNotes)
        (lost ? m_lost : m_changed)->add(std::move(value));
    for (size_t slot = 0; slot < m_autoFields.size(); ++slot) {
        DbfField &f = m_header.fields[size_t(m_autoFields[slot])];
        m_nextValuesDirty = m_nextValuesDirty || f.nextValue != m_rowNextValues[slot];
        f.nextValue = m_rowNextValues[slot];
    }
    if (m_buffered) {
        m_records.append(m_record.constData(), m_header.recordLength);
        ++m_header.recordCount;
        if (m_records.size() + (m_memo ? m_memo->pendingBytes() : 0) >= kFlushBytes)
            flush();
        return m_header.recordCount;
    }
    if (wroteMemo)
        m_memo->commit();
    // Before the record: a crash between the two skips a number, never gives one twice.
    writeNextValues();
    const qint64 at = m_header.headerLength + qint64(m_header.recordCount) * m_header.recordLength;
    // The record and the end mark after it in one write.
    m_file.writeAt(at, m_record);
    ++m_header.recordCount;
    m_writtenCount = m_header.recordCount;
    writeCount();
    return m_header.recordCount;
}

void TableWriter::checkRoom(qint64 rows) const
{
    const qint64 records = qint64(m_header.recordCount) + rows;
    // The records, then the end-of-file mark.
    const qint64 end = m_header.headerLength + records * m_header.recordLength + 1;
    if (records <= dbf::kMaxRecords && end <= m_fileLimit)
        return;
    const QString table = QFileInfo(m_file.name()).completeBaseName();
    if (records > dbf::kMaxRecords)
        throw ado::pastLimit({m_file.name(), table, dbf::kMaxRecords, QStringLiteral("records"),
                              QStringLiteral("a FoxPro table"), records - dbf::kMaxRecords});
    throw ado::pastLimit({m_file.name(), table, m_fileLimit, QStringLiteral("bytes"),
                          QStringLiteral("a FoxPro table file"), end - m_fileLimit});
}

void TableWriter::requireRoomFor(qint64 rows) const
{
    if (m_failure)
        throw *m_failure;
    checkRoom(rows);
}

void TableWriter::breakWith(const RuntimeError &e)
{
    // What is buffered stays unwritten: the table is not going to be whole.
    abandon();
    m_failure = e;
    throw *m_failure;
}

void TableWriter::writeCount()
{
    if (m_front.isMapped()) {
        putU32LE(m_front.data() + dbf::kOffRecordCount, m_writtenCount);
        return;
    }
    unsigned char count[sizeof(uint32_t)];
    putU32LE(count, m_writtenCount);
    m_file.writeAt(dbf::kOffRecordCount, reinterpret_cast<const char *>(count), sizeof count);
}

void TableWriter::flush()
{
    if (m_failure)
        throw *m_failure;
    if (m_records.isEmpty() && !(m_memo && m_memo->pendingBytes() > 0))
        return;
    try {
        // Memo blocks first, then the records that point at them, then the counts.
        if (m_memo)
            m_memo->commit();
        writeNextValues();
        if (!m_records.isEmpty()) {
            const qint64 at = m_header.headerLength + qint64(m_writtenCount) * m_header.recordLength;
            m_records.append(dbf::kEndOfFile);
            m_file.writeAt(at, m_records);
            m_records.truncate(0); // its capacity serves the next rows
        }
        m_writtenCount = m_header.recordCount;
        writeCount();
    } catch (const RuntimeError &e) {
        // The rows gathered are lost: the table can no longer be whole.
        m_failure = RuntimeError::inFile(e.number(), m_file.name(),
                                         QStringLiteral("the table cannot be written whole: %1").arg(e.description()));
        m_records.truncate(0);
        throw *m_failure;
    }
}

void TableWriter::abandon()
{
    m_records.truncate(0);
    if (m_memo)
        m_memo->discardAll();
    if (!m_failure)
        m_failure = RuntimeError::inFile(m_file.name(), QStringLiteral("the table was abandoned."));
}

TableWriter::~TableWriter()
{
    try {
        flush();
    } catch (...) {
        // Callers that keep the table flush before they let it go.
    }
}

void TableWriter::noteChanges(ado::LostValues *lost, ado::LostValues *changed)
{
    m_lost = lost;
    m_changed = changed;
}

Variant TableWriter::numbered(size_t slot, const DbfField &f, const Variant &value)
{
    qint64 &next = m_rowNextValues[slot];
    if (value.isNull() || value.isEmpty()) {
        if (next >= dbf::kNextValueUsedUp)
            throw RuntimeError(QStringLiteral("field %1 has no number left for the row: %2 was the last I value")
                                   .arg(f.name)
                                   .arg(std::numeric_limits<qint32>::max()));
        const qint64 given = next;
        next = std::min(next + f.step, dbf::kNextValueUsedUp);
        return Variant::integer(given);
    }
    // The value given is kept (the encoder refuses what is no I value); the numbering goes on past it.
    const ado::Converted<qint64> given =
        ado::wholeOf(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    if (given)
        next = std::clamp(given.value + f.step, next, dbf::kNextValueUsedUp);
    return value;
}

void TableWriter::writeNextValues()
{
    if (!m_nextValuesDirty)
        return;
    for (const int index : m_autoFields) {
        const DbfField &f = m_header.fields[size_t(index)];
        unsigned char next[sizeof(uint32_t)];
        putU32LE(next, storedNextValue(f.nextValue));
        m_file.writeAt(dbf::kHeaderSize + qint64(dbf::kDescriptorSize) * f.descriptor + dbf::kOffFieldNextValue,
                       reinterpret_cast<const char *>(next), sizeof next);
    }
    m_nextValuesDirty = false;
}

void TableWriter::prepareRecord()
{
    m_columns.clear();
    m_autoFields.clear();
    for (int i = 0; i < int(m_header.fields.size()); ++i) {
        if (!m_header.fields[size_t(i)].isNullFlags())
            m_columns.push_back(i);
        if (m_header.fields[size_t(i)].autoIncrement())
            m_autoFields.push_back(i);
    }
    m_rowNextValues.assign(m_autoFields.size(), 0);
    m_record = QByteArray(m_header.recordLength + 1, ' ');
    m_record[m_header.recordLength] = dbf::kEndOfFile;
}

void TableWriter::refresh()
{
    // Another writer (another connection, Visual FoxPro) may have appended
    // since our last row: continue after its rows, not over them.
    uint32_t onDisk = 0;
    if (m_front.isMapped()) {
        onDisk = getU32LE(m_front.data() + dbf::kOffRecordCount);
    } else {
        unsigned char count[sizeof(uint32_t)];
        if (m_file.readAt(dbf::kOffRecordCount, reinterpret_cast<char *>(count), sizeof count) != qint64(sizeof count))
            throw RuntimeError::inFile(m_file.name(), QStringLiteral("the header can no longer be read."));
        onDisk = getU32LE(count);
    }
    if (onDisk != m_header.recordCount) {
        const qint64 needed = m_header.headerLength + qint64(onDisk) * m_header.recordLength;
        if (needed > m_file.size())
            throw RuntimeError::inFile(
                m_file.name(),
                QStringLiteral("its header now promises %1 records, more than the file holds.").arg(onDisk));
        m_header.recordCount = onDisk;
    }
    // Another writer's rows took numbers too: go on from the descriptors.
    for (const int index : m_autoFields) {
        DbfField &f = m_header.fields[size_t(index)];
        unsigned char next[sizeof(uint32_t)];
        if (m_file.readAt(dbf::kHeaderSize + qint64(dbf::kDescriptorSize) * f.descriptor + dbf::kOffFieldNextValue,
                          reinterpret_cast<char *>(next), sizeof next) != qint64(sizeof next))
            throw RuntimeError::inFile(m_file.name(), QStringLiteral("the header can no longer be read."));
        f.nextValue = nextValueOf(getU32LE(next));
    }
    if (m_memo)
        m_memo->refresh();
}

void TableWriter::markDeleted(qint64 number)
{
    if (number < 1 || number > qint64(m_header.recordCount))
        throw RuntimeError::inFile(m_file.name(), QStringLiteral("there is no record %1.").arg(number));
    const char mark = dbf::kDeletedMark;
    m_file.writeAt(m_header.headerLength + (number - 1) * m_header.recordLength, &mark, 1);
}

void TableWriter::setBacklink(const QByteArray &backlink)
{
    if (!m_header.isVisualFoxPro())
        return;
    const int start = dbf::kHeaderSize + dbf::kDescriptorSize * int(m_header.fields.size()) + 1;
    const int room = std::min(dbf::kBacklinkSize, m_header.headerLength - start);
    if (room <= 0)
        return;
    QByteArray bytes = backlink.left(room);
    bytes.append(QByteArray(room - bytes.size(), '\0'));
    m_file.writeAt(start, bytes);
    m_header.backlink = backlink.left(room);
}

} // namespace tw::foxpro
