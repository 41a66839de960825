// The programmer link as the rest of the program sees it: the open/linked
// state, the shared transmit and receive buffers, the frame layout with its
// CRC, the request/reply transaction and its retry conventions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/result_codes.h"
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

class DeviceLink {
 public:
  DeviceLink(UsbLink& usb, Waiter& waiter) : usb_(&usb), waiter_(waiter) {}
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // --- transport -----------------------------------------------------------

  // True while a programmer is open and accepted by the device connection.
  // Opening does not set it; the connection does.
  bool LinkOpen = false;

  [[nodiscard]] bool UsbOpenDevice(std::uint16_t vendor_id, std::uint16_t product_id);
  // How the last UsbOpenDevice ended; Opened after a successful one.
  [[nodiscard]] UsbOpenResult LastOpenResult() const { return last_open_result_; }
  void UsbCloseDevice();  // idempotent; LinkOpen false, pipes reset
  // 0 when the link is not open or the transfer failed.
  [[nodiscard]] std::size_t UsbWritePipe(std::span<const std::uint8_t> data);
  [[nodiscard]] std::size_t UsbReadPipe(std::span<std::uint8_t> buffer);
  void FlushInPipe();

  [[nodiscard]] bool HasDevice() const { return usb_->HasDevice(); }
  [[nodiscard]] PipeIds Pipes() const { return pipes_; }
  [[nodiscard]] UsbLink& usb() { return *usb_; }
  [[nodiscard]] Waiter& waiter() { return waiter_; }

  // Swaps the transport (for example between real hardware and the demo
  // programmer). Closes the current one first.
  void ReplaceTransport(UsbLink& usb);

  // --- frames --------------------------------------------------------------

  std::array<std::uint8_t, kFrameBufferSize> CommandFrame{};
  std::array<std::uint8_t, kFrameBufferSize> ReplyBuffer{};
  std::uint32_t ReplyLength = 0;

  // Writes start byte, opcode, the fixed bytes and the payload length into
  // CommandFrame; returns a pointer to the payload area.
  std::uint8_t* BeginFrame(std::uint8_t opcode, std::uint16_t payload_length);
  [[nodiscard]] std::uint8_t* Payload() { return CommandFrame.data() + kFrameHeaderSize; }

  // Computes the CRC over offsets 1..5+n, stores it high byte first at 6+n,
  // returns the frame length n+8.
  std::size_t FinishFrame();

  // Sends the frame, waits 10 ms (pumping events) and reads one reply of at
  // most 512 bytes into ReplyBuffer. The outcome is judged by CheckReply.
  void Transact(std::size_t length);

  // 0 when a reply arrived and starts with 0x02; 1 otherwise.
  [[nodiscard]] ResultCode CheckReply() const;

  // Reply fields.
  [[nodiscard]] std::uint16_t ReplyPayloadLength() const { return GetBigEndian16(&ReplyBuffer[4]); }
  [[nodiscard]] const std::uint8_t* ReplyPayload() const { return ReplyBuffer.data() + kFrameHeaderSize; }

  // Retry conventions. Both send the frame already built in CommandFrame.
  // single: one transaction, 0 or 1.
  [[nodiscard]] ResultCode TransactOnce(std::size_t length);
  // up to eight: repeats the same frame while the reply check fails; 0, or
  // 0xFF after eight transactions in all.
  [[nodiscard]] ResultCode TransactUpToEight(std::size_t length);

  void WaitTicks(std::uint32_t ticks) { waiter_.WaitTicks(ticks); }
  void WaitMicroseconds(std::uint64_t us) { waiter_.WaitMicroseconds(us); }

 private:
  UsbLink* usb_;
  Waiter& waiter_;
  PipeIds pipes_{};
  UsbOpenResult last_open_result_ = UsbOpenResult::NotFound;
};

}  // namespace tessary
