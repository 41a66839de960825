// The hardware information dialog (TfrmHardInfo): the programmer's model,
// serial number and versions with their labels in the current language.
// The handlers decide what the dialog shows; the window only renders it.
#pragma once

#include <optional>
#include <string>

#include "app/app_context.h"

namespace tessary {

// One showing of the dialog.
struct HardwareInfoView {
  std::string Caption;          // HardInfo/HardInfoTitle
  std::string DevNameLabel;     // label of lbeHardInfoDevName
  std::string SerialLabel;      // label of lbeHardInfoSN
  std::string FirmwareLabel;    // label of lbeHardInfoFirmVer
  std::string HardwareLabel;    // label of lbeHardware
  std::string DevName;          // lbeHardInfoDevName
  std::string DevSN;            // lbeHardInfoSN
  std::string FirmVer;          // lbeHardInfoFirmVer
  std::string HardVer;          // lbeHardware
  bool VersionsVisible = true;  // the firmware and hardware version fields
};

// The texts for one showing, read afresh from the current language's file
// (section "HardInfo", built-in defaults when missing). `with_versions`
// decides whether the two version fields are shown.
[[nodiscard]] HardwareInfoView ComposeHardwareInfo(const AppContext& ctx, bool with_versions);

// TfrmMain::MenuHardInfoClick ("硬件信息"): everything, versions included.
// TfrmMain::sbDevInfoClick (the "设备" button): model and serial number only.
// Both: nullopt and the red offline line when no programmer is linked.
[[nodiscard]] std::optional<HardwareInfoView> MenuHardInfoClick(AppContext& ctx);
[[nodiscard]] std::optional<HardwareInfoView> sbDevInfoClick(AppContext& ctx);

}  // namespace tessary
