#include "Paradox.h"

#include "AddFolder.h"
#include "common/ConnectionSettings.h"
#include "common/TableList.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"

namespace tw::ParadoxSource {

namespace {
const QString kTablePattern = QStringLiteral("*.db");
}

QString ParadoxConnectionString(const QString &folder)
{
    return QStringLiteral("Driver={Microsoft Paradox Driver (*.db )};DriverID=538;Fil=Paradox 5.X;DefaultDir=") +
           folder + QStringLiteral(";Dbq=") + folder + QStringLiteral(";CollatingSequence=ASCII;");
}

bool ParadoxFolderHasTables(const ConnectionSettings &settings)
{
    const QString folder = settings.paradoxFolder();
    if (folder.isEmpty())
        return false;
    return !FindFiles(folder, kTablePattern).isEmpty();
}

void ListParadoxTables(TableList &list, const ConnectionSettings &settings, ui::Dialogs &dialogs)
{
    const QString folder = settings.paradoxFolder();
    list.clear();
    if (folder.isEmpty())
        return;
    QStringList folders{folder + u'\\'};
    AddFolder::GetSubDirectories2016(dialogs, folders, true);
    for (QString each : std::as_const(folders)) {
        if (!each.isEmpty() && files::isSeparator(each.back()))
            each.chop(1);
        for (const QString &name : FindFiles(each, kTablePattern)) {
            if (name.startsWith(u'~'))
                continue;
            list.add(name.toUpper().remove(QStringLiteral(".DB")));
        }
    }
}

QStringList FindFiles(const QString &folder, const QString &pattern)
{
    QString base = folder;
    if (base.isEmpty() || !files::isSeparator(base.back()))
        base += u'\\';
    QStringList names;
    names.reserve(100);
    std::vector<files::DirEntry> entries;
    try {
        entries = files::listDirectory(base, pattern);
    } catch (const ado::RuntimeError &error) {
        // A folder that is not there has no files; other failures reach the caller.
        if (error.number() == files::kErrPathNotFound)
            return names;
        throw;
    }
    for (const files::DirEntry &entry : entries) {
        if (entry.attributes & files::kAttrDirectory)
            continue;
        if (FileCanBeOpened(base + entry.name))
            names << entry.name;
    }
    return names;
}

bool FileCanBeOpened(const QString &path)
{
    return files::canOpen(path);
}

bool HasOddCharacters(const QString &text)
{
    // Every character above U+00FF is either one of Windows-1252's letters at
    // codes 128 to 159 or has no code there (and becomes "?"): odd either way.
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 32 || (u >= 127 && u <= 159) || u == u'?' || u > 255)
            return true;
    }
    return false;
}

} // namespace tw::ParadoxSource
