#include "DiskCache.h"

namespace tw::bench {

void settleDisk()
{
    // Windows has no call that writes every volume's cache without
    // administrator rights (FlushFileBuffers on a volume needs them): the
    // runs there are timed with what the cache holds.
}

} // namespace tw::bench
