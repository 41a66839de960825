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
    // The offline project window (captions, status texts and messages).
    {"OfflinePrj", "Caption", "离线工程"},
    {"OfflinePrj", "EditPage", "离线工程编辑"},
    {"OfflinePrj", "ChooseDataFile", "选择数据文件"},
    {"OfflinePrj", "OperationGroup", "操作设定"},
    {"OfflinePrj", "IdCheck", "ID检查"},
    {"OfflinePrj", "Erase", "擦除"},
    {"OfflinePrj", "BlankCheck", "查空"},
    {"OfflinePrj", "Write", "写入"},
    {"OfflinePrj", "Verify", "校验"},
    {"OfflinePrj", "DownMethod", "下载方式"},
    {"OfflinePrj", "MethodManual", "手动"},
    {"OfflinePrj", "MethodAuto", "自动"},
    {"OfflinePrj", "MethodMachine", "机台烧录"},
    {"OfflinePrj", "LimitRuns", "限制次数"},
    {"OfflinePrj", "DownloadButton", "下载当前工程"},
    {"OfflinePrj", "NoFileYet", "文件名:文件待选择."},
    {"OfflinePrj", "ChooseChip", "请选择芯片名称！"},
    {"OfflinePrj", "ChooseDataFirst", "请先选择数据文件，然后再下载."},
    {"OfflinePrj", "VerifyFailed", "校验错误，请重试."},
    {"OfflinePrj", "WriteFailed", "写入错误，请重试."},
    {"OfflinePrj", "DataUnreadable", "数据文件无法读取，请重新选择."},
    {"OfflinePrj", "DataTooLarge", "数据文件大于编程器的16MB存储，未下载."},
    {"OfflinePrj", "DataChanged", "数据文件在选择后已改变，请重新选择."},
    {"OfflinePrj", "ProjectNotWritten", "工程文件无法写入，未下载."},
    {"OfflinePrj", "ProjectTooLong", "工程文件超过512字节，请缩短名称."},
    {"OfflinePrj", "ProjectNotAnswered", "工程文件下载错误，编程器没有应答."},
    {"OfflinePrj", "NotSkar", "只有Skar编程器可以存储离线工程."},
    {"OfflinePrj", "Downloaded", "工程下载完成，校验成功."},
    {"OfflinePrj", "StepProject", "工程文件下载"},
    {"OfflinePrj", "StateDownloadError", "下载错误"},
    {"OfflinePrj", "StateDownloadSuccess", "下载成功"},
    {"OfflinePrj", "StepData", "数据文件下载"},
    {"OfflinePrj", "StateDataStarting", "下载中，0%"},
    {"OfflinePrj", "StepWrite", "板载存储擦除&写入"},
    {"OfflinePrj", "StateWriteDone", "擦除&写入完成"},
    {"OfflinePrj", "StateWriteError", "写入错误"},
    {"OfflinePrj", "StepVerify", "数据文件校验"},
    {"OfflinePrj", "StateVerifyDone", "校验成功"},
    {"OfflinePrj", "StateVerifyError", "校验错误"},
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

// The firmware update window's messages for its failure paths.
constexpr DialogTextEntry kMessageTexts[] = {
    {"FirmUpdate", "VersionUnreadable", "（文件名中的版本号无法识别，已跳过）"},
    {"FirmUpdate", "RunningVersionUnknown",
     "无法识别设备的固件版本号，请勾选“已处于BOOT模式，直接更新”并手动选择升级包."},
    {"FirmUpdate", "PackageUnreadable", "升级文件包无法读取："},
    {"FirmUpdate", "PackageTooShort", "文件太短，不是升级文件包."},
    {"FirmUpdate", "PackageUnknownFormat", "文件头格式不符."},
    {"FirmUpdate", "PackageDirectoryCut", "目录不完整，找不到iap.bin."},
    {"FirmUpdate", "PackageNoImage", "文件包中没有iap.bin."},
    {"FirmUpdate", "PackageImageEmpty", "iap.bin为空."},
    {"FirmUpdate", "PackageImageOutside", "iap.bin超出文件末尾，文件不完整."},
    {"FirmUpdate", "BlockUnanswered", "固件数据块多次发送无应答，更新已中止."},
    {"FirmUpdate", "LinkLost", "更新过程中设备断开连接，更新已中止."},
    {"FirmUpdate", "CheckRejected", "固件校验失败，编程器未接受该固件."},
    {"FirmUpdate", "CheckUnanswered", "固件校验无应答，更新未完成."},
    {"FirmUpdate", "NotBack", "编程器未以新固件重新连接，请重新插拔编程器后查看版本."},
    {"FirmUpdate", "RetryAdvice",
     "更新失败！编程器停留在Boot模式，请勾选“已处于BOOT模式，直接更新”，手动选择升级包后重试."},
};

std::span<const DialogTextEntry> MessageTextTable() { return kMessageTexts; }

std::string ReadMessageText(const ProfileFile& profile, std::string_view section,
                            std::string_view key) {
  std::string_view default_text;
  for (const DialogTextEntry& entry : kMessageTexts) {
    if (entry.section == section && entry.key == key) default_text = entry.default_text;
  }
  return profile.ReadString(section, key, default_text, kMessageTextBuffer);
}

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
