#pragma once
// Named constants of the Paradox table (.db) and blob (.mb) formats; the
// reader and writer take their byte codecs from platform/encoding.
// doc/formats/paradox.md describes every field these names stand for.

#include "platform/encoding/ByteCodec.h"

#include <QtGlobal>

#include <cstdint>

namespace tw::paradox {

// Field type codes as stored in the field-info list.
enum class FieldType : std::uint8_t {
    Alpha = 0x01,         // A
    Date = 0x02,          // D
    Short = 0x03,         // S
    Long = 0x04,          // I
    Money = 0x05,         // $
    Number = 0x06,        // N
    Logical = 0x09,       // L
    Memo = 0x0C,          // M
    Blob = 0x0D,          // B
    FormattedMemo = 0x0E, // F
    Ole = 0x0F,           // O
    Graphic = 0x10,       // G
    Time = 0x14,          // T
    Timestamp = 0x15,     // @
    AutoIncrement = 0x16, // +
    Bcd = 0x17,           // #
    Bytes = 0x18,         // Y
};

namespace db {
// Header offsets common to every version.
constexpr int kRecordSize = 0x00;
constexpr int kHeaderSize = 0x02;
constexpr int kFileType = 0x04;
constexpr int kMaxTableSize = 0x05;
constexpr int kNumRecords = 0x06;
constexpr int kNextBlock = 0x0A;
constexpr int kFileBlocks = 0x0C;
constexpr int kFirstBlock = 0x0E;
constexpr int kLastBlock = 0x10;
constexpr int kUnknown12 = 0x12;
constexpr int kModifiedFlags1 = 0x14;
constexpr int kIndexFieldNumber = 0x15;
constexpr int kPrimaryIndexWorkspace = 0x16;
constexpr int kUnknownPtr1A = 0x1A;
constexpr int kIndexRoot = 0x1E;
constexpr int kNumIndexLevels = 0x20;
constexpr int kNumFields = 0x21;
constexpr int kPrimaryKeyFields = 0x23;
constexpr int kEncryption1 = 0x25;
constexpr int kSortOrder = 0x29;
constexpr int kModifiedFlags2 = 0x2A;
constexpr int kChangeCount1 = 0x2D;
constexpr int kChangeCount2 = 0x2E;
constexpr int kTableNamePtrPtr = 0x30;
constexpr int kFieldInfoPtr = 0x34;
constexpr int kWriteProtected = 0x38;
constexpr int kFileVersion = 0x39;
constexpr int kMaxBlocks = 0x3A;
constexpr int kAuxPasswords = 0x3D;
constexpr int kUnknown3E = 0x3E;
constexpr int kAutoIncrement = 0x49;
constexpr int kFirstFreeBlock = 0x4D;
constexpr int kRealHeaderSize = 0x51;
constexpr int kRefIntegrity = 0x55;
constexpr int kUnknown56 = 0x56;
// The data header of 4.x and later tables.
constexpr int kFileVerId3 = 0x58;
constexpr int kFileVerId4 = 0x5A;
constexpr int kEncryption2 = 0x5C;
constexpr int kFileUpdateTime = 0x60;
constexpr int kHiFieldId = 0x64;
constexpr int kHiFieldIdInfo = 0x66;
constexpr int kSometimesNumFields = 0x68;
constexpr int kDosCodePage = 0x6A;
constexpr int kUnknown6C = 0x6C;
constexpr int kSortOrderNamePtr = 0x6E;
constexpr int kChangeCount4 = 0x70;

// Where the field-info list starts: 3.x tables have no data header.
constexpr int kFieldInfo3x = 0x58;
constexpr int kFieldInfo4x = 0x78;
// Offsets in the data header count from here.
constexpr int kDataHeaderBase = 0x58;

constexpr int kTableNameLength = 79;
constexpr int kTableNameLength7 = 261;
constexpr int kPointerSize = 4;

// File types.
constexpr std::uint8_t kTypeKeyed = 0;
constexpr std::uint8_t kTypeUnkeyed = 2;

// File versions.
constexpr std::uint8_t kVersion30 = 3;
constexpr std::uint8_t kVersion35 = 4;
constexpr std::uint8_t kVersion4First = 5;
constexpr std::uint8_t kVersion50 = 0x0B;
constexpr std::uint8_t kVersion70 = 0x0C;
constexpr std::uint8_t kVersionLast = 0x0F;

constexpr std::uint32_t kEncryptionInDataHeader = 0xFF00FF00u;

constexpr int kHeaderUnit = 0x800;
constexpr int kBlockUnit = 0x400;
constexpr int kMaxBlockUnits = 32;
constexpr int kBlockHeaderSize = 6;
constexpr int kMaxBlocksPerTable = 0xFFFF;
constexpr int kMaxFields = 255;
constexpr int kBcdSize = 17;
constexpr int kBcdDigits = 32;
constexpr int kBlobTrailer = 10; // pointer, length, modification number
constexpr int kMaxAlpha = 255;
constexpr int kMaxLeader = 240;
constexpr int kMaxFieldName = 25;
} // namespace db

namespace mb {
constexpr int kBlockSize = 4096;
constexpr int kChunk = 256; // unit of the encryption of .mb files
constexpr std::uint8_t kHeaderBlock = 0;
constexpr std::uint8_t kSingleBlob = 2;
constexpr std::uint8_t kSubAllocated = 3;
constexpr std::uint8_t kFreeBlock = 4;
constexpr int kSingleHeader = 9; // type, block count, length, modification number
constexpr int kSubHeader = 12;   // type, 1, 9 zero bytes
constexpr int kSubEntrySize = 5; // start / 16, chunk count, mod number, bytes in last chunk
constexpr int kSubEntries = 64;
constexpr int kSubGranule = 16;
constexpr int kSubFirstChunk = 0x15; // data begins after the header and the entries
constexpr int kSubChunks = kBlockSize / kSubGranule - kSubFirstChunk;
constexpr int kSubMaxBlob = 2048;
// Blob pointers are 32-bit offsets that readers may take as signed numbers
// (pxlib passes them around as int): a blob file stays below 2 GiB.
constexpr qint64 kMaxFileBytes = 0x7FFFFFFF;
constexpr int kSingleIndex = 0xFF;
constexpr int kGraphicPrefix = 8; // mark, then u32 length of the image
constexpr unsigned char kGraphicMark[4] = {0x01, 0x00, 0x00, 0x01};
} // namespace mb

// The byte codecs both formats share (callers check bounds before calling).
using encoding::getU16BE;
using encoding::getU16LE;
using encoding::getU32BE;
using encoding::getU32LE;
using encoding::getU64BE;
using encoding::putU16BE;
using encoding::putU16LE;
using encoding::putU32BE;
using encoding::putU32LE;
using encoding::putU64BE;

inline bool allZero(const unsigned char *p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}

} // namespace tw::paradox
