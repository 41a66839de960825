// The window's programming operations against the simulated programmer on
// virtual time: write and verify, the controls while an operation runs, mass
// production driven through its timers' slots, the auto options window and
// closing while an operation runs.
#include "app/app_context.h"
#include "app/operation_handlers.h"
#include "base/operation_log.h"
#include "sim/simulated_link.h"
#include "support/program_folder.h"
#include "ui/auto_options_window.h"
#include "ui/chip_selection_frame.h"
#include "ui/file_edit_dialog.h"
#include "ui/main_window.h"
#include "ui/qt_operator_panel.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <fstream>
#include <functional>
#include <numeric>

namespace tessary {
namespace {

constexpr std::uint32_t kChipSize = 64 * 1024;

// Runs `probe` each time the core pumps events until it returns true.
class ProbingPanel final : public OperatorPanel {
 public:
  explicit ProbingPanel(QtOperatorPanel& shown) : shown_(shown) {}
  void LogLineAdded(std::string_view text, LogColour colour) override {
    shown_.LogLineAdded(text, colour);
  }
  void LogCleared() override { shown_.LogCleared(); }
  void SetProgressMaximum(ProgressBar bar, std::int64_t maximum) override {
    shown_.SetProgressMaximum(bar, maximum);
  }
  void SetProgressPosition(ProgressBar bar, std::int64_t position) override {
    shown_.SetProgressPosition(bar, position);
  }
  void SetProgressColour(ProgressBar bar, std::uint32_t colour_ref) override {
    shown_.SetProgressColour(bar, colour_ref);
  }
  void SetProgressVisible(ProgressBar bar, bool visible) override {
    shown_.SetProgressVisible(bar, visible);
  }
  MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                            MessageKind kind) override {
    return shown_.ShowMessage(text, caption, kind);
  }
  void SetStatusPanel(int panel, std::string_view text) override {
    shown_.SetStatusPanel(panel, text);
  }
  void MainWindowStateChanged() override { shown_.MainWindowStateChanged(); }
  void PumpEvents() override {
    shown_.PumpEvents();
    if (probe && probe()) probe = nullptr;
  }

  std::function<bool()> probe;

 private:
  QtOperatorPanel& shown_;
};

struct OperationsWindow : ::testing::Test {
  void Start(const std::string& config) {
    const std::filesystem::path config_path = folder.path() / "simulator.ini";
    std::ofstream(config_path) << config;
    std::string error;
    link = sim::MakeSimulatedLink(clock, config_path.string(), error);
    ASSERT_NE(link, nullptr) << error;
    ctx = std::make_unique<AppContext>(clock, panel, *link);
    clock.SetTimeOfDay(10, 0, 0);
    window = std::make_unique<MainWindow>(*ctx, shown, folder.path());
    const StartUpOutcome outcome = window->StartUp();
    ASSERT_TRUE(outcome.ok) << outcome.message;
    window->show();
    window->TimerForMassProduct();  // the scan finds the programmer
    ASSERT_TRUE(ctx->link.LinkOpen());
  }
  void SelectChipAndLoad() {
    Prj_Info_Struct& chip = ctx->CurrentPrj;
    chip.ChipType = ChipTypeId::Flash25;
    chip.ChipSize = kChipSize;
    chip.PageSize = 256;
    chip.BlockSize = 0x10000;
    ctx->RamFile.Data.resize(kChipSize);
    std::iota(ctx->RamFile.Data.begin(), ctx->RamFile.Data.end(), std::uint8_t{7});
    ctx->RamFile.DataLen = kChipSize;
  }
  const MainWindowWidgets& W() const { return window->widgets(); }
  QString Log() const { return W().memLog->toPlainText(); }
  // The colour of the log line holding `text`.
  QColor LineColour(const QString& text) const {
    for (QTextBlock block = W().memLog->document()->begin(); block.isValid();
         block = block.next()) {
      if (block.text().contains(text)) {
        return block.begin().fragment().charFormat().foreground().color();
      }
    }
    ADD_FAILURE() << "no log line holds " << text.toStdString();
    return {};
  }
  static QString Q(const std::string& text) { return QString::fromStdString(text); }

