// The simulated programmer behind the UsbLink interface: what the program,
// the command-line tool's --simulate and the window's demo mode talk to
// instead of libusb. The link is the USB side (open, pipes, the IN pipe's
// timeout, presence events, the wire record); the programmer it owns is
// the device.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/clock.h"
#include "device/usb_link.h"
#include "sim/simulated_programmer.h"
#include "sim/simulator_config.h"

namespace tessary::sim {

class SimulatedLink final : public tessary::UsbLink {
 public:
  SimulatedLink(SimulatorConfig config, tessary::Clock& clock);

  [[nodiscard]] SimulatedProgrammer& programmer() { return programmer_; }
  [[nodiscard]] const SimulatedProgrammer& programmer() const { return programmer_; }

  // Succeeds only for the configured vendor and product ID (0x1A86/0x4567
  // by default), while the programmer is on the bus and its endpoints
  // classify.
  [[nodiscard]] bool OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) override;
  // NotFound while unplugged or for other IDs; NoUsableEndpoints when the
  // configured endpoints do not classify.
  [[nodiscard]] tessary::UsbOpenResult LastOpenResult() const override { return last_open_result_; }
  void CloseDevice() override;
  // True from a successful open until CloseDevice, also after the device
  // has left the bus (the handle is then dead: transfers return 0).
  [[nodiscard]] bool HasDevice() const override { return open_; }
  [[nodiscard]] tessary::PipeIds Pipes() const override { return pipes_; }
  [[nodiscard]] std::size_t WritePipe(std::span<const std::uint8_t> data) override;
  // Waits on the clock for a reply due within the IN pipe's 2000 ms
  // timeout; with nothing coming, costs the whole timeout.
  [[nodiscard]] std::size_t ReadPipe(std::span<std::uint8_t> buffer) override;
  void FlushInPipe() override;
  void SetPresenceHandler(std::function<void(tessary::PresenceEvent)> handler) override;
  void ServiceEvents() override;

 private:
  [[nodiscard]] bool Reachable() const;

  tessary::Clock& clock_;
  SimulatedProgrammer programmer_;
  bool open_ = false;
  tessary::UsbOpenResult last_open_result_ = tessary::UsbOpenResult::NotFound;
  std::uint32_t open_session_ = 0;
  tessary::PipeIds pipes_{};
  std::function<void(tessary::PresenceEvent)> presence_handler_;
};

// Convenience: config_path empty -> default config. nullptr + error on a bad config.
[[nodiscard]] std::unique_ptr<SimulatedLink> MakeSimulatedLink(tessary::Clock& clock,
                                                               const std::string& config_path,
                                                               std::string& error);

}  // namespace tessary::sim
