#include "TableHeader.h"

#include "platform/ado/RuntimeError.h"

namespace tw::paradox {

using tw::ado::RuntimeError;

namespace {

struct TypeInfo {
    FieldType type;
    char letter;
    int size; // fixed size, 0 when the header gives it
};

constexpr TypeInfo kTypes[] = {
    {FieldType::Alpha, 'A', 0},          {FieldType::Date, 'D', 4},      {FieldType::Short, 'S', 2},
    {FieldType::Long, 'I', 4},           {FieldType::Money, '$', 8},     {FieldType::Number, 'N', 8},
    {FieldType::Logical, 'L', 1},        {FieldType::Memo, 'M', 0},      {FieldType::Blob, 'B', 0},
    {FieldType::FormattedMemo, 'F', 0},  {FieldType::Ole, 'O', 0},       {FieldType::Graphic, 'G', 0},
    {FieldType::Time, 'T', 4},           {FieldType::Timestamp, '@', 8}, {FieldType::AutoIncrement, '+', 4},
    {FieldType::Bcd, '#', db::kBcdSize}, {FieldType::Bytes, 'Y', 0},
};

const TypeInfo *findType(int code)
{
    for (const TypeInfo &info : kTypes)
        if (static_cast<int>(info.type) == code)
            return &info;
    return nullptr;
}

[[noreturn]] void fail(const QString &fileName, const QString &problem)
{
    throw RuntimeError::inFile(fileName, problem);
}

} // namespace

QChar typeLetter(FieldType type)
{
    const TypeInfo *info = findType(static_cast<int>(type));
    return info ? QChar(info->letter) : QChar('?');
}

QString shownType(FieldType type, int size, int decimals)
{
    const QString letter = typeLetter(type);
    if (type == FieldType::Alpha || type == FieldType::Bytes)
        return letter + QString::number(size);
    if (type == FieldType::Bcd)
        return letter + QString::number(decimals);
    return letter;
}

bool typeFromLetter(QChar letter, FieldType *type)
{
    for (const TypeInfo &info : kTypes) {
        if (QChar(info.letter) == letter.toUpper()) {
            *type = info.type;
            return true;
        }
    }
    return false;
}

int fixedSize(FieldType type)
{
    const TypeInfo *info = findType(static_cast<int>(type));
    return info ? info->size : 0;
}

bool isBlobType(FieldType type)
{
    return type == FieldType::Memo || type == FieldType::Blob || type == FieldType::FormattedMemo ||
           type == FieldType::Ole || type == FieldType::Graphic;
}

bool isKnownType(int code)
{
    return findType(code) != nullptr;
}

TableHeader TableHeader::decode(const QByteArray &bytes, const QString &fileName)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const int available = static_cast<int>(bytes.size());
    if (available < db::kFieldInfo3x)
        fail(fileName, QStringLiteral("the file is too short (%1 bytes) to be a Paradox table.").arg(available));

    TableHeader h;
    h.recordSize = getU16LE(p + db::kRecordSize);
    h.headerSize = getU16LE(p + db::kHeaderSize);
    h.fileType = p[db::kFileType];
    const int units = p[db::kMaxTableSize];
    h.fileVersion = p[db::kFileVersion];
    if (h.fileType != db::kTypeKeyed && h.fileType != db::kTypeUnkeyed)
        fail(fileName, QStringLiteral("file type %1 is not a Paradox table.").arg(h.fileType));
    if (h.fileVersion < db::kVersion30 || h.fileVersion > db::kVersionLast)
        fail(fileName, QStringLiteral("unknown file version 0x%1.").arg(h.fileVersion, 2, 16, QChar('0')));
    if (units < 1 || units > db::kMaxBlockUnits)
        fail(fileName, QStringLiteral("block size %1 KiB is not between 1 and 32 KiB.").arg(units));
    h.blockSize = units * db::kBlockUnit;
    const bool has4xHeader = h.fileVersion >= db::kVersion4First;
    const int fieldInfo = has4xHeader ? db::kFieldInfo4x : db::kFieldInfo3x;
    if (h.headerSize < fieldInfo)
        fail(fileName, QStringLiteral("header size %1 is too small.").arg(h.headerSize));
    // A table without rows is sometimes stored as the used part of its header
    // alone: what the file holds is read when the field list is in it.
    const int end = qMin(available, h.headerSize);

