// The offline project window against a simulated Skar on virtual time: it
// opens from its menu item with the chip frame borrowed, chooses the data
// file, downloads with its buttons disabled meanwhile, and gives the frame
// back when it closes.
#include "app/app_context.h"
#include "app/project_handlers.h"
#include "sim/simulated_link.h"
#include "support/program_folder.h"
#include "ui/chip_selection_frame.h"
#include "ui/main_window.h"
#include "ui/project_window.h"
#include "ui/qt_operator_panel.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>

#include <fstream>
#include <functional>
#include <memory>

namespace tessary {
namespace {

// Shows everything on the window's panel and runs `probe` at every pump.
class ProbingPanel final : public OperatorPanel {
 public:
  explicit ProbingPanel(QtOperatorPanel& shown) : shown_(shown) {}
  void LogLineAdded(std::string_view text, LogColour colour) override { shown_.LogLineAdded(text, colour); }
  void LogCleared() override { shown_.LogCleared(); }
  void SetProgressMaximum(ProgressBar bar, std::int64_t maximum) override {
    shown_.SetProgressMaximum(bar, maximum);
  }
  void SetProgressPosition(ProgressBar bar, std::int64_t position) override {
    shown_.SetProgressPosition(bar, position);
  }
  void SetProgressColour(ProgressBar bar, std::uint32_t colour) override {
    shown_.SetProgressColour(bar, colour);
  }
  void SetProgressVisible(ProgressBar bar, bool visible) override { shown_.SetProgressVisible(bar, visible); }
  MessageAnswer ShowMessage(std::string_view text, std::string_view, MessageKind) override {
    messages.emplace_back(text);  // no modal box in a test
    return MessageAnswer::Ok;
  }
  void SetStatusPanel(int panel, std::string_view text) override { shown_.SetStatusPanel(panel, text); }
  void MainWindowStateChanged() override { shown_.MainWindowStateChanged(); }
  void PumpEvents() override {
    shown_.PumpEvents();
    if (probe) probe();
  }

  std::function<void()> probe;
  std::vector<std::string> messages;

 private:
  QtOperatorPanel& shown_;
};

struct ProjectWindowTest : ::testing::Test {
  ProjectWindowTest() {
    const std::filesystem::path config = folder.path() / "simulator.ini";
    std::ofstream(config) << "[Programmer]\nModel=Skar\n";
    std::string error;
    link = sim::MakeSimulatedLink(clock, config.string(), error);
    EXPECT_NE(link, nullptr) << error;
    ctx = std::make_unique<AppContext>(clock, panel, *link);
    clock.SetTimeOfDay(10, 0, 0);
    window = std::make_unique<MainWindow>(*ctx, shown, folder.path());
    const StartUpOutcome outcome = window->StartUp();
    EXPECT_TRUE(outcome.ok) << outcome.message;
    window->show();
    window->TimerForMassProduct();  // the scan finds the Skar
    EXPECT_TRUE(ctx->link.LinkOpen());
  }

  std::filesystem::path WriteData(std::size_t size) {
    data.resize(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 3 + 1);
    const std::filesystem::path path = folder.path() / "image.bin";
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
    return path;
  }
  // True when `widget` sits somewhere inside `ancestor`.
  static bool Inside(const QWidget* widget, const QWidget* ancestor) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget())
      if (w == ancestor) return true;
    return false;
  }

  testing::ProgramFolder folder;
  VirtualClock clock;
  QtOperatorPanel shown;
  ProbingPanel panel{shown};
  std::unique_ptr<sim::SimulatedLink> link;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<MainWindow> window;
  std::vector<char> data;
};

TEST_F(ProjectWindowTest, OpensWithTheFrameDownloadsAndGivesTheFrameBack) {
  QAction* menu = window->menuItem("MenuPrjOffline");
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(menu->isEnabled());
  ASSERT_TRUE(menu->isVisible());
  menu->trigger();

  TfrmProject* project = window->frmProject();
  ASSERT_NE(project, nullptr);
  EXPECT_TRUE(project->isVisible());
  ChipSelectionFrame* frame = window->widgets().frameChipInfoMain;
  EXPECT_TRUE(Inside(frame, project->tabPrjEdit()));
  EXPECT_FALSE(frame->findChild<QGroupBox*>("gbChipInfoDesc")->isVisibleTo(frame));
  EXPECT_EQ(project->memLogOffPrj()->toPlainText(), QString::fromUtf8("文件名:文件待选择."));
  EXPECT_EQ(project->cmbDownMethod()->currentText(), QString::fromUtf8("自动"));

  ctx->ChipFrame.cmbDownChipName.Add("W25Q64");
  ctx->ChipFrame.cmbDownChipName.Select(0);
  const std::filesystem::path file = WriteData(3000);
  window->SetFileChooser([file](const FileDialogRequest&) { return file; });
  project->Button2()->click();
  EXPECT_TRUE(project->memLogOffPrj()->toPlainText().contains("image.bin    CRC32: 0x"));

  bool probed = false;
  panel.probe = [&] {
    if (!ctx->Project.DownloadRunning || probed) return;
    probed = true;
    EXPECT_FALSE(project->btnDownLoadPrj()->isEnabled());
    EXPECT_FALSE(project->Button2()->isEnabled());
    project->btnDownLoadPrj()->click();  // disabled: starts nothing
    project->close();                    // refused while downloading
    EXPECT_TRUE(project->isVisible());
  };
  project->btnDownLoadPrj()->click();
  EXPECT_TRUE(probed);
  EXPECT_TRUE(panel.messages.empty());
  EXPECT_EQ(project->sbPrjPanel(0)->text(), QString::fromUtf8("数据文件校验"));
  EXPECT_EQ(project->sbPrjPanel(1)->text(), QString::fromUtf8("校验成功"));
  EXPECT_EQ(project->pbPrjDownStatus()->value(), 100);
  EXPECT_TRUE(project->btnDownLoadPrj()->isEnabled());
  EXPECT_EQ(link->programmer().wire().CountFrames(0x44), 1u);
  EXPECT_EQ(link->programmer().project_store().data,
            std::vector<std::uint8_t>(data.begin(), data.end()));

  project->close();
  EXPECT_FALSE(project->isVisible());
  EXPECT_TRUE(Inside(frame, window->widgets().PanelMainLeftInfo));
  EXPECT_TRUE(frame->findChild<QGroupBox*>("gbChipInfoDesc")->isVisibleTo(frame));
  EXPECT_TRUE(ctx->ChipFrame.HostedInMainWindow);
}

TEST_F(ProjectWindowTest, RunLimitTypedInTheWindowReachesTheProjectFile) {
  window->menuItem("MenuPrjOffline")->trigger();
  TfrmProject* project = window->frmProject();
  ctx->ChipFrame.cmbDownChipName.Add("W25Q64");
  ctx->ChipFrame.cmbDownChipName.Select(0);
  const std::filesystem::path file = WriteData(10);
  window->SetFileChooser([file](const FileDialogRequest&) { return file; });
  project->Button2()->click();
  project->chkProTimes()->setChecked(true);
  project->editProTimes()->setText("300");
  emit project->editProTimes()->textEdited("300");
  project->btnDownLoadPrj()->click();
  std::ifstream in(folder.path() / "temp" / "temp.gprj", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(text.find("\r\nTimesEn=01\r\nTimesMax=0000012C\r\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace tessary
