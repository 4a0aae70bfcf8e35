#pragma once
// Why a side cannot be used, in words a user can act on: the reason the
// connection test gives behind "Could not connect." and the command-line
// program prints. Paths appear as this system writes them.

#include <QString>

namespace tw {
class ConnectionSettings;
}

namespace tw::ParadoxSource {

// Why the Paradox folder cannot be opened at all (not given, missing, not a
// folder); empty when it can.
QString folderOpenProblem(const QString &folder);

// Why ParadoxFolderHasTables says no for these settings: the folder cannot be
// opened, cannot be read, or holds no "*.db" file of its own; empty when it
// holds tables. Never throws.
QString folderProblem(const ConnectionSettings &settings);

} // namespace tw::ParadoxSource

namespace tw::FoxproSource {

// Why the FoxPro side of the settings did not open, given the words of the
// failure the reader raised: a missing file or folder is named as such, any
// other failure is given in the reader's words.
QString openProblem(const ConnectionSettings &settings, const QString &failure);

// A free table folder that lists no table but holds a database container
// whose tables are there: "The folder ... holds the database NAME.DBC with N
// tables; open the database to see them." (the first such container in name
// order). Empty for a container, a folder with free tables, or one without
// such a container. Never throws.
QString containerFolderNote(const ConnectionSettings &settings);

} // namespace tw::FoxproSource
