#include "Trash.h"

#include "FileSystem.h"

namespace tw::files {

Disposal disposeOf(const QString &path, bool toTrash)
{
    if (toTrash) {
        const QString where = moveToTrash(path);
        if (!where.isEmpty())
            return {path, where};
    }
    deleteFileForced(path);
    return {path, {}};
}

} // namespace tw::files
