// The main window's menus, buttons and drops reaching the core: chip
// detection and the programmer options against the demo programmer, the
// file dialogs, the buffer tools' dialog and the import after a drop.
#include "app/app_context.h"
#include "buffer/buffer_tools.h"
#include "sim/simulated_link.h"
#include "support/program_folder.h"
#include "ui/chip_search_window.h"
#include "ui/chip_selection_frame.h"
#include "ui/file_edit_dialog.h"
#include "ui/file_merge_window.h"
#include "ui/hardware_info_dialog.h"
#include "ui/main_window.h"
#include "ui/qt_operator_panel.h"
#include "ui/user_chip_window.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>

#include <fstream>
#include <numeric>
#include <vector>

namespace tessary {
namespace {

struct WiredWindow : ::testing::Test {
  WiredWindow() {
    std::string error;
    link = sim::MakeSimulatedLink(clock, "", error);
    EXPECT_NE(link, nullptr) << error;
    ctx = std::make_unique<AppContext>(clock, panel, *link);
    clock.SetTimeOfDay(10, 0, 0);
    window = std::make_unique<MainWindow>(*ctx, panel, folder.path());
    const StartUpOutcome outcome = window->StartUp();
    EXPECT_TRUE(outcome.ok) << outcome.message;
    window->show();
  }

  const MainWindowWidgets& W() const { return window->widgets(); }
  QStringList LogLines() const {
    const QString text = W().memLog->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
  }
  std::filesystem::path WriteData(const std::string& name, std::size_t size) const {
    std::vector<char> bytes(size);
    std::iota(bytes.begin(), bytes.end(), 'A');
    const std::filesystem::path path = folder.path() / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
    return path;
  }
  // Every file dialog answers `answer` and records what it was asked.
  void AnswerDialogs(std::optional<std::filesystem::path> answer) {
    window->SetFileChooser([this, answer](const FileDialogRequest& request) {
      requests.push_back(request);
      return answer;
    });
  }
  TfrmFileEdit& FileEdit() const { return *window->frmFileEdit(); }
  QLineEdit* DialogField(const char* name) const {
    return FileEdit().findChild<QLineEdit*>(QString::fromLatin1(name));
  }

