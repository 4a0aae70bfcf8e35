// The file operations of FileSystem.h over POSIX: everything that asks the
// system about folders and files, and the questions of SystemCalls.h. The
// portable half (path texts, wildcards, the letter-case lookup, File's
// messages) is FileSystem.cpp.

#include "File.h"
#include "FileSystem.h"
#include "SystemCalls.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::files {

using detail::errorText;
using detail::lastComponent;
using detail::parentOf;
using detail::raise;

namespace {

constexpr size_t kCopyBufferSize = 64 * 1024;
constexpr int kTempNameAttempts = 100;
// Mode for newly created files; the process umask narrows it as for any new file.
constexpr mode_t kNewFileMode = 0666;

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// Both variants of strerror_r, so the message text comes out either way.
[[maybe_unused]] QString errorTextFrom(const char *result, const char *)
{
    return QString::fromLocal8Bit(result);
}
[[maybe_unused]] QString errorTextFrom(int, const char *buffer)
{
    return QString::fromLocal8Bit(buffer);
}

std::optional<struct stat> lstatOf(const QString &native)
{
    struct stat st {};
    if (::lstat(encoded(native).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

std::optional<struct stat> statOf(const QString &native)
{
    struct stat st {};
    if (::stat(encoded(native).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

// 53 when the folder holding the path exists (only the file is missing), 76 otherwise.
int missingNumber(const QString &native)
{
    const auto folder = statOf(parentOf(native));
    return folder && S_ISDIR(folder->st_mode) ? kErrFileNotFound : kErrPathNotFound;
}

// The error number callers test for an errno of a failed file operation.
int numberFor(int err, const QString &native)
{
    switch (err) {
    case ENOENT:
        return missingNumber(native);
    case ENOTDIR:
        return kErrPathNotFound;
    case EACCES:
    case EPERM:
        return kErrPermissionDenied;
    case EEXIST:
    case ENOTEMPTY:
        return kErrFileExists;
    default:
        return kErrPathFileAccess;
    }
}

bool isHiddenName(const QString &name)
{
    return name.startsWith(QLatin1Char('.')) && name != QLatin1String(".") && name != QLatin1String("..");
}

// Attribute bits from the entry itself (lstat) and, for a link, what it points at.
int attributesFrom(const QString &name, const struct stat &entry, const std::optional<struct stat> &target)
{
    int bits = 0;
    const bool link = S_ISLNK(entry.st_mode);
    if (link)
        bits |= kAttrLink;
    if (link && !target)
        return bits; // dangling link: nothing more is known
    const struct stat &st = link ? *target : entry;
    if (S_ISDIR(st.st_mode))
        bits |= kAttrDirectory;
    else if (S_ISREG(st.st_mode))
        bits |= kAttrArchive;
    if (!(st.st_mode & S_IWUSR))
        bits |= kAttrReadOnly;
    if (isHiddenName(name))
        bits |= kAttrHidden;
    return bits;
}

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Mirrors one file descriptor into another; false with errno set on failure.
bool copyStream(int in, int out)
{
    std::unique_ptr<char[]> buffer(new char[kCopyBufferSize]);
    for (;;) {
        const ssize_t got = ::read(in, buffer.get(), kCopyBufferSize);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = ::write(out, buffer.get() + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += put;
        }
    }
}

// Creates a new empty file with an unused hidden name beside `target`.
// Returns the descriptor (or -1 with errno set) and stores the name.
int createTemporaryBeside(const QString &target, QString *tempPath)
{
    const QString folder = parentOf(target);
    const QString base = lastComponent(target);
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        const QString candidate = QStringLiteral("%1/.%2.tw-%3")
                                      .arg(folder, base)
                                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int fd = ::open(encoded(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0) {
            *tempPath = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

// rename() that refuses to replace an existing target when told to.
int renamePath(const QString &from, const QString &to, bool replace)
{
    const QByteArray src = encoded(from);
    const QByteArray dst = encoded(to);
    if (!replace) {
        if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EINVAL && errno != ENOSYS)
            return -1;
        // The file system cannot do it atomically: check, then rename.
        if (lstatOf(to)) {
            errno = EEXIST;
            return -1;
        }
    }
    return ::rename(src.constData(), dst.constData());
}

void removeNative(const QString &native, bool refuseReadOnly)
{
    const auto entry = lstatOf(native);
    if (!entry)
        raise(missingNumber(native), QStringLiteral("Cannot delete %1").arg(native), errorText(ENOENT));
    if (S_ISDIR(entry->st_mode))
        raise(kErrPathFileAccess, QStringLiteral("Cannot delete %1").arg(native), errorText(EISDIR));
    if (refuseReadOnly && S_ISREG(entry->st_mode) && !(entry->st_mode & S_IWUSR))
        raise(kErrPathFileAccess, QStringLiteral("Cannot delete %1").arg(native),
              QStringLiteral("%1 (the file is read-only)").arg(errorText(EACCES)));
    if (::unlink(encoded(native).constData()) != 0) {
        const int err = errno;
        raise(numberFor(err, native), QStringLiteral("Cannot delete %1").arg(native), errorText(err));
    }
}

} // namespace

namespace detail {

bool entryExists(const QString &native)
{
    return lstatOf(native).has_value();
}

bool isRegularFile(const QString &native)
{
    const auto st = statOf(native);
    return st && S_ISREG(st->st_mode);
}

void removeEntry(const QString &native, bool refuseReadOnly, bool missingFails)
{
    if (missingFails || lstatOf(native))
        removeNative(native, refuseReadOnly);
}

std::vector<QString> entryNames(const QString &folder)
{
    std::vector<QString> names;
    DirHandle dir(::opendir(encoded(folder).constData()));
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        names.push_back(QFile::decodeName(entry->d_name));
    }
    return names;
}

QString errorText(int code)
{
    char buffer[256] = {};
    return errorTextFrom(strerror_r(code, buffer, sizeof buffer), buffer);
}

QChar nativeSeparator()
{
    return QLatin1Char('/');
}

bool isNativeSeparator(QChar c)
{
    return c == QLatin1Char('/');
}

bool namesIgnoreCase()
{
    return false;
}

QString rootOf(const QString &path, qsizetype *length)
{
    // A path text may start with "\" as well: one root, "/", however many.
    qsizetype n = 0;
    while (n < path.size() && isSeparator(path[n]))
        ++n;
    *length = n;
    return n > 0 ? QStringLiteral("/") : QString();
}

} // namespace detail

int attributes(const QString &path)
{
    const QString native = toNativePath(path);
    const auto entry = lstatOf(native);
    if (!entry)
        raise(missingNumber(native), QStringLiteral("Cannot read the attributes of %1").arg(native), errorText(ENOENT));
    return attributesFrom(lastComponent(native), *entry,
                          S_ISLNK(entry->st_mode) ? statOf(native) : std::optional<struct stat>());
}

bool exists(const QString &path, EntryKind kind, PathForm form)
{
    if (path.isEmpty())
        return false;
    const QString native = form == PathForm::Text ? toNativePath(path) : path;
    return kind == EntryKind::File ? detail::isRegularFile(native) : detail::entryExists(native);
}

bool isDirectory(const QString &path)
{
    if (path.isEmpty())
        return false;
    const auto st = statOf(toNativePath(path));
    return st && S_ISDIR(st->st_mode);
}

QDateTime lastModified(const QString &path)
{
    const QString native = toNativePath(path);
    auto st = statOf(native);
    if (!st)
        st = lstatOf(native); // a dangling link still has a time of its own
    if (!st)
        raise(kErrFileNotFound, QStringLiteral("Cannot read the time of %1").arg(native), errorText(ENOENT));
    const qint64 ms = qint64(st->st_mtim.tv_sec) * 1000 + st->st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(ms);
}

void copyFile(const QString &from, const QString &to, bool overwrite)
{
    const QString src = toNativePath(from);
    const QString dst = toNativePath(to);
    const QString what = QStringLiteral("Cannot copy %1 to %2").arg(src, dst);

    const int in = ::open(encoded(src).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        const int err = errno;
        raise(numberFor(err, src), what, errorText(err));
    }
    struct InCloser {
        int fd;
        ~InCloser() { ::close(fd); }
    } inCloser{in};

    struct stat srcStat {};
    if (::fstat(in, &srcStat) != 0) {
        const int err = errno;
        raise(kErrPathFileAccess, what, errorText(err));
    }
    if (S_ISDIR(srcStat.st_mode))
        raise(kErrPathFileAccess, what, errorText(EISDIR));
    if (!S_ISREG(srcStat.st_mode))
        raise(kErrPathFileAccess, what, QStringLiteral("%1 is not a regular file").arg(src));

    if (const auto target = statOf(dst)) {
        if (!overwrite)
            raise(kErrFileExists, what, errorText(EEXIST));
        if (S_ISDIR(target->st_mode))
            raise(kErrPathFileAccess, what, errorText(EISDIR));
        if (!(target->st_mode & S_IWUSR))
            raise(kErrPathFileAccess, what, QStringLiteral("%1 (the target file is read-only)").arg(errorText(EACCES)));
    } else if (!overwrite && lstatOf(dst)) {
        raise(kErrFileExists, what, errorText(EEXIST));
    }

    QString temp;
    const int out = createTemporaryBeside(dst, &temp);
    if (out < 0) {
        const int err = errno;
        raise(err == ENOENT || err == ENOTDIR ? kErrPathNotFound : numberFor(err, dst), what, errorText(err));
    }
    const QByteArray tempName = encoded(temp);
    bool ok = copyStream(in, out);
    int err = ok ? 0 : errno;
    if (::close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && renamePath(temp, dst, overwrite) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tempName.constData());
        raise(numberFor(err, dst), what, errorText(err));
    }
}

void writeFileReplacing(const QString &native, const QByteArray &data)
{
    const QString what = QStringLiteral("Cannot write %1").arg(native);
    QString temp;
    const int out = createTemporaryBeside(native, &temp);
    if (out < 0) {
        const int err = errno;
        throw FileError(err == ENOENT || err == ENOTDIR ? kErrPathNotFound : numberFor(err, native),
                        what + QStringLiteral(": ") + errorText(err), errorText(err));
    }
    const QByteArray tempName = encoded(temp);
    bool ok = true;
    int err = 0;
    for (qsizetype done = 0; ok && done < data.size();) {
        const ssize_t n = ::write(out, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        err = n < 0 ? errno : ENOSPC;
        done += ok ? n : 0;
    }
    if (::close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tempName.constData(), encoded(native).constData()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tempName.constData());
        throw FileError(numberFor(err, native), what + QStringLiteral(": ") + errorText(err), errorText(err));
    }
}

void renameFile(const QString &from, const QString &to)
{
    const QString src = toNativePath(from);
    QString dst = toNativePath(to);
    const QString what = QStringLiteral("Cannot rename %1 to %2").arg(src, dst);
    const auto srcStat = lstatOf(src);
    if (!srcStat)
        raise(missingNumber(src), what, errorText(ENOENT));
    // A change of letter case only: the target resolves to the source itself,
    // so rename to the spelling asked for.
    if (const auto dstStat = lstatOf(dst);
        dstStat && dstStat->st_dev == srcStat->st_dev && dstStat->st_ino == srcStat->st_ino) {
        const QString wanted = fileName(to);
        if (!wanted.isEmpty())
            dst = parentOf(dst) + QLatin1Char('/') + wanted;
        if (dst == src)
            return;
    }
    if (::rename(encoded(src).constData(), encoded(dst).constData()) != 0) {
        const int err = errno;
        raise(err == ENOENT ? missingNumber(dst) : numberFor(err, dst), what, errorText(err));
    }
}

void replaceFile(const QString &from, const QString &to)
{
    const auto target = lstatOf(to);
    if (target && S_ISREG(target->st_mode)) {
        const QByteArray src = encoded(from);
        if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, encoded(to).constData(), RENAME_EXCHANGE) == 0) {
            // The old file is a leftover now; one that cannot go is swept
            // up with the other temporaries of the folder.
            ::unlink(src.constData());
            return;
        }
    }
    if (renamePath(from, to, true) != 0) {
        const int err = errno;
        const int number = err != ENOENT ? numberFor(err, to) : lstatOf(from) ? missingNumber(to) : missingNumber(from);
        raise(number, QStringLiteral("Cannot rename %1 to %2").arg(from, to), errorText(err));
    }
}

void renameWithoutReplacing(const QString &from, const QString &to)
{
    if (renamePath(from, to, false) != 0) {
        const int err = errno;
        const int number = err != ENOENT ? numberFor(err, to) : lstatOf(from) ? missingNumber(to) : missingNumber(from);
        raise(number, QStringLiteral("Cannot rename %1 to %2").arg(from, to), errorText(err));
    }
}

std::vector<DirEntry> listDirectory(const QString &folder, const QString &pattern)
{
    const QString native = folder.isEmpty() ? QStringLiteral(".") : toNativePath(folder);
    DirHandle dir(::opendir(encoded(native).constData()));
    if (!dir) {
        const int err = errno;
        const int number = err == ENOENT || err == ENOTDIR ? kErrPathNotFound : numberFor(err, native);
        raise(number, QStringLiteral("Cannot list %1").arg(native), errorText(err));
    }
    const QString effectivePattern = pattern.isEmpty() ? QStringLiteral("*") : pattern;
    const int fd = ::dirfd(dir.get());
    std::vector<DirEntry> entries;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0) {
                const int err = errno;
                raise(numberFor(err, native), QStringLiteral("Cannot list %1").arg(native), errorText(err));
            }
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        if (!wildcardMatch(effectivePattern, name))
            continue;
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone since the folder was read
        std::optional<struct stat> target;
        if (S_ISLNK(st.st_mode)) {
            struct stat followed {};
            if (::fstatat(fd, entry->d_name, &followed, 0) == 0)
                target = followed;
        }
        entries.push_back(DirEntry{name, attributesFrom(name, st, target)});
    }
    return entries;
}

bool canOpen(const QString &path)
{
    try {
        if (path.isEmpty())
            return false;
        const QString native = toNativePath(path);
        const auto st = statOf(native);
        if (!st || !S_ISREG(st->st_mode))
            return false;
        const int fd = ::open(encoded(native).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            return false;
        struct stat opened {};
        const bool regular = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
        ::close(fd);
        return regular;
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
        const auto st = statOf(native);
        return st && S_ISDIR(st->st_mode) && ::access(encoded(native).constData(), W_OK) == 0;
    } catch (...) {
        return false;
    }
}

} // namespace tw::files
