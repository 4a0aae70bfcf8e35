#pragma once
// WriteBuffer: collects what a writer appends to a file and writes it in
// pieces of about 1 MiB, in order, so that a table costs a system call per
// MiB rather than per block. Bytes written earlier can still be replaced.

#include "platform/files/File.h"

#include <QByteArray>
#include <QString>

namespace tw::paradox {

class WriteBuffer {
public:
    static constexpr qint64 kCapacity = 1024 * 1024;

    // file: open for writing, and must outlive the buffer. name: the file as
    // errors show it. start: the file offset appending begins at.
    WriteBuffer(tw::files::File &file, const QString &name, qint64 start);

    // The file offset the next byte appended goes to.
    qint64 position() const { return m_flushed + m_buffer.size(); }

    void append(const char *data, qint64 size);
    void appendZeros(qint64 size);
    // Replaces `size` bytes from `offset`, all of them before position().
    void overwrite(qint64 offset, const char *data, qint64 size);
    // Writes what is held. Destroying the buffer writes nothing.
    void flush();

private:
    // Writes to the file; a failure is a RuntimeError naming the file as name.
    void write(qint64 offset, const char *data, qint64 size);

    tw::files::File &m_file;
    QString m_name;
    QByteArray m_buffer;
    qint64 m_flushed = 0; // the file offset of m_buffer[0]
};

} // namespace tw::paradox
