// The main window: composes the tool panel, chip panel, hex view, log and
// status bar, runs the start-up sequence, renders the core's window state
// and language, and forwards the operator's and the system's events (menus,
// timers, device notices, dropped files) to the core.
#pragma once

#include "app/app_context.h"
#include "app/start_up.h"
#include "device/usb_link.h"
#include "ui/main_window_layout.h"

#include <QMainWindow>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

class QTimer;

namespace tessary {

class AboutDialog;
class AutoOptionsWindow;
class ChipSearchWindow;
class HardwareInfoDialog;
class QtOperatorPanel;
class TfrmFileCombin;
class TfrmFileEdit;
class TfrmProject;
class TfrmUserImportChip;
class TfrmUpdate;

// What the open and save dialogs start with; the dialogs themselves are made
// when the operator asks for one.
struct FileDialogSetup {
  QStringList name_filters;
  QString directory;
  QString file_name;
};

// What an open or save dialog is asked to show.
struct FileDialogRequest {
  enum class Kind : std::uint8_t { Open, Save };
  Kind kind = Kind::Open;
  QString title;
  QStringList name_filters;
  QString start;  // the file (or folder) the dialog starts at
};
// Shows a file dialog; the chosen path, or nothing when cancelled.
using FileChooser = std::function<std::optional<std::filesystem::path>(const FileDialogRequest&)>;

class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  // Attaches `panel` to this window for the window's lifetime and takes the
  // link's presence notices. `paths` says where the program's files are.
  MainWindow(AppContext& ctx, QtOperatorPanel& panel, ProgramPaths paths, QWidget* parent = nullptr);
  // Every file in one folder (the portable form).
  MainWindow(AppContext& ctx, QtOperatorPanel& panel, const std::filesystem::path& program_folder,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // FormCreate: runs the start-up sequence in the program folder and, when
  // it succeeds, fills the about dialog's partner slots and shows the
  // outcome. The caller shows the message of a failed start and ends
  // without showing the window; only a started window saves the settings
  // when it closes.
  [[nodiscard]] StartUpOutcome StartUp();

  [[nodiscard]] const MainWindowWidgets& widgets() const { return widgets_; }
  [[nodiscard]] FileDialogSetup& odBin() { return odBin_; }
  [[nodiscard]] FileDialogSetup& sdMain() { return sdMain_; }
  [[nodiscard]] AboutDialog* frmAbout() const { return frmAbout_; }
  [[nodiscard]] TfrmFileEdit* frmFileEdit() const { return frmFileEdit_; }
  [[nodiscard]] HardwareInfoDialog* frmHardInfo() const { return frmHardInfo_; }
  [[nodiscard]] ChipSearchWindow* frmChipFind() const { return frmChipFind_; }
  [[nodiscard]] TfrmFileCombin* frmFileCombin() const { return frmFileCombin_; }
  [[nodiscard]] TfrmUserImportChip* frmUserImportChip() const { return frmUserImportChip_; }
  [[nodiscard]] TfrmUpdate* frmUpdate() const { return frmUpdate_; }

  // Replaces the desktop's file dialogs (odBin, sdMain and the windows that
  // borrow them), e.g. with a scripted answer.
  void SetFileChooser(FileChooser chooser) { choose_file_ = std::move(chooser); }
  [[nodiscard]] std::optional<std::filesystem::path> ChooseFile(const FileDialogRequest& request);
  // Where the settings, language files, catalogue, Icon and temp are.
  [[nodiscard]] const ProgramPaths& paths() const { return paths_; }

  // A menu item (or sub-menu action) by its object name; nullptr if unknown.
  [[nodiscard]] QAction* menuItem(const QString& name) const;

  // Appended to the title, e.g. to mark the demo programmer.
  void SetTitleSuffix(const QString& suffix);

  // Shows the core's MainWindowState (title, status bar, result text, menus,
  // socket mode and pictures, scan timer) and the chip selection frame.
  void RenderWindowState();
  // Shows ctx.Language: the captions, the programming-mode items and the
  // ticked language.
  void RenderLanguage();

  // Event handlers, named after their component and event.
  void Menu_File_ExitClick();
  void Menu_File_MenuMergeClick();
  void MenuAddChipClick();
  void memLogDblClick();
  void TimerForMassProduct();  // TimerScan's tick: the programmer scan
  void Menu_AboutClick();
  void Menu_Settings_Lang_CNClick();
  void Menu_Settings_Lang_TCClick();
  void Menu_Settings_Lang_ENClick();
  void sbChipDetectClick();
  void sbChipFindClick();
  void sbDevInfoClick();
  void MenuHardInfoClick();
  void MenuFirmUpdateClick();
  void mmChipDetectAutoClick();
  void mmManufClick();
  void rgbSocketTypeClick();
  void SpiClockItemClick(std::uint8_t code);  // N18MHz1Click ... N1125MHz1Click
  void mnProgChangeSPISpeedClick();
  void mnDMAEnableClick();
  void mnDMADisableClick();
  void mmBlockInitClick();
  void mmIgnoreInvalidBlocksClick();
  void sbOpenFileClick();
  void Menu_File_SaveAsClick();
  void MenuBufferFillClick();
  void MenuBufferFindClick();
  void MenuBufferFindNextClick();
  void MenuBufferGotoClick();
  // The programming operations and mass production.
  void sbEraseClick();
  void sbWriteClick();
  void sbReadClick();
  void sbVerifyClick();
  void sbBlankCheckClick();
  void sbStopClick();
  void sbAutoClick();
  void sbMessClick();
  void timMassTimer();
  void timMassChipCheckTimer();
  void btnClearDownTimesClick();
  void MenuAutoSelClick();

  // True while a programming operation or mass production runs: the buffer
  // must then stay as it is.
  [[nodiscard]] bool OperationBusy() const;
  [[nodiscard]] AutoOptionsWindow* frmAutoSel() const { return frmAutoSel_; }
  // The offline project window and its menu item.
  [[nodiscard]] TfrmProject* frmProject() const { return frmProject_; }
  void MenuPrjOfflineClick();

  // Gives the hexadecimal pane the focus and marks `length` caret positions
  // from `start` (a found byte sequence); typing goes to its first digit.
  void SelectHexRange(std::uint32_t start, std::uint32_t length);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormClose();
  void ChooseLanguageClick(std::int32_t language);
  void SetCaption(const QString& object, const QString& caption);
  void OnPresence(PresenceEvent event);
  void ServiceDeviceEvents();
  void ConnectMenu(const char* name, void (MainWindow::*handler)());
  void WireEvents();
  // Runs a core handler: a catalogue failure is shown in the error box and
  // ends it; the window then shows whatever state it left.
  template <typename Handler>
  void RunHandler(Handler&& handler);
  // Runs an operation handler; a close asked for meanwhile happens once the
  // outermost one has returned.
  template <typename Handler>
  void RunOperation(Handler&& handler);
  // Refuses a command that would re-create or cut the buffer while an
  // operation runs; true when refused (the log says why).
  bool RefusedWhileOperating();
  void RenderOperationControls();

  AppContext& ctx_;
  QtOperatorPanel& panel_;
  ProgramPaths paths_;
  QString title_suffix_;
  MainWindowWidgets widgets_;
  bool started_up_ = false;

  FileDialogSetup odBin_;
  FileDialogSetup sdMain_;
  AboutDialog* frmAbout_ = nullptr;
  TfrmFileEdit* frmFileEdit_ = nullptr;
  HardwareInfoDialog* frmHardInfo_ = nullptr;
  TfrmFileCombin* frmFileCombin_ = nullptr;
  ChipSearchWindow* frmChipFind_ = nullptr;
  TfrmUserImportChip* frmUserImportChip_ = nullptr;
  TfrmUpdate* frmUpdate_ = nullptr;
  FileChooser choose_file_;
  QTimer* TimerScan = nullptr;
  QTimer* timMass = nullptr;
  QTimer* timMassChipCheck = nullptr;
  QTimer* device_events_ = nullptr;  // delivers the link's arrival/removal notices
  bool servicing_device_events_ = false;
  AutoOptionsWindow* frmAutoSel_ = nullptr;
  TfrmProject* frmProject_ = nullptr;
  int operation_depth_ = 0;   // operation handlers on the stack
  bool close_pending_ = false;  // closing waits for the operation to return
};

}  // namespace tessary
