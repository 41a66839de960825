// The identity queries (0x10 to 0x13), the language setting (0x14) and the
// status indications (0x20). The texts are answered without a terminating
// zero; the length field tells the host how long they are.
#include "device/device_link.h"
#include "sim/simulated_programmer.h"

#include <string_view>

namespace tessary::sim {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

constexpr std::uint8_t kAccepted = 0x00;

}  // namespace

void SimulatedProgrammer::OnFirmwareVersion(const Frame& frame) {
  Reply(frame.opcode, Bytes(firmware_text()));
}

void SimulatedProgrammer::OnHardwareVersion(const Frame& frame) {
  Reply(frame.opcode, Bytes(config_.hardware));
}

void SimulatedProgrammer::OnSerialNumber(const Frame& frame) {
  Reply(frame.opcode, Bytes(config_.serial));
}

void SimulatedProgrammer::OnDeviceModel(const Frame& frame) {
  Reply(frame.opcode, Bytes(config_.model));
}

void SimulatedProgrammer::OnSetLanguage(const Frame& frame) {
  if (!frame.payload.empty()) language_ = frame.payload[0];
  ReplyByte(frame.opcode, kAccepted);
}

void SimulatedProgrammer::OnStatusIndication(const Frame& frame) {
  if (frame.payload.size() >= 2)
    status_indications_.push_back(GetBigEndian16(frame.payload.data()));
  ReplyByte(frame.opcode, kAccepted);
}

}  // namespace tessary::sim
