// The file operations of FileSystem.h over Win32, wide-character calls only
// (GetFileAttributesW, FindFirstFileExW, CreateFileW, MoveFileExW, ...), so
// that names in any script work; and the questions of SystemCalls.h. Paths
// are Windows' own: drive letters, \\server\share\..., "\" between
// components, and names compared by the file system itself, without regard
// to case. The portable half (path texts, wildcards, the lookup by name,
// File's messages) is FileSystem.cpp.

#include "File.h"
#include "FileSystem.h"
#include "SystemCalls.h"
#include "WindowsPaths.h"

#include <QDir>
#include <QRandomGenerator>

#include <algorithm>

#include <memory>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tw::files {

using detail::errorText;
using detail::lastComponent;
using detail::parentOf;
using detail::raise;
using detail::wide;

namespace {

constexpr DWORD kCopyBufferSize = 64 * 1024;
constexpr int kTempNameAttempts = 100;
// Paths at least this long take the "\\?\" form (CreateDirectoryW's limit,
// the lowest of the plain calls).
constexpr qsizetype kPlainPathLimit = 248;
// FILETIME counts 100-nanosecond ticks from 1601; Qt counts milliseconds from 1970.
constexpr qint64 kTicksTo1970 = 116444736000000000LL;
constexpr qint64 kTicksPerMs = 10000;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const QChar kBackslash = QLatin1Char('\\');

DWORD attributesOf(const QString &native)
{
    return GetFileAttributesW(wide(native).c_str());
}

bool isFolderAttribute(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// 53 when the folder holding the path exists (only the file is missing), 76 otherwise.
int missingNumber(const QString &native)
{
    return isFolderAttribute(attributesOf(parentOf(native))) ? kErrFileNotFound : kErrPathNotFound;
}

// The error number callers test for a failed file operation.
int numberFor(DWORD error, const QString &native)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return missingNumber(native);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
        return kErrPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_PRIVILEGE_NOT_HELD:
        return kErrPermissionDenied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_DIR_NOT_EMPTY:
        return kErrFileExists;
    default:
        return kErrPathFileAccess;
    }
}

[[noreturn]] void raiseLast(const QString &what, const QString &native)
{
    const DWORD error = GetLastError();
    raise(numberFor(error, native), what, errorText(int(error)));
}

// Our attribute values from Windows' own: the same bits, a reparse point
// (symbolic link, junction) as 1024.
int attributesFrom(DWORD attributes)
{
    int bits = 0;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        bits |= kAttrReadOnly;
    if (attributes & FILE_ATTRIBUTE_HIDDEN)
        bits |= kAttrHidden;
    if (attributes & FILE_ATTRIBUTE_SYSTEM)
        bits |= kAttrSystem;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        bits |= kAttrDirectory;
    if (attributes & FILE_ATTRIBUTE_ARCHIVE)
        bits |= kAttrArchive;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        bits |= kAttrLink;
    return bits;
}

