// The chip search window on the real catalogue: typing searches per key,
// the grid shows the rows with their capacity, and "选择" / "取消" / the
// close icon act on ctx.ChipSearch.
#include "ui/chip_search_window.h"
#include "app/chip_handlers.h"
#include "app/start_up.h"
#include "catalogue/chip_search.h"
#include "support/program_folder.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace tessary {
namespace {

struct ChipSearchWindowTest : ::testing::Test {
  ChipSearchWindowTest() {
    ctx.Paths = PortablePaths(folder.path());
    clock.SetTimeOfDay(12, 0, 0);
    const StartUpOutcome outcome = RunStartUp(ctx);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    main.resize(800, 600);
    main.move(100, 50);
    main.show();
    window = new ChipSearchWindow(ctx, &main);
  }
  ~ChipSearchWindowTest() override { delete window; }

  // Presses and releases each character's key in the search box.
  void TypeKeys(const QString& text) {
    QLineEdit* box = window->lbeChipFindContent();
    for (const QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(box, &press);
      QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(box, &release);
    }
  }
  QString CellText(int row, int column) const {
    return window->dbgChipFind()->item(row, column)->text();
  }

  testing::ProgramFolder folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
  QWidget main;
  ChipSearchWindow* window = nullptr;
};

TEST_F(ChipSearchWindowTest, StartsHiddenWithItsDesignCaptionHintAndColumns) {
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "frmChipFind");
  EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(window->lbNote()->text(),
            QString::fromUtf8("输入完整或者部分芯片名称，按回车键进行搜索."));
  EXPECT_EQ(window->lbFindResult()->text(), " ");
  QTableWidget* grid = window->dbgChipFind();
  ASSERT_EQ(grid->columnCount(), 4);
  const char* titles[] = {"芯片名称", "容量", "厂商", "类型"};
  const int widths[] = {150, 100, 130, 125};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(grid->horizontalHeaderItem(i)->text(), QString::fromUtf8(titles[i]));
    EXPECT_EQ(grid->columnWidth(i), widths[i]);
  }
  EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(ChipSearchWindowTest, EveryKeyReleaseSearchesAndTheGridShowsTheRows) {
  sbChipFindClick(ctx);
  window->Render();
  ASSERT_TRUE(window->isVisible());
  TypeKeys("W25Q64");
  EXPECT_EQ(ctx.ChipSearch.SearchText, "W25Q64");
  QTableWidget* grid = window->dbgChipFind();
  ASSERT_EQ(grid->rowCount(), static_cast<int>(ctx.ChipSearch.Rows.size()));
  ASSERT_GT(grid->rowCount(), 2);
  EXPECT_EQ(CellText(0, 0), "W25Q64");
  EXPECT_EQ(CellText(0, 1), "8MB");
  EXPECT_EQ(CellText(0, 2), "WINBOND");
  EXPECT_EQ(CellText(0, 3), "25 FLASH");
  EXPECT_EQ(grid->item(0, 0)->textAlignment(), Qt::AlignCenter);
  EXPECT_EQ(window->lbFindResult()->text(),
            QString::fromUtf8("共搜索到%1个结果.").arg(grid->rowCount()));
  EXPECT_EQ(grid->currentRow(), 0);
}

TEST_F(ChipSearchWindowTest, OpensCentredOverTheMainWindowWhenTheCoreOpensIt) {
  sbChipFindClick(ctx);
  window->Render();
  ASSERT_TRUE(window->isVisible());
  const QRect outer = main.frameGeometry();
  const QRect placed = window->frameGeometry();
  EXPECT_EQ(placed.left(), outer.left() + (outer.width() - placed.width()) / 2);
  EXPECT_EQ(placed.top(), outer.top() + (outer.height() - placed.height()) / 2);
  ChipFindButton4Click(ctx);
  window->Render();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(ChipSearchWindowTest, ChoosingAHighlightedRowPicksItAndCloses) {
  sbChipFindClick(ctx);
  window->Render();
  TypeKeys("W25Q64");
  window->dbgChipFind()->setCurrentCell(1, 0);
  EXPECT_EQ(ctx.ChipSearch.CurrentRow, 1);
  const std::string chosen = ctx.ChipSearch.Rows[1].ChipName;

  int picked = 0;
  QObject::connect(window, &ChipSearchWindow::chipPicked, [&picked] { ++picked; });
  window->Button3()->click();
  EXPECT_EQ(picked, 1);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(ctx.ChipSearch.Visible);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, chosen);
  EXPECT_EQ(ctx.ChipFrame.cmbDownChipName.text, chosen);
}

TEST_F(ChipSearchWindowTest, OpenedFromTheProjectWindowChoosingDoesNothing) {
  ShowChipFindFromProject(ctx.ChipSearch, ctx.panel);
  window->Render();
  TypeKeys("W25Q64");
  int picked = 0;
  QObject::connect(window, &ChipSearchWindow::chipPicked, [&picked] { ++picked; });
  window->Button3()->click();
  EXPECT_EQ(picked, 0);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
}

TEST_F(ChipSearchWindowTest, CancelAndTheCloseIconBothHideIt) {
  sbChipFindClick(ctx);
  window->Render();
  window->Button4()->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(ctx.ChipSearch.Visible);

  sbChipFindClick(ctx);
  window->Render();
  ASSERT_TRUE(window->isVisible());
  window->close();
  EXPECT_FALSE(ctx.ChipSearch.Visible);
  window->Render();
  EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace tessary
