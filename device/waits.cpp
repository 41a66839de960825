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

}  // namespace tessary
