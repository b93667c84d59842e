#include "sim/SimClock.h"

std::uint32_t TSimClock::TickCount() {
  // The counter wraps as the system's millisecond counter does.
  return static_cast<std::uint32_t>(StartTick_ + static_cast<std::uint64_t>(Now_ / Millisecond));
}

void TSimClock::Sleep(std::uint32_t milliseconds) {
  ++Sleeps_;
  AdvanceMilliseconds(milliseconds);
}
