// The simulated bus: one link per simulated programmer, one of them in use.
#include "sim/simulated_bus.h"

#include <utility>

namespace tessary::sim {

SimulatedBus::SimulatedBus(std::vector<std::unique_ptr<SimulatedLink>> links)
    : links_(std::move(links)) {}

tessary::UsbLocation SimulatedBus::LocationOf(std::size_t index) {
  return {1, static_cast<std::uint8_t>(index + 1)};
}

bool SimulatedBus::Present(std::size_t index, std::uint16_t vendor_id,
                           std::uint16_t product_id) const {
  const SimulatedProgrammer& programmer = links_[index]->programmer();
  return programmer.plugged() && programmer.config().vendor_id == vendor_id &&
         programmer.config().product_id == product_id;
}

std::vector<tessary::UsbLocation> SimulatedBus::ListDevices(std::uint16_t vendor_id,
                                                            std::uint16_t product_id) {
  std::vector<tessary::UsbLocation> found;
  for (std::size_t i = 0; i < links_.size(); ++i) {
    if (Present(i, vendor_id, product_id)) found.push_back(LocationOf(i));
  }
  return found;
}

bool SimulatedBus::ChooseDevice(std::optional<tessary::UsbLocation> where) {
  chosen_.reset();
  if (!where) return true;
  for (std::size_t i = 0; i < links_.size(); ++i) {
    if (LocationOf(i) == *where) chosen_ = i;
  }
  // A location where no programmer sits: opens find nothing.
  if (!chosen_) chosen_ = links_.size();
  return true;
}

bool SimulatedBus::OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) {
  links_[current_]->CloseDevice();
  found_ = false;
  if (chosen_) {
    if (*chosen_ >= links_.size()) return false;
    current_ = *chosen_;
    found_ = true;
    return links_[current_]->OpenDevice(vendor_id, product_id);
  }
  for (std::size_t i = 0; i < links_.size(); ++i) {
    if (!Present(i, vendor_id, product_id)) continue;
    current_ = i;
    found_ = true;
    return links_[current_]->OpenDevice(vendor_id, product_id);
  }
  return false;
}

tessary::UsbOpenResult SimulatedBus::LastOpenResult() const {
  return found_ ? links_[current_]->LastOpenResult() : tessary::UsbOpenResult::NotFound;
}

void SimulatedBus::SetPresenceHandler(std::function<void(tessary::PresenceEvent)> handler) {
  presence_handler_ = std::move(handler);
  for (std::size_t i = 0; i < links_.size(); ++i) {
    links_[i]->SetPresenceHandler([this, i](tessary::PresenceEvent event) {
      if (i != current_) return;  // another programmer's plugging is not this link's
      if (presence_handler_) presence_handler_(event);
    });
  }
}

void SimulatedBus::ServiceEvents() {
  for (const std::unique_ptr<SimulatedLink>& link : links_) link->ServiceEvents();
}

bool SimulatedBus::SaveChips(std::string& error) {
  bool saved = true;
  for (const std::unique_ptr<SimulatedLink>& link : links_) {
    std::string one;
    if (!link->programmer().SaveChips(one)) {
      saved = false;
      error += (error.empty() ? "" : "; ") + one;
    }
  }
  return saved;
}

std::unique_ptr<SimulatedBus> MakeSimulatedBus(tessary::Clock& clock,
                                               const std::vector<std::string>& config_paths,
                                               std::string& error) {
  std::vector<std::unique_ptr<SimulatedLink>> links;
  for (const std::string& path : config_paths) {
    std::unique_ptr<SimulatedLink> link = MakeSimulatedLink(clock, path, error);
    if (!link) return nullptr;
    links.push_back(std::move(link));
  }
  if (links.empty()) links.push_back(MakeSimulatedLink(clock, "", error));
  return std::make_unique<SimulatedBus>(std::move(links));
}

}  // namespace tessary::sim
