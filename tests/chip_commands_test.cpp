// The chip command set against the simulated programmer on virtual time:
// exact frames and their order, what reached the chip, progress, stop
// handling, the NAND skip, the socket poll and the bulk streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "operations/chip_commands.h"
#include "sim/simulated_link.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

using testing::Bytes;
using testing::RecordingPanel;

constexpr std::uint8_t kFlash25 = TypeCodeByte(ChipTypeId::Flash25);
constexpr std::uint8_t kNand = TypeCodeByte(ChipTypeId::NandFlash);

Bytes Pattern(std::size_t length, std::uint8_t seed = 1) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + seed);
  return bytes;
}

Bytes Frame(std::uint8_t opcode, const Bytes& payload) {
  Bytes frame(payload.size() + kFrameOverhead);
  BuildFrame(opcode, payload, frame);
  return frame;
}

Bytes SetupPayload(std::uint8_t channel, std::uint8_t type, std::uint32_t address,
                   std::uint32_t total, std::uint16_t block) {
  Bytes payload(12);
  payload[0] = channel;
  payload[1] = type;
  PutBigEndian32(&payload[2], address);
  PutBigEndian32(&payload[6], total);
  PutBigEndian16(&payload[10], block);
  return payload;
}

sim::ChipConfig NandChip(std::uint32_t blocks, std::uint32_t block_size,
                         std::vector<std::uint32_t> bad = {}) {
  sim::ChipConfig chip;
  chip.id_code = 0xEFAA21;
  chip.capacity = blocks * block_size;
  chip.page_size = 2048;
  chip.block_size = block_size;
  chip.bad_blocks = std::move(bad);
  return chip;
}

class ChipCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(sim::DefaultSimulatorConfig()); }

  void Start(sim::SimulatorConfig config) {
    ctx.reset();
    usb = std::make_unique<sim::SimulatedLink>(std::move(config), clock);
    ctx = std::make_unique<AppContext>(clock, panel, *usb);
    ASSERT_TRUE(ctx->link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    ctx->link.MarkLinked();
    clock.SetTimeOfDay(9, 5, 7);
  }
  void StartWithCh1(const sim::ChipConfig& chip) {
    sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
    config.sockets[0] = chip;
    Start(config);
  }

  void SelectChip(ChipTypeId type, std::uint32_t size, std::uint16_t page,
                  std::uint32_t block = 0x10000) {
    Prj_Info_Struct& chip = ctx->CurrentPrj;
    chip.ChipType = type;
    chip.ChipSize = size;
    chip.PageSize = page;
    chip.BlockSize = block;
  }
  void LoadBuffer(const Bytes& data, std::size_t buffer_size) {
    ctx->RamFile.Data.assign(buffer_size, 0xFF);
    std::copy(data.begin(), data.end(), ctx->RamFile.Data.begin());
    ctx->RamFile.DataLen = static_cast<std::uint32_t>(data.size());
  }

  sim::SimulatedProgrammer& device() { return usb->programmer(); }
  Bytes ChipBytes(int socket, std::uint32_t address, std::size_t length) {
    Bytes out(length);
    device().socket(socket).memory().Read(address, out);
    return out;
  }
  // OUT writes that are frames with this opcode.
  std::vector<Bytes> FramesOf(std::uint8_t opcode) {
    std::vector<Bytes> frames;
    for (const Bytes& write : device().wire().Writes()) {
      if (write.size() >= kFrameOverhead && write[0] == kFrameStartByte && write[1] == opcode) {
        frames.push_back(write);
      }
    }
    return frames;
  }
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    for (const LogEntry& line : ctx->log.Lines()) texts.push_back(line.text);
    return texts;
  }

  VirtualClock clock;
  RecordingPanel panel;
  std::unique_ptr<sim::SimulatedLink> usb;
  std::unique_ptr<AppContext> ctx;
};

// --- WriteChipData -----------------------------------------------------------

TEST_F(ChipCommandsTest, WriteOfOneByteSendsOnePageInOneFullBlock) {
  SelectChip(ChipTypeId::Flash25, 64 * 1024, 256);
  const Bytes data = Pattern(64 * 1024);
  LoadBuffer(data, data.size());
  ctx->RamFile.DataLen = 1;

  ASSERT_EQ(WriteChipData(ctx->Job(), kChannelCh1), OperationResult::Ok);

  Bytes payload = SetupPayload(0, kFlash25, 0, 256, 1024);
  payload.insert(payload.end(), data.begin(), data.begin() + 256);
  payload.resize(12 + 1024, 0xFF);
  const std::vector<Bytes> frames = FramesOf(kOpDataWrite);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], Frame(kOpDataWrite, payload));
  EXPECT_EQ(device().wire().Writes().size(), 1u);
  EXPECT_EQ(device().wire().Reads().size(), 1u) << "the acknowledgement is read";

  EXPECT_EQ(ChipBytes(0, 0, 256), Bytes(data.begin(), data.begin() + 256));
  EXPECT_EQ(ChipBytes(0, 256, 768), Bytes(768, 0xFF));

  EXPECT_EQ(LogTexts(), (std::vector<std::string>{"09:05:07 写入芯片，文件名：写入长度：256",
                                                  "09:05:07 CH1 写入成功.共耗时0.00秒"}));
  EXPECT_EQ(ctx->log.Lines()[0].colour, LogColour::Highlight);
  EXPECT_EQ(ctx->log.Lines()[1].colour, LogColour::Success);
  EXPECT_EQ(panel.bars[ProgressBar::Chip1].maximum, 256);
  EXPECT_EQ(panel.bars[ProgressBar::Chip1].position, 256) << "the bar stops at its maximum";
  EXPECT_EQ(panel.bars.count(ProgressBar::Chip2), 0u);
}

