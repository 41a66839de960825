// Real and virtual clocks.
#include "base/clock.h"

#include <chrono>
#include <thread>

namespace tessary {

std::uint64_t SystemClock::NowMicroseconds() const {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemClock::IdleFor(std::uint64_t remaining_us) {
  // Sleep in slices of at most 5 ms so the caller keeps pumping events;
  // stop sleeping 1 ms before the deadline, where the scheduler's wake-up
  // jitter would overshoot, and yield instead.
  constexpr std::uint64_t kSpinWindowUs = 1000;
  constexpr std::uint64_t kMaxSliceUs = 5000;
  // The last stretch of a wait is spun: a yield can hand the processor to
  // another program for longer than the 20 us pauses between blocks.
  constexpr std::uint64_t kBusyWindowUs = 100;
  if (remaining_us > kSpinWindowUs) {
    const std::uint64_t slice = std::min(remaining_us - kSpinWindowUs, kMaxSliceUs);
    std::this_thread::sleep_for(std::chrono::microseconds(slice));
  } else if (remaining_us > kBusyWindowUs) {
    std::this_thread::yield();
  }
}

void SystemClock::SleepFor(std::uint64_t us) {
  std::this_thread::sleep_for(std::chrono::microseconds(us));
}

std::tm SystemClock::LocalTime() const {
  const std::time_t now = std::time(nullptr);
  std::tm result{};
  localtime_r(&now, &result);
  return result;
}

std::tm VirtualClock::LocalTime() const {
  const std::uint64_t seconds = day_offset_s_ + (now_us_ - day_origin_us_) / 1'000'000;
  std::tm result{};
  result.tm_hour = static_cast<int>((seconds / 3600) % 24);
  result.tm_min = static_cast<int>((seconds / 60) % 60);
  result.tm_sec = static_cast<int>(seconds % 60);
  return result;
}

}  // namespace tessary