struct HandleCloser {
    void operator()(HANDLE handle) const
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

struct FindCloser {
    void operator()(HANDLE handle) const { FindClose(handle); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

// "folder\*" for FindFirstFileExW.
QString everythingIn(const QString &folder)
{
    if (folder.isEmpty())
        return QStringLiteral(".\\*");
    return detail::isNativeSeparator(folder.back()) || folder.endsWith(QLatin1Char(':')) ? folder + u'*'
                                                                                         : folder + kBackslash + u'*';
}

// Opens the first entry of a folder listing; null with the error in `error`
// when the folder cannot be listed. An empty drive root lists nothing.
FindHandle findFirst(const QString &folder, WIN32_FIND_DATAW *data, DWORD *error, bool *empty)
{
    *empty = false;
    const HANDLE handle = FindFirstFileExW(wide(everythingIn(folder)).c_str(), FindExInfoBasic, data,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        *empty = *error == ERROR_FILE_NOT_FOUND && isFolderAttribute(attributesOf(folder));
        return FindHandle();
    }
    return FindHandle(handle);
}

bool isDotEntry(const wchar_t *name)
{
    return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

// Copies one open file into another; false with the error left for GetLastError.
bool copyStream(HANDLE in, HANDLE out)
{
    std::unique_ptr<char[]> buffer(new char[kCopyBufferSize]);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.get(), kCopyBufferSize, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        DWORD done = 0;
        while (done < got) {
            DWORD put = 0;
            if (!WriteFile(out, buffer.get() + done, got - done, &put, nullptr))
                return false;
            done += put;
        }
    }
}

// Creates a new empty hidden file with an unused name beside `target`.
// Returns its handle (invalid with the error set on failure) and its name.
FileHandle createTemporaryBeside(const QString &target, QString *tempPath)
{
    const QString folder = parentOf(target);
    const QString base = lastComponent(target);
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        const QString candidate =
            QStringLiteral("%1%2.%3.tw-%4")
                .arg(folder, detail::isNativeSeparator(folder.back()) ? QString() : QString(kBackslash), base)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const HANDLE handle =
            CreateFileW(wide(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            *tempPath = candidate;
            return FileHandle(handle);
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return FileHandle(INVALID_HANDLE_VALUE);
    }
    SetLastError(ERROR_FILE_EXISTS);
    return FileHandle(INVALID_HANDLE_VALUE);
}

void removeNative(const QString &native, bool refuseReadOnly)
{
    const QString what = QStringLiteral("Cannot delete %1").arg(native);
    const DWORD attributes = attributesOf(native);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        raiseLast(what, native);
    const bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !link)
        raise(kErrPathFileAccess, what, QStringLiteral("it is a folder"));
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        if (refuseReadOnly)
            raise(kErrPathFileAccess, what,
                  QStringLiteral("%1 (the file is read-only)").arg(errorText(ERROR_ACCESS_DENIED)));
        if (!SetFileAttributesW(wide(native).c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)))
            raiseLast(what, native);
    }
    // A link to a folder goes as a folder does; the folder it names stays.
    const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(wide(native).c_str())
                                                                 : DeleteFileW(wide(native).c_str());
    if (!removed)
        raiseLast(what, native);
}

bool sameNameIgnoringCase(const QString &a, const QString &b)
{
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), Qt::CaseInsensitive) == 0;
}

// Gives an entry another spelling of its own name. Through a name of its
// own, so that no file system takes it for a replacement (or for nothing to do).
void changeLetterCase(const QString &src, const QString &dst, const QString &what)
{
    if (lastComponent(src) == lastComponent(dst))
        return;
    const QString step =
        QStringLiteral("%1.tw-%2").arg(src).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    if (!MoveFileExW(wide(src).c_str(), wide(step).c_str(), 0))
        raiseLast(what, dst);
    if (!MoveFileExW(wide(step).c_str(), wide(dst).c_str(), 0)) {
        const DWORD error = GetLastError();
        MoveFileExW(wide(step).c_str(), wide(src).c_str(), 0);
        raise(numberFor(error, dst), what, errorText(int(error)));
    }
}

} // namespace

namespace detail {

std::wstring wide(const QString &path)
{
    if (path.size() < kPlainPathLimit)
        return path.toStdWString();
    const bool drive = path.size() >= 3 && path[0].isLetter() && path[1] == QLatin1Char(':') && isSeparator(path[2]);
    const bool unc = path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) && path[2] != QLatin1Char('?');
    if (!drive && !unc)
        return path.toStdWString(); // relative: as long as the system allows
    const QString whole = QDir::toNativeSeparators(QDir::cleanPath(path));
    if (drive)
        return (QStringLiteral("\\\\?\\") + whole).toStdWString();
    return (QStringLiteral("\\\\?\\UNC\\") + whole.mid(2)).toStdWString();
}

// The entry at a real path spelt exactly so, letter case included: Windows
// finds "ORDERS.DB" for "Orders.db", but the lookup by name wants the stored
// spelling (the portable half then finds it among the folder's names). A
// root has no name to spell.
bool existsAsSpelt(const QString &native, DWORD *attributes)
{
    const QString name = lastComponent(native);
    if (name.isEmpty()) {
        *attributes = attributesOf(native);
        return *attributes != INVALID_FILE_ATTRIBUTES;
    }
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?')))
        return false; // wildcards, never a name
    WIN32_FIND_DATAW data{};
    const HANDLE find =
        FindFirstFileExW(wide(native).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        // "." and ".." are no entries FindFirstFileExW returns by name.
        *attributes = attributesOf(native);
        return (name == QLatin1String(".") || name == QLatin1String("..")) && *attributes != INVALID_FILE_ATTRIBUTES;
    }
    FindClose(find);
    *attributes = data.dwFileAttributes;
    return QString::fromWCharArray(data.cFileName) == name;
}

