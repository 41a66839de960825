// The chip search window on the real catalogue: searching per key among the
// available chip types, the capacity column, and picking a row into the
// selection frame from the main window and from the project window.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/start_up.h"
#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_parameters.h"
#include "app/chip_handlers.h"
#include "catalogue/chip_search.h"
#include "support/program_folder.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

struct ChipSearch : ::testing::Test {
  testing::ProgramFolder folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};

  // Started with the catalogue (24C02 restored, every type available); no
  // programmer, so chip parameters go nowhere.
  ChipSearch() {
    ctx.Paths = PortablePaths(folder.path());
    clock.SetTimeOfDay(11, 0, 0);
    const StartUpOutcome outcome = RunStartUp(ctx);
    EXPECT_TRUE(outcome.ok) << outcome.message;
  }

  ChipSearchState& search() { return ctx.ChipSearch; }
  void Type(const std::string& text) {
    search().SearchText = text;
    lbeChipFindContentKeyUp(ctx);
  }
  void OnlyAvailable(std::initializer_list<std::string_view> types) {
    for (std::size_t i = 0; i < kAvailabilityTypeNames.size(); ++i) {
      ctx.ChipTypeAvailability[i] =
          std::find(types.begin(), types.end(), kAvailabilityTypeNames[i]) != types.end();
    }
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const ChipListRow& row : ctx.ChipSearch.Rows) names.push_back(row.ChipName);
    return names;
  }
  // Finds `name` by searching for it and makes it the grid's current row.
  void Highlight(const std::string& name) {
    Type(name);
    const std::vector<std::string> names = Names();
    const auto at = std::find(names.begin(), names.end(), name);
    ASSERT_NE(at, names.end()) << name;
    search().CurrentRow = static_cast<int>(at - names.begin());
  }
};

TEST_F(ChipSearch, EveryKeyReleaseSearchesAndListsSmallestFirst) {
  Type("2");
  const std::size_t after_one_key = search().Rows.size();
  Type("25");
  Type("25Q");
  ASSERT_GT(search().Rows.size(), 10u);
  EXPECT_LT(search().Rows.size(), after_one_key) << "each key narrows the list";
  EXPECT_EQ(search().ResultText, "共搜索到" + std::to_string(search().Rows.size()) + "个结果.");
  EXPECT_EQ(search().CurrentRow, 0);
  for (const ChipListRow& row : search().Rows) {
    std::string upper = row.ChipName;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_NE(upper.find("25Q"), std::string::npos) << row.ChipName;
    EXPECT_EQ(row.Note, CapacityText(row.Capacity)) << row.ChipName;
  }
  EXPECT_TRUE(std::is_sorted(
      search().Rows.begin(), search().Rows.end(),
      [](const ChipListRow& a, const ChipListRow& b) { return a.Capacity < b.Capacity; }));
}

TEST_F(ChipSearch, TheW25Q64FamilyShowsItsCapacity) {
  Type("W25Q64");
  ASSERT_FALSE(search().Rows.empty());
  EXPECT_EQ(search().Rows[0].ChipName, "W25Q64");
  EXPECT_EQ(search().Rows[0].Note, "8MB");
  EXPECT_EQ(search().Rows[0].ManufName, "WINBOND");
  EXPECT_EQ(search().Rows[0].ChipType, "25 FLASH");
}

TEST_F(ChipSearch, AnEmptyTextRunsNothing) {
  Type("W25Q64");
  const std::size_t rows = search().Rows.size();
  const std::string count = search().ResultText;
  Type("");
  EXPECT_EQ(search().Rows.size(), rows);
  EXPECT_EQ(search().ResultText, count);
}

TEST_F(ChipSearch, QuotesAndWildcardsAreMatchedAsThemselves) {
  for (const char* text : {"it's", "'", "%", "_", "W25Q64' OR '1'='1"}) {
    EXPECT_NO_THROW(Type(text)) << text;
    EXPECT_TRUE(search().Rows.empty()) << text;
    EXPECT_EQ(search().ResultText, "共搜索到0个结果.") << text;
  }
}

TEST_F(ChipSearch, OnlyAvailableTypesAreListed) {
  // Without "25 FLASH", whose condition leads the list, the rest still
  // forms a valid statement.
  OnlyAvailable({"24 EEPROM", "93 EEPROM"});
  Type("C");
  ASSERT_FALSE(search().Rows.empty());
  for (const ChipListRow& row : search().Rows) {
    EXPECT_TRUE(row.ChipType == "24 EEPROM" || row.ChipType == "93 EEPROM") << row.ChipName;
  }

  OnlyAvailable({"25 FLASH"});
  Type("24C");
  EXPECT_TRUE(search().Rows.empty());
}

TEST_F(ChipSearch, NoAvailableTypeFindsNothing) {
  OnlyAvailable({});
  EXPECT_NO_THROW(Type("W25"));
  EXPECT_TRUE(search().Rows.empty());
  EXPECT_EQ(search().ResultText, "共搜索到0个结果.");
  EXPECT_EQ(search().CurrentRow, -1);
}

