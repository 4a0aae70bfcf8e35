#pragma once
// Windows-style file operations. Paths are texts with "\" or "/" as
// separators; every component that does not exist with its exact spelling
// resolves to an entry of the same name in another letter case (findInFolder).
// Failures are RuntimeErrors with the numbers callers test (53, 70, 75, 76).
// The portable half is FileSystem.cpp, the calls into the system are in
// FileSystem<System>.cpp.

#include "platform/ado/ErrorNumbers.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace tw::files {

// Attribute values as the original platform reports them.
constexpr int kAttrReadOnly = 1;
constexpr int kAttrHidden = 2; // name begins with "."
constexpr int kAttrSystem = 4; // never set here
constexpr int kAttrDirectory = 16;
constexpr int kAttrArchive = 32; // every regular file
constexpr int kAttrLink = 1024;  // symbolic link (reparse point)

// Error numbers raised (named in platform/ado/ErrorNumbers.h).
using ado::kErrFileExists;
using ado::kErrFileNotFound;
using ado::kErrPathFileAccess;
using ado::kErrPathNotFound;
using ado::kErrPermissionDenied;

// Longest path text the folder walk examines. Callers that walk folder trees
// stop at it; the routines here do not enforce it.
constexpr int kMaxPath = 260;

bool isSeparator(QChar c);
// The real path for a path text: separators turned to "/", each existing
// component matched without regard to case. Components that do not exist are
// kept as written. The empty text stays empty.
// - findInFolder's rule decides between spellings, except that where it
//   refuses the first in byte order of the nearest spellings is taken: a path
//   text never fails.
// - Consecutive separators count as one; a trailing separator is kept.
// - A relative text resolves from the current folder and stays relative.
// - "C:\x" is not special: "C:" is an ordinary (missing) component.
QString toNativePath(const QString &path);
// The path text's last component (after the last separator).
QString fileName(const QString &path);

// The entries a lookup by name takes.
enum class EntryKind {
    Any,  // files, folders, links (a dangling one too)
    File, // regular files and links to them
};
// How a path is read.
enum class PathForm {
    Text, // a path text: "\" or "/" between components, each resolved as toNativePath does
    Real, // a real path, taken as it is: on POSIX a "\" in a file name is part of the
          // name, where a path text would read it as a separator and reach another file
};

// The path ("folder/entry") of the entry of the real folder `folder` named
// `name` without regard to case; empty when there is none. The entry spelled
// exactly as asked wins; else the one whose name before its suffix is spelled
// exactly as asked, the suffix in another letter case ("Orders.dbf" takes
// "Orders.DBF" over "ORDERS.DBF": a user never types the suffix); else the
// one entry spelled in other letter case. When several fit alike it refuses
// with a RuntimeError (75) naming them: which is meant cannot be told. `name`
// is one component: it is never split at a "\", and a name holding "/" finds
// nothing. This is the one lookup of this kind: every other one keeps its rule.
QString findInFolder(const QString &folder, const QString &name, EntryKind kind = EntryKind::Any);
// Every regular file (or link to one) of the real folder `folder` named `name`
// in any letter case, the one spelled exactly as asked too, as real paths in
// byte order of their names. The letter-case rule is findInFolder's.
std::vector<QString> findAllInFolder(const QString &folder, const QString &name);
// Every regular file (or link to one) of the real folder `folder` whose name
// is `base`, in any letter case, then "." and one suffix without a "." of its
// own ("T.DB", "t.x01"), as real paths in byte order of their names.
std::vector<QString> findWithBase(const QString &folder, const QString &base);
// The companions of the table file at the real path `path`: the regular
// files (or links to them) beside it named like it, in any letter case, with
// another suffix of one part, as findWithBase gives them, except those of a
// table file beside it spelled in other letter case ("ORDERS.FPT" is the
// memo file of "ORDERS.DBF", never of "Orders.DBF").
std::vector<QString> findCompanions(const QString &path);
// The file beside the real path `path` named like it with the suffix `suffix`
// (".fpt") in place of its own, by findInFolder's rule among its companions
// (findCompanions); empty when there is none. With `path`'s own suffix it is
// findInFolder's lookup of the table file itself.
QString findCompanion(const QString &path, const QString &suffix);

// Attribute bits of the file or folder; RuntimeError 53 (file) / 76 (folder
// part missing) when there is none. A link reports 1024 plus the bits of what
// it points at (a dangling link is 1024 alone).
int attributes(const QString &path);
// True when there is an entry at the path: of any kind (a folder, a link, a
// dangling link too), or with EntryKind::File a regular file or a link to
// one. The one test of this kind. An empty path has none; never throws.
bool exists(const QString &path, EntryKind kind = EntryKind::Any, PathForm form = PathForm::Text);
// True for a folder or a link to one.
bool isDirectory(const QString &path);
// Time of the last change; RuntimeError 53 when there is no such file.
QDateTime lastModified(const QString &path);

