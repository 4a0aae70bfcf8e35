#include "AddFolder.h"

#include "Paradox.h"
#include "common/DoEvents.h"
#include "common/Main.h"
#include "common/Steps.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <QFileInfo>
#include <QSet>

namespace tw::AddFolder {

namespace {

constexpr int kHiddenSystemFolder = files::kAttrDirectory | files::kAttrHidden | files::kAttrSystem; // 22
constexpr int kHiddenSystemLinkFolder = kHiddenSystemFolder | files::kAttrLink;                      // 1046

bool acceptedFolder(const QString &folder)
{
    if (files::isDriveRoot(folder))
        return true;
    const int attributes = files::attributes(folder);
    return attributes != kHiddenSystemFolder && attributes != kHiddenSystemLinkFolder;
}

QString canonical(const QString &folder)
{
    const QString real = QFileInfo(files::toNativePath(folder)).canonicalFilePath();
    return real.isEmpty() ? folder : real;
}

void walk(ui::Dialogs &dialogs, QStringList &folders, bool recurse, QSet<QString> &visited)
{
    Steps steps{dialogs, QStringLiteral("AddFolder"), QStringLiteral("GetSubDirectories2016")};
    QStringList found;
    const QStringList current = folders;
    for (const QString &folder : current) {
        visited.insert(canonical(folder));
        steps(102, [&] {
            try {
                if (!Main::FolderExists(folder) || folder.size() >= files::kMaxPath)
                    return;
                DoEvents();
                if (!acceptedFolder(folder))
                    return;
                for (const files::DirEntry &entry : files::subFolders(folder)) {
                    DoEvents();
                    const QString &name = entry.name;
                    if (name.size() >= files::kMaxPath || ParadoxSource::HasOddCharacters(name) ||
                        name.contains(u'?') || name == u"." || name == u"..")
                        continue;
                    const QString child = folder + name + u'\\';
                    // A folder reached a second time (through a symbolic link) is
                    // not walked again: a link back up would make the walk endless.
                    const QString real = canonical(child);
                    if (visited.contains(real))
                        continue;
                    visited.insert(real);
                    found << child;
                }
            } catch (const ado::RuntimeError &error) {
                if (error.number() != files::kErrPermissionDenied && error.number() != files::kErrPathNotFound)
                    throw;
                folders.removeOne(folder);
            }
        });
    }
    steps(104, [&] {
        if (recurse && !found.isEmpty())
            walk(dialogs, found, true, visited);
    });
    steps(106, [&] {
        for (const QString &folder : std::as_const(found)) {
            if (!Main::FolderExists(folder))
                continue;
            DoEvents();
            if (acceptedFolder(folder))
                folders << folder;
        }
    });
}

} // namespace

void GetSubDirectories2016(ui::Dialogs &dialogs, QStringList &folders, bool recurse)
{
    QSet<QString> visited;
    walk(dialogs, folders, recurse, visited);
}

} // namespace tw::AddFolder
