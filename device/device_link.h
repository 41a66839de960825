// The programmer link as the rest of the program sees it: the linked state,
// the frame layout with its CRC, the request/reply transaction and its retry
// conventions, and the raw streams of the bulk transfers.
//
// The link owns its transmit and receive buffers: callers hand it an opcode
// and a payload and get back a view of the reply. Every wait pumps the
// operator's events, so a click or a timer can run while a transaction
// waits; a transfer started from such a nested event is refused with
// LinkStatus::Busy instead of interleaving with the one in flight.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/usb_link.h"
#include "device/waits.h"

namespace tessary {

inline constexpr std::size_t kFrameBufferSize = 4096;
inline constexpr std::size_t kFrameHeaderSize = 6;    // start, opcode, 0x00, 0x01, length
inline constexpr std::size_t kFrameOverhead = 8;      // header and CRC
inline constexpr std::size_t kMaxPayloadLength = kFrameBufferSize - kFrameOverhead;
inline constexpr std::size_t kTransactionReadLength = 512;
inline constexpr std::uint8_t kFrameStartByte = 0x02;

// Builds a complete frame (header, payload, CRC) into `out`; returns its
// length. `out` must hold payload.size() + 8 bytes.
std::size_t BuildFrame(std::uint8_t opcode, std::span<const std::uint8_t> payload,
                       std::span<std::uint8_t> out);

// Big-endian helpers for frame fields.
inline void PutBigEndian16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}
inline void PutBigEndian32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 24);
  at[1] = static_cast<std::uint8_t>(value >> 16);
  at[2] = static_cast<std::uint8_t>(value >> 8);
  at[3] = static_cast<std::uint8_t>(value);
}
inline std::uint16_t GetBigEndian16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}
inline std::uint32_t GetBigEndian32(const std::uint8_t* at) {
  return (static_cast<std::uint32_t>(at[0]) << 24) | (static_cast<std::uint32_t>(at[1]) << 16) |
         (static_cast<std::uint32_t>(at[2]) << 8) | at[3];
}

// How one transfer of the link ended.
enum class LinkStatus : std::uint8_t {
  Ok,          // sent; for a transaction: a reply starting with 0x02 arrived
  NoReply,     // nothing, or nothing starting with 0x02, came back in time
  NotSent,     // the programmer did not take the whole frame
  LinkClosed,  // no programmer is linked: nothing sent
  Busy,        // another transfer of this link is waiting: nothing sent
};

// The last reply of a transaction, as far as it arrived. Valid until the
// link's next transfer.
class Reply {
 public:
  Reply() = default;
  Reply(LinkStatus status, std::span<const std::uint8_t> bytes) : status_(status), bytes_(bytes) {}

  [[nodiscard]] LinkStatus status() const { return status_; }
  [[nodiscard]] bool ok() const { return status_ == LinkStatus::Ok; }
  // Every byte that arrived, frame header included.
  [[nodiscard]] std::span<const std::uint8_t> bytes() const { return bytes_; }
  // The payload length the reply's header claims.
  [[nodiscard]] std::uint16_t DeclaredLength() const {
    return bytes_.size() >= kFrameHeaderSize ? GetBigEndian16(&bytes_[4]) : 0;
  }
  // The payload bytes that really arrived, at most the declared length.
  [[nodiscard]] std::span<const std::uint8_t> Payload() const {
    if (bytes_.size() <= kFrameHeaderSize) return {};
    const std::size_t arrived = bytes_.size() - kFrameHeaderSize;
    return bytes_.subspan(kFrameHeaderSize, arrived < DeclaredLength() ? arrived : DeclaredLength());
  }
  // A valid reply that claims exactly `count` payload bytes and brought them.
  [[nodiscard]] bool Carries(std::size_t count) const {
    return ok() && DeclaredLength() == count && Payload().size() == count;
  }

 private:
  LinkStatus status_ = LinkStatus::NoReply;
  std::span<const std::uint8_t> bytes_;
};