bool entryExists(const QString &native)
{
    DWORD attributes = 0;
    return existsAsSpelt(native, &attributes);
}

bool isRegularFile(const QString &native)
{
    DWORD attributes = 0;
    return existsAsSpelt(native, &attributes) && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

void removeEntry(const QString &native, bool refuseReadOnly, bool missingFails)
{
    if (missingFails || attributesOf(native) != INVALID_FILE_ATTRIBUTES)
        removeNative(native, refuseReadOnly);
}

std::vector<QString> entryNames(const QString &folder)
{
    std::vector<QString> names;
    WIN32_FIND_DATAW data{};
    DWORD error = 0;
    bool empty = false;
    FindHandle find = findFirst(folder, &data, &error, &empty);
    if (!find)
        return names;
    do {
        if (!isDotEntry(data.cFileName))
            names.push_back(QString::fromWCharArray(data.cFileName));
    } while (FindNextFileW(find.get(), &data));
    return names;
}

QString errorText(int code)
{
    wchar_t *buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, DWORD(code), 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString text = length > 0 ? QString::fromWCharArray(buffer, int(length)) : QString();
    if (buffer)
        LocalFree(buffer);
    text = text.trimmed();
    // The messages add their own full stop.
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.isEmpty() ? QStringLiteral("system error %1").arg(code) : text;
}

QChar nativeSeparator()
{
    return kBackslash;
}

bool isNativeSeparator(QChar c)
{
    return isSeparator(c);
}

bool namesIgnoreCase()
{
    return true;
}

QString rootOf(const QString &path, qsizetype *length)
{
    const qsizetype size = path.size();
    qsizetype n = 0;
    QString root;
    if (size >= 2 && path[0].isLetter() && path[1] == QLatin1Char(':')) {
        n = 2;
        root = path.left(2);
        if (n < size && isSeparator(path[n])) {
            root += kBackslash;
            while (n < size && isSeparator(path[n]))
                ++n;
        }
    } else if (size >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // \\server\share\: the share is the root, as a drive's "C:\" is.
        n = 2;
        root = QStringLiteral("\\\\");
        for (int part = 0; part < 2 && n < size; ++part) {
            const qsizetype start = n;
            while (n < size && !isSeparator(path[n]))
                ++n;
            root += path.mid(start, n - start);
            if (n < size) {
                root += kBackslash;
                while (n < size && isSeparator(path[n]))
                    ++n;
            }
        }
    } else if (size >= 1 && isSeparator(path[0])) {
        root = QString(kBackslash);
        while (n < size && isSeparator(path[n]))
            ++n;
    }
    *length = n;
    return root;
}

} // namespace detail

int attributes(const QString &path)
{
    const QString native = toNativePath(path);
    const DWORD attributes = attributesOf(native);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        raise(error == ERROR_FILE_NOT_FOUND ? missingNumber(native) : numberFor(error, native),
              QStringLiteral("Cannot read the attributes of %1").arg(native), errorText(int(error)));
    }
    return attributesFrom(attributes);
}

bool exists(const QString &path, EntryKind kind, PathForm form)
{
    if (path.isEmpty())
        return false;
    if (form == PathForm::Real)
        return kind == EntryKind::File ? detail::isRegularFile(path) : detail::entryExists(path);
    // A path text names whatever the system finds under it, in any letter case.
    const QString native = toNativePath(path);
    return kind == EntryKind::File ? detail::isRegularFile(native) : attributesOf(native) != INVALID_FILE_ATTRIBUTES;
}

bool isDirectory(const QString &path)
{
    return !path.isEmpty() && isFolderAttribute(attributesOf(toNativePath(path)));
}

