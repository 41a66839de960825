// Chip detection against the simulated programmer and the real catalogue:
// identified, shared and unknown codes, 24-series EEPROMs, silent
// programmers, and the choice offered in the search window.
#include <gtest/gtest.h>

#include "app/chip_handlers.h"
#include "app/start_up.h"
#include "catalogue/chip_parameters.h"
#include "operations/chip_commands.h"
#include "support/program_folder.h"
#include "support/sim_context.h"

namespace tessary {
namespace {

constexpr std::uint32_t kMiB = 1u << 20;

struct Detection : ::testing::Test, testing::SimContext {
  testing::ProgramFolder folder;

  // Started (24C02 restored), linked, log empty.
  Detection() {
    ctx.Paths = PortablePaths(folder.path());
    clock.SetTimeOfDay(10, 20, 30);
    const StartUpOutcome outcome = RunStartUp(ctx);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_TRUE(Connect());
  }

  void PutChip(std::uint32_t code) {
    sim::ChipConfig chip;
    chip.id_code = code;
    chip.capacity = 8 * kMiB;
    programmer().socket(0).Insert(chip);
  }
  const std::vector<LogEntry>& Lines() const { return ctx.log.Lines(); }
  // A line without its "hh:mm:ss " stamp.
  static std::string Unstamped(const LogEntry& line) { return line.text.substr(9); }
  const ChipFrameState& frame() const { return ctx.ChipFrame; }
};

struct CodeCase {
  std::uint32_t code;
  const char* chip;
  const char* manufacturer;
  const char* capacity;
};

struct DetectionByCode : Detection, ::testing::WithParamInterface<CodeCase> {};

// The top byte never takes part in the lookup (unless it marks a 24-series
// EEPROM): only the low 24 bits are compared.
INSTANTIATE_TEST_SUITE_P(LowBitsOnly, DetectionByCode,
                         ::testing::Values(CodeCase{0x00014017, "S25FL164K", "SPANSION", "8MB"},
                                           CodeCase{0x01014017, "S25FL164K", "SPANSION", "8MB"},
                                           CodeCase{0xFF010212, "S25FL004A", "SPANSION", "512KB"}));

// Codes as the datasheets give them, one part each: old BIOS and router
// chips, the smaller makers, continuation-coded and SPI NAND parts.
INSTANTIATE_TEST_SUITE_P(
    DatasheetCodes, DetectionByCode,
    ::testing::Values(CodeCase{0x001F4216, "AT25SL321", "ATMEL", "4MB"},
                      CodeCase{0x00C29E16, "MX25L3255E", "MACRONIX", "4MB"},
                      CodeCase{0x00C22618, "MX25L12855E", "MACRONIX", "16MB"},
                      CodeCase{0x001C5114, "EN25T80", "EON", "1MB"},
                      CodeCase{0x00621600, "LE25FW203A", "SANYO", "256KB"},
                      CodeCase{0x00898911, "QB25F160S33B8", "INTEL", "2MB"},
                      CodeCase{0x004A2013, "ES25P40", "ESI", "512KB"},
                      CodeCase{0x00F84215, "FM25M16", "FIDELIX", "2MB"},
                      CodeCase{0x00BA4218, "ZD25LQ128", "ZETTA", "16MB"},
                      CodeCase{0x00A12816, "FM25W32", "FUDAN", "4MB"},
                      CodeCase{0x007F9D7C, "PM25LV010A", "PMC", "128KB"},
                      CodeCase{0x000B651B, "XT25W01GB", "XTX", "128MB"},
                      CodeCase{0x002C5B1A, "MT35XU512ABA", "MICRON", "64MB"},
                      CodeCase{0x00EFAE21, "W25N01KV", "WINBOND", "128MB"},
                      CodeCase{0x00C21EC2, "MX31LF1GE4BC", "MACRONIX", "128MB"},
                      CodeCase{0x00D511D5, "EM73C044SNB", "ETRON", "128MB"}));

TEST_P(DetectionByCode, OneMatchIsSelectedQuietlyWithOneGreenLine) {
  PutChip(GetParam().code);
  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::Identified);

  EXPECT_EQ(frame().cmbDownChipName.text, GetParam().chip);
  EXPECT_EQ(frame().cmbDownChipManuf.text, GetParam().manufacturer);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, GetParam().chip);
  EXPECT_TRUE(frame().sbChipDetectEnabled);
  ASSERT_EQ(Lines().size(), 1u) << "no manual-selection line, just the detection";
  EXPECT_EQ(Lines()[0].colour, LogColour::Success);
  EXPECT_EQ(Lines()[0].text, "10:20:30 检测并识别到芯片，型号：" + std::string(GetParam().chip) +
                                 " 容量：" + GetParam().capacity);
  ASSERT_TRUE(programmer().chip_parameters().has_value());
  EXPECT_EQ(programmer().chip_parameters()->chip_size, ctx.CurrentPrj.ChipSize)
      << "the programmer is set up for the detected chip";
}

