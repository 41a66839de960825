// Frame building, transactions, raw streams and the link state.
#include "device/device_link.h"

#include <algorithm>
#include <cstring>

#include "device/frame_crc.h"

namespace tessary {
namespace {

// Counts the link's waits, so a transfer asked for from inside one can be
// told apart from the sequence that is waiting.
class WaitScope {
 public:
  explicit WaitScope(int& depth) : depth_(depth) { ++depth_; }
  ~WaitScope() { --depth_; }
  WaitScope(const WaitScope&) = delete;
  WaitScope& operator=(const WaitScope&) = delete;

 private:
  int& depth_;
};

constexpr int kUpToEightTransactions = 8;

}  // namespace

std::size_t BuildFrame(std::uint8_t opcode, std::span<const std::uint8_t> payload,
                       std::span<std::uint8_t> out) {
  const std::size_t n = payload.size();
  out[0] = kFrameStartByte;
  out[1] = opcode;
  out[2] = 0x00;
  out[3] = 0x01;
  PutBigEndian16(&out[4], static_cast<std::uint16_t>(n));
  if (n > 0) std::memcpy(&out[kFrameHeaderSize], payload.data(), n);
  const std::uint16_t crc = FrameCrc16(out.subspan(1, 5 + n));
  PutBigEndian16(&out[6 + n], crc);
  return n + kFrameOverhead;
}

bool DeviceLink::UsbOpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) {
  const bool opened = usb_->OpenDevice(vendor_id, product_id);
  last_open_result_ = usb_->LastOpenResult();
  if (!opened) {
    // A link must not claim success for an open it failed.
    if (last_open_result_ == UsbOpenResult::Opened) last_open_result_ = UsbOpenResult::NotFound;
    return false;
  }
  last_open_result_ = UsbOpenResult::Opened;
  pipes_ = usb_->Pipes();
  return true;
}

void DeviceLink::UsbCloseDevice() {
  linked_ = false;
  pipes_ = PipeIds{};
  usb_->CloseDevice();
}

void DeviceLink::FlushInPipe() {
  if (usb_->HasDevice()) usb_->FlushInPipe();
}

void DeviceLink::ReplaceTransport(UsbLink& usb) {
  UsbCloseDevice();
  usb_ = &usb;
}

LinkStatus DeviceLink::CanTransfer() const {
  if (!linked_) return LinkStatus::LinkClosed;
  if (waiting_ > 0) return LinkStatus::Busy;
  return LinkStatus::Ok;
}

LinkStatus DeviceLink::SendFrame(std::uint8_t opcode, std::span<const std::uint8_t> payload) {
  if (const LinkStatus status = CanTransfer(); status != LinkStatus::Ok) return status;
  const std::size_t n = std::min(payload.size(), kMaxPayloadLength);
  const std::size_t length = BuildFrame(opcode, payload.first(n), transmit_);
  const std::size_t sent = usb_->WritePipe(std::span(transmit_).first(length));
  return sent == length ? LinkStatus::Ok : LinkStatus::NotSent;
}

Reply DeviceLink::Transact(std::uint8_t opcode, std::span<const std::uint8_t> payload) {
  if (const LinkStatus status = CanTransfer(); status != LinkStatus::Ok) return Reply(status, {});
  const std::size_t n = std::min(payload.size(), kMaxPayloadLength);
  return TransactOnce(BuildFrame(opcode, payload.first(n), transmit_));
}

Reply DeviceLink::TransactUpToEight(std::uint8_t opcode, std::span<const std::uint8_t> payload) {
  if (const LinkStatus status = CanTransfer(); status != LinkStatus::Ok) return Reply(status, {});
  const std::size_t n = std::min(payload.size(), kMaxPayloadLength);
  const std::size_t length = BuildFrame(opcode, payload.first(n), transmit_);
  Reply reply;
  for (int attempt = 0; attempt < kUpToEightTransactions; ++attempt) {
    reply = TransactOnce(length);
    if (reply.ok() || !linked_) break;
  }
  return reply;
}

Reply DeviceLink::TransactOnce(std::size_t frame_length) {
  // What a failed or overlong answer left behind would be taken as the
  // answer to this frame.
  if (drain_before_next_) {
    usb_->FlushInPipe();
    drain_before_next_ = false;
  }
  // A failed write shows up as a missing reply, as the programmer then has
  // nothing to answer.
  const std::size_t sent = usb_->WritePipe(std::span(transmit_).first(frame_length));
  WaitTicks(1000);
  if (!linked_) return Reply(LinkStatus::LinkClosed, {});
  const std::size_t received =
      usb_->ReadPipe(std::span(receive_).first(kTransactionReadLength));
  const std::span<const std::uint8_t> bytes = std::span(receive_).first(received);
  const bool valid = sent == frame_length && received > 0 && receive_[0] == kFrameStartByte;
  const Reply reply(valid ? LinkStatus::Ok : LinkStatus::NoReply, bytes);
  // A reply that did not come (it may still come late) or did not fit into
  // one read leaves bytes that belong to no later command.
  drain_before_next_ = !valid || reply.Payload().size() < reply.DeclaredLength();
  return reply;
}

std::size_t DeviceLink::ReadRaw(std::span<std::uint8_t> into) {
  if (CanTransfer() != LinkStatus::Ok || into.empty()) return 0;
  return usb_->ReadPipe(into);
}

std::size_t DeviceLink::WriteRaw(std::span<const std::uint8_t> data) {
  if (CanTransfer() != LinkStatus::Ok || data.empty()) return 0;
  return usb_->WritePipe(data);
}

void DeviceLink::WaitTicks(std::uint32_t ticks) {
  WaitScope scope(waiting_);
  waiter_.WaitTicks(ticks);
}

void DeviceLink::WaitSince(std::uint64_t since_us, std::uint64_t us) {
  WaitScope scope(waiting_);
  waiter_.WaitUntil(since_us + us);
}

void DeviceLink::WaitMicroseconds(std::uint64_t us) {
  WaitScope scope(waiting_);
  waiter_.WaitMicroseconds(us);
}

}  // namespace tessary
