// The file merge window: the grid, its live start cells and the buttons.
#include "ui/file_merge_window.h"

#include "buffer/file_formats.h"
#include "ui/main_window_layout.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>

namespace tessary {
namespace {

constexpr int kColumnCount = 5;
constexpr int kStartColumn = 2;
constexpr int kEndColumn = 3;
constexpr std::array<int, 4> kColumnWidths = {40, 280, 110, 110};
constexpr int kRowHeight = 24;
constexpr int kGridWidth = 550;
constexpr int kGridHeight = 130;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Hands every keystroke in a start cell to the window, so the end address
// follows while the operator types rather than only when the cell is left.
class StartCellDelegate final : public QStyledItemDelegate {
 public:
  StartCellDelegate(std::function<void(int, const QString&)> on_edit, QObject* parent)
      : QStyledItemDelegate(parent), on_edit_(std::move(on_edit)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      const int row = index.row();
      QObject::connect(line, &QLineEdit::textEdited, line,
                       [this, row](const QString& text) { on_edit_(row, text); });
    }
    return editor;
  }

 private:
  std::function<void(int, const QString&)> on_edit_;
};

std::optional<std::filesystem::path> AskForFile(QWidget* parent, bool save, const QString& title,
                                                std::string_view filter) {
  const QString filters = NameFiltersFromPipeList(filter).join(QStringLiteral(";;"));
  const QString chosen = save ? QFileDialog::getSaveFileName(parent, title, {}, filters)
                              : QFileDialog::getOpenFileName(parent, title, {}, filters);
  if (chosen.isEmpty()) return std::nullopt;
  return std::filesystem::path(chosen.toStdString());
}

QTableWidgetItem* Cell(const std::string& text, bool editable) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (editable) flags |= Qt::ItemIsEditable;
  item->setFlags(flags);
  return item;
}

}  // namespace

TfrmFileCombin::TfrmFileCombin(OperatorPanel& panel, QWidget* parent)
    : QDialog(parent), panel_(panel) {
  setObjectName("frmFileCombin");
  setWindowTitle(FromUtf8(kMergeWindowCaption));
  setModal(false);

  sgFileCombin_ = new QTableWidget(0, kColumnCount, this);
  sgFileCombin_->setObjectName("sgFileCombin");
  sgFileCombin_->setFixedSize(kGridWidth, kGridHeight);
  sgFileCombin_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sgFileCombin_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sgFileCombin_->verticalHeader()->hide();
  sgFileCombin_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  sgFileCombin_->horizontalHeader()->setFixedHeight(kRowHeight);
  QStringList titles;
  for (std::string_view title : kMergeGridTitles) titles << FromUtf8(title);
  titles << QString();
  sgFileCombin_->setHorizontalHeaderLabels(titles);
  for (std::size_t c = 0; c < kColumnWidths.size(); ++c) {
    sgFileCombin_->setColumnWidth(static_cast<int>(c), kColumnWidths[c]);
  }
  // Only the start column is editable (the item flags say so); the editor
  // opens on a double click, a key, or a click on the selected cell.
  sgFileCombin_->setEditTriggers(
      QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
      QAbstractItemView::SelectedClicked | QAbstractItemView::AnyKeyPressed);
  sgFileCombin_->setItemDelegateForColumn(kStartColumn, new StartCellDelegate(
                                                            [this](int row, const QString& text) {
                                                              sgFileCombinSetEditText(row, text);
                                                            },
                                                            sgFileCombin_));
  connect(sgFileCombin_, &QTableWidget::cellChanged, this, &TfrmFileCombin::OnItemChanged);

  btnMergeAddFile_ = new QPushButton(FromUtf8(kMergeAddFileText), this);
  btnMergeAddFile_->setObjectName("btnMergeAddFile");
  btnMergeDelFile_ = new QPushButton(FromUtf8(kMergeDelFileText), this);
  btnMergeDelFile_->setObjectName("btnMergeDelFile");
  lableBlankCharLabel_ = new QLabel(FromUtf8(kMergeFillLabel), this);
  lableBlankChar_ = new QLineEdit(FromUtf8(kMergeDefaultFill), this);
  lableBlankChar_->setObjectName("lableBlankChar");
  lableBlankChar_->setFixedWidth(40);
  lableBlankCharLabel_->setBuddy(lableBlankChar_);
  btnMergeMergeFile_ = new QPushButton(FromUtf8(kMergeMergeFileText), this);
  btnMergeMergeFile_->setObjectName("btnMergeMergeFile");
  lblStartNote_ = new QLabel(this);
  lblStartNote_->setObjectName("lblStartNote");
  lblStartNote_->setStyleSheet(QStringLiteral("color: #C00000;"));
  lblStartNote_->setWordWrap(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnMergeAddFile_);
  buttons->addWidget(btnMergeDelFile_);
  buttons->addStretch();
  buttons->addWidget(lableBlankCharLabel_);
  buttons->addWidget(lableBlankChar_);
  buttons->addStretch();
  buttons->addWidget(btnMergeMergeFile_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(sgFileCombin_);
  layout->addLayout(buttons);
  layout->addWidget(lblStartNote_);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnMergeAddFile_, &QPushButton::clicked, this, &TfrmFileCombin::btnMergeAddFileClick);
  connect(btnMergeDelFile_, &QPushButton::clicked, this, &TfrmFileCombin::btnMergeDelFileClick);
  connect(btnMergeMergeFile_, &QPushButton::clicked, this, &TfrmFileCombin::btnMergeMergeFileClick);

  choose_open_ = [this](const QString& title, std::string_view filter) {
    return AskForFile(this, false, title, filter);
  };
  choose_save_ = [this](const QString& title, std::string_view filter) {
    return AskForFile(this, true, title, filter);
  };
}

