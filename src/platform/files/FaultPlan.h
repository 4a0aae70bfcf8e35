#pragma once
// FaultPlan: failures the file layer makes up when a test asks for them, so
// that tests show how callers meet a full disk or a file that cannot be read
// without help from the system. One plan holds for the whole process; there
// is none unless a test sets one. File consults it on every read and write
// (not the stores through a MappedView).

#include <QString>

namespace tw::files {

struct FaultPlan {
    // A write that would carry a file past this many bytes writes what fits,
    // then fails as on a full disk; negative: no limit.
    qint64 fileSizeLimit = -1;
    // Once this many bytes have been written through File in total since the
    // plan was set, writes fail as on a full disk (the write that reaches the
    // limit writes what fits); negative: no limit.
    qint64 totalWriteLimit = -1;
    // Reads of files whose name matches this pattern (as wildcardMatch takes
    // it) fail; empty: none.
    QString failReadsOf;
    // The table writers take this as the most bytes a file of their format
    // may hold, when it is below the format's own limit, so that tests meet
    // those limits without writing gigabytes; negative: the formats' own.
    qint64 formatFileLimit = -1;
};

// Sets the plan for the process and starts its count of written bytes afresh.
void setFaultPlan(const FaultPlan &plan);
// Takes the plan away: files do what the system lets them.
void clearFaultPlan();

// The most bytes a file of a format whose own limit is `formatLimit` may
// hold: that limit, or the plan's lower one. Writers ask once per file.
qint64 formatFileLimit(qint64 formatLimit);

// A plan for as long as the object lives.
class ScopedFaultPlan {
public:
    explicit ScopedFaultPlan(const FaultPlan &plan) { setFaultPlan(plan); }
    ~ScopedFaultPlan() { clearFaultPlan(); }
    ScopedFaultPlan(const ScopedFaultPlan &) = delete;
    ScopedFaultPlan &operator=(const ScopedFaultPlan &) = delete;
};

} // namespace tw::files
