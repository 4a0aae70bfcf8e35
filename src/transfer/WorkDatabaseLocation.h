#pragma once
// Where the work database lives: "dbtemp.mdb" in the program's folder, or,
// when that folder cannot be written or a package installed the program
// (ProgramFiles.h), in the user's data folder, where it is made empty the first time it is needed.

#include <QString>

namespace tw::transfer {

inline constexpr char kWorkDatabaseName[] = "dbtemp.mdb";

// The work database for a program in programFolder; dataFolder is where it
// goes when the program may not write in programFolder. Creates the file (and the data
// folder) when it is missing from the data folder; RuntimeError when that fails.
QString WorkDatabasePath(const QString &programFolder, const QString &dataFolder);

// The same for this program: its folder and QStandardPaths::AppLocalDataLocation.
QString WorkDatabasePath();

} // namespace tw::transfer