  testing::ProgramFolder folder;
  VirtualClock clock;
  QtOperatorPanel shown;
  ProbingPanel panel{shown};
  std::unique_ptr<sim::SimulatedLink> link;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<MainWindow> window;
};

constexpr const char* kOneChip = "[Socket1]\nCapacity=65536\n";

TEST_F(OperationsWindow, WriteThenVerifyOfAnOpenedFileShowsGreenLinesAndFullBars) {
  Start(kOneChip);
  SelectChipAndLoad();
  std::vector<char> file(kChipSize);
  std::iota(file.begin(), file.end(), char{3});
  const std::filesystem::path path = folder.path() / "image.bin";
  std::ofstream(path, std::ios::binary).write(file.data(), static_cast<std::streamsize>(file.size()));
  window->SetFileChooser([path](const FileDialogRequest&) { return path; });
  W().sbOpenFile->click();
  ASSERT_EQ(ctx->RamFile.DataLen, kChipSize) << Log().toStdString();
  ASSERT_TRUE(std::equal(file.begin(), file.end(), ctx->RamFile.Data.begin(),
                         [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));

  W().sbWrite->click();
  W().sbVerify->click();

  const QString log = Log();
  EXPECT_TRUE(log.contains(Q(ctx->Texts.LogChipWriteSuccess))) << log.toStdString();
  EXPECT_TRUE(log.contains(Q(ctx->Texts.LogChipVerifySuccess))) << log.toStdString();
  for (const std::string& text : {ctx->Texts.LogChipWriteSuccess, ctx->Texts.LogChipVerifySuccess}) {
    const QColor colour = LineColour(Q(text));
    EXPECT_GT(colour.green(), colour.red()) << text;
    EXPECT_GT(colour.green(), colour.blue()) << text;
  }
  EXPECT_GT(W().pbDLChip1->maximum(), 0);
  EXPECT_EQ(W().pbDLChip1->value(), W().pbDLChip1->maximum());
  std::vector<std::uint8_t> chip(kChipSize);
  link->programmer().socket(0).memory().Read(0, chip);
  EXPECT_EQ(chip, ctx->RamFile.Data);
  // All usable again afterwards.
  EXPECT_TRUE(W().sbWrite->isEnabled());
  EXPECT_TRUE(W().sbOpenFile->isEnabled());
}

TEST_F(OperationsWindow, ControlsWhileAnOperationRuns) {
  Start(kOneChip);
  SelectChipAndLoad();
  bool probed = false;
  panel.probe = [&] {
    if (!ctx->Window.OperationRunning) return false;
    probed = true;
    EXPECT_TRUE(ctx->Window.OperationRunning);
    for (QToolButton* button : {W().sbAuto, W().sbBlankCheck, W().sbErase, W().sbWrite,
                                W().sbRead, W().sbVerify, W().sbOpenFile, W().sbBufferFill}) {
      EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    }
    for (const char* name : {"MenuAuto", "MenuWrite", "MenuErase", "Menu_File_Open",
                             "MenuBufferFill"}) {
      EXPECT_FALSE(window->menuItem(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(W().frameChipInfoMain->isEnabled()) << "no chip change under the operation";
    EXPECT_TRUE(W().sbStop->isEnabled());
    // A buffer command reaching the window anyway is refused with a line.
    window->MenuBufferFillClick();
    EXPECT_FALSE(window->frmFileEdit()->isVisible());
    W().sbStop->click();
    return true;
  };
  W().sbWrite->click();

  EXPECT_TRUE(probed);
  EXPECT_TRUE(Log().contains(QString::fromUtf8("缓冲区不能更改"))) << Log().toStdString();
  EXPECT_EQ(ctx->RamFile.Data.size(), kChipSize) << "the buffer stays as it was";
  EXPECT_TRUE(W().sbWrite->isEnabled());
  EXPECT_TRUE(W().frameChipInfoMain->isEnabled());
}

TEST_F(OperationsWindow, MassProductionCountsThreeChips) {
  // The mass button's pictures come from the Icon folder beside the program.
  std::filesystem::create_directories(folder.path() / "Icon");
  for (const char* name : {"Mass.bmp", "Stop.bmp"}) {
    std::filesystem::copy_file(std::filesystem::path(TESSARY_BIN_DIR) / "Icon" / name,
                               folder.path() / "Icon" / name);
  }
  const auto shows = [this](const char* name) {
    const QImage picture(QString::fromStdString((folder.path() / "Icon" / name).string()));
    return !picture.isNull() &&
           W().sbMess->icon().pixmap(picture.size()).toImage().convertToFormat(picture.format()) ==
               picture;
  };
  Start(
      "[Socket1]\nCapacity=65536\nPresent=0\n"
      "Events=insert@2000, remove@14000, insert@16000, remove@28000, insert@30000\n");
  SelectChipAndLoad();
  ctx->CurrentPrj.OprWrite = 1;
  ctx->CurrentPrj.OprVerify = 1;
  QTimer* timMass = window->findChild<QTimer*>("timMass");
  QTimer* timMassChipCheck = window->findChild<QTimer*>("timMassChipCheck");

  W().sbMess->click();
  ASSERT_TRUE(ctx->Window.MassRunning);
  EXPECT_TRUE(timMass->isActive());
  EXPECT_TRUE(timMassChipCheck->isActive());
  EXPECT_EQ(W().sbMess->text(), QString::fromUtf8("停止"));
  EXPECT_TRUE(shows("Stop.bmp"));
  EXPECT_FALSE(W().sbWrite->isEnabled());
  EXPECT_FALSE(W().sbStop->isEnabled());
  EXPECT_FALSE(window->menuItem("MenuProgram")->isEnabled());
  EXPECT_TRUE(W().sbMess->isEnabled());

  // The timers' ticks, on virtual time.
  std::uint64_t next_check = clock.NowMicroseconds() + 2'000'000;
  const std::uint64_t end = clock.NowMicroseconds() + 60'000'000;
  while (clock.NowMicroseconds() < end && ctx->Window.MassRunning) {
    clock.Advance(100'000);
    if (clock.NowMicroseconds() >= next_check) {
      window->timMassChipCheckTimer();
      next_check += 2'000'000;
    }
    if (timMass->isActive()) window->timMassTimer();
  }
  EXPECT_EQ(W().stResult->text(), QString::fromUtf8("Suc:3  Fal:0")) << Log().toStdString();

  W().sbMess->click();
  EXPECT_FALSE(ctx->Window.MassRunning);
  EXPECT_FALSE(timMass->isActive());
  EXPECT_FALSE(timMassChipCheck->isActive());
  EXPECT_EQ(W().sbMess->text(), QString::fromUtf8("批量"));
  EXPECT_TRUE(shows("Mass.bmp"));
  EXPECT_TRUE(W().sbWrite->isEnabled());

  W().btnClearDownTimes->click();
  EXPECT_EQ(W().stResult->text(), QString::fromUtf8("Suc:0  Fal:0"));
}

TEST_F(OperationsWindow, AutoOptionsSetTheStepsAtOnce) {
  Start(kOneChip);
  SelectChipAndLoad();
  window->menuItem("MenuAutoSel")->trigger();
  AutoOptionsWindow& options = *window->frmAutoSel();
  ASSERT_TRUE(options.isVisible());
  EXPECT_EQ(options.windowTitle(), QString::fromUtf8("自动选项"));
  EXPECT_EQ(options.chkAutoSelIdCheck()->text(), QString::fromUtf8("ID校验"));
  EXPECT_FALSE(options.chbBlockInit()->isVisible()) << "only for a NAND FLASH chip";

  struct Case {
    QCheckBox* box;
    std::uint8_t Prj_Info_Struct::*field;
  };
  for (const Case& c : {Case{options.chkAutoSelIdCheck(), &Prj_Info_Struct::OprIdCheck},
                        Case{options.chkAutoSelErase(), &Prj_Info_Struct::OprErase},
                        Case{options.chkAutoSelWrite(), &Prj_Info_Struct::OprWrite},
                        Case{options.chkAutoSelVerify(), &Prj_Info_Struct::OprVerify}}) {
    c.box->setChecked(true);
    EXPECT_EQ(ctx->CurrentPrj.*c.field, 1) << c.box->objectName().toStdString();
    c.box->setChecked(false);
    EXPECT_EQ(ctx->CurrentPrj.*c.field, 0) << c.box->objectName().toStdString();
  }

  // A NAND chip shows the bad-block box, the same setting as the menu item.
  ctx->CurrentPrj.ChipType = ChipTypeId::NandFlash;
  window->MenuAutoSelClick();
  ASSERT_TRUE(options.chbBlockInit()->isVisible());
  const bool before = ctx->Window.IgnoreInvalidBlocks;
  EXPECT_EQ(options.chbBlockInit()->isChecked(), before);
  options.chbBlockInit()->click();
  EXPECT_EQ(ctx->Window.IgnoreInvalidBlocks, !before);
  EXPECT_EQ(window->menuItem("mmIgnoreInvalidBlocks")->isChecked(), !before);
  window->menuItem("mmIgnoreInvalidBlocks")->trigger();
  EXPECT_EQ(options.chbBlockInit()->isChecked(), before) << "the box follows the menu";
}

TEST_F(OperationsWindow, ClosingDuringAnOperationWaitsForIt) {
  Start(kOneChip);
  SelectChipAndLoad();
  bool closed_at_once = true;
  panel.probe = [&] {
    if (!ctx->Window.OperationRunning) return false;
    closed_at_once = window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ctx->RamFile.Data.size(), kChipSize) << "the buffer is kept under the loop";
    return true;
  };
  W().sbWrite->click();

  EXPECT_FALSE(closed_at_once);
  EXPECT_FALSE(window->isVisible()) << "closed once the write returned";
  EXPECT_TRUE(ctx->RamFile.Data.empty()) << "freed on close";
}

TEST_F(OperationsWindow, ClosingDuringMassProductionStopsIt) {
  Start(kOneChip);
  SelectChipAndLoad();
  W().sbMess->click();
  ASSERT_TRUE(ctx->Window.MassRunning);
  EXPECT_TRUE(window->close()) << "nothing runs between the ticks: stop and close";
  EXPECT_FALSE(ctx->Window.MassRunning);
  EXPECT_FALSE(window->findChild<QTimer*>("timMass")->isActive());
}

}  // namespace
}  // namespace tessary
