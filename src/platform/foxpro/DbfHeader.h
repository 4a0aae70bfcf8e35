#pragma once
// DbfHeader: the 32-byte table header, the field descriptors, the _NullFlags
// bit assignment and the container backlink of a .dbf, decoded with every
// size checked, and encoded again for the tables we write.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdint>
#include <limits>
#include <vector>

namespace tw::foxpro {

namespace dbf {
constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr int kBacklinkSize = 263;
constexpr int kMaxFieldName = 10;
constexpr int kMaxFields = 255;
constexpr int kMaxRecordLength = 65500;
// Visual FoxPro opens no table file of 2 GiB or more, nor one of more records than this.
constexpr qint64 kMaxFileBytes = 0x7FFFFFFF;
constexpr qint64 kMaxRecords = 1000000000;
constexpr char kDescriptorEnd = 0x0D;
constexpr char kDescriptorEndLineFeed = 0x0A; // some dBase writers' end mark
constexpr char kEndOfFile = 0x1A;
constexpr char kLiveMark = ' ';
constexpr char kDeletedMark = '*';

// File types (header byte 0).
constexpr uint8_t kTypeFoxBaseOld = 0x02;
constexpr uint8_t kTypeFoxBase = 0x03; // FoxBASE+ and dBase III without memo
constexpr uint8_t kTypeDBase7 = 0x04;
constexpr uint8_t kTypeVisualFoxPro = 0x30;
constexpr uint8_t kTypeVisualFoxProAutoinc = 0x31;
constexpr uint8_t kTypeVisualFoxProVarchar = 0x32;
constexpr uint8_t kTypeDBase4SqlTable = 0x43;
constexpr uint8_t kTypeDBase4SqlSystem = 0x63;
constexpr uint8_t kTypeDBase3Memo = 0x83;
constexpr uint8_t kTypeDBase4Memo = 0x8B;
constexpr uint8_t kTypeDBase7Memo = 0x8C;
constexpr uint8_t kTypeDBase4SqlTableMemo = 0xCB;
constexpr uint8_t kTypeFoxPro2Memo = 0xF5;
constexpr uint8_t kTypeFoxBaseMemo = 0xFB;

// Header offsets.
constexpr int kOffType = 0;
constexpr int kOffUpdated = 1;
constexpr int kOffRecordCount = 4;
constexpr int kOffHeaderLength = 8;
constexpr int kOffRecordLength = 10;
constexpr int kOffTableFlags = 28;
constexpr int kOffCodePage = 29;

// Table flags (header byte 28).
constexpr uint8_t kTableHasCdx = 0x01;
constexpr uint8_t kTableHasMemo = 0x02;
constexpr uint8_t kTableIsContainer = 0x04;

// Descriptor offsets.
constexpr int kOffFieldName = 0;
constexpr int kOffFieldType = 11;
constexpr int kOffFieldDisplacement = 12;
constexpr int kOffFieldLength = 16;
constexpr int kOffFieldDecimals = 17;
constexpr int kOffFieldFlags = 18;
constexpr int kOffFieldNextValue = 19; // i32: the value an autoincrement field gives the next row
constexpr int kOffFieldStep = 23;      // u8: what each row adds to it
// An autoincrement field whose numbers are used up (the last I value was
// given) keeps this next value, stored as 0x80000000: never a number it gives.
constexpr qint64 kNextValueUsedUp = qint64(std::numeric_limits<qint32>::max()) + 1;
constexpr uint32_t kStoredNextValueUsedUp = 0x80000000u;

// Field flags (descriptor byte 18).
constexpr uint8_t kFieldSystem = 0x01;
constexpr uint8_t kFieldNullable = 0x02;
constexpr uint8_t kFieldBinary = 0x04;
constexpr uint8_t kFieldAutoIncrement = 0x08;
} // namespace dbf

// The FoxBASE header (file type 0x02, laid out as dBase II laid it out): a
// fixed 521 bytes holding up to 32 descriptors of 16 bytes, no code page.
namespace foxbase {
constexpr int kHeaderLength = 521;
constexpr int kOffRecordCount = 1;  // u16
constexpr int kOffUpdated = 3;      // MM DD YY
constexpr int kOffRecordLength = 6; // u16, the deletion byte included
constexpr int kFirstDescriptor = 8;
constexpr int kDescriptorSize = 16;
constexpr int kMaxFields = 32;
// Descriptor offsets: name at 0 (11 bytes, NUL-ended), then these.
constexpr int kOffFieldType = 11;
constexpr int kOffFieldLength = 12;
constexpr int kOffFieldDecimals = 15;
} // namespace foxbase

// Which memo file a table's memo fields point into, by its file type.
enum class MemoStyle {
    Fpt,       // .fpt (a container: .dct), FoxPro blocks
    Dbt3,      // .dbt, dBase III: 512-byte blocks, text ended by 0x1A
    Dbt4,      // .dbt, dBase IV: block size in the header, length-prefixed memos
    FptOrDbt3, // FoxBASE and plain dBase III types: an .fpt when there is one, else a dBase III .dbt
};

// What the reader makes of one file type byte.
struct FileTypeInfo {
    uint8_t type;
    const char *kind; // for messages: "dBase 7"
    bool opens;       // Visual FoxPro opens it, and so does the reader
    MemoStyle memo;
};

// The description of a file type byte; nullptr for a byte that is no table type.
const FileTypeInfo *fileTypeInfo(uint8_t type);

struct DbfField {
    QString name; // as stored (ASCII in practice)
    char type = 'C';
    int offset = 0; // within the record; the deletion mark is byte 0
    int length = 0;
    int decimals = 0;
    uint8_t flags = 0;
    int varLengthBit = -1; // _NullFlags bit of a V/Q field's "shorter" mark
    int nullBit = -1;      // _NullFlags bit of a nullable field
    // An autoincrement field's next value and step (Visual FoxPro tables only).
    qint64 nextValue = 0;
    int step = 0;
    int descriptor = 0; // its descriptor's place in the header, from 0 (fields of length 0 count)

