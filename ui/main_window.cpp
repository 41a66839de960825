// The main window: composition and event forwarding.
#include "ui/main_window.h"

#include "app/about.h"
#include "app/buffer_handlers.h"
#include "app/chip_handlers.h"
#include "app/file_drop.h"
#include "app/language.h"
#include "app/operation_handlers.h"
#include "app/settings.h"
#include "buffer/file_commands.h"
#include "app/device_connection.h"
#include "app/hardware_info.h"
#include "app/programmer_options.h"
#include "ui/about_dialog.h"
#include "ui/auto_options_window.h"
#include "ui/chip_search_window.h"
#include "ui/chip_selection_frame.h"
#include "ui/error_box.h"
#include "ui/file_edit_dialog.h"
#include "ui/file_merge_window.h"
#include "ui/hardware_info_dialog.h"
#include "ui/hex_view_pane.h"
#include "ui/main_window_menus.h"
#include "ui/project_window.h"
#include "ui/qt_operator_panel.h"
#include "ui/user_chip_window.h"
#include "ui/update_window.h"
#include "app/firmware_update_handlers.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QPushButton>
#include <QButtonGroup>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <algorithm>

// The pictures are compiled into the static UI library; naming their
// initialiser here keeps the linker from dropping them.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace tessary {
namespace {

constexpr int kClientWidth = 879;
constexpr int kClientHeight = 665;
constexpr int kScanIntervalMs = 1000;
constexpr int kMassIntervalMs = 100;
constexpr int kMassChipCheckIntervalMs = 2000;
constexpr int kDeviceEventsIntervalMs = 100;

constexpr std::string_view kDialogFilter = "Bin File|*.bin|用过的文件|*.usd|ALL|*.*";

QString FromCore(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::filesystem::path ToPath(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

QString FromPath(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

// The desktop's own dialogs.
std::optional<std::filesystem::path> DesktopFileDialog(QWidget* parent,
                                                       const FileDialogRequest& request) {
  const QString filter = request.name_filters.join(QStringLiteral(";;"));
  const QString chosen =
      request.kind == FileDialogRequest::Kind::Open
          ? QFileDialog::getOpenFileName(parent, request.title, request.start, filter)
          : QFileDialog::getSaveFileName(parent, request.title, request.start, filter);
  if (chosen.isEmpty()) return std::nullopt;
  return ToPath(chosen);
}

// Starts or stops `timer`; restarting a running one would push its next
// tick back.
void SetTimerRunning(QTimer& timer, bool running) {
  if (!running) {
    timer.stop();
  } else if (!timer.isActive()) {
    timer.start();
  }
}


QTimer* MakeTimer(QObject* owner, const char* name, int interval_ms) {
  auto* timer = new QTimer(owner);
  timer->setObjectName(name);
  timer->setInterval(interval_ms);
  return timer;
}

}  // namespace

MainWindow::MainWindow(AppContext& ctx, QtOperatorPanel& panel,
                       const std::filesystem::path& program_folder, QWidget* parent)
    : MainWindow(ctx, panel, PortablePaths(program_folder), parent) {}

MainWindow::MainWindow(AppContext& ctx, QtOperatorPanel& panel, ProgramPaths paths, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), panel_(panel), paths_(std::move(paths)) {
  InitResources();
  setObjectName("frmMain");
  setFont(MainWindowFont());

  menuBar()->setObjectName("MainMenu");
  BuildMainMenus(*menuBar());
  widgets_ = BuildMainWindowWidgets(*this, ctx_);
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  setAcceptDrops(true);

  odBin_ = {NameFiltersFromPipeList(kDialogFilter), QStringLiteral("..//"), {}};
  sdMain_ = {NameFiltersFromPipeList(kDialogFilter), {}, {}};

  choose_file_ = [this](const FileDialogRequest& request) {
    return DesktopFileDialog(this, request);
  };

  // The other windows, made once and only shown and hidden from here on.
  frmFileEdit_ = new TfrmFileEdit(ctx_, this);
  frmAbout_ = new AboutDialog(this);
  frmHardInfo_ = new HardwareInfoDialog(this);
  frmFileCombin_ = new TfrmFileCombin(panel_, this);
  frmChipFind_ = new ChipSearchWindow(ctx_, this);
  frmUserImportChip_ = new TfrmUserImportChip(ctx_, this);
  frmAutoSel_ = new AutoOptionsWindow(ctx_, this);
  frmUpdate_ = new TfrmUpdate(ctx_, this);

  WireEvents();

  TimerScan = MakeTimer(this, "TimerScan", kScanIntervalMs);
  connect(TimerScan, &QTimer::timeout, this, &MainWindow::TimerForMassProduct);
  // Both belong to mass production; its state starts and stops them.
  timMass = MakeTimer(this, "timMass", kMassIntervalMs);
  connect(timMass, &QTimer::timeout, this, &MainWindow::timMassTimer);
  timMassChipCheck = MakeTimer(this, "timMassChipCheck", kMassChipCheckIntervalMs);
  connect(timMassChipCheck, &QTimer::timeout, this, &MainWindow::timMassChipCheckTimer);

  device_events_ = MakeTimer(this, "timDeviceEvents", kDeviceEventsIntervalMs);
  connect(device_events_, &QTimer::timeout, this, &MainWindow::ServiceDeviceEvents);
  ctx_.link.usb().SetPresenceHandler([this](PresenceEvent event) { OnPresence(event); });
  device_events_->start();

  panel_.Attach(this);
  RenderWindowState();
}

MainWindow::~MainWindow() {
  ctx_.link.usb().SetPresenceHandler(nullptr);
  panel_.Attach(nullptr);
}

QAction* MainWindow::menuItem(const QString& name) const {
  return menuBar()->findChild<QAction*>(name);
}

template <typename Handler>
void MainWindow::RunHandler(Handler&& handler) {
  RunGuarded(this, std::forward<Handler>(handler));
  RenderWindowState();
}

template <typename Handler>
void MainWindow::RunOperation(Handler&& handler) {
  ++operation_depth_;
  RunHandler(std::forward<Handler>(handler));
  --operation_depth_;
  if (close_pending_ && operation_depth_ == 0 && !OperationBusy()) close();
}

bool MainWindow::OperationBusy() const {
  return ctx_.Window.OperationRunning || ctx_.Window.MassRunning;
}

bool MainWindow::RefusedWhileOperating() {
  if (!OperationBusy()) return false;
  ctx_.log.LogStamped(ctx_.Texts.LogBufferBusy, LogColour::Error);
  return true;
}

void MainWindow::WireEvents() {
  const MainWindowWidgets& w = widgets_;
  ConnectMenu("MenuAuto", &MainWindow::sbAutoClick);
  ConnectMenu("MenuBlankCheck", &MainWindow::sbBlankCheckClick);
  ConnectMenu("MenuErase", &MainWindow::sbEraseClick);
  ConnectMenu("MenuWrite", &MainWindow::sbWriteClick);
  ConnectMenu("MenuRead", &MainWindow::sbReadClick);
  ConnectMenu("MenuVerify", &MainWindow::sbVerifyClick);
  ConnectMenu("MenuMess", &MainWindow::sbMessClick);
  ConnectMenu("MenuAutoSel", &MainWindow::MenuAutoSelClick);
  connect(w.sbAuto, &QToolButton::clicked, this, &MainWindow::sbAutoClick);
  connect(w.sbBlankCheck, &QToolButton::clicked, this, &MainWindow::sbBlankCheckClick);
  connect(w.sbErase, &QToolButton::clicked, this, &MainWindow::sbEraseClick);
  connect(w.sbWrite, &QToolButton::clicked, this, &MainWindow::sbWriteClick);
  connect(w.sbRead, &QToolButton::clicked, this, &MainWindow::sbReadClick);
  connect(w.sbVerify, &QToolButton::clicked, this, &MainWindow::sbVerifyClick);
  connect(w.sbMess, &QToolButton::clicked, this, &MainWindow::sbMessClick);
  connect(w.sbStop, &QToolButton::clicked, this, &MainWindow::sbStopClick);
  connect(w.btnClearDownTimes, &QPushButton::clicked, this, &MainWindow::btnClearDownTimesClick);
  ConnectMenu("Menu_File_Open", &MainWindow::sbOpenFileClick);
  ConnectMenu("Menu_File_Save", &MainWindow::Menu_File_SaveAsClick);
  ConnectMenu("Menu_File_SaveAs", &MainWindow::Menu_File_SaveAsClick);
  ConnectMenu("Menu_File_MenuMerge", &MainWindow::Menu_File_MenuMergeClick);
  ConnectMenu("Menu_File_Exit", &MainWindow::Menu_File_ExitClick);
  ConnectMenu("MenuBufferFill", &MainWindow::MenuBufferFillClick);
  ConnectMenu("MenuBufferFind", &MainWindow::MenuBufferFindClick);
  ConnectMenu("MenuBufferFindNext", &MainWindow::MenuBufferFindNextClick);
  ConnectMenu("MenuBufferGoto", &MainWindow::MenuBufferGotoClick);
  ConnectMenu("MenuHardInfo", &MainWindow::MenuHardInfoClick);
  ConnectMenu("MenuFirmUpdate", &MainWindow::MenuFirmUpdateClick);
  // The manual package choice uses odBin, started in the package folder.
  frmUpdate_->SetPackageChooser([this](const PackageDialogRequest& request) {
    return ChooseFile({FileDialogRequest::Kind::Open, QString::fromStdString(request.title),
                       NameFiltersFromPipeList(request.filter),
                       FromPath(request.folder / request.file_name)});
  });
  connect(frmUpdate_, &TfrmUpdate::updateFinished, this, &MainWindow::RenderWindowState);
  ConnectMenu("mmChipDetectAuto", &MainWindow::mmChipDetectAutoClick);
  ConnectMenu("mmManuf", &MainWindow::mmManufClick);
  for (const SpiClockItem& item : kSpiClockItems) {
    QAction* action = menuItem(FromCore(item.name));
    connect(action, &QAction::triggered, this,
            [this, code = item.code] { SpiClockItemClick(code); });
  }
  connect(menuBar()->findChild<QMenu*>("mnProgChangeSPISpeed"), &QMenu::aboutToShow, this,
          &MainWindow::mnProgChangeSPISpeedClick);
  ConnectMenu("mnDMAEnable", &MainWindow::mnDMAEnableClick);
  ConnectMenu("mnDMADisable", &MainWindow::mnDMADisableClick);
  ConnectMenu("mmBlockInit", &MainWindow::mmBlockInitClick);
  ConnectMenu("mmIgnoreInvalidBlocks", &MainWindow::mmIgnoreInvalidBlocksClick);
  ConnectMenu("MenuAddChip", &MainWindow::MenuAddChipClick);
  ConnectMenu("Menu_Settings_Lang_CN", &MainWindow::Menu_Settings_Lang_CNClick);
  ConnectMenu("Menu_Settings_Lang_TC", &MainWindow::Menu_Settings_Lang_TCClick);
  ConnectMenu("Menu_Settings_Lang_EN", &MainWindow::Menu_Settings_Lang_ENClick);
  ConnectMenu("Menu_About", &MainWindow::Menu_AboutClick);

  connect(w.sbOpenFile, &QToolButton::clicked, this, &MainWindow::sbOpenFileClick);
  connect(w.sbSaveFile, &QToolButton::clicked, this, &MainWindow::Menu_File_SaveAsClick);
  connect(w.sbBufferFill, &QToolButton::clicked, this, &MainWindow::MenuBufferFillClick);
  connect(w.sbDevInfo, &QToolButton::clicked, this, &MainWindow::sbDevInfoClick);
  connect(w.sbAbout, &QToolButton::clicked, this, &MainWindow::Menu_AboutClick);
  connect(w.frameChipInfoMain, &ChipSelectionFrame::sbChipDetectClick, this,
          &MainWindow::sbChipDetectClick);
  connect(w.frameChipInfoMain, &ChipSelectionFrame::sbChipFindClick, this,
          &MainWindow::sbChipFindClick);
  connect(frmChipFind_, &ChipSearchWindow::chipPicked, this, &MainWindow::RenderWindowState);
  connect(w.rgbSocketTypeItems, &QButtonGroup::idClicked, this, [this](int id) {
    ctx_.Window.SocketTypeIndex = id;
    rgbSocketTypeClick();
  });
  w.memLog->viewport()->installEventFilter(this);

  connect(w.hexView, &HexViewPane::checkSumTextChanged, this,
          [this](const QString& text) { ctx_.SetStatusPanel(3, text.toStdString()); });
  connect(frmFileEdit_, &TfrmFileEdit::hexSelectionRequested, this,
          [this](quint32 start, quint32 length) { SelectHexRange(start, length); });

  // The merge window picks its files with the main window's odBin and sdMain.
  const auto chooser = [this](FileDialogRequest::Kind kind) {
    return [this, kind](const QString& title, std::string_view filter) {
      return ChooseFile(
          {kind, title, NameFiltersFromPipeList(filter),
           kind == FileDialogRequest::Kind::Open ? odBin_.file_name : sdMain_.file_name});
    };
  };
  frmFileCombin_->setOpenFileChooser(chooser(FileDialogRequest::Kind::Open));
  frmFileCombin_->setSaveFileChooser(chooser(FileDialogRequest::Kind::Save));

  // The offline project window borrows the chip frame and odBin.
  frmProject_ = new TfrmProject(ctx_, *w.frameChipInfoMain, *w.PanelMainLeftInfo, this);
  frmProject_->setDataFileChooser([this] {
    return ChooseFile({FileDialogRequest::Kind::Open, {},
                       NameFiltersFromPipeList("Bin File|*.bin|CAM File|*.cam|ALL|*.*"), odBin_.file_name});
  });
  ConnectMenu("MenuPrjOffline", &MainWindow::MenuPrjOfflineClick);
}

void MainWindow::MenuPrjOfflineClick() { frmProject_->Open(*this); }

std::optional<std::filesystem::path> MainWindow::ChooseFile(const FileDialogRequest& request) {
  return choose_file_(request);
}

void MainWindow::ConnectMenu(const char* name, void (MainWindow::*handler)()) {
  QAction* item = menuItem(QString::fromLatin1(name));
  Q_ASSERT(item != nullptr);
  connect(item, &QAction::triggered, this, handler);
}

StartUpOutcome MainWindow::StartUp() {
  ctx_.Paths = paths_;
  StartUpOutcome outcome = RunStartUp(ctx_);
  if (!outcome.ok) return outcome;
  started_up_ = true;

  odBin_.directory = QString::fromStdString(ctx_.Window.OpenDialogFolder);
  odBin_.file_name = QString::fromStdString(ctx_.Window.OpenDialogFile);
  // TfrmAbout's own creation step: its partner slots, read once.
  RunGuarded(this, [this] { frmAbout_->ShowPartners(LoadAboutPartners(ctx_.Database)); });

  RenderWindowState();
  RenderLanguage();
  return outcome;
}

void MainWindow::SetTitleSuffix(const QString& suffix) {
  title_suffix_ = suffix;
  RenderWindowState();
}

void MainWindow::RenderWindowState() {
  const MainWindowState& state = ctx_.Window;
  const std::string& title = state.Title.empty() ? ctx_.Texts.MainSoftWareInfo : state.Title;
  setWindowTitle(QString::fromStdString(title) + title_suffix_);
  for (std::size_t i = 0; i < state.StatusPanels.size(); ++i) {
    widgets_.StatusPanels[i]->setText(QString::fromStdString(state.StatusPanels[i]));
  }
  widgets_.stResult->setText(QString::fromStdString(state.ResultText));

  QAction* offline = menuItem("MenuPrjOffline");
  offline->setVisible(state.PrjOfflineMenuVisible);
  offline->setEnabled(state.PrjOfflineMenuEnabled);
  menuItem("MenuHelp")->setVisible(state.HelpMenuVisible);
  for (const char* name : {"mnNandOption", "mnProgChangeSPISpeed", "SPIDMA1"}) {
    menuItem(name)->setVisible(state.NandMenusVisible);
  }
  menuItem("mnNandOption")->setVisible(state.NandMenusVisible && state.NandOptionMenuVisible);
  menuItem("mmIgnoreInvalidBlocks")->setChecked(state.IgnoreInvalidBlocks);
  for (const SpiClockItem& item : kSpiClockItems) {
    menuItem(FromCore(item.name))->setChecked(item.code == state.SpiClockTicked);
  }
  menuItem("mnDMAEnable")->setChecked(state.SpiDmaEnableTicked);
  menuItem("mnDMADisable")->setChecked(!state.SpiDmaEnableTicked);
  menuItem("mmChipDetectAuto")->setChecked(ctx_.ChipDetectAutoSelect);
  menuItem("mmManuf")->setChecked(!ctx_.ChipDetectAutoSelect);

  if (QAbstractButton* item = widgets_.rgbSocketTypeItems->button(state.SocketTypeIndex)) {
    item->setChecked(true);
  }
  widgets_.rgbSocketType->setEnabled(state.SocketTypeEnabled);
  widgets_.rgbSocketType->setVisible(state.SocketTypeVisible);
  widgets_.imgSocketPinout->setVisible(state.Pinout == SocketPinout::Standard);
  widgets_.imgSocketPinout1->setVisible(state.Pinout == SocketPinout::Pinout1);
  widgets_.imgSocketPinout10->setVisible(state.Pinout == SocketPinout::Pinout10);
  widgets_.imgSocketPinout20->setVisible(state.Pinout == SocketPinout::Pinout20);

  widgets_.frameChipInfoMain->Render();
  // The detection and the frame's search button open it through the core;
  // a hidden window has nothing to keep up to date.
  if (ctx_.ChipSearch.Visible || frmChipFind_->isVisible()) frmChipFind_->Render();
  if (frmAutoSel_->isVisible()) frmAutoSel_->Render();

  odBin_.directory = FromCore(state.OpenDialogFolder);
  odBin_.file_name = FromCore(state.OpenDialogFile);

  SetTimerRunning(*TimerScan, state.TimerScanEnabled);
  SetTimerRunning(*timMass, state.TimMassEnabled);
  SetTimerRunning(*timMassChipCheck, state.TimMassChipCheckEnabled);
  RenderOperationControls();
}

void MainWindow::RenderOperationControls() {
  const MainWindowState& state = ctx_.Window;
  const MainWindowWidgets& w = widgets_;
  const bool free = !state.OperationRunning && !state.ProgramControlsLocked;
  w.sbAuto->setEnabled(free && state.AutoButtonEnabled);
  menuItem("MenuAuto")->setEnabled(free && state.AutoButtonEnabled);
  for (QToolButton* button : {w.sbBlankCheck, w.sbErase, w.sbWrite, w.sbRead, w.sbVerify}) {
    button->setEnabled(free);
  }
  for (const char* name : {"MenuBlankCheck", "MenuErase", "MenuWrite", "MenuRead", "MenuVerify",
                           "MenuAutoSel", "MenuAddChip", "mmBlockInit"}) {
    menuItem(name)->setEnabled(free);
  }
  w.sbStop->setEnabled(!state.ProgramControlsLocked);
  // Mass production is stopped with its own button, also while it programs
  // a chip (its menu is locked meanwhile).
  const bool mass_usable = state.MassRunning || !state.OperationRunning;
  w.sbMess->setEnabled(mass_usable);
  menuItem("MenuMess")->setEnabled(mass_usable);
  menuItem("MenuProgram")->setEnabled(!state.ProgramControlsLocked);

  // The buffer stays as it is while an operation uses it.
  const bool buffer_free = !OperationBusy();
  for (QToolButton* button : {w.sbOpenFile, w.sbSaveFile, w.sbBufferFill}) {
    button->setEnabled(buffer_free);
  }
  for (const char* name : {"Menu_File_Open", "Menu_File_Save", "Menu_File_SaveAs", "MenuBufferFill"}) {
    menuItem(name)->setEnabled(buffer_free);
  }
  w.frameChipInfoMain->setEnabled(buffer_free);
  w.rgbSocketType->setEnabled(buffer_free && state.SocketTypeEnabled);
  frmFileEdit_->setEnabled(buffer_free);
  frmChipFind_->setEnabled(buffer_free);
  frmUserImportChip_->setEnabled(buffer_free);
  frmAutoSel_->setEnabled(buffer_free);

  // The mass button shows what pressing it does next.
  const char* picture = state.MassRunning ? "Stop" : "Mass";
  const auto& captions = ctx_.Language.captions.captions;
  const auto caption = captions.find(state.MassRunning ? "sbStop" : "sbMess");
  w.sbMess->setText(caption != captions.end() ? QString::fromStdString(caption->second)
                                              : QString::fromUtf8(state.MassRunning ? "停止" : "批量"));
  QPixmap pixmap(FromPath(paths_.IconFolder() / (std::string(picture) + ".bmp")));
  if (pixmap.isNull()) pixmap = QPixmap(QStringLiteral(":/Icon/%1.xpm").arg(QLatin1String(picture)));
  if (!pixmap.isNull()) w.sbMess->setIcon(QIcon(pixmap));
}

void MainWindow::RenderLanguage() {
  const LanguageState& language = ctx_.Language;
  // Nothing applied yet: the design captions stay.
  if (language.captions.captions.empty()) return;
  for (const auto& [object, caption] : language.captions.captions) {
    SetCaption(QString::fromStdString(object), QString::fromStdString(caption));
  }
  for (std::size_t i = 0; i < language.captions.socket_items.size(); ++i) {
    widgets_.rgbSocketTypeItems->button(static_cast<int>(i))
        ->setText(QString::fromStdString(language.captions.socket_items[i]));
  }
  if (QAbstractButton* item = widgets_.rgbSocketTypeItems->button(language.socket_item_index)) {
    item->setChecked(true);
  }
  for (LanguageMenuItem item : {LanguageMenuItem::SimplifiedChinese,
                                LanguageMenuItem::TraditionalChinese, LanguageMenuItem::English}) {
    QAction* action = menuItem(QString::fromLatin1(LanguageMenuObjectName(item).data()));
    if (item == language.checked_item) {
      action->setChecked(true);
    } else if (language.uncheck_others) {
      action->setChecked(false);
    }
  }
}

void MainWindow::SetCaption(const QString& object, const QString& caption) {
  // The mass button's caption follows the state of mass production.
  if (object == QLatin1String("sbMess")) {
    RenderOperationControls();
    return;
  }
  if (QAction* item = menuItem(object)) {
    item->setText(caption);
    return;
  }
  if (widgets_.frameChipInfoMain->SetCaption(object, caption)) return;
  QWidget* widget = findChild<QWidget*>(object);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(caption);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(caption);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(caption);
  }
}

void MainWindow::Menu_File_ExitClick() { close(); }

void MainWindow::Menu_File_MenuMergeClick() {
  // Showing sizes a window that nobody resized to its layout; that size must
  // be known before the window is centred on it.
  if (!frmFileCombin_->testAttribute(Qt::WA_Resized)) {
    frmFileCombin_->ensurePolished();
    if (QLayout* layout = frmFileCombin_->layout()) layout->activate();
    frmFileCombin_->adjustSize();
  }
  frmFileCombin_->ShowCentredOver(*this);
}

void MainWindow::MenuAddChipClick() { frmUserImportChip_->MenuAddChipClick(); }

void MainWindow::memLogDblClick() { ctx_.log.Clear(); }

void MainWindow::TimerForMassProduct() {
  // An identified programmer starts a chip detection, which reads the
  // catalogue.
  RunHandler([this] { ScanForProgrammer(ctx_); });
}

void MainWindow::sbChipDetectClick() {
  // Discarded: the handler reports its outcome in the log.
  RunHandler([this] { (void)tessary::sbChipDetectClick(ctx_); });
}

void MainWindow::sbChipFindClick() {
  RunHandler([this] { tessary::sbChipFindClick(ctx_); });
}

void MainWindow::sbDevInfoClick() {
  RunHandler([this] {
    if (const std::optional<HardwareInfoView> view = tessary::sbDevInfoClick(ctx_)) {
      frmHardInfo_->ShowView(*view);
    }
  });
}

void MainWindow::MenuHardInfoClick() {
  RunHandler([this] {
    if (const std::optional<HardwareInfoView> view = tessary::MenuHardInfoClick(ctx_)) {
      frmHardInfo_->ShowView(*view);
    }
  });
}

void MainWindow::MenuFirmUpdateClick() {
  RunHandler([this] {
    if (const std::optional<UpdateWindowView> view = tessary::MenuFirmUpdateClick(ctx_)) {
      frmUpdate_->ShowView(*view);
    }
  });
}

void MainWindow::mmChipDetectAutoClick() {
  RunHandler([this] { tessary::mmChipDetectAutoClick(ctx_); });
}

void MainWindow::mmManufClick() {
  RunHandler([this] { tessary::mmManufClick(ctx_); });
}

void MainWindow::rgbSocketTypeClick() {
  RunHandler([this] { tessary::rgbSocketTypeClick(ctx_); });
}

void MainWindow::SpiClockItemClick(std::uint8_t code) {
  // Discarded: the handler reports its outcome in the log.
  RunHandler([this, code] { (void)ChangeSpiClock(ctx_, code); });
}

void MainWindow::mnProgChangeSPISpeedClick() {
  RunHandler([this] { tessary::mnProgChangeSPISpeedClick(ctx_); });
}

void MainWindow::mnDMAEnableClick() {
  // Discarded: the handler reports its outcome in the log.
  RunHandler([this] { (void)tessary::mnDMAEnableClick(ctx_); });
}

void MainWindow::mnDMADisableClick() {
  // Discarded: the handler reports its outcome in the log.
  RunHandler([this] { (void)tessary::mnDMADisableClick(ctx_); });
}

void MainWindow::mmBlockInitClick() {
  // Discarded: the handler reports its outcome in the log.
  RunHandler([this] { (void)tessary::mmBlockInitClick(ctx_); });
}

void MainWindow::mmIgnoreInvalidBlocksClick() {
  RunHandler([this] { tessary::mmIgnoreInvalidBlocksClick(ctx_); });
}

void MainWindow::sbOpenFileClick() {
  if (RefusedWhileOperating()) return;
  odBin_.name_filters = NameFiltersFromPipeList(kOpenDialogFilter);
  const FileDialogRequest request{FileDialogRequest::Kind::Open,
                                  FromCore(OpenDialogTitle(LanguageFileOf(ctx_))),
                                  odBin_.name_filters,
                                  odBin_.file_name.isEmpty() ? odBin_.directory : odBin_.file_name};
  const std::optional<std::filesystem::path> chosen = ChooseFile(request);
  // Discarded: the handler reports its outcome in the log.
  RunHandler([this, &chosen] { (void)tessary::sbOpenFileClick(ctx_, chosen); });
}

void MainWindow::Menu_File_SaveAsClick() {
  if (RefusedWhileOperating()) return;
  sdMain_.name_filters = NameFiltersFromPipeList(kSaveDialogFilter);
  const FileDialogRequest request{FileDialogRequest::Kind::Save, FromCore(kSaveDialogTitle),
                                  sdMain_.name_filters, sdMain_.file_name};
  const std::optional<std::filesystem::path> chosen = ChooseFile(request);
  if (chosen) sdMain_.file_name = FromPath(*chosen);
  // Discarded: the handler reports its outcome in the log.
  RunHandler([this, &chosen] { (void)tessary::Menu_File_SaveAsClick(ctx_, chosen); });
}

void MainWindow::MenuBufferFillClick() {
  if (RefusedWhileOperating()) return;
  frmFileEdit_->ShowFill();
}

void MainWindow::MenuBufferFindClick() { frmFileEdit_->ShowFind(); }

void MainWindow::MenuBufferGotoClick() { frmFileEdit_->ShowGoto(); }

void MainWindow::MenuBufferFindNextClick() {
  if (const std::optional<HexRange> found = tessary::MenuBufferFindNextClick(ctx_)) {
    SelectHexRange(found->start, found->length);
  }
}

void MainWindow::SelectHexRange(std::uint32_t start, std::uint32_t length) {
  // The view keeps one selected digit, where a typed digit goes; the mark
  // covers the whole sequence until the next change of the view.
  ctx_.Hex.Click(start);
  QTextEdit* pane = widgets_.reDownFile;
  QTextEdit::ExtraSelection mark;
  mark.cursor = QTextCursor(pane->document());
  const int end =
      std::min(static_cast<int>(start + length), pane->document()->characterCount() - 1);
  mark.cursor.setPosition(std::min(static_cast<int>(start), end));
  mark.cursor.setPosition(end, QTextCursor::KeepAnchor);
  mark.format.setBackground(pane->palette().brush(QPalette::Active, QPalette::Highlight));
  mark.format.setForeground(pane->palette().brush(QPalette::Active, QPalette::HighlightedText));
  pane->setExtraSelections({mark});
  pane->setFocus(Qt::OtherFocusReason);
}

void MainWindow::sbEraseClick() { RunOperation([this] { tessary::sbEraseClick(ctx_); }); }
void MainWindow::sbWriteClick() { RunOperation([this] { tessary::sbWriteClick(ctx_); }); }
void MainWindow::sbReadClick() { RunOperation([this] { tessary::sbReadClick(ctx_); }); }
void MainWindow::sbVerifyClick() { RunOperation([this] { tessary::sbVerifyClick(ctx_); }); }

void MainWindow::sbBlankCheckClick() {
  RunOperation([this] { tessary::sbBlankCheckClick(ctx_); });
}

void MainWindow::sbStopClick() { RunHandler([this] { tessary::sbStopClick(ctx_); }); }
void MainWindow::sbAutoClick() { RunOperation([this] { tessary::sbAutoClick(ctx_); }); }
void MainWindow::sbMessClick() { RunOperation([this] { tessary::sbMessClick(ctx_); }); }
void MainWindow::timMassTimer() { RunOperation([this] { tessary::timMassTimer(ctx_); }); }

void MainWindow::timMassChipCheckTimer() {
  RunHandler([this] { tessary::timMassChipCheckTimer(ctx_); });
}

void MainWindow::btnClearDownTimesClick() {
  RunHandler([this] { tessary::btnClearDownTimesClick(ctx_); });
}

void MainWindow::MenuAutoSelClick() {
  frmAutoSel_->ShowOptions();
  frmAutoSel_->move(frameGeometry().center() - frmAutoSel_->rect().center());
}

void MainWindow::Menu_AboutClick() {
  frmAbout_->ShowTexts(AboutDialogTexts(ctx_));
  frmAbout_->move(frameGeometry().center() - frmAbout_->rect().center());
  frmAbout_->show();
  frmAbout_->raise();
  frmAbout_->activateWindow();
}

void MainWindow::Menu_Settings_Lang_CNClick() {
  ChooseLanguageClick(LanguageCodeOf(LanguageMenuItem::SimplifiedChinese));
}

void MainWindow::Menu_Settings_Lang_TCClick() {
  ChooseLanguageClick(LanguageCodeOf(LanguageMenuItem::TraditionalChinese));
}

void MainWindow::Menu_Settings_Lang_ENClick() {
  ChooseLanguageClick(LanguageCodeOf(LanguageMenuItem::English));
}

void MainWindow::ChooseLanguageClick(std::int32_t language) {
  ctx_.Language = ChooseLanguage(ctx_, language, paths_.DataFolder());
  ctx_.Window.Title = ctx_.Language.title;
  RenderWindowState();
  RenderLanguage();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) {
    event->acceptProposedAction();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile())
      paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
  }
  event->acceptProposedAction();
  if (RefusedWhileOperating()) return;
  if (const std::optional<std::string> offered = FilesDropped(ctx_, paths)) {
    odBin_.name_filters = NameFiltersFromPipeList(kOpenDialogFilter);
    ctx_.Window.OpenDialogFile = *offered;
    odBin_.file_name = QString::fromStdString(*offered);
    frmFileEdit_->ShowImport(std::filesystem::path(*offered));
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A running operation holds the buffer: it is asked to stop and the window
  // closes once it has returned (a chip erase in progress completes first).
  if (ctx_.Window.MassRunning) {
    RunGuarded(this, [this] { StopMassProduction(ctx_, false); });
    RenderWindowState();
  }
  if (ctx_.Window.OperationRunning || operation_depth_ > 0) {
    close_pending_ = true;
    RequestStop(ctx_);
    event->ignore();
    return;
  }
  close_pending_ = false;
  FormClose();
  QMainWindow::closeEvent(event);
}

void MainWindow::FormClose() {
  // A window whose start-up never ran holds no settings worth keeping.
  if (!started_up_) return;
  ProfileFile settings(paths_.SettingsFile());
  SaveSettings(ctx_, settings);
  std::vector<std::uint8_t>().swap(ctx_.RamFile.Data);
  ctx_.RamFile.DataLen = 0;
  ctx_.RamFile.ViewTop = 0;
  ctx_.Hex.BufferChanged();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == widgets_.memLog->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    memLogDblClick();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::OnPresence(PresenceEvent event) {
  switch (event) {
    case PresenceEvent::Arrived:
      TimerForMassProduct();
      break;
    case PresenceEvent::Removed:
      OnProgrammerRemoved(ctx_);
      break;
  }
}

void MainWindow::ServiceDeviceEvents() {
  // The scan run by an arrival pumps events while it waits for the
  // programmer; notices arriving meanwhile wait for the next round instead
  // of nesting inside the link's own delivery.
  if (servicing_device_events_) return;
  const QScopedValueRollback servicing(servicing_device_events_, true);
  ctx_.link.usb().ServiceEvents();
}

}  // namespace tessary
