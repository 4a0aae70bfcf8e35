#pragma once
// DiskCache: the system's cache of written pages, between two timed runs.

namespace tw::bench {

// Writes the pages earlier runs left in the page cache out to disk, so that
// the system writing them back does not fall into the next run's time (a
// copy of a million rows writes most of a gigabyte; Linux starts writing it
// back at a tenth of the memory, on one of the two cores). Returns when they
// are written.
void settleDisk();

} // namespace tw::bench
