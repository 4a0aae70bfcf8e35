#pragma once
// runAside: runs one SQLite operation that cannot yield by itself (dropping a
// table is a single step of SQLite's engine) on a thread of its own, while the
// calling thread keeps letting the window's events run.
// The connection is the operation's alone until runAside returns; what the
// operation throws is thrown here.

#include <functional>

namespace tw::workdb {

void runAside(const std::function<void()> &work);

} // namespace tw::workdb
