// A simulated programmer and a fresh program context on virtual time: the
// ground that detection and operation tests stand on.
#pragma once

#include <utility>

#include "app/app_context.h"
#include "base/clock.h"
#include "device/device_info.h"
#include "sim/simulated_link.h"
#include "support/recording_panel.h"

namespace tessary::testing {

struct SimContext {
  explicit SimContext(sim::SimulatorConfig config = sim::DefaultSimulatorConfig())
      : usb(std::move(config), clock) {}
  SimContext(const SimContext&) = delete;
  SimContext& operator=(const SimContext&) = delete;

  sim::SimulatedProgrammer& programmer() { return usb.programmer(); }

  // Opens the link as the scan does when it has found the programmer.
  [[nodiscard]] bool Connect() {
    if (!ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId)) return false;
    ctx.link.MarkLinked();
    return true;
  }

  VirtualClock clock;
  RecordingPanel panel;
  sim::SimulatedLink usb;
  AppContext ctx{clock, panel, usb};
};

}  // namespace tessary::testing
