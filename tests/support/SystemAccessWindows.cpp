// SystemAccess over Win32. Windows has no permission bits: the read-only
// attribute stands for "no write bit for the owner", and there is no
// superuser whom it does not stop. Named pipes are not files in a folder.

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
    return false;
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
    const DWORD wanted = (mode & kOwnerWrite) ? (attributes & ~DWORD(FILE_ATTRIBUTE_READONLY))
                                              : (attributes | FILE_ATTRIBUTE_READONLY);
    return SetFileAttributesW(name.c_str(), wanted) != 0;
}

bool makeFifo(const QString &)
{
    return false;
}

} // namespace tw::test
