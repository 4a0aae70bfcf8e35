#pragma once
// MemoFile: a FoxPro memo file (.fpt, or a container's .dct): its 512-byte
// header (next free block, block size, both big-endian) and its blocks
// ([type u32 BE][length u32 BE][data]). Reads any block size; appends
// blocks the way Visual FoxPro lays them out.

#include "MappedFront.h"
#include "RawFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace tw::foxpro {

namespace fpt {
constexpr int kHeaderSize = 512;
constexpr int kOffNextFree = 0;
constexpr int kOffBlockSize = 6;
constexpr int kBlockHeaderSize = 8;
constexpr int kOffBlockType = 0;   // within a block, u32 BE
constexpr int kOffBlockLength = 4; // within a block, u32 BE
constexpr int kDefaultBlockSize = 64;
constexpr uint32_t kTypePicture = 0; // binary data (BLOB)
constexpr uint32_t kTypeText = 1;
constexpr uint32_t kTypeObject = 2;
// Visual FoxPro opens no memo file of 2 GiB or more.
constexpr qint64 kMaxFileBytes = 0x7FFFFFFF;
// Other writers (Harbour's FlexFile and SIx types) use small type numbers of
// their own; a "type" above 16 bits is the middle of another memo's data.
constexpr uint32_t kMaxBlockType = 0xFFFF;
} // namespace fpt

class MemoFile {
public:
    // Opens an existing memo file; `tableName` names the table in messages,
    // `shownName` the memo file (its own name when empty).
    static MemoFile open(const QString &path, const QString &tableName, bool writable, const QString &shownName = {});
    // Creates a new, empty memo file with 64-byte blocks; refuses an existing file.
    static MemoFile create(const QString &path, const QString &tableName, const QString &shownName = {});

    MemoFile() = default;
    MemoFile(MemoFile &&) noexcept = default;
    MemoFile &operator=(MemoFile &&) noexcept = default;

    bool isOpen() const { return m_file.isOpen(); }
    QString fileName() const { return m_file.name(); }
    int blockSize() const { return m_blockSize; }
    uint32_t nextFree() const { return m_nextFree; }
    // The most bytes the file may grow to (its format's limit, or a test's
    // lower one): append() refuses a memo that would carry it further.
    qint64 sizeLimit() const { return m_sizeLimit; }

    // The data of the memo at block `block` (> 0). RuntimeError naming both
    // files when the pointer or the length leaves the file.
    QByteArray read(uint32_t block) const;
    // The same data seen in place in the read window when the whole memo lies
    // in it, else a copy kept here. Valid until the next call on this file.
    QByteArrayView view(uint32_t block) const;
    // Places a memo at the next free block and returns that block number;
    // `write(char *out)` puts its data at `out`, at most `maxSize` bytes, and
    // returns how many. Nothing is placed (block 0) when it wrote none. The
    // blocks of one row are written together by commit(). A memo that would
    // carry the file past sizeLimit() is refused (kErrPastFormatLimit).
    template <typename Write> uint32_t append(uint32_t type, qsizetype maxSize, Write &&write)
    {
        char *out = beginAppend(maxSize);
        qsizetype size = 0;
        try {
            size = write(out);
        } catch (...) {
            m_pendingSize = m_appendAt;
            throw;
        }
        return endAppend(type, size);
    }
    // Writes the memos appended since the last commit, then the header's
    // next-free pointer.
    void commit();
    // Catches up with blocks another writer appended since (reads the header).
    void refresh();
    // Marks where a row's memos begin, so that discard() forgets only them.
    void beginRow()
    {
        m_rowAt = m_pendingSize;
        m_rowFirst = m_nextFree;
    }
    // Forgets the memos appended since beginRow() (since the last commit
    // when no row was begun after it).
    void discard();
    // Forgets every memo appended since the last commit.
    void discardAll()
    {
        m_rowAt = 0;
        m_rowFirst = m_pendingFirst;
        discard();
    }
    // Bytes of blocks appended and not yet written.
    qsizetype pendingBytes() const { return m_pendingSize; }
    void close()
    {
        m_front = MappedFront();
        m_file.close();
    }

private:
    // Reads through the read window of a memo file opened for reading only.
    qint64 fetch(qint64 offset, char *data, qint64 size) const;
    // Moves the window to `offset` unless it holds [offset, offset + size)
    // already; returns how many of those bytes it holds (0 or less: none).
    qint64 fillWindow(qint64 offset, qint64 size) const;
    // Room at the end of m_pending for a block header and `maxSize` bytes of
    // data; returns where the data goes.
    char *beginAppend(qsizetype maxSize);
    // Completes the memo begun by beginAppend() with `size` bytes of data.
    uint32_t endAppend(uint32_t type, qsizetype size);

    RawFile m_file;
    MappedFront m_front; // the header, when writable and the file system maps files
    QString m_tableName;
    int m_blockSize = fpt::kDefaultBlockSize;
    uint32_t m_nextFree = 0;
    qint64 m_sizeLimit = fpt::kMaxFileBytes;
    qint64 m_size = 0;
    // Blocks appended but not yet written: the first m_pendingSize bytes. The
    // array only grows, and its room serves the rows after.
    QByteArray m_pending;
    qsizetype m_pendingSize = 0;
    uint32_t m_pendingFirst = 0; // block number of m_pending's start
    qsizetype m_appendAt = 0;    // where in m_pending the memo being appended starts
    qsizetype m_rowAt = 0;       // where in m_pending the current row's memos start
    uint32_t m_rowFirst = 0;     // the next free block when the current row began
    // Memos are read in file order far more often than not: one read fills a
    // window that serves the memos after it. Only for files opened to read,
    // whose bytes nobody here changes.
    bool m_windowed = false;
    mutable QByteArray m_window;
    mutable qint64 m_windowStart = 0;
    mutable QByteArray m_copy; // what view() shows when the memo is not in the window
};

} // namespace tw::foxpro
