#include "DiskCache.h"

#include <unistd.h>

namespace tw::bench {

void settleDisk()
{
    // What sync(1) does: every file system's dirty pages, waited for on Linux.
    ::sync();
}

} // namespace tw::bench
