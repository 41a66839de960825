// Programmer option commands.
#include "operations/chip_commands.h"

namespace tessary {
namespace {

ResultCode SendOneByteOption(DeviceLink& link, std::uint8_t opcode, std::uint8_t code,
                             std::uint8_t& reply_byte) {
  if (!link.LinkOpen) return result::kLinkClosed;
  link.BeginFrame(opcode, 1)[0] = code;
  const ResultCode outcome = link.TransactUpToEight(link.FinishFrame());
  if (outcome == result::kOk) reply_byte = link.ReplyPayload()[0];
  return outcome;
}

}  // namespace

ResultCode SendChipParameters(DeviceLink& link, const Prj_Info_Struct& chip) {
  if (!link.LinkOpen) return result::kLinkClosed;
  std::uint8_t* payload = link.BeginFrame(kOpChipParameters, 10);
  payload[0] = static_cast<std::uint8_t>(chip.ChipType);
  payload[1] = chip.ChipVolt;
  payload[2] = chip.ChipPara;
  payload[3] = chip.ChipPara1;
  PutBigEndian16(payload + 4, chip.PageSize);
  PutBigEndian32(payload + 6, chip.ChipSize);
  link.Transact(link.FinishFrame());
  return result::kOk;
}

ResultCode SetSpiClock(DeviceLink& link, std::uint8_t code, std::uint8_t& reply_byte) {
  return SendOneByteOption(link, kOpSetSpiClock, code, reply_byte);
}

ResultCode SetSpiDma(DeviceLink& link, std::uint8_t code, std::uint8_t& reply_byte) {
  return SendOneByteOption(link, kOpSetSpiDma, code, reply_byte);
}

}  // namespace tessary