TEST_F(ChipSearch, MicrocontrollersAreNeverSearched) {
  Type("STM32");
  EXPECT_TRUE(search().Rows.empty());
}

TEST_F(ChipSearch, TheCapacityTextIsComputedWithoutTouchingTheCatalogue) {
  ctx.Database.ExecStatement("UPDATE [ChipName] SET Note = 'old' WHERE ChipName = 'W25Q64'");
  Type("W25Q64");
  ASSERT_EQ(search().Rows[0].ChipName, "W25Q64");
  EXPECT_EQ(search().Rows[0].Note, "8MB");
  ctx.Database.RunQuery(statements::kChipByName, {"W25Q64"});
  EXPECT_EQ(ctx.Database.FieldAsText("Note"), "old");
}

TEST_F(ChipSearch, APickInTheMainWindowSelectsTheChipAndLogsIt) {
  sbChipFindClick(ctx);
  ASSERT_TRUE(search().Visible);
  Highlight("W25Q64JV");
  ChipFindButton3Click(ctx);

  EXPECT_FALSE(search().Visible);
  const ChipFrameState& frame = ctx.ChipFrame;
  EXPECT_EQ(frame.cmbChipType.text, "25 FLASH");
  EXPECT_EQ(frame.cmbDownChipManuf.text, "WINBOND");
  EXPECT_EQ(frame.cmbDownChipName.text, "W25Q64JV");
  EXPECT_EQ(frame.cmbDownChipName.items.front(), "W25X05") << "the maker's chips, smallest first";
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "W25Q64JV");
  EXPECT_EQ(ctx.RamFile.Data.size(), 8u << 20);
  ASSERT_EQ(ctx.log.Lines().size(), 1u);
  EXPECT_EQ(ctx.log.Lines()[0].text, "11:00:00 手动选择芯片成功，型号：W25Q64JV 容量：8MB");
  EXPECT_EQ(ctx.log.Lines()[0].colour, LogColour::Highlight);
}

TEST_F(ChipSearch, APickWhileTheProjectWindowBorrowsTheFrameIsQuiet) {
  ctx.ChipFrame.HostedInMainWindow = false;
  sbChipFindClick(ctx);  // the frame's own button, inside the project window
  Highlight("W25Q64JV");
  ChipFindButton3Click(ctx);
  EXPECT_FALSE(search().Visible);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "W25Q64JV");
  EXPECT_TRUE(ctx.log.Lines().empty());
  EXPECT_EQ(ctx.ChipFrame.ChipNameTag, 0) << "the quiet tag is used up";
}

TEST_F(ChipSearch, OpenedByTheProjectWindowThePickChangesNothing) {
  Type("W25Q64");
  ShowChipFindFromProject(ctx.ChipSearch, ctx.panel);
  EXPECT_EQ(search().Tag, ChipFindOpener::ProjectWindow);
  EXPECT_FALSE(search().Rows.empty()) << "opened over the rows it had";
  ChipFindButton3Click(ctx);
  EXPECT_TRUE(search().Visible);
  EXPECT_EQ(ctx.ChipFrame.cmbChipType.text, "24 EEPROM");
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
  EXPECT_TRUE(ctx.log.Lines().empty());
}

TEST_F(ChipSearch, ARowOfATypeTheModelDoesNotListLeavesTheTypeBoxEmpty) {
  std::erase(ctx.ChipFrame.cmbChipType.items, std::string("25 FLASH"));
  sbChipFindClick(ctx);
  Highlight("W25Q64");
  ChipFindButton3Click(ctx);
  EXPECT_FALSE(search().Visible);
  EXPECT_EQ(ctx.ChipFrame.cmbChipType.index, -1);
  EXPECT_EQ(ctx.ChipFrame.cmbDownChipName.text, "24C02") << "the later boxes are not touched";
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
  EXPECT_TRUE(ctx.log.Lines().empty());
}

TEST_F(ChipSearch, AnEmptyGridPicksNothingAndCancelCloses) {
  sbChipFindClick(ctx);
  Type("no such chip");
  ChipFindButton3Click(ctx);
  EXPECT_TRUE(search().Visible);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
  ChipFindButton4Click(ctx);
  EXPECT_FALSE(search().Visible);
}

TEST_F(ChipSearch, TheFramesButtonShowsWhatTheSharedQueryHolds) {
  // After the restore the shared query stands on the current chip's row.
  sbChipFindClick(ctx);
  EXPECT_TRUE(search().Visible);
  EXPECT_EQ(search().Tag, ChipFindOpener::SelectionFrame);
  ASSERT_EQ(search().Rows.size(), 1u);
  EXPECT_EQ(search().Rows[0].ChipName, "24C02");
  EXPECT_EQ(search().Rows[0].Note, "256B");
}

}  // namespace
}  // namespace tessary
