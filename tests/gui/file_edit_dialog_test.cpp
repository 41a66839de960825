// The value dialog TfrmFileEdit: its components, the four set-ups, what OK
// does in each mode (closing, staying open on a bad number, the find's
// selection request) and the random box.
#include "ui/file_edit_dialog.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

class FileEditDialogTest : public ::testing::Test {
 protected:
  FileEditDialogTest() {
    ctx.Paths = PortablePaths(std::filesystem::path(folder.path().toStdString()));
    std::filesystem::create_directories(ctx.Paths.TempFolder());
    clock.SetTimeOfDay(8, 0, 0);
    ctx.CurrentPrj.ChipSize = 256;
    EXPECT_EQ(ResetBufferAndView(ctx.Hex, 256).status, BufferStatus::Ok);
  }

  template <typename T>
  T* Find(const char* name) {
    T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QLineEdit* Edit(int i) { return Find<QLineEdit>(("lbeInputValue" + std::to_string(i)).c_str()); }
  QLabel* Label(int i) {
    return Find<QLabel>(("lbeInputValue" + std::to_string(i) + "Label").c_str());
  }
  void Ok() { Find<QPushButton>("btnFileInportOK")->click(); }

  QTemporaryDir folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
  TfrmFileEdit dialog{ctx};
};

TEST_F(FileEditDialogTest, IsANonModalToolWindowKeptOnTop) {
  EXPECT_FALSE(dialog.isModal());
  EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dialog.isVisible());
  for (const char* name : {"btnFileInportOK", "btnFileInportCancel"}) {
    EXPECT_NE(dialog.findChild<QPushButton*>(name), nullptr) << name;
  }
  EXPECT_NE(dialog.findChild<QCheckBox*>("chkInputValueRandom"), nullptr);
}

TEST_F(FileEditDialogTest, FillSetUpAndOk) {
  dialog.ShowFill();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.Tag(), FileEditMode::Fill);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("缓冲区填充设置"));
  EXPECT_EQ(Label(1)->text(), QStringLiteral("起始地址(HEX):"));
  EXPECT_EQ(Label(2)->text(), QStringLiteral("填充长度(HEX):"));
  EXPECT_EQ(Label(3)->text(), QStringLiteral("填充数值(HEX):"));
  EXPECT_EQ(Edit(2)->text(), "00000100");
  EXPECT_EQ(Edit(3)->maxLength(), 2);
  EXPECT_TRUE(Edit(2)->isVisible() && Edit(2)->isEnabled());
  EXPECT_TRUE(Edit(3)->isVisible() && Edit(3)->isEnabled());
  EXPECT_TRUE(Find<QCheckBox>("chkInputValueRandom")->isVisible());
  EXPECT_EQ(Find<QPushButton>("btnFileInportOK")->text(), QStringLiteral("确定"));

  Edit(1)->setText("10");
  Edit(2)->setText("20");
  Edit(3)->setText("3C");
  Ok();

  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(ctx.RamFile.Data[0x0F], 0xFF);
  EXPECT_EQ(ctx.RamFile.Data[0x10], 0x3C);
  EXPECT_EQ(ctx.RamFile.Data[0x2F], 0x3C);
  EXPECT_EQ(ctx.RamFile.Data[0x30], 0xFF);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0x10u);
}

TEST_F(FileEditDialogTest, RandomBoxDisablesTheValueAndFillsRandomBytes) {
  dialog.ShowFill();
  QCheckBox* random = Find<QCheckBox>("chkInputValueRandom");
  random->click();
  EXPECT_FALSE(Edit(3)->isEnabled());
  random->click();
  EXPECT_TRUE(Edit(3)->isEnabled());

  random->click();
  Ok();
  int not_erased = 0;
  for (const std::uint8_t b : ctx.RamFile.Data) not_erased += b != 0xFF;
  EXPECT_GT(not_erased, 200);

  dialog.ShowFill();
  EXPECT_FALSE(random->isChecked()) << "each set-up starts unticked";
  EXPECT_TRUE(Edit(3)->isEnabled());
}

TEST_F(FileEditDialogTest, NumberThatIsNotHexadecimalKeepsTheDialogOpen) {
  dialog.ShowGoto();
  Edit(1)->setText("XYZ");
  Ok();
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(panel.messages.size(), 1u);
  EXPECT_NE(panel.messages[0].text.find("XYZ"), std::string::npos);

  Edit(1)->setText("35");
  Ok();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(ctx.RamFile.ViewTop, 0x30u);
}