  testing::ProgramFolder folder;
  VirtualClock clock;
  QtOperatorPanel panel;
  std::unique_ptr<sim::SimulatedLink> link;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<MainWindow> window;
  std::vector<FileDialogRequest> requests;
};

TEST_F(WiredWindow, IdentifyingTheProgrammerDetectsItsChipAndTheButtonDetectsAgain) {
  window->TimerForMassProduct();
  ASSERT_TRUE(ctx->link.LinkOpen());
  const QString chip = W().frameChipInfoMain->cmbDownChipName()->currentText();
  EXPECT_TRUE(chip.contains("25Q64")) << chip.toStdString();
  EXPECT_EQ(W().frameChipInfoMain->cmbChipType()->currentText(), "25 FLASH");
  ASSERT_FALSE(LogLines().isEmpty());
  EXPECT_TRUE(
      LogLines().last().startsWith(QString::fromUtf8("10:00:00 检测并识别到芯片，型号：") + chip));

  const qsizetype lines = LogLines().size();
  W().frameChipInfoMain->sbChipDetect()->click();
  EXPECT_EQ(LogLines().size(), lines + 1);
  EXPECT_TRUE(LogLines().last().contains(QString::fromUtf8("检测并识别到芯片")));
}

TEST_F(WiredWindow, DetectionWithoutAProgrammerLogsTheOfflineLine) {
  W().frameChipInfoMain->sbChipDetect()->setEnabled(true);
  W().frameChipInfoMain->sbChipDetect()->click();
  EXPECT_EQ(LogLines(), QStringList({QString::fromUtf8("10:00:00 设备离线")}));
}

TEST_F(WiredWindow, DetectionPreferenceItemsSwitchTheSetting) {
  window->menuItem("mmManuf")->trigger();
  EXPECT_FALSE(ctx->ChipDetectAutoSelect);
  EXPECT_TRUE(window->menuItem("mmManuf")->isChecked());
  EXPECT_FALSE(window->menuItem("mmChipDetectAuto")->isChecked());
  window->menuItem("mmChipDetectAuto")->trigger();
  EXPECT_TRUE(ctx->ChipDetectAutoSelect);
  EXPECT_FALSE(window->menuItem("mmManuf")->isChecked());
  EXPECT_TRUE(window->menuItem("mmChipDetectAuto")->isChecked());
}

TEST_F(WiredWindow, SpiClockAndDmaItemsTickWhatTheProgrammerConfirmed) {
  window->menuItem("N18MHz1")->trigger();  // no programmer yet: the tick stays
  EXPECT_TRUE(window->menuItem("N9MHz1")->isChecked());
  EXPECT_FALSE(window->menuItem("N18MHz1")->isChecked());
  EXPECT_TRUE(LogLines().last().endsWith("Change SPI Speed to 18MHz: ERROR!"));

  window->TimerForMassProduct();
  window->menuItem("N18MHz1")->trigger();
  EXPECT_TRUE(LogLines().last().endsWith("Change SPI Speed to 18MHz: Success."));
  EXPECT_TRUE(window->menuItem("N18MHz1")->isChecked());
  EXPECT_FALSE(window->menuItem("N9MHz1")->isChecked());

  window->menuItem("mnDMADisable")->trigger();
  EXPECT_TRUE(LogLines().last().endsWith("Stop the SPI hardware acceleration."));
  EXPECT_TRUE(window->menuItem("mnDMADisable")->isChecked());
  EXPECT_FALSE(window->menuItem("mnDMAEnable")->isChecked());
}

TEST_F(WiredWindow, SocketModeGroupShowsTheBarsAndPictureOfTheMode) {
  window->TimerForMassProduct();
  auto* items = window->findChild<QButtonGroup*>("rgbSocketTypeItems");
  items->button(1)->click();
  EXPECT_EQ(ctx->CurrentPrj.ChannelSelector, kChannelBoth);
  EXPECT_TRUE(W().pbDLChip2->isVisibleTo(window.get()));
  EXPECT_TRUE(W().pbDLChip1->isVisibleTo(window.get()));
  EXPECT_TRUE(W().imgSocketPinout20->isVisibleTo(window.get()));
  EXPECT_FALSE(W().imgSocketPinout->isVisibleTo(window.get()));

  items->button(0)->click();
  EXPECT_EQ(ctx->CurrentPrj.ChannelSelector, kChannelCh1);
  EXPECT_FALSE(W().pbDLChip2->isVisibleTo(window.get()));
  EXPECT_TRUE(W().imgSocketPinout->isVisibleTo(window.get()));
  EXPECT_FALSE(W().imgSocketPinout20->isVisibleTo(window.get()));
}

TEST_F(WiredWindow, OpenAndSaveGoThroughTheFileDialogs) {
  const std::filesystem::path data = WriteData("data.bin", 20);
  AnswerDialogs(data);
  W().sbOpenFile->click();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].kind, FileDialogRequest::Kind::Open);
  EXPECT_EQ(requests[0].title, QString::fromUtf8("选择打开的文件"));
  EXPECT_TRUE(requests[0].name_filters.contains("Hex File (*.hex)"));

  const std::string letters = "ABCDEFGHIJKLMNOPQRST";
  const auto sum = std::accumulate(letters.begin(), letters.end(), std::uint32_t{0});
  EXPECT_EQ(W().StatusPanels[3]->text(), QString::fromStdString(OpenCheckSumPanelText(sum)));
  EXPECT_TRUE(W().reDownFile->toPlainText().startsWith("41 42 43"));
  EXPECT_EQ(ctx->RamFile.DataLen, 20u);
  EXPECT_TRUE(window->windowTitle().endsWith(QString::fromStdString(data.string())));
  EXPECT_TRUE(LogLines().last().contains(QString::fromUtf8("打开文件:")));

  AnswerDialogs(folder.path() / "out");
  window->menuItem("Menu_File_SaveAs")->trigger();
  EXPECT_EQ(requests.back().kind, FileDialogRequest::Kind::Save);
  EXPECT_EQ(std::filesystem::file_size(folder.path() / "out.bin"), 20u);

