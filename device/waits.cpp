// Waits that pump events while time passes.
#include "device/waits.h"

namespace tessary {

void Waiter::WaitMicroseconds(std::uint64_t microseconds) {
  const std::uint64_t start = clock_.NowMicroseconds();
  for (;;) {
    panel_.PumpEvents();
    const std::uint64_t elapsed = clock_.NowMicroseconds() - start;
    if (elapsed >= microseconds) return;
    clock_.IdleFor(microseconds - elapsed);
  }
}

void Waiter::WaitUntil(std::uint64_t deadline_us) {
  const std::uint64_t now = clock_.NowMicroseconds();
  WaitMicroseconds(deadline_us > now ? deadline_us - now : 0);
}

}  // namespace tessary
