#pragma once
// The folder and file choosers of the setup window: BrowseForFolder (module
// AddFolder) and the database-container file dialog, both through the
// Dialogs seam.

#include <QString>

class QObject;

namespace tw::ui {
class Dialogs;
}

namespace tw::AddFolder {

// Lets the user pick a folder, starting at start; the chosen folder without a
// trailing separator (a root keeps its own), or the empty text on cancel.
QString BrowseForFolder(ui::Dialogs &dialogs, QObject *owner, const QString &prompt, const QString &start);

} // namespace tw::AddFolder

namespace tw::setup {

inline constexpr char kContainerDialogTitle[] = "Select Foxpro Database";
inline constexpr char kContainerDialogFilter[] = "Microsoft Database (*.dbc)|*.dbc|";

// The database-container Open dialog; the chosen file, or the empty text on cancel.
QString ChooseContainerFile(ui::Dialogs &dialogs, QObject *owner);

} // namespace tw::setup
