// SystemAccess over POSIX: geteuid, chmod, mkfifo.

#include "SystemAccess.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace tw::test {

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

bool setMode(const QString &path, int mode)
{
    return ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode)) == 0;
}

bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}

QStringList openFiles()
{
    QStringList files;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        files << fd.symLinkTarget();
    return files;
}

} // namespace tw::test
