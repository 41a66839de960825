// The program's one-instance records and services, in one object. The
// program makes one; every test makes a fresh one.
#pragma once

#include <array>
#include <string>

#include "app/clock.h"
#include "app/language_texts.h"
#include "app/operation_log.h"
#include "app/operator_panel.h"
#include "catalogue/chip_record.h"
#include "device/device_info.h"
#include "device/device_link.h"
#include "device/waits.h"

namespace tessary {

// State of the main window that the core decides and the window renders.
struct MainWindowState {
  std::array<std::string, 4> StatusPanels;
  bool TimerScanEnabled = true;
  bool PrjOfflineMenuVisible = false;
  bool PrjOfflineMenuEnabled = false;
  int SocketTypeIndex = 0;         // rgbSocketType: 0 single, 1 dual
  bool SocketTypeEnabled = true;
};

class AppContext {
 public:
  AppContext(Clock& clock, OperatorPanel& panel, UsbLink& usb)
      : clock(clock), panel(panel), waiter(clock, panel), log(clock, panel), link(usb, waiter) {}
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  Clock& clock;
  OperatorPanel& panel;
  Waiter waiter;
  OperationLog log;
  DeviceLink link;

  Dev_Inf_Struct DeviceInfo;
  Prj_Info_Struct CurrentPrj;
  Prj_Info_Struct OfflinePrj;
  MainWindowState Window;
  Dev_Language_Struct Texts;  // log and message texts of the current language

  // Sets a status-bar panel and shows it at once.
  void SetStatusPanel(int index, std::string_view text) {
    Window.StatusPanels.at(static_cast<std::size_t>(index)) = std::string(text);
    panel.SetStatusPanel(index, text);
  }
};

}  // namespace tessary
