#include "TableCommands.h"

#include "common/ConnectionSettings.h"
#include "common/DisplayPath.h"
#include "common/Main.h"
#include "common/Steps.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Pointer.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"
#include "transfer/TransferContext.h"

namespace tw::transfer {

namespace {

constexpr int kFoxProTimeout = 5000;
constexpr qsizetype kLongestFileName = 255; // bytes, on the file systems the tables live on
constexpr qsizetype kLongestExtension = 4;  // ".fam", the longest companion's
const QStringList kCompanionPatterns{QStringLiteral(".mb"),  QStringLiteral(".px"),  QStringLiteral(".x??"),
                                     QStringLiteral(".y??"), QStringLiteral(".val"), QStringLiteral(".tv"),
                                     QStringLiteral(".fam")};
// Characters no file name may hold on the platforms people bring these tables from.
const QString kForbiddenInNames = QStringLiteral("\\/:*?\"<>|");

// A file of the Paradox folder, as the reports name it.
QString folderFile(const QString &folder, const QString &name)
{
    return displayPath(folder + u'\\' + name);
}

QString tablePath(const TransferContext &c, const QString &name, const QString &extension)
{
    return folderFile(c.settings.paradoxFolder(), name + extension);
}

// Moves a deleted table's file to the system's trash, unless asked to delete
// for good or its volume has none: then deletes it, read-only or not. A file
// that stays is reported (with the delete's reason) when `mustGo` is set.
void removeTableFile(TransferContext &c, const QString &path, bool mustGo)
{
    const QString real = files::toNativePath(path); // the name as the folder spells it
    if (!c.deletePermanently) {
        const files::Disposal trashed =
            files::removeFile(real, {.way = files::Removal::Way::Trash, .form = files::PathForm::Real});
        if (!trashed.trashedAs.isEmpty()) {
            c.removedFiles.push_back({real, trashed.trashedAs});
            return;
        }
    }
    Main::DeleteFileForced(path);
    if (mustGo && Main::FileExists(path))
        Main::FsoDeleteFile(path);
    if (!Main::FileExists(path))
        c.removedFiles.push_back({real, {}});
}

} // namespace

QStringList CompanionFiles(const QString &folder, const QString &name)
{
    QStringList result;
    std::vector<files::DirEntry> entries;
    try {
        entries = files::listDirectory(folder, name + QStringLiteral(".*"));
    } catch (const ado::RuntimeError &) {
        return result;
    }
    for (const files::DirEntry &entry : entries) {
        if (entry.attributes & files::kAttrDirectory)
            continue;
        for (const QString &pattern : kCompanionPatterns) {
            if (files::wildcardMatch(name + pattern, entry.name)) {
                result << entry.name;
                break;
            }
        }
    }
    return result;
}

QString TableNameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("A table name cannot be empty.");
    if (name == u"." || name == u"..")
        return QStringLiteral("\"%1\" cannot be used as a table name.").arg(name);
    if (name.toUtf8().size() + kLongestExtension > kLongestFileName)
        return QStringLiteral("\"%1...\" is too long for a table name: a file name holds at most %2 bytes.")
            .arg(name.left(20))
            .arg(kLongestFileName);
    for (const QChar c : name) {
        if (c.unicode() < 32 || kForbiddenInNames.contains(c))
            return QStringLiteral("\"%1\" cannot be used as a table name: a name cannot hold %2 or control "
                                  "characters.")
                .arg(name, kForbiddenInNames.split(QString(), Qt::SkipEmptyParts).join(u' '));
    }
    return {};
}

