// The main window against the demo programmer, on virtual time: the scan
// timer's tick finds and identifies it, and the window shows it.
#include "app/app_context.h"
#include "sim/simulated_link.h"
#include "ui/main_window.h"
#include "ui/qt_operator_panel.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QTextEdit>
#include <QTimer>

namespace tessary {
namespace {

TEST(MainWindowWithDemoProgrammer, ScanTickIdentifiesTheProgrammer) {
  VirtualClock clock;
  std::string error;
  std::unique_ptr<sim::SimulatedLink> link = sim::MakeSimulatedLink(clock, "", error);
  ASSERT_NE(link, nullptr) << error;
  QtOperatorPanel panel;
  AppContext ctx(clock, panel, *link);
  MainWindow window(ctx, panel, "/nonexistent");

  window.TimerForMassProduct();

  EXPECT_TRUE(ctx.link.LinkOpen());
  EXPECT_EQ(window.widgets().StatusPanels[0]->text(), QString::fromUtf8("设备已连接: Velor"));
  EXPECT_TRUE(window.widgets().StatusPanels[1]->text().startsWith(QString::fromUtf8("设备版本:")));
  EXPECT_FALSE(window.findChild<QTimer*>("TimerScan")->isActive());
  EXPECT_TRUE(window.widgets().memLog->toPlainText().contains("Velor"));
  // A second tick while linked leaves everything as it is.
  const QString log = window.widgets().memLog->toPlainText();
  window.TimerForMassProduct();
  EXPECT_EQ(window.widgets().memLog->toPlainText(), log);
}

}  // namespace
}  // namespace tessary