QDateTime lastModified(const QString &path)
{
    const QString native = toNativePath(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide(native).c_str(), GetFileExInfoStandard, &data))
        raise(kErrFileNotFound, QStringLiteral("Cannot read the time of %1").arg(native),
              errorText(int(GetLastError())));
    const qint64 ticks = (qint64(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return QDateTime::fromMSecsSinceEpoch((ticks - kTicksTo1970) / kTicksPerMs);
}

void copyFile(const QString &from, const QString &to, bool overwrite)
{
    const QString src = toNativePath(from);
    const QString dst = toNativePath(to);
    const QString what = QStringLiteral("Cannot copy %1 to %2").arg(src, dst);

    const DWORD srcAttributes = attributesOf(src);
    if (srcAttributes == INVALID_FILE_ATTRIBUTES)
        raiseLast(what, src);
    if (srcAttributes & FILE_ATTRIBUTE_DIRECTORY)
        raise(kErrPathFileAccess, what, QStringLiteral("%1 is a folder").arg(src));
    FileHandle in(CreateFileW(wide(src).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (in.get() == INVALID_HANDLE_VALUE)
        raiseLast(what, src);

    const DWORD dstAttributes = attributesOf(dst);
    if (dstAttributes != INVALID_FILE_ATTRIBUTES) {
        if (!overwrite)
            raise(kErrFileExists, what, errorText(ERROR_FILE_EXISTS));
        if (dstAttributes & FILE_ATTRIBUTE_DIRECTORY)
            raise(kErrPathFileAccess, what, QStringLiteral("%1 is a folder").arg(dst));
        if (dstAttributes & FILE_ATTRIBUTE_READONLY)
            raise(kErrPathFileAccess, what,
                  QStringLiteral("%1 (the target file is read-only)").arg(errorText(ERROR_ACCESS_DENIED)));
    }

    QString temp;
    FileHandle out = createTemporaryBeside(dst, &temp);
    if (out.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        raise(error == ERROR_FILE_NOT_FOUND ? kErrPathNotFound : numberFor(error, dst), what, errorText(int(error)));
    }
    bool ok = copyStream(in.get(), out.get());
    DWORD error = ok ? 0 : GetLastError();
    out.reset();
    // The copy is an ordinary file, not hidden like the temporary it was.
    if (ok && !SetFileAttributesW(wide(temp).c_str(), FILE_ATTRIBUTE_ARCHIVE)) {
        ok = false;
        error = GetLastError();
    }
    if (ok && !MoveFileExW(wide(temp).c_str(), wide(dst).c_str(), overwrite ? MOVEFILE_REPLACE_EXISTING : 0)) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) {
        DeleteFileW(wide(temp).c_str());
        raise(numberFor(error, dst), what, errorText(int(error)));
    }
}

void writeFileReplacing(const QString &native, const QByteArray &data)
{
    const QString what = QStringLiteral("Cannot write %1").arg(native);
    QString temp;
    FileHandle out = createTemporaryBeside(native, &temp);
    if (out.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        throw FileError(error == ERROR_FILE_NOT_FOUND ? kErrPathNotFound : numberFor(error, native),
                        what + QStringLiteral(": ") + errorText(int(error)), errorText(int(error)));
    }
    bool ok = true;
    DWORD error = 0;
    for (qsizetype done = 0; ok && done < data.size();) {
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<qsizetype>(data.size() - done, 1 << 30));
        ok = WriteFile(out.get(), data.constData() + done, chunk, &written, nullptr) && written > 0;
        error = ok ? 0 : GetLastError();
        done += written;
    }
    out.reset();
    // The file is an ordinary one, not hidden like the temporary it was.
    if (ok && !SetFileAttributesW(wide(temp).c_str(), FILE_ATTRIBUTE_ARCHIVE)) {
        ok = false;
        error = GetLastError();
    }
    if (ok && !MoveFileExW(wide(temp).c_str(), wide(native).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) {
        DeleteFileW(wide(temp).c_str());
        throw FileError(numberFor(error, native), what + QStringLiteral(": ") + errorText(int(error)),
                        errorText(int(error)));
    }
}

void renameFile(const QString &from, const QString &to)
{
    const QString src = toNativePath(from);
    QString dst = toNativePath(to);
    const QString what = QStringLiteral("Cannot rename %1 to %2").arg(src, dst);
    if (attributesOf(src) == INVALID_FILE_ATTRIBUTES)
        raiseLast(what, src);
    if (sameNameIgnoringCase(src, dst)) {
        // The same entry: only the letter case of its name changes, to the
        // spelling given.
        const QString wanted = fileName(to);
        if (!wanted.isEmpty())
            dst = parentOf(dst) + kBackslash + wanted;
        changeLetterCase(src, dst, what);
        return;
    }
    if (!MoveFileExW(wide(src).c_str(), wide(dst).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        raise(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? missingNumber(dst)
                                                                             : numberFor(error, dst),
              what, errorText(int(error)));
    }
}

void replaceFile(const QString &from, const QString &to)
{
    // NTFS renames over a file without writing it out first.
    renameFile(from, to);
}

void renameWithoutReplacing(const QString &from, const QString &to)
{
    // The file itself under another spelling is no other file to keep.
    if (sameNameIgnoringCase(from, to) && attributesOf(from) != INVALID_FILE_ATTRIBUTES) {
        changeLetterCase(from, to, QStringLiteral("Cannot rename %1 to %2").arg(from, to));
        return;
    }
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), 0))
        return;
    const DWORD error = GetLastError();
    int number = numberFor(error, to);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        number = attributesOf(from) != INVALID_FILE_ATTRIBUTES ? missingNumber(to) : missingNumber(from);
    raise(number, QStringLiteral("Cannot rename %1 to %2").arg(from, to), errorText(int(error)));
}

