// The user-chip window on a copy of the real catalogue: its texts for the
// language, the list and the edits, the template box, and the buttons
// reaching the catalogue.
#include "ui/user_chip_window.h"
#include "app/app_context.h"
#include "catalogue/catalogue_statements.h"
#include "support/program_folder.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace tessary {
namespace {

class UserChipWindowTest : public ::testing::Test {
 protected:
  UserChipWindowTest() {
    ctx.Paths = PortablePaths(folder.path());
    std::string error;
    EXPECT_TRUE(ctx.Database.Open(folder.path() / "login.dat", error)) << error;
    QObject::connect(&window, &TfrmUserImportChip::catalogueChanged, [this] { ++changes; });
  }

  QString LabelOf(const char* name) {
    const auto* label = window.findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QString("<missing>");
  }
  void Fill(const QString& name, const QString& id, const QString& manufacturer,
            const QString& template_name) {
    window.lbeChipName()->setText(name);
    window.lbeChipID()->setText(id);
    window.lbeManauf()->setText(manufacturer);
    window.cmbSuanFa()->setEditText(template_name);
  }
  int RowsNamed(const std::string& name) {
    return ctx.Database.RunQuery(statements::kChipByName, {name});
  }

  testing::ProgramFolder folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
  TfrmUserImportChip window{ctx};
  int changes = 0;
};

TEST_F(UserChipWindowTest, OpensWithTheTextsOfTheLanguage) {
  window.MenuAddChipClick();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.size(), QSize(530, 312));
  EXPECT_EQ(window.windowTitle(), "用户自定义芯片管理");
  EXPECT_EQ(window.Label1()->text(), "用户自定义型号        0");
  EXPECT_EQ(window.ListBox1()->count(), 0);
  EXPECT_GT(window.cmbSuanFa()->count(), 0);
  EXPECT_EQ(window.cmbSuanFa()->currentIndex(), 0);
  EXPECT_EQ(LabelOf("lbAlgorithmName"), "算法选择");
  EXPECT_EQ(window.btnDelete()->text(), "刪除");

  window.btnCloseClick();
  EXPECT_FALSE(window.isVisible());

  ctx.DeviceInfo.Language = 1;
  window.MenuAddChipClick();
  EXPECT_EQ(window.windowTitle(), "用戶自定義晶片管理");
  EXPECT_EQ(LabelOf("lbeChipNameLabel"), "晶片名稱：");
  EXPECT_EQ(window.btnClose()->text(), "關閉");

  ctx.DeviceInfo.Language = 2;
  window.MenuAddChipClick();
  EXPECT_EQ(window.windowTitle(), "User-Def Chips Manage");
  EXPECT_EQ(window.Label1()->text(), "User Self-Def Chip       0");
  EXPECT_EQ(LabelOf("lbeChipIDLabel"), "Chip ID:");
  EXPECT_EQ(LabelOf("lbeCapcityLabel"), "Capcity:");
  EXPECT_EQ(LabelOf("lbeManaufLabel"), "Manufacturer:");
  EXPECT_EQ(window.btnAdd()->text(), "Add");
  EXPECT_EQ(window.btnModify()->text(), "Modify");
}

TEST_F(UserChipWindowTest, AddModifyDeleteThroughTheButtons) {
  window.MenuAddChipClick();
  Fill("MY'CHIP", "C84017", "ACME", "W25Q64");
  window.btnAdd()->click();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(RowsNamed("MY'CHIP"), 1);
  ASSERT_EQ(window.ListBox1()->count(), 1);
  EXPECT_EQ(window.ListBox1()->item(0)->text(), "MY'CHIP");
  EXPECT_EQ(window.ListBox1()->currentRow(), 0);
  EXPECT_EQ(window.Label1()->text(), "用户自定义型号        1");

  // Picking the chip fills the edits from its row.
  Fill("", "", "", "W25Q64");
  window.ListBox1Click(0);
  EXPECT_EQ(window.lbeChipName()->text(), "MY'CHIP");
  EXPECT_EQ(window.lbeChipID()->text(), "C84017");
  EXPECT_EQ(window.lbeManauf()->text(), "ACME");
  EXPECT_EQ(window.lbeCapcity()->text(), "8388608");

  // The template box shows a capacity for exact names only.
  window.cmbSuanFa()->setEditText("W25X0");
  EXPECT_EQ(window.lbeCapcity()->text(), "8388608");
  window.cmbSuanFa()->setEditText("W25X05");
  EXPECT_EQ(window.lbeCapcity()->text(), "65536");

  window.lbeManauf()->setText("ACME2");
  window.btnModify()->click();
  EXPECT_EQ(changes, 2);
  ctx.Database.RunQuery(statements::kChipByName, {"MY'CHIP"});
  EXPECT_EQ(ctx.Database.FieldAsText("ManufName"), "ACME2");
  EXPECT_EQ(ctx.Database.FieldAsText("Capacity"), "65536");

  // A factory chip's name: refused with a message, nothing changes.
  Fill("W25Q64", "000000", "ACME", "W25X05");
  window.btnModify()->click();
  EXPECT_EQ(changes, 2);
  ASSERT_EQ(panel.messages.size(), 1u);
  EXPECT_EQ(panel.messages[0].text, "出厂芯片不能修改：W25Q64");
  ctx.Database.RunQuery(statements::kChipByName, {"W25Q64"});
  EXPECT_EQ(ctx.Database.FieldAsText("Adder"), "Halvern");
  EXPECT_EQ(ctx.Database.FieldAsText("ChipID"), "EF4017");

  // No template: add says so, delete does nothing.
  Fill("MY'CHIP", "C84017", "ACME2", "NOT A CHIP");
  window.btnAdd()->click();
  EXPECT_EQ(panel.messages.back().text, "算法名称错误，请重试！");
  window.btnDelete()->click();
  EXPECT_EQ(RowsNamed("MY'CHIP"), 1);

  window.cmbSuanFa()->setEditText("W25Q64");
  window.btnDelete()->click();
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(RowsNamed("MY'CHIP"), 0);
  EXPECT_EQ(window.ListBox1()->count(), 0);
  EXPECT_EQ(window.Label1()->text(), "用户自定义型号        0");
}

TEST_F(UserChipWindowTest, ACatalogueFailureIsShownAndLeavesTheWindowUsable) {
  window.MenuAddChipClick();
  Fill("X", "1", "Y", "W25Q64");
  ctx.Database.Close();
  QString shown;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->accept();
    }
  });
  window.btnAdd()->click();
  EXPECT_TRUE(shown.contains("not open")) << shown.toStdString();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(window.lbeChipName()->text(), "X");
  EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace tessary