// Copies a regular file; an existing target is replaced when overwrite is true
// and refused (58) otherwise. RuntimeError naming both paths on failure:
// 53 no source, 76 no target folder, 75 source or target is a folder or the
// target is read-only, 70 permission denied. The data is streamed into a
// hidden temporary file beside the target, then renamed over it, so a failed
// copy leaves the target as it was. The copy is a new ordinary file (the
// source's mode and times are not carried over).
void copyFile(const QString &from, const QString &to, bool overwrite = true);

// How removeFile deletes a file, and what it does when it cannot.
struct Removal {
    enum class Way {
        ForGood,          // deleted
        Trash,            // moved to the trash of its volume, else left where it is
        TrashElseForGood, // to the trash where the volume has one, else deleted
    };
    Way way = Way::ForGood;
    // Deleted for good, a read-only file goes too; false refuses it (75), as
    // the platform's plain delete does. The trash takes any file.
    bool readOnlyToo = true;
    PathForm form = PathForm::Text;
    // Nothing at the path fails (53, 76 when its folder is missing too);
    // false: there is nothing to do.
    bool missingFails = true;
    // A failure throws its RuntimeError; false: the result only says so.
    bool throws = true;
};

// Where one file went.
struct Disposal {
    QString path;        // the file as it was named
    QString trashedAs;   // where the trash holds it now; empty when deleted for good or left
    bool failed = false; // it could not be deleted (a removal that does not throw)
};

// The one way a file is deleted, for good or to the trash (the desktop trash
// on Linux, the Recycle Bin on Windows; a file is never copied there). Folders
// are refused (75); a link is removed, not what it points at. RuntimeError
// "Cannot delete PATH: REASON" with 53/76 when missing, 75 for a folder or a
// refused read-only file, 70 when the folder does not allow it. Way::Trash
// never fails: a file the trash does not take stays, trashedAs empty.
Disposal removeFile(const QString &path, const Removal &how = {});

// Makes `data` the whole content of the file at the real path `native`,
// existing or not: written to a hidden temporary beside it, then renamed over
// it, so a failure leaves the file as it was. FileError naming the file (its reason() the system's word).
void writeFileReplacing(const QString &native, const QByteArray &data);
// Renames within the file system (atomic when on the same device); an
// existing target file is replaced. When the target resolves to the source
// itself, only the letter case of the name changes, to the spelling given.
void renameFile(const QString &from, const QString &to);
// Puts the file `from` in the place of the existing file `to` (real paths
// both) as quickly as a rename of a name: some systems write all of a file's
// pages out before renaming it over another (ext4, tens of milliseconds for
// a large file), which would leave a pair of files half replaced for that
// long. Where the system can, the two files swap names in one step and the
// old one, now under the name `from`, is deleted; elsewhere it is a
// replacing rename. Killed in between, the old file stays under `from`.
// RuntimeError as renameFile.
void replaceFile(const QString &from, const QString &to);
// Renames the real path `from` to the real path `to` (both taken as they are)
// without replacing anything: RuntimeError 58 when `to` exists, 53/76 when
// `from` or the folder of `to` is missing, 70 when not allowed.
void renameWithoutReplacing(const QString &from, const QString &to);

struct DirEntry {
    QString name; // as stored on disk
    int attributes = 0;
};

// The entries of a folder whose names match the wildcard pattern ("*" and "?",
// without regard to case), hidden ones included, "." and ".." excluded, in
// the order the directory gives them. RuntimeError 76 when the folder is
// missing (or is a file), 70 when it cannot be read. An empty folder text is
// the current folder; an empty pattern is "*".
std::vector<DirEntry> listDirectory(const QString &folder, const QString &pattern = QStringLiteral("*"));
// Splits "C:\x\*.db" style texts into folder and pattern, then lists files only
// (everything that is not a folder or a link to one). A text without a
// separator lists the current folder.
std::vector<DirEntry> findFiles(const QString &folderAndPattern);
// Sub-folder entries of a folder (links to folders included).
std::vector<DirEntry> subFolders(const QString &folder);

// "*" any run of characters, "?" exactly one, others compared without regard
// to case. As on the original platform a closing ".*" may also match nothing,
// so "*.*" matches every name and "readme.*" matches "README". Linear-ish:
// at worst pattern length times name length steps.
bool wildcardMatch(const QString &pattern, const QString &name);
// True for "/" (any run of separators alone) and for "X:\".
bool isDriveRoot(const QString &path);
// True when the path names an existing regular file this process may open
// for reading (it is opened and closed at once). Never throws.
bool canOpen(const QString &path);
// True when the path text names an existing folder this process may create
// files in. Never throws.
bool isWritableFolder(const QString &path);
// Creates the folder and the folders above it that are missing; true when it
// is there afterwards (already or now). Never throws.
bool makePath(const QString &folder);

} // namespace tw::files
