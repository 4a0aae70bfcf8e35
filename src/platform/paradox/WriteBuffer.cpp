#include "WriteBuffer.h"

#include "platform/ado/RuntimeError.h"

#include <cstring>

namespace tw::paradox {

WriteBuffer::WriteBuffer(QFile &file, const QString &name) : m_file(file), m_name(name), m_flushed(file.pos())
{
    m_buffer.reserve(kCapacity);
}

void WriteBuffer::fail() const
{
    throw tw::ado::RuntimeError(QStringLiteral("%1: write error: %2.").arg(m_name, m_file.errorString()));
}

void WriteBuffer::flush()
{
    if (m_buffer.isEmpty()) return;
    if (m_file.write(m_buffer.constData(), m_buffer.size()) != m_buffer.size()) fail();
    m_flushed += m_buffer.size();
    m_buffer.resize(0); // keeps its room
}

void WriteBuffer::append(const char *data, qint64 size)
{
    if (m_buffer.size() + size > kCapacity) {
        flush();
        if (size >= kCapacity) {
            // Large values go straight to the file.
            if (m_file.write(data, size) != size) fail();
            m_flushed += size;
            return;
        }
    }
    m_buffer.append(data, size);
}

void WriteBuffer::appendZeros(qint64 size)
{
    while (size > 0) {
        if (m_buffer.size() == kCapacity) flush();
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
        if (!m_file.seek(offset) || m_file.write(data, early) != early || !m_file.seek(m_flushed)) fail();
        offset += early;
        data += early;
        size -= early;
    }
    if (size > 0) std::memcpy(m_buffer.data() + (offset - m_flushed), data, static_cast<size_t>(size));
}

} // namespace tw::paradox
