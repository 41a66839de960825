// The main window: its components, menus and captions, the log view, dropped
// files, device notices and the rendering of the core's window state.
#include "ui/main_window.h"
#include "ui/hex_view_pane.h"
#include "app/app_context.h"
#include "ui/qt_operator_panel.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace tessary {
namespace {

// A bus with no programmer on it; notices are delivered by hand.
class EmptyBus final : public UsbLink {
 public:
  bool OpenDevice(std::uint16_t, std::uint16_t) override { return false; }
  void CloseDevice() override {}
  bool HasDevice() const override { return false; }
  PipeIds Pipes() const override { return {}; }
  std::size_t WritePipe(std::span<const std::uint8_t>) override { return 0; }
  std::size_t ReadPipe(std::span<std::uint8_t>) override { return 0; }
  void FlushInPipe() override {}
  void SetPresenceHandler(std::function<void(PresenceEvent)> handler) override {
    handler_ = std::move(handler);
  }
  void ServiceEvents() override {}

  void Notify(PresenceEvent event) { handler_(event); }
  bool HasHandler() const { return static_cast<bool>(handler_); }

 private:
  std::function<void(PresenceEvent)> handler_;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() { window.show(); }

  template <typename T = QObject>
  T* Find(const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
  }
  QTextEdit* Log() { return window.widgets().memLog; }
  QStringList LogLines() { return Log()->toPlainText().split('\n'); }
  QColor LineColour(int line) {
    const QTextBlock block = Log()->document()->findBlockByNumber(line);
    return block.begin().fragment().charFormat().foreground().color();
  }