struct WriteCase {
  const char* name;
  ChipTypeId type;
  std::uint32_t chip_size;
  std::uint16_t page_size;
  std::uint32_t data_len;
  std::uint32_t buffer_size;
  std::uint32_t start;
  // Expected.
  std::uint32_t total;
  std::uint16_t block;
  std::size_t frames;
};
void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class WriteBlocks : public ChipCommandsTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteBlocks, CoverTheRoundedLengthInEqualBlocks) {
  const WriteCase& c = GetParam();
  sim::ChipConfig chip;
  chip.id_code = 0x123456;
  chip.capacity = c.chip_size;
  StartWithCh1(chip);
  SelectChip(c.type, c.chip_size, c.page_size);
  ctx->CurrentPrj.RamStartAddr = c.start;
  const Bytes data = Pattern(c.buffer_size);
  LoadBuffer(data, c.buffer_size);
  ctx->RamFile.DataLen = c.data_len;

  ASSERT_EQ(WriteChipData(ctx->Job(), kChannelCh1), OperationResult::Ok);

  const std::vector<Bytes> frames = FramesOf(kOpDataWrite);
  ASSERT_EQ(frames.size(), c.frames);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const std::uint8_t* payload = frames[i].data() + kFrameHeaderSize;
    EXPECT_EQ(GetBigEndian16(&frames[i][4]), c.block + 12u);
    EXPECT_EQ(GetBigEndian32(payload + 2), c.start + i * c.block) << "frame " << i;
    EXPECT_EQ(GetBigEndian32(payload + 6), c.total) << "the same total in every frame";
    EXPECT_EQ(GetBigEndian16(payload + 10), c.block) << "the same block length, the last too";
  }
  // What reached the chip: the buffer from the start address, and the
  // erased value for whatever lies beyond the buffer.
  Bytes expected(c.total, 0xFF);
  for (std::uint32_t i = 0; i < c.total && c.start + i < c.buffer_size; ++i) {
    expected[i] = data[c.start + i];
  }
  EXPECT_EQ(ChipBytes(0, c.start, c.total), expected);
  EXPECT_EQ(LogTexts().front(), "09:05:07 写入芯片，文件名：写入长度：" + std::to_string(c.total));
}

