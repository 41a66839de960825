// The main window: composition and event forwarding.
#include "ui/main_window.h"

#include "app/file_drop.h"
#include "device/device_connection.h"
#include "ui/main_window_menus.h"
#include "ui/qt_operator_panel.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTextEdit>
#include <QTimer>
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
constexpr std::string_view kDropFilter =
    "Bin File|*.bin|Cap File|*.cap|Hex File|*.hex|Rom File|*.rom|ALL|*.*";

QTimer* MakeTimer(QObject* owner, const char* name, int interval_ms) {
  auto* timer = new QTimer(owner);
  timer->setObjectName(name);
  timer->setInterval(interval_ms);
  return timer;
}

}  // namespace

MainWindow::MainWindow(AppContext& ctx, QtOperatorPanel& panel,
                       std::filesystem::path program_folder, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), panel_(panel), program_folder_(std::move(program_folder)) {
  InitResources();
  setObjectName("frmMain");
  setFont(MainWindowFont());

  menuBar()->setObjectName("MainMenu");
  BuildMainMenus(*menuBar());
  widgets_ = BuildMainWindowWidgets(*this);
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  setAcceptDrops(true);

  odBin_ = {NameFiltersFromPipeList(kDialogFilter), QStringLiteral("..//"), {}};
  sdMain_ = {NameFiltersFromPipeList(kDialogFilter), {}, {}};

  connect(menuItem("Menu_File_Exit"), &QAction::triggered, this, &MainWindow::Menu_File_ExitClick);
  widgets_.memLog->viewport()->installEventFilter(this);

  TimerScan = MakeTimer(this, "TimerScan", kScanIntervalMs);
  connect(TimerScan, &QTimer::timeout, this, &MainWindow::TimerForMassProduct);
  // Both belong to mass production; it wires and starts them.
  timMass = MakeTimer(this, "timMass", kMassIntervalMs);
  timMassChipCheck = MakeTimer(this, "timMassChipCheck", kMassChipCheckIntervalMs);

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

void MainWindow::SetTitleSuffix(const QString& suffix) {
  title_suffix_ = suffix;
  RenderWindowState();
}

void MainWindow::RenderWindowState() {
  const MainWindowState& state = ctx_.Window;
  setWindowTitle(QString::fromStdString(ctx_.Texts.MainSoftWareInfo) + title_suffix_);
  for (std::size_t i = 0; i < state.StatusPanels.size(); ++i) {
    widgets_.StatusPanels[i]->setText(QString::fromStdString(state.StatusPanels[i]));
  }

  QAction* offline = menuItem("MenuPrjOffline");
  offline->setVisible(state.PrjOfflineMenuVisible);
  offline->setEnabled(state.PrjOfflineMenuEnabled);

  if (QAbstractButton* item = widgets_.rgbSocketTypeItems->button(state.SocketTypeIndex)) {
    item->setChecked(true);
  }
  widgets_.rgbSocketType->setEnabled(state.SocketTypeEnabled);

  // Restarting a running timer would push its next tick back.
  if (!state.TimerScanEnabled) {
    TimerScan->stop();
  } else if (!TimerScan->isActive()) {
    TimerScan->start();
  }
}

void MainWindow::Menu_File_ExitClick() { close(); }

void MainWindow::memLogDblClick() { ctx_.log.Clear(); }

void MainWindow::TimerForMassProduct() { ScanForProgrammer(ctx_); }

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
  if (const std::optional<std::string> offered = FilesDropped(ctx_, paths)) {
    odBin_.name_filters = NameFiltersFromPipeList(kDropFilter);
    odBin_.file_name = QString::fromStdString(*offered);
    // The file-import dialog takes the offered file from here once it exists.
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

void MainWindow::FormClose() {
  // The settings are saved here, before the window goes, once they exist.
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
