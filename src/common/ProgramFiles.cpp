#include "ProgramFiles.h"

#include "platform/files/FileSystem.h"

#include <QDir>

namespace tw {

QString programFilesFolder(const QString &programDir)
{
    const QString installed = QDir::cleanPath(programDir + QLatin1String(kInstalledFilesFolder));
    return files::isDirectory(installed) ? installed : programDir;
}

bool installedByPackage(const QString &programFolder)
{
    return files::exists(programFolder + QLatin1String(kInstalledMarker));
}

bool writableBesideProgram(const QString &programFolder, const QString &folder)
{
    return !installedByPackage(programFolder) && files::isWritableFolder(folder);
}

} // namespace tw
