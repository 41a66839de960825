// The hardware information dialog: its fields, the language labels, and
// the two ways of showing it (with and without the version fields).
#include "ui/hardware_info_dialog.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>

namespace tessary {
namespace {

HardwareInfoView SampleView(bool with_versions) {
  HardwareInfoView view;
  view.Caption = "Hardware Information";
  view.DevNameLabel = "Model:";
  view.SerialLabel = "Serial number:";
  view.FirmwareLabel = "Firmware version:";
  view.HardwareLabel = "Hardware version:";
  view.DevName = "Velor";
  view.DevSN = "TSY-0000-0000-0001";
  view.FirmVer = "V1.2.3";
  view.HardVer = "HW-V2.1";
  view.VersionsVisible = with_versions;
  return view;
}

TEST(HardwareInfoDialogTest, DesignTimeLayout) {
  HardwareInfoDialog dialog;
  dialog.layout()->activate();
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("硬件信息"));
  EXPECT_EQ(dialog.size(), QSize(440, 182));
  EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
  const std::pair<QLineEdit*, const char*> fields[] = {{dialog.lbeHardInfoDevName(), "设备名："},
                                                       {dialog.lbeHardInfoSN(), "序列号："},
                                                       {dialog.lbeHardInfoFirmVer(), "软件版本："},
                                                       {dialog.lbeHardware(), "硬件版本："}};
  int previous_top = -1;
  for (const auto& [field, caption] : fields) {
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_EQ(dialog.LabelOf(field)->text(), QString::fromUtf8(caption));
    EXPECT_GT(field->geometry().top(), previous_top) << "one under another";
    previous_top = field->geometry().top();
  }
}

TEST(HardwareInfoDialogTest, TheMenuShowsAllFourFieldsModelessly) {
  QWidget main;
  main.resize(900, 700);
  main.show();
  HardwareInfoDialog dialog(&main);
  dialog.ShowView(SampleView(true));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.isModal());
  EXPECT_EQ(dialog.windowTitle(), "Hardware Information");
  EXPECT_EQ(dialog.lbeHardInfoDevName()->text(), "Velor");
  EXPECT_EQ(dialog.lbeHardInfoSN()->text(), "TSY-0000-0000-0001");
  EXPECT_EQ(dialog.lbeHardInfoFirmVer()->text(), "V1.2.3");
  EXPECT_EQ(dialog.lbeHardware()->text(), "HW-V2.1");
  EXPECT_EQ(dialog.LabelOf(dialog.lbeHardInfoFirmVer())->text(), "Firmware version:");
  const QRect outer = main.frameGeometry();
  const QRect placed = dialog.frameGeometry();
  EXPECT_EQ(placed.left(), outer.left() + (outer.width() - placed.width()) / 2);
  EXPECT_EQ(placed.top(), outer.top() + (outer.height() - placed.height()) / 2);
  EXPECT_TRUE(dialog.lbeHardInfoFirmVer()->isVisible());
  EXPECT_TRUE(dialog.lbeHardware()->isVisible());
}

TEST(HardwareInfoDialogTest, TheDeviceButtonHidesTheVersionsUntilTheMenuShowsThemAgain) {
  HardwareInfoDialog dialog;
  dialog.ShowView(SampleView(false));
  EXPECT_TRUE(dialog.lbeHardInfoDevName()->isVisible());
  EXPECT_TRUE(dialog.lbeHardInfoSN()->isVisible());
  EXPECT_FALSE(dialog.lbeHardInfoFirmVer()->isVisible());
  EXPECT_FALSE(dialog.lbeHardware()->isVisible());
  EXPECT_FALSE(dialog.LabelOf(dialog.lbeHardware())->isVisible());
  dialog.ShowView(SampleView(true));
  EXPECT_TRUE(dialog.lbeHardInfoFirmVer()->isVisible());
  EXPECT_TRUE(dialog.LabelOf(dialog.lbeHardware())->isVisible());
}

}  // namespace
}  // namespace tessary