class DeviceLink {
 public:
  DeviceLink(UsbLink& usb, Waiter& waiter) : usb_(&usb), waiter_(waiter) {}
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // --- transport -----------------------------------------------------------

  // True while a programmer is open and accepted by the device connection.
  // Opening does not set it; the connection does, once identified.
  [[nodiscard]] bool LinkOpen() const { return linked_; }
  void MarkLinked() { linked_ = usb_->HasDevice(); }
  void MarkUnlinked() { linked_ = false; }

  [[nodiscard]] bool UsbOpenDevice(std::uint16_t vendor_id, std::uint16_t product_id);
  // How the last UsbOpenDevice ended; Opened after a successful one.
  [[nodiscard]] UsbOpenResult LastOpenResult() const { return last_open_result_; }
  void UsbCloseDevice();  // idempotent; unlinks, pipes reset
  void FlushInPipe();

  [[nodiscard]] bool HasDevice() const { return usb_->HasDevice(); }
  [[nodiscard]] PipeIds Pipes() const { return pipes_; }
  [[nodiscard]] UsbLink& usb() { return *usb_; }
  [[nodiscard]] Waiter& waiter() { return waiter_; }

  // Swaps the transport (for example between real hardware and the demo
  // programmer). Closes the current one first.
  void ReplaceTransport(UsbLink& usb);

  // --- frames --------------------------------------------------------------

  // Writes one frame and reads nothing back (the bulk set-ups and data
  // blocks). Ok only when the programmer took the whole frame.
  [[nodiscard]] LinkStatus SendFrame(std::uint8_t opcode, std::span<const std::uint8_t> payload);

  // The "single" convention: sends the frame, waits 10 ms (pumping events)
  // and reads one reply of at most 512 bytes. Ok when a reply starting with
  // 0x02 arrived; its CRC is not checked.
  [[nodiscard]] Reply Transact(std::uint8_t opcode, std::span<const std::uint8_t> payload);

  // The "up to eight" convention: the same frame again while no valid reply
  // comes, eight transactions in all.
  [[nodiscard]] Reply TransactUpToEight(std::uint8_t opcode, std::span<const std::uint8_t> payload);

  // --- raw streams ---------------------------------------------------------

  // Reads up to into.size() raw bytes (a bulk-read stream or a block's
  // acknowledgement) with one USB read; the count that arrived.
  [[nodiscard]] std::size_t ReadRaw(std::span<std::uint8_t> into);

  // Writes raw bytes without framing (a bulk-write stream); the count the
  // programmer took.
  [[nodiscard]] std::size_t WriteRaw(std::span<const std::uint8_t> data);

  // --- waits -----------------------------------------------------------------

  // Waits that pump events. Transfers asked for by an event handled during
  // one of these waits are refused (Busy).
  void WaitTicks(std::uint32_t ticks);
  void WaitMicroseconds(std::uint64_t us);
  // Waits until `us` microseconds have passed since `since_us` (a reading of
  // Now()), so work done meanwhile counts towards the pause.
  void WaitSince(std::uint64_t since_us, std::uint64_t us);
  [[nodiscard]] std::uint64_t Now() const { return waiter_.clock().NowMicroseconds(); }

  // True while this link is inside one of its waits, i.e. while an event
  // handled now would interrupt a transfer sequence.
  [[nodiscard]] bool Waiting() const { return waiting_ > 0; }

 private:
  [[nodiscard]] LinkStatus CanTransfer() const;
  [[nodiscard]] Reply TransactOnce(std::size_t frame_length);

  UsbLink* usb_;
  Waiter& waiter_;
  PipeIds pipes_{};
  UsbOpenResult last_open_result_ = UsbOpenResult::NotFound;
  bool linked_ = false;
  int waiting_ = 0;
  bool drain_before_next_ = false;
  std::array<std::uint8_t, kFrameBufferSize> transmit_{};
  std::array<std::uint8_t, kFrameBufferSize> receive_{};
};

}  // namespace tessary
