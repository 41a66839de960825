// Identity queries of the programmer.
#include "device/identity_queries.h"

#include <algorithm>

namespace tessary {

CommandStatus QueryText(DeviceLink& link, std::uint8_t opcode, std::size_t max_length,
                        std::string& text) {
  const Reply reply = link.Transact(opcode, {});
  if (!reply.ok()) return StatusOf(reply.status());
  // The length field decides, but the copy never reaches past what arrived.
  const std::span<const std::uint8_t> payload = reply.Payload();
  const std::size_t length = std::min(payload.size(), max_length);
  const auto* first = reinterpret_cast<const char*>(payload.data());
  text.assign(first, std::find(first, first + length, '\0'));
  return CommandStatus::Ok;
}

CommandStatus QueryFirmwareVersion(DeviceLink& link, std::string& text) {
  return QueryText(link, kOpFirmwareVersion, 16, text);
}
CommandStatus QueryHardwareVersion(DeviceLink& link, std::string& text) {
  return QueryText(link, kOpHardwareVersion, 64, text);
}
CommandStatus QuerySerialNumber(DeviceLink& link, std::string& text) {
  return QueryText(link, kOpSerialNumber, 24, text);
}
CommandStatus QueryDeviceModel(DeviceLink& link, std::string& text) {
  return QueryText(link, kOpDeviceModel, 24, text);
}

CommandStatus SendProgrammerLanguage(DeviceLink& link, std::int32_t language) {
  const std::uint8_t payload[] = {static_cast<std::uint8_t>(language)};
  return StatusOf(link.Transact(kOpSetLanguage, payload).status());
}

namespace {

bool StartsWithFF(const std::string& text) {
  return !text.empty() && static_cast<unsigned char>(text[0]) == 0xFF;
}

// The "twice" convention: the whole command once more when it fails.
template <typename Query>
bool AskTwice(DeviceLink& link, Query query, std::string& text) {
  return query(link, text) == CommandStatus::Ok || query(link, text) == CommandStatus::Ok;
}

}  // namespace

bool ReadFirmwareVersion(DeviceLink& link, Dev_Inf_Struct& info) {
  std::string text;
  if (QueryFirmwareVersion(link, text) != CommandStatus::Ok) return false;
  if (StartsWithFF(text)) {
    if (QueryFirmwareVersion(link, text) != CommandStatus::Ok) return false;
  }
  info.FirmVer = StartsWithFF(text) ? std::string() : text;
  return true;
}

void ReadIdentityTexts(DeviceLink& link, Dev_Inf_Struct& info) {
  std::string text;
  info.HardVer = AskTwice(link, QueryHardwareVersion, text) ? text : kUnknownHardwareVersion;
  text.clear();
  info.DevSN = AskTwice(link, QuerySerialNumber, text) ? text : kUnknownSerialNumber;
  text.clear();
  info.DevName = AskTwice(link, QueryDeviceModel, text) ? text : info.DefaultMode;
  info.DefaultMode = info.DevName;
}

}  // namespace tessary
