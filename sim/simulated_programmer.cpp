// The programmer's pipes and presence: frame assembly from the OUT pipe, the
// IN queue with its delayed and late replies, dispatch per opcode, leaving
// and returning to the bus, chips coming and going, saving persistent chips.
#include "sim/simulated_programmer.h"

#include "device/device_link.h"
#include "device/frame_crc.h"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace tessary::sim {
namespace {

constexpr std::uint8_t kWrongStartByte = 0x03;

}  // namespace

SimulatedProgrammer::SimulatedProgrammer(SimulatorConfig config, Clock& clock)
    : config_(std::move(config)),
      clock_(clock),
      faults_(config_.faults),
      sockets_{ChipSocket(config_.sockets[0]), ChipSocket(config_.sockets[1])},
      started_us_(clock.NowMicroseconds()),
      socket_events_(config_.socket_events),
      plugged_(config_.plugged_in),
      mode_(config_.start_in_boot_loader ? FirmwareMode::BootLoader : FirmwareMode::Application),
      application_firmware_(config_.firmware),
      spi_clock_code_(config_.spi_clock_code) {
  for (std::vector<SocketEvent>& events : socket_events_) {
    std::stable_sort(events.begin(), events.end(),
                     [](const SocketEvent& a, const SocketEvent& b) { return a.at_ms < b.at_ms; });
  }
  ApplySocketEvents();  // events at 0 ms
  store_.project_text = config_.stored_project;
  store_.declared_length = static_cast<std::uint32_t>(config_.stored_project.size());
  store_.data = config_.stored_data;
}

SimulatedProgrammer::~SimulatedProgrammer() {
  std::string error;
  if (!SaveChips(error)) std::cerr << "simulated programmer: " << error << '\n';
}

bool SimulatedProgrammer::SaveChips(std::string& error) const {
  bool saved = true;
  for (const ChipSocket& socket : sockets_) {
    std::string problem;
    if (socket.SaveImage(problem)) continue;
    if (!error.empty()) error += "; ";
    error += problem;
    saved = false;
  }
  return saved;
}

const std::string& SimulatedProgrammer::firmware_text() const {
  return mode_ == FirmwareMode::BootLoader ? config_.boot_firmware : application_firmware_;
}

// --- OUT pipe --------------------------------------------------------------

void SimulatedProgrammer::ReceiveOut(std::span<const std::uint8_t> bytes) {
  ApplySocketEvents();
  assembly_.insert(assembly_.end(), bytes.begin(), bytes.end());
  TakeFrames();
}

// The OUT pipe is a byte stream: a frame may arrive in pieces, and after a
// bulk-write set-up the bytes are raw data until the announced amount has
// come. Bytes that cannot start a frame are skipped, as the device's parser
// would resynchronise on the next start byte.
void SimulatedProgrammer::TakeFrames() {
  std::size_t at = 0;
  while (at < assembly_.size()) {
    const std::span<const std::uint8_t> rest(assembly_.data() + at, assembly_.size() - at);
    if (bulk_write_) {
      at += TakeBulkWrite(rest);
      continue;
    }
    if (rest[0] != kFrameStartByte) {
      ++at;
      continue;
    }
    if (rest.size() < kFrameHeaderSize) break;
    const std::size_t n = GetBigEndian16(&rest[4]);
    if (n > kMaxPayloadLength) {
      ++at;
      continue;
    }
    if (rest.size() < n + kFrameOverhead) break;
    const bool crc_ok = FrameCrc16(rest.subspan(1, 5 + n)) == GetBigEndian16(&rest[6 + n]);
    const std::vector<std::uint8_t> payload(rest.begin() + kFrameHeaderSize,
                                            rest.begin() + kFrameHeaderSize + n);
    const std::uint8_t opcode = rest[1];
    at += n + kFrameOverhead;
    if (!crc_ok) {
      ++rejected_frames_;
      continue;
    }
    Dispatch(Frame{opcode, payload});
  }
  assembly_.erase(assembly_.begin(), assembly_.begin() + static_cast<std::ptrdiff_t>(at));
}

