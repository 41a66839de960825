// The one source of time for the program: waits, tick counts, durations and
// USB timeouts all go through a Clock, so tests can run on virtual time.
#pragma once

#include <cstdint>
#include <ctime>

namespace tessary {

class Clock {
 public:
  virtual ~Clock() = default;

  // Monotonic time in microseconds since an arbitrary origin.
  [[nodiscard]] virtual std::uint64_t NowMicroseconds() const = 0;

  // Millisecond tick count, as used for operation durations.
  [[nodiscard]] std::uint32_t TickCountMs() const {
    return static_cast<std::uint32_t>(NowMicroseconds() / 1000);
  }

  // Lets `remaining` microseconds of a wait pass without burning a core.
  // The real clock sleeps while much time is left and only yields near the
  // end (so short waits stay precise); the virtual clock simply advances.
  virtual void IdleFor(std::uint64_t remaining_us) = 0;

  // Blocks for exactly `us` microseconds (device-side delays such as a USB
  // read timeout). The virtual clock advances.
  virtual void SleepFor(std::uint64_t us) = 0;

  // Local wall-clock time of day, for log stamps.
  [[nodiscard]] virtual std::tm LocalTime() const = 0;
};

// The clock of the running program.
class SystemClock final : public Clock {
 public:
  [[nodiscard]] std::uint64_t NowMicroseconds() const override;
  void IdleFor(std::uint64_t remaining_us) override;
  void SleepFor(std::uint64_t us) override;
  [[nodiscard]] std::tm LocalTime() const override;
};

// A clock that only moves when someone waits on it: a 200-second erase poll
// costs no real time and its timing stays exact.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(std::uint64_t start_us = 1'000'000) : now_us_(start_us) {}

  [[nodiscard]] std::uint64_t NowMicroseconds() const override { return now_us_; }
  void IdleFor(std::uint64_t remaining_us) override { now_us_ += remaining_us; }
  void SleepFor(std::uint64_t us) override { now_us_ += us; }
  [[nodiscard]] std::tm LocalTime() const override;

  void Advance(std::uint64_t us) { now_us_ += us; }
  // Wall-clock time of day at virtual time zero, seconds since midnight.
  void SetTimeOfDay(int hour, int minute, int second) {
    day_offset_s_ = hour * 3600 + minute * 60 + second;
    day_origin_us_ = now_us_;
  }

 private:
  std::uint64_t now_us_;
  std::uint64_t day_origin_us_ = 0;
  int day_offset_s_ = 12 * 3600;
};

}  // namespace tessary
