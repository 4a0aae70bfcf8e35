#include "WorkDatabaseLocation.h"

#include "common/Main.h"
#include "common/ProgramFiles.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/workdb/WorkDbProvider.h"

#include <QDir>
#include <QStandardPaths>

namespace tw::transfer {

QString WorkDatabasePath(const QString &programFolder, const QString &dataFolder)
{
    const QString beside = programFolder + u'\\' + QLatin1String(kWorkDatabaseName);
    if (writableBesideProgram(programFolder, programFolder) || dataFolder.isEmpty())
        return beside;
    const QString path = QDir(dataFolder).filePath(QLatin1String(kWorkDatabaseName));
    if (!files::exists(path)) {
        if (!files::makePath(dataFolder))
            throw ado::RuntimeError(
                QStringLiteral("Cannot create the folder %1 for the work database.").arg(dataFolder));
        workdb::createWorkDatabase(path);
    }
    return path;
}

QString WorkDatabasePath()
{
    return WorkDatabasePath(Main::ProgramFolder(),
                            QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

} // namespace tw::transfer
