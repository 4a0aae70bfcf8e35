#pragma once
// Where the files the program uses beside itself are (the samples, the hand
// pointer, the work database), and whether it may write there. A program
// built from source or unpacked from the zip keeps them beside itself; one a
// package installed finds them where the package put them and writes its own
// files in the user's data folder.

#include <QString>

namespace tw {

// Where an installed program's files are, from the folder of the program:
// PREFIX/share/tabwright for a program in PREFIX/bin.
inline constexpr char kInstalledFilesFolder[] = "/../share/tabwright";
// The file a package puts among the program's files: the program then never
// writes there, even when it could (a per-user install, an administrator).
inline constexpr char kInstalledMarker[] = "\\installed.txt";

// The folder of the program's files for a program in programDir: the
// installed files folder when it exists, else programDir itself. Paths as
// given, with "/" (QCoreApplication::applicationDirPath).
QString programFilesFolder(const QString &programDir);
// True when a package installed the files of programFolder.
bool installedByPackage(const QString &programFolder);
// True when the program whose files are in programFolder may write in
// folder (the program's folder or one inside it): the files were not
// installed by a package and the folder can be written.
bool writableBesideProgram(const QString &programFolder, const QString &folder);

} // namespace tw
