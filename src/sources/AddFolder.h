#pragma once
// The recursive sub-folder walk the Paradox table list uses.

#include <QStringList>

namespace tw::ui {
class Dialogs;
}

namespace tw::AddFolder {

// Extends folders (each ending in a separator) with their accepted sub-folders,
// level by level, at all depths when recurse is true; drops folders that cannot
// be read (errors 70 and 76). Other failures show the error report. A folder
// reached again through a symbolic link is not walked twice.
void GetSubDirectories2016(ui::Dialogs &dialogs, QStringList &folders, bool recurse);

} // namespace tw::AddFolder