    h.numRecords = getU32LE(p + db::kNumRecords);
    h.fileBlocks = getU16LE(p + db::kFileBlocks);
    h.firstBlock = getU16LE(p + db::kFirstBlock);
    h.lastBlock = getU16LE(p + db::kLastBlock);
    h.sortOrder = p[db::kSortOrder];
    h.autoIncrement = static_cast<qint32>(getU32LE(p + db::kAutoIncrement));
    h.encryption = getU32LE(p + db::kEncryption1);
    if (has4xHeader && available >= db::kFieldInfo4x) {
        if (h.encryption == db::kEncryptionInDataHeader)
            h.encryption = getU32LE(p + db::kEncryption2);
        h.codePage = getU16LE(p + db::kDosCodePage);
    }

    const int numFields = static_cast<qint16>(getU16LE(p + db::kNumFields));
    if (numFields < 1 || numFields > db::kMaxFields)
        fail(fileName, QStringLiteral("field count %1 is not between 1 and 255.").arg(numFields));

    // Field info, table-name pointer, field-name pointers, table name, names.
    const int nameLength = h.fileVersion >= db::kVersion70 ? db::kTableNameLength7 : db::kTableNameLength;
    int pos = fieldInfo;
    const int namesStart = pos + numFields * 2 + db::kPointerSize + numFields * db::kPointerSize + nameLength;
    if (namesStart > h.headerSize)
        fail(fileName, QStringLiteral("%1 field descriptions do not fit its header of %2 bytes.")
                           .arg(numFields)
                           .arg(h.headerSize));
    if (namesStart > end)
        fail(fileName, QStringLiteral("the file (%1 bytes) is shorter than its header (%2 bytes).")
                           .arg(available)
                           .arg(h.headerSize));
    int sum = 0;
    h.fields.resize(numFields);
    for (int i = 0; i < numFields; ++i, pos += 2) {
        FieldDef &f = h.fields[i];
        const int code = p[pos];
        const int size = p[pos + 1];
        if (!isKnownType(code)) {
            // Other readers pass such a field over; its bytes are kept.
            if (size < 1)
                fail(fileName,
                     QStringLiteral("field %1 has unknown type 0x%2.").arg(i + 1).arg(code, 2, 16, QChar('0')));
            h.warnings << QStringLiteral("field %1 has type 0x%2, which no reader knows: its %3 bytes are read as "
                                         "they are")
                              .arg(i + 1)
                              .arg(code, 2, 16, QChar('0'))
                              .arg(size);
            f.type = FieldType::Bytes;
            f.size = size;
            sum += f.size;
            continue;
        }
        f.type = static_cast<FieldType>(code);
        if (f.type == FieldType::Bcd) {
            f.size = db::kBcdSize;
            f.decimals = size;
            if (size > db::kBcdDigits)
                fail(fileName, QStringLiteral("BCD field %1 has %2 decimals (at most 32).").arg(i + 1).arg(size));
        } else {
            f.size = size;
            const int fixed = fixedSize(f.type);
            if (size < 1 || (fixed && size != fixed) || (isBlobType(f.type) && size < db::kBlobTrailer))
                fail(fileName,
                     QStringLiteral("field %1 of type %2 has size %3.").arg(i + 1).arg(typeLetter(f.type)).arg(size));
        }
        sum += f.size;
    }
    h.fieldsSize = sum;
    const int room = h.blockSize - db::kBlockHeaderSize;
    if (sum > room)
        fail(
            fileName,
            QStringLiteral("the fields take %1 bytes, more than a block of %2 bytes holds.").arg(sum).arg(h.blockSize));
    if (h.recordSize < 1 || h.recordSize > room) {
        // The fields say what a record takes.
        h.warnings << QStringLiteral("the record size %1 does not fit a block of %2 bytes: records are read as the "
                                     "%3 bytes their fields take")
                          .arg(h.recordSize)
                          .arg(h.blockSize)
                          .arg(sum);
        h.recordSize = sum;
    }

    pos = namesStart;
    for (int i = 0; i < numFields; ++i) {
        const int start = pos;
        while (pos < end && p[pos] != 0)
            ++pos;
        if (pos >= end)
            fail(fileName, pos >= h.headerSize
                               ? QStringLiteral("the name of field %1 runs past the end of the header.").arg(i + 1)
                               : QStringLiteral("the file (%1 bytes) is shorter than its header (%2 bytes).")
                                     .arg(available)
                                     .arg(h.headerSize));
        h.fields[i].rawName = QByteArray(reinterpret_cast<const char *>(p + start), pos - start);
        h.fields[i].name = QString::fromLatin1(h.fields[i].rawName);
        ++pos;
    }
    if (available < h.headerSize)
        h.warnings << QStringLiteral("the file (%1 bytes) ends inside its header (%2 bytes): it holds no rows")
                          .arg(available)
                          .arg(h.headerSize);
    return h;
}

} // namespace tw::paradox
