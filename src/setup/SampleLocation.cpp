#include "SampleLocation.h"

#include "Form1.h"
#include "common/ProgramFiles.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <QDir>
#include <QStandardPaths>

namespace tw::setup {

QString SamplesFolderFor(const QString &programFolder, const QString &dataFolder, bool programFolderWritable)
{
    const QString beside = programFolder + QLatin1String(kSamplesFolder);
    if (programFolderWritable || dataFolder.isEmpty())
        return beside;
    const QString copy = QDir(dataFolder).filePath(QStringLiteral("Samples"));
    if (!files::makePath(copy))
        throw ado::RuntimeError(QStringLiteral("Cannot create the folder %1 for the sample databases.").arg(copy));
    const QString source = files::toNativePath(beside);
    // The copies are new ordinary files, writable whatever the installed ones are.
    const std::vector<files::DirEntry> entries =
        files::isDirectory(source) ? files::listDirectory(source) : std::vector<files::DirEntry>();
    for (const files::DirEntry &entry : entries) {
        if (entry.attributes & files::kAttrDirectory)
            continue;
        const QString target = QDir(copy).filePath(entry.name);
        if (files::exists(target))
            continue; // the user's tables and changes stay
        files::copyFile(QDir(source).filePath(entry.name), target, false);
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