  VirtualClock clock;
  QtOperatorPanel panel;
  EmptyBus bus;
  AppContext ctx{clock, panel, bus};
  MainWindow window{ctx, panel, "/nonexistent"};
};

TEST_F(MainWindowTest, EveryComponentOfTheDesignExists) {
  const char* const kNames[] = {
      // tool panel
      "Panel1", "sbOpenFile", "sbSaveFile", "sbBufferFill", "sbAuto", "sbBlankCheck", "sbErase",
      "sbWrite", "sbRead", "sbVerify", "sbMess", "sbStop", "sbDevInfo", "sbAbout",
      // left panel
      "PanelMainLeftInfo", "frameChipInfoMain", "rgbSocketType", "imgSocketPinout",
      "imgSocketPinout1", "imgSocketPinout10", "imgSocketPinout20",
      // right panel
      "PanelEditMain", "RichEdit5", "RichEdit2", "RichEdit3", "reDownFileAddr", "reDownFile",
      "reDownFileAscii", "sbDownFile", "PanelEditNote", "memLog", "pbDLChip1", "pbDLChip2",
      "labelCh1", "labelCh2",
      // status bar and timers
      "StatusBar", "stResult", "btnClearDownTimes", "TimerScan", "timMass", "timMassChipCheck",
      // menus
      "Menu_File", "Menu_File_Open", "Menu_File_Save", "Menu_File_SaveAs", "Menu_File_MenuMerge",
      "Menu_File_Exit", "MenuBuffer", "MenuBufferFill", "MenuBufferFind", "MenuBufferFindNext",
      "MenuBufferGoto", "MenuProgram", "MenuAuto", "MenuBlankCheck", "MenuErase", "MenuWrite",
      "MenuRead", "MenuVerify", "MenuMess", "MenuChipDetect", "mmChipDetectAuto", "mmManuf", "N2",
      "mnProgChangeSPISpeed", "N18MHz1", "N9MHz1", "N45MHz1", "N225MHz", "N1125MHz1", "SPIDMA1",
      "mnDMAEnable", "mnDMADisable", "mnNandOption", "mmBlockInit", "mmIgnoreInvalidBlocks", "N1",
      "MenuAddChip", "MenuAutoSel", "MenuPrjOffline", "MenuHardWare", "MenuHardInfo",
      "MenuFirmUpdate", "MenuSelfCheck", "Menu_Language", "Menu_Settings_Lang_CN",
      "Menu_Settings_Lang_TC", "Menu_Settings_Lang_EN", "Menu_About", "MenuHelp"};
  EXPECT_EQ(window.objectName(), "frmMain");
  for (const char* name : kNames) EXPECT_NE(Find(name), nullptr) << name;
  for (const char* name : {"Menu_File_Exit", "mmManuf", "N2", "MenuHelp", "MenuHardWare"}) {
    EXPECT_NE(window.menuItem(name), nullptr) << name;
  }
}

TEST_F(MainWindowTest, CaptionsAreTheBuiltInOnes) {
  const struct {
    const char* name;
    const char* caption;
  } kCaptions[] = {
      {"Menu_File", "文件"},
      {"Menu_File_Exit", "退出"},
      {"MenuBufferFindNext", "查找下一个"},
      {"MenuAuto", "自动(&D)"},
      {"MenuMess", "批量烧录"},
      {"mmChipDetectAuto", "多个型号具有相同ID时，自动选择第一个芯片"},
      {"N1125MHz1", "1.125MHz"},
      {"SPIDMA1", "SPI 硬件加速"},
      {"mnNandOption", "Nand Flash Opition"},
      {"MenuPrjOffline", "离线工程"},
      {"Menu_Settings_Lang_EN", "English"},
      {"MenuHelp", "帮助"},
      {"sbOpenFile", "打开"},
      {"sbBufferFill", "填充"},
      {"sbMess", "批量"},
      {"sbStop", "停止"},
      {"sbDevInfo", "设备"},
      {"rgbSocketType", "烧录模式"},
      {"labelCh1", "CH1:     "},
      {"labelCh2", "CH2:   "},
      {"btnClearDownTimes", "Clear"},
      {"RichEdit2", "0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F"},
  };
  for (const auto& [name, caption] : kCaptions) {
    QString text;
    if (QAction* action = window.menuItem(name)) {
      text = action->text();
    } else if (auto* button = Find<QAbstractButton>(name)) {
      text = button->text();
    } else if (auto* label = Find<QLabel>(name)) {
      text = label->text();
    } else if (auto* group = Find<QGroupBox>(name)) {
      text = group->title();
    }
    EXPECT_EQ(text, QString::fromUtf8(caption)) << name;
  }
  EXPECT_EQ(window.windowTitle(), QString::fromStdString(ctx.Texts.MainSoftWareInfo));
  auto* items = Find<QButtonGroup>("rgbSocketTypeItems");
  EXPECT_EQ(items->button(0)->text(), QString::fromUtf8("普通模式"));
  EXPECT_EQ(items->button(1)->text(), QString::fromUtf8("一拖二模式"));
}

TEST_F(MainWindowTest, TicksSeparatorsAndHiddenItemsAsDesigned) {
  for (const char* name : {"mmChipDetectAuto", "N9MHz1", "mnDMAEnable"}) {
    EXPECT_TRUE(window.menuItem(name)->isChecked()) << name;
  }
  for (const char* name : {"mmManuf", "N18MHz1", "N45MHz1", "mnDMADisable"}) {
    EXPECT_FALSE(window.menuItem(name)->isChecked()) << name;
  }
  for (const char* name : {"MenuSelfCheck", "MenuHelp", "MenuPrjOffline"}) {
    EXPECT_FALSE(window.menuItem(name)->isVisible()) << name;
  }
  EXPECT_TRUE(window.menuItem("MenuHardInfo")->isVisible());

  const QList<QAction*> program = Find<QMenu>("MenuProgram")->actions();
  const auto before = [&](const char* name) {
    const qsizetype at = program.indexOf(window.menuItem(name));
    return at > 0 ? program[at - 1]->objectName() : QString();
  };
  EXPECT_EQ(before("mnProgChangeSPISpeed"), "N2");
  EXPECT_EQ(before("MenuAddChip"), "N1");
  EXPECT_TRUE(window.menuItem("N2")->isSeparator());
}

TEST_F(MainWindowTest, StatusBarTimersAndPicturesAsDesigned) {
  const int kWidths[] = {150, 300, 200, 50};
  for (int i = 0; i < 4; ++i) {
    EXPECT_GE(window.widgets().StatusPanels[static_cast<std::size_t>(i)]->width(), kWidths[i]);
  }
  auto* status = Find<QStatusBar>("StatusBar");
  EXPECT_TRUE(status->isAncestorOf(Find<QWidget>("stResult")));
  EXPECT_TRUE(status->isAncestorOf(Find<QWidget>("btnClearDownTimes")));
  EXPECT_EQ(window.widgets().PanelMainLeftInfo->width(), 232);

  const struct {
    const char* name;
    int interval;
    bool active;
  } kTimers[] = {
      {"TimerScan", 1000, true}, {"timMass", 100, false}, {"timMassChipCheck", 2000, false}};
  for (const auto& [name, interval, active] : kTimers) {
    auto* timer = Find<QTimer>(name);
    EXPECT_EQ(timer->interval(), interval) << name;
    EXPECT_EQ(timer->isActive(), active) << name;
  }

  EXPECT_TRUE(Find<QLabel>("imgSocketPinout")->isVisibleTo(&window));
  for (const char* name : {"imgSocketPinout1", "imgSocketPinout10", "imgSocketPinout20"}) {
    EXPECT_FALSE(Find<QLabel>(name)->isVisibleTo(&window)) << name;
  }
  EXPECT_FALSE(Find<QLabel>("imgSocketPinout")->pixmap().isNull());
  EXPECT_FALSE(Find<QToolButton>("sbWrite")->icon().isNull());
}

// Every status panel shows its whole text: the checksum, and the English
// online state and firmware version.
TEST_F(MainWindowTest, StatusPanelsShowTheirWholeText) {
  const char* texts[] = {"Device connected: Velor", "Firmware version: V3.05", "",
                         "CheckSum:FFFFFFFFH"};
  for (int i = 0; i < 4; ++i) ctx.SetStatusPanel(i, texts[i]);
  QApplication::processEvents();
  for (QLabel* label : window.widgets().StatusPanels) {
    EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(label->text()))
        << label->objectName().toStdString() << ": " << label->text().toStdString();
  }
}