  // A cancelled open changes nothing.
  AnswerDialogs(std::nullopt);
  window->menuItem("Menu_File_Open")->trigger();
  EXPECT_EQ(ctx->RamFile.DataLen, 20u);
  EXPECT_TRUE(W().reDownFile->toPlainText().startsWith("41 42 43"));
}

TEST_F(WiredWindow, FillButtonOpensTheValueDialogWhoseOkFillsTheBuffer) {
  W().sbBufferFill->click();
  ASSERT_TRUE(FileEdit().isVisible());
  EXPECT_EQ(FileEdit().Tag(), FileEditMode::Fill);
  DialogField("lbeInputValue3")->setText("00");
  FileEdit().btnFileInportOKClick();
  EXPECT_FALSE(FileEdit().isVisible());
  EXPECT_TRUE(W().reDownFile->toPlainText().startsWith("00 00 00"));
  EXPECT_EQ(ctx->RamFile.Data[255], 0x00);
}

TEST_F(WiredWindow, FindMarksTheMatchAndFindNextMovesOn) {
  window->menuItem("MenuBufferGoto")->trigger();
  EXPECT_EQ(FileEdit().Tag(), FileEditMode::Goto);
  FileEdit().btnFileInportCancelClick();

  ctx->RamFile.Data[0x21] = 0x12;
  ctx->RamFile.Data[0x22] = 0x34;
  ctx->RamFile.Data[0x41] = 0x12;
  ctx->RamFile.Data[0x42] = 0x34;
  ctx->Hex.RedrawHexView();
  window->menuItem("MenuBufferFind")->trigger();
  EXPECT_EQ(FileEdit().Tag(), FileEditMode::Find);
  DialogField("lbeInputValue1")->setText("1234");
  FileEdit().btnFileInportOKClick();
  EXPECT_EQ(ctx->RamFile.FindPos, 0x21);
  EXPECT_EQ(window->focusWidget(), W().reDownFile);
  ASSERT_EQ(W().reDownFile->extraSelections().size(), 1);
  EXPECT_EQ(W().reDownFile->extraSelections()[0].cursor.selectedText(), "12 34");

  window->menuItem("MenuBufferFindNext")->trigger();
  EXPECT_EQ(ctx->RamFile.FindPos, 0x41);
  EXPECT_EQ(W().reDownFile->extraSelections()[0].cursor.selectedText(), "12 34");
  EXPECT_EQ(ctx->Hex.SelectedOffset(), 0x41u) << "a typed digit goes to the match";
}

TEST_F(WiredWindow, DroppedFileIsOfferedInTheImportDialog) {
  const std::filesystem::path data = WriteData("dropped.bin", 16);
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(data.string()))});
  QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  QDropEvent drop(QPointF(400, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  delete mime;

  ASSERT_TRUE(FileEdit().isVisible());
  EXPECT_EQ(FileEdit().Tag(), FileEditMode::Import);
  EXPECT_EQ(FileEdit().ImportFile(), data);
  DialogField("lbeInputValue1")->setText("00001000");
  FileEdit().btnFileInportOKClick();
  EXPECT_EQ(ctx->CurrentPrj.RamStartAddr, 0x1000u);
  EXPECT_TRUE(W().reDownFileAddr->toPlainText().startsWith("00001000H  "));
  EXPECT_TRUE(W().StatusPanels[3]->text().startsWith("CHECKSUM:0x"));
}

TEST_F(WiredWindow, SearchButtonOpensTheSearchWindowAndAPickReachesTheFrame) {
  ChipSearchWindow& search = *window->frmChipFind();
  W().frameChipInfoMain->sbChipFind()->click();
  ASSERT_TRUE(search.isVisible());

  search.lbeChipFindContent()->setText("W25Q80");
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_0, Qt::NoModifier, "0");
  QApplication::sendEvent(search.lbeChipFindContent(), &release);
  ASSERT_GT(search.dbgChipFind()->rowCount(), 0);
  const QString chip = search.dbgChipFind()->item(0, 0)->text();
  search.Button3()->click();

  EXPECT_FALSE(search.isVisible());
  EXPECT_EQ(W().frameChipInfoMain->cmbDownChipName()->currentText(), chip);
  EXPECT_EQ(QString::fromStdString(ctx->CurrentPrj.ChipName), chip);
  EXPECT_TRUE(LogLines().last().contains(QString::fromUtf8("手动选择芯片成功，型号：") + chip));
}

