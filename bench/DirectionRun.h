#pragma once
// DirectionRun: runs one transfer ("Send Table/s To Paradox" or "... To
// FoxPro") headless over the benchmark tables, through the same routine the
// window's button runs, and measures it.

#include "BenchLayout.h"

#include <QString>

namespace tw::bench {

struct DirectionResult {
    qint64 rows = 0;        // rows the written table holds
    double seconds = 0;     // the transfer call alone
    double userSeconds = 0; // processor time of the transfer, every thread
    double systemSeconds = 0;
    double bytesWritten = 0; // handed to write calls during the transfer, the work database's included
    qint64 sourceBytes = 0;  // source table and memo file
    double peakResidentMb = 0;
    double longestEventGapMs = 0;
    double longestEventGapEndS = 0;
    qint64 eventLoopRuns = 0;
    QString error; // the boxes the transfer showed, when any was an error
};

// Empties the direction's target and work folders, runs the transfer and reads
// back the written table's row count. The providers must be registered.
DirectionResult runDirection(const BenchLayout &layout, Direction direction);

} // namespace tw::bench
