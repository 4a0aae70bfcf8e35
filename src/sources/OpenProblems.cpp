#include "OpenProblems.h"

#include "Paradox.h"
#include "common/ConnectionSettings.h"
#include "common/DisplayPath.h"
#include "common/Steps.h"
#include "platform/files/FileSystem.h"

namespace tw::ParadoxSource {

QString folderOpenProblem(const QString &folder)
{
    if (folder.isEmpty())
        return QStringLiteral("No Paradox folder is given.");
    if (!files::exists(folder))
        return QStringLiteral("The folder %1 does not exist.").arg(displayPath(folder));
    if (!files::isDirectory(folder))
        return QStringLiteral("%1 is not a folder.").arg(displayPath(folder));
    return {};
}

QString folderProblem(const ConnectionSettings &settings)
{
    const QString folder = settings.paradoxFolder();
    try {
        const QString problem = folderOpenProblem(folder);
        if (!problem.isEmpty())
            return problem;
        if (FindFiles(folder, QStringLiteral("*.db")).isEmpty())
            return QStringLiteral("The folder %1 holds no Paradox tables (.db).").arg(displayPath(folder));
        return {};
    } catch (...) {
        return QStringLiteral("The folder %1 cannot be read: %2")
            .arg(displayPath(folder), describeFailure(std::current_exception()));
    }
}

} // namespace tw::ParadoxSource

namespace tw::FoxproSource {

namespace {
QString openProblemOf(const ConnectionSettings &settings, const QString &words)
{
    if (settings.dbcChosen()) {
        const QString path = settings.dbcPath();
        if (path.isEmpty())
            return QStringLiteral("No database container (.dbc) is given.");
        if (!files::exists(path))
            return QStringLiteral("The file %1 does not exist.").arg(displayPath(path));
        if (files::isDirectory(path))
            return QStringLiteral("%1 is a folder, not a FoxPro database container (.dbc).").arg(displayPath(path));
        return QStringLiteral("%1 is not a FoxPro database container: %2").arg(displayPath(path), words);
    }
    const QString folder = settings.freeTableFolder();
    if (folder.isEmpty())
        return QStringLiteral("No free table folder is given.");
    if (!files::exists(folder))
        return QStringLiteral("The folder %1 does not exist.").arg(displayPath(folder));
    if (!files::isDirectory(folder))
        return QStringLiteral("%1 is not a folder.").arg(displayPath(folder));
    return QStringLiteral("The free tables in %1 cannot be opened: %2").arg(displayPath(folder), words);
}
} // namespace

QString openProblem(const ConnectionSettings &settings, const QString &failure)
{
    const QString words = failure.isEmpty() ? QStringLiteral("it cannot be opened.") : failure;
    try {
        return openProblemOf(settings, words);
    } catch (...) {
        return words; // the file tests failed as well: the reader's words say most
    }
}

} // namespace tw::FoxproSource
