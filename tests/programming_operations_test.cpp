// The programming operations against the simulated programmer on virtual
// time: what reached the chip, the log lines and their colours, the
// counters, and the faults a production bench meets.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/device_connection.h"
#include "app/operation_handlers.h"
#include "operations/chip_commands.h"
#include "operations/production_record.h"
#include "operations/programming.h"
#include "support/scripted_link.h"
#include "support/sim_context.h"

namespace tessary {
namespace {

using testing::Bytes;
using testing::SimContext;

constexpr std::uint32_t kChip = 64 * 1024;

Bytes Pattern(std::size_t length, std::uint8_t seed = 3) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
  return bytes;
}

sim::ChipConfig Flash(std::uint32_t size = kChip) {
  sim::ChipConfig chip;
  chip.id_code = 0xEF4010;
  chip.capacity = size;
  chip.cells = sim::CellKind::Flash;
  return chip;
}

class Operations : public ::testing::Test {
 protected:
  void Start(sim::SimulatorConfig config) {
    sim = std::make_unique<SimContext>(std::move(config));
    ASSERT_TRUE(sim->Connect());
    sim->ctx.RecordFile = record;
    sim->clock.SetTimeOfDay(8, 0, 0);
  }
  void StartWith(const sim::ChipConfig& ch1, std::optional<sim::ChipConfig> ch2 = std::nullopt) {
    sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
    config.sockets = {ch1, ch2};
    Start(config);
  }
  void TearDown() override { std::filesystem::remove(record); }

  AppContext& ctx() { return sim->ctx; }
  // Removal notices reach the connection between blocks, as in the window.
  void FollowRemoval() {
    sim->usb.SetPresenceHandler([this](PresenceEvent event) {
      if (event == PresenceEvent::Removed) OnProgrammerRemoved(sim->ctx);
    });
    sim->panel.on_pump = [this] { sim->usb.ServiceEvents(); };
  }
  sim::SimulatedProgrammer& device() { return sim->programmer(); }

  void Select(ChipTypeId type, std::uint32_t size, std::uint16_t page = 256,
              std::uint32_t block = 0x10000) {
    Prj_Info_Struct& chip = ctx().CurrentPrj;
    chip.ChipType = type;
    chip.ChipSize = size;
    chip.PageSize = page;
    chip.BlockSize = block;
    chip.ChipName = "TEST";
    static_cast<void>(SendChipParameters(ctx().link, chip));
  }
  void Load(const Bytes& data, std::size_t buffer_size) {
    ctx().RamFile.Data.assign(buffer_size, 0xFF);
    std::copy(data.begin(), data.end(), ctx().RamFile.Data.begin());
    ctx().RamFile.DataLen = static_cast<std::uint32_t>(data.size());
  }
  Bytes ChipBytes(int socket, std::uint32_t address, std::size_t length) {
    Bytes out(length);
    device().socket(socket).memory().Read(address, out);
    return out;
  }
  std::vector<std::pair<std::string, LogColour>> Log() const {
    std::vector<std::pair<std::string, LogColour>> lines;
    for (const LogEntry& line : sim->ctx.log.Lines()) lines.emplace_back(line.text, line.colour);
    return lines;
  }
  bool Logged(const std::string& text, LogColour colour) const {
    for (const auto& [line, c] : Log()) {
      if (c == colour && line.find(text) != std::string::npos) return true;
    }
    return false;
  }
  bool AnyLine(LogColour colour) const {
    for (const auto& line : Log()) {
      if (line.second == colour) return true;
    }
    return false;
  }

