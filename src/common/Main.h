#pragma once
// The shared list, path and file routines the windows and commands use.
// File tests and deletes swallow their failures; the list and path routines
// let failures pass to the calling step.

#include "TableList.h"
#include "platform/ado/Variant.h"

#include <QString>

namespace tw::ui {
class Dialogs;
}

namespace tw::Main {

// True when some entry, lower-cased, equals text lower-cased; every entry is compared.
bool ListHasItem(const TableList &list, const QString &text);
// Removes the entries equal to text (case-sensitive), walking the indexes up
// to the count read at the start; after a removal the walk goes on with the
// next index, so the entry that moved into the removed place is not examined.
void ListRemoveMatching(TableList &list, const QString &text);
// The value, or fallback when the value is Null.
ado::Variant NullTo(const ado::Variant &value, const ado::Variant &fallback);

// True when the time of the last change of the file can be read.
bool FileExists(const QString &path);
// Yields once, tries the plain delete, and when that fails the forced delete;
// failures of both are ignored.
void DeleteFileForced(const QString &path);
// Deletes the file, read-only ones too; failures pass to the caller.
void FsoDeleteFile(const QString &path);
// The text up to and including the last separator; empty when there is none.
QString FolderOf(const QString &path);
// True when the path's attributes can be read and include the directory bit.
bool FolderExists(const QString &path);
// Collapses doubled separators; a leading run of backslashes (a network path)
// becomes exactly two.
QString CollapseBackslashes(const QString &path);
// Copies to the new path (step 100), then deletes the old file (step 102). A
// failed copy shows the report for Main.RenameFile at step 100 and keeps the old file.
void RenameFile(ui::Dialogs &dialogs, const QString &oldPath, const QString &newPath);

// The folder holding the program file, without a trailing separator.
QString ProgramFolder();

} // namespace tw::Main