TEST_F(Detection, DigitsAreSixUpperCaseHexWithLeadingZeros) {
  EXPECT_EQ(ChipIdDigits(0x0000AB01), "00AB01");
  EXPECT_EQ(ChipIdDigits(0x12ef4017), "EF4017");
  EXPECT_EQ(ChipIdDigits(0), "000000");
}

TEST_F(Detection, UnknownCodeLeavesTheSelectionAndLogsTheCodeInGrey) {
  PutChip(0x0000AB01);
  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::Unknown);
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Lines()[0].text, "10:20:30 检测到芯片，但未识别出芯片型号.芯片ID：00AB01");
  EXPECT_EQ(Lines()[0].colour, LogColour::Note);
  EXPECT_EQ(frame().cmbChipType.text, "24 EEPROM");
  EXPECT_EQ(frame().cmbDownChipName.text, "24C02");
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
}

TEST_F(Detection, EmptySocketsReadAsAnUnknownCode) {
  programmer().socket(0).Remove();
  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::Unknown);
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Unstamped(Lines()[0]), "检测到芯片，但未识别出芯片型号.芯片ID：FFFFFF");
}

TEST_F(Detection, TwentyFourSeriesNarrowsToTheTypeWithoutALookupByCode) {
  // Start from a 25 FLASH so that the change is visible.
  PutChip(0x00EF4017);
  ASSERT_EQ(sbChipDetectClick(ctx), DetectionOutcome::Identified);
  ctx.log.Clear();
  ctx.ChipFrame.sbChipDetectEnabled = true;

  // 0x24 in the top byte wins over the low bits, even a known code's.
  PutChip(0x24EF4017);
  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::Series24);
  EXPECT_EQ(frame().cmbChipType.text, "24 EEPROM");
  EXPECT_EQ(frame().cmbDownChipManuf.index, 0);
  EXPECT_EQ(frame().cmbDownChipManuf.text, "ATMEL");
  EXPECT_EQ(frame().cmbDownChipName.index, 0) << "the manufacturer's smallest chip";
  EXPECT_EQ(frame().cmbDownChipName.text, "AT24C01");
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "AT24C01");
  EXPECT_EQ(ctx.RamFile.Data.size(), 128u);
  EXPECT_TRUE(frame().sbChipDetectEnabled) << "left as it was";
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Lines()[0].text, "10:20:30 检测到24 EEPROM型号芯片，但未确定芯片名称，请手动选择.");
  EXPECT_EQ(Lines()[0].colour, LogColour::Note);
}

TEST_F(Detection, SharedCodeWithAutoSelectTakesTheFirstRow) {
  ASSERT_TRUE(ctx.ChipDetectAutoSelect);
  PutChip(0x00EF4017);  // W25Q64, W25Q64JV and W25Q64FV
  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::Identified);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "W25Q64");
  EXPECT_FALSE(ctx.ChipSearch.Visible);
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Unstamped(Lines()[0]), "检测并识别到芯片，型号：W25Q64 容量：8MB");
}

TEST_F(Detection, SharedCodeWithManualConfirmOffersTheRowsAndThePickSelects) {
  mmManufClick(ctx);
  ASSERT_FALSE(ctx.ChipDetectAutoSelect);
  PutChip(0x00EF4017);
  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::ChoiceOffered);

  const ChipSearchState& search = ctx.ChipSearch;
  EXPECT_TRUE(search.Visible);
  EXPECT_EQ(search.Tag, ChipFindOpener::SelectionFrame);
  ASSERT_EQ(search.Rows.size(), 3u);
  EXPECT_EQ(search.Rows[0].ChipName, "W25Q64");
  EXPECT_EQ(search.Rows[1].ChipName, "W25Q64JV");
  EXPECT_EQ(search.Rows[2].ChipName, "W25Q64FV");
  for (const ChipListRow& row : search.Rows) {
    EXPECT_EQ(row.Note, "8MB");
    EXPECT_EQ(row.ManufName, "WINBOND");
    EXPECT_EQ(row.ChipType, "25 FLASH");
  }
  EXPECT_EQ(search.CurrentRow, 0);
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(frame().cmbChipType.text, "25 FLASH") << "the type is found before the choice";
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02") << "nothing selected until the operator picks";

  ctx.ChipSearch.CurrentRow = 1;
  ChipFindButton3Click(ctx);
  EXPECT_FALSE(ctx.ChipSearch.Visible);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "W25Q64JV");
  ASSERT_EQ(Lines().size(), 1u) << "the operator's pick is logged like a manual choice";
  EXPECT_EQ(Unstamped(Lines()[0]), "手动选择芯片成功，型号：W25Q64JV 容量：8MB");
}