void SimulatedProgrammer::Dispatch(const Frame& frame) {
  // A new command ends a read stream the host did not collect.
  bulk_read_.reset();
  const Handler handler = HandlerFor(frame.opcode);
  const bool silent = faults_.silent_opcodes.count(frame.opcode) != 0;
  if (handler == nullptr || silent) {
    store_session_ = false;
    return;
  }
  const bool storage_command = frame.opcode == 0x34 || frame.opcode == 0x35 || frame.opcode == 0x44;
  (this->*handler)(frame);
  if (!storage_command) store_session_ = false;
}

SimulatedProgrammer::Handler SimulatedProgrammer::HandlerFor(std::uint8_t opcode) const {
  switch (opcode) {
    case 0x10:
      return &SimulatedProgrammer::OnFirmwareVersion;
    case 0x11:
      return &SimulatedProgrammer::OnHardwareVersion;
    case 0x12:
      return &SimulatedProgrammer::OnSerialNumber;
    case 0x13:
      return &SimulatedProgrammer::OnDeviceModel;
    case 0xF0:
      return &SimulatedProgrammer::OnEnterBootLoader;
    default:
      break;
  }
  if (mode_ == FirmwareMode::BootLoader) {
    switch (opcode) {
      case 0xF1:
        return &SimulatedProgrammer::OnImageBlock;
      case 0xF2:
        return &SimulatedProgrammer::OnImageFinish;
      case 0xF3:
        return &SimulatedProgrammer::OnImageCheck;
      default:
        return nullptr;  // the boot loader knows nothing else
    }
  }
  switch (opcode) {
    case 0x14:
      return &SimulatedProgrammer::OnSetLanguage;
    case 0x20:
      return &SimulatedProgrammer::OnStatusIndication;
    case 0x31:
      return &SimulatedProgrammer::OnReadChipId;
    case 0x32:
      return &SimulatedProgrammer::OnChipErase;
    case 0x33:
      return &SimulatedProgrammer::OnNandBlockErase;
    case 0x34:
      return &SimulatedProgrammer::OnBulkRead;
    case 0x35:
      return &SimulatedProgrammer::OnDataWrite;
    case 0x38:
      return &SimulatedProgrammer::OnSocketStatus;
    case 0x39:
      return &SimulatedProgrammer::OnChipParameters;
    case 0x3A:
      return &SimulatedProgrammer::OnSpiClock;
    case 0x3B:
      return &SimulatedProgrammer::OnBadBlockScan;
    case 0x3C:
      return &SimulatedProgrammer::OnSpiDma;
    case 0x44:
      return &SimulatedProgrammer::OnProjectFile;
    default:
      return nullptr;
  }
}

void SimulatedProgrammer::Reply(std::uint8_t opcode, std::span<const std::uint8_t> payload,
                                std::optional<std::uint8_t> header_byte) {
  std::vector<std::uint8_t> body(payload.begin(), payload.end());
  if (const auto length = faults_.reply_lengths.find(opcode);
      length != faults_.reply_lengths.end()) {
    body.resize(length->second, 0x00);
  }
  std::vector<std::uint8_t> frame(body.size() + kFrameOverhead);
  BuildFrame(header_byte.value_or(opcode), body, frame);
  if (faults_.wrong_start_opcodes.count(opcode) != 0) frame[0] = kWrongStartByte;
  PendingReply reply;
  reply.bytes = std::move(frame);
  reply.ready_at_us = clock_.NowMicroseconds() + std::uint64_t{faults_.reply_delay_ms} * 1000;
  reply.held = faults_.late_reply_opcodes.count(opcode) != 0;
  replies_.push_back(std::move(reply));
}

// --- IN pipe ---------------------------------------------------------------

// The device answers in order: a reply that is not out yet keeps back
// everything behind it, the data of a read stream included.
bool SimulatedProgrammer::ReplyReadyNow() const {
  const PendingReply& front = replies_.front();
  return !front.held && front.ready_at_us <= clock_.NowMicroseconds();
}

std::optional<std::uint64_t> SimulatedProgrammer::NextReplyReadyUs() const {
  if (replies_.empty() || replies_.front().held) return std::nullopt;
  return replies_.front().ready_at_us;
}

