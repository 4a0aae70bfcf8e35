#pragma once
// ReadWindow: reads a file through two reused buffers (windows), so that
// requests near those before them cost no system call. A window that the
// reader runs on past grows from 8 to 128 KiB; one left for a jump elsewhere
// starts small again, so that scattered requests read little more than
// they need. Two, so that a reader going back and forth between two regions
// keeps both.

#include "platform/files/File.h"

#include <QString>

#include <array>
#include <functional>
#include <vector>

namespace tw::paradox {

class ReadWindow {
public:
    // Bytes one view may span at most; larger ranges go through readAt().
    static constexpr qint64 kCapacity = 128 * 1024;
    // What a window reads at least when it moves.
    static constexpr qint64 kFirstRead = 8 * 1024;

    // file stays the caller's and must outlive the window; fileSize is the
    // size the file had when opened. Windows start at multiples of alignment (a
    // power of two that divides kFirstRead); unscramble, when set, is applied
    // to every freshly read window, over its bytes rounded up to the alignment.
    ReadWindow(const tw::files::File &file, qint64 fileSize, qint64 alignment = 1,
               std::function<void(unsigned char *, qint64)> unscramble = {});

    // Points *data at the `length` bytes (at most kCapacity) from `offset`,
    // valid until the next call. Bytes past the end of the file read as zeros.
    // Returns how many of the bytes the file held, or -1 on a read error
    // (errorString() says which).
    qint64 view(qint64 offset, qint64 length, const char **data);

    // Reads `length` bytes at `offset` into out without the windows. Returns
    // how many the file held (fewer at its end), or -1 on a read error (the
    // system's reason in *error when given).
    static qint64 readAt(const tw::files::File &file, qint64 offset, char *out, qint64 length,
                         QString *error = nullptr);

    QString errorString() const;

private:
    struct Slot {
        std::vector<char> buffer; // kCapacity + alignment bytes once used
        qint64 start = 0;         // file offset of buffer[0]
        qint64 span = 0;          // bytes of the buffer in use
        qint64 held = 0;          // of those, bytes the file held
        bool loaded = false;
        quint64 lastUse = 0;
    };
    static constexpr int kSlots = 2;

    bool fill(Slot &slot, qint64 offset, qint64 length, qint64 span);

    const tw::files::File &m_file;
    qint64 m_fileSize;
    qint64 m_alignment;
    std::function<void(unsigned char *, qint64)> m_unscramble;
    std::array<Slot, kSlots> m_slots;
    quint64 m_clock = 0;
    QString m_error;
};

} // namespace tw::paradox
