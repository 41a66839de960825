// The hardware information dialog's texts.
#include "app/hardware_info.h"

#include "base/language_files.h"
#include "base/profile_file.h"

namespace tessary {
namespace {

constexpr std::string_view kSection = "HardInfo";

std::optional<HardwareInfoView> ShowIfLinked(AppContext& ctx, bool with_versions) {
  if (!ctx.link.LinkOpen()) {
    ctx.log.ReportDeviceOffline(ctx.Texts.DevConStaOffline);
    return std::nullopt;
  }
  return ComposeHardwareInfo(ctx, with_versions);
}

}  // namespace

HardwareInfoView ComposeHardwareInfo(const AppContext& ctx, bool with_versions) {
  const ProfileFile language(LanguageFilePath(ctx.Paths.DataFolder(), ctx.DeviceInfo.Language));
  HardwareInfoView view;
  view.Caption = ReadDialogText(language, kSection, "HardInfoTitle", "硬件信息");
  view.HardwareLabel = ReadDialogText(language, kSection, "HardVersion", "硬件版本：");
  view.FirmwareLabel = ReadDialogText(language, kSection, "SoftWareVersion", "固件版本：");
  view.SerialLabel = ReadDialogText(language, kSection, "DevSN", "序列号：");
  view.DevNameLabel = ReadDialogText(language, kSection, "DevName", "设备名：");

  const Dev_Inf_Struct& info = ctx.DeviceInfo;
  view.FirmVer = info.FirmVer;
  view.HardVer = info.HardVer;
  view.DevName = info.DevName;
  view.DevSN = info.DevSN;
  view.VersionsVisible = with_versions;
  return view;
}

std::optional<HardwareInfoView> MenuHardInfoClick(AppContext& ctx) {
  return ShowIfLinked(ctx, true);
}

std::optional<HardwareInfoView> sbDevInfoClick(AppContext& ctx) { return ShowIfLinked(ctx, false); }

}  // namespace tessary
