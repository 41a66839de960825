// Language files: which file, the built-in defaults, cuts, the captions and
// status bar that applying a language produces, the language menu's message
// to a Skar programmer, and the shipped CN/TC/EN files themselves.
#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/app_context.h"
#include "app/language.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

using testing::Bytes;

struct Language : ::testing::Test {
  std::filesystem::path dir =
      std::filesystem::path(::testing::TempDir()) /
      ("language_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};

  Language() {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ctx.DeviceInfo.AppVersion = "V2.1.0";
  }
  ~Language() override { std::filesystem::remove_all(dir); }

  void WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  void Link(const std::string& model) {
    ASSERT_TRUE(ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    ctx.link.MarkLinked();
    ctx.DeviceInfo.DevName = model;
    ctx.DeviceInfo.FirmVer = "V3.05";
  }
};

TEST(LanguageFile, ChosenByCode) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, "CN.ini"}, {1, "TC.ini"}, {2, "EN.ini"}, {7, "EN.ini"}, {-1, "EN.ini"}};
  for (const auto& [code, name] : cases) {
    EXPECT_EQ(LanguageFilePath("/opt/tessary", code), std::filesystem::path("/opt/tessary") / name)
        << code;
  }
  EXPECT_EQ(LanguageItemFor(0), LanguageMenuItem::SimplifiedChinese);
  EXPECT_EQ(LanguageItemFor(1), LanguageMenuItem::TraditionalChinese);
  EXPECT_EQ(LanguageItemFor(7), LanguageMenuItem::English);
  EXPECT_EQ(LanguageCodeOf(LanguageMenuItem::English), 2);
  EXPECT_EQ(LanguageMenuObjectName(LanguageMenuItem::TraditionalChinese), "Menu_Settings_Lang_TC");
}

TEST_F(Language, WithoutFilesEverythingIsBuiltInChinese) {
  ctx.Texts.LogChipErase = "stale";
  ctx.Window.SocketTypeIndex = 1;
  const LanguageState state = ApplyLanguage(ctx, dir);

  Dev_Language_Struct expected;
  expected.MainSoftWareInfo = "Halvern Tessary Series Programmer  V2.1.0";
  for (const LanguageKey& key : LanguageKeys()) {
    EXPECT_EQ(ctx.Texts.*key.field, expected.*key.field) << key.key;
  }
  EXPECT_EQ(state.title, "Halvern Tessary Series Programmer  V2.1.0");
  EXPECT_EQ(state.checked_item, LanguageMenuItem::SimplifiedChinese);
  EXPECT_FALSE(state.uncheck_others);

  const MainWindowCaptions& c = state.captions;
  EXPECT_EQ(c.Caption("Menu_File"), "文件(&F)");
  EXPECT_EQ(c.Caption("Menu_File_Open"), "打开(&O)");
  EXPECT_EQ(c.Caption("sbOpenFile"), "打开");
  EXPECT_EQ(c.Caption("MenuBufferFill"), "填充(&I)");
  EXPECT_EQ(c.Caption("sbBufferFill"), "填充");
  EXPECT_EQ(c.Caption("MenuMess"), "批量烧录(&M)");
  EXPECT_EQ(c.Caption("sbMess"), "批量");
  EXPECT_EQ(c.Caption("sbAbout"), "关于");
  EXPECT_EQ(c.Caption("Menu_About"), "关于(&I)");
  EXPECT_EQ(c.Caption("MenuHardWare"), "硬件(&H)");
  EXPECT_EQ(c.Caption("MenuHelp"), "帮助(&E)");
  EXPECT_EQ(c.Caption("sbChipDetect"), "芯片检测");
  EXPECT_EQ(c.Caption("sbChipFind"), "芯片查找");
  EXPECT_EQ(c.Caption("ledtPageSize"), "页大小:");
  EXPECT_EQ(c.Caption("rgbSocketType"), "通道选择：");
  EXPECT_EQ(c.socket_items, (std::array<std::string, 2>{"单片烧录(CH1)", "单片烧录(CH1)"}));
  EXPECT_EQ(state.socket_item_index, 0);
  EXPECT_EQ(ctx.Window.SocketTypeIndex, 0);

  EXPECT_EQ(state.status_panels, (std::array<std::string, 2>{"设备离线", ""}));
  EXPECT_EQ(panel.status[0], "设备离线");
  EXPECT_EQ(panel.status[1], "");
  EXPECT_EQ(ctx.Window.StatusPanels[0], "设备离线");
}

