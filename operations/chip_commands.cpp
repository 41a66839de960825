// The chip command set: single commands, bulk streams, the socket poll and
// the whole-chip loops with their progress, stop handling and log lines.
#include "operations/chip_commands.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/operation_log.h"

namespace tessary {
namespace {

// The programmer's acknowledgement of a data or erase block is read so the
// IN pipe stays in step, but never examined.
constexpr std::size_t kAcknowledgementRead = kTransactionReadLength;
// A socket poll may interrupt an operation that has a frame half built.
constexpr std::size_t kPollSavedBytes = 32;
constexpr int kBulkTopUps = 3;

constexpr std::uint32_t kWriteBlock = 1024;

// A reply whose length field says `count` payload bytes and that really
// brought them: the frame layer only checks the start byte, so a one-byte
// reply would otherwise be read from whatever the buffer held before.
bool ReplyCarries(const DeviceLink& link, std::size_t count) {
  return link.ReplyPayloadLength() == count && link.ReplyLength >= kFrameHeaderSize + count;
}

ResultCode SendOneByteOption(DeviceLink& link, std::uint8_t opcode, std::uint8_t code,
                             std::uint8_t& reply_byte) {
  if (!link.LinkOpen) return result::kLinkClosed;
  link.BeginFrame(opcode, 1)[0] = code;
  const ResultCode outcome = link.TransactUpToEight(link.FinishFrame());
  if (outcome == result::kOk) reply_byte = link.ReplyPayload()[0];
  return outcome;
}

std::uint8_t* BeginStreamSetup(DeviceLink& link, std::uint8_t opcode, std::uint16_t payload_length,
                               std::uint8_t channel, std::uint8_t chip_type, std::uint32_t total,
                               std::uint16_t block_length) {
  std::uint8_t* payload = link.BeginFrame(opcode, payload_length);
  payload[0] = channel;
  payload[1] = chip_type;
  PutBigEndian32(payload + 6, total);
  PutBigEndian16(payload + 10, block_length);
  return payload;
}

void SendFrameOnly(DeviceLink& link) {
  const std::size_t length = link.FinishFrame();
  (void)link.UsbWritePipe(std::span(link.CommandFrame).first(length));
}

void ReadAcknowledgement(DeviceLink& link) {
  (void)link.UsbReadPipe(std::span(link.ReplyBuffer).first(kAcknowledgementRead));
}

// Buffer bytes for one block. Where the block runs past the buffer (a start
// address near its end, a buffer smaller than the chip) the chip gets the
// erased value instead of whatever lies beyond.
void CopyFromBuffer(const Ram_File_Info_Struct& ram, std::uint64_t offset, std::size_t count,
                    std::uint8_t* out) {
  std::size_t available = 0;
  if (offset < ram.Data.size()) {
    available = static_cast<std::size_t>(std::min<std::uint64_t>(count, ram.Data.size() - offset));
    std::memcpy(out, ram.Data.data() + offset, available);
  }
  std::memset(out + available, kErasedByte, count - available);
}

// The bars of one operation: maximum and a running position, never shown
// beyond the maximum (the last partial block advances by a whole block).
class ChannelProgress {
 public:
  ChannelProgress(OperatorPanel& panel, std::uint8_t channel, std::int64_t maximum)
      : panel_(panel), bars_(BarsOf(channel)), maximum_(maximum) {
    ForEachBar([&](ProgressBar bar) {
      panel_.SetProgressMaximum(bar, maximum_);
      panel_.SetProgressPosition(bar, 0);
    });
  }

  void Advance(std::int64_t by) {
    position_ = std::min(position_ + by, maximum_);
    ForEachBar([&](ProgressBar bar) { panel_.SetProgressPosition(bar, position_); });
  }

 private:
  template <typename F>
  void ForEachBar(F&& f) {
    if (bars_.chip1) f(ProgressBar::Chip1);
    if (bars_.chip2) f(ProgressBar::Chip2);
  }

