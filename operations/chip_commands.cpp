// The chip command set: single commands, bulk streams, the socket poll and
// the whole-chip loops with their progress, stop handling and log lines.
#include "operations/chip_commands.h"

#include <algorithm>
#include <optional>
#include <cstring>
#include <string>
#include <vector>

#include "base/operation_log.h"

namespace tessary {
namespace {

// The programmer's acknowledgement of a data or erase block is read so the
// IN pipe stays in step, but never examined.
constexpr std::size_t kAcknowledgementRead = kTransactionReadLength;
constexpr int kBulkTopUps = 3;

constexpr std::uint32_t kWriteBlock = 1024;
constexpr std::uint64_t kBlockPauseUs = 20;  // between data blocks

CommandStatus SendOneByteOption(DeviceLink& link, std::uint8_t opcode, std::uint8_t code,
                                std::uint8_t& reply_byte) {
  const std::uint8_t payload[] = {code};
  const Reply reply = link.TransactUpToEight(opcode, payload);
  const CommandStatus status = StatusOf(reply, 1);
  if (status == CommandStatus::Ok) reply_byte = reply.Payload()[0];
  return status;
}

// The twelve bytes in front of every bulk set-up and data block.
void PutStreamHeader(std::uint8_t* payload, std::uint8_t channel, ChipTypeId type,
                     std::uint32_t address, std::uint32_t total, std::uint16_t block_length) {
  payload[0] = channel;
  payload[1] = TypeCodeByte(type);
  PutBigEndian32(payload + 2, address);
  PutBigEndian32(payload + 6, total);
  PutBigEndian16(payload + 10, block_length);
}

// Reads the acknowledgement of a block. Its contents are not examined; a
// closed link is what matters.
void ReadAcknowledgement(DeviceLink& link) {
  std::array<std::uint8_t, kAcknowledgementRead> acknowledgement;
  // Nothing to judge: a block the programmer did not act on shows at verify.
  static_cast<void>(link.ReadRaw(acknowledgement));
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

// Sends one data block frame; false (with the red line) when the
// programmer did not take it or the link is gone.
bool SendDataBlock(const ChipJob& job, std::uint8_t opcode, std::span<const std::uint8_t> payload) {
  if (job.link.SendFrame(opcode, payload) == LinkStatus::Ok) return true;
  job.log.LogStamped(
      opcode == kOpNandBlockErase ? job.texts.LogEraseNotTaken : job.texts.LogBlockNotTaken,
      LogColour::Error);
  return false;
}

}  // namespace

bool IsByteEeprom(ChipTypeId type) {
  switch (type) {
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

// --- single commands --------------------------------------------------------

CommandStatus SendStatusIndication(DeviceLink& link, std::uint16_t code) {
  std::uint8_t payload[2];
  PutBigEndian16(payload, code);
  return StatusOf(link.Transact(kOpStatusIndication, payload).status());
}

CommandStatus ReadChipId(DeviceLink& link, ChipIdReply& reply) {
  const Reply answer = link.Transact(kOpReadChipId, {});
  const CommandStatus status = StatusOf(answer, 6);
  if (status != CommandStatus::Ok) return status;
  const std::uint8_t* payload = answer.Payload().data();
  reply.id = GetBigEndian32(payload);
  reply.extra = {payload[4], payload[5]};
  return CommandStatus::Ok;
}

EraseReply ChipEraseCommand(DeviceLink& link, std::uint8_t channel, ChipTypeId type,
                            std::uint8_t sub_code) {
  const std::uint8_t payload[] = {channel, TypeCodeByte(type), sub_code};
  const Reply reply = link.Transact(kOpChipErase, payload);
  if (!reply.ok()) return EraseReply::NoReply;
  if (!reply.Carries(1)) return EraseReply::BadLength;
  return reply.Payload()[0] == kEraseFinishedByte ? EraseReply::Finished : EraseReply::Erasing;
}

CommandStatus QuerySocketStatus(DeviceLink& link, ChipTypeId type, SocketReply& reply) {
  const std::uint8_t payload[] = {TypeCodeByte(type)};
  const Reply answer = link.Transact(kOpSocketStatus, payload);
  const CommandStatus status = StatusOf(answer, 2);
  if (status != CommandStatus::Ok) return status;
  reply.ch1 = answer.Payload()[0];
  reply.ch2 = answer.Payload()[1];
  return CommandStatus::Ok;
}

CommandStatus SendChipParameters(DeviceLink& link, const Prj_Info_Struct& chip) {
  if (!link.LinkOpen()) return CommandStatus::LinkClosed;
  std::uint8_t payload[10];
  payload[0] = TypeCodeByte(chip.ChipType);
  payload[1] = chip.ChipVolt;
  payload[2] = chip.ChipPara;
  payload[3] = chip.ChipPara1;
  PutBigEndian16(payload + 4, chip.PageSize);
  PutBigEndian32(payload + 6, chip.ChipSize);
  const Reply reply = link.Transact(kOpChipParameters, payload);
  // The programmer's answer carries nothing the program uses; what counts
  // is that the frame went out.
  switch (reply.status()) {
    case LinkStatus::Ok:
    case LinkStatus::NoReply:
      return CommandStatus::Ok;
    case LinkStatus::NotSent:
      return CommandStatus::NoReply;
    case LinkStatus::LinkClosed:
      return CommandStatus::LinkClosed;
    case LinkStatus::Busy:
      return CommandStatus::Busy;
  }
  return CommandStatus::NoReply;
}

CommandStatus SetSpiClock(DeviceLink& link, std::uint8_t code, std::uint8_t& reply_byte) {
  return SendOneByteOption(link, kOpSetSpiClock, code, reply_byte);
}

CommandStatus SetSpiDma(DeviceLink& link, std::uint8_t code, std::uint8_t& reply_byte) {
  return SendOneByteOption(link, kOpSetSpiDma, code, reply_byte);
}

CommandStatus ScanNandBadBlocks(DeviceLink& link, std::uint8_t channel, BadBlockTable& table) {
  if (!link.LinkOpen()) return CommandStatus::LinkClosed;
  const std::uint8_t request[] = {channel};
  const Reply reply = link.TransactUpToEight(kOpBadBlockScan, request);
  if (!reply.ok()) return StatusOf(reply.status());

  // One transaction reads 512 bytes; a longer bitmap follows in the pipe.
  std::vector<std::uint8_t> payload(reply.Payload().begin(), reply.Payload().end());
  const std::size_t declared = reply.DeclaredLength();
  while (payload.size() < declared) {
    const std::size_t have = payload.size();
    payload.resize(declared);
    const std::size_t got = link.ReadRaw(std::span(payload).subspan(have));
    payload.resize(have + got);
    if (got == 0) break;
  }
  if (payload.size() < 4) return CommandStatus::BadLength;

  const std::uint16_t blocks = GetBigEndian16(payload.data());
  const std::uint16_t bad = GetBigEndian16(payload.data() + 2);
  table.BlockCount = blocks;
  table.GoodCount = static_cast<std::int32_t>(blocks) - bad;

  // Flags the bitmap does not reach would otherwise keep another chip's.
  table.Flags.fill(0);
  std::size_t written = 0;
  for (std::size_t i = 4; i < payload.size() && written < blocks && written < kBadBlockFlagCount;
       ++i) {
    for (int bit = 7; bit >= 0; --bit) table.Flags[written++] = (payload[i] >> bit) & 1;
  }
  return CommandStatus::Ok;
}

// --- bulk streams -----------------------------------------------------------

LinkStatus StartBulkRead(DeviceLink& link, std::uint8_t channel, ChipTypeId type,
                         std::uint32_t address, std::uint32_t total, std::uint16_t block_length) {
  std::uint8_t payload[kDataBlockHeader];
  PutStreamHeader(payload, channel, type, address, total, block_length);
  return link.SendFrame(kOpBulkRead, payload);
}

bool ReadBulkBlock(DeviceLink& link, std::span<std::uint8_t> into) {
  std::size_t arrived = into.empty() ? 0 : link.ReadRaw(into);
  for (int top_up = 0; top_up < kBulkTopUps && arrived < into.size(); ++top_up) {
    link.WaitTicks(1);
    arrived += link.ReadRaw(into.subspan(arrived));
  }
  return arrived == into.size();
}

LinkStatus StartBulkWrite(DeviceLink& link, std::uint8_t channel, ChipTypeId type,
                          std::uint32_t address, std::uint32_t total, std::uint16_t block_length) {
  std::uint8_t payload[kDataBlockHeader];
  PutStreamHeader(payload, channel, type, address, total, block_length);
  const LinkStatus status = link.SendFrame(kOpDataWrite, payload);
  if (status == LinkStatus::Ok) link.WaitTicks(10000);
  return status;
}

// --- socket poll ------------------------------------------------------------

void PollSockets(DeviceLink& link, Prj_Info_Struct& chip) {
  SocketReply reply;
  const CommandStatus status = QuerySocketStatus(link, chip.ChipType, reply);
  // A refused poll learnt nothing; an unanswered one counts as empty.
  if (status == CommandStatus::Busy) return;
  NoteSocketReply(reply.ch1, chip.SocketState1, chip.ChipInserted1);
  NoteSocketReply(reply.ch2, chip.SocketState2, chip.ChipInserted2);
}

void PollSocketsIfDue(DeviceLink& link, Prj_Info_Struct& chip) {
  if (chip.SocketPollDue == 0) return;
  chip.SocketPollDue = 0;
  PollSockets(link, chip);
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

std::uint32_t WriteBlockLength(const Prj_Info_Struct& chip) {
  switch (chip.ChipType) {
    case ChipTypeId::Eeprom45:
      return PageBlockLength(chip);
    case ChipTypeId::SwdArm:
      return kWriteBlock;
    case ChipTypeId::Other:
    case ChipTypeId::Flash25:
    case ChipTypeId::Eeprom24:
    case ChipTypeId::Eeprom25:
    case ChipTypeId::Eeprom93:
    case ChipTypeId::Eeprom95:
    case ChipTypeId::NandFlash:
      return std::min(kWriteBlock, chip.ChipSize);
  }
  return 0;
}

std::uint32_t FillBlockLength(const Prj_Info_Struct& chip) {
  if (chip.ChipType == ChipTypeId::Eeprom45) return PageBlockLength(chip);
  return std::min(kWriteBlock, chip.ChipSize);
}

OperationResult WriteChipData(const ChipJob& job, std::uint8_t channel) {
  Prj_Info_Struct& chip = job.chip;
  const std::uint32_t started = job.clock.TickCountMs();

  std::uint64_t total = job.buffer.DataLen;
  if (chip.PageSize != 0) total = (total + chip.PageSize - 1) / chip.PageSize * chip.PageSize;
  total = std::min<std::uint64_t>(total, chip.ChipSize);
  const std::uint32_t block = WriteBlockLength(chip);
  // A zero block would never use up the data.
  if (block == 0 && total > 0) return OperationResult::Failed;

  ChannelProgress progress(job.panel, channel, static_cast<std::int64_t>(total));
  job.log.LogStamped(
      job.texts.LogChipWriteFileName + job.texts.LogChipWriteFileLen + std::to_string(total),
      LogColour::Highlight);

  std::vector<std::uint8_t> payload(kDataBlockHeader + block);
  std::uint8_t* data = payload.data() + kDataBlockHeader;
  std::uint64_t address = chip.RamStartAddr;
  std::uint64_t offset = chip.RamStartAddr;
  std::uint64_t remaining = total;
  // The 20 us pause after a full block is counted from its send, so the
  // acknowledgement and the next block's preparation fall into it.
  std::optional<std::uint64_t> pause_since;
  while (remaining > 0) {
    if (pause_since) {
      job.link.WaitSince(*pause_since, kBlockPauseUs);
      pause_since.reset();
    }
    if (StopHonoured(chip)) return OperationResult::Stopped;
    if (job.SkipsBlockAt(address)) {
      // Only the chip address moves: the data continues in the next good block.
      address += chip.BlockSize;
      continue;
    }
    if (address + std::min<std::uint64_t>(remaining, block) > chip.ChipSize) {
      job.log.LogStamped(job.texts.LogNoRoomForData, LogColour::Error);
      progress.MarkFailed();
      return OperationResult::Failed;
    }
    PutStreamHeader(payload.data(), channel, chip.ChipType, static_cast<std::uint32_t>(address),
                    static_cast<std::uint32_t>(total), static_cast<std::uint16_t>(block));
    const bool last = remaining < block;
    const std::size_t count = last ? static_cast<std::size_t>(remaining) : block;
    CopyFromBuffer(job.buffer, offset, count, data);
    std::memset(data + count, kErasedByte, block - count);
    remaining -= count;
    if (!SendDataBlock(job, kOpDataWrite, payload)) {
      progress.MarkFailed();
      return OperationResult::Failed;
    }
    if (!last) pause_since = job.link.Now();
    address += block;
    offset += block;
    ReadAcknowledgement(job.link);
    progress.Advance(block);
  }

  std::string line = job.log.TimeStamp() + std::string(ChannelName(channel));
  if (IsByteEeprom(chip.ChipType)) job.link.WaitTicks(30000);
  if (!job.link.LinkOpen()) return OperationResult::Failed;
  line += job.texts.LogChipWriteSuccess +
          FormatDurationSeconds(job.clock.TickCountMs() - started) + job.texts.LogOperatTime;
  job.log.LogLine(line, LogColour::Success);
  return OperationResult::Ok;
}

OperationResult FillEraseChip(const ChipJob& job, std::uint8_t channel) {
  Prj_Info_Struct& chip = job.chip;
  const std::uint32_t total = chip.ChipSize;
  const std::uint32_t block = FillBlockLength(chip);
  if (block == 0 && total > 0) return OperationResult::Failed;

  ChannelProgress progress(job.panel, channel, total);
  std::vector<std::uint8_t> payload(kDataBlockHeader + block, kErasedByte);
  for (std::uint64_t address = 0; address < total; address += block) {
    if (StopHonoured(chip)) return OperationResult::Stopped;
    PollSocketsIfDue(job.link, chip);
    PutStreamHeader(payload.data(), channel, chip.ChipType, static_cast<std::uint32_t>(address),
                    total, static_cast<std::uint16_t>(block));
    if (!SendDataBlock(job, kOpDataWrite, payload)) {
      progress.MarkFailed();
      return OperationResult::Failed;
    }
    job.link.WaitTicks(2);
    ReadAcknowledgement(job.link);
    progress.Advance(block);
  }
  job.link.WaitTicks(30000);
  return job.link.LinkOpen() ? OperationResult::Ok : OperationResult::Failed;
}

OperationResult EraseNandBlocks(const ChipJob& job, std::uint8_t channel) {
  Prj_Info_Struct& chip = job.chip;
  if (chip.ChipType != ChipTypeId::NandFlash) return OperationResult::Failed;
  // Without a block size the block address would never move.
  if (chip.BlockSize == 0) return OperationResult::Failed;

  ChannelProgress progress(job.panel, channel, chip.ChipSize);
  std::uint8_t payload[6] = {channel, TypeCodeByte(chip.ChipType)};
  for (std::uint64_t address = 0; address < chip.ChipSize; address += chip.BlockSize) {
    if (StopHonoured(chip)) return OperationResult::Stopped;
    PollSocketsIfDue(job.link, chip);
    if (job.SkipsBlockAt(address)) continue;
    PutBigEndian32(payload + 2, static_cast<std::uint32_t>(address));
    if (!SendDataBlock(job, kOpNandBlockErase, payload)) {
      progress.MarkFailed();
      return OperationResult::Failed;
    }
    job.link.WaitTicks(2);
    ReadAcknowledgement(job.link);
    progress.Advance(chip.BlockSize);
  }
  job.link.WaitTicks(20000);
  return job.link.LinkOpen() ? OperationResult::Ok : OperationResult::Failed;
}

}  // namespace tessary
