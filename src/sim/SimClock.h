#pragma once

#include "link/ComPortInterface.h"

#include <cstdint>

// Simulated time for Get and Send away from a real line: waits take no real time, and the
// ports on this clock move it on by what a real port's time-outs and the line would take. The
// tick count starts where the caller puts it, so a wait across the wrap of the 32-bit counter
// can be tried.
class TSimClock : public IClock {
public:
  static constexpr std::int64_t Millisecond = 1'000'000; // nanoseconds

  explicit TSimClock(std::uint32_t startTick = 0) : StartTick_(startTick) {}

  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;

  void Advance(std::int64_t nanoseconds) { Now_ += nanoseconds; }
  void AdvanceMilliseconds(std::int64_t milliseconds) { Advance(milliseconds * Millisecond); }
  // Time since the clock was made.
  std::int64_t Nanoseconds() const { return Now_; }
  double Milliseconds() const { return static_cast<double>(Now_) / static_cast<double>(Millisecond); }
  // How many times Sleep was called: a wait that should not wait at all calls it never.
  int Sleeps() const { return Sleeps_; }

private:
  std::uint32_t StartTick_;
  std::int64_t Now_ = 0;
  int Sleeps_ = 0;
};