INSTANTIATE_TEST_SUITE_P(
    Chips, WriteBlocks,
    ::testing::Values(WriteCase{"LengthBeyondTheChipIsCut", ChipTypeId::Flash25, 4096, 256, 8192,
                                8192, 0, 4096, 1024, 4},
                      WriteCase{"SmallChipWritesInChipSizedBlocks", ChipTypeId::Eeprom24, 256, 8,
                                200, 256, 0, 200, 256, 1},
                      WriteCase{"Eeprom45WritesPages", ChipTypeId::Eeprom45, 65536, 264, 1000,
                                65536, 0, 1056, 264, 4},
                      WriteCase{"SwdArmAlwaysUses1024", ChipTypeId::SwdArm, 512, 0, 300, 512, 0,
                                300, 1024, 1},
                      WriteCase{"StartAddressNearTheBufferEndReadsNoFurther", ChipTypeId::Flash25,
                                8192, 256, 2048, 4096, 3072, 2048, 1024, 2}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

TEST_F(ChipCommandsTest, WriteProgressAndResultLineFollowTheChannel) {
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  sim::ChipConfig eeprom;
  eeprom.id_code = 0x240000;
  eeprom.capacity = 256;
  config.sockets = {eeprom, eeprom};
  Start(config);
  SelectChip(ChipTypeId::Eeprom24, 256, 8);
  LoadBuffer(Pattern(256), 256);

  ASSERT_EQ(WriteChipData(ctx->Job(), kChannelBoth), OperationResult::Ok);
  EXPECT_EQ(panel.bars[ProgressBar::Chip1].position, 256);
  EXPECT_EQ(panel.bars[ProgressBar::Chip2].position, 256);
  // The 24-series needs 300 ms to settle before the line is finished.
  EXPECT_EQ(LogTexts().back(), "09:05:07 CH1 & CH2 写入成功.共耗时0.30秒");
  EXPECT_EQ(ChipBytes(1, 0, 256), Pattern(256)) << "dual mode writes both sockets";

  panel.bars.clear();
  ASSERT_EQ(WriteChipData(ctx->Job(), kChannelCh2), OperationResult::Ok);
  EXPECT_EQ(panel.bars.count(ProgressBar::Chip1), 0u);
  EXPECT_EQ(panel.bars[ProgressBar::Chip2].maximum, 256);
  EXPECT_EQ(LogTexts().back(), "09:05:07 CH2 写入成功.共耗时0.30秒");
}

TEST_F(ChipCommandsTest, WriteWithAnUnusablePageSizeSendsNothing) {
  SelectChip(ChipTypeId::Eeprom45, 65536, 0);
  LoadBuffer(Pattern(100), 65536);
  EXPECT_EQ(WriteChipData(ctx->Job(), kChannelCh1), OperationResult::Failed);
  SelectChip(ChipTypeId::Eeprom45, 65536, 8192);
  EXPECT_EQ(WriteChipData(ctx->Job(), kChannelCh1), OperationResult::Failed) << "a page larger than a frame";
  EXPECT_TRUE(device().wire().Writes().empty());
}

// --- NAND skip -----------------------------------------------------------------

struct SkipCase {
  const char* name;
  bool option;
  std::int32_t good_count;  // of 8 blocks
  bool skips;
};
void PrintTo(const SkipCase& c, std::ostream* os) { *os << c.name; }

class NandSkip : public ChipCommandsTest, public ::testing::WithParamInterface<SkipCase> {
 protected:
  static constexpr std::uint32_t kBlock = 2048;
  void SetUp() override {
    StartWithCh1(NandChip(8, kBlock));
    SelectChip(ChipTypeId::NandFlash, 8 * kBlock, 2048, kBlock);
    ctx->Window.IgnoreInvalidBlocks = GetParam().option;
    ctx->BadBlocks.BlockCount = 8;
    ctx->BadBlocks.GoodCount = GetParam().good_count;
    ctx->BadBlocks.Flags[1] = 1;
  }
};

TEST_P(NandSkip, WriteMovesTheDataOfABadBlockToTheNextGoodOne) {
  const Bytes data = Pattern(3 * kBlock);
  LoadBuffer(data, 8 * kBlock);
  ASSERT_EQ(WriteChipData(ctx->Job(), kChannelCh1), OperationResult::Ok);

  const auto part = [&](int block) {
    return Bytes(data.begin() + block * kBlock, data.begin() + (block + 1) * kBlock);
  };
  EXPECT_EQ(ChipBytes(0, 0, kBlock), part(0));
  if (GetParam().skips) {
    EXPECT_EQ(ChipBytes(0, kBlock, kBlock), Bytes(kBlock, 0xFF)) << "bad block left alone";
    EXPECT_EQ(ChipBytes(0, 2 * kBlock, kBlock), part(1));
    EXPECT_EQ(ChipBytes(0, 3 * kBlock, kBlock), part(2));
  } else {
    EXPECT_EQ(ChipBytes(0, kBlock, kBlock), part(1));
    EXPECT_EQ(ChipBytes(0, 2 * kBlock, kBlock), part(2));
  }
  EXPECT_EQ(FramesOf(kOpDataWrite).size(), 6u) << "skipping costs no frame";
  EXPECT_EQ(panel.bars[ProgressBar::Chip1].position, 3 * kBlock);
}

TEST_P(NandSkip, BlockEraseStepsOverBadBlocks) {
  ASSERT_EQ(EraseNandBlocks(ctx->Job(), kChannelCh1), OperationResult::Ok);
  std::vector<std::uint32_t> addresses;
  for (const Bytes& frame : FramesOf(kOpNandBlockErase)) {
    EXPECT_EQ(frame.size(), 6u + kFrameOverhead);
    EXPECT_EQ(frame[6], 0);
    EXPECT_EQ(frame[7], kNand);
    addresses.push_back(GetBigEndian32(&frame[8]));
  }
  std::vector<std::uint32_t> expected;
  for (std::uint32_t block = 0; block < 8; ++block) {
    if (block != 1 || !GetParam().skips) expected.push_back(block * kBlock);
  }
  EXPECT_EQ(addresses, expected);
  EXPECT_EQ(panel.bars[ProgressBar::Chip1].maximum, 8 * kBlock);
  EXPECT_EQ(panel.bars[ProgressBar::Chip1].position,
            static_cast<std::int64_t>(expected.size() * kBlock));
}

INSTANTIATE_TEST_SUITE_P(Options, NandSkip,
                         ::testing::Values(SkipCase{"OptionOnWithBadBlocks", true, 7, true},
                                           SkipCase{"OptionOnButNoBadBlocks", true, 8, false},
                                           SkipCase{"OptionOff", false, 7, false}),
                         [](const ::testing::TestParamInfo<SkipCase>& info) {
                           return info.param.name;
                         });

TEST_F(ChipCommandsTest, BlockEraseRefusesChipsThatAreNotNand) {
  SelectChip(ChipTypeId::Flash25, 8 << 20, 256);
  EXPECT_EQ(EraseNandBlocks(ctx->Job(), kChannelCh1), OperationResult::Failed);
  SelectChip(ChipTypeId::NandFlash, 8 << 20, 2048, 0);
  EXPECT_EQ(EraseNandBlocks(ctx->Job(), kChannelCh1), OperationResult::Failed) << "no block size";
  EXPECT_TRUE(device().wire().Writes().empty());
}

TEST_F(ChipCommandsTest, BlockEraseClearsTheGoodBlocksAndWaits200Ms) {
  StartWithCh1(NandChip(4, 2048, {2}));
  SelectChip(ChipTypeId::NandFlash, 4 * 2048, 2048, 2048);
  device().socket(0).memory().Program(0, Pattern(4 * 2048));
  const std::uint64_t before = clock.NowMicroseconds();
  ASSERT_EQ(EraseNandBlocks(ctx->Job(), kChannelCh1), OperationResult::Ok);
  EXPECT_EQ(ChipBytes(0, 0, 2 * 2048), Bytes(2 * 2048, 0xFF));
  EXPECT_EQ(ChipBytes(0, 3 * 2048, 2048), Bytes(2048, 0xFF));
  EXPECT_EQ(clock.NowMicroseconds() - before, 4 * 20u + 200'000u);
}

// --- FillEraseChip -------------------------------------------------------------

TEST_F(ChipCommandsTest, FillEraseWritesErasedBlocksOverTheWholeChip) {
  SelectChip(ChipTypeId::Eeprom25, 2048, 32);
  const std::uint64_t before = clock.NowMicroseconds();
  ASSERT_EQ(FillEraseChip(ctx->Job(), kChannelCh2), OperationResult::Ok);

  const std::vector<Bytes> frames = FramesOf(kOpDataWrite);
  ASSERT_EQ(frames.size(), 2u);
  for (std::uint32_t i = 0; i < 2; ++i) {
    Bytes payload = SetupPayload(1, 3, i * 1024, 2048, 1024);
    payload.resize(12 + 1024, 0xFF);
    EXPECT_EQ(frames[i], Frame(kOpDataWrite, payload));
  }
  EXPECT_EQ(panel.bars[ProgressBar::Chip2].maximum, 2048);
  EXPECT_EQ(panel.bars[ProgressBar::Chip2].position, 2048);
  EXPECT_EQ(clock.NowMicroseconds() - before, 2 * 20u + 300'000u);
  EXPECT_TRUE(ctx->log.Lines().empty());
}

TEST_F(ChipCommandsTest, SocketPollInsideALoopLeavesTheBlockFrameIntact) {
  SelectChip(ChipTypeId::Eeprom24, 4096, 8);
  // The 2-second timer fires while the second block is under way.
  panel.on_pump = [&] {
    if (FramesOf(kOpDataWrite).size() == 2 && FramesOf(kOpSocketStatus).empty()) {
      ctx->CurrentPrj.SocketPollDue = 1;
    }
  };
  ASSERT_EQ(FillEraseChip(ctx->Job(), kChannelCh1), OperationResult::Ok);

  std::vector<std::uint8_t> opcodes;
  for (const Bytes& write : device().wire().Writes()) opcodes.push_back(write[1]);
  EXPECT_EQ(opcodes, (std::vector<std::uint8_t>{0x35, 0x35, 0x38, 0x35, 0x35}));
  const std::vector<Bytes> frames = FramesOf(kOpDataWrite);
  for (std::uint32_t i = 0; i < frames.size(); ++i) {
    Bytes payload = SetupPayload(0, 2, i * 1024, 4096, 1024);
    payload.resize(12 + 1024, 0xFF);
    EXPECT_EQ(frames[i], Frame(kOpDataWrite, payload)) << "block " << i;
  }
  EXPECT_EQ(ctx->CurrentPrj.SocketPollDue, 0);
  EXPECT_EQ(ctx->CurrentPrj.ChipInserted1, 1) << "the poll found the chip in CH1";
}

// --- stop -----------------------------------------------------------------------

struct StopCase {
  const char* name;
  std::function<OperationResult(AppContext&)> run;
  std::uint8_t opcode;
  std::size_t all_blocks;
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class StopButton : public ChipCommandsTest, public ::testing::WithParamInterface<StopCase> {
 protected:
  void SetUp() override {
    StartWithCh1(NandChip(8, 1024));
    SelectChip(ChipTypeId::NandFlash, 8 * 1024, 1024, 1024);
    LoadBuffer(Pattern(8 * 1024), 8 * 1024);
  }
};

TEST_P(StopButton, EndsTheLoopBeforeTheNextBlockAndIsCleared) {
  const StopCase& c = GetParam();
  panel.on_pump = [&] {
    if (FramesOf(c.opcode).size() == 3) ctx->CurrentPrj.StopRequest = 1;
  };
  EXPECT_EQ(c.run(*ctx), OperationResult::Stopped);
  EXPECT_EQ(FramesOf(c.opcode).size(), 3u);
  EXPECT_EQ(ctx->CurrentPrj.StopRequest, 0);

  panel.on_pump = nullptr;
  device().wire().Clear();
  EXPECT_EQ(c.run(*ctx), OperationResult::Ok) << "the next run is not stopped";
  EXPECT_EQ(FramesOf(c.opcode).size(), c.all_blocks);

  // A stop pressed while nothing ran ends the next loop at its first block.
  device().wire().Clear();
  ctx->CurrentPrj.StopRequest = 1;
  EXPECT_EQ(c.run(*ctx), OperationResult::Stopped);
  EXPECT_TRUE(FramesOf(c.opcode).empty());
  EXPECT_EQ(ctx->CurrentPrj.StopRequest, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Loops, StopButton,
    ::testing::Values(
        StopCase{"WriteChipData", [](AppContext& c) { return WriteChipData(c.Job(), 0); },
                 kOpDataWrite, 8},
        StopCase{"FillEraseChip", [](AppContext& c) { return FillEraseChip(c.Job(), 0); },
                 kOpDataWrite, 8},
        StopCase{"EraseNandBlocks", [](AppContext& c) { return EraseNandBlocks(c.Job(), 0); },
                 kOpNandBlockErase, 8}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return info.param.name; });

// --- single commands -----------------------------------------------------------

TEST_F(ChipCommandsTest, StatusIndicationFrame) {
  EXPECT_EQ(SendStatusIndication(ctx->link, 1), CommandStatus::Ok);
  EXPECT_EQ(device().wire().Writes().at(0),
            (Bytes{0x02, 0x20, 0x00, 0x01, 0x00, 0x02, 0x00, 0x01, 0x02, 0x67}));
  EXPECT_EQ(device().status_indications(), (std::vector<std::uint16_t>{1}));
  device().faults().silent_opcodes = {kOpStatusIndication};
  EXPECT_EQ(SendStatusIndication(ctx->link, 200), CommandStatus::NoReply);
}

TEST_F(ChipCommandsTest, ChipIdReplyMustCarrySixBytes) {
  ChipIdReply reply;
  ASSERT_EQ(ReadChipId(ctx->link, reply), CommandStatus::Ok);
  EXPECT_EQ(reply.id, 0xEF4017u);
  EXPECT_EQ(device().wire().Writes().at(0),
            (Bytes{0x02, 0x31, 0x00, 0x01, 0x00, 0x00, 0x04, 0x08}));

  ChipIdReply untouched{0x11111111, {0x22, 0x33}};
  device().faults().reply_lengths = {{kOpReadChipId, 4}};
  EXPECT_EQ(ReadChipId(ctx->link, untouched), CommandStatus::BadLength);
  device().faults().reply_lengths = {{kOpReadChipId, 8}};
  EXPECT_EQ(ReadChipId(ctx->link, untouched), CommandStatus::BadLength);
  device().faults().reply_lengths.clear();
  device().faults().silent_opcodes = {kOpReadChipId};
  EXPECT_EQ(ReadChipId(ctx->link, untouched), CommandStatus::NoReply);
  EXPECT_EQ(untouched.id, 0x11111111u);
}

TEST_F(ChipCommandsTest, ChipIdReplyOfOnlyAStartByteIsNotReadFromStaleBytes) {
  testing::ScriptedLink scripted(clock);
  AppContext scripted_ctx(clock, panel, scripted);
  ASSERT_TRUE(scripted_ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
  scripted_ctx.link.MarkLinked();
  // A complete ID reply first, then a reply that stops after its header.
  scripted.replies = {testing::ReplyFrame(kOpReadChipId, {0xEF, 0x40, 0x17, 0x00, 0, 0}),
                      Bytes{0x02, 0x31, 0x00, 0x01, 0x00, 0x06}};
  ChipIdReply reply;
  ASSERT_EQ(ReadChipId(scripted_ctx.link, reply), CommandStatus::Ok);
  EXPECT_EQ(ReadChipId(scripted_ctx.link, reply), CommandStatus::BadLength);
}

TEST_F(ChipCommandsTest, ChipEraseCommandResults) {
  // Start and go are acknowledged with a byte that is not "finished".
  EXPECT_EQ(ChipEraseCommand(ctx->link, 0, ChipTypeId::Flash25, kEraseStart), EraseReply::Erasing);
  EXPECT_EQ(device().wire().Writes().back(), Frame(kOpChipErase, {0x00, 0x01, 0xFF}));
  EXPECT_EQ(ChipEraseCommand(ctx->link, 0, ChipTypeId::Flash25, kEraseGo), EraseReply::Erasing);
  EXPECT_EQ(ChipEraseCommand(ctx->link, 0, ChipTypeId::Flash25, kErasePoll), EraseReply::Erasing);
  EXPECT_EQ(ChipEraseCommand(ctx->link, 0, ChipTypeId::Flash25, kErasePoll), EraseReply::Erasing);
  EXPECT_EQ(ChipEraseCommand(ctx->link, 0, ChipTypeId::Flash25, kErasePoll), EraseReply::Finished);

  device().faults().reply_lengths = {{kOpChipErase, 2}};
  EXPECT_EQ(ChipEraseCommand(ctx->link, 0, ChipTypeId::Flash25, kErasePoll), EraseReply::BadLength);
  device().faults().reply_lengths.clear();
  device().faults().wrong_start_opcodes = {kOpChipErase};
  EXPECT_EQ(ChipEraseCommand(ctx->link, 0, ChipTypeId::Flash25, kErasePoll), EraseReply::NoReply);
  EXPECT_EQ(FramesOf(kOpChipErase).size(), 7u) << "no retries";
}

TEST_F(ChipCommandsTest, SocketStatusResults) {
  SocketReply sockets{0xAA, 0xAA};
  ASSERT_EQ(QuerySocketStatus(ctx->link, ChipTypeId::Flash25, sockets), CommandStatus::Ok);
  EXPECT_EQ(device().wire().Writes().back(), Frame(kOpSocketStatus, {kFlash25}));
  EXPECT_EQ(sockets.ch1, kSocketChipPresent);
  EXPECT_EQ(sockets.ch2, kSocketEmpty);

  sockets = {0xAA, 0xAA};
  device().faults().reply_lengths = {{kOpSocketStatus, 1}};
  EXPECT_EQ(QuerySocketStatus(ctx->link, ChipTypeId::Flash25, sockets), CommandStatus::BadLength);
  device().faults().reply_lengths.clear();
  device().faults().silent_opcodes = {kOpSocketStatus};
  EXPECT_EQ(QuerySocketStatus(ctx->link, ChipTypeId::Flash25, sockets), CommandStatus::NoReply);
  EXPECT_EQ(sockets.ch1, 0xAA);
  EXPECT_EQ(sockets.ch2, 0xAA);
}

// Every command that reads its reply's payload checks first that the reply
// carries it: a reply cut or padded to 0, 1 or 2 payload bytes is refused
// unless that is the command's own length, and is not asked again.
struct ReplyLengthCase {
  std::uint8_t opcode;
  std::size_t length;
  const char* outcome;
};
void PrintTo(const ReplyLengthCase& c, std::ostream* os) {
  *os << std::hex << int{c.opcode} << " with " << std::dec << c.length << " bytes";
}

const char* OutcomeName(CommandStatus status) {
  switch (status) {
    case CommandStatus::Ok:
      return "Ok";
    case CommandStatus::NoReply:
      return "NoReply";
    case CommandStatus::BadLength:
      return "BadLength";
    case CommandStatus::LinkClosed:
      return "LinkClosed";
    case CommandStatus::Busy:
      return "Busy";
  }
  return "?";
}

const char* OutcomeName(EraseReply reply) {
  switch (reply) {
    case EraseReply::Finished:
      return "Finished";
    case EraseReply::Erasing:
      return "Erasing";
    case EraseReply::BadLength:
      return "BadLength";
    case EraseReply::NoReply:
      return "NoReply";
  }
  return "?";
}

const char* RunCommand(AppContext& c, std::uint8_t opcode) {
  std::uint8_t reply_byte = 0;
  switch (opcode) {
    case kOpReadChipId: {
      ChipIdReply reply;
      return OutcomeName(ReadChipId(c.link, reply));
    }
    case kOpChipErase:
      return OutcomeName(ChipEraseCommand(c.link, 0, ChipTypeId::Flash25, kErasePoll));
    case kOpSocketStatus: {
      SocketReply reply;
      return OutcomeName(QuerySocketStatus(c.link, ChipTypeId::Flash25, reply));
    }
    case kOpSetSpiClock:
      return OutcomeName(SetSpiClock(c.link, 1, reply_byte));
    case kOpBadBlockScan:
      return OutcomeName(ScanNandBadBlocks(c.link, 0, c.BadBlocks));
    case kOpSetSpiDma:
      return OutcomeName(SetSpiDma(c.link, 1, reply_byte));
    default:
      return "not in the table";
  }
}

class ReplyLength : public ChipCommandsTest,
                    public ::testing::WithParamInterface<ReplyLengthCase> {};

TEST_P(ReplyLength, IsCheckedBeforeThePayloadIsRead) {
  device().faults().reply_lengths = {{GetParam().opcode, GetParam().length}};
  EXPECT_STREQ(RunCommand(*ctx, GetParam().opcode), GetParam().outcome);
  EXPECT_EQ(FramesOf(GetParam().opcode).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ReplyLength,
    ::testing::Values(ReplyLengthCase{kOpReadChipId, 0, "BadLength"},
                      ReplyLengthCase{kOpReadChipId, 1, "BadLength"},
                      ReplyLengthCase{kOpReadChipId, 2, "BadLength"},
                      ReplyLengthCase{kOpReadChipId, 6, "Ok"},
                      ReplyLengthCase{kOpChipErase, 0, "BadLength"},
                      ReplyLengthCase{kOpChipErase, 1, "Finished"},
                      ReplyLengthCase{kOpChipErase, 2, "BadLength"},
                      ReplyLengthCase{kOpSocketStatus, 0, "BadLength"},
                      ReplyLengthCase{kOpSocketStatus, 1, "BadLength"},
                      ReplyLengthCase{kOpSocketStatus, 2, "Ok"},
                      ReplyLengthCase{kOpSetSpiClock, 0, "BadLength"},
                      ReplyLengthCase{kOpSetSpiClock, 1, "Ok"},
                      ReplyLengthCase{kOpSetSpiClock, 2, "BadLength"},
                      ReplyLengthCase{kOpBadBlockScan, 0, "BadLength"},
                      ReplyLengthCase{kOpBadBlockScan, 1, "BadLength"},
                      ReplyLengthCase{kOpBadBlockScan, 2, "BadLength"},
                      ReplyLengthCase{kOpBadBlockScan, 4, "Ok"},
                      ReplyLengthCase{kOpSetSpiDma, 0, "BadLength"},
                      ReplyLengthCase{kOpSetSpiDma, 1, "Ok"},
                      ReplyLengthCase{kOpSetSpiDma, 2, "BadLength"}),
    [](const ::testing::TestParamInfo<ReplyLengthCase>& info) {
      char name[32];
      std::snprintf(name, sizeof name, "Opcode%02X_%zuBytes", info.param.opcode, info.param.length);
      return std::string(name);
    });

// A reply that did not come in time arrives with the next read; the link
// throws it away, so the next command gets its own answer, not the late one.
TEST_F(ChipCommandsTest, ALateReplyIsNotTakenAsTheNextCommandsAnswer) {
  device().faults().late_reply_opcodes = {kOpSocketStatus};
  SocketReply sockets;
  EXPECT_EQ(QuerySocketStatus(ctx->link, ChipTypeId::Flash25, sockets), CommandStatus::NoReply);
  device().faults().late_reply_opcodes.clear();
  ChipIdReply id;
  ASSERT_EQ(ReadChipId(ctx->link, id), CommandStatus::Ok) << "not the two-byte socket answer";
  EXPECT_EQ(id.id, 0xEF4017u);
  std::uint8_t clock_code = 0;
  ASSERT_EQ(SetSpiClock(ctx->link, kSpiClockQuery, clock_code), CommandStatus::Ok);
  EXPECT_EQ(QuerySocketStatus(ctx->link, ChipTypeId::Flash25, sockets), CommandStatus::Ok);
  EXPECT_EQ(sockets.ch1, kSocketChipPresent);
}

struct UpToEightCase {
  const char* name;
  std::uint8_t opcode;
  std::function<CommandStatus(AppContext&)> run;
};
void PrintTo(const UpToEightCase& c, std::ostream* os) { *os << c.name; }

class UpToEight : public ChipCommandsTest, public ::testing::WithParamInterface<UpToEightCase> {};

TEST_P(UpToEight, SilentProgrammerGetsEightFramesAndClosedLinkNone) {
  device().faults().silent_opcodes = {GetParam().opcode};
  EXPECT_EQ(GetParam().run(*ctx), CommandStatus::NoReply);
  EXPECT_EQ(FramesOf(GetParam().opcode).size(), 8u);
  EXPECT_EQ(device().wire().Writes().size(), 8u);

  device().wire().Clear();
  ctx->link.MarkUnlinked();
  EXPECT_EQ(GetParam().run(*ctx), CommandStatus::LinkClosed);
  EXPECT_TRUE(device().wire().transfers().empty());
}

INSTANTIATE_TEST_SUITE_P(Commands, UpToEight,
                         ::testing::Values(UpToEightCase{"SetSpiClock", kOpSetSpiClock,
                                                         [](AppContext& c) {
                                                           std::uint8_t reply = 0;
                                                           return SetSpiClock(c.link, 1, reply);
                                                         }},
                                           UpToEightCase{"SetSpiDma", kOpSetSpiDma,
                                                         [](AppContext& c) {
                                                           std::uint8_t reply = 0;
                                                           return SetSpiDma(c.link, 1, reply);
                                                         }},
                                           UpToEightCase{"ScanNandBadBlocks", kOpBadBlockScan,
                                                         [](AppContext& c) {
                                                           return ScanNandBadBlocks(c.link, 0,
                                                                                    c.BadBlocks);
                                                         }}),
                         [](const ::testing::TestParamInfo<UpToEightCase>& info) {
                           return info.param.name;
                         });

// --- bad-block scan ------------------------------------------------------------

class BadBlockScan : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    ctx.link.MarkLinked();
    ctx.BadBlocks.Flags.fill(7);  // "previous values"
  }
  VirtualClock clock;
  RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
};

TEST_F(BadBlockScan, TenBlocksWriteTwoWholeBytesOfFlagsAndResetTheRest) {
  usb.replies = {testing::ReplyFrame(kOpBadBlockScan, {0x00, 0x0A, 0x00, 0x02, 0x40, 0x01})};
  ASSERT_EQ(ScanNandBadBlocks(ctx.link, 1, ctx.BadBlocks), CommandStatus::Ok);
  EXPECT_EQ(usb.writes.at(0), Frame(kOpBadBlockScan, {0x01}));
  EXPECT_EQ(ctx.BadBlocks.BlockCount, 10);
  EXPECT_EQ(ctx.BadBlocks.GoodCount, 8);
  for (std::size_t i = 0; i < 16; ++i) {
    EXPECT_EQ(ctx.BadBlocks.Flags[i], (i == 1 || i == 15) ? 1 : 0) << "flag " << i;
  }
  EXPECT_EQ(ctx.BadBlocks.Flags[16], 0) << "no flag of an earlier chip survives";
}

TEST_F(BadBlockScan, ALongBitmapIsReadToItsEnd) {
  Bytes payload(4 + 1024, 0xFF);
  PutBigEndian16(&payload[0], 8192);
  PutBigEndian16(&payload[2], 8192);
  const Bytes frame = testing::ReplyFrame(kOpBadBlockScan, payload);
  // The first 512 bytes answer the transaction; the rest follows in the pipe.
  usb.replies = {Bytes(frame.begin(), frame.begin() + 512), Bytes(frame.begin() + 512, frame.end())};
  ASSERT_EQ(ScanNandBadBlocks(ctx.link, 0, ctx.BadBlocks), CommandStatus::Ok);
  EXPECT_EQ(ctx.BadBlocks.BlockCount, 8192);
  EXPECT_EQ(ctx.BadBlocks.GoodCount, 0);
  EXPECT_EQ(ctx.BadBlocks.Flags[4015], 1);
  EXPECT_EQ(ctx.BadBlocks.Flags[4016], 1) << "beyond the first read";
  EXPECT_EQ(ctx.BadBlocks.Flags[8191], 1);
}

TEST_F(BadBlockScan, AReplyTooShortForTheCountsLeavesTheTable) {
  ctx.BadBlocks.BlockCount = 5;
  ctx.BadBlocks.GoodCount = 4;
  usb.replies = {testing::ReplyFrame(kOpBadBlockScan, {0x00, 0x0A})};
  EXPECT_EQ(ScanNandBadBlocks(ctx.link, 0, ctx.BadBlocks), CommandStatus::BadLength);
  EXPECT_EQ(ctx.BadBlocks.BlockCount, 5);
  EXPECT_EQ(ctx.BadBlocks.GoodCount, 4);
  EXPECT_EQ(ctx.BadBlocks.Flags[0], 7);
}

TEST_F(ChipCommandsTest, ScanOfTheSimulatedNandFindsItsBadBlocks) {
  StartWithCh1(NandChip(1024, 0x20000, {3, 17, 1000}));
  ASSERT_EQ(ScanNandBadBlocks(ctx->link, 0, ctx->BadBlocks), CommandStatus::Ok);
  EXPECT_EQ(ctx->BadBlocks.BlockCount, 1024);
  EXPECT_EQ(ctx->BadBlocks.GoodCount, 1021);
  std::vector<std::uint32_t> bad;
  for (std::uint32_t i = 0; i < kBadBlockFlagCount; ++i) {
    if (ctx->BadBlocks.Flags[i]) bad.push_back(i);
  }
  EXPECT_EQ(bad, (std::vector<std::uint32_t>{3, 17, 1000}));
}

// --- socket poll ---------------------------------------------------------------

TEST_F(ChipCommandsTest, PollNotesANewChipOnce) {
  Prj_Info_Struct& chip = ctx->CurrentPrj;

  PollSockets(ctx->link, chip);
  EXPECT_EQ(chip.SocketState1, kSocketChipPresent);
  EXPECT_EQ(chip.ChipInserted1, 1);
  EXPECT_EQ(chip.SocketState2, kSocketEmpty);
  EXPECT_EQ(chip.ChipInserted2, 0);

  chip.ChipInserted1 = 0;  // mass production used the chip
  PollSockets(ctx->link, chip);
  EXPECT_EQ(chip.ChipInserted1, 0) << "the same chip is not new on the next poll";
  EXPECT_EQ(FramesOf(kOpSocketStatus).size(), 2u);

  device().socket(0).Remove();
  chip.ChipInserted1 = 1;
  PollSockets(ctx->link, chip);
  EXPECT_EQ(chip.SocketState1, kSocketEmpty);
  EXPECT_EQ(chip.ChipInserted1, 0);

  device().socket(0).Insert(*sim::DefaultSimulatorConfig().sockets[0]);
  PollSockets(ctx->link, chip);
  EXPECT_EQ(chip.ChipInserted1, 1) << "a chip put back in is new again";

  device().faults().silent_opcodes = {kOpSocketStatus};
  PollSockets(ctx->link, chip);
  EXPECT_EQ(chip.SocketState1, kSocketEmpty) << "an unanswered poll counts as empty sockets";
  EXPECT_EQ(chip.ChipInserted1, 0);

  // A poll from an event handled while a transfer waits is refused and
  // must not be taken for "no chip".
  device().faults().silent_opcodes.clear();
  PollSockets(ctx->link, chip);
  ASSERT_EQ(chip.ChipInserted1, 1);
  panel.on_pump = [&] { PollSockets(ctx->link, chip); };
  ctx->link.WaitTicks(1);
  panel.on_pump = nullptr;
  EXPECT_EQ(chip.SocketState1, kSocketChipPresent);
  EXPECT_EQ(chip.ChipInserted1, 1);
}

// --- bulk streams ----------------------------------------------------------------

struct BulkCase {
  const char* name;
  std::size_t chunk;
  std::size_t shortfall;
  std::size_t length;
  bool complete;
  std::size_t reads;
  std::size_t arrived;
};
void PrintTo(const BulkCase& c, std::ostream* os) { *os << c.name; }

class BulkRead : public ChipCommandsTest, public ::testing::WithParamInterface<BulkCase> {};

TEST_P(BulkRead, TopsUpAShortBlockAtMostThreeTimes) {
  const BulkCase& c = GetParam();
  const Bytes contents = Pattern(8192, 5);
  device().socket(0).memory().Program(0, contents);
  device().faults().bulk_read_chunk = c.chunk;
  device().faults().bulk_read_shortfall = c.shortfall;

  ASSERT_EQ(StartBulkRead(ctx->link, 0, ChipTypeId::Flash25, 0x100, 0x800000,
                          static_cast<std::uint16_t>(c.length)),
            LinkStatus::Ok);
  EXPECT_EQ(device().wire().Writes().at(0),
            Frame(kOpBulkRead, SetupPayload(0, kFlash25, 0x100, 0x800000,
                                            static_cast<std::uint16_t>(c.length))));
  Bytes block(c.length);
  EXPECT_EQ(ReadBulkBlock(ctx->link, block), c.complete);
  EXPECT_EQ(device().wire().Reads().size(), c.reads);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + c.arrived),
            Bytes(contents.begin() + 0x100, contents.begin() + 0x100 + c.arrived));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BulkRead,
    ::testing::Values(BulkCase{"WholeBlockInOneRead", 0, 0, 4096, true, 1, 4096},
                      BulkCase{"FourPiecesMakeTheBlock", 1024, 0, 4096, true, 4, 4096},
                      BulkCase{"FourShortPiecesAreNotEnough", 1000, 0, 4096, false, 4, 4000},
                      BulkCase{"StreamEndingEarly", 0, 96, 4096, false, 4, 4000}),
    [](const ::testing::TestParamInfo<BulkCase>& info) { return info.param.name; });

TEST_F(ChipCommandsTest, BulkWriteSetUpThenRawBlocksReachTheChip) {
  const std::uint64_t before = clock.NowMicroseconds();
  ASSERT_EQ(StartBulkWrite(ctx->link, 0, ChipTypeId::Flash25, 0x1000, 1500, 1024), LinkStatus::Ok);
  EXPECT_EQ(clock.NowMicroseconds() - before, 100'000u);
  EXPECT_EQ(device().wire().Writes().at(0),
            Frame(kOpDataWrite, SetupPayload(0, kFlash25, 0x1000, 1500, 1024)));
  EXPECT_TRUE(device().wire().Reads().empty()) << "nothing is read back";

  Bytes data = Pattern(2048, 9);
  std::fill(data.begin() + 1500, data.end(), 0xFF);
  ASSERT_EQ(ctx->link.WriteRaw(std::span(data).first(1024)), 1024u);
  ASSERT_EQ(ctx->link.WriteRaw(std::span(data).subspan(1024)), 1024u);
  EXPECT_EQ(ChipBytes(0, 0x1000, 1500), Bytes(data.begin(), data.begin() + 1500));
}

}  // namespace
}  // namespace tessary
