// USB side of the simulation.
#include "sim/simulated_link.h"

#include <utility>

namespace tessary::sim {

SimulatedLink::SimulatedLink(SimulatorConfig config, tessary::Clock& clock)
    : clock_(clock), programmer_(std::move(config), clock) {}

bool SimulatedLink::OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) {
  const SimulatorConfig& config = programmer_.config();
  last_open_result_ = tessary::UsbOpenResult::NotFound;
  if (!programmer_.plugged() || vendor_id != config.vendor_id || product_id != config.product_id)
    return false;
  const std::optional<tessary::PipeIds> pipes = tessary::ClassifyEndpoints(config.endpoints);
  last_open_result_ = tessary::UsbOpenResult::NoUsableEndpoints;
  if (!pipes) return false;
  pipes_ = *pipes;
  open_ = true;
  last_open_result_ = tessary::UsbOpenResult::Opened;
  open_session_ = programmer_.bus_session();
  return true;
}

void SimulatedLink::CloseDevice() {
  open_ = false;
  pipes_ = tessary::PipeIds{};
}

bool SimulatedLink::Reachable() const {
  return open_ && programmer_.plugged() && open_session_ == programmer_.bus_session();
}

std::size_t SimulatedLink::WritePipe(std::span<const std::uint8_t> data) {
  if (!Reachable()) return 0;
  programmer_.wire().Add(WireDirection::Out, data);
  programmer_.ReceiveOut(data);
  programmer_.NoteTransfer();
  return data.size();
}

std::size_t SimulatedLink::ReadPipe(std::span<std::uint8_t> buffer) {
  if (!Reachable()) return 0;
  std::size_t received = programmer_.SendIn(buffer);
  if (received == 0) {
    // The read waits for a reply that comes within the timeout; else it
    // times out, which lets replies held back for that moment go.
    const std::uint64_t now = clock_.NowMicroseconds();
    const std::uint64_t timeout = std::uint64_t{tessary::kInPipeTimeoutMs} * 1000;
    const std::optional<std::uint64_t> ready = programmer_.NextReplyReadyUs();
    if (ready && *ready > now && *ready <= now + timeout) {
      clock_.SleepFor(*ready - now);
      received = programmer_.SendIn(buffer);
    } else {
      clock_.SleepFor(timeout);
      programmer_.NoteReadTimedOut();
    }
  }
  programmer_.wire().Add(WireDirection::In, buffer.first(received));
  programmer_.NoteTransfer();
  return received;
}

void SimulatedLink::FlushInPipe() {
  if (Reachable()) programmer_.FlushIn();
}

void SimulatedLink::SetPresenceHandler(std::function<void(tessary::PresenceEvent)> handler) {
  presence_handler_ = std::move(handler);
}

void SimulatedLink::ServiceEvents() {
  programmer_.ServiceTime();
  for (const tessary::PresenceEvent event : programmer_.TakePresenceEvents()) {
    if (presence_handler_) presence_handler_(event);
  }
}

std::unique_ptr<SimulatedLink> MakeSimulatedLink(tessary::Clock& clock,
                                                 const std::string& config_path,
                                                 std::string& error) {
  if (config_path.empty()) return std::make_unique<SimulatedLink>(DefaultSimulatorConfig(), clock);
  std::optional<SimulatorConfig> config = LoadSimulatorConfig(config_path, error);
  if (!config) return nullptr;
  return std::make_unique<SimulatedLink>(std::move(*config), clock);
}

}  // namespace tessary::sim
