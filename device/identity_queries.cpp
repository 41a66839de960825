// Identity queries of the programmer.
#include "device/identity_queries.h"

#include <algorithm>

namespace tessary {

ResultCode QueryText(DeviceLink& link, std::uint8_t opcode, std::size_t max_length,
                     std::string& text) {
  link.BeginFrame(opcode, 0);
  link.Transact(link.FinishFrame());
  if (link.CheckReply() != result::kOk) return result::kNoReply;
  // The length field decides; it is not compared with what arrived, but the
  // copy never reaches past the receive buffer.
  const std::size_t length = std::min<std::size_t>(
      {link.ReplyPayloadLength(), max_length, kFrameBufferSize - kFrameHeaderSize});
  const auto* payload = reinterpret_cast<const char*>(link.ReplyPayload());
  text.assign(payload, std::find(payload, payload + length, '\0'));
  return result::kOk;
}

ResultCode QueryFirmwareVersion(DeviceLink& link, std::string& text) {
  return QueryText(link, kOpFirmwareVersion, 16, text);
}
ResultCode QueryHardwareVersion(DeviceLink& link, std::string& text) {
  return QueryText(link, kOpHardwareVersion, 64, text);
}
ResultCode QuerySerialNumber(DeviceLink& link, std::string& text) {
  return QueryText(link, kOpSerialNumber, 24, text);
}
ResultCode QueryDeviceModel(DeviceLink& link, std::string& text) {
  return QueryText(link, kOpDeviceModel, 24, text);
}

ResultCode SendProgrammerLanguage(DeviceLink& link, std::int32_t language) {
  std::uint8_t* payload = link.BeginFrame(kOpSetLanguage, 1);
  payload[0] = static_cast<std::uint8_t>(language);
  return link.TransactOnce(link.FinishFrame());
}

namespace {

bool StartsWithFF(const std::string& text) {
  return !text.empty() && static_cast<unsigned char>(text[0]) == 0xFF;
}

// The "twice" convention: the whole command once more when it fails.
template <typename Query>
bool AskTwice(DeviceLink& link, Query query, std::string& text) {
  return query(link, text) == result::kOk || query(link, text) == result::kOk;
}

}  // namespace

bool ReadFirmwareVersion(DeviceLink& link, Dev_Inf_Struct& info) {
  std::string text;
  if (QueryFirmwareVersion(link, text) != result::kOk) return false;
  if (StartsWithFF(text)) {
    if (QueryFirmwareVersion(link, text) != result::kOk) return false;
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