TEST_F(WiredWindow, DetectionWithManualConfirmationOffersTheSharedCodeInTheSearchWindow) {
  window->menuItem("mmManuf")->trigger();
  window->TimerForMassProduct();
  ChipSearchWindow& search = *window->frmChipFind();
  ASSERT_TRUE(search.isVisible());
  EXPECT_GE(search.dbgChipFind()->rowCount(), 2);
  for (int row = 0; row < search.dbgChipFind()->rowCount(); ++row) {
    EXPECT_TRUE(search.dbgChipFind()->item(row, 0)->text().contains("25Q64")) << row;
  }
}

TEST_F(WiredWindow, HardwareInfoShowsTheProgrammerAndTheButtonLeavesOutTheVersions) {
  HardwareInfoDialog& info = *window->frmHardInfo();
  W().sbDevInfo->click();  // no programmer: only the offline line
  EXPECT_FALSE(info.isVisible());
  EXPECT_EQ(LogLines(), QStringList({QString::fromUtf8("10:00:00 设备离线")}));

  window->TimerForMassProduct();
  window->menuItem("MenuHardInfo")->trigger();
  ASSERT_TRUE(info.isVisible());
  EXPECT_EQ(info.lbeHardInfoDevName()->text(), "Velor");
  EXPECT_EQ(info.lbeHardware()->text(), "HW-V2.1");
  EXPECT_TRUE(info.lbeHardInfoFirmVer()->isVisible());

  info.hide();
  W().sbDevInfo->click();
  ASSERT_TRUE(info.isVisible());
  EXPECT_EQ(info.lbeHardInfoSN()->text(), "TSY-0000-0000-0001");
  EXPECT_FALSE(info.lbeHardInfoFirmVer()->isVisible());
}

TEST_F(WiredWindow, MergeWindowOpensCentredAndPicksFilesWithTheMainDialogs) {
  TfrmFileCombin& merge = *window->frmFileCombin();
  window->menuItem("Menu_File_MenuMerge")->trigger();
  ASSERT_TRUE(merge.isVisible());
  const QRect main = window->frameGeometry();
  const QRect own = merge.frameGeometry();
  // Within the few pixels the window's layout still settles by on showing.
  EXPECT_NEAR(own.left(), main.left() + (main.width() - own.width()) / 2, 2);
  EXPECT_NEAR(own.top(), main.top() + (main.height() - own.height()) / 2, 2);

  AnswerDialogs(WriteData("first.bin", 0x10));
  merge.btnMergeAddFile()->click();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].kind, FileDialogRequest::Kind::Open);
  ASSERT_EQ(merge.table().rows().size(), 1u);
  EXPECT_EQ(merge.table().EndText(0), "0000000F");
}

TEST_F(WiredWindow, AddChipItemOpensTheUserChipWindowFilled) {
  window->menuItem("MenuAddChip")->trigger();
  TfrmUserImportChip& chips = *window->frmUserImportChip();
  ASSERT_TRUE(chips.isVisible());
  EXPECT_TRUE(chips.Label1()->text().endsWith("0")) << chips.Label1()->text().toStdString();
  EXPECT_GT(chips.cmbSuanFa()->count(), 0) << "the templates are listed";
}

TEST_F(WiredWindow, NandItemsHideTheMenuForOtherChipsAndToggleSkipping) {
  window->TimerForMassProduct();  // the W25Q64 is detected: not a NAND chip
  ASSERT_TRUE(window->menuItem("mnNandOption")->isVisible());
  window->menuItem("mmBlockInit")->trigger();
  EXPECT_FALSE(window->menuItem("mnNandOption")->isVisible());
  EXPECT_TRUE(window->menuItem("mnProgChangeSPISpeed")->isVisible());

  window->menuItem("mmIgnoreInvalidBlocks")->trigger();
  EXPECT_FALSE(ctx->Window.IgnoreInvalidBlocks);
  EXPECT_FALSE(window->menuItem("mmIgnoreInvalidBlocks")->isChecked());
}

}  // namespace
}  // namespace tessary
