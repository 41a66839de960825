// The main window: composes the tool panel, chip panel, hex view, log and
// status bar, renders the core's window state and forwards the operator's
// and the system's events (menus, timers, device notices, dropped files) to
// the core.
#pragma once

#include "app/app_context.h"
#include "device/usb_link.h"
#include "ui/main_window_layout.h"

#include <QMainWindow>

#include <filesystem>

class QTimer;

namespace tessary {

class QtOperatorPanel;

// What the open and save dialogs start with; the dialogs themselves are made
// when the operator asks for one.
struct FileDialogSetup {
  QStringList name_filters;
  QString directory;
  QString file_name;
};

class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  // Attaches `panel` to this window for the window's lifetime and takes the
  // link's presence notices. `program_folder` holds the program's files.
  MainWindow(AppContext& ctx, QtOperatorPanel& panel, std::filesystem::path program_folder,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  [[nodiscard]] const MainWindowWidgets& widgets() const { return widgets_; }
  [[nodiscard]] FileDialogSetup& odBin() { return odBin_; }
  [[nodiscard]] FileDialogSetup& sdMain() { return sdMain_; }
  // The executable's folder: settings, language files, catalogue, Icon, temp.
  [[nodiscard]] const std::filesystem::path& programFolder() const { return program_folder_; }

  // A menu item (or sub-menu action) by its object name; nullptr if unknown.
  [[nodiscard]] QAction* menuItem(const QString& name) const;

  // Appended to the title, e.g. to mark the demo programmer.
  void SetTitleSuffix(const QString& suffix);

  // Shows the core's MainWindowState: the status panels, the offline-project
  // menu, the socket mode and the scan timer; and the title of the current
  // language.
  void RenderWindowState();

  // Event handlers, named after their component and event.
  void Menu_File_ExitClick();
  void memLogDblClick();
  void TimerForMassProduct();  // TimerScan's tick: the programmer scan

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormClose();
  void OnPresence(PresenceEvent event);
  void ServiceDeviceEvents();

  AppContext& ctx_;
  QtOperatorPanel& panel_;
  std::filesystem::path program_folder_;
  QString title_suffix_;
  MainWindowWidgets widgets_;

  FileDialogSetup odBin_;
  FileDialogSetup sdMain_;
  QTimer* TimerScan = nullptr;
  QTimer* timMass = nullptr;
  QTimer* timMassChipCheck = nullptr;
  QTimer* device_events_ = nullptr;  // delivers the link's arrival/removal notices
  bool servicing_device_events_ = false;
};

}  // namespace tessary
