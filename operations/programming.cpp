// Erase, write, verify, blank check and read bodies over the chip command set.
#include "operations/programming.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "operations/chip_commands.h"

namespace tessary {
namespace {

constexpr std::uint32_t kLargeReadBlock = 4096;
constexpr int kVerifyRereads = 5;


// The slow serial EEPROMs need a pause after each read block.
bool PausesAfterReadBlock(ChipTypeId type) {
  return type == ChipTypeId::Eeprom25 || type == ChipTypeId::Eeprom93 ||
         type == ChipTypeId::Eeprom95;
}

// Reads one block of the chip at `address` into `into`. True when it came
// whole.
bool ReadChipBlock(const ChipJob& job, std::uint8_t channel, std::uint32_t address,
                   std::uint32_t total, std::span<std::uint8_t> into, bool short_wait) {
  if (StartBulkRead(job.link, channel, job.chip.ChipType, address, total,
                    static_cast<std::uint16_t>(into.size())) != LinkStatus::Ok) {
    return false;
  }
  if (short_wait) {
    job.link.WaitMicroseconds(1);
  } else {
    job.link.WaitTicks(2);
  }
  return ReadBulkBlock(job.link, into);
}

OperationResult CommandErase(const ChipJob& job, std::uint8_t channel, ChannelProgress& progress) {
  Prj_Info_Struct& chip = job.chip;
  DeviceLink& link = job.link;
  // The first answer only acknowledges the request.
  static_cast<void>(ChipEraseCommand(link, channel, chip.ChipType, kEraseStart));
  link.WaitTicks(10000);
  if (ChipEraseCommand(link, channel, chip.ChipType, kEraseGo) == EraseReply::NoReply) {
    // Once more; the status polls below tell whether the erase runs.
    static_cast<void>(ChipEraseCommand(link, channel, chip.ChipType, kEraseGo));
  }
  for (int poll = 0; poll < kErasePolls; ++poll) {
    if (chip.StopRequest == 1) {
      chip.StopRequest = 2;
      job.log.LogStamped(kTextEraseFinishesFirst, LogColour::Error);
    }
    link.WaitTicks(200000);
    if (chip.ChipType == ChipTypeId::Eeprom45) link.WaitTicks(30000);
    if (!link.LinkOpen()) return OperationResult::Failed;
    if (ChipEraseCommand(link, channel, chip.ChipType, kErasePoll) == EraseReply::Finished) {
      progress.Complete();
      if (chip.StopRequest != 0) {
        chip.StopRequest = 0;
        return OperationResult::Stopped;
      }
      return OperationResult::Ok;
    }
    progress.Advance(1);
  }
  // The erase did not finish; a stop noted meanwhile has nothing left to end.
  if (chip.StopRequest == 2) chip.StopRequest = 0;
  return OperationResult::Failed;
}

std::string HexOffset(std::uint32_t offset) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", offset);
  return text;
}

}  // namespace

std::uint32_t ReadBlockLength(const Prj_Info_Struct& chip) {
  switch (chip.ChipType) {
    case ChipTypeId::Eeprom45:
      return 6u * chip.PageSize;
    case ChipTypeId::Eeprom25:
    case ChipTypeId::Eeprom93:
    case ChipTypeId::Eeprom95:
      return 512;
    case ChipTypeId::Other:
    case ChipTypeId::Flash25:
    case ChipTypeId::Eeprom24:
    case ChipTypeId::SwdArm:
    case ChipTypeId::NandFlash:
      return kLargeReadBlock;
  }
  return kLargeReadBlock;
}

std::uint32_t VerifyBlockLength(const Prj_Info_Struct& chip) {
  switch (chip.ChipType) {
    case ChipTypeId::Eeprom45:
      return 3u * chip.PageSize;
    case ChipTypeId::Eeprom93:
    case ChipTypeId::Eeprom24:
      return 256;
    case ChipTypeId::Other:
    case ChipTypeId::Flash25:
    case ChipTypeId::Eeprom25:
    case ChipTypeId::Eeprom95:
    case ChipTypeId::SwdArm:
    case ChipTypeId::NandFlash:
      return kLargeReadBlock;
  }
  return kLargeReadBlock;
}