void SimulatedProgrammer::NoteReadTimedOut() {
  for (PendingReply& reply : replies_) reply.held = false;
}

std::size_t SimulatedProgrammer::SendIn(std::span<std::uint8_t> buffer) {
  if (buffer.empty()) return 0;
  if (!replies_.empty()) {
    if (!ReplyReadyNow()) return 0;
    // Each reply is its own transfer: a read never runs into the next one.
    const std::vector<std::uint8_t>& front = replies_.front().bytes;
    const std::size_t n = std::min(buffer.size(), front.size() - reply_offset_);
    std::memcpy(buffer.data(), front.data() + reply_offset_, n);
    reply_offset_ += n;
    if (reply_offset_ == front.size()) {
      replies_.pop_front();
      reply_offset_ = 0;
      if (replies_.empty()) AfterReplyCollected();
    }
    return n;
  }
  if (bulk_read_) return StreamBulkRead(buffer);
  return 0;
}

void SimulatedProgrammer::FlushIn() {
  while (!replies_.empty() && ReplyReadyNow()) {
    replies_.pop_front();
    reply_offset_ = 0;
  }
  bulk_read_.reset();
  if (replies_.empty()) AfterReplyCollected();
}

// --- presence --------------------------------------------------------------

void SimulatedProgrammer::AfterReplyCollected() {
  // A restart request is answered first; the device goes once the host has
  // the answer, as a real one resets after its last USB packet is out.
  if (!leave_after_reply_) return;
  Restart restart = *leave_after_reply_;
  restart.return_at_us = clock_.NowMicroseconds() + std::uint64_t{config_.boot_delay_ms} * 1000;
  LeaveBus(restart);
}

void SimulatedProgrammer::NoteTransfer() {
  if (faults_.unplug_after_transfers > 0 && --faults_.unplug_after_transfers == 0) Unplug();
}

void SimulatedProgrammer::ApplySocketEvents() {
  const std::uint64_t now = clock_.NowMicroseconds();
  for (std::size_t index = 0; index < sockets_.size(); ++index) {
    const std::vector<SocketEvent>& events = socket_events_[index];
    std::size_t& next = next_socket_event_[index];
    for (; next < events.size() && started_us_ + events[next].at_ms * 1000 <= now; ++next) {
      if (events[next].insert) {
        sockets_[index].Insert(*events[next].insert);
      } else {
        sockets_[index].Remove();
      }
    }
  }
}

void SimulatedProgrammer::ServiceTime() {
  ApplySocketEvents();
  if (!restart_ || clock_.NowMicroseconds() < restart_->return_at_us) return;
  mode_ = restart_->mode;
  restart_.reset();
  plugged_ = true;
  events_.push_back(PresenceEvent::Arrived);
}

std::vector<PresenceEvent> SimulatedProgrammer::TakePresenceEvents() {
  std::vector<PresenceEvent> events(events_.begin(), events_.end());
  events_.clear();
  return events;
}

void SimulatedProgrammer::Plug() {
  // Plugged back in during a restart: it comes up as the restart would.
  if (restart_) mode_ = restart_->mode;
  restart_.reset();
  if (plugged_) return;
  plugged_ = true;
  events_.push_back(PresenceEvent::Arrived);
}

void SimulatedProgrammer::Unplug() {
  restart_.reset();  // pulled out while restarting: it stays away
  if (plugged_) LeaveBus(std::nullopt);
}

void SimulatedProgrammer::LeaveBus(std::optional<Restart> restart) {
  plugged_ = false;
  ++bus_session_;
  events_.push_back(PresenceEvent::Removed);
  PowerCycle();
  restart_ = restart;
}

void SimulatedProgrammer::PowerCycle() {
  assembly_.clear();
  replies_.clear();
  reply_offset_ = 0;
  bulk_write_.reset();
  bulk_read_.reset();
  leave_after_reply_.reset();
  erase_.reset();
  chip_parameters_.reset();
  spi_clock_code_ = config_.spi_clock_code;
  spi_dma_ = false;
  language_.reset();
  store_session_ = false;
}

}  // namespace tessary::sim