TEST_F(Language, CaptionTableNamesEachComponentOnce) {
  std::set<std::string> objects;
  std::size_t targets = 0;
  for (const CaptionEntry& entry : MainWindowCaptionTable()) {
    EXPECT_EQ(entry.menu.empty(), entry.suffix.empty()) << entry.key;
    for (std::string_view object : {entry.menu, entry.plain}) {
      if (object.empty()) continue;
      ++targets;
      EXPECT_TRUE(objects.insert(std::string(object)).second) << object;
    }
  }
  EXPECT_EQ(targets, 54u);
  const MainWindowCaptions captions = ComputeMainWindowCaptions(ProfileFile(dir / "none.ini"));
  EXPECT_EQ(captions.captions.size(), targets);
}

TEST_F(Language, CodeSevenUsesEnglishFile) {
  WriteFile("CN.ini", "[FileMenu]\nFile=CN\n");
  WriteFile("TC.ini", "[FileMenu]\nFile=TC\n");
  WriteFile("EN.ini",
            "[FileMenu]\nFile=File\n[ChipInfo]\nChipChn1=Single\nChipChn2=Dual\n"
            "[Log]\nDevConStaOffline=Offline\n[Setting]\nMainSoftWareInfo=Tessary\n");
  ctx.DeviceInfo.Language = 7;
  const LanguageState state = ApplyLanguage(ctx, dir);
  EXPECT_EQ(state.language, 7);
  EXPECT_EQ(state.checked_item, LanguageMenuItem::English);
  EXPECT_EQ(state.captions.Caption("Menu_File"), "File(&F)");
  EXPECT_EQ(state.captions.socket_items, (std::array<std::string, 2>{"Single", "Dual"}));
  EXPECT_EQ(state.title, "Tessary  V2.1.0");
  EXPECT_EQ(ctx.Texts.DevConStaOffline, "Offline");
  EXPECT_EQ(ctx.Texts.LogChipErase, "擦除芯片") << "keys the file lacks keep their default";
  EXPECT_EQ(panel.status[0], "Offline");

  ctx.DeviceInfo.Language = 1;
  EXPECT_EQ(ApplyLanguage(ctx, dir).captions.Caption("Menu_File"), "TC(&F)");
}

TEST_F(Language, LongValuesAreCutToTheirBuffers) {
  const std::string long_value(100, 'x');
  WriteFile("CN.ini",
            "[Setting]\nMainSoftWareInfo=" + long_value + "\n[Log]\nLogChipErase=" + long_value +
                "\nLogChipMassStart=" + std::string(130, 'm') + "\nLogChipSelect=" + long_value +
                "\n[FileMenu]\nOpen=" + long_value + "\n[ChipInfo]\nChipChn2=" + long_value +
                "\n[HardInfo]\nDevSN=" + long_value + "\n");
  const LanguageState state = ApplyLanguage(ctx, dir);
  EXPECT_EQ(ctx.Texts.MainSoftWareInfo, std::string(79, 'x') + "  V2.1.0");
  EXPECT_EQ(ctx.Texts.LogChipErase, std::string(79, 'x'));
  EXPECT_EQ(ctx.Texts.LogChipMassStart, std::string(119, 'm'));
  EXPECT_EQ(ctx.Texts.LogChipSelect, long_value) << "a 120-byte buffer holds 100 bytes";
  EXPECT_EQ(state.captions.Caption("Menu_File_Open"), std::string(79, 'x') + "(&O)");
  EXPECT_EQ(state.captions.Caption("sbOpenFile"), std::string(79, 'x'));
  EXPECT_EQ(state.captions.socket_items[1], std::string(79, 'x'));
  const ProfileFile profile(dir / "CN.ini");
  EXPECT_EQ(ReadDialogText(profile, "HardInfo", "DevSN"), std::string(79, 'x'));
}

