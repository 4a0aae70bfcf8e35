#pragma once
// DoEvents: lets pending window events run, at most once every 15 ms, so that
// long loops may call it per row and per field at almost no cost.

#include <functional>

namespace tw {

inline constexpr int kDoEventsIntervalMs = 15;

void DoEvents();

// Called each time DoEvents really processes events (benchmarks measure the
// gaps between runs with it). Pass an empty function to remove it.
void setDoEventsObserver(std::function<void()> observer);

} // namespace tw