  OperatorPanel& panel_;
  ChannelBars bars_;
  std::int64_t maximum_;
  std::int64_t position_ = 0;
};

// The stop button only sets StopRequest; the loops honour it once and clear
// it, so the next operation starts normally.
bool StopHonoured(Prj_Info_Struct& chip) {
  if (chip.StopRequest != 1) return false;
  chip.StopRequest = 0;
  return true;
}

void PollIfDue(AppContext& ctx) {
  if (ctx.CurrentPrj.SocketPollDue == 0) return;
  ctx.CurrentPrj.SocketPollDue = 0;
  PollSockets(ctx);
}

// The EEPROM types whose last write needs time to settle before the
// success line.
bool SettlesAfterWrite(std::uint8_t chip_type) {
  switch (static_cast<ChipTypeId>(chip_type)) {
    case ChipTypeId::Eeprom24:
    case ChipTypeId::Eeprom25:
    case ChipTypeId::Eeprom93:
    case ChipTypeId::Eeprom95:
      return true;
    case ChipTypeId::Other:
    case ChipTypeId::Flash25:
    case ChipTypeId::Eeprom45:
    case ChipTypeId::SwdArm:
    case ChipTypeId::NandFlash:
      return false;
  }
  return false;
}

void NoteSocketReply(std::uint8_t reply, std::uint8_t& state, std::uint8_t& inserted) {
  if (reply == kSocketChipPresent) {
    if (state == kSocketEmpty) {
      inserted = 1;
      state = kSocketChipPresent;
    }
  } else {
    state = kSocketEmpty;
    inserted = 0;
  }
}

std::uint32_t PageBlockLength(const Prj_Info_Struct& chip) {
  return chip.PageSize <= kMaxDataBlock ? chip.PageSize : 0;
}

}  // namespace

// --- single commands --------------------------------------------------------

ResultCode SendStatusIndication(DeviceLink& link, std::uint16_t code) {
  PutBigEndian16(link.BeginFrame(kOpStatusIndication, 2), code);
  return link.TransactOnce(link.FinishFrame());
}

ResultCode ReadChipId(DeviceLink& link, ChipIdReply& reply) {
  link.BeginFrame(kOpReadChipId, 0);
  if (link.TransactOnce(link.FinishFrame()) != result::kOk) return result::kNoReply;
  if (!ReplyCarries(link, 6)) return result::kBadLength;
  const std::uint8_t* payload = link.ReplyPayload();
  reply.id = GetBigEndian32(payload);
  reply.extra = {payload[4], payload[5]};
  return result::kOk;
}

ResultCode ChipEraseCommand(DeviceLink& link, std::uint8_t channel, std::uint8_t chip_type,
                            std::uint8_t sub_code) {
  std::uint8_t* payload = link.BeginFrame(kOpChipErase, 3);
  payload[0] = channel;
  payload[1] = chip_type;
  payload[2] = sub_code;
  if (link.TransactOnce(link.FinishFrame()) != result::kOk) return result::kFailed;
  if (!ReplyCarries(link, 1)) return result::kBadLength;
  return link.ReplyPayload()[0] == kEraseFinishedByte ? result::kOk : result::kEraseBusy;
}

ResultCode QuerySocketStatus(DeviceLink& link, std::uint8_t chip_type, std::uint8_t& ch1,
                             std::uint8_t& ch2) {
  link.BeginFrame(kOpSocketStatus, 1)[0] = chip_type;
  if (link.TransactOnce(link.FinishFrame()) != result::kOk) return result::kSocketNoReply;
  if (!ReplyCarries(link, 2)) return result::kSocketBadLength;
  ch1 = link.ReplyPayload()[0];
  ch2 = link.ReplyPayload()[1];
  return result::kOk;
}

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

ResultCode ScanNandBadBlocks(DeviceLink& link, std::uint8_t channel, BadBlockTable& table) {
  if (!link.LinkOpen) return result::kLinkClosed;
  link.BeginFrame(kOpBadBlockScan, 1)[0] = channel;
  const ResultCode outcome = link.TransactUpToEight(link.FinishFrame());
  if (outcome != result::kOk) return outcome;

  // A transaction reads at most 512 bytes, so a long bitmap arrives cut
  // short; only the bytes that really came are taken.
  const std::size_t received =
      link.ReplyLength > kFrameHeaderSize ? link.ReplyLength - kFrameHeaderSize : 0;
  const std::size_t payload_length = std::min<std::size_t>(link.ReplyPayloadLength(), received);
  if (payload_length < 4) return result::kBadLength;

  const std::uint8_t* payload = link.ReplyPayload();
  const std::uint16_t blocks = GetBigEndian16(payload);
  const std::uint16_t bad = GetBigEndian16(payload + 2);
  table.BlockCount = blocks;
  table.GoodCount = static_cast<std::int32_t>(blocks) - bad;

  std::size_t written = 0;
  for (std::size_t i = 4; i < payload_length && written < blocks && written < kBadBlockFlagCount;
       ++i) {
    for (int bit = 7; bit >= 0; --bit) table.Flags[written++] = (payload[i] >> bit) & 1;
  }
  return result::kOk;
}

// --- bulk streams -----------------------------------------------------------

ResultCode StartBulkRead(DeviceLink& link, std::uint8_t channel, std::uint8_t chip_type,
                         std::uint32_t address, std::uint32_t total, std::uint16_t block_length) {
  std::uint8_t* payload = BeginStreamSetup(link, kOpBulkRead, kDataBlockHeader, channel, chip_type,
                                           total, block_length);
  PutBigEndian32(payload + 2, address);
  SendFrameOnly(link);
  return result::kOk;
}

ResultCode ReadBulkBlock(DeviceLink& link, std::size_t length) {
  const std::size_t wanted = std::min(length, link.ReplyBuffer.size());
  std::size_t arrived = 0;
  if (wanted > 0) arrived = link.UsbReadPipe(std::span(link.ReplyBuffer).first(wanted));
  for (int top_up = 0; top_up < kBulkTopUps && arrived < wanted; ++top_up) {
    link.WaitTicks(1);
    arrived += link.UsbReadPipe(std::span(link.ReplyBuffer).subspan(arrived, wanted - arrived));
  }
  return arrived >= length ? result::kOk : result::kNoReply;
}

ResultCode StartBulkWrite(DeviceLink& link, std::uint8_t channel, std::uint8_t chip_type,
                          std::uint32_t address, std::uint32_t total, std::uint16_t block_length) {
  std::uint8_t* payload = BeginStreamSetup(link, kOpDataWrite, kDataBlockHeader, channel, chip_type,
                                           total, block_length);
  PutBigEndian32(payload + 2, address);
  SendFrameOnly(link);
  link.WaitTicks(10000);
  return result::kOk;
}

// --- socket poll ------------------------------------------------------------

void PollSockets(AppContext& ctx) {
  DeviceLink& link = ctx.link;
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  std::array<std::uint8_t, kPollSavedBytes> saved{};
  std::copy_n(link.CommandFrame.begin(), saved.size(), saved.begin());
  std::uint8_t ch1 = kSocketEmpty;
  std::uint8_t ch2 = kSocketEmpty;
  (void)QuerySocketStatus(link, static_cast<std::uint8_t>(chip.ChipType), ch1, ch2);
  std::copy(saved.begin(), saved.end(), link.CommandFrame.begin());
  NoteSocketReply(ch1, chip.SocketState1, chip.ChipInserted1);
  NoteSocketReply(ch2, chip.SocketState2, chip.ChipInserted2);
}

// --- whole-chip loops -------------------------------------------------------

std::string_view ChannelName(std::uint8_t channel) {
  switch (channel) {
    case kChannelCh2:
      return "CH2 ";
    case kChannelBoth:
      return "CH1 & CH2 ";
    default:
      return "CH1 ";
  }
}

ChannelBars BarsOf(std::uint8_t channel) {
  switch (channel) {
    case kChannelCh2:
      return {false, true};
    case kChannelBoth:
      return {true, true};
    default:
      return {true, false};
  }
}

bool NandSkipDue(const AppContext& ctx, std::uint64_t address) {
  return IsSkippedBlock(ctx.BadBlocks, ctx.Window.IgnoreInvalidBlocks, ctx.CurrentPrj, address);
}

std::uint32_t WriteBlockLength(const Prj_Info_Struct& chip) {
  switch (static_cast<ChipTypeId>(chip.ChipType)) {
    case ChipTypeId::Eeprom45:
      return PageBlockLength(chip);
    case ChipTypeId::SwdArm:
      return kWriteBlock;
    default:
      return std::min(kWriteBlock, chip.ChipSize);
  }
}

std::uint32_t FillBlockLength(const Prj_Info_Struct& chip) {
  if (chip.ChipType == static_cast<std::uint16_t>(ChipTypeId::Eeprom45)) {
    return PageBlockLength(chip);
  }
  return std::min(kWriteBlock, chip.ChipSize);
}

ResultCode WriteChipData(AppContext& ctx, std::uint8_t channel, std::uint8_t chip_type) {
  DeviceLink& link = ctx.link;
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  const std::uint32_t started = ctx.clock.TickCountMs();

  std::uint64_t total = ctx.RamFile.DataLen;
  if (chip.PageSize != 0) total = (total + chip.PageSize - 1) / chip.PageSize * chip.PageSize;
  total = std::min<std::uint64_t>(total, chip.ChipSize);
  const std::uint32_t block = WriteBlockLength(chip);
  // A zero block would never use up the data.
  if (block == 0 && total > 0) return result::kFailed;

  ChannelProgress progress(ctx.panel, channel, static_cast<std::int64_t>(total));
  ctx.log.LogStamped(
      ctx.Texts.LogChipWriteFileName + ctx.Texts.LogChipWriteFileLen + std::to_string(total),
      LogColour::Highlight);

  std::uint8_t* payload = BeginStreamSetup(
      link, kOpDataWrite, static_cast<std::uint16_t>(block + kDataBlockHeader), channel, chip_type,
      static_cast<std::uint32_t>(total), static_cast<std::uint16_t>(block));
  std::uint8_t* data = payload + kDataBlockHeader;

  std::uint64_t address = chip.RamStartAddr;
  std::uint64_t offset = chip.RamStartAddr;
  std::uint64_t remaining = total;
  while (remaining > 0) {
    if (StopHonoured(chip)) return result::kStopped;
    if (NandSkipDue(ctx, address)) {
      // Only the chip address moves: the data continues in the next good block.
      address += chip.BlockSize;
      continue;
    }
    PutBigEndian32(payload + 2, static_cast<std::uint32_t>(address));
    if (remaining >= block) {
      CopyFromBuffer(ctx.RamFile, offset, block, data);
      remaining -= block;
      SendFrameOnly(link);
      link.WaitTicks(2);
    } else {
      const std::size_t last = static_cast<std::size_t>(remaining);
      CopyFromBuffer(ctx.RamFile, offset, last, data);
      std::memset(data + last, kErasedByte, block - last);
      remaining = 0;
      SendFrameOnly(link);
    }
    address += block;
    offset += block;
    ReadAcknowledgement(link);
    progress.Advance(block);
  }

  std::string line = ctx.log.TimeStamp() + std::string(ChannelName(channel));
  if (SettlesAfterWrite(chip_type)) link.WaitTicks(30000);
  line += ctx.Texts.LogChipWriteSuccess + FormatDurationSeconds(ctx.clock.TickCountMs() - started) +
          ctx.Texts.LogOperatTime;
  ctx.log.LogLine(line, LogColour::Success);
  return result::kOk;
}

ResultCode FillEraseChip(AppContext& ctx, std::uint8_t channel, std::uint8_t chip_type) {
  DeviceLink& link = ctx.link;
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  const std::uint32_t total = chip.ChipSize;
  const std::uint32_t block = FillBlockLength(chip);
  if (block == 0 && total > 0) return result::kFailed;

  ChannelProgress progress(ctx.panel, channel, total);
  std::uint8_t* payload =
      BeginStreamSetup(link, kOpDataWrite, static_cast<std::uint16_t>(block + kDataBlockHeader),
                       channel, chip_type, total, static_cast<std::uint16_t>(block));
  for (std::uint64_t address = 0; address < total; address += block) {
    if (StopHonoured(chip)) return result::kStopped;
    PollIfDue(ctx);
    PutBigEndian32(payload + 2, static_cast<std::uint32_t>(address));
    std::memset(payload + kDataBlockHeader, kErasedByte, block);
    SendFrameOnly(link);
    link.WaitTicks(2);
    ReadAcknowledgement(link);
    progress.Advance(block);
  }
  link.WaitTicks(30000);
  return result::kOk;
}

ResultCode EraseNandBlocks(AppContext& ctx, std::uint8_t channel, std::uint8_t chip_type) {
  DeviceLink& link = ctx.link;
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  if (chip.ChipType != static_cast<std::uint16_t>(ChipTypeId::NandFlash)) return result::kFailed;
  // Without a block size the block address would never move.
  if (chip.BlockSize == 0) return result::kFailed;

  ChannelProgress progress(ctx.panel, channel, chip.ChipSize);
  std::uint8_t* payload = link.BeginFrame(kOpNandBlockErase, 6);
  payload[0] = channel;
  payload[1] = chip_type;
  for (std::uint64_t address = 0; address < chip.ChipSize; address += chip.BlockSize) {
    if (StopHonoured(chip)) return result::kStopped;
    PollIfDue(ctx);
    if (NandSkipDue(ctx, address)) continue;
    PutBigEndian32(payload + 2, static_cast<std::uint32_t>(address));
    SendFrameOnly(link);
    link.WaitTicks(2);
    ReadAcknowledgement(link);
    progress.Advance(chip.BlockSize);
  }
  link.WaitTicks(20000);
  return result::kOk;
}

}  // namespace tessary
