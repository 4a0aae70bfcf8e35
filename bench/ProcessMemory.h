#pragma once
// ProcessMemory: what the kernel counts of this process — its peak resident
// memory (VmHWM in /proc/self/status), its processor time (/proc/self/stat)
// and the bytes it handed to write calls (wchar in /proc/self/io), SQLite's
// included. Linux only; -1 where /proc cannot tell.

namespace tw::bench {

// Peak resident set in MiB.
double peakResidentMb();
// Resident set now in MiB (VmRSS).
double residentMb();

struct CpuTime {
    double user = -1;   // seconds
    double system = -1; // seconds
};
// Processor time of every thread of this process so far.
CpuTime cpuTime();

// Bytes this process has handed to write(), pwrite() and the like so far.
double bytesWritten();

} // namespace tw::bench
