#include "ReadWindow.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace tw::paradox {

ReadWindow::ReadWindow(int fd, qint64 fileSize, qint64 alignment,
                       std::function<void(unsigned char *, qint64)> unscramble)
    : m_fd(fd), m_fileSize(fileSize), m_alignment(alignment), m_unscramble(std::move(unscramble))
{
}

qint64 ReadWindow::readAt(int fd, qint64 offset, char *out, qint64 length)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, out + done, static_cast<size_t>(length - done), static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break; // the end of the file
        done += got;
    }
    return done;
}

bool ReadWindow::fill(Slot &slot, qint64 offset, qint64 length, qint64 span)
{
    // A window holds kCapacity bytes past any offset despite the alignment.
    const qint64 room = kCapacity + m_alignment;
    if (slot.buffer.empty()) slot.buffer.resize(static_cast<size_t>(room));
    slot.loaded = false;
    slot.start = offset / m_alignment * m_alignment;
    span = qMax(span, offset + length - slot.start);
    slot.span = qMin((span + m_alignment - 1) / m_alignment * m_alignment, room);
    const qint64 wanted = qBound<qint64>(0, m_fileSize - slot.start, slot.span);
    const qint64 held = readAt(m_fd, slot.start, slot.buffer.data(), wanted);
    if (held < 0) {
        m_errno = errno;
        return false;
    }
    slot.held = held;
    std::memset(slot.buffer.data() + held, 0, static_cast<size_t>(slot.span - held));
    if (m_unscramble && held > 0)
        m_unscramble(reinterpret_cast<unsigned char *>(slot.buffer.data()),
                     (held + m_alignment - 1) / m_alignment * m_alignment);
    slot.loaded = true;
    return true;
}

qint64 ReadWindow::view(qint64 offset, qint64 length, const char **data)
{
    Q_ASSERT(offset >= 0 && length >= 0 && length <= kCapacity);
    Slot *slot = nullptr;
    for (Slot &s : m_slots)
        if (s.loaded && offset >= s.start && offset + length <= s.start + s.span) slot = &s;
    if (!slot) {
        // A reader running on past the end of a window takes it along, with
        // twice its size; otherwise the one used longest ago (an empty one
        // first) moves here, small.
        qint64 span = kFirstRead;
        for (Slot &s : m_slots) {
            if (s.loaded && offset >= s.start && offset < s.start + 2 * s.span) {
                slot = &s;
                span = qMin(2 * s.span, kCapacity);
            }
        }
        if (!slot) {
            slot = &m_slots[0];
            for (Slot &s : m_slots)
                if (s.lastUse < slot->lastUse) slot = &s;
        }
        if (!fill(*slot, offset, length, span)) return -1;
    }
    slot->lastUse = ++m_clock;
    *data = slot->buffer.data() + (offset - slot->start);
    return qBound<qint64>(0, slot->start + slot->held - offset, length);
}

QString ReadWindow::errorString() const
{
    return qt_error_string(m_errno);
}

} // namespace tw::paradox
