// The program's one-instance records and services, in one object. The
// program makes one; every test makes a fresh one.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "base/clock.h"
#include "app/language.h"
#include "app/project_window_state.h"
#include "app/program_paths.h"
#include "base/language_texts.h"
#include "base/operation_log.h"
#include "base/operator_panel.h"
#include "buffer/data_buffer.h"
#include "buffer/hex_view.h"
#include "catalogue/chip_database.h"
#include "catalogue/chip_frame_state.h"
#include "catalogue/chip_record.h"
#include "catalogue/chip_search_state.h"
#include "device/device_info.h"
#include "device/device_link.h"
#include "device/waits.h"
#include "operations/bad_block_table.h"
#include "operations/chip_job.h"

namespace tessary {

// Which socket pin-out picture the left panel shows.
enum class SocketPinout : std::uint8_t { Standard, Pinout1, Pinout10, Pinout20 };

// State of the main window that the core decides and the window renders.
struct MainWindowState {
  std::array<std::string, 4> StatusPanels;
  std::string Title;                 // caption of the main window
  std::string ResultText;            // stResult: "Suc:0  Fal:0"
  bool TimerScanEnabled = true;
  bool PrjOfflineMenuVisible = false;
  bool PrjOfflineMenuEnabled = false;
  bool HelpMenuVisible = false;
  bool NandMenusVisible = true;      // mnNandOption, mnProgChangeSPISpeed, SPIDMA1
  bool IgnoreInvalidBlocks = true;   // mmIgnoreInvalidBlocks ticked
  bool NandOptionMenuVisible = true; // mnNandOption itself; a scan with a non-NAND chip hides it
  std::uint8_t SpiClockTicked = 2;   // code (1..5) of the ticked SPI clock item, 0 none
  bool SpiDmaEnableTicked = true;    // mnDMAEnable ticked, else mnDMADisable
  int SocketTypeIndex = 0;           // rgbSocketType: 0 single, 1 dual
  bool SocketTypeEnabled = true;
  bool SocketTypeVisible = true;
  SocketPinout Pinout = SocketPinout::Standard;
  // One chip operation at a time: while one runs the other operation
  // buttons and menu items are disabled; the stop button stays usable.
  bool OperationRunning = false;
  // Mass production (the tag of sbMess) and what it locks: sbAuto,
  // sbBlankCheck, sbErase, sbWrite, sbRead, sbVerify, sbStop and MenuProgram.
  bool MassRunning = false;
  bool ProgramControlsLocked = false;
  int MassIdleTicks = 0;  // the tag of timMass
  bool TimMassEnabled = false;
  bool TimMassChipCheckEnabled = false;
  bool AutoButtonEnabled = true;  // sbAuto, off while its sequence runs
  std::string OpenDialogFolder;      // odBin initial folder
  std::string OpenDialogFile;        // odBin file name
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

  // Where the program's files are (portable folder or installed form).
  ProgramPaths Paths;
  // Where the auto sequence appends its production record; empty: one file
  // a day in the records folder.
  std::filesystem::path RecordFile;

  Dev_Inf_Struct DeviceInfo;
  Prj_Info_Struct CurrentPrj;
  Prj_Info_Struct OfflinePrj;
  Ram_File_Info_Struct RamFile;
  HexView Hex{RamFile, CurrentPrj};
  ChipDatabase Database;  // the catalogue and its one shared query
  ChipFrameState ChipFrame;
  ChipSearchState ChipSearch;  // the chip search window
  std::array<bool, kAvailabilityTypeNames.size()> ChipTypeAvailability{};
  bool ChipDetectAutoSelect = true;  // mmChipDetectAuto ticked, else mmManuf
  MainWindowState Window;
  Dev_Language_Struct Texts;  // log and message texts of the current language
  BadBlockTable BadBlocks;    // the last NAND bad-block scan
  LanguageState Language;     // captions of the current language
  ProjectWindowState Project; // the offline project window

  // What the chip operations work with, taken from the records above.
  [[nodiscard]] ChipJob Job() {
    return ChipJob{link,  CurrentPrj, RamFile, BadBlocks, Window.IgnoreInvalidBlocks,
                   log,   panel,      Texts,   clock};
  }

  // Sets a status-bar panel and shows it at once.
  void SetStatusPanel(int index, std::string_view text) {
    Window.StatusPanels.at(static_cast<std::size_t>(index)) = std::string(text);
    panel.SetStatusPanel(index, text);
  }
};

}  // namespace tessary
