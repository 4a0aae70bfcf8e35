#include "CoarseClock.h"

#include <chrono>
#include <ctime>

namespace tw {

namespace {
constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kNsPerMs = 1000000;
} // namespace

std::int64_t coarseClockMs()
{
    // Linux's coarse clock: the time of the last tick, read without a system call.
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC_COARSE, &now) == 0)
        return std::int64_t(now.tv_sec) * kMsPerSecond + now.tv_nsec / kNsPerMs;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace tw
