#include "DoEvents.h"

#include <QCoreApplication>

#include <chrono>
#include <ctime>

namespace tw {

namespace {

// Milliseconds of a monotonic clock. The copies call this once per field, so
// a clock of a few milliseconds' resolution that costs next to nothing to read
// is preferred where the system has one.
qint64 nowMs()
{
#if defined(CLOCK_MONOTONIC_COARSE)
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC_COARSE, &now) == 0)
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#endif
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::function<void()> &observer()
{
    static std::function<void()> callback;
    return callback;
}
} // namespace

void setDoEventsObserver(std::function<void()> callback)
{
    observer() = std::move(callback);
}

void DoEvents()
{
    static qint64 lastRun = -1;
    const qint64 now = nowMs();
    if (lastRun >= 0 && now - lastRun < kDoEventsIntervalMs && now >= lastRun)
        return;
    lastRun = now;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (observer())
        observer()();
}

} // namespace tw
