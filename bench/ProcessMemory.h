#pragma once
// ProcessMemory: the peak resident memory of this process as the kernel
// counts it (VmHWM in /proc/self/status).

namespace tw::bench {

// Peak resident set in MiB; -1 when /proc cannot tell.
double peakResidentMb();

} // namespace tw::bench