void TfrmFileCombin::ShowCentredOver(const QWidget& main) {
  const QRect outer = main.frameGeometry();
  const QSize size = frameGeometry().size();
  move(outer.left() + (outer.width() - size.width()) / 2,
       outer.top() + (outer.height() - size.height()) / 2);
  show();
  raise();
  activateWindow();
}

void TfrmFileCombin::Render() {
  const QScopedValueRollback rendering(rendering_, true);
  const auto& rows = table_.rows();
  sgFileCombin_->setRowCount(static_cast<int>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int r = static_cast<int>(i);
    sgFileCombin_->setItem(r, 0, Cell(table_.NumberText(i), false));
    sgFileCombin_->setItem(r, 1, Cell(table_.FileText(i), false));
    sgFileCombin_->setItem(r, kStartColumn, Cell(table_.StartText(i), true));
    sgFileCombin_->setItem(r, kEndColumn, Cell(table_.EndText(i), false));
  }
}

void TfrmFileCombin::OnItemChanged(int row, int column) {
  if (rendering_ || column != kStartColumn) return;
  const QTableWidgetItem* item = sgFileCombin_->item(row, column);
  if (item != nullptr) sgFileCombinSetEditText(row, item->text());
}

void TfrmFileCombin::sgFileCombinSetEditText(int row, const QString& text) {
  if (row < 0 || static_cast<std::size_t>(row) >= table_.rows().size()) return;
  const auto index = static_cast<std::size_t>(row);
  const MergeStep step = table_.SetStartText(index, text.toStdString());
  lblStartNote_->setText(step ? QString() : QString::fromStdString(step.error));
  const QScopedValueRollback rendering(rendering_, true);
  if (QTableWidgetItem* end = sgFileCombin_->item(row, kEndColumn)) {
    end->setText(QString::fromStdString(table_.EndText(index)));
  }
}

void TfrmFileCombin::btnMergeAddFileClick() {
  if (table_.rows().size() >= kMergeMaxFiles) return;
  const std::optional<std::filesystem::path> file =
      choose_open_(FromUtf8(kMergeAddFileText), kMergeFileFilter);
  if (!file) return;
  const MergeStep step = table_.AddFile(*file);
  if (!step) {
    if (!step.error.empty()) panel_.ShowMessage(step.error, "", MessageKind::Warning);
    return;
  }
  Render();
}

void TfrmFileCombin::btnMergeDelFileClick() {
  if (table_.RemoveLastFile()) {
    lblStartNote_->clear();
    Render();
  }
}

void TfrmFileCombin::btnMergeMergeFileClick() {
  if (table_.rows().size() < kMergeMinFiles) {
    panel_.ShowMessage(kMergeTooFewFiles, "", MessageKind::Warning);
    return;
  }
  const std::optional<std::filesystem::path> output =
      choose_save_(FromUtf8(kMergeSaveTitle), kMergeFileFilter);
  if (!output) return;

  const PreparedMerge prepared = PrepareMerge(table_, lableBlankChar_->text().toStdString());
  if (!prepared.job) {
    panel_.ShowMessage(prepared.error, "", MessageKind::Warning);
    return;
  }
  if (!prepared.job->overwriting.empty()) {
    const MessageAnswer answer =
        panel_.ShowMessage(kMergeOverlapWarning, "", MessageKind::Question);
    if (answer == MessageAnswer::No || answer == MessageAnswer::Cancel) return;
  }
  const MergeWriteResult result = WriteMerge(*prepared.job, *output);
  if (!result) {
    panel_.ShowMessage(result.error, "", MessageKind::Error);
    return;
  }
  panel_.ShowMessage(kMergeDone, "", MessageKind::Information);
  emit merged(QString::fromStdString(PathText(*output)));
}

}  // namespace tessary
