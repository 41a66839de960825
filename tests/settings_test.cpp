// dev.ini: defaults, cuts and low-byte keeps on load, the exact stored form
// on save, and the default-model length rule.
#include <gtest/gtest.h>

#include <cstdlib>

#include <filesystem>
#include <fstream>

#include "app/app_context.h"
#include "app/settings.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

struct Settings : ::testing::Test {
  std::filesystem::path dir =
      std::filesystem::path(::testing::TempDir()) /
      ("settings_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};

  Settings() {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  ~Settings() override { std::filesystem::remove_all(dir); }

  std::filesystem::path Path() const { return PortablePaths(dir).SettingsFile(); }
  void Write(const std::string& text) { std::ofstream(Path(), std::ios::binary) << text; }
  std::string Contents() const {
    std::ifstream in(Path(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Load() {
    ProfileFile profile(Path());
    LoadSettings(ctx, profile);
  }
};

TEST_F(Settings, MissingFileGivesEveryDefaultAndZeroesTheCounters) {
  ctx.DeviceInfo.Language = 2;
  ctx.DeviceInfo.SucCount = 5;
  ctx.DeviceInfo.FalCount = 3;
  ctx.ChipDetectAutoSelect = false;
  ctx.RamFile.FileName = "stale.bin";
  Load();
  EXPECT_EQ(Path(), dir / "dev.ini");
  EXPECT_EQ(ctx.DeviceInfo.Language, 0);
  EXPECT_EQ(ctx.DeviceInfo.FilePath, DefaultFileFolder());
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    EXPECT_EQ(DefaultFileFolder(), home) << "the home folder, not a Windows drive";
  }
  EXPECT_EQ(ctx.RamFile.FileName, "");
  EXPECT_EQ(ctx.CurrentPrj.RamStartAddr, 0u);
  EXPECT_EQ(ctx.CurrentPrj.OprIdCheck, 0);
  EXPECT_EQ(ctx.CurrentPrj.OprErase, 1);
  EXPECT_EQ(ctx.CurrentPrj.OprWrite, 1);
  EXPECT_EQ(ctx.CurrentPrj.OprVerify, 1);
  EXPECT_TRUE(ctx.ChipDetectAutoSelect);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
  EXPECT_EQ(ctx.DeviceInfo.DefaultMode, "Plov");
  EXPECT_EQ(ctx.DeviceInfo.SucCount, 0);
  EXPECT_EQ(ctx.DeviceInfo.FalCount, 0);
  EXPECT_FALSE(std::filesystem::exists(Path())) << "loading never creates the file";
}

TEST_F(Settings, ReadsValuesWithLowByteKeepsAndCuts) {
  const std::string long_file = "D:\\" + std::string(97, 'f');  // 100 bytes
  Write("[SystemOption]\r\nLanguage= 7\r\nFilePath=D:\\work\r\nFile=" + long_file +
        "\r\n[PrjInfo]\r\nRamStartAddr= -16\r\nIdCheck=257\r\nErase=256\r\nWrite=3\r\nVerify=-1\r\n"
        "AutoDetect=0\r\nChipName=" +
        std::string(70, 'C') + "\r\ndefaultMode=SkarSkarSkar\r\n");
  Load();
  EXPECT_EQ(ctx.DeviceInfo.Language, 7);
  EXPECT_EQ(ctx.DeviceInfo.FilePath, "D:\\work");
  EXPECT_EQ(ctx.RamFile.FileName, long_file.substr(0, 79));
  EXPECT_EQ(ctx.CurrentPrj.RamStartAddr, 0xFFFFFFF0u);
  EXPECT_EQ(ctx.CurrentPrj.OprIdCheck, 1);
  EXPECT_EQ(ctx.CurrentPrj.OprErase, 0);
  EXPECT_EQ(ctx.CurrentPrj.OprWrite, 3);
  EXPECT_EQ(ctx.CurrentPrj.OprVerify, 0xFF);
  EXPECT_FALSE(ctx.ChipDetectAutoSelect);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, std::string(59, 'C'));
  EXPECT_EQ(ctx.DeviceInfo.DefaultMode, "SkarSkarS");
}

TEST_F(Settings, AnyNonZeroAutoDetectMeansAutoSelect) {
  for (const char* value : {"1", "2", "-1", " 5"}) {
    Write(std::string("[PrjInfo]\nAutoDetect=") + value + "\n");
    ctx.ChipDetectAutoSelect = false;
    Load();
    EXPECT_TRUE(ctx.ChipDetectAutoSelect) << value;
  }
  Write("[PrjInfo]\nAutoDetect=abc\n");  // no digits reads as 0
  Load();
  EXPECT_FALSE(ctx.ChipDetectAutoSelect);
}

TEST_F(Settings, SaveWritesEveryKeyInOrderWithTheLeadingSpace) {
  ctx.DeviceInfo.Language = 2;
  ctx.DeviceInfo.FilePath = "D:\\images";
  ctx.RamFile.FileName = "";
  ctx.CurrentPrj.RamStartAddr = 0x80000000u;
  ctx.CurrentPrj.OprIdCheck = 1;
  ctx.CurrentPrj.OprErase = 0;
  ctx.CurrentPrj.OprWrite = 1;
  ctx.CurrentPrj.OprVerify = 255;
  ctx.CurrentPrj.ChipName = "W25Q64";
  ctx.DeviceInfo.DefaultMode = "Velor";
  ctx.ChipDetectAutoSelect = false;
  ProfileFile profile(Path());
  SaveSettings(ctx, profile);
  EXPECT_EQ(Contents(),
            "[SystemOption]\r\nLanguage= 2\r\nFilePath=D:\\images\r\nFile=\r\n"
            "[PrjInfo]\r\nRamStartAddr= -2147483648\r\nIdCheck= 1\r\nErase= 0\r\nWrite= 1\r\n"
            "Verify= 255\r\nChipName=W25Q64\r\ndefaultMode=Velor\r\nAutoDetect=0\r\n");
}

TEST_F(Settings, SaveReplacesValuesAndKeepsForeignLines) {
  Write("; operator notes\r\n[PrjInfo]\r\nChipName=24C02\r\nMyKey=kept\r\n[Other]\r\nx=1\r\n");
  Load();
  ctx.CurrentPrj.ChipName = "MX25L128";
  ProfileFile profile(Path());
  SaveSettings(ctx, profile);
  const std::string text = Contents();
  EXPECT_NE(text.find("; operator notes\r\n"), std::string::npos);
  EXPECT_NE(text.find("MyKey=kept\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Other]\r\nx=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("ChipName=MX25L128\r\n"), std::string::npos);
  EXPECT_EQ(text.find("24C02"), std::string::npos);
}

TEST_F(Settings, RoundTripGivesBackWhatWasSaved) {
  ctx.DeviceInfo.Language = 1;
  ctx.DeviceInfo.FilePath = "E:\\dumps";
  ctx.RamFile.FileName = "E:\\dumps\\image 1.bin";
  ctx.CurrentPrj.RamStartAddr = 0x1000;
  ctx.CurrentPrj.OprIdCheck = 1;
  ctx.CurrentPrj.OprErase = 0;
  ctx.CurrentPrj.OprWrite = 0;
  ctx.CurrentPrj.OprVerify = 1;
  ctx.CurrentPrj.ChipName = "GD25Q32";
  ctx.DeviceInfo.DefaultMode = "Skar";
  ctx.ChipDetectAutoSelect = false;
  {
    ProfileFile profile(Path());
    SaveSettings(ctx, profile);
  }
  const Dev_Inf_Struct saved_info = ctx.DeviceInfo;
  const Prj_Info_Struct saved_prj = ctx.CurrentPrj;
  const std::string saved_file = ctx.RamFile.FileName;
  const bool saved_auto = ctx.ChipDetectAutoSelect;
  ctx.DeviceInfo = {};
  ctx.CurrentPrj = {};
  ctx.RamFile.FileName.clear();
  ctx.ChipDetectAutoSelect = true;
  Load();
  EXPECT_EQ(ctx.DeviceInfo.Language, saved_info.Language);
  EXPECT_EQ(ctx.DeviceInfo.FilePath, saved_info.FilePath);
  EXPECT_EQ(ctx.RamFile.FileName, saved_file);
  EXPECT_EQ(ctx.CurrentPrj.RamStartAddr, saved_prj.RamStartAddr);
  EXPECT_EQ(ctx.CurrentPrj.OprIdCheck, saved_prj.OprIdCheck);
  EXPECT_EQ(ctx.CurrentPrj.OprErase, saved_prj.OprErase);
  EXPECT_EQ(ctx.CurrentPrj.OprWrite, saved_prj.OprWrite);
  EXPECT_EQ(ctx.CurrentPrj.OprVerify, saved_prj.OprVerify);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, saved_prj.ChipName);
  EXPECT_EQ(ctx.DeviceInfo.DefaultMode, saved_info.DefaultMode);
  EXPECT_EQ(ctx.ChipDetectAutoSelect, saved_auto);
}

TEST(DefaultMode, LengthOutside4To8BecomesVelor) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "Velor"},    {"Plo", "Velor"},         {"Plov", "Plov"},
      {"Skar", "Skar"}, {"Velor123", "Velor123"}, {"Velor1234", "Velor"},
  };
  for (const auto& [given, expected] : cases) {
    Dev_Inf_Struct info;
    info.DefaultMode = given;
    NormaliseDefaultMode(info);
    EXPECT_EQ(info.DefaultMode, expected) << '"' << given << '"';
  }
}

}  // namespace
}  // namespace tessary
