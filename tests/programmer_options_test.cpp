// The programmer options of the main window against the simulated
// programmer: socket mode evaluation and socket check, SPI clock items and
// their query, SPI DMA, the NAND bad-block scan and the skip option.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "operations/chip_commands.h"
#include "app/programmer_options.h"
#include "sim/simulated_link.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

using testing::Bytes;
using testing::RecordingPanel;

// Command and reply frames share one layout.
Bytes Frame(std::uint8_t opcode, const Bytes& payload) {
  return testing::ReplyFrame(opcode, payload);
}

sim::ChipConfig Flash() { return *sim::DefaultSimulatorConfig().sockets[0]; }

sim::ChipConfig Nand(std::vector<std::uint32_t> bad = {}) {
  sim::ChipConfig chip;
  chip.id_code = 0xEFAA21;
  chip.capacity = 1024u * 0x20000u;
  chip.page_size = 2048;
  chip.block_size = 0x20000;
  chip.bad_blocks = std::move(bad);
  return chip;
}

class ProgrammerOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(sim::DefaultSimulatorConfig()); }

  void Start(sim::SimulatorConfig config) {
    ctx.reset();
    usb = std::make_unique<sim::SimulatedLink>(std::move(config), clock);
    ctx = std::make_unique<AppContext>(clock, panel, *usb);
    ASSERT_TRUE(ctx->link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    ctx->link.MarkLinked();
    clock.SetTimeOfDay(14, 30, 0);
  }
  void StartWithSockets(std::optional<sim::ChipConfig> ch1, std::optional<sim::ChipConfig> ch2) {
    sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
    config.sockets = {std::move(ch1), std::move(ch2)};
    Start(config);
  }
  void SelectNand() {
    Prj_Info_Struct& chip = ctx->CurrentPrj;
    chip.ChipType = ChipTypeId::NandFlash;
    chip.ChipSize = 1024u * 0x20000u;
    chip.PageSize = 2048;
    chip.BlockSize = 0x20000;
  }

  sim::SimulatedProgrammer& device() { return usb->programmer(); }
  std::size_t FrameCount(std::uint8_t opcode) { return device().wire().CountFrames(opcode); }
  std::vector<std::pair<std::string, LogColour>> Log() const {
    std::vector<std::pair<std::string, LogColour>> lines;
    for (const LogEntry& line : ctx->log.Lines()) lines.emplace_back(line.text, line.colour);
    return lines;
  }
  bool BarVisible(ProgressBar bar) { return panel.bars[bar].visible; }

  VirtualClock clock;
  RecordingPanel panel;
  std::unique_ptr<sim::SimulatedLink> usb;
  std::unique_ptr<AppContext> ctx;
};

// --- socket mode ---------------------------------------------------------------

struct SocketCase {
  const char* name;
  int mode;
  bool ch1;
  bool ch2;
  std::uint8_t selector;
  bool bar1;
  bool bar2;
  SocketPinout pinout;
  bool ready;  // CheckSockets' verdict
  const char* refusal;
};
void PrintTo(const SocketCase& c, std::ostream* os) { *os << c.name; }

class SocketMode : public ProgrammerOptionsTest,
                   public ::testing::WithParamInterface<SocketCase> {};