TEST_F(Language, LinkedProgrammerShowsOnlineStatus) {
  Link("Velor");
  const LanguageState state = ApplyLanguage(ctx, dir);
  EXPECT_EQ(state.status_panels,
            (std::array<std::string, 2>{"设备已连接: Velor", "设备版本:V3.05"}));
  EXPECT_EQ(panel.status[0], "设备已连接: Velor");
  EXPECT_EQ(panel.status[1], "设备版本:V3.05");
  EXPECT_TRUE(usb.writes.empty()) << "applying alone never talks to the programmer";
}

TEST_F(Language, ChoosingTellsALinkedSkarTheNewLanguage) {
  Link("Skar-2");
  usb.replies.push_back(testing::ReplyFrame(0x14, {0x00}));
  const LanguageState state = ChooseLanguage(ctx, 2, dir);
  EXPECT_EQ(ctx.DeviceInfo.Language, 2);
  EXPECT_EQ(state.checked_item, LanguageMenuItem::English);
  EXPECT_TRUE(state.uncheck_others);
  ASSERT_EQ(usb.writes.size(), 1u);
  Bytes expected(9);
  expected.resize(BuildFrame(0x14, Bytes{0x02}, expected));
  EXPECT_EQ(usb.writes[0], expected);
}

TEST_F(Language, ChoosingSendsNothingToOtherModelsOrWithoutLink) {
  Link("Velor");
  ChooseLanguage(ctx, 1, dir);
  EXPECT_EQ(ctx.DeviceInfo.Language, 1);
  EXPECT_TRUE(usb.writes.empty());

  ctx.link.MarkUnlinked();
  ctx.DeviceInfo.DevName = "Skar";
  ChooseLanguage(ctx, 0, dir);
  EXPECT_TRUE(usb.writes.empty());
  EXPECT_EQ(panel.status[0], "设备离线");

  ctx.link.MarkLinked();
  ctx.DeviceInfo.DevName = "skar";  // the model name is compared exactly
  ChooseLanguage(ctx, 0, dir);
  EXPECT_TRUE(usb.writes.empty());
}

TEST_F(Language, DialogTextsUseTheirBuiltInDefaults) {
  const ProfileFile missing(dir / "CN.ini");
  EXPECT_EQ(ReadDialogText(missing, "FileInport", "ODTitle"), "选择打开的文件");
  EXPECT_EQ(ReadDialogText(missing, "BufferJump", "BufferCurrentAddr"), "当前地址(HEX):");
  EXPECT_EQ(ReadDialogText(missing, "AutoSel", "AutoSelIDCheck"), "ID校验");
  EXPECT_EQ(ReadDialogText(missing, "FirmUpdate", "StartButton"), "启动更新");
  EXPECT_EQ(ReadDialogText(missing, "HardInfo", "NoSuchKey"), "");
  EXPECT_EQ(ReadDialogText(missing, "HardInfo", "NoSuchKey", "fallback"), "fallback");
  WriteFile("CN.ini", "[firmupdate]\nstartbutton=Go\n");
  EXPECT_EQ(ReadDialogText(missing, "FirmUpdate", "StartButton"), "Go");
}

// --- the shipped language files -------------------------------------------

using SectionKey = std::pair<std::string, std::string>;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Every key the program reads, with the buffer it is read into.
std::map<SectionKey, std::size_t> KeysTheProgramReads() {
  std::map<SectionKey, std::size_t> keys;
  auto add = [&](std::string_view section, std::string_view key, std::size_t buffer) {
    keys[{Lower(section), Lower(key)}] = buffer;
  };
  for (const LanguageKey& key : LanguageKeys()) add(key.section, key.key, key.buffer_size);
  for (const CaptionEntry& entry : MainWindowCaptionTable()) add(entry.section, entry.key, 80);
  for (std::string_view key : kSocketItemKeys) add(kSocketItemSection, key, 80);
  for (const DialogTextEntry& entry : DialogTextTable()) add(entry.section, entry.key, 80);
  for (const DialogTextEntry& entry : MessageTextTable())
    add(entry.section, entry.key, kMessageTextBuffer);
  return keys;
}

