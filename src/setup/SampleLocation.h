#pragma once
// Where "Load Sample/Example Database" points: the Samples folder beside the
// program, or, for a program installed by a package or whose folder cannot be
// written, a copy
// of it in the user's data folder, so that tables copied into the samples land
// somewhere they can be written.

#include <QString>

namespace tw::setup {

// The samples folder for a program in programFolder. When the program folder
// cannot be written the samples are copied (once; files already there are
// kept) into dataFolder + "/Samples", which is returned. RuntimeError when that copy fails.
QString SamplesFolderFor(const QString &programFolder, const QString &dataFolder, bool programFolderWritable);

// The same for this program: its folder, whether it may write there, and
// QStandardPaths::AppLocalDataLocation.
QString SamplesFolder(const QString &programFolder);

} // namespace tw::setup
