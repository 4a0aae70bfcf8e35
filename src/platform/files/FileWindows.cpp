// File over Win32: CreateFileW, ReadFile/WriteFile at an offset (OVERLAPPED
// on a synchronous handle), GetFileSizeEx, SetFileInformationByHandle and
// LockFileEx. The messages and the planned faults are FileSystem.cpp's.
//
// Files are opened sharing reading, writing and deleting with everyone, as
// POSIX does: readers see a table while it is written, and a writer may
// rename or delete its temporary while it holds it open.

#include "File.h"
#include "SystemCalls.h"
#include "WindowsPaths.h"

#include <algorithm>
#include <limits>
#include <utility>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tw::files {

using ado::RuntimeError;
using detail::errorText;

namespace {

// Longest run one ReadFile or WriteFile call is given.
constexpr qint64 kLargestCall = qint64(1) << 30;
// Windows locks byte ranges, and a locked range cannot be read or written
// through any other handle. The lock tryLock takes covers one byte far past
// any data instead, so that it keeps out only those who ask for it too, like
// an advisory lock.
constexpr DWORD kLockOffsetLow = 0;
constexpr DWORD kLockOffsetHigh = 0x40000000u; // byte 2^62

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED at(qint64 offset)
{
    OVERLAPPED position{};
    position.Offset = DWORD(quint64(offset) & 0xFFFFFFFFu);
    position.OffsetHigh = DWORD(quint64(offset) >> 32);
    return position;
}

bool isFolder(const QString &path)
{
    const DWORD attributes = GetFileAttributesW(detail::wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

File::File(const QString &path, Mode mode, const QString &shownName) : m_path(path), m_shownName(shownName)
{
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
    case Mode::Read:
        break;
    case Mode::ReadWrite:
        access |= GENERIC_WRITE;
        break;
    case Mode::CreateNew:
        access |= GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
    }
    const HANDLE handle =
        CreateFileW(detail::wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A folder cannot be opened as a file: Windows says "access denied".
        if (error == ERROR_ACCESS_DENIED && mode != Mode::CreateNew && isFolder(path))
            failFolder(path);
        int number = RuntimeError::kGeneric;
        switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            number = RuntimeError::kPermissionDenied;
            break;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            number = mode == Mode::CreateNew ? RuntimeError::kPathNotFound : ado::kErrFileNotFound;
            break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            number = ado::kErrFileExists;
            break;
        default:
            break;
        }
        failOpen(path, mode, number, errorText(int(error)));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        failFolder(path);
    }
    m_handle = reinterpret_cast<Handle>(handle);
}

File::~File()
{
    close();
}

File::File(File &&other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoHandle)), m_locked(std::exchange(other.m_locked, false)),
      m_path(std::move(other.m_path)), m_shownName(std::move(other.m_shownName))
{
}

File &File::operator=(File &&other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, kNoHandle);
        m_locked = std::exchange(other.m_locked, false);
        m_path = std::move(other.m_path);
        m_shownName = std::move(other.m_shownName);
    }
    return *this;
}

qint64 File::size() const
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(m_handle), &size))
        failSize(errorText(int(GetLastError())));
    return size.QuadPart;
}

qint64 File::readAt(qint64 offset, char *data, qint64 size) const
{
    checkPlannedRead(offset);
    qint64 done = 0;
    while (done < size) {
        OVERLAPPED position = at(offset + done);
        DWORD got = 0;
        const DWORD want = DWORD(std::min(size - done, kLargestCall));
        if (!ReadFile(handleOf(m_handle), data + done, want, &got, &position)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF)
                break;
            failRead(offset + done, errorText(int(error)));
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void File::writeAt(qint64 offset, const char *data, qint64 size)
{
    const qint64 room = plannedWriteRoom(offset, size);
    qint64 done = 0;
    while (done < room) {
        OVERLAPPED position = at(offset + done);
        DWORD put = 0;
        const DWORD want = DWORD(std::min(room - done, kLargestCall));
        if (!WriteFile(handleOf(m_handle), data + done, want, &put, &position))
            failWrite(offset + done, errorText(int(GetLastError())));
        if (put == 0)
            failWrite(offset + done, errorText(ERROR_DISK_FULL));
        done += put;
    }
    if (room < size)
        failPlannedWrite(offset + room);
}

void File::truncate(qint64 size)
{
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = size;
    if (!SetFileInformationByHandle(handleOf(m_handle), FileEndOfFileInfo, &end, sizeof end))
        failTruncate(errorText(int(GetLastError())));
}

bool File::tryLock()
{
    if (m_locked)
        return true; // asking again for a lock held would fail on Windows
    OVERLAPPED position{};
    position.Offset = kLockOffsetLow;
    position.OffsetHigh = kLockOffsetHigh;
    m_locked = LockFileEx(handleOf(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &position);
    return m_locked;
}

void File::close()
{
    if (m_handle != kNoHandle) {
        // Closing lets go of the lock too; unlocking first makes it at once.
        if (m_locked) {
            OVERLAPPED position{};
            position.Offset = kLockOffsetLow;
            position.OffsetHigh = kLockOffsetHigh;
            UnlockFileEx(handleOf(m_handle), 0, 1, 0, &position);
        }
        CloseHandle(handleOf(m_handle));
        m_handle = kNoHandle;
    }
    m_locked = false;
}

} // namespace tw::files
