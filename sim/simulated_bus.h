// Several simulated programmers on one simulated USB bus, behind the
// UsbLink interface: programmer N (from 1, in the order given) sits at bus 1,
// address N. Without a choice an open takes the first one that is plugged in
// with the programmer's IDs, as on a real bus; ChooseDevice picks another.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/usb_link.h"
#include "sim/simulated_link.h"

namespace tessary::sim {

class SimulatedBus final : public tessary::UsbLink {
 public:
  explicit SimulatedBus(std::vector<std::unique_ptr<SimulatedLink>> links);

  [[nodiscard]] std::size_t size() const { return links_.size(); }
  [[nodiscard]] SimulatedLink& link(std::size_t index) { return *links_.at(index); }
  [[nodiscard]] static tessary::UsbLocation LocationOf(std::size_t index);

  [[nodiscard]] std::vector<tessary::UsbLocation> ListDevices(std::uint16_t vendor_id,
                                                             std::uint16_t product_id) override;
  bool ChooseDevice(std::optional<tessary::UsbLocation> where) override;
  [[nodiscard]] bool OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) override;
  [[nodiscard]] tessary::UsbOpenResult LastOpenResult() const override;
  void CloseDevice() override { links_[current_]->CloseDevice(); }
  [[nodiscard]] bool HasDevice() const override { return links_[current_]->HasDevice(); }
  [[nodiscard]] tessary::PipeIds Pipes() const override { return links_[current_]->Pipes(); }
  [[nodiscard]] std::size_t WritePipe(std::span<const std::uint8_t> data) override {
    return links_[current_]->WritePipe(data);
  }
  [[nodiscard]] std::size_t ReadPipe(std::span<std::uint8_t> buffer) override {
    return links_[current_]->ReadPipe(buffer);
  }
  void FlushInPipe() override { links_[current_]->FlushInPipe(); }
  // Arrivals and removals of the programmer in use (the last one opened).
  void SetPresenceHandler(std::function<void(tessary::PresenceEvent)> handler) override;
  // Time passes for every programmer.
  void ServiceEvents() override;

  // Writes every programmer's persistent chips back to their images.
  [[nodiscard]] bool SaveChips(std::string& error);

 private:
  [[nodiscard]] bool Present(std::size_t index, std::uint16_t vendor_id,
                             std::uint16_t product_id) const;

  std::vector<std::unique_ptr<SimulatedLink>> links_;
  std::size_t current_ = 0;
  std::optional<std::size_t> chosen_;
  bool found_ = true;  // the last open found a device to try
  std::function<void(tessary::PresenceEvent)> presence_handler_;
};

// One simulated programmer per entry of `config_paths` (an empty entry: the
// built-in default). nullptr and `error` (naming the file) on a bad config.
[[nodiscard]] std::unique_ptr<SimulatedBus> MakeSimulatedBus(
    tessary::Clock& clock, const std::vector<std::string>& config_paths, std::string& error);

}  // namespace tessary::sim
