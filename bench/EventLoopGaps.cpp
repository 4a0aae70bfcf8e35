#include "EventLoopGaps.h"

#include "common/DoEvents.h"

namespace tw::bench {

EventLoopGaps::EventLoopGaps()
{
    setDoEventsObserver([this] {
        ++m_runs;
        mark();
    });
}

EventLoopGaps::~EventLoopGaps()
{
    setDoEventsObserver({});
}

void EventLoopGaps::start()
{
    m_clock.start();
    m_lastNs = 0;
    m_longestNs = 0;
    m_longestEndNs = 0;
    m_runs = 0;
}

void EventLoopGaps::stop()
{
    mark();
}

void EventLoopGaps::mark()
{
    if (!m_clock.isValid())
        return;
    const qint64 now = m_clock.nsecsElapsed();
    if (now - m_lastNs > m_longestNs) {
        m_longestNs = now - m_lastNs;
        m_longestEndNs = now;
    }
    m_lastNs = now;
}

} // namespace tw::bench