// Section and key of every entry line, and the names of all sections.
std::vector<SectionKey> EntriesOf(const std::filesystem::path& path) {
  std::vector<SectionKey> entries;
  std::ifstream in(path, std::ios::binary);
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const std::size_t equals = line.find('=');
    EXPECT_NE(equals, std::string::npos) << path << ": " << line;
    if (equals != std::string::npos)
      entries.emplace_back(Lower(section), Lower(line.substr(0, equals)));
  }
  return entries;
}

bool ValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80           ? 1
                               : (c >> 5) == 0x6  ? 2
                               : (c >> 4) == 0xE  ? 3
                               : (c >> 3) == 0x1E ? 4
                                                  : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

class ShippedFile : public ::testing::TestWithParam<const char*> {
 protected:
  std::filesystem::path Path() const {
    return std::filesystem::path(TESSARY_SOURCE_DIR) / "resources" / "lang" / GetParam();
  }
};

TEST_P(ShippedFile, HoldsExactlyTheKeysTheProgramReads) {
  ASSERT_TRUE(std::filesystem::exists(Path())) << Path();
  const auto wanted = KeysTheProgramReads();
  std::set<SectionKey> seen;
  for (const SectionKey& entry : EntriesOf(Path())) {
    EXPECT_TRUE(wanted.contains(entry))
        << "not read by the program: [" << entry.first << "] " << entry.second;
    EXPECT_TRUE(seen.insert(entry).second) << "twice: [" << entry.first << "] " << entry.second;
  }
  for (const auto& [entry, buffer] : wanted) {
    EXPECT_TRUE(seen.contains(entry)) << "missing: [" << entry.first << "] " << entry.second;
  }
}

TEST_P(ShippedFile, EveryValueIsUtf8AndFitsItsBuffer) {
  const ProfileFile profile(Path());
  for (const auto& [entry, buffer] : KeysTheProgramReads()) {
    const std::string value = profile.ReadString(entry.first, entry.second, "", 4096);
    EXPECT_FALSE(value.empty()) << entry.second;
    EXPECT_LT(value.size(), buffer) << entry.second << " would be cut: " << value;
    EXPECT_TRUE(ValidUtf8(value)) << entry.second;
  }
}

INSTANTIATE_TEST_SUITE_P(Lang, ShippedFile, ::testing::Values("CN.ini", "TC.ini", "EN.ini"));

TEST(ShippedFiles, ChineseFileMatchesTheBuiltInTextsBarTheCorrections) {
  const std::filesystem::path dir =
      std::filesystem::path(TESSARY_SOURCE_DIR) / "resources" / "lang";
  const ProfileFile profile(dir / "CN.ini");
  Dev_Language_Struct texts;
  LoadLanguageTexts(profile, texts, "V1");
  const Dev_Language_Struct defaults;
  const std::set<std::string> corrected = {"LogChipMassStart", "LogChipMassAutoStop"};
  for (const LanguageKey& key : LanguageKeys()) {
    if (corrected.contains(key.key) || key.field == &Dev_Language_Struct::MainSoftWareInfo)
      continue;
    EXPECT_EQ(texts.*key.field, defaults.*key.field) << key.key;
  }
  EXPECT_EQ(texts.MainSoftWareInfo, defaults.MainSoftWareInfo + "  V1");
  EXPECT_EQ(texts.LogChipMassAutoStop, "30秒内没有检测到新芯片，已自动停止了批量烧录.");
  EXPECT_EQ(texts.LogChipMassStart, "批量烧录开始，请点击“停止”按钮，将在本次烧录完成后停止.");

  for (const CaptionEntry& entry : MainWindowCaptionTable()) {
    EXPECT_EQ(profile.ReadString(entry.section, entry.key, "", 80), entry.default_text)
        << entry.key;
  }
  for (const DialogTextEntry& entry : DialogTextTable()) {
    EXPECT_EQ(ReadDialogText(profile, entry.section, entry.key, ""), entry.default_text)
        << entry.key;
  }
  for (const DialogTextEntry& entry : MessageTextTable()) {
    EXPECT_EQ(profile.ReadString(entry.section, entry.key, "", kMessageTextBuffer),
              entry.default_text)
        << entry.key;
  }
  const MainWindowCaptions captions = ComputeMainWindowCaptions(profile);
  EXPECT_EQ(captions.socket_items, (std::array<std::string, 2>{"普通模式", "一拖二模式"}));
}