void DeleteFoxProTables(TransferContext &c)
{
    Steps steps{c.dialogs, QStringLiteral("Form2"), QStringLiteral("PushButton1_Click")};
    ado::Connection connection;
    steps(100, [&] { c.pointer.setMousePointer(ui::PointerBusy); });
    steps(102, [&] {
        connection.CursorLocation = ado::adUseServer;
        connection.CommandTimeout = kFoxProTimeout;
        connection.ConnectionTimeout = kFoxProTimeout;
        connection.DropsToTrash = !c.deletePermanently;
    });
    const bool open = steps(104, [&] { connection.Open(FoxproSource::FoxProConnectionString(c.settings)); });
    bool hasCurrent = true;
    steps(106, [&] { hasCurrent = c.foxproList.currentIndex() != -1; });
    if (!hasCurrent) {
        steps(108, [&] { c.dialogs.MsgBox(QStringLiteral("Please select a table"), ui::vbOKOnly); });
    } else if (open) {
        // Without the connection no table can be dropped: that one failure has been reported.
        int count = 0;
        steps(110, [&] { count = c.foxproList.count(); });
        for (int i = count - 1; i >= 0; --i) {
            bool selected = false;
            steps(112, [&] { selected = c.foxproList.selected(i); });
            if (!selected)
                continue;
            // An entry leaves the list only when its table is really gone.
            const bool dropped =
                steps(114, [&] { connection.Execute(QStringLiteral("DROP TABLE `") + c.foxproList.text(i) + u'`'); });
            // What went, and where: a drop cut short may have moved companions already.
            for (ado::RemovedFile &file : connection.takeRemovedFiles())
                c.removedFiles.push_back(std::move(file));
            if (dropped)
                steps(116, [&] { c.foxproList.remove(i); });
        }
    }
    steps(118, [&] { c.pointer.setMousePointer(ui::PointerDefault); });
}

void DeleteParadoxTables(TransferContext &c)
{
    Steps steps{c.dialogs, QStringLiteral("Form2"), QStringLiteral("PushButton5_Click")};
    steps(100, [&] { c.pointer.setMousePointer(ui::PointerBusy); });
    bool hasCurrent = true;
    steps(102, [&] { hasCurrent = c.paradoxList.currentIndex() != -1; });
    if (!hasCurrent) {
        steps(104, [&] { c.dialogs.MsgBox(QStringLiteral("Please select a table to delete."), ui::vbOKOnly); });
    } else {
        int count = 0;
        steps(106, [&] { count = c.paradoxList.count(); });
        for (int i = count - 1; i >= 0; --i) {
            bool selected = false;
            QString name;
            steps(108, [&] {
                selected = c.paradoxList.selected(i);
                if (selected)
                    name = c.paradoxList.text(i);
            });
            if (!selected)
                continue;
            bool found = false;
            // A table file that is still there after the forced delete is
            // reported with the reason the delete gave.
            const auto deleteTableFile = [&](const QString &path) {
                if (!Main::FileExists(path))
                    return;
                found = true;
                removeTableFile(c, path, true);
            };
            const bool deleted = steps(110, [&] { deleteTableFile(tablePath(c, name, QStringLiteral(".DB"))); }) &&
                                 steps(112, [&] { deleteTableFile(tablePath(c, name, QStringLiteral(".db"))); });
            // A table that stays keeps its companions and its entry.
            if (found && deleted) {
                // The table's memo file and indexes go with it.
                steps(114, [&] {
                    for (const QString &companion : CompanionFiles(c.settings.paradoxFolder(), name))
                        removeTableFile(c, folderFile(c.settings.paradoxFolder(), companion), false);
                });
                steps(116, [&] { c.paradoxList.remove(i); });
            }
        }
    }
    steps(118, [&] { c.pointer.setMousePointer(ui::PointerDefault); });
}

