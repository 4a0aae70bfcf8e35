#pragma once
// DbtMemoFile: a dBase memo file (.dbt), read only. dBase III keeps a memo in
// 512-byte blocks and ends its text with 0x1A; dBase IV takes its block size
// from the header and starts each memo with FF FF 08 00 and its length.

#include "RawFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace tw::foxpro {

namespace dbt {
constexpr int kDBase3BlockSize = 512; // also the size of the dBase III header
constexpr int kOffBlockSize = 20;     // dBase IV header, u16 LE; 0 means 512
constexpr int kDBase4DefaultBlockSize = 512;
constexpr int kDBase4HeaderNeeded = kOffBlockSize + 2;
constexpr int kMemoHeaderSize = 8; // dBase IV: marker, then length
constexpr int kOffMemoLength = 4;  // u32 LE, the 8-byte memo header included
constexpr unsigned char kMemoMarker[] = {0xFF, 0xFF, 0x08, 0x00};
constexpr char kEndOfText = 0x1A;
} // namespace dbt

class DbtMemoFile {
public:
    enum class Layout { DBase3, DBase4 };

    // Opens an existing .dbt; `tableName` names the table in messages.
    static DbtMemoFile open(const QString &path, const QString &tableName, Layout layout);

    DbtMemoFile() = default;
    DbtMemoFile(DbtMemoFile &&) noexcept = default;
    DbtMemoFile &operator=(DbtMemoFile &&) noexcept = default;

    QString fileName() const { return m_file.name(); }
    int blockSize() const { return m_blockSize; }
    Layout layout() const { return m_layout; }

    // The data of the memo at block `block` (> 0), seen in place in the read
    // window when it lies there, else a copy kept here; valid until the next
    // call. RuntimeError naming both files when the pointer or the memo's
    // header is not sound.
    QByteArrayView view(uint32_t block) const;

private:
    QByteArrayView textUpToEndMark(qint64 offset) const;
    QByteArrayView lengthPrefixed(qint64 offset, uint32_t block) const;
    // Makes the window hold [offset, offset + size) (less at the end of the
    // file); returns how many bytes from `offset` it holds.
    qint64 fillWindow(qint64 offset, qint64 size) const;
    [[noreturn]] void fail(const QString &problem) const;

    RawFile m_file;
    QString m_tableName;
    Layout m_layout = Layout::DBase3;
    int m_blockSize = dbt::kDBase3BlockSize;
    qint64 m_size = 0;
    mutable QByteArray m_window;
    mutable qint64 m_windowStart = 0;
    mutable QByteArray m_copy;
};

} // namespace tw::foxpro
