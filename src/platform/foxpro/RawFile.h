#pragma once
// RawFile: an open file read and written at explicit offsets (pread/pwrite),
// so that every write reaches the system at once and readers in this or any
// other process see it. Failures are RuntimeErrors naming the file.

#include <QByteArray>
#include <QString>

namespace tw::foxpro {

class RawFile {
public:
    enum class Mode { Read, ReadWrite, CreateNew };

    RawFile() = default;
    // Opens the real path `path`; `shownName` is how messages name the file.
    RawFile(const QString &path, Mode mode);
    ~RawFile();
    RawFile(RawFile &&other) noexcept;
    RawFile &operator=(RawFile &&other) noexcept;
    RawFile(const RawFile &) = delete;
    RawFile &operator=(const RawFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    const QString &path() const { return m_path; }
    // The file name for messages (last component).
    QString name() const;
    qint64 size() const;

    // Reads up to `size` bytes at `offset`; fewer only at the end of the file.
    qint64 readAt(qint64 offset, char *data, qint64 size) const;
    // Reads exactly `size` bytes or throws naming `what`.
    QByteArray readExactly(qint64 offset, qint64 size, const char *what) const;
    void writeAt(qint64 offset, const char *data, qint64 size);
    void writeAt(qint64 offset, const QByteArray &bytes) { writeAt(offset, bytes.constData(), bytes.size()); }
    void truncate(qint64 size);
    void close();

private:
    int m_fd = -1;
    QString m_path;
};

} // namespace tw::foxpro