// The window can be resized and maximised; the hex view and the log take
// the extra room, and the hex view shows more rows.
TEST_F(MainWindowTest, TheHexViewAndTheLogTakeTheRoomOfALargerWindow) {
  EXPECT_EQ(window.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  QApplication::processEvents();
  const QSize hex = window.widgets().hexView->size();
  const QSize log = Log()->size();
  const std::uint32_t rows = ctx.Hex.VisibleRows();
  window.resize(window.width() + 400, window.height() + 300);
  QApplication::processEvents();
  EXPECT_GT(window.widgets().hexView->height(), hex.height() + 100);
  EXPECT_GT(window.widgets().hexView->width(), hex.width() + 300);
  EXPECT_GT(Log()->height(), log.height() + 60);
  EXPECT_GT(ctx.Hex.VisibleRows(), rows + 5);
}

TEST_F(MainWindowTest, AMaximisedWindowFillsTheScreenAndTheHexViewShowsMoreRows) {
  EXPECT_TRUE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  window.show();
  QApplication::processEvents();
  const QRect screen = window.screen()->availableGeometry();
  if (screen.height() <= window.frameGeometry().height()) {
    GTEST_SKIP() << "the screen is no taller than the window";
  }
  const int hex_height = window.widgets().hexView->height();
  const std::uint32_t rows = ctx.Hex.VisibleRows();
  window.showMaximized();
  QApplication::processEvents();
  EXPECT_TRUE(window.isMaximized());
  EXPECT_EQ(window.frameGeometry().size(), screen.size());
  EXPECT_GT(window.widgets().hexView->height(), hex_height);
  EXPECT_GT(ctx.Hex.VisibleRows(), rows);
}

// At the window's own size, the end of the scroll bar shows the buffer's
// last row.
TEST_F(MainWindowTest, TheLastRowOfTheBufferCanBeScrolledTo) {
  ASSERT_EQ(ResetBufferAndView(ctx.Hex, 64 * 1024).status, BufferStatus::Ok);
  ctx.Hex.RedrawHexView();
  QApplication::processEvents();
  EXPECT_LT(ctx.Hex.VisibleRows(), kDefaultVisibleRows) << "the design's pane shows about 21";
  QScrollBar* bar = window.widgets().sbDownFile;
  bar->setValue(bar->maximum());
  QTextEdit* addresses = window.widgets().reDownFileAddr;
  const QStringList lines = addresses->toPlainText().split('\n');
  const auto last = lines.indexOf(QString::fromStdString(AddressLine(0, 0xFFF0)));
  ASSERT_GE(last, 0);
  const QTextBlock block = addresses->document()->findBlockByNumber(static_cast<int>(last));
  EXPECT_LE(addresses->document()->documentLayout()->blockBoundingRect(block).bottom(),
            addresses->viewport()->height());
}

TEST_F(MainWindowTest, LogLinesKeepTheirColoursAndTakeTheFocus) {
  ctx.log.LogLine("first", LogColour::Error);
  ctx.log.LogLine("second", LogColour::Success);
  ctx.log.LogLine("third", LogColour::Highlight);

  EXPECT_EQ(LogLines(), QStringList({"first", "second", "third"}));
  EXPECT_EQ(LineColour(0), QColor(255, 0, 0));
  EXPECT_EQ(LineColour(1), QColor(0, 128, 0));
  EXPECT_EQ(LineColour(2), Log()->palette().color(QPalette::Highlight));
  EXPECT_EQ(window.focusWidget(), Log());
}

TEST_F(MainWindowTest, DoubleClickClearsAndTheNextLineStartsAtTheTop) {
  ctx.log.LogLine("old", LogColour::Error);
  ctx.log.AddPlainLine("older");

  const QPointF at(5, 5);
  QMouseEvent click(QEvent::MouseButtonDblClick, at, Log()->viewport()->mapToGlobal(at),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Log()->viewport(), &click);

  EXPECT_TRUE(Log()->document()->isEmpty());
  EXPECT_TRUE(ctx.log.Lines().empty());
  ctx.log.LogLine("new", LogColour::Success);
  EXPECT_EQ(LogLines(), QStringList({"new"}));
  EXPECT_EQ(LineColour(0), QColor(0, 128, 0));
}

TEST_F(MainWindowTest, DroppingThreeFilesLogsFourPlainLinesAndOffersTheLast) {
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile("/data/a.bin"), QUrl::fromLocalFile("/data/b.hex"),
                 QUrl::fromLocalFile("/data/c.rom")});
  // The shell's drag first enters the window, which takes it; then drops.
  QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(400, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  delete mime;

  EXPECT_EQ(LogLines(), QStringList({QString::fromUtf8("拖拽进来3个文件"), "/data/a.bin",
                                     "/data/b.hex", "/data/c.rom"}));
  for (const LogEntry& line : ctx.log.Lines()) EXPECT_EQ(line.colour, LogColour::Plain);
  EXPECT_EQ(window.odBin().file_name, "/data/c.rom");
  EXPECT_TRUE(window.odBin().name_filters.contains("Hex File (*.hex)"));
}

