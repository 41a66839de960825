// Frame building, transactions and the link state.
#include "device/device_link.h"

#include <algorithm>
#include <cstring>

#include "device/frame_crc.h"

namespace tessary {

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
  LinkOpen = false;
  pipes_ = PipeIds{};
  usb_->CloseDevice();
}

std::size_t DeviceLink::UsbWritePipe(std::span<const std::uint8_t> data) {
  if (!LinkOpen) return 0;
  return usb_->WritePipe(data);
}

std::size_t DeviceLink::UsbReadPipe(std::span<std::uint8_t> buffer) {
  if (!LinkOpen) return 0;
  return usb_->ReadPipe(buffer);
}

void DeviceLink::FlushInPipe() {
  if (usb_->HasDevice()) usb_->FlushInPipe();
}

void DeviceLink::ReplaceTransport(UsbLink& usb) {
  UsbCloseDevice();
  usb_ = &usb;
}

std::uint8_t* DeviceLink::BeginFrame(std::uint8_t opcode, std::uint16_t payload_length) {
  CommandFrame[0] = kFrameStartByte;
  CommandFrame[1] = opcode;
  CommandFrame[2] = 0x00;
  CommandFrame[3] = 0x01;
  PutBigEndian16(&CommandFrame[4], payload_length);
  return Payload();
}

std::size_t DeviceLink::FinishFrame() {
  const std::size_t n = std::min<std::size_t>(GetBigEndian16(&CommandFrame[4]), kMaxPayloadLength);
  const std::uint16_t crc = FrameCrc16(std::span(CommandFrame).subspan(1, 5 + n));
  PutBigEndian16(&CommandFrame[6 + n], crc);
  return n + kFrameOverhead;
}

void DeviceLink::Transact(std::size_t length) {
  (void)UsbWritePipe(std::span(CommandFrame).first(std::min(length, kFrameBufferSize)));
  WaitTicks(1000);
  ReplyLength = static_cast<std::uint32_t>(
      UsbReadPipe(std::span(ReplyBuffer).first(kTransactionReadLength)));
}

ResultCode DeviceLink::CheckReply() const {
  return (ReplyLength != 0 && ReplyBuffer[0] == kFrameStartByte) ? result::kOk : result::kNoReply;
}

ResultCode DeviceLink::TransactOnce(std::size_t length) {
  Transact(length);
  return CheckReply();
}

ResultCode DeviceLink::TransactUpToEight(std::size_t length) {
  constexpr int kTransactions = 8;
  for (int attempt = 0; attempt < kTransactions; ++attempt) {
    Transact(length);
    if (CheckReply() == result::kOk) return result::kOk;
  }
  return result::kFailed;
}

}  // namespace tessary
