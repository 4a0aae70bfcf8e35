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
// The names of a folder's entries as stored, "." and ".." left out, in the
// order the system gives them; empty when the folder cannot be read.
std::vector<QString> entryNames(const QString &folder);
// The system's text for one of its error codes.
QString errorText(int code);

// Answered by the portable half.
// The folder holding a real path ("." for a bare name, "/" for "/x").
QString parentOf(QString native);
// The last component of a real path, trailing separators ignored.
QString lastComponent(QString native);
// Throws RuntimeError `number` with the text "what: reason".
[[noreturn]] void raise(int number, const QString &what, const QString &reason);

} // namespace tw::files::detail
