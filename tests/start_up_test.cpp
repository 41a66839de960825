// The program started as a whole: catalogue, settings, chip restore,
// language; and the chip selection cascade on the real catalogue.
#include <gtest/gtest.h>

#include "app/start_up.h"
#include "app/chip_handlers.h"
#include "support/program_folder.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

struct StartUp : ::testing::Test {
  explicit StartUp(bool with_catalogue = true, bool with_languages = false)
      : folder(with_catalogue, with_languages) {
    ctx.Paths = PortablePaths(folder.path());
    clock.SetTimeOfDay(8, 0, 0);
  }
  testing::ProgramFolder folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};

  void Start() {
    const StartUpOutcome outcome = RunStartUp(ctx);
    ASSERT_TRUE(outcome.ok) << outcome.message;
  }
  void Link() {
    ASSERT_TRUE(ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    ctx.link.MarkLinked();
  }
  void Choose(ComboBoxState& box, const std::string& item, void (*handler)(AppContext&)) {
    ASSERT_TRUE(box.SelectExact(item)) << item;
    handler(ctx);
  }
};

TEST_F(StartUp, FreshStartRestores24C02QuietlyWithChineseDefaults) {
  Start();
  EXPECT_EQ(ctx.ChipFrame.cmbChipType.text, "24 EEPROM");
  EXPECT_EQ(ctx.ChipFrame.cmbDownChipName.text, "24C02");
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
  EXPECT_EQ(ctx.CurrentPrj.ChipSize, 256u);
  EXPECT_EQ(ctx.RamFile.Data.size(), 256u);
  EXPECT_EQ(panel.status[3], "CheckSum:0000FF00H");
  EXPECT_TRUE(ctx.log.Lines().empty()) << "a restore writes no selection line";
  EXPECT_FALSE(ctx.ChipFrame.sbChipDetectEnabled) << "24-series chips are not detected";
  EXPECT_EQ(ctx.Window.Title, "Halvern Tessary Series Programmer  V1.1.0");
  EXPECT_EQ(ctx.Language.captions.Caption("Menu_File"), "文件(&F)");
  EXPECT_EQ(panel.status[0], "设备离线");
  EXPECT_EQ(ctx.DeviceInfo.DefaultMode, "Plov");
  EXPECT_EQ(ctx.CurrentPrj.OprErase, 1);
  EXPECT_EQ(ctx.CurrentPrj.OprIdCheck, 0);
  EXPECT_TRUE(ctx.ChipDetectAutoSelect);
  EXPECT_FALSE(ctx.Window.HelpMenuVisible);
  EXPECT_FALSE(ctx.Window.PrjOfflineMenuVisible);
  EXPECT_TRUE(panel.bars[ProgressBar::Chip1].visible);
  EXPECT_FALSE(panel.bars[ProgressBar::Chip2].visible);
  // Every chip type of the catalogue is offered and known to be available.
  EXPECT_EQ(ctx.ChipFrame.cmbChipType.items.size(), 8u);
  for (bool available : ctx.ChipTypeAvailability) EXPECT_TRUE(available);
}

struct StartUpWithLanguages : StartUp {
  StartUpWithLanguages() : StartUp(true, true) {}
};

TEST_F(StartUpWithLanguages, LanguageSevenIsEnglish) {
  folder.WriteFile("dev.ini", "[SystemOption]\nLanguage=7\n");
  Start();
  EXPECT_EQ(ctx.Language.checked_item, LanguageMenuItem::English);
  EXPECT_NE(ctx.Texts.DevConStaOffline.find("ffline"), std::string::npos)
      << ctx.Texts.DevConStaOffline;
}

TEST_F(StartUpWithLanguages, ACatalogueThatCannotBeReadIsReportedInTheChosenLanguage) {
  folder.WriteFile("login.dat", "not a catalogue at all, but long enough to be looked at");
  struct Case {
    const char* language;
    const char* text;
  };
  const Case cases[] = {
      {"0", "芯片数据库无法读取："},
      {"1", "芯片數據庫無法讀取："},
      {"7", "The chip catalogue could not be read: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    folder.WriteFile("dev.ini", std::string("[SystemOption]\nLanguage=") + c.language + "\n");
    const StartUpOutcome outcome = RunStartUp(ctx);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message.rfind(c.text, 0), 0u) << outcome.message;
    EXPECT_NE(outcome.message.find("login.dat"), std::string::npos) << outcome.message;
  }
}

TEST_F(StartUp, SavedChipMissingFromTheCatalogueLeavesTheBoxesEmptyAndFinishes) {
  folder.WriteFile("dev.ini", "[PrjInfo]\nChipName=NO-SUCH-CHIP\ndefaultMode=Abc\n");
  Start();
  EXPECT_EQ(ctx.ChipFrame.cmbChipType.index, -1);
  EXPECT_TRUE(ctx.ChipFrame.cmbDownChipName.items.empty());
  EXPECT_TRUE(ctx.log.Lines().empty());
  EXPECT_FALSE(ctx.Window.HelpMenuVisible);
  EXPECT_EQ(ctx.Window.Title.rfind("Halvern", 0), 0u) << "the language is applied";
  EXPECT_EQ(ctx.DeviceInfo.DefaultMode, "Velor") << "3 characters is no model";
}

TEST_F(StartUp, EmptyVersionTableGivesTheFallbackVersion) {
  {
    ChipDatabase db;
    std::string error;
    ASSERT_TRUE(db.Open(folder.path() / "login.dat", error)) << error;
    db.ExecStatement("DELETE FROM [DevInfo]");
  }
  Start();
  EXPECT_EQ(ctx.DeviceInfo.AppVersion, "V0.1.0");
  EXPECT_EQ(ctx.Window.Title, "Halvern Tessary Series Programmer  V0.1.0");
}

