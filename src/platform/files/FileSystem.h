#pragma once
// Windows-style file operations over POSIX. Paths are texts with "\" or "/"
// as separators; every component that does not exist with its exact spelling
// resolves to an entry of the same name in another letter case. Failures are
// RuntimeErrors with the numbers callers test (53, 70, 75, 76).

#include <QDateTime>
#include <QString>

#include <vector>

namespace tw::files {

// Attribute values as the original platform reports them.
constexpr int kAttrReadOnly = 1;
constexpr int kAttrHidden = 2;     // name begins with "."
constexpr int kAttrSystem = 4;     // never set here
constexpr int kAttrDirectory = 16;
constexpr int kAttrArchive = 32;   // every regular file
constexpr int kAttrLink = 1024;    // symbolic link (reparse point)

// Error numbers raised.
constexpr int kErrFileNotFound = 53;
constexpr int kErrFileExists = 58;
constexpr int kErrPermissionDenied = 70;
constexpr int kErrPathFileAccess = 75;
constexpr int kErrPathNotFound = 76;

// Longest path text the folder walk examines.
constexpr int kMaxPath = 260;

bool isSeparator(QChar c);
// The real path for a path text: separators turned to "/", each existing
// component matched without regard to case. Components that do not exist are
// kept as written. The empty text stays empty.
QString toNativePath(const QString &path);
// The path text's last component (after the last separator).
QString fileName(const QString &path);

// Attribute bits of the file or folder; RuntimeError 53 (file) / 76 (folder
// part missing) when there is none.
int attributes(const QString &path);
bool exists(const QString &path);
bool isDirectory(const QString &path);
// Time of the last change; RuntimeError 53 when there is no such file.
QDateTime lastModified(const QString &path);

// Copies a regular file; an existing target is replaced when overwrite is true
// and refused (58) otherwise. RuntimeError naming both paths on failure.
void copyFile(const QString &from, const QString &to, bool overwrite = true);
// The platform's plain delete: refuses read-only files (75), like DeleteFile.
void deleteFile(const QString &path);
// Deletes read-only files too.
void deleteFileForced(const QString &path);
// Renames within the file system (atomic when on the same device).
void renameFile(const QString &from, const QString &to);

struct DirEntry {
    QString name;   // as stored on disk
    int attributes = 0;
};

// The entries of a folder whose names match the wildcard pattern ("*" and "?",
// without regard to case), hidden ones included, "." and ".." excluded, in
// the order the directory gives them. RuntimeError 76 when the folder is
// missing, 70 when it cannot be read.
std::vector<DirEntry> listDirectory(const QString &folder, const QString &pattern = QStringLiteral("*"));
// Splits "C:\x\*.db" style specs into folder and pattern, then lists files only.
std::vector<DirEntry> findFiles(const QString &folderAndPattern);
// Sub-folder entries of a folder (links to folders included).
std::vector<DirEntry> subFolders(const QString &folder);

bool wildcardMatch(const QString &pattern, const QString &name);
bool isDriveRoot(const QString &path);
// True when the path names an existing regular file this process may open.
bool canOpen(const QString &path);

} // namespace tw::files
