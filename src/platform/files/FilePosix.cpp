// File over POSIX: open, pread/pwrite, fstat, ftruncate and flock. The
// messages and the planned faults are FileSystem.cpp's.

#include "File.h"
#include "SystemCalls.h"

#include <QFile>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::files {

using ado::RuntimeError;
using detail::errorText;

namespace {

// Mode for newly created files; the process umask narrows it as for any new file.
constexpr mode_t kNewFileMode = 0666;

int descriptor(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

} // namespace

File::File(const QString &path, Mode mode, const QString &shownName) : m_path(path), m_shownName(shownName)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read:
        flags |= O_RDONLY;
        break;
    case Mode::ReadWrite:
        flags |= O_RDWR;
        break;
    case Mode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    const QByteArray native = QFile::encodeName(path);
    int fd = -1;
    do {
        fd = ::open(native.constData(), flags, kNewFileMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        int number = RuntimeError::kGeneric;
        if (error == EACCES || error == EPERM || error == EROFS)
            number = RuntimeError::kPermissionDenied;
        else if (error == ENOENT)
            number = mode == Mode::CreateNew ? RuntimeError::kPathNotFound : ado::kErrFileNotFound;
        else if (error == EEXIST)
            number = ado::kErrFileExists;
        failOpen(path, mode, number, errorText(error));
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        failFolder(path);
    }
    m_handle = fd;
}

File::~File()
{
    close();
}

File::File(File &&other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoHandle)), m_path(std::move(other.m_path)),
      m_shownName(std::move(other.m_shownName))
{
}

File &File::operator=(File &&other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, kNoHandle);
        m_path = std::move(other.m_path);
        m_shownName = std::move(other.m_shownName);
    }
    return *this;
}

qint64 File::size() const
{
    struct stat st {};
    if (::fstat(descriptor(m_handle), &st) != 0)
        failSize(errorText(errno));
    return st.st_size;
}

qint64 File::readAt(qint64 offset, char *data, qint64 size) const
{
    checkPlannedRead(offset);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(descriptor(m_handle), data + done, size_t(size - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failRead(offset + done, errorText(errno));
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

void File::writeAt(qint64 offset, const char *data, qint64 size)
{
    const qint64 room = plannedWriteRoom(offset, size);
    qint64 done = 0;
    while (done < room) {
        const ssize_t n = ::pwrite(descriptor(m_handle), data + done, size_t(room - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failWrite(offset + done, errorText(errno));
        }
        done += n;
    }
    if (room < size)
        failPlannedWrite(offset + room);
}

void File::truncate(qint64 size)
{
    if (::ftruncate(descriptor(m_handle), off_t(size)) != 0)
        failTruncate(errorText(errno));
}

bool File::tryLock()
{
    for (;;) {
        if (::flock(descriptor(m_handle), LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

void File::close()
{
    if (m_handle != kNoHandle) {
        ::close(descriptor(m_handle));
        m_handle = kNoHandle;
    }
}

} // namespace tw::files