struct StartUpWithoutCatalogue : StartUp {
  StartUpWithoutCatalogue() : StartUp(false) {}
};

TEST_F(StartUpWithoutCatalogue, OneMessageNamingTheFolderAndNothingElse) {
  const StartUpOutcome outcome = RunStartUp(ctx);
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.message.find(folder.path().string()), std::string::npos) << outcome.message;
  EXPECT_NE(outcome.message.find("login.dat不存在！"), std::string::npos);
  EXPECT_TRUE(panel.messages.empty()) << "the caller shows the one message";
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "login.dat")) << "never created";
}

TEST_F(StartUp, ChoosingAChipLogsItResetsTheBufferAndSendsItsParameters) {
  Start();
  Link();
  Choose(ctx.ChipFrame.cmbChipType, "25 FLASH", cmbChipTypeChange);
  EXPECT_EQ(ctx.log.Lines().size(), 1u) << "one line for the chip that ends up selected";
  Choose(ctx.ChipFrame.cmbDownChipManuf, "WINBOND", cmbDownChipManufChange);
  EXPECT_EQ(ctx.ChipFrame.cmbDownChipName.text, "W25X05") << "smallest chip first";
  EXPECT_TRUE(ctx.ChipFrame.sbChipDetectEnabled);
  EXPECT_EQ(ctx.log.Lines().size(), 2u);

  usb.writes.clear();
  ctx.log.Clear();
  Choose(ctx.ChipFrame.cmbDownChipName, "W25Q20BW", cmbDownChipNameChange);
  ASSERT_EQ(ctx.log.Lines().size(), 1u);
  // The stamp moved on: the silent programmer costs its read timeouts.
  EXPECT_EQ(ctx.log.Lines()[0].text.substr(9), "手动选择芯片成功，型号：W25Q20BW 容量：256KB");
  EXPECT_EQ(ctx.log.Lines()[0].colour, LogColour::Highlight);
  EXPECT_EQ(ctx.ChipFrame.ledtChipVoltage, "1.8V");
  EXPECT_EQ(ctx.ChipFrame.ledtChipOTPSize, "768B");
  EXPECT_TRUE(ctx.ChipFrame.ChipOtpVisible);
  EXPECT_EQ(ctx.RamFile.Data.size(), 262144u);
  ASSERT_EQ(usb.writes.size(), 1u);
  EXPECT_EQ(usb.writes[0][1], 0x39);
  EXPECT_EQ(usb.writes[0][6], 1) << "25 FLASH";
  EXPECT_EQ(usb.writes[0][7], 1) << "1.8 V";

  // Re-selecting the current chip keeps the buffer's contents.
  ctx.RamFile.Data[0] = 0x12;
  ctx.ChipFrame.ChipNameTag = 2;
  cmbDownChipNameChange(ctx);
  EXPECT_EQ(ctx.RamFile.Data[0], 0x12);
  EXPECT_EQ(ctx.log.Lines().size(), 1u) << "the quiet tag suppresses one line";

  Choose(ctx.ChipFrame.cmbDownChipName, "W25X10", cmbDownChipNameChange);
  EXPECT_EQ(ctx.RamFile.Data[0], 0xFF);
  EXPECT_FALSE(ctx.ChipFrame.ChipOtpVisible);
  EXPECT_EQ(ctx.ChipFrame.ledtChipVoltage, "3.3V");
  EXPECT_EQ(usb.writes.back()[7], 0) << "3.3 V sends voltage code 0";
}

TEST_F(StartUp, ChipTypeRulesForDetectionAndSocketMode) {
  Start();
  ctx.Window.SocketTypeIndex = 1;
  Choose(ctx.ChipFrame.cmbChipType, "93 EEPROM", cmbChipTypeChange);
  EXPECT_EQ(ctx.Window.SocketTypeIndex, 0);
  EXPECT_FALSE(ctx.Window.SocketTypeEnabled);
  EXPECT_FALSE(ctx.ChipFrame.sbChipDetectEnabled);
  Choose(ctx.ChipFrame.cmbChipType, "NAND FLASH", cmbChipTypeChange);
  EXPECT_TRUE(ctx.Window.SocketTypeEnabled);
  EXPECT_TRUE(ctx.ChipFrame.sbChipDetectEnabled);
  Choose(ctx.ChipFrame.cmbChipType, "24 EEPROM", cmbChipTypeChange);
  EXPECT_FALSE(ctx.ChipFrame.sbChipDetectEnabled);
  Choose(ctx.ChipFrame.cmbDownChipManuf, "GENERIC", cmbDownChipManufChange);
  Choose(ctx.ChipFrame.cmbDownChipName, "24C02", cmbDownChipNameChange);
  EXPECT_EQ(ctx.ChipFrame.ledtChipVoltage, "5.0V");
  EXPECT_EQ(ctx.CurrentPrj.ChipVolt, 2);
}

TEST_F(StartUp, ANameTypedByHandKeepsTheCurrentChip) {
  Start();
  ctx.ChipFrame.cmbDownChipName.text = "it's not a chip";
  ctx.ChipFrame.ChipNameTag = 0;
  cmbDownChipNameChange(ctx);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
  EXPECT_EQ(ctx.CurrentPrj.ChipSize, 256u);
  EXPECT_TRUE(ctx.log.Lines().empty());
}

}  // namespace
}  // namespace tessary
