#include "DbfHeader.h"

#include "CodePageMarks.h"

#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"

#include <cstring>

namespace tw::foxpro {

using namespace encoding; // the byte codecs

using ado::RuntimeError;

namespace {

constexpr int kCenturyBase = 2000;
constexpr int kOldCenturyFrom = 80; // YY of 80..99 are 1980..1999
constexpr int kMaxCharLength = 254;
constexpr int kClipperCharMax = 65535;
constexpr int kMaxRecordBytes = 0xFFFF; // the header's record length is 16 bits
constexpr int kDateLength = 8;          // YYYYMMDD
// Every field type the reader knows.
constexpr char kFieldTypes[] = "CVQNFIYTDBLMGWP0";

// Every type byte of the table header that Visual FoxPro documents, and the
// dBase 7 ones, which it refuses (their descriptors are 48 bytes long).
constexpr FileTypeInfo kFileTypes[] = {
    {dbf::kTypeFoxBaseOld, "FoxBASE", true, MemoStyle::FptOrDbt3},
    {dbf::kTypeFoxBase, "FoxBASE+/dBase III", true, MemoStyle::FptOrDbt3},
    {dbf::kTypeDBase7, "dBase 7", false, MemoStyle::Dbt4},
    {dbf::kTypeVisualFoxPro, "Visual FoxPro", true, MemoStyle::Fpt},
    {dbf::kTypeVisualFoxProAutoinc, "Visual FoxPro", true, MemoStyle::Fpt},
    {dbf::kTypeVisualFoxProVarchar, "Visual FoxPro", true, MemoStyle::Fpt},
    {dbf::kTypeDBase4SqlTable, "dBase IV SQL", true, MemoStyle::Dbt4},
    {dbf::kTypeDBase4SqlSystem, "dBase IV SQL system", true, MemoStyle::Dbt4},
    {dbf::kTypeDBase3Memo, "dBase III", true, MemoStyle::Dbt3},
    {dbf::kTypeDBase4Memo, "dBase IV", true, MemoStyle::Dbt4},
    {dbf::kTypeDBase7Memo, "dBase 7", false, MemoStyle::Dbt4},
    {dbf::kTypeDBase4SqlTableMemo, "dBase IV SQL", true, MemoStyle::Dbt4},
    {dbf::kTypeFoxPro2Memo, "FoxPro 2", true, MemoStyle::Fpt},
    {dbf::kTypeFoxBaseMemo, "FoxBASE", true, MemoStyle::FptOrDbt3},
};

[[noreturn]] void fail(const QString &fileName, const QString &problem)
{
    throw RuntimeError::inFile(fileName, problem);
}

// Checks a field's length against its type; an empty text when it is sound.
QString lengthProblem(const DbfField &f, bool visualFoxPro)
{
    auto want = [&](int length) {
        return f.length == length ? QString()
                                  : QStringLiteral("is %1 bytes long, its type needs %2").arg(f.length).arg(length);
    };
    switch (f.type) {
    case 'C':
        return f.length >= 1 && f.length <= (visualFoxPro ? kMaxCharLength : kClipperCharMax)
                   ? QString()
                   : QStringLiteral("has length %1").arg(f.length);
    case 'V':
    case 'Q':
        return f.length >= 1 && f.length <= kMaxCharLength ? QString() : QStringLiteral("has length %1").arg(f.length);
    case 'N':
    case 'F': // any width: other writers go past FoxPro's 20 digits, and the value is read as its digits
        return f.length >= 1 ? QString() : QStringLiteral("has length 0");
    case 'I':
        return want(4);
    case 'Y':
    case 'T':
        return want(8);
    case 'D': // a wider one is read from its first 8 bytes (the header warns)
        return f.length >= kDateLength ? QString() : want(kDateLength);
    case 'B':
        return visualFoxPro ? want(8) : QStringLiteral("has length %1").arg(f.length); // dBase: a binary memo
    case 'L':
        return want(1);
    case 'M':
    case 'G':
    case 'W':
    case 'P':
        return f.length == 4 || f.length == 10 ? QString() : QStringLiteral("has length %1").arg(f.length);
    case '0':
        return f.length >= 1 ? QString() : QStringLiteral("has length 0");
    default:
        return QStringLiteral("has the unknown type '%1' (0x%2)")
            .arg(QChar::fromLatin1(f.type))
            .arg(uint8_t(f.type), 2, 16, QLatin1Char('0'));
    }
}

} // namespace

const FileTypeInfo *fileTypeInfo(uint8_t type)
{
    for (const FileTypeInfo &info : kFileTypes)
        if (info.type == type)
            return &info;
    return nullptr;
}

bool DbfHeader::isVisualFoxPro() const
{
    return fileType == dbf::kTypeVisualFoxPro || fileType == dbf::kTypeVisualFoxProAutoinc ||
           fileType == dbf::kTypeVisualFoxProVarchar;
}

MemoStyle DbfHeader::memoStyle() const
{
    const FileTypeInfo *info = fileTypeInfo(fileType);
    return info ? info->memo : MemoStyle::Fpt;
}

bool DbfHeader::hasMemoFields() const
{
    for (const DbfField &f : fields)
        if (f.isMemo())
            return true;
    return false;
}

int DbfHeader::headerLengthOf(const QByteArray &first32, const QString &fileName)
{
    if (first32.size() < dbf::kHeaderSize)
        fail(fileName,
             QStringLiteral("the file is %1 bytes long, too short for a table header (32 bytes).").arg(first32.size()));
    const unsigned char *p = bytesOf(first32.constData());
    if (p[dbf::kOffType] == dbf::kTypeFoxBaseOld)
        return foxbase::kHeaderLength;
    return getU16LE(p + dbf::kOffHeaderLength);
}

namespace {

// Where the descriptors lie and what they hold: the FoxBASE header and the
// later one share everything but these.
struct DescriptorLayout {
    int first;
    int size;
    int offType;
    int offLength;
    int offDecimals;
    int maxFields;
};

constexpr DescriptorLayout kDbfDescriptors = {dbf::kHeaderSize,     dbf::kDescriptorSize,   dbf::kOffFieldType,
                                              dbf::kOffFieldLength, dbf::kOffFieldDecimals, dbf::kMaxFields};
constexpr DescriptorLayout kFoxBaseDescriptors = {foxbase::kFirstDescriptor,  foxbase::kDescriptorSize,
                                                  foxbase::kOffFieldType,     foxbase::kOffFieldLength,
                                                  foxbase::kOffFieldDecimals, foxbase::kMaxFields};

QDate headerDate(int yy, int month, int day)
{
    return QDate(yy >= kOldCenturyFrom && yy < 100 ? 1900 + yy : kCenturyBase + yy, month, day);
}

} // namespace

DbfHeader DbfHeader::decode(const QByteArray &head, const QString &fileName, qint64 fileSize)
{
    using namespace dbf;
    const int headerLength = headerLengthOf(head, fileName);
    const unsigned char *p = bytesOf(head.constData());
    DbfHeader h;
    h.fileType = p[kOffType];
    const FileTypeInfo *info = fileTypeInfo(h.fileType);
    if (!info)
        fail(fileName,
             QStringLiteral("file type 0x%1 is not a FoxPro table.").arg(h.fileType, 2, 16, QLatin1Char('0')));
    if (!info->opens)
        fail(fileName, QStringLiteral("it is a %1 table (file type 0x%2), which FoxPro does not open.")
                           .arg(QLatin1String(info->kind))
                           .arg(h.fileType, 2, 16, QLatin1Char('0')));
    const bool foxBase = h.fileType == kTypeFoxBaseOld;
    h.headerLength = headerLength;
    if (foxBase) {
        h.updated = headerDate(p[foxbase::kOffUpdated + 2], p[foxbase::kOffUpdated], p[foxbase::kOffUpdated + 1]);
        h.recordCount = getU16LE(p + foxbase::kOffRecordCount);
        h.recordLength = getU16LE(p + foxbase::kOffRecordLength);
    } else {
        h.updated = headerDate(p[kOffUpdated], p[kOffUpdated + 1], p[kOffUpdated + 2]);
        h.recordCount = getU32LE(p + kOffRecordCount);
        h.recordLength = getU16LE(p + kOffRecordLength);
        h.tableFlags = p[kOffTableFlags];
        h.codePageMark = p[kOffCodePage];
    }

    if (h.headerLength < kHeaderSize + 1)
        fail(fileName, QStringLiteral("the header length %1 is too small.").arg(h.headerLength));
    if (h.headerLength > fileSize)
        fail(fileName, QStringLiteral("the header length %1 is past the end of the file (%2 bytes).")
                           .arg(h.headerLength)
                           .arg(fileSize));
    if (head.size() < h.headerLength)
        fail(fileName, QStringLiteral("the file ends inside its header."));
    if (h.recordLength < 1)
        fail(fileName, QStringLiteral("the record length is 0."));

    const bool vfp = h.isVisualFoxPro();
    const DescriptorLayout &layout = foxBase ? kFoxBaseDescriptors : kDbfDescriptors;
    int at = layout.first;
    int offset = 1;
    int bit = 0;
    int descriptors = 0; // those of length 0 included
    // dBase writers that end the descriptors with a line feed are read as dbfread reads them.
    while (at < h.headerLength && p[at] != uint8_t(kDescriptorEnd) && p[at] != uint8_t(kDescriptorEndLineFeed)) {
        if (at + layout.size > h.headerLength)
            fail(fileName, QStringLiteral("field descriptor %1 runs past the header (%2 bytes).")
                               .arg(descriptors + 1)
                               .arg(h.headerLength));
        if (descriptors >= layout.maxFields)
            fail(fileName, QStringLiteral("more than %1 field descriptors.").arg(layout.maxFields));
        ++descriptors;
        const unsigned char *d = p + at;
        DbfField f;
        int nameLength = 0;
        while (nameLength < kMaxFieldName + 1 && d[kOffFieldName + nameLength] != 0)
            ++nameLength;
        f.name = codecOfMark(h.codePageMark).decode(reinterpret_cast<const char *>(d), nameLength);
        f.type = char(d[layout.offType]);
        f.length = d[layout.offLength];
        f.decimals = d[layout.offDecimals];
        f.flags = vfp ? d[kOffFieldFlags] : 0;
        f.descriptor = descriptors - 1;
        if (f.autoIncrement()) {
            f.nextValue = nextValueOf(getU32LE(d + kOffFieldNextValue));
            f.step = d[kOffFieldStep];
        }
        if (!vfp && !foxBase && f.type == 'C') {
            // FoxPro 2 and Clipper keep the high byte of long character fields in the decimals.
            f.length += f.decimals * 256;
            f.decimals = 0;
        }
        if (!vfp && f.type == 'B' && f.length == 10) {
            // dBase's binary memo: read as FoxPro's blob, whose pointer it shares.
            f.type = 'W';
        }
        const bool empty = f.length == 0 && f.type != 0 && std::strchr(kFieldTypes, f.type);
        const QString problem = empty ? QString() : lengthProblem(f, vfp);
        if (!problem.isEmpty())
            fail(fileName, QStringLiteral("field %1 %2.").arg(f.name, problem));
        if (f.type == 'D' && f.length > kDateLength)
            h.warnings << QStringLiteral("%1: field %2 is %3 bytes long, a date takes %4; it is read from its first "
                                         "%4 bytes.")
                              .arg(fileName, f.name)
                              .arg(f.length)
                              .arg(kDateLength);
        f.offset = offset;
        offset += f.length;
        // Bits go by the descriptors, a field of length 0 among them.
        if (vfp && f.type != '0') {
            if (f.type == 'V' || f.type == 'Q')
                f.varLengthBit = bit++;
            if (f.nullable())
                f.nullBit = bit++;
        }
        if (empty) {
            // It holds nothing in any record: the other fields are read without it.
            h.warnings
                << QStringLiteral("%1: field %2 has length 0 and holds nothing; it is left out.").arg(fileName, f.name);
            at += layout.size;
            continue;
        }
        if (f.type == '0')
            h.nullFlagsField = int(h.fields.size());
        h.fields.push_back(f);
        at += layout.size;
    }
    if (h.fields.empty())
        fail(fileName, QStringLiteral("the header describes no fields."));
    // A record length that differs from the fields' is read past (the reader
    // warns): the records lie recordLength bytes apart whatever the fields need.
    if (offset > kMaxRecordBytes)
        fail(fileName, QStringLiteral("the fields need %1 bytes per record, more than a record can hold (%2).")
                           .arg(offset)
                           .arg(kMaxRecordBytes));
    h.fieldBytes = offset;
    if (bit > 0) {
        if (h.nullFlagsField < 0)
            fail(fileName, QStringLiteral("nullable or variable-length fields but no _NullFlags field."));
        if (h.fields[size_t(h.nullFlagsField)].length * 8 < bit)
            fail(fileName, QStringLiteral("_NullFlags holds %1 bits, the fields need %2.")
                               .arg(h.fields[size_t(h.nullFlagsField)].length * 8)
                               .arg(bit));
    }
    if (vfp && at < h.headerLength) {
        const int start = at + 1;
        const int length = std::min(kBacklinkSize, h.headerLength - start);
        QByteArray link = head.mid(start, std::max(0, length));
        const qsizetype nul = link.indexOf('\0');
        if (nul >= 0)
            link.truncate(nul);
        h.backlink = link;
    }
    return h;
}

void DbfHeader::layOut()
{
    using namespace dbf;
    int offset = 1;
    for (DbfField &f : fields) {
        f.offset = offset;
        offset += f.length;
    }
    recordLength = offset;
    fieldBytes = offset;
    headerLength = kHeaderSize + kDescriptorSize * int(fields.size()) + 1 + (isVisualFoxPro() ? kBacklinkSize : 0);
}

qint64 nextValueOf(uint32_t stored)
{
    return stored == dbf::kStoredNextValueUsedUp ? dbf::kNextValueUsedUp : qint64(int32_t(stored));
}

uint32_t storedNextValue(qint64 nextValue)
{
    return nextValue >= dbf::kNextValueUsedUp ? dbf::kStoredNextValueUsedUp : uint32_t(int32_t(nextValue));
}

void putHeaderDate(unsigned char *p, const QDate &date)
{
    p[0] = uint8_t(date.year() % 100);
    p[1] = uint8_t(date.month());
    p[2] = uint8_t(date.day());
}

QByteArray DbfHeader::encode() const
{
    using namespace dbf;
    QByteArray bytes(headerLength, '\0');
    unsigned char *p = bytesOf(bytes.data());
    p[kOffType] = fileType;
    putHeaderDate(p + kOffUpdated, updated.isValid() ? updated : QDate::currentDate());
    putU32LE(p + kOffRecordCount, recordCount);
    putU16LE(p + kOffHeaderLength, uint16_t(headerLength));
    putU16LE(p + kOffRecordLength, uint16_t(recordLength));
    p[kOffTableFlags] = tableFlags;
    p[kOffCodePage] = codePageMark;
    int at = kHeaderSize;
    for (const DbfField &f : fields) {
        unsigned char *d = p + at;
        const QByteArray name =
            f.isNullFlags() ? f.name.toLatin1() : codecOfMark(codePageMark).encode(f.name).left(kMaxFieldName);
        std::copy(name.begin(), name.end(), d + kOffFieldName);
        d[kOffFieldType] = uint8_t(f.type);
        putU32LE(d + kOffFieldDisplacement, uint32_t(f.offset));
        d[kOffFieldLength] = uint8_t(f.length);
        d[kOffFieldDecimals] = uint8_t(f.decimals);
        d[kOffFieldFlags] = f.flags;
        if (f.autoIncrement()) {
            putU32LE(d + kOffFieldNextValue, storedNextValue(f.nextValue));
            d[kOffFieldStep] = uint8_t(f.step);
        }
        at += kDescriptorSize;
    }
    p[at] = uint8_t(kDescriptorEnd);
    const int start = at + 1;
    const QByteArray link = backlink.left(kBacklinkSize);
    if (start + link.size() <= headerLength)
        std::copy(link.begin(), link.end(), p + start);
    return bytes;
}

} // namespace tw::foxpro