TEST_F(FileEditDialogTest, GotoAndFindSetUps) {
  ctx.RamFile.ViewTop = 0x40;
  dialog.ShowGoto();
  EXPECT_EQ(dialog.Tag(), FileEditMode::Goto);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("缓冲区跳转"));
  EXPECT_EQ(Edit(2)->text(), "00000040");
  EXPECT_TRUE(Edit(2)->isVisible());
  EXPECT_FALSE(Edit(2)->isEnabled());
  EXPECT_FALSE(Edit(3)->isVisible());
  EXPECT_FALSE(Find<QCheckBox>("chkInputValueRandom")->isVisible());

  dialog.ShowFind();
  EXPECT_EQ(dialog.Tag(), FileEditMode::Find);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("查找缓冲区"));
  EXPECT_EQ(Label(1)->text(), QStringLiteral("查找内容(HEX):"));
  EXPECT_EQ(Edit(1)->text(), "FFFFFFFF");
  EXPECT_FALSE(Edit(2)->isVisible());
  EXPECT_FALSE(Label(2)->isVisible());
  EXPECT_FALSE(Edit(3)->isVisible());
}

TEST_F(FileEditDialogTest, FindAsksForTheMatchToBeSelected) {
  ctx.RamFile.Data[0x21] = 0x12;
  ctx.RamFile.Data[0x22] = 0x34;
  std::vector<std::pair<quint32, quint32>> requests;
  QObject::connect(&dialog, &TfrmFileEdit::hexSelectionRequested,
                   [&](quint32 start, quint32 length) { requests.emplace_back(start, length); });
  dialog.ShowFind();
  Edit(1)->setText("1234");
  Ok();
  EXPECT_FALSE(dialog.isVisible());
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].first, 3u);
  EXPECT_EQ(requests[0].second, 5u);
  EXPECT_EQ(ctx.RamFile.FindPos, 0x21);

  dialog.ShowFind();
  Edit(1)->setText("ABCD");
  Ok();
  EXPECT_FALSE(dialog.isVisible()) << "no match: the dialog closes without a word";
  EXPECT_EQ(requests.size(), 1u);
  EXPECT_TRUE(panel.messages.empty());
}

TEST_F(FileEditDialogTest, TypedLettersAreUpperCase) {
  dialog.ShowFind();
  QLineEdit* edit = Edit(1);
  edit->clear();
  edit->setFocus();
  for (const char c : std::string("5a")) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(c)));
    QApplication::sendEvent(edit, &press);
  }
  EXPECT_EQ(edit->text(), "5A");
}

TEST_F(FileEditDialogTest, ImportLoadsTheOfferedFileUnderTheTypedAddress) {
  ctx.CurrentPrj.RamStartAddr = 0x20;
  const std::filesystem::path file = ctx.Paths.DataFolder() / "drop.bin";
  std::ofstream(file, std::ios::binary) << "ABCD";

  dialog.ShowImport(file);
  EXPECT_EQ(dialog.Tag(), FileEditMode::Import);
  EXPECT_EQ(dialog.ImportFile(), file);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("文件导入缓存区编辑"));
  EXPECT_EQ(Label(1)->text(), QStringLiteral("缓存区起始地址(HEX):"));
  EXPECT_EQ(Edit(1)->text(), "00000020");
  EXPECT_FALSE(Edit(2)->isVisible());
  EXPECT_FALSE(Edit(3)->isVisible());
  EXPECT_FALSE(Find<QCheckBox>("chkInputValueRandom")->isVisible());

  Edit(1)->setText("00001000");
  Ok();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(ctx.CurrentPrj.RamStartAddr, 0x1000u);
  EXPECT_EQ(ctx.RamFile.DataLen, 4u);
  EXPECT_EQ(ctx.RamFile.Data[0], 'A');
  EXPECT_EQ(panel.status[3], "CHECKSUM:0x0000010A");
}

TEST_F(FileEditDialogTest, CancelChangesNothing) {
  const std::filesystem::path file = ctx.Paths.DataFolder() / "drop.bin";
  std::ofstream(file, std::ios::binary) << "ABCD";
  dialog.ShowImport(file);
  Edit(1)->setText("1000");
  Find<QPushButton>("btnFileInportCancel")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(ctx.CurrentPrj.RamStartAddr, 0u);
  EXPECT_EQ(ctx.RamFile.DataLen, 256u);
  EXPECT_EQ(ctx.RamFile.Data[0], 0xFF);
  EXPECT_TRUE(panel.log.empty());
}

}  // namespace
}  // namespace tessary