// The program's own failure texts are translated like the rest: none is
// left in Chinese in the English file, and the traditional file has its own.
TEST(ShippedFiles, FailureTextsAreInTheLanguageOfTheirFile) {
  const std::filesystem::path dir =
      std::filesystem::path(TESSARY_SOURCE_DIR) / "resources" / "lang";
  Dev_Language_Struct en, tc, cn;
  LoadLanguageTexts(ProfileFile(dir / "EN.ini"), en, "V1");
  LoadLanguageTexts(ProfileFile(dir / "TC.ini"), tc, "V1");
  LoadLanguageTexts(ProfileFile(dir / "CN.ini"), cn, "V1");
  int checked = 0;
  for (const LanguageKey& key : LanguageKeys()) {
    if (std::string_view(key.section) != "HostLog") continue;
    ++checked;
    const std::string& english = en.*key.field;
    EXPECT_TRUE(std::all_of(english.begin(), english.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        << key.key << ": " << english;
    EXPECT_NE(tc.*key.field, cn.*key.field) << key.key;
  }
  EXPECT_GE(checked, 20);
  EXPECT_EQ(en.LogBlockNotTaken, "Write failed! The programmer did not take a data block.");
}

TEST(ShippedFiles, EnglishTextsJoinCleanlyWithWhatFollowsThem) {
  const std::filesystem::path dir =
      std::filesystem::path(TESSARY_SOURCE_DIR) / "resources" / "lang";
  Dev_Language_Struct t;
  LoadLanguageTexts(ProfileFile(dir / "EN.ini"), t, "V1.0");
  EXPECT_EQ(t.MainSoftWareInfo, "Halvern Tessary Series Programmer  V1.0");
  EXPECT_EQ("CH1 " + t.LogChipEraseSuccess + "1.23" + t.LogOperatTime,
            "CH1 Erase successful. Elapsed 1.23 s");
  EXPECT_EQ("CH1 " + t.LogChipWriteSuccess + "0.50" + t.LogOperatTime,
            "CH1 Write successful. Elapsed 0.50 s");
  EXPECT_EQ("CH1 " + t.LogStaSuccess + "CH2 " + t.LogStaError + t.LogOperatTimeTitle + "9.87" +
                t.LogOperatTime,
            "CH1 Success! CH2 Failed! Total time 9.87 s");
  EXPECT_EQ(t.DevConLogDevice + "Velor," + t.DevConLogSN + "SN-1",
            "Programmer detected, model: Velor, serial number: SN-1");
  EXPECT_EQ(t.LogChipDetect + "W25Q64 " + t.LogChipDetectCapcity + "8MB",
            "Chip identified, model: W25Q64 Capacity: 8MB");
  EXPECT_EQ(t.DevConVersion + "V3.05", "Firmware version: V3.05");
  EXPECT_EQ(t.LogBufferNotSaved + "cannot write 'a.bin': Permission denied" + t.LogOldFileKept,
            "The buffer was not saved: cannot write 'a.bin': Permission denied; the file "
            "already there is unchanged");
  EXPECT_EQ(t.LogFindTooLong + "514",
            "The search pattern is too long: at most 512 digits (256 bytes) can be searched "
            "for. Digits typed: 514");
  EXPECT_EQ(t.LogCatalogueUpgraded + "V1.0 -> V1.1" + t.LogUserChipsKept + "2",
            "Chip catalogue upgraded: V1.0 -> V1.1, user chips kept: 2");
  const MainWindowCaptions captions = ComputeMainWindowCaptions(ProfileFile(dir / "EN.ini"));
  EXPECT_EQ(captions.Caption("Menu_File_Open"), "Open(&O)");
  EXPECT_EQ(captions.Caption("sbBlankCheck"), "Blank");
}

}  // namespace
}  // namespace tessary
