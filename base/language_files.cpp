// Language files: the log and message texts, the main-window captions and the
// secondary dialogs' texts.
#include "base/language_files.h"

#include <tuple>
#include <type_traits>

namespace tessary {
namespace {

constexpr std::size_t kTextBuffer = 80;

constexpr CaptionEntry kCaptions[] = {
    {"FileMenu", "File", "文件", "Menu_File", "(&F)", ""},
    {"FileMenu", "Open", "打开", "Menu_File_Open", "(&O)", "sbOpenFile"},
    {"FileMenu", "Save", "保存", "Menu_File_Save", "(&S)", "sbSaveFile"},
    {"FileMenu", "SaveAs", "另存为", "Menu_File_SaveAs", "(&A)", ""},
    {"FileMenu", "FileComb", "文件合并", "Menu_File_MenuMerge", "(&M)", ""},
    {"FileMenu", "Close", "退出", "Menu_File_Exit", "(&E)", ""},
    {"BufferMenu", "Buffer", "缓冲区", "MenuBuffer", "(&B)", ""},
    {"BufferMenu", "Fill", "填充", "MenuBufferFill", "(&I)", "sbBufferFill"},
    {"BufferMenu", "Find", "查找", "MenuBufferFind", "(&F)", ""},
    {"BufferMenu", "FindNext", "查找下一个", "MenuBufferFindNext", "(&N)", ""},
    {"BufferMenu", "Jump", "跳转", "MenuBufferGoto", "(&G)", ""},
    {"ProgramMenu", "Program", "编程操作", "MenuProgram", "(&O)", ""},
    {"ProgramMenu", "Auto", "自动", "MenuAuto", "(&A)", ""},
    {"ProgramMenu", "BtnAuto", "自动", "", "", "sbAuto"},
    {"ProgramMenu", "BlankCheck", "查空", "MenuBlankCheck", "(&B)", ""},
    {"ProgramMenu", "BtnBlankCheck", "查空", "", "", "sbBlankCheck"},
    {"ProgramMenu", "Erase", "擦除", "MenuErase", "(&E)", ""},
    {"ProgramMenu", "BtnErase", "擦除", "", "", "sbErase"},
    {"ProgramMenu", "Write", "写入", "MenuWrite", "(&W)", ""},
    {"ProgramMenu", "BtnWrite", "写入", "", "", "sbWrite"},
    {"ProgramMenu", "Read", "读出", "MenuRead", "(&R)", ""},
    {"ProgramMenu", "BtnRead", "读出", "", "", "sbRead"},
    {"ProgramMenu", "Verify", "校验", "MenuVerify", "(&V)", ""},
    {"ProgramMenu", "BtnVerify", "校验", "", "", "sbVerify"},
    {"ProgramMenu", "Mass", "批量烧录", "MenuMess", "(&M)", ""},
    {"ProgramMenu", "BtnMass", "批量", "", "", "sbMess"},
    {"ProgramMenu", "BtnStop", "停止", "", "", "sbStop"},
    {"AboutMenu", "Device", "设备", "", "", "sbDevInfo"},
    {"AboutMenu", "About", "关于", "", "", "sbAbout"},
    {"ProgramMenu", "ChipCheck", "芯片检测", "MenuChipDetect", "(&D)", ""},
    {"ProgramMenu", "BtnChipCheck", "芯片检测", "", "", "sbChipDetect"},
    {"ProgramMenu", "BtnChipFind", "芯片查找", "", "", "sbChipFind"},
    {"ProgramMenu", "AutoSel", "自动选项", "MenuAutoSel", "(&A)", ""},
    {"ProjectMenu", "Offline", "离线工程", "MenuPrjOffline", "(&S)", ""},
    {"HardMenu", "HardWare", "硬件", "MenuHardWare", "(&H)", ""},
    {"HardMenu", "HardInfo", "硬件信息", "MenuHardInfo", "(&I)", ""},
    {"HardMenu", "FirmUpdate", "固件更新", "MenuFirmUpdate", "(&U)", ""},
    {"HardMenu", "SelfCheck", "自检", "MenuSelfCheck", "(&S)", ""},
    {"LanguageMenu", "Language", "语言", "Menu_Language", "(&L)", ""},
    {"AboutMenu", "About", "关于", "Menu_About", "(&I)", ""},
    {"HelpMenu", "Help", "帮助", "MenuHelp", "(&E)", ""},
    {"ChipInfo", "Chip", "芯片", "", "", "gbChipInfo"},
    {"ChipInfo", "ChipType", "类型：", "", "", "lableChipType"},
    {"ChipInfo", "Manauf", "厂商：", "", "", "lableManauf"},
    {"ChipInfo", "ChipName", "芯片名称：", "", "", "lableChipName"},
    {"ChipInfo", "ChipInfo", "芯片信息", "", "", "gbChipInfoDesc"},
    {"ChipInfo", "Voltage", "芯片电压：", "", "", "ledtChipVoltage"},
    {"ChipInfo", "ChipCap", "容量", "", "", "ledtChipCap"},
    {"ChipInfo", "PageSize", "页大小:", "", "", "ledtPageSize"},
    {"ChipInfo", "OtpSize", "OTP大小:", "", "", "ledtChipOTPSize"},
    {"ChipInfo", "ChipChnTitle", "通道选择：", "", "", "rgbSocketType"},
};

constexpr DialogTextEntry kDialogTexts[] = {
    {"FileInport", "ODTitle", "选择打开的文件"},
    {"BufferFill", "FillDialogTitle", "缓冲区填充设置"},
    {"BufferFill", "FillStartAddr", "起始地址(HEX):"},
    {"BufferFill", "FillLen", "填充长度(HEX):"},
    {"BufferFill", "FillValue", "填充数值(HEX):"},
    {"BufferFill", "FillRandom", "随机填充"},
    {"BufferFind", "BufferFindTitle", "查找缓冲区"},
    {"BufferFind", "BufferFindValue", "查找内容(HEX):"},
    {"BufferJump", "BufferJumpTitle", "缓冲区跳转"},
    {"BufferJump", "BufferJumpAddr", "跳转地址(HEX):"},
    {"BufferJump", "BufferCurrentAddr", "当前地址(HEX):"},
    {"FirmUpdate", "FirmPageTitle", "固件版本更新"},
    {"FirmUpdate", "StartButton", "启动更新"},
    {"AboutMenu", "About", "关于"},
    {"HardInfo", "HardInfoTitle", "硬件信息"},
    {"HardInfo", "HardVersion", "硬件版本："},
    {"HardInfo", "SoftWareVersion", "固件版本："},
    {"HardInfo", "DevSN", "序列号："},
    {"HardInfo", "DevName", "设备名："},
    {"AutoSel", "AutoSelTitle", "自动选项"},
    {"AutoSel", "AutoSelIDCheck", "ID校验"},
    {"AutoSel", "AutoSelErase", "擦除"},
    {"AutoSel", "AutoSelWrite", "写入"},
    {"AutoSel", "AutoSelVerify", "校验"},
};

constexpr std::size_t kKeyCount =
    std::tuple_size_v<std::remove_cvref_t<decltype(LanguageKeys())>>;

// Indices into LanguageKeys() in the order the texts are read: the title,
// the buttons, the operation log texts, the connection texts, then the
// failure texts after them in the table.
constexpr std::array<std::size_t, kKeyCount> ReadOrder() {
  std::array<std::size_t, kKeyCount> order{};
  std::size_t n = 0;
  for (std::size_t i = 0; i <= 3; ++i) order[n++] = i;
  for (std::size_t i = 9; i <= 48; ++i) order[n++] = i;
  for (std::size_t i : {7, 8, 4, 5, 6}) order[n++] = i;
  for (std::size_t i = 49; i < kKeyCount; ++i) order[n++] = i;
  return order;
}

}  // namespace

std::filesystem::path LanguageFilePath(const std::filesystem::path& program_dir,
                                       std::int32_t language) {
  switch (LanguageItemFor(language)) {
    case LanguageMenuItem::SimplifiedChinese:
      return program_dir / "CN.ini";
    case LanguageMenuItem::TraditionalChinese:
      return program_dir / "TC.ini";
    case LanguageMenuItem::English:
      break;
  }
  return program_dir / "EN.ini";
}

LanguageMenuItem LanguageItemFor(std::int32_t language) {
  if (language == kLanguageSimplifiedChinese) return LanguageMenuItem::SimplifiedChinese;
  if (language == kLanguageTraditionalChinese) return LanguageMenuItem::TraditionalChinese;
  return LanguageMenuItem::English;
}

std::int32_t LanguageCodeOf(LanguageMenuItem item) {
  switch (item) {
    case LanguageMenuItem::SimplifiedChinese:
      return kLanguageSimplifiedChinese;
    case LanguageMenuItem::TraditionalChinese:
      return kLanguageTraditionalChinese;
    case LanguageMenuItem::English:
      break;
  }
  return kLanguageEnglish;
}

std::string_view LanguageMenuObjectName(LanguageMenuItem item) {
  switch (item) {
    case LanguageMenuItem::SimplifiedChinese:
      return "Menu_Settings_Lang_CN";
    case LanguageMenuItem::TraditionalChinese:
      return "Menu_Settings_Lang_TC";
    case LanguageMenuItem::English:
      break;
  }
  return "Menu_Settings_Lang_EN";
}

void LoadLanguageTexts(const ProfileFile& profile, Dev_Language_Struct& texts,
                       const std::string& app_version) {
  const Dev_Language_Struct defaults;
  const auto& keys = LanguageKeys();
  for (std::size_t index : ReadOrder()) {
    const LanguageKey& entry = keys[index];
    texts.*entry.field =
        profile.ReadString(entry.section, entry.key, defaults.*entry.field, entry.buffer_size);
  }
  texts.MainSoftWareInfo += "  " + app_version;
}

std::span<const CaptionEntry> MainWindowCaptionTable() { return kCaptions; }

std::string MainWindowCaptions::Caption(std::string_view object) const {
  const auto found = captions.find(object);
  return found == captions.end() ? std::string() : found->second;
}

MainWindowCaptions ComputeMainWindowCaptions(const ProfileFile& profile) {
  MainWindowCaptions result;
  for (const CaptionEntry& entry : kCaptions) {
    const std::string text =
        profile.ReadString(entry.section, entry.key, entry.default_text, kTextBuffer);
    if (!entry.menu.empty())
      result.captions[std::string(entry.menu)] = text + std::string(entry.suffix);
    if (!entry.plain.empty()) result.captions[std::string(entry.plain)] = text;
  }
  for (std::size_t i = 0; i < kSocketItemKeys.size(); ++i) {
    result.socket_items[i] =
        profile.ReadString(kSocketItemSection, kSocketItemKeys[i], kSocketItemDefault, kTextBuffer);
  }
  return result;
}

std::span<const DialogTextEntry> DialogTextTable() { return kDialogTexts; }

std::string ReadDialogText(const ProfileFile& profile, std::string_view section,
                           std::string_view key, std::string_view default_text) {
  return profile.ReadString(section, key, default_text, kTextBuffer);
}

std::string ReadDialogText(const ProfileFile& profile, std::string_view section,
                           std::string_view key) {
  std::string_view default_text;
  for (const DialogTextEntry& entry : kDialogTexts) {
    if (entry.section == section && entry.key == key) default_text = entry.default_text;
  }
  return ReadDialogText(profile, section, key, default_text);
}

}  // namespace tessary