TEST_P(SocketMode, ChoosesTheChannelBarsAndPicture) {
  const SocketCase& c = GetParam();
  StartWithSockets(c.ch1 ? std::optional(Flash()) : std::nullopt,
                   c.ch2 ? std::optional(Flash()) : std::nullopt);
  ctx->Window.SocketTypeIndex = c.mode;
  ctx->CurrentPrj.ChipType = ChipTypeId::Flash25;

  rgbSocketTypeClick(*ctx);
  EXPECT_EQ(ctx->CurrentPrj.ChannelSelector, c.selector);
  EXPECT_EQ(BarVisible(ProgressBar::Chip1), c.bar1);
  EXPECT_EQ(BarVisible(ProgressBar::Chip2), c.bar2);
  EXPECT_EQ(ctx->Window.Pinout, c.pinout);
  EXPECT_EQ(ctx->CurrentPrj.SocketState1, c.ch1 ? kSocketChipPresent : kSocketEmpty);
  EXPECT_EQ(ctx->CurrentPrj.SocketState2, c.ch2 ? kSocketChipPresent : kSocketEmpty);
  EXPECT_TRUE(ctx->log.Lines().empty()) << "the evaluation itself logs nothing";
  EXPECT_GT(panel.window_state_changes, 0);
  EXPECT_EQ(device().wire().Writes().at(0), Frame(kOpSocketStatus, {1})) << "carries the chip type";

  EXPECT_EQ(CheckSockets(*ctx), c.ready);
  if (c.ready) {
    EXPECT_TRUE(ctx->log.Lines().empty());
  } else {
    EXPECT_EQ(Log(), (std::vector<std::pair<std::string, LogColour>>{
                         {std::string("14:30:00 ") + c.refusal, LogColour::Error}}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sockets, SocketMode,
    ::testing::Values(
        SocketCase{"SingleBothHoldChipsUsesCh1", 0, true, true, 0, true, false,
                   SocketPinout::Standard, true, ""},
        SocketCase{"SingleOnlyCh2", 0, false, true, 1, false, true, SocketPinout::Pinout10, true,
                   ""},
        SocketCase{"SingleNoChipFallsBackToCh1", 0, false, false, 0, true, false,
                   SocketPinout::Standard, false, "没有芯片放入，请确认！"},
        SocketCase{"DualBoth", 1, true, true, 2, true, true, SocketPinout::Pinout20, true, ""},
        SocketCase{"DualOneEmpty", 1, true, false, 2, true, true, SocketPinout::Pinout20, false,
                   "只检测到一个通道中有芯片，请确认！或者切换到普通模式烧录！"},
        SocketCase{"DualNone", 1, false, false, 2, true, true, SocketPinout::Pinout20, false,
                   "没有芯片放入，请确认！"}),
    [](const ::testing::TestParamInfo<SocketCase>& info) { return info.param.name; });

TEST_F(ProgrammerOptionsTest, UnansweredSocketQueryCountsAsNoChip) {
  device().faults().silent_opcodes = {kOpSocketStatus};
  ctx->CurrentPrj.SocketState1 = kSocketChipPresent;
  rgbSocketTypeClick(*ctx);
  EXPECT_EQ(ctx->CurrentPrj.SocketState1, kSocketEmpty);
  EXPECT_EQ(ctx->CurrentPrj.SocketState2, kSocketEmpty);
  EXPECT_EQ(ctx->CurrentPrj.ChannelSelector, kChannelCh1);
  EXPECT_EQ(FrameCount(kOpSocketStatus), 1u) << "a single try";
}

// --- SPI clock -------------------------------------------------------------------

class SpiClockItems : public ProgrammerOptionsTest,
                      public ::testing::WithParamInterface<SpiClockItem> {};

TEST_P(SpiClockItems, SetTheClockLogAndTick) {
  const SpiClockItem item = GetParam();
  using Handler = bool (*)(AppContext&);
  const Handler handlers[] = {N18MHz1Click, N9MHz1Click, N45MHz1Click, N225MHzClick,
                              N1125MHz1Click};
  const Handler handler = handlers[item.code - 1];
  ctx->Window.SpiClockTicked = item.code == 5 ? 4 : 5;

  EXPECT_TRUE(handler(*ctx));
  EXPECT_EQ(device().wire().Writes().at(0), Frame(kOpSetSpiClock, {item.code}));
  EXPECT_EQ(device().spi_clock_code(), item.code);
  EXPECT_EQ(ctx->Window.SpiClockTicked, item.code);
  EXPECT_EQ(Log(), (std::vector<std::pair<std::string, LogColour>>{
                       {"14:30:00 Change SPI Speed to " + std::string(item.caption) + ": Success.",
                        LogColour::Highlight}}));

  // A programmer that stops answering: failure text, tick unchanged.
  device().faults().silent_opcodes = {kOpSetSpiClock};
  const std::uint8_t other = item.code == 1 ? 2 : 1;
  EXPECT_FALSE(handlers[other - 1](*ctx));
  EXPECT_EQ(ctx->Window.SpiClockTicked, item.code);
  EXPECT_EQ(ctx->log.Lines().back().text.substr(9),
            "Change SPI Speed to " + std::string(SpiClockItemOf(other)->caption) + ": ERROR!");
}

INSTANTIATE_TEST_SUITE_P(Items, SpiClockItems, ::testing::ValuesIn(kSpiClockItems),
                         [](const ::testing::TestParamInfo<SpiClockItem>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ProgrammerOptionsTest, SpiClockFrameFor18MHz) {
  ASSERT_TRUE(N18MHz1Click(*ctx));
  EXPECT_EQ(device().wire().Writes().at(0),
            (Bytes{0x02, 0x3A, 0x00, 0x01, 0x00, 0x01, 0x01, 0xED, 0xC4}));
}

TEST_F(ProgrammerOptionsTest, OpeningTheSpiMenuTicksWhatTheProgrammerReports) {
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.spi_clock_code = 4;
  Start(config);
  ctx->Window.SpiClockTicked = 1;
  mnProgChangeSPISpeedClick(*ctx);
  EXPECT_EQ(ctx->Window.SpiClockTicked, 4);
  EXPECT_EQ(device().wire().Writes().at(0)[6], kSpiClockQuery);
  EXPECT_EQ(device().spi_clock_code(), 4) << "the query changes nothing";
  EXPECT_TRUE(ctx->log.Lines().empty());

  ctx->Window.SpiClockTicked = 1;
  ctx->link.MarkUnlinked();
  device().wire().Clear();
  mnProgChangeSPISpeedClick(*ctx);
  EXPECT_EQ(ctx->Window.SpiClockTicked, kDefaultSpiClockCode) << "not linked: 9MHz";
  EXPECT_TRUE(device().wire().transfers().empty());
  EXPECT_TRUE(ctx->log.Lines().empty());
}

TEST_F(ProgrammerOptionsTest, AnUnknownClockReplyTicks9MHz) {
  testing::ScriptedLink scripted(clock);
  AppContext scripted_ctx(clock, panel, scripted);
  ASSERT_TRUE(scripted_ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
  scripted_ctx.link.MarkLinked();
  scripted_ctx.Window.SpiClockTicked = 5;
  scripted.replies = {testing::ReplyFrame(kOpSetSpiClock, {7})};
  mnProgChangeSPISpeedClick(scripted_ctx);
  EXPECT_EQ(scripted_ctx.Window.SpiClockTicked, kDefaultSpiClockCode);
}

// --- SPI DMA ---------------------------------------------------------------------

TEST_F(ProgrammerOptionsTest, DmaItemsSwitchTheProgrammerAndTheTicks) {
  ASSERT_TRUE(mnDMADisableClick(*ctx));
  EXPECT_FALSE(device().spi_dma());
  EXPECT_FALSE(ctx->Window.SpiDmaEnableTicked);
  ASSERT_TRUE(mnDMAEnableClick(*ctx));
  EXPECT_TRUE(device().spi_dma());
  EXPECT_TRUE(ctx->Window.SpiDmaEnableTicked);
  EXPECT_EQ(device().wire().Writes().back(), Frame(kOpSetSpiDma, {1}));
  EXPECT_EQ(Log(), (std::vector<std::pair<std::string, LogColour>>{
                       {"14:30:00 Stop the SPI hardware acceleration.", LogColour::Highlight},
                       {"14:30:00 Start the SPI hardware acceleration.", LogColour::Highlight}}));

  device().faults().silent_opcodes = {kOpSetSpiDma};
  EXPECT_FALSE(mnDMADisableClick(*ctx));
  EXPECT_TRUE(ctx->Window.SpiDmaEnableTicked);
  EXPECT_EQ(ctx->log.Lines().back().text, "14:30:16 Stop the SPI hardware acceleration: ERROR!")
      << "after eight silent tries";
}

TEST_F(ProgrammerOptionsTest, DmaEnableAnsweredWithZeroIsAFailure) {
  testing::ScriptedLink scripted(clock);
  AppContext scripted_ctx(clock, panel, scripted);
  ASSERT_TRUE(scripted_ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
  scripted_ctx.link.MarkLinked();
  scripted_ctx.Window.SpiDmaEnableTicked = false;
  scripted.replies = {testing::ReplyFrame(kOpSetSpiDma, {0})};
  EXPECT_FALSE(mnDMAEnableClick(scripted_ctx));
  EXPECT_FALSE(scripted_ctx.Window.SpiDmaEnableTicked);
  ASSERT_EQ(scripted_ctx.log.Lines().size(), 1u);
  EXPECT_EQ(scripted_ctx.log.Lines()[0].text,
            "14:30:00 Start the SPI hardware acceleration: ERROR!");
}

// --- NAND options ----------------------------------------------------------------

TEST_F(ProgrammerOptionsTest, BadBlockScanLogsTheCountsAndFillsTheTable) {
  StartWithSockets(Nand({3, 17, 1000}), std::nullopt);
  SelectNand();
  EXPECT_EQ(mmBlockInitClick(*ctx), BlockInitOutcome::Scanned);
  EXPECT_EQ(Log(), (std::vector<std::pair<std::string, LogColour>>{
                       {"14:30:00 CH1 Nand Flash 坏块信息初始化...", LogColour::Highlight},
                       {"14:30:00  Nand Flash的总Block数为 1024 其中，可以正常使用的Block数为 1021",
                        LogColour::Highlight}}));
  EXPECT_EQ(ctx->BadBlocks.BlockCount, 1024);
  EXPECT_EQ(ctx->BadBlocks.GoodCount, 1021);
  EXPECT_EQ(ctx->BadBlocks.Flags[17], 1);
  EXPECT_EQ(ctx->BadBlocks.Flags[18], 0);
  EXPECT_EQ(FrameCount(kOpSocketStatus), 1u) << "the socket mode is evaluated first";
  EXPECT_EQ(device().wire().Writes().back(), Frame(kOpBadBlockScan, {0}));
}

TEST_F(ProgrammerOptionsTest, BadBlockScanInDualModeScansBothChannels) {
  StartWithSockets(Nand({5}), Nand({9}));
  SelectNand();
  ctx->Window.SocketTypeIndex = kSocketModeDual;
  EXPECT_EQ(mmBlockInitClick(*ctx), BlockInitOutcome::Scanned);
  EXPECT_EQ(ctx->log.Lines().at(0).text, "14:30:00 CH1 & CH2 Nand Flash 坏块信息初始化...");
  EXPECT_EQ(device().wire().Writes().back(), Frame(kOpBadBlockScan, {2}));
  EXPECT_EQ(ctx->BadBlocks.GoodCount, 1022);
}

TEST_F(ProgrammerOptionsTest, BadBlockScanStopsEarlyForEachPrecondition) {
  // Not linked: the offline line only.
  ctx->link.MarkUnlinked();
  EXPECT_EQ(mmBlockInitClick(*ctx), BlockInitOutcome::Offline);
  EXPECT_EQ(
      Log(),
      (std::vector<std::pair<std::string, LogColour>>{{"14:30:00 设备离线", LogColour::Error}}));
  ctx->link.MarkLinked();
  ctx->log.Clear();

  // A chip that is not NAND: the NAND menu goes, nothing is sent.
  ctx->CurrentPrj.ChipType = ChipTypeId::Flash25;
  ctx->CurrentPrj.BlockSize = 0x10000;
  EXPECT_EQ(mmBlockInitClick(*ctx), BlockInitOutcome::NotNand);
  EXPECT_FALSE(ctx->Window.NandOptionMenuVisible);
  EXPECT_TRUE(ctx->Window.NandMenusVisible) << "the SPI menus stay";
  EXPECT_TRUE(device().wire().transfers().empty());
  EXPECT_TRUE(ctx->log.Lines().empty());

  // Empty sockets: the red line of the socket check.
  StartWithSockets(std::nullopt, std::nullopt);
  SelectNand();
  EXPECT_EQ(mmBlockInitClick(*ctx), BlockInitOutcome::SocketsNotReady);
  EXPECT_EQ(Log(), (std::vector<std::pair<std::string, LogColour>>{
                       {"14:30:00 没有芯片放入，请确认！", LogColour::Error}}));
  EXPECT_EQ(FrameCount(kOpBadBlockScan), 0u);

  // No chip selected (block size 15 or less): silently nothing.
  StartWithSockets(Nand(), std::nullopt);
  SelectNand();
  ctx->CurrentPrj.BlockSize = 15;
  EXPECT_EQ(mmBlockInitClick(*ctx), BlockInitOutcome::NoChipSelected);
  EXPECT_TRUE(ctx->log.Lines().empty());
  EXPECT_EQ(FrameCount(kOpBadBlockScan), 0u);
}

TEST_F(ProgrammerOptionsTest, FailedBadBlockScanKeepsTheTableAndLogsWhatItHolds) {
  StartWithSockets(Nand({1}), std::nullopt);
  SelectNand();
  ctx->BadBlocks.BlockCount = 64;
  ctx->BadBlocks.GoodCount = 60;
  device().faults().silent_opcodes = {kOpBadBlockScan};
  EXPECT_EQ(mmBlockInitClick(*ctx), BlockInitOutcome::ScanFailed);
  EXPECT_EQ(FrameCount(kOpBadBlockScan), 8u);
  EXPECT_EQ(ctx->BadBlocks.BlockCount, 64);
  EXPECT_EQ(ctx->log.Lines().back().text,
            "14:30:16  Nand Flash的总Block数为 64 其中，可以正常使用的Block数为 60")
      << "eight silent tries took 16 seconds";
}

TEST_F(ProgrammerOptionsTest, SkipOptionToggles) {
  ASSERT_TRUE(ctx->Window.IgnoreInvalidBlocks);
  mmIgnoreInvalidBlocksClick(*ctx);
  EXPECT_FALSE(ctx->Window.IgnoreInvalidBlocks);
  mmIgnoreInvalidBlocksClick(*ctx);
  EXPECT_TRUE(ctx->Window.IgnoreInvalidBlocks);
  EXPECT_EQ(panel.window_state_changes, 2);
}

}  // namespace
}  // namespace tessary
