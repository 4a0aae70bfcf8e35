// SystemAccess over Win32. Windows has no permission bits: the read-only
// attribute stands for "no write bit for the owner". Named pipes are not
// files in a folder.

#include "SystemAccess.h"

#include <QString>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tw::test {

namespace {
constexpr int kOwnerWrite = 0200;
} // namespace

bool runningAsRoot()
{
    // Windows itself has no such user, but Wine run by Linux's root writes
    // read-only files all the same: ask the file system once.
    static const bool unstopped = [] {
        wchar_t folder[MAX_PATH + 1] = {};
        wchar_t name[MAX_PATH + 1] = {};
        if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"two", 0, name))
            return false;
        SetFileAttributesW(name, FILE_ATTRIBUTE_READONLY);
        const HANDLE file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        const bool opened = file != INVALID_HANDLE_VALUE;
        if (opened)
            CloseHandle(file);
        SetFileAttributesW(name, FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(name);
        return opened;
    }();
    return unstopped;
}

bool setMode(const QString &path, int mode)
{
    const std::wstring name = path.toStdWString();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    // Folders keep no read-only attribute that Windows heeds: refused.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return (mode & kOwnerWrite) != 0;
    const DWORD wanted =
        (mode & kOwnerWrite) ? (attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) : (attributes | FILE_ATTRIBUTE_READONLY);
    return SetFileAttributesW(name.c_str(), wanted) != 0;
}

bool makeFifo(const QString &)
{
    return false;
}

QStringList openFiles()
{
    return {};
}

} // namespace tw::test
