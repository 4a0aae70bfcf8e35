#pragma once
// The few things tests ask of the operating system directly, because no file
// layer call does them: permission bits, special files, who runs the tests,
// what the process holds open. Implemented per system in SystemAccess<System>.cpp.

#include <QString>
#include <QStringList>

namespace tw::test {

// True when the tests run as the superuser, whom permission bits do not stop.
bool runningAsRoot();
// Sets the permission bits of a file or folder (0444, 0555, 0 ...); false when
// the system refuses.
bool setMode(const QString &path, int mode);
// Creates a named pipe at path; false when the system refuses.
bool makeFifo(const QString &path);
// The files this process holds open, where the system tells (Linux); empty elsewhere.
QStringList openFiles();

} // namespace tw::test
