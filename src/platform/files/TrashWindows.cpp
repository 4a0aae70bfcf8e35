// The Recycle Bin: the shell moves a file there when asked to delete it with
// undo allowed. Only fixed drives have one; a removable drive or a share
// would have the shell delete the file for good, so those are left to the
// caller's plain delete.

#include "SystemCalls.h"

#include <QDir>
#include <QFileInfo>

#include <string>

#include <windows.h>

#include <shellapi.h>

namespace tw::files {

QString detail::moveToTrash(const QString &path)
{
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (native.size() < 3 || native.startsWith(QStringLiteral("\\\\")))
        return {}; // a share
    const std::wstring root = native.left(3).toStdWString();
    if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED)
        return {};
    const DWORD attributes = GetFileAttributesW(native.toStdWString().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    // The shell's list of names ends with an empty one.
    std::wstring from = native.toStdWString();
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NO_UI;
    if (SHFileOperationW(&operation) != 0 || operation.fAnyOperationsAborted)
        return {};
    if (GetFileAttributesW(native.toStdWString().c_str()) != INVALID_FILE_ATTRIBUTES)
        return {};
    return QStringLiteral("the Recycle Bin");
}

} // namespace tw::files
