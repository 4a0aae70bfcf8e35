// SystemAccess over POSIX: geteuid, chmod, mkfifo.

#include "SystemAccess.h"

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

} // namespace tw::test
