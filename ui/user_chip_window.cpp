// The user-chip window: layout, rendering and event forwarding.
#include "ui/user_chip_window.h"

#include "app/user_chip_handlers.h"
#include "ui/error_box.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QVBoxLayout>

namespace tessary {
namespace {

constexpr int kClientWidth = 530;
constexpr int kClientHeight = 312;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

QLabel* MakeLabel(QWidget* parent, const char* name, QWidget* buddy) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  if (buddy != nullptr) label->setBuddy(buddy);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

TfrmUserImportChip::TfrmUserImportChip(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx) {
  setObjectName("frmUserImportChip");
  setWindowFlag(Qt::Tool);
  setModal(false);
  setFixedSize(kClientWidth, kClientHeight);

  Label1_ = MakeLabel(this, "Label1", nullptr);
  ListBox1_ = new QListWidget(this);
  ListBox1_->setObjectName("ListBox1");
  lbeChipName_ = MakeEdit(this, "lbeChipName");
  lbeChipNameLabel_ = MakeLabel(this, "lbeChipNameLabel", lbeChipName_);
  lbeChipID_ = MakeEdit(this, "lbeChipID");
  lbeChipIDLabel_ = MakeLabel(this, "lbeChipIDLabel", lbeChipID_);
  lbeManauf_ = MakeEdit(this, "lbeManauf");
  lbeManaufLabel_ = MakeLabel(this, "lbeManaufLabel", lbeManauf_);
  cmbSuanFa_ = new QComboBox(this);
  cmbSuanFa_->setObjectName("cmbSuanFa");
  cmbSuanFa_->setEditable(true);
  cmbSuanFa_->setInsertPolicy(QComboBox::NoInsert);
  lbAlgorithmName_ = MakeLabel(this, "lbAlgorithmName", cmbSuanFa_);
  lbeCapcity_ = MakeEdit(this, "lbeCapcity");
  lbeCapcity_->setReadOnly(true);
  lbeCapcityLabel_ = MakeLabel(this, "lbeCapcityLabel", lbeCapcity_);
  btnAdd_ = MakeButton(this, "btnAdd");
  btnModify_ = MakeButton(this, "btnModify");
  btnDelete_ = MakeButton(this, "btnDelete");
  btnClose_ = MakeButton(this, "btnClose");

  auto* fields = new QGridLayout;
  int row = 0;
  for (auto [label, field] : {std::pair<QWidget*, QWidget*>{lbeChipNameLabel_, lbeChipName_},
                              {lbeChipIDLabel_, lbeChipID_},
                              {lbeManaufLabel_, lbeManauf_},
                              {lbAlgorithmName_, cmbSuanFa_},
                              {lbeCapcityLabel_, lbeCapcity_}}) {
    fields->addWidget(label, row, 0);
    fields->addWidget(field, row, 1);
    ++row;
  }
  fields->setRowStretch(row, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {btnAdd_, btnModify_, btnDelete_, btnClose_}) {
    buttons->addWidget(button);
  }
  auto* left = new QVBoxLayout;
  left->addWidget(Label1_);
  left->addWidget(ListBox1_);
  auto* right = new QVBoxLayout;
  right->addLayout(fields);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 2);
  layout->addLayout(right, 3);

  connect(ListBox1_, &QListWidget::currentRowChanged, this, [this](int r) {
    if (!rendering_) ListBox1Click(r);
  });
  connect(cmbSuanFa_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (!rendering_) cmbSuanFaChange(text);
  });
  connect(btnAdd_, &QPushButton::clicked, this, &TfrmUserImportChip::btnAddClick);
  connect(btnModify_, &QPushButton::clicked, this, &TfrmUserImportChip::btnModifyClick);
  connect(btnDelete_, &QPushButton::clicked, this, &TfrmUserImportChip::btnDeleteClick);
  connect(btnClose_, &QPushButton::clicked, this, &TfrmUserImportChip::btnCloseClick);

  Render();
}

