// The two calibrated waits every delay of the program uses. Both keep the
// operator's window alive: they pump events at least once, also for 0.
#pragma once

#include <cstdint>

#include "base/clock.h"
#include "base/operator_panel.h"

namespace tessary {

class Waiter {
 public:
  Waiter(Clock& clock, OperatorPanel& panel) : clock_(clock), panel_(panel) {}

  // Returns after at least n x 10 us.
  void WaitTicks(std::uint32_t ticks) { WaitMicroseconds(static_cast<std::uint64_t>(ticks) * 10); }

  // Returns after at least n us.
  void WaitMicroseconds(std::uint64_t microseconds);

  // Returns once the clock has reached `deadline_us` (pumping at least once).
  void WaitUntil(std::uint64_t deadline_us);

  [[nodiscard]] Clock& clock() { return clock_; }

 private:
  Clock& clock_;
  OperatorPanel& panel_;
};

}  // namespace tessary