std::uint32_t BlankCheckBlockLength(const Prj_Info_Struct& chip) {
  if (chip.ChipType == ChipTypeId::Eeprom45) return 3u * chip.PageSize;
  if (chip.ChipType == ChipTypeId::Eeprom93) return 256;
  return kLargeReadBlock;
}

OperationResult EraseChip(const ChipJob& job, std::uint8_t channel) {
  if (channel == kChannelBoth) {
    job.log.LogStamped("CH1 " + job.texts.LogChipErase, LogColour::Highlight);
    job.log.LogStamped("CH2 " + job.texts.LogChipErase, LogColour::Highlight);
  } else {
    job.log.LogStamped(std::string(channel == kChannelCh2 ? "CH2 " : "CH1 ") +
                           job.texts.LogChipErase,
                       LogColour::Highlight);
  }
  ChannelProgress bars(job.panel, kChannelBoth, 100);
  bars.SetColour(LogColour::Success);

  const ChipTypeId type = job.chip.ChipType;
  if (type == ChipTypeId::NandFlash || IsByteEeprom(type)) {
    const OperationResult result = type == ChipTypeId::NandFlash ? EraseNandBlocks(job, channel)
                                                                  : FillEraseChip(job, channel);
    ChannelProgress done(job.panel, channel, 1);
    if (result == OperationResult::Ok) done.Complete();
    return result;
  }
  ChannelProgress progress(job.panel, channel, 100);
  return CommandErase(job, channel, progress);
}

OperationResult WriteChip(const ChipJob& job, std::uint8_t channel) {
  if (SendStatusIndication(job.link, kStatusStart) == CommandStatus::LinkClosed) {
    return OperationResult::Failed;
  }
  const OperationResult result = WriteChipData(job, channel);
  // The indication only drives the programmer's lamps; the result stands.
  static_cast<void>(SendStatusIndication(
      job.link, result == OperationResult::Ok ? kStatusSuccess : kStatusFailure));
  return result;
}

VerifyOutcome VerifyChannel(const ChipJob& job, std::uint8_t channel) {
  Prj_Info_Struct& chip = job.chip;
  const std::uint32_t data_len = job.buffer.DataLen;
  ChannelProgress progress(job.panel, channel, data_len);
  progress.SetColour(LogColour::Success);
  PollSocketsIfDue(job.link, chip);

  std::uint32_t block = VerifyBlockLength(chip);
  if (block == 0) return {OperationResult::Failed, std::nullopt};
  std::vector<std::uint8_t> read(block);
  std::vector<std::uint8_t> expected(block);
  std::uint64_t s = 0;  // chip offset from RamStartAddr
  std::uint64_t b = 0;  // buffer offset from RamStartAddr
  int mismatches = 0;
  while (s < data_len) {
    if (StopHonoured(chip)) return {OperationResult::Stopped, std::nullopt};
    if (job.SkipsBlockAt(chip.RamStartAddr + s)) {
      s += chip.BlockSize;
      continue;
    }
    const std::uint64_t address = chip.RamStartAddr + s;
    if (address >= chip.ChipSize) {
      // The data does not fit into the chip's good blocks.
      progress.MarkFailed();
      return {OperationResult::Failed, static_cast<std::uint32_t>(s)};
    }
    if (address + block > chip.ChipSize) block = static_cast<std::uint32_t>(chip.ChipSize - address);
    const std::span<std::uint8_t> into = std::span(read).first(block);
    const bool whole = ReadChipBlock(job, channel, static_cast<std::uint32_t>(address), data_len,
                                     into, false);
    if (!job.link.LinkOpen()) {
      progress.MarkFailed();
      return {OperationResult::Failed, std::nullopt};
    }
    // The buffer bytes to compare with; past the block the erased value.
    std::fill_n(expected.begin(), block, kErasedByte);
    const std::uint64_t from = chip.RamStartAddr + b;
    if (from < job.buffer.Data.size()) {
      const std::size_t n =
          static_cast<std::size_t>(std::min<std::uint64_t>(block, job.buffer.Data.size() - from));
      std::memcpy(expected.data(), job.buffer.Data.data() + from, n);
    }
    if (whole && std::equal(into.begin(), into.end(), expected.begin())) {
      mismatches = 0;
      s += block;
      b += block;
      progress.MoveTo(static_cast<std::int64_t>(b));
      continue;
    }
    if (++mismatches <= kVerifyRereads) continue;
    const auto offset = static_cast<std::uint32_t>(s);
    static_cast<void>(job.panel.ShowMessage(HexOffset(offset), job.texts.MainSoftWareInfo,
                                            MessageKind::Error));
    progress.MarkFailed();
    return {OperationResult::Failed, offset};
  }
  return {OperationResult::Ok, std::nullopt};
}

