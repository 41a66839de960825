// The chip search window: rendering ctx.ChipSearch and forwarding the
// operator's keys and clicks.
#include "ui/chip_search_window.h"

#include "app/chip_handlers.h"
#include "ui/error_box.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tessary {
namespace {

constexpr int kClientWidth = 547;
constexpr int kClientHeight = 329;

struct GridColumn {
  const char* title;
  int width;
};
// ChipName, NOTE, ManufName, ChipType.
constexpr GridColumn kColumns[] = {{"芯片名称", 150}, {"容量", 100}, {"厂商", 130}, {"类型", 125}};

QString FromCore(const std::string& text) { return QString::fromStdString(text); }

QTableWidgetItem* Cell(const std::string& text) {
  auto* item = new QTableWidgetItem(FromCore(text));
  item->setTextAlignment(Qt::AlignCenter);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  return item;
}

}  // namespace

ChipSearchWindow::ChipSearchWindow(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setObjectName("frmChipFind");
  setWindowTitle("frmChipFind");  // its design caption: no code sets another
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(false);
  resize(kClientWidth, kClientHeight);

  auto* column = new QVBoxLayout(this);
  auto* search_row = new QHBoxLayout;
  lbeChipFindContentLabel_ = new QLabel(QString::fromUtf8("芯片名称："));
  lbeChipFindContent_ = new QLineEdit;
  lbeChipFindContent_->setObjectName("lbeChipFindContent");
  lbeChipFindContentLabel_->setBuddy(lbeChipFindContent_);
  lbeChipFindContent_->installEventFilter(this);
  lbFindResult_ = new QLabel;
  lbFindResult_->setObjectName("lbFindResult");
  search_row->addWidget(lbeChipFindContentLabel_);
  search_row->addWidget(lbeChipFindContent_, 1);
  search_row->addWidget(lbFindResult_);
  column->addLayout(search_row);

  lbNote_ = new QLabel;
  lbNote_->setObjectName("lbNote");
  column->addWidget(lbNote_);

  dbgChipFind_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)));
  dbgChipFind_->setObjectName("dbgChipFind");
  QStringList titles;
  for (const GridColumn& grid_column : kColumns) titles << QString::fromUtf8(grid_column.title);
  dbgChipFind_->setHorizontalHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    dbgChipFind_->setColumnWidth(i, kColumns[i].width);
  }
  dbgChipFind_->verticalHeader()->setVisible(false);
  dbgChipFind_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dbgChipFind_->setSelectionBehavior(QAbstractItemView::SelectRows);
  dbgChipFind_->setSelectionMode(QAbstractItemView::SingleSelection);
  column->addWidget(dbgChipFind_, 1);

  auto* buttons = new QHBoxLayout;
  Button3_ = new QPushButton(QString::fromUtf8("选择"));
  Button3_->setObjectName("Button3");
  Button4_ = new QPushButton(QString::fromUtf8("取消"));
  Button4_->setObjectName("Button4");
  // Enter belongs to the search box; it must not press a button.
  Button3_->setAutoDefault(false);
  Button4_->setAutoDefault(false);
  buttons->addStretch(1);
  buttons->addWidget(Button3_);
  buttons->addWidget(Button4_);
  column->addLayout(buttons);

  connect(Button3_, &QPushButton::clicked, this, &ChipSearchWindow::Button3Click);
  connect(Button4_, &QPushButton::clicked, this, &ChipSearchWindow::Button4Click);
  connect(dbgChipFind_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
    if (!rendering_) ctx_.ChipSearch.CurrentRow = row;
  });

  Render();
}

void ChipSearchWindow::Render() {
  const QScopedValueRollback<bool> guard(rendering_, true);
  const ChipSearchState& search = ctx_.ChipSearch;

  // Only when it differs, so the caret stays where the operator is typing.
  const QString text = FromCore(search.SearchText);
  if (lbeChipFindContent_->text() != text) lbeChipFindContent_->setText(text);
  lbFindResult_->setText(FromCore(search.ResultText));
  lbNote_->setText(FromCore(search.NoteText));

  {
    const QSignalBlocker blocker(dbgChipFind_);
    dbgChipFind_->setRowCount(static_cast<int>(search.Rows.size()));
    for (int r = 0; r < static_cast<int>(search.Rows.size()); ++r) {
      const ChipListRow& row = search.Rows[static_cast<std::size_t>(r)];
      dbgChipFind_->setItem(r, 0, Cell(row.ChipName));
      dbgChipFind_->setItem(r, 1, Cell(row.Note));
      dbgChipFind_->setItem(r, 2, Cell(row.ManufName));
      dbgChipFind_->setItem(r, 3, Cell(row.ChipType));
    }
    if (search.CurrentRow >= 0 && search.CurrentRow < dbgChipFind_->rowCount()) {
      dbgChipFind_->setCurrentCell(search.CurrentRow, 0);
      dbgChipFind_->selectRow(search.CurrentRow);
    } else {
      dbgChipFind_->setCurrentCell(-1, -1);
      dbgChipFind_->clearSelection();
    }
  }

  if (search.Visible && !isVisible()) {
    // Placed once shown, when the frame's size is known.
    show();
    CentreOverMainWindow();
    raise();
  } else if (!search.Visible && isVisible()) {
    hide();
  }
}

void ChipSearchWindow::CentreOverMainWindow() {
  const QWidget* owner = parentWidget();
  if (owner == nullptr) return;
  const QRect main = owner->window()->frameGeometry();
  const QSize size = frameGeometry().size();
  // Halves truncate toward zero, as the window has always been placed.
  move(main.left() + (main.width() - size.width()) / 2,
       main.top() + (main.height() - size.height()) / 2);
}

bool ChipSearchWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lbeChipFindContent_ && event->type() == QEvent::KeyRelease) {
    lbeChipFindContentKeyUp();
  }
  return QDialog::eventFilter(watched, event);
}

void ChipSearchWindow::closeEvent(QCloseEvent* event) {
  if (ctx_.ChipSearch.Visible) ChipFindButton4Click(ctx_);
  QDialog::closeEvent(event);
}

void ChipSearchWindow::reject() {
  // Escape closes the window like "取消".
  Button4Click();
}

void ChipSearchWindow::lbeChipFindContentKeyUp() {
  ctx_.ChipSearch.SearchText = lbeChipFindContent_->text().toStdString();
  RunGuarded(this, [this] { tessary::lbeChipFindContentKeyUp(ctx_); });
  Render();
}

void ChipSearchWindow::Button3Click() {
  const bool was_open = ctx_.ChipSearch.Visible;
  RunGuarded(this, [this] { ChipFindButton3Click(ctx_); });
  Render();
  // The window closes only for a pick that went on to the frame.
  if (was_open && !ctx_.ChipSearch.Visible) emit chipPicked();
}

void ChipSearchWindow::Button4Click() {
  ChipFindButton4Click(ctx_);
  Render();
}

}  // namespace tessary
