#include "WriteBuffer.h"

#include "platform/ado/RuntimeError.h"

#include <cstring>

namespace tw::paradox {

WriteBuffer::WriteBuffer(tw::files::File &file, const QString &name, qint64 start)
    : m_file(file), m_name(name), m_flushed(start)
{
    m_buffer.reserve(kCapacity);
}

void WriteBuffer::write(qint64 offset, const char *data, qint64 size)
{
    try {
        m_file.writeAt(offset, data, size);
    } catch (const tw::files::FileError &e) {
        throw tw::ado::RuntimeError::inFile(m_name, QStringLiteral("write error: %1.").arg(e.reason()));
    }
}

void WriteBuffer::flush()
{
    if (m_buffer.isEmpty())
        return;
    write(m_flushed, m_buffer.constData(), m_buffer.size());
    m_flushed += m_buffer.size();
    m_buffer.resize(0); // keeps its room
}

void WriteBuffer::append(const char *data, qint64 size)
{
    if (m_buffer.size() + size > kCapacity) {
        flush();
        if (size >= kCapacity) {
            // Large values go straight to the file.
            write(m_flushed, data, size);
            m_flushed += size;
            return;
        }
    }
    m_buffer.append(data, size);
}

void WriteBuffer::appendZeros(qint64 size)
{
    while (size > 0) {
        if (m_buffer.size() == kCapacity)
            flush();
        const qint64 piece = qMin(size, kCapacity - m_buffer.size());
        const qint64 at = m_buffer.size();
        m_buffer.resize(at + piece);
        std::memset(m_buffer.data() + at, 0, static_cast<size_t>(piece));
        size -= piece;
    }
}

void WriteBuffer::overwrite(qint64 offset, const char *data, qint64 size)
{
    Q_ASSERT(offset >= 0 && size >= 0 && offset + size <= position());
    if (offset < m_flushed) {
        // Already in the file: rare, when the buffer filled meanwhile.
        const qint64 early = qMin(size, m_flushed - offset);
        write(offset, data, early);
        offset += early;
        data += early;
        size -= early;
    }
    if (size > 0)
        std::memcpy(m_buffer.data() + (offset - m_flushed), data, static_cast<size_t>(size));
}

} // namespace tw::paradox