std::vector<DirEntry> listDirectory(const QString &folder, const QString &pattern)
{
    const QString native = folder.isEmpty() ? QStringLiteral(".") : toNativePath(folder);
    const QString effectivePattern = pattern.isEmpty() ? QStringLiteral("*") : pattern;
    std::vector<DirEntry> entries;
    WIN32_FIND_DATAW data{};
    DWORD error = 0;
    bool empty = false;
    FindHandle find = findFirst(native, &data, &error, &empty);
    if (!find) {
        if (empty)
            return entries;
        const int number = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY ||
                                   error == ERROR_INVALID_NAME
                               ? kErrPathNotFound
                               : numberFor(error, native);
        raise(number, QStringLiteral("Cannot list %1").arg(native), errorText(int(error)));
    }
    do {
        if (isDotEntry(data.cFileName))
            continue;
        const QString name = QString::fromWCharArray(data.cFileName);
        if (wildcardMatch(effectivePattern, name))
            entries.push_back(DirEntry{name, attributesFrom(data.dwFileAttributes)});
    } while (FindNextFileW(find.get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES)
        raiseLast(QStringLiteral("Cannot list %1").arg(native), native);
    return entries;
}

bool canOpen(const QString &path)
{
    try {
        if (path.isEmpty())
            return false;
        const QString native = toNativePath(path);
        const DWORD attributes = attributesOf(native);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
            return false;
        const FileHandle file(
            CreateFileW(wide(native).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
        return file.get() != INVALID_HANDLE_VALUE && GetFileType(file.get()) == FILE_TYPE_DISK;
    } catch (...) {
        return false;
    }
}

bool isWritableFolder(const QString &path)
{
    try {
        if (path.isEmpty())
            return false;
        const QString native = toNativePath(path);
        if (!isFolderAttribute(attributesOf(native)))
            return false;
        // Windows decides by the folder's access list, which only an attempt
        // reads truly: create a file there, gone again when it is closed.
        QString probe;
        const FileHandle file = [&] {
            for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
                probe = QStringLiteral("%1%2.tw-probe-%3")
                            .arg(native, detail::isNativeSeparator(native.back()) ? QString() : QString(kBackslash))
                            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
                const HANDLE handle =
                    CreateFileW(wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
                if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
                    return FileHandle(handle);
            }
            return FileHandle(INVALID_HANDLE_VALUE);
        }();
        return file.get() != INVALID_HANDLE_VALUE;
    } catch (...) {
        return false;
    }
}

} // namespace tw::files
