#include "DoEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>

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
    static QElapsedTimer sinceLastRun;
    if (sinceLastRun.isValid() && sinceLastRun.elapsed() < kDoEventsIntervalMs)
        return;
    sinceLastRun.start();
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (observer())
        observer()();
}

} // namespace tw