  std::filesystem::path record =
      std::filesystem::temp_directory_path() /
      ("tessary-record-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
       ".csv");
  std::unique_ptr<SimContext> sim;
};

TEST_F(Operations, WriteThenVerifyPutsTheFileOnTheChipWithGreenLines) {
  StartWith(Flash());
  Select(ChipTypeId::Flash25, kChip);
  const Bytes data = Pattern(10000);
  Load(data, kChip);

  ASSERT_EQ(RunWrite(ctx()), OperationResult::Ok);
  EXPECT_EQ(ChipBytes(0, 0, data.size()), data);
  EXPECT_TRUE(Logged("CH1 写入成功.共耗时", LogColour::Success));
  EXPECT_TRUE(Logged("请使用效验功能检查数据写入是否正确！", LogColour::Highlight));

  ASSERT_EQ(RunVerify(ctx()), OperationResult::Ok);
  EXPECT_TRUE(Logged("CH1 校验芯片，成功！共耗时", LogColour::Success));
  EXPECT_FALSE(AnyLine(LogColour::Error));
  EXPECT_EQ(sim->panel.bars[ProgressBar::Chip1].position, 10000);
  EXPECT_EQ(device().status_indications().front(), kStatusStart);
}

TEST_F(Operations, EraseOfAFlashChipPollsAndBlanksIt) {
  StartWith(Flash());
  device().socket(0).memory().Program(0, Pattern(kChip));
  Select(ChipTypeId::Flash25, kChip);
  Load({}, kChip);
  ASSERT_EQ(RunErase(ctx()), OperationResult::Ok);
  EXPECT_EQ(ChipBytes(0, 0, kChip), Bytes(kChip, 0xFF));
  EXPECT_TRUE(Logged("CH1 擦除成功.共耗时", LogColour::Success));
  ctx().RamFile.DataLen = kChip;
  EXPECT_EQ(RunBlankCheck(ctx()), OperationResult::Ok);
  EXPECT_TRUE(Logged("CH1 该芯片是空的", LogColour::Success));
}

TEST_F(Operations, AnEraseThatNeverFinishesFailsAfterAHundredPollsInRed) {
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.faults.erase_never_finishes = true;
  Start(config);
  Select(ChipTypeId::Flash25, 8 << 20);
  const std::uint64_t before = sim->clock.NowMicroseconds();
  EXPECT_EQ(RunErase(ctx()), OperationResult::Failed);
  const std::uint64_t spent = sim->clock.NowMicroseconds() - before;
  EXPECT_GE(spent, 200'000'000u);
  EXPECT_LT(spent, 205'000'000u);
  EXPECT_TRUE(Logged("CH1 擦除错误！请先选择芯片型号！", LogColour::Error))
      << "a failed erase is red, never green";
  EXPECT_FALSE(AnyLine(LogColour::Success));
}

TEST_F(Operations, StopDuringAChipEraseLetsItFinishAndReportsStopped) {
  Start(sim::DefaultSimulatorConfig());
  Select(ChipTypeId::Flash25, 8 << 20);
  bool pressed = false;
  sim->panel.on_pump = [&] {
    if (!pressed && device().wire().CountFrames(kOpChipErase) >= 2) {
      pressed = true;
      RequestStop(ctx());
    }
  };
  EXPECT_EQ(RunErase(ctx()), OperationResult::Stopped);
  sim->panel.on_pump = nullptr;
  int notices = 0;
  for (const auto& [line, colour] : Log()) {
    if (line.find(kTextEraseFinishesFirst) != std::string::npos) ++notices;
  }
  EXPECT_EQ(notices, 1);
  EXPECT_TRUE(Logged("CH1 擦除错误！请先选择芯片型号！", LogColour::Error));
  EXPECT_EQ(ctx().CurrentPrj.StopRequest, 0);
}

TEST_F(Operations, AnUnplugDuringAWriteFailsWithTheOfflineLine) {
  StartWith(Flash());
  Select(ChipTypeId::Flash25, kChip);
  Load(Pattern(kChip), kChip);
  device().faults().unplug_after_transfers = 12;
  FollowRemoval();
  EXPECT_EQ(RunWrite(ctx()), OperationResult::Failed);
  EXPECT_FALSE(Logged("写入成功", LogColour::Success));
  EXPECT_TRUE(AnyLine(LogColour::Error));
}

TEST_F(Operations, NandDataThatNoLongerFitsInTheGoodBlocksStopsInRed) {
  sim::ChipConfig nand;
  nand.id_code = 0xEFAA21;
  nand.capacity = 4 * 2048;
  nand.page_size = 2048;
  nand.block_size = 2048;
  nand.bad_blocks = {1};
  StartWith(nand);
  Select(ChipTypeId::NandFlash, 4 * 2048, 2048, 2048);
  Load(Pattern(4 * 2048), 4 * 2048);
  EXPECT_EQ(RunWrite(ctx()), OperationResult::Failed);
  EXPECT_TRUE(Logged(ctx().Texts.LogNoRoomForData, LogColour::Error));
  for (const Bytes& write : device().wire().Writes()) {
    if (write.size() > 12 && write[1] == kOpDataWrite) {
      EXPECT_LT(GetBigEndian32(&write[8]), 4u * 2048) << "no block beyond the chip";
    }
  }
}

TEST_F(Operations, AReadWithShortBlocksIsAFailureThatKeepsWhatArrived) {
  StartWith(Flash());
  device().socket(0).memory().Program(0, Pattern(kChip));
  Select(ChipTypeId::Flash25, kChip);
  device().faults().bulk_read_shortfall = 16;
  EXPECT_EQ(RunRead(ctx()), OperationResult::Failed);
  EXPECT_TRUE(Logged("读取错误，请重试！", LogColour::Error));
  EXPECT_FALSE(Logged("读取芯片，成功", LogColour::Success));
  EXPECT_EQ(ctx().RamFile.DataLen, kChip);
  const Bytes contents = Pattern(kChip);
  EXPECT_EQ(Bytes(ctx().RamFile.Data.begin(), ctx().RamFile.Data.begin() + 100),
            Bytes(contents.begin(), contents.begin() + 100));

  device().faults().bulk_read_shortfall = 0;
  EXPECT_EQ(RunRead(ctx()), OperationResult::Ok);
  EXPECT_EQ(ctx().RamFile.Data, Pattern(kChip));
}

TEST_F(Operations, AVerifyMismatchNamesItsOffsetAfterSixReadings) {
  sim::ChipConfig chip = Flash();
  chip.stuck_bits = {{0x1003, 0x01, false}};
  StartWith(chip);
  Select(ChipTypeId::Flash25, kChip);
  Load(Bytes(kChip, 0xFF), kChip);
  ASSERT_EQ(RunWrite(ctx()), OperationResult::Ok);
  device().wire().Clear();
  EXPECT_EQ(RunVerify(ctx()), OperationResult::Failed);
  ASSERT_EQ(sim->panel.messages.size(), 1u);
  EXPECT_EQ(sim->panel.messages[0].text, "00001000");
  EXPECT_EQ(device().wire().CountFrames(kOpBulkRead), 1u + 6u) << "block 0, then block 1 six times";
  EXPECT_TRUE(Logged("CH1 校验错误，请重试！", LogColour::Error));
}

TEST_F(Operations, BlankCheckExaminesOnlyTheLoadedLength) {
  sim::ChipConfig chip = Flash(4096);
  StartWith(chip);
  device().socket(0).memory().Program(2048, Bytes(16, 0x00));
  Select(ChipTypeId::Flash25, 4096);
  Load(Pattern(1024), 4096);
  EXPECT_EQ(RunBlankCheck(ctx()), OperationResult::Ok);
  ctx().RamFile.DataLen = 4096;
  EXPECT_EQ(RunBlankCheck(ctx()), OperationResult::Failed);
  EXPECT_TRUE(Logged("CH1 该芯片不是空的，请擦除后再写入.", LogColour::Error));
}

TEST_F(Operations, OverwritingWithoutEraseFailsOnFlashAndPassesOnEeprom) {
  for (const sim::CellKind kind : {sim::CellKind::Flash, sim::CellKind::Eeprom}) {
    sim::ChipConfig chip = Flash(4096);
    chip.cells = kind;
    StartWith(chip);
    const ChipTypeId type = kind == sim::CellKind::Flash ? ChipTypeId::Flash25 : ChipTypeId::Eeprom25;
    Select(type, 4096, 32);
    Load(Pattern(4096, 1), 4096);
    ASSERT_EQ(RunWrite(ctx()), OperationResult::Ok);
    Load(Pattern(4096, 2), 4096);
    ASSERT_EQ(RunWrite(ctx()), OperationResult::Ok);
    EXPECT_EQ(RunVerify(ctx()),
              kind == sim::CellKind::Flash ? OperationResult::Failed : OperationResult::Ok);
  }
}

TEST_F(Operations, AnOperationAskedForWhileOneRunsIsRefused) {
  StartWith(Flash());
  Select(ChipTypeId::Flash25, kChip);
  Load(Pattern(kChip), kChip);
  std::vector<OperationResult> nested;
  sim->panel.on_pump = [&] {
    if (nested.empty()) nested.push_back(RunErase(ctx()));
  };
  EXPECT_EQ(RunWrite(ctx()), OperationResult::Ok);
  sim->panel.on_pump = nullptr;
  ASSERT_EQ(nested.size(), 1u);
  EXPECT_EQ(nested[0], OperationResult::Failed);
  EXPECT_TRUE(Logged(ctx().Texts.LogOperationRunning, LogColour::Error));
  EXPECT_EQ(ChipBytes(0, 0, kChip), Pattern(kChip)) << "the write was not disturbed";
}

// --- auto sequence ---------------------------------------------------------------

struct AutoCase {
  const char* name;
  bool dual;
  bool erase_fails;
  int good;
  int bad;
};
void PrintTo(const AutoCase& c, std::ostream* os) { *os << c.name; }

class AutoSequence : public Operations, public ::testing::WithParamInterface<AutoCase> {};

TEST_P(AutoSequence, CountsEveryChip) {
  const AutoCase& c = GetParam();
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.sockets = {Flash(), Flash()};
  config.faults.erase_never_finishes = c.erase_fails;
  Start(config);
  Select(ChipTypeId::Flash25, kChip);
  Load(Pattern(5000), kChip);
  ctx().Window.SocketTypeIndex = c.dual ? 1 : 0;
  ctx().CurrentPrj.OprErase = ctx().CurrentPrj.OprWrite = ctx().CurrentPrj.OprVerify = 1;

  const AutoOutcome outcome = RunAutoSequence(ctx());
  EXPECT_TRUE(outcome.ran);
  EXPECT_EQ(outcome.good, c.good);
  EXPECT_EQ(outcome.bad, c.bad);
  EXPECT_EQ(ctx().DeviceInfo.SucCount, c.good);
  EXPECT_EQ(ctx().DeviceInfo.FalCount, c.bad);
  EXPECT_EQ(ctx().Window.ResultText,
            "Suc:" + std::to_string(c.good) + "  Fal:" + std::to_string(c.bad));
  if (c.erase_fails) EXPECT_TRUE(device().wire().CountFrames(kOpDataWrite) == 0) << "no write";

  std::ifstream in(record);
  std::string header, row;
  std::getline(in, header);
  std::getline(in, row);
  EXPECT_EQ(header, kProductionRecordHeader);
  EXPECT_NE(row.find(",TEST,"), std::string::npos) << row;
  EXPECT_NE(row.find("erase+write+verify"), std::string::npos) << row;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, AutoSequence,
    ::testing::Values(AutoCase{"OneSocketGood", false, false, 1, 0},
                      AutoCase{"DualGoodCountsTwoChips", true, false, 2, 0},
                      AutoCase{"DualEraseFailureCountsTwoBad", true, true, 0, 2}),
    [](const ::testing::TestParamInfo<AutoCase>& info) { return info.param.name; });

// A record that cannot be written is a red line naming the file, in the
// window's language; the run itself still counts.
TEST_F(Operations, UnwritableProductionRecordIsReportedInTheWindowsLanguage) {
  StartWith(Flash());
  Select(ChipTypeId::Flash25, kChip);
  Load(Pattern(5000), kChip);
  ctx().CurrentPrj.OprErase = ctx().CurrentPrj.OprWrite = 1;
  {
    std::ofstream not_a_folder(record);
  }
  const std::filesystem::path inside_a_file = record / "record.csv";
  ctx().RecordFile = inside_a_file;

  const AutoOutcome outcome = RunAutoSequence(ctx());
  EXPECT_EQ(outcome.good, 1);
  EXPECT_TRUE(Logged("生产记录写入失败，文件：" + inside_a_file.string(), LogColour::Error));
}

// --- mass production -------------------------------------------------------------

TEST_F(Operations, MassProductionProgramsThreeChipsPutInOneAfterAnother) {
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.sockets = {std::nullopt, std::nullopt};
  const sim::ChipConfig chip = Flash(4096);
  config.socket_events[0] = {{1000, chip}, {20000, std::nullopt}, {25000, chip},
                             {45000, std::nullopt}, {50000, chip}};
  Start(config);
  Select(ChipTypeId::Flash25, 4096);
  Load(Pattern(4096), 4096);
  ctx().CurrentPrj.OprErase = ctx().CurrentPrj.OprWrite = ctx().CurrentPrj.OprVerify = 1;

  ToggleMassProduction(ctx());
  ASSERT_TRUE(ctx().Window.MassRunning);
  EXPECT_TRUE(ctx().Window.ProgramControlsLocked);
  // The two timers, on virtual time.
  std::uint64_t next_check = sim->clock.NowMicroseconds();
  while (ctx().Window.MassRunning && sim->clock.NowMicroseconds() < 200'000'000u) {
    if (sim->clock.NowMicroseconds() >= next_check) {
      MarkSocketPollDue(ctx());
      next_check += 2'000'000;
    }
    sim->clock.SleepFor(100'000);
    if (ctx().Window.TimMassEnabled) MassProductionStep(ctx());
  }
  EXPECT_FALSE(ctx().Window.MassRunning) << "stopped itself after 30 s without a chip";
  EXPECT_EQ(ctx().Window.ResultText, "Suc:3  Fal:0");
  EXPECT_TRUE(Logged("30秒内没有检测到新拍呢", LogColour::Highlight));
  EXPECT_FALSE(ctx().Window.ProgramControlsLocked);
}

TEST_F(Operations, LosingTheProgrammerDuringAnAutoRunNeverCountsAGoodChip) {
  StartWith(Flash());
  Select(ChipTypeId::Flash25, kChip);
  Load(Pattern(kChip), kChip);
  ctx().CurrentPrj.OprWrite = ctx().CurrentPrj.OprVerify = 1;
  device().faults().unplug_after_transfers = 40;
  FollowRemoval();
  const AutoOutcome outcome = RunAutoSequence(ctx());
  EXPECT_EQ(outcome.good, 0);
  EXPECT_EQ(ctx().DeviceInfo.SucCount, 0);
  EXPECT_TRUE(ctx().Window.AutoButtonEnabled);
}

}  // namespace
}  // namespace tessary
