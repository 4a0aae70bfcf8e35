// The trash of the FreeDesktop.org desktops: a trash folder holds the files
// in files/ and, for each, info/NAME.trashinfo with the place it came from
// (Path) and when it was deleted (DeletionDate), so that a desktop's trash
// can put it back. The home volume's trash is $XDG_DATA_HOME/Trash (by
// default ~/.local/share/Trash); another volume's is $topdir/.Trash-$uid,
// made when it is missing and the volume allows it.

#include "SystemCalls.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::files {

namespace {

constexpr mode_t kTrashFolderMode = 0700;
constexpr mode_t kInfoFileMode = 0600;
// Names tried for one file before giving up: "name.ext", "name.2.ext", ...
constexpr int kMostNameTries = 10000;

std::optional<struct stat> statOf(const QString &path, bool followLink)
{
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if ((followLink ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0)
        return std::nullopt;
    return st;
}

// A folder of the trash, made when missing; false when it is not a folder
// of ours that only we may enter.
bool ensureFolder(const QString &path)
{
    if (::mkdir(QFile::encodeName(path).constData(), kTrashFolderMode) != 0 && errno != EEXIST)
        return false;
    const auto st = statOf(path, false);
    return st && S_ISDIR(st->st_mode) && st->st_uid == ::getuid();
}

QString homeTrash()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data) + QStringLiteral("/Trash");
}

// The device of the nearest existing folder on the way to `path`.
std::optional<dev_t> deviceOfPlace(QString path)
{
    for (;;) {
        if (const auto st = statOf(path, true))
            return st->st_dev;
        const QString up = QFileInfo(path).path();
        if (up == path)
            return std::nullopt;
        path = up;
    }
}

// The top folder of the volume that holds `folder`: the last folder on the
// way up that is still on its device.
QString topOfVolume(QString folder, dev_t device)
{
    for (;;) {
        const QString up = QFileInfo(folder).path();
        if (up == folder)
            return folder;
        const auto st = statOf(up, true);
        if (!st || st->st_dev != device)
            return folder;
        folder = up;
    }
}

QString candidateName(const QFileInfo &file, int attempt)
{
    if (attempt == 1)
        return file.fileName();
    const QString suffix = file.suffix();
    const QString base = suffix.isEmpty() ? file.fileName() : file.completeBaseName();
    QString name = base + u'.' + QString::number(attempt);
    if (!suffix.isEmpty())
        name += u'.' + suffix;
    return name;
}

} // namespace

QString detail::moveToTrash(const QString &native)
{
    const QFileInfo file(QDir::cleanPath(QFileInfo(native).absoluteFilePath()));
    const auto st = statOf(file.filePath(), false);
    if (!st || S_ISDIR(st->st_mode))
        return {};
    // The home trash takes the files of its own volume; another volume's
    // files go to that volume's trash, so that trashing never copies.
    QString trash = homeTrash();
    QString recorded = file.filePath();
    const auto homeDevice = deviceOfPlace(trash);
    if (!homeDevice || *homeDevice != st->st_dev) {
        const QString top = topOfVolume(file.path(), st->st_dev);
        trash = (top == u'/' ? QString() : top) + QStringLiteral("/.Trash-") + QString::number(::getuid());
        recorded = QDir(top).relativeFilePath(file.filePath());
    } else if (!QDir().mkpath(QFileInfo(trash).path())) {
        return {};
    }
    const QString filesFolder = trash + QStringLiteral("/files");
    const QString infoFolder = trash + QStringLiteral("/info");
    if (!ensureFolder(trash) || !ensureFolder(filesFolder) || !ensureFolder(infoFolder))
        return {};
    const QByteArray info = QByteArrayLiteral("[Trash Info]\nPath=") +
                            QFile::encodeName(recorded).toPercentEncoding("/") + QByteArrayLiteral("\nDeletionDate=") +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() +
                            '\n';
    for (int attempt = 1; attempt <= kMostNameTries; ++attempt) {
        const QString name = candidateName(file, attempt);
        const QString infoPath = infoFolder + u'/' + name + QStringLiteral(".trashinfo");
        const QString target = filesFolder + u'/' + name;
        // The info file, made exclusively, reserves the name.
        const int fd =
            ::open(QFile::encodeName(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kInfoFileMode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return {};
        }
        const bool written = ::write(fd, info.constData(), size_t(info.size())) == ssize_t(info.size());
        const bool closed = ::close(fd) == 0;
        if (written && closed && !statOf(target, false) &&
            ::rename(QFile::encodeName(file.filePath()).constData(), QFile::encodeName(target).constData()) == 0)
            return target;
        const bool taken = written && closed && statOf(target, false).has_value();
        ::unlink(QFile::encodeName(infoPath).constData());
        if (!taken)
            return {};
    }
    return {};
}

} // namespace tw::files