TEST_F(MainWindowTest, RemovalNoticeWithoutALinkChangesNothing) {
  ASSERT_TRUE(bus.HasHandler());
  bus.Notify(PresenceEvent::Removed);
  EXPECT_TRUE(Log()->document()->isEmpty());
  for (QLabel* panel : window.widgets().StatusPanels) EXPECT_TRUE(panel->text().isEmpty());
}

TEST_F(MainWindowTest, ArrivalNoticeOnAnEmptyBusStopsTheScanUntilReenabled) {
  // The scan stops its timer before it tries the bus; the core re-enables
  // it when a programmer goes away, and the window follows.
  bus.Notify(PresenceEvent::Arrived);
  EXPECT_FALSE(Find<QTimer>("TimerScan")->isActive());
  ctx.Window.TimerScanEnabled = true;
  panel.MainWindowStateChanged();
  EXPECT_TRUE(Find<QTimer>("TimerScan")->isActive());
}

TEST_F(MainWindowTest, RendersTheCoresWindowState) {
  ctx.Window.PrjOfflineMenuVisible = true;
  ctx.Window.PrjOfflineMenuEnabled = true;
  ctx.Window.SocketTypeIndex = 1;
  ctx.Window.SocketTypeEnabled = false;
  panel.MainWindowStateChanged();

  EXPECT_TRUE(window.menuItem("MenuPrjOffline")->isVisible());
  EXPECT_TRUE(window.menuItem("MenuPrjOffline")->isEnabled());
  EXPECT_TRUE(Find<QButtonGroup>("rgbSocketTypeItems")->button(1)->isChecked());
  EXPECT_FALSE(Find<QGroupBox>("rgbSocketType")->isEnabled());

  ctx.SetStatusPanel(3, "x");
  EXPECT_EQ(window.widgets().StatusPanels[3]->text(), "x");
  window.SetTitleSuffix(" [demo]");
  EXPECT_TRUE(window.windowTitle().endsWith(" [demo]"));
}

TEST_F(MainWindowTest, ProgressReportsReachTheChannelBars) {
  panel.SetProgressMaximum(ProgressBar::Chip2, 4096);
  panel.SetProgressPosition(ProgressBar::Chip2, 1024);
  panel.SetProgressColour(ProgressBar::Chip2, 0x008000);
  panel.SetProgressVisible(ProgressBar::Chip1, false);
  panel.SetProgressMaximum(ProgressBar::Firmware, 10);  // not in this window: ignored

  const MainWindowWidgets& w = window.widgets();
  EXPECT_EQ(w.pbDLChip2->maximum(), 4096);
  EXPECT_EQ(w.pbDLChip2->value(), 1024);
  EXPECT_EQ(w.pbDLChip2->palette().color(QPalette::Highlight), QColor(0, 128, 0));
  EXPECT_EQ(w.pbDLChip1->palette().color(QPalette::Highlight), QColor(255, 0, 0));
  EXPECT_FALSE(w.pbDLChip1->isVisibleTo(&window));
  EXPECT_FALSE(w.labelCh1->isVisibleTo(&window));
  EXPECT_TRUE(w.pbDLChip2->isVisibleTo(&window));
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
  window.menuItem("Menu_File_Exit")->trigger();
  EXPECT_FALSE(window.isVisible());
}

TEST(MainWindowLifetime, AGoneWindowNoLongerTakesNoticesOrReports) {
  VirtualClock clock;
  QtOperatorPanel panel;
  EmptyBus bus;
  AppContext ctx{clock, panel, bus};
  {
    MainWindow window{ctx, panel, "/nonexistent"};
    EXPECT_TRUE(bus.HasHandler());
  }
  EXPECT_FALSE(bus.HasHandler());
  ctx.log.LogLine("after", LogColour::Error);  // must not touch the gone widgets
  EXPECT_EQ(ctx.log.Lines().size(), 1u);
}

}  // namespace
}  // namespace tessary
