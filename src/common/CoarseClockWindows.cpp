#include "CoarseClock.h"

#include <chrono>

namespace tw {

std::int64_t coarseClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace tw
