#pragma once
// What the two halves of the file layer ask of each other: the few questions
// the portable half (FileSystem.cpp) puts to the operating system, answered in
// FileSystem<System>.cpp, and the path and message helpers both halves use.
// Not for use outside platform/files.

#include <QString>

#include <vector>

namespace tw::files::detail {

// Answered by the system's half.
// True when there is an entry at the real path (a dangling link counts).
bool entryExists(const QString &native);
// True for a regular file or a link to one.
bool isRegularFile(const QString &native);
// Deletes the entry at the real path: a file, or a link (never what it names);
// a folder is refused (75), a read-only file too when `refuseReadOnly` is set.
// Nothing there fails (53/76) when `missingFails` is set, else nothing is
// done. RuntimeError "Cannot delete PATH: REASON" (70 when not allowed).
void removeEntry(const QString &native, bool refuseReadOnly, bool missingFails);
// Moves the file at the real path to the trash of its volume and gives where
// it lies there ("the Recycle Bin" where the system does not tell); empty
// when it is no file or its volume has no trash that can be used, and then
// it stays where it is. Never throws (Trash<System>.cpp).
QString moveToTrash(const QString &native);
// The names of a folder's entries as stored, "." and ".." left out, in the
// order the system gives them; empty when the folder cannot be read.
std::vector<QString> entryNames(const QString &folder);
// The system's text for one of its error codes.
QString errorText(int code);
// How real paths are spelt there: the separator written between components
// ('/' on POSIX, '\\' on Windows), and the characters read as one ("/"; "\\"
// and "/").
QChar nativeSeparator();
bool isNativeSeparator(QChar c);
// True where names that differ in letter case alone are one entry (Windows).
bool namesIgnoreCase();
// The root at the start of a path text (separators "\\" and "/"), spelt as
// the system spells it, and in `length` how many characters of the text it
// takes; empty (0) for a relative path. POSIX: "/" for any leading run of
// separators. Windows: "C:\\", "C:" (the drive's current folder),
// "\\\\server\\share\\", or "\\" (the current drive's root).
QString rootOf(const QString &path, qsizetype *length);

// Answered by the portable half.
// The folder holding a real path ("." for a bare name, "/" for "/x").
QString parentOf(QString native);
// The last component of a real path, trailing separators ignored.
QString lastComponent(QString native);
// Throws RuntimeError `number` with the text "what: reason".
[[noreturn]] void raise(int number, const QString &what, const QString &reason);

} // namespace tw::files::detail
