// Programmer arrival, identification and removal.
#include "app/device_connection.h"

#include "app/chip_handlers.h"
#include "device/identity_queries.h"

namespace tessary {
namespace {

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The log line naming why a programmer on the bus could not be opened, in
// the operator's language.
const std::string& OpenFailureText(const Dev_Language_Struct& texts, UsbOpenResult reason) {
  switch (reason) {
    case UsbOpenResult::AccessDenied:
      return texts.LogUsbAccessDenied;
    case UsbOpenResult::Busy:
      return texts.LogUsbBusy;
    case UsbOpenResult::Disconnected:
      return texts.LogUsbDisconnected;
    case UsbOpenResult::NoUsableEndpoints:
      return texts.LogUsbNoEndpoints;
    case UsbOpenResult::UsbUnavailable:
      return texts.LogUsbUnavailable;
    case UsbOpenResult::Opened:
    case UsbOpenResult::NotFound:  // never logged: no programmer is silent
    case UsbOpenResult::UsbError:
      return texts.LogUsbError;
  }
  return texts.LogUsbError;
}

void SetTimerScan(AppContext& ctx, bool enabled) {
  ctx.Window.TimerScanEnabled = enabled;
  ctx.panel.MainWindowStateChanged();
}

}  // namespace

void ScanForProgrammer(AppContext& ctx) {
  if (ctx.link.LinkOpen()) return;
  SetTimerScan(ctx, false);
  const UsbOpenResult before = ctx.link.LastOpenResult();
  if (!ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId)) {
    // No programmer: silent, and only an arrival notice scans again. One that
    // is there but cannot be opened (no access, in use) is named once, and
    // the scan goes on, so fixing the cause is enough.
    const UsbOpenResult reason = ctx.link.LastOpenResult();
    if (reason == UsbOpenResult::NotFound) return;
    if (reason != before) ctx.log.LogStamped(OpenFailureText(ctx.Texts, reason), LogColour::Error);
    SetTimerScan(ctx, true);
    return;
  }
  // Linked before the first query, so a notice handled while it waits finds
  // the link taken and returns at once.
  ctx.link.MarkLinked();
  IdentifyProgrammer(ctx);
}

bool IdentifyProgrammer(AppContext& ctx) {
  Dev_Inf_Struct& info = ctx.DeviceInfo;
  if (!ReadFirmwareVersion(ctx.link, info)) {
    ctx.link.UsbCloseDevice();
    SetTimerScan(ctx, true);
    return false;
  }
  ctx.SetStatusPanel(1, ctx.Texts.DevConVersion + info.FirmVer);

  ReadIdentityTexts(ctx.link, info);
  ctx.SetStatusPanel(0, ctx.Texts.DevConStaOnline + ": " + info.DevName);

  MainWindowState& window = ctx.Window;
  if (StartsWith(info.DevName, "Skar")) {
    // Only the programmer's own display uses it; nothing to recover.
    static_cast<void>(SendProgrammerLanguage(ctx.link, info.Language));
    window.PrjOfflineMenuEnabled = true;
    window.PrjOfflineMenuVisible = true;
    window.SocketTypeIndex = 0;
    window.SocketTypeEnabled = false;
  } else {
    window.PrjOfflineMenuEnabled = false;
    window.PrjOfflineMenuVisible = false;
    window.SocketTypeEnabled = true;
  }
  ctx.panel.MainWindowStateChanged();

  ctx.log.LogStamped(ctx.Texts.DevConLogDevice + info.DevName + "," + ctx.Texts.DevConLogSN +
                         info.DevSN,
                     LogColour::Highlight);
  if (StartsWith(info.FirmVer, "BOOT")) return true;  // waits for a firmware update

  info.DefaultMode = "Velor";
  if (ctx.Database.IsOpen()) {
    try {
      LoadChipTypes(ctx);
      // As if the operator had pressed the detection button.
      // Detection reports its outcome in the log itself.
      static_cast<void>(sbChipDetectClick(ctx));
    } catch (const DatabaseError& e) {
      ctx.log.LogStamped(e.what(), LogColour::Error);
    }
  }
  return true;
}

void OnProgrammerRemoved(AppContext& ctx) {
  if (!ctx.link.HasDevice()) return;
  ctx.link.UsbCloseDevice();
  ctx.SetStatusPanel(0, ctx.Texts.DevConStaOffline);
  ctx.SetStatusPanel(1, "");
  ctx.log.ReportDeviceOffline(ctx.Texts.DevConStaOffline);
}

}  // namespace tessary
