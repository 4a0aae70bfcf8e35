#pragma once
// Deleting that can be undone: a file moved to the system's trash (the
// desktop trash on Linux, the Recycle Bin on Windows), or deleted for good
// where its volume has none.

#include <QString>

namespace tw::files {

// Where one deleted file went.
struct Disposal {
    QString path;      // the file as it was named
    QString trashedAs; // where the trash holds it now; empty when deleted for good
};

// Moves the file (a real path or a path text) to the trash of its volume and
// gives where it lies there ("the Recycle Bin" where the system does not
// tell); empty when the volume has no trash that can be used, and then the
// file is left where it is. Never throws.
QString moveToTrash(const QString &path);

// Deletes the file, read-only ones too: to the trash when `toTrash` is set
// and the volume has one, for good otherwise. RuntimeError as
// deleteFileForced when it cannot be deleted.
Disposal disposeOf(const QString &path, bool toTrash);

} // namespace tw::files
