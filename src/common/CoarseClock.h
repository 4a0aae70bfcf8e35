#pragma once
// CoarseClock: milliseconds of a monotonic clock that costs next to nothing
// to read, at a resolution of a few milliseconds where the system has such a
// clock (DoEvents reads it once per field).

#include <cstdint>

namespace tw {

std::int64_t coarseClockMs();

} // namespace tw
