// The firmware update window (TfrmUpdate) and the update both front ends
// run: the package choice (automatic from the package folders, or by hand),
// the whole-package check before the programmer is touched, the restart into
// the boot loader, the image transfer and the return to the application,
// followed through the device connection's arrival and removal handling.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/firmware_package.h"

namespace tessary {

class AppContext;

// Texts of one showing of the update window.
struct UpdateWindowView {
  std::string Caption;           // FirmUpdate/FirmPageTitle
  std::string StartButton;       // btnStartIAP, FirmUpdate/StartButton
  std::string BootReadyCaption;  // chkBootReady
  std::string Warning;           // Label1
};

// TfrmMain::MenuFirmUpdateClick: the window's texts, or nullopt and the red
// offline line when no programmer is linked.
[[nodiscard]] std::optional<UpdateWindowView> MenuFirmUpdateClick(AppContext& ctx);

// The folders the automatic choice searches, in order: the user's "iap"
// folder when installed, then the one shipped with the program.
[[nodiscard]] std::vector<std::filesystem::path> FirmwarePackageFolders(const AppContext& ctx);

// The open dialog of the manual choice.
struct PackageDialogRequest {
  std::filesystem::path folder;  // the first package folder
  std::string filter = "Iap File|*.iap";
  std::string file_name = "0";
  std::string title = "请手动选择您要升级的固件包,务必选择正确的升级包，否则可能出现不可逆的损坏.";
};

struct FirmwareUpdateRequest {
  // chkBootReady: the programmer already runs its boot loader; no restart
  // request, and the package is chosen by hand.
  bool boot_ready = false;
  // A package named beforehand (the command line's PACKAGE): taken instead
  // of either choice.
  std::optional<std::filesystem::path> named_package;
  // The manual choice; nullopt when the operator cancels.
  std::function<std::optional<std::filesystem::path>(const PackageDialogRequest&)> choose_package;
  // memUpdateLog: cleared at the start, one line per step.
  std::function<void()> clear_log;
  std::function<void(std::string_view)> log;
};

enum class FirmwareUpdateResult : std::uint8_t {
  Updated,      // the programmer runs its new firmware; the window closes
  NotStarted,   // no package (none found, none newer, cancelled): nothing sent
  BadPackage,   // the package was refused before anything was sent
  Failed,       // the transfer or the image check failed
  NotBack,      // the image was accepted, but the programmer did not return
};

// The update itself, for the window and the command line. While it runs
// the main window's operations are locked (OperationRunning).
[[nodiscard]] FirmwareUpdateResult UpdateFirmware(AppContext& ctx,
                                                  const FirmwareUpdateRequest& request);

// TfrmUpdate::btnStartIAPClick.
[[nodiscard]] FirmwareUpdateResult btnStartIAPClick(AppContext& ctx,
                                                    const FirmwareUpdateRequest& request);

}  // namespace tessary