namespace {

// Steps 102 to 110: the one selected table of the Paradox list, -1 (reported) when there is none.
int tableToRename(TransferContext &c, Steps &steps, QString &oldName)
{
    bool hasCurrent = true;
    steps(102, [&] { hasCurrent = c.paradoxList.currentIndex() != -1; });
    if (!hasCurrent) {
        steps(104, [&] { c.dialogs.MsgBox(QStringLiteral("Please select a table to rename."), ui::vbOKOnly); });
        return -1;
    }
    int selectedCount = 0;
    steps(106, [&] { selectedCount = c.paradoxList.selectedCount(); });
    if (selectedCount != 1) {
        steps(108, [&] { c.dialogs.MsgBox(QStringLiteral("Please select just one table to rename."), ui::vbOKOnly); });
        return -1;
    }
    int index = -1;
    steps(110, [&] {
        for (int i = c.paradoxList.count() - 1; i >= 0 && index < 0; --i) {
            if (c.paradoxList.selected(i))
                index = i;
        }
        oldName = c.paradoxList.text(index);
    });
    return index;
}

// Step 124: the table's files, then its companions, under the new name.
void renameTableFiles(TransferContext &c, const QString &folder, const QString &oldName, const QString &newName)
{
    // Companions are taken along only when the table itself was renamed.
    QStringList companions = CompanionFiles(folder, oldName);
    Main::RenameFile(c.dialogs, tablePath(c, oldName, QStringLiteral(".DB")),
                     tablePath(c, newName, QStringLiteral(".DB")));
    // Where letter case does not tell the two spellings apart, a failed first
    // rename would only fail again on the same file.
    const bool firstFailed = !Main::FileExists(tablePath(c, newName, QStringLiteral(".DB")));
    if (!firstFailed && Main::FileExists(tablePath(c, oldName, QStringLiteral(".db"))))
        Main::RenameFile(c.dialogs, tablePath(c, oldName, QStringLiteral(".db")),
                         tablePath(c, newName, QStringLiteral(".db")));
    const bool renamed = Main::FileExists(tablePath(c, newName, QStringLiteral(".DB"))) &&
                         !Main::FileExists(tablePath(c, oldName, QStringLiteral(".DB")));
    if (!renamed)
        companions.clear();
    for (const QString &companion : std::as_const(companions)) {
        const QString extension = companion.mid(oldName.size());
        Main::RenameFile(c.dialogs, folderFile(folder, companion), folderFile(folder, newName + extension));
    }
}

} // namespace

void RenameParadoxTable(TransferContext &c)
{
    Steps steps{c.dialogs, QStringLiteral("Form2"), QStringLiteral("PushButton7_Click")};
    steps(100, [&] { c.pointer.setMousePointer(ui::PointerBusy); });
    auto finish = [&] { steps(130, [&] { c.pointer.setMousePointer(ui::PointerDefault); }); };
    QString oldName;
    const int index = tableToRename(c, steps, oldName);
    if (index < 0)
        return finish();
    QString newName;
    steps(112, [&] {
        newName = c.dialogs.InputBox(QStringLiteral("Enter new name of ") + oldName + u':', QString(), oldName);
    });
    if (newName.isEmpty()) // 114
        return finish();
    QString problem;
    steps(116, [&] { problem = TableNameProblem(newName); });
    if (!problem.isEmpty()) {
        steps(118, [&] { c.dialogs.MsgBox(problem, ui::vbOKOnly); });
        return finish();
    }
    const QString folder = c.settings.paradoxFolder();
    bool exists = false;
    steps(120, [&] { exists = !ParadoxSource::FindFiles(folder, newName + QStringLiteral(".DB")).isEmpty(); });
    if (exists) {
        steps(122, [&] {
            c.dialogs.MsgBox(newName + QStringLiteral(" already exists.\r\nCould not rename this table ") + oldName +
                                 QStringLiteral(" to ") + newName,
                             ui::vbOKOnly);
        });
        return finish();
    }
    steps(124, [&] { renameTableFiles(c, folder, oldName, newName); });
    steps(126, [&] {
        c.paradoxList.remove(index);
        c.paradoxList.add(newName);
    });
    steps(128, [&] {
        if (c.paradoxList.count() > 0)
            c.paradoxList.setCurrentIndex(0);
    });
    finish();
}

} // namespace tw::transfer
