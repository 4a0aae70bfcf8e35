#include "ReadWindow.h"

#include <cstring>

namespace tw::paradox {

ReadWindow::ReadWindow(const tw::files::File &file, qint64 fileSize, qint64 alignment,
                       std::function<void(unsigned char *, qint64)> unscramble)
    : m_file(file), m_fileSize(fileSize), m_alignment(alignment), m_unscramble(std::move(unscramble))
{
}

qint64 ReadWindow::readAt(const tw::files::File &file, qint64 offset, char *out, qint64 length, QString *error)
{
    try {
        return file.readAt(offset, out, length);
    } catch (const tw::files::FileError &e) {
        if (error)
            *error = e.reason();
        return -1;
    }
}

bool ReadWindow::fill(Slot &slot, qint64 offset, qint64 length, qint64 span)
{
    // A window holds kCapacity bytes past any offset despite the alignment.
    const qint64 room = kCapacity + m_alignment;
    if (slot.buffer.empty())
        slot.buffer.resize(static_cast<size_t>(room));
    slot.loaded = false;
    slot.start = offset / m_alignment * m_alignment;
    span = qMax(span, offset + length - slot.start);
    slot.span = qMin((span + m_alignment - 1) / m_alignment * m_alignment, room);
    const qint64 wanted = qBound<qint64>(0, m_fileSize - slot.start, slot.span);
    const qint64 held = readAt(m_file, slot.start, slot.buffer.data(), wanted, &m_error);
    if (held < 0)
        return false;
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
        if (s.loaded && offset >= s.start && offset + length <= s.start + s.span)
            slot = &s;
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
                if (s.lastUse < slot->lastUse)
                    slot = &s;
        }
        if (!fill(*slot, offset, length, span))
            return -1;
    }
    slot->lastUse = ++m_clock;
    *data = slot->buffer.data() + (offset - slot->start);
    return qBound<qint64>(0, slot->start + slot->held - offset, length);
}

QString ReadWindow::errorString() const
{
    return m_error;
}

} // namespace tw::paradox