    bool binary() const { return flags & dbf::kFieldBinary; }
    bool nullable() const { return flags & dbf::kFieldNullable; }
    bool autoIncrement() const { return type == 'I' && (flags & dbf::kFieldAutoIncrement); }
    bool isMemo() const { return type == 'M' || type == 'G' || type == 'W' || type == 'P'; }
    bool isNullFlags() const { return type == '0'; }
};

struct DbfHeader {
    uint8_t fileType = dbf::kTypeVisualFoxPro;
    QDate updated;
    uint32_t recordCount = 0;
    int headerLength = 0;
    int recordLength = 0; // as the header gives it: the distance between records
    int fieldBytes = 0;   // what the fields need, the deletion mark included; may differ from recordLength
    uint8_t tableFlags = 0;
    uint8_t codePageMark = 0;
    std::vector<DbfField> fields; // _NullFlags included
    int nullFlagsField = -1;      // its index in fields, -1 when none
    QByteArray backlink;          // container path, NULs removed; empty for free tables
    // What decode() read past, one line each, naming the file: a field of
    // length 0 (left out), a date field wider than a date.
    QStringList warnings;

    bool isVisualFoxPro() const;
    bool hasMemoFields() const;
    // The memo file its memo fields use, by the file type.
    MemoStyle memoStyle() const;
    // Decodes the header from the first bytes of the file (`head` holds at least
    // 32 bytes and as many of the header as the file has). `fileName` names the
    // file in messages; `fileSize` bounds every length.
    static DbfHeader decode(const QByteArray &head, const QString &fileName, qint64 fileSize);
    // Reads the length of the whole header from its first 32 bytes (for callers
    // that read the header in two steps); RuntimeError when too short.
    static int headerLengthOf(const QByteArray &first32, const QString &fileName);
    // The header bytes (headerLength of them) for this description: fields laid
    // out as given (offsets recomputed), descriptor end mark, backlink.
    QByteArray encode() const;
    // Fills offsets and recordLength from the field lengths and headerLength
    // from the field count (Visual FoxPro layout with backlink).
    void layOut();
};

// An autoincrement field's next value as its descriptor stores it (an I
// value, or dbf::kNextValueUsedUp), and back.
qint64 nextValueOf(uint32_t stored);
uint32_t storedNextValue(qint64 nextValue);

// The "YY MM DD" bytes of a date as the header stores it.
void putHeaderDate(unsigned char *p, const QDate &date);

} // namespace tw::foxpro
