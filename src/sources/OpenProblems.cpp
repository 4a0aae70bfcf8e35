#include "OpenProblems.h"

#include "Foxpro.h"
#include "Paradox.h"
#include "common/ConnectionSettings.h"
#include "common/DisplayPath.h"
#include "common/Steps.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/files/FileSystem.h"

#include <QStringList>

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
// The tables a FoxPro connection lists.
int tableCount(const ConnectionSettings &settings)
{
    ado::Connection connection;
    connection.CursorLocation = ado::adUseServer;
    connection.Open(FoxProConnectionString(settings));
    ado::Recordset schema = connection.OpenSchema(ado::adSchemaTables);
    int count = 0;
    for (; !schema.Eof(); schema.MoveNext())
        if (schema.fields()(QStringLiteral("TABLE_TYPE")).Value().toText() == u"TABLE")
            ++count;
    return count;
}

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

QString containerFolderNote(const ConnectionSettings &settings)
{
    if (settings.dbcChosen())
        return {};
    try {
        const QString folder = settings.freeTableFolder();
        if (folder.isEmpty() || tableCount(settings) > 0)
            return {};
        QStringList containers;
        for (const files::DirEntry &entry : files::listDirectory(folder, QStringLiteral("*.dbc")))
            if (!(entry.attributes & files::kAttrDirectory))
                containers << entry.name;
        containers.sort(Qt::CaseInsensitive);
        for (const QString &name : std::as_const(containers)) {
            PlainConnectionSettings container;
            container.useDbc = true;
            container.dbc = folder + u'\\' + name;
            int count = 0;
            try {
                count = tableCount(container);
            } catch (...) {
                continue; // a damaged container says nothing here
            }
            if (count > 0)
                return QStringLiteral("The folder %1 holds the database %2 with %3; open the database to see %4.")
                    .arg(displayPath(folder), name.toUpper(),
                         count == 1 ? QStringLiteral("1 table") : QStringLiteral("%1 tables").arg(count),
                         count == 1 ? QStringLiteral("it") : QStringLiteral("them"));
        }
    } catch (...) {
    }
    return {};
}

} // namespace tw::FoxproSource