void TfrmUserImportChip::Render() {
  const QScopedValueRollback rendering(rendering_, true);
  const UserChipTexts& texts = state_.texts;
  setWindowTitle(FromUtf8(texts.caption));
  Label1_->setText(QString::fromStdString(state_.Label1));
  lbeChipNameLabel_->setText(FromUtf8(texts.chip_name));
  lbeChipIDLabel_->setText(FromUtf8(texts.chip_id));
  lbeManaufLabel_->setText(FromUtf8(texts.manufacturer));
  lbAlgorithmName_->setText(FromUtf8(texts.algorithm));
  lbeCapcityLabel_->setText(FromUtf8(texts.capacity));
  btnAdd_->setText(FromUtf8(texts.add));
  btnModify_->setText(FromUtf8(texts.modify));
  btnDelete_->setText(FromUtf8(texts.remove));
  btnClose_->setText(FromUtf8(texts.close));

  ListBox1_->clear();
  for (const std::string& name : state_.ListBox1.items) {
    ListBox1_->addItem(QString::fromStdString(name));
  }
  ListBox1_->setCurrentRow(state_.ListBox1.index);

  QStringList templates;
  for (const std::string& name : state_.cmbSuanFa.items) {
    templates << QString::fromStdString(name);
  }
  QStringList shown;
  for (int i = 0; i < cmbSuanFa_->count(); ++i) shown << cmbSuanFa_->itemText(i);
  if (shown != templates) {
    cmbSuanFa_->clear();
    cmbSuanFa_->addItems(templates);
  }
  cmbSuanFa_->setCurrentIndex(state_.cmbSuanFa.index);
  cmbSuanFa_->setEditText(QString::fromStdString(state_.cmbSuanFa.text));

  lbeChipName_->setText(QString::fromStdString(state_.lbeChipName));
  lbeChipID_->setText(QString::fromStdString(state_.lbeChipID));
  lbeManauf_->setText(QString::fromStdString(state_.lbeManauf));
  lbeCapcity_->setText(QString::fromStdString(state_.lbeCapcity));
}

void TfrmUserImportChip::Collect() {
  state_.lbeChipName = lbeChipName_->text().toStdString();
  state_.lbeChipID = lbeChipID_->text().toStdString();
  state_.lbeManauf = lbeManauf_->text().toStdString();
  state_.cmbSuanFa.text = cmbSuanFa_->currentText().toStdString();
  state_.cmbSuanFa.index = cmbSuanFa_->currentIndex();
  state_.ListBox1.Select(ListBox1_->currentRow());
}

void TfrmUserImportChip::MenuAddChipClick() {
  RunGuarded(this, [this] { tessary::MenuAddChipClick(ctx_, state_); });
  Render();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.left() + (area.width() - frameGeometry().width()) / 2,
         area.top() + (area.height() - frameGeometry().height()) / 2);
  }
  show();
  raise();
  activateWindow();
}

void TfrmUserImportChip::ListBox1Click(int row) {
  Collect();
  state_.ListBox1.Select(row);
  RunGuarded(this, [this] { tessary::ListBox1Click(ctx_, state_); });
  Render();
}

void TfrmUserImportChip::cmbSuanFaChange(const QString& text) {
  Collect();
  state_.cmbSuanFa.text = text.toStdString();
  RunGuarded(this, [this] { tessary::cmbSuanFaChange(ctx_, state_); });
  // Only the capacity: re-rendering the box would move the caret.
  lbeCapcity_->setText(QString::fromStdString(state_.lbeCapcity));
}

void TfrmUserImportChip::btnAddClick() {
  Collect();
  UserChipOutcome outcome = UserChipOutcome::TemplateNotFound;
  RunGuarded(this, [this, &outcome] { outcome = tessary::btnAddClick(ctx_, state_); });
  Render();
  if (outcome == UserChipOutcome::Done) emit catalogueChanged();
}

void TfrmUserImportChip::btnModifyClick() {
  Collect();
  UserChipOutcome outcome = UserChipOutcome::TemplateNotFound;
  RunGuarded(this, [this, &outcome] { outcome = tessary::btnModifyClick(ctx_, state_); });
  Render();
  if (outcome == UserChipOutcome::Done) emit catalogueChanged();
}

void TfrmUserImportChip::btnDeleteClick() {
  Collect();
  UserChipOutcome outcome = UserChipOutcome::TemplateNotFound;
  RunGuarded(this, [this, &outcome] { outcome = tessary::btnDeleteClick(ctx_, state_); });
  Render();
  if (outcome == UserChipOutcome::Done) emit catalogueChanged();
}

void TfrmUserImportChip::btnCloseClick() { hide(); }

}  // namespace tessary
