#pragma once
// EventLoopGaps: while alive, records when DoEvents lets the event loop run
// and keeps the longest time the loop had to wait, counting from start() and
// up to stop() as well.

#include <QElapsedTimer>

namespace tw::bench {

class EventLoopGaps {
public:
    EventLoopGaps();
    ~EventLoopGaps();
    EventLoopGaps(const EventLoopGaps &) = delete;
    EventLoopGaps &operator=(const EventLoopGaps &) = delete;

    void start();
    void stop();

    double longestGapMs() const { return double(m_longestNs) / 1e6; }
    // Seconds since start() at which the longest gap ended.
    double longestGapEndS() const { return double(m_longestEndNs) / 1e9; }
    qint64 runs() const { return m_runs; }

private:
    void mark();

    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
    qint64 m_longestEndNs = 0;
    qint64 m_runs = 0;
};

} // namespace tw::bench
