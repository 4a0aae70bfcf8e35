#include "SqliteDiskLimit.h"

#include <sqlite3.h>

namespace tw::robust {

namespace {

// The system's file system, and the limit while one is set.
sqlite3_vfs *g_system = nullptr;
qint64 g_limit = 0;
sqlite3_vfs g_limited;

// A file of the limited file system: its own methods, then the system's file.
struct LimitedFile {
    sqlite3_file base;
    sqlite3_file *real;
};

sqlite3_file *realOf(sqlite3_file *file)
{
    return reinterpret_cast<LimitedFile *>(file)->real;
}

int limitedClose(sqlite3_file *f)
{
    return realOf(f)->pMethods->xClose(realOf(f));
}
int limitedRead(sqlite3_file *f, void *data, int amount, sqlite3_int64 offset)
{
    return realOf(f)->pMethods->xRead(realOf(f), data, amount, offset);
}
int limitedWrite(sqlite3_file *f, const void *data, int amount, sqlite3_int64 offset)
{
    if (offset + amount > g_limit)
        return SQLITE_FULL;
    return realOf(f)->pMethods->xWrite(realOf(f), data, amount, offset);
}
int limitedTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    return realOf(f)->pMethods->xTruncate(realOf(f), size);
}
int limitedSync(sqlite3_file *f, int flags)
{
    return realOf(f)->pMethods->xSync(realOf(f), flags);
}
int limitedFileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    return realOf(f)->pMethods->xFileSize(realOf(f), size);
}
int limitedLock(sqlite3_file *f, int level)
{
    return realOf(f)->pMethods->xLock(realOf(f), level);
}
int limitedUnlock(sqlite3_file *f, int level)
{
    return realOf(f)->pMethods->xUnlock(realOf(f), level);
}
int limitedCheckReservedLock(sqlite3_file *f, int *reserved)
{
    return realOf(f)->pMethods->xCheckReservedLock(realOf(f), reserved);
}
int limitedFileControl(sqlite3_file *f, int op, void *arg)
{
    return realOf(f)->pMethods->xFileControl(realOf(f), op, arg);
}
int limitedSectorSize(sqlite3_file *f)
{
    return realOf(f)->pMethods->xSectorSize(realOf(f));
}
int limitedDeviceCharacteristics(sqlite3_file *f)
{
    return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f));
}

// Version 1: no shared memory and no memory-mapped reads, which the
// databases here do not need.
const sqlite3_io_methods kLimitedMethods = {
    1,
    limitedClose,
    limitedRead,
    limitedWrite,
    limitedTruncate,
    limitedSync,
    limitedFileSize,
    limitedLock,
    limitedUnlock,
    limitedCheckReservedLock,
    limitedFileControl,
    limitedSectorSize,
    limitedDeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int limitedOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *limited = reinterpret_cast<LimitedFile *>(file);
    limited->real = reinterpret_cast<sqlite3_file *>(limited + 1);
    const int rc = g_system->xOpen(g_system, name, limited->real, flags, outFlags);
    limited->base.pMethods = limited->real->pMethods ? &kLimitedMethods : nullptr;
    return rc;
}

} // namespace

SqliteDiskLimit::SqliteDiskLimit(qint64 limit)
{
    g_system = sqlite3_vfs_find(nullptr);
    g_limit = limit;
    // Everything but opening is the system's own.
    g_limited = *g_system;
    g_limited.szOsFile = int(sizeof(LimitedFile)) + g_system->szOsFile;
    g_limited.pNext = nullptr;
    g_limited.zName = "tw-disk-limit";
    g_limited.xOpen = limitedOpen;
    sqlite3_vfs_register(&g_limited, 1);
}

SqliteDiskLimit::~SqliteDiskLimit()
{
    sqlite3_vfs_unregister(&g_limited);
    sqlite3_vfs_register(g_system, 1);
}

} // namespace tw::robust