TEST_F(Detection, TheTwoMenuItemsEachToggleTheSetting) {
  mmChipDetectAutoClick(ctx);
  EXPECT_FALSE(ctx.ChipDetectAutoSelect);
  mmChipDetectAutoClick(ctx);
  EXPECT_TRUE(ctx.ChipDetectAutoSelect);
  mmManufClick(ctx);
  EXPECT_FALSE(ctx.ChipDetectAutoSelect);
  mmManufClick(ctx);
  EXPECT_TRUE(ctx.ChipDetectAutoSelect);
}

TEST_F(Detection, MatchOfATypeTheModelDoesNotListEmptiesTheTypeBoxSilently) {
  std::erase(ctx.ChipFrame.cmbChipType.items, std::string("25 FLASH"));
  PutChip(0x00EF4017);
  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::NotInFrame);
  EXPECT_EQ(frame().cmbChipType.index, -1);
  EXPECT_EQ(frame().cmbChipType.text, "");
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
}

TEST_F(Detection, OfflineWritesOnlyTheOfflineLine) {
  ctx.link.MarkUnlinked();
  programmer().wire().Clear();
  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::Offline);
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Lines()[0].text, "10:20:30 设备离线");
  EXPECT_EQ(Lines()[0].colour, LogColour::Error);
  EXPECT_TRUE(programmer().wire().Writes().empty());
}

TEST_F(Detection, SocketModeIsEvaluatedOnlyWhileTheFrameIsInTheMainWindow) {
  PutChip(0x00EF4017);
  programmer().wire().Clear();
  ASSERT_EQ(sbChipDetectClick(ctx), DetectionOutcome::Identified);
  EXPECT_EQ(programmer().wire().CountFrames(kOpSocketStatus), 1u);

  ctx.ChipFrame.HostedInMainWindow = false;
  programmer().wire().Clear();
  ASSERT_EQ(sbChipDetectClick(ctx), DetectionOutcome::Identified);
  EXPECT_EQ(programmer().wire().CountFrames(kOpSocketStatus), 0u);
}

struct BadAnswer {
  const char* name;
  void (*apply)(sim::FaultSettings&);
};

struct DetectionWithoutAnswer : Detection, ::testing::WithParamInterface<BadAnswer> {};

INSTANTIATE_TEST_SUITE_P(Faults, DetectionWithoutAnswer,
                         ::testing::Values(BadAnswer{"Silent",
                                                     [](sim::FaultSettings& f) {
                                                       f.silent_opcodes = {kOpReadChipId};
                                                     }},
                                           BadAnswer{"FourByteId",
                                                     [](sim::FaultSettings& f) {
                                                       f.reply_lengths = {{kOpReadChipId, 4}};
                                                     }},
                                           BadAnswer{"WrongStart",
                                                     [](sim::FaultSettings& f) {
                                                       f.wrong_start_opcodes = {kOpReadChipId};
                                                     }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(DetectionWithoutAnswer, ResendsTheCurrentChipAndLogsTheErrorInRed) {
  GetParam().apply(programmer().faults());
  programmer().wire().Clear();
  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::NoAnswer);
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Unstamped(Lines()[0]), "芯片检测异常.");
  EXPECT_EQ(Lines()[0].colour, LogColour::Error);
  EXPECT_EQ(programmer().wire().CountFrames(kOpChipParameters), 1u);
  EXPECT_EQ(programmer().wire().CountFrames(kOpSocketStatus), 0u) << "stops before the sockets";
  ASSERT_TRUE(programmer().chip_parameters().has_value());
  EXPECT_EQ(programmer().chip_parameters()->chip_size, 256u) << "still the 24C02";
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
}

TEST_F(Detection, SilenceWithASerialEepromReappliesItThroughTheNameHandler) {
  // A 25 EEPROM is set up again through the chip-name handler: the displays
  // are rebuilt from the catalogue row of the name in the box.
  ctx.ChipFrame.cmbChipType.SelectExact("25 EEPROM");
  cmbChipTypeChange(ctx);
  ctx.log.Clear();
  ctx.ChipFrame.ledtChipCap = "stale";
  programmer().faults().silent_opcodes = {kOpReadChipId};
  programmer().wire().Clear();

  EXPECT_EQ(sbChipDetectClick(ctx), DetectionOutcome::NoAnswer);
  EXPECT_EQ(frame().ledtChipCap, CapacityText(ctx.CurrentPrj.ChipSize));
  EXPECT_EQ(programmer().wire().CountFrames(kOpChipParameters), 1u);
  ASSERT_EQ(Lines().size(), 1u) << "quietly: no manual-selection line";
  EXPECT_EQ(Lines()[0].colour, LogColour::Error);
}

}  // namespace
}  // namespace tessary
