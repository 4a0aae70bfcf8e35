#include "RawFile.h"

#include "platform/ado/RuntimeError.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::foxpro {

using ado::RuntimeError;

namespace {

QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

RawFile::RawFile(const QString &path, Mode mode) : m_path(path)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    }
    const QByteArray native = QFile::encodeName(path);
    do {
        m_fd = ::open(native.constData(), flags, 0666);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        const int error = errno;
        int number = RuntimeError::kGeneric;
        if (error == EACCES || error == EPERM || error == EROFS)
            number = RuntimeError::kPermissionDenied;
        else if (error == ENOENT)
            number = mode == Mode::CreateNew ? RuntimeError::kPathNotFound : 53;
        else if (error == EEXIST)
            number = 58;
        const QString verb = mode == Mode::CreateNew ? QStringLiteral("create") : QStringLiteral("open");
        throw RuntimeError(number, QStringLiteral("Cannot %1 %2: %3.").arg(verb, path, systemMessage(error)));
    }
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        throw RuntimeError(QStringLiteral("Cannot open %1: it is a folder.").arg(path));
    }
}

RawFile::~RawFile()
{
    close();
}

RawFile::RawFile(RawFile &&other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path))
{
    other.m_fd = -1;
}

RawFile &RawFile::operator=(RawFile &&other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

QString RawFile::name() const
{
    return QFileInfo(m_path).fileName();
}

qint64 RawFile::size() const
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        throw RuntimeError(QStringLiteral("%1: cannot read its size: %2.").arg(name(), systemMessage(errno)));
    return st.st_size;
}

qint64 RawFile::readAt(qint64 offset, char *data, qint64 size) const
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(m_fd, data + done, size_t(size - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw RuntimeError(QStringLiteral("%1: read error at byte %2: %3.")
                                   .arg(name()).arg(offset + done).arg(systemMessage(errno)));
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

QByteArray RawFile::readExactly(qint64 offset, qint64 size, const char *what) const
{
    const qint64 fileSize = this->size();
    if (offset < 0 || size < 0 || offset > fileSize || size > fileSize - offset)
        throw RuntimeError(QStringLiteral("%1: %2 (%3 bytes at byte %4) is past the end of the file (%5 bytes).")
                               .arg(name(), QString::fromLatin1(what)).arg(size).arg(offset).arg(fileSize));
    QByteArray bytes(size, Qt::Uninitialized);
    if (readAt(offset, bytes.data(), size) != size)
        throw RuntimeError(QStringLiteral("%1: the file ends inside %2.").arg(name(), QString::fromLatin1(what)));
    return bytes;
}

void RawFile::writeAt(qint64 offset, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(m_fd, data + done, size_t(size - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw RuntimeError(QStringLiteral("%1: write error at byte %2: %3.")
                                   .arg(name()).arg(offset + done).arg(systemMessage(errno)));
        }
        done += n;
    }
}

void RawFile::truncate(qint64 size)
{
    if (::ftruncate(m_fd, off_t(size)) != 0)
        throw RuntimeError(QStringLiteral("%1: cannot set its size: %2.").arg(name(), systemMessage(errno)));
}

void RawFile::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace tw::foxpro
