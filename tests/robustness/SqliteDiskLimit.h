#pragma once
// SqliteDiskLimit: a full disk for SQLite's own files, which do not go through
// the file layer (and its FaultPlan). While an object lives, databases opened
// in this process get a file system on which every write reaching past
// `limit` bytes of a file fails as on a full disk.

#include <QtGlobal>

namespace tw::robust {

class SqliteDiskLimit {
public:
    explicit SqliteDiskLimit(qint64 limit);
    ~SqliteDiskLimit();
    SqliteDiskLimit(const SqliteDiskLimit &) = delete;
    SqliteDiskLimit &operator=(const SqliteDiskLimit &) = delete;
};

} // namespace tw::robust
