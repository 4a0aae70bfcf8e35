#pragma once
// DbfHeader: the 32-byte table header, the field descriptors, the _NullFlags
// bit assignment and the container backlink of a .dbf, decoded with every
// size checked, and encoded again for the tables we write.

#include <QByteArray>
#include <QDate>
#include <QString>

#include <cstdint>
#include <vector>

namespace tw::foxpro {

namespace dbf {
constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr int kBacklinkSize = 263;
constexpr int kMaxFieldName = 10;
constexpr int kMaxFields = 255;
constexpr int kMaxRecordLength = 65500;
constexpr char kDescriptorEnd = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr char kLiveMark = ' ';
constexpr char kDeletedMark = '*';

// File types (header byte 0).
constexpr uint8_t kTypeFoxBase = 0x03;
constexpr uint8_t kTypeVisualFoxPro = 0x30;
constexpr uint8_t kTypeVisualFoxProAutoinc = 0x31;
constexpr uint8_t kTypeVisualFoxProVarchar = 0x32;
constexpr uint8_t kTypeFoxPro2Memo = 0xF5;

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

// Field flags (descriptor byte 18).
constexpr uint8_t kFieldSystem = 0x01;
constexpr uint8_t kFieldNullable = 0x02;
constexpr uint8_t kFieldBinary = 0x04;
} // namespace dbf

struct DbfField {
    QString name;        // as stored (ASCII in practice)
    char type = 'C';
    int offset = 0;      // within the record; the deletion mark is byte 0
    int length = 0;
    int decimals = 0;
    uint8_t flags = 0;
    int varLengthBit = -1; // _NullFlags bit of a V/Q field's "shorter" mark
    int nullBit = -1;      // _NullFlags bit of a nullable field

    bool binary() const { return flags & dbf::kFieldBinary; }
    bool nullable() const { return flags & dbf::kFieldNullable; }
    bool isMemo() const { return type == 'M' || type == 'G' || type == 'W' || type == 'P'; }
    bool isNullFlags() const { return type == '0'; }
};

struct DbfHeader {
    uint8_t fileType = dbf::kTypeVisualFoxPro;
    QDate updated;
    uint32_t recordCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    uint8_t tableFlags = 0;
    uint8_t codePageMark = 0;
    std::vector<DbfField> fields;     // _NullFlags included
    int nullFlagsField = -1;          // its index in fields, -1 when none
    QByteArray backlink;              // container path, NULs removed; empty for free tables

    bool isVisualFoxPro() const;
    bool hasMemoFields() const;
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

// The "YY MM DD" bytes of a date as the header stores it.
void putHeaderDate(unsigned char *p, const QDate &date);

} // namespace tw::foxpro
