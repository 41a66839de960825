// The firmware update window against the demo programmer on virtual time:
// opened from the menu, it updates the programmer from the demo package in
// the build's iap folder and the status bar shows the new version; after a
// failed image check it stays open and says what to do; its controls are
// disabled while the update runs.
#include "app/app_context.h"
#include "app/device_connection.h"
#include "app/firmware_update_handlers.h"
#include "sim/simulated_link.h"
#include "ui/main_window.h"
#include "ui/qt_operator_panel.h"
#include "ui/update_window.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>

#include <functional>

namespace tessary {
namespace {

// Virtual time whose waits also deliver the programmer's arrival and
// removal notices, as the window's device timer does in real time.
class NoticeClock final : public Clock {
 public:
  [[nodiscard]] std::uint64_t NowMicroseconds() const override { return now_; }
  void IdleFor(std::uint64_t us) override {
    now_ += us;
    if (on_idle && !inside_) {
      inside_ = true;
      on_idle();
      inside_ = false;
    }
  }
  void SleepFor(std::uint64_t us) override { now_ += us; }
  [[nodiscard]] std::tm LocalTime() const override { return std::tm{}; }
  std::function<void()> on_idle;

 private:
  std::uint64_t now_ = 1'000'000;
  bool inside_ = false;
};

class UpdateWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    link = sim::MakeSimulatedLink(clock, "", error);
    ASSERT_NE(link, nullptr) << error;
    ctx = std::make_unique<AppContext>(clock, panel, *link);
    window = std::make_unique<MainWindow>(*ctx, panel, TESSARY_BIN_DIR);
    ctx->Paths = PortablePaths(TESSARY_BIN_DIR);
    clock.on_idle = [this] {
      link->ServiceEvents();
      if (window->frmUpdate()->Updating()) {
        controls_enabled_while_updating |= window->frmUpdate()->btnStartIAP()->isEnabled() ||
                                           window->frmUpdate()->chkBootReady()->isEnabled();
        seen_updating = true;
      }
    };
    window->TimerForMassProduct();
    ASSERT_TRUE(ctx->link.LinkOpen());
  }
  void TearDown() override { clock.on_idle = nullptr; }

  QString UpdateLog() const { return window->frmUpdate()->memUpdateLog()->toPlainText(); }

  NoticeClock clock;
  std::unique_ptr<sim::SimulatedLink> link;
  QtOperatorPanel panel;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<MainWindow> window;
  bool controls_enabled_while_updating = false;
  bool seen_updating = false;
};

TEST_F(UpdateWindow, UpdatesTheDemoProgrammerFromTheDemoPackage) {
  window->menuItem("MenuFirmUpdate")->trigger();
  TfrmUpdate* update = window->frmUpdate();
  ASSERT_TRUE(update->isVisible());
  EXPECT_EQ(update->windowTitle(), QString::fromUtf8("固件版本更新"));
  EXPECT_EQ(update->btnStartIAP()->text(), QString::fromUtf8("启动更新"));
  EXPECT_EQ(update->chkBootReady()->text(), QString::fromUtf8("已处于BOOT模式，直接更新"));

  update->btnStartIAP()->click();

  EXPECT_EQ(update->LastResult(), FirmwareUpdateResult::Updated) << UpdateLog().toStdString();
  EXPECT_FALSE(update->isVisible()) << "closes after a good update";
  EXPECT_EQ(window->widgets().StatusPanels[1]->text(), QString::fromUtf8("设备版本:V1.2.4"));
  EXPECT_EQ(ctx->DeviceInfo.FirmVer, "V1.2.4");
  EXPECT_TRUE(UpdateLog().contains("Velor_010204.iap"));
  EXPECT_TRUE(UpdateLog().contains(QString::fromUtf8("更新完成")));
  EXPECT_EQ(update->pbIAPProBar()->value(), update->pbIAPProBar()->maximum());
  EXPECT_TRUE(seen_updating);
  EXPECT_FALSE(controls_enabled_while_updating) << "no second start in the middle of one";
  EXPECT_TRUE(update->btnStartIAP()->isEnabled());
}

TEST_F(UpdateWindow, AfterAFailedCheckItStaysOpenAndSaysWhatToDo) {
  link->programmer().faults().image_check_fails = true;
  window->menuItem("MenuFirmUpdate")->trigger();
  TfrmUpdate* update = window->frmUpdate();

  update->btnStartIAP()->click();

  EXPECT_EQ(update->LastResult(), FirmwareUpdateResult::Failed);
  EXPECT_TRUE(update->isVisible()) << "stays open after a failure";
  EXPECT_FALSE(UpdateLog().contains(QString::fromUtf8("更新完成")));
  EXPECT_TRUE(UpdateLog().contains(QString::fromUtf8("已处于BOOT模式，直接更新")))
      << UpdateLog().toStdString();
  EXPECT_EQ(window->widgets().StatusPanels[1]->text(), QString::fromUtf8("校验错误"));
  EXPECT_TRUE(update->btnStartIAP()->isEnabled());
  EXPECT_TRUE(update->chkBootReady()->isEnabled());
  EXPECT_FALSE(controls_enabled_while_updating);

  // Retried by hand with the box ticked and the package picked.
  link->programmer().faults().image_check_fails = false;
  window->SetFileChooser([](const FileDialogRequest& request) -> std::optional<std::filesystem::path> {
    EXPECT_TRUE(request.start.endsWith("iap/0")) << request.start.toStdString();
    return std::filesystem::path(TESSARY_BIN_DIR) / "iap" / "Velor_010204.iap";
  });
  update->chkBootReady()->setChecked(true);
  update->btnStartIAP()->click();
  EXPECT_EQ(update->LastResult(), FirmwareUpdateResult::Updated) << UpdateLog().toStdString();
  EXPECT_EQ(window->widgets().StatusPanels[1]->text(), QString::fromUtf8("设备版本:V1.2.4"));
}

TEST_F(UpdateWindow, WithoutAProgrammerTheMenuOnlyLogsItOffline) {
  OnProgrammerRemoved(*ctx);
  window->menuItem("MenuFirmUpdate")->trigger();
  EXPECT_FALSE(window->frmUpdate()->isVisible());
  EXPECT_TRUE(window->widgets().memLog->toPlainText().endsWith(QString::fromUtf8("设备离线")));
}

}  // namespace
}  // namespace tessary
