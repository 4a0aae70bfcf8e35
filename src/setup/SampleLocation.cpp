#include "SampleLocation.h"

#include "Form1.h"
#include "common/ProgramFiles.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tw::setup {

QString SamplesFolderFor(const QString &programFolder, const QString &dataFolder, bool programFolderWritable)
{
    const QString beside = programFolder + QLatin1String(kSamplesFolder);
    if (programFolderWritable || dataFolder.isEmpty())
        return beside;
    const QString copy = QDir(dataFolder).filePath(QStringLiteral("Samples"));
    if (!QDir().mkpath(copy))
        throw ado::RuntimeError(QStringLiteral("Cannot create the folder %1 for the sample databases.").arg(copy));
    const QString source = files::toNativePath(beside);
    const QStringList names = QDir(source).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QString target = QDir(copy).filePath(name);
        if (QFileInfo::exists(target))
            continue; // the user's tables and changes stay
        files::copyFile(QDir(source).filePath(name), target, false);
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
    }
    return copy;
}

QString SamplesFolder(const QString &programFolder)
{
    const bool writable = writableBesideProgram(programFolder, programFolder + QLatin1String(kSamplesFolder));
    return SamplesFolderFor(programFolder, QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation),
                            writable);
}

} // namespace tw::setup