OperationResult BlankCheckChannel(const ChipJob& job, std::uint8_t channel) {
  Prj_Info_Struct& chip = job.chip;
  const std::uint32_t data_len = job.buffer.DataLen;
  ChannelProgress progress(job.panel, channel, data_len);
  PollSocketsIfDue(job.link, chip);
  std::uint32_t block = BlankCheckBlockLength(chip);
  if (block == 0) return OperationResult::Failed;
  std::vector<std::uint8_t> read(block);
  for (std::uint64_t a = 0; a < data_len && a < chip.ChipSize;) {
    if (StopHonoured(chip)) return OperationResult::Stopped;
    if (a + block > chip.ChipSize) block = static_cast<std::uint32_t>(chip.ChipSize - a);
    const std::span<std::uint8_t> into = std::span(read).first(block);
    const bool whole =
        ReadChipBlock(job, channel, static_cast<std::uint32_t>(a), data_len, into, true);
    const std::size_t examined =
        static_cast<std::size_t>(std::min<std::uint64_t>(block, data_len - a));
    const bool blank = std::all_of(into.begin(), into.begin() + static_cast<std::ptrdiff_t>(examined),
                                   [](std::uint8_t byte) { return byte == kErasedByte; });
    if (!whole || !blank) {
      progress.MarkFailed();
      return OperationResult::Failed;
    }
    a += block;
    progress.MoveTo(static_cast<std::int64_t>(a));
  }
  return OperationResult::Ok;
}

OperationResult ReadChip(const ChipJob& job, std::uint8_t channel) {
  Prj_Info_Struct& chip = job.chip;
  Ram_File_Info_Struct& ram = job.buffer;
  ChannelProgress progress(job.panel, kChannelBoth, chip.ChipSize);
  progress.SetColour(LogColour::Success);
  ram.Data.assign(chip.ChipSize, kErasedByte);
  ram.DataLen = chip.ChipSize;

  std::uint32_t block = ReadBlockLength(chip);
  if (block == 0 || block > kFrameBufferSize) return OperationResult::Failed;
  bool complete = true;
  std::uint64_t a = 0;
  std::uint64_t o = 0;
  ChannelProgress bars(job.panel, channel, chip.ChipSize);
  while (a < chip.ChipSize) {
    if (job.SkipsBlockAt(a)) {
      a += chip.BlockSize;
      continue;
    }
    if (a + block > chip.ChipSize) block = static_cast<std::uint32_t>(chip.ChipSize - a);
    const std::span<std::uint8_t> into =
        std::span(ram.Data).subspan(static_cast<std::size_t>(o), block);
    if (!ReadChipBlock(job, channel, static_cast<std::uint32_t>(a), ram.DataLen, into, true)) {
      complete = false;
      bars.MarkFailed();
    }
    if (!job.link.LinkOpen()) break;
    a += block;
    o += block;
    bars.MoveTo(static_cast<std::int64_t>(a));
    if (PausesAfterReadBlock(chip.ChipType)) job.link.WaitTicks(500);
  }
  job.link.FlushInPipe();
  return complete && a >= chip.ChipSize ? OperationResult::Ok : OperationResult::Failed;
}

}  // namespace tessary
