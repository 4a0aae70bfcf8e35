#include "DoEvents.h"

#include "CoarseClock.h"

#include <QCoreApplication>

namespace tw {

namespace {

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
    const qint64 now = coarseClockMs();
    if (lastRun >= 0 && now - lastRun < kDoEventsIntervalMs && now >= lastRun)
        return;
    lastRun = now;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (observer())
        observer()();
}

} // namespace tw
