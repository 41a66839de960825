// The chip selection frame: rendering ctx.ChipFrame and forwarding the
// operator's choices.
#include "ui/chip_selection_frame.h"

#include "app/chip_handlers.h"
#include "ui/error_box.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessary {
namespace {

constexpr int kDesignWidth = 232;
constexpr int kDesignHeight = 404;

QString FromCore(const std::string& text) { return QString::fromStdString(text); }

QComboBox* MakeBox(const char* name, const char* placeholder) {
  auto* box = new QComboBox;
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  // Typed text is the box's text as it stands: no completion rewriting it
  // under the handler, and no typed text turning into an item.
  box->setCompleter(nullptr);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setPlaceholderText(QString::fromUtf8(placeholder));
  box->lineEdit()->setPlaceholderText(QString::fromUtf8(placeholder));
  box->setMaxVisibleItems(20);
  return box;
}

QLabel* MakeLabel(const char* name, const char* caption) {
  auto* label = new QLabel(QString::fromUtf8(caption));
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QToolButton* MakeButton(const char* name, const char* caption) {
  auto* button = new QToolButton;
  button->setObjectName(QString::fromLatin1(name));
  button->setText(QString::fromUtf8(caption));
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return button;
}

// Shows a box's state without letting the box report it as a change.
void ShowBox(QComboBox& box, const ComboBoxState& state) {
  const QSignalBlocker blocker(&box);
  QStringList items;
  items.reserve(static_cast<qsizetype>(state.items.size()));
  for (const std::string& item : state.items) items << FromCore(item);
  bool same_items = box.count() == items.size();
  for (int i = 0; same_items && i < box.count(); ++i) same_items = box.itemText(i) == items[i];
  if (!same_items) {
    box.clear();
    box.addItems(items);
  }
  if (box.currentIndex() != state.index) box.setCurrentIndex(state.index);
  // Only when it differs, so the caret stays where the operator is typing.
  const QString text = FromCore(state.text);
  if (box.currentText() != text) box.setEditText(text);
}

// The state of box 0 (chip type), 1 (manufacturer) or 2 (chip name).
ComboBoxState& BoxState(ChipFrameState& frame, int which) {
  switch (which) {
    case 0:
      return frame.cmbChipType;
    case 1:
      return frame.cmbDownChipManuf;
    default:
      return frame.cmbDownChipName;
  }
}

}  // namespace

ChipSelectionFrame::ChipSelectionFrame(AppContext& ctx, QWidget* parent)
    : QFrame(parent), ctx_(ctx) {
  setObjectName("frameChipInfoMain");
  setMinimumWidth(kDesignWidth - 8);
  resize(kDesignWidth, kDesignHeight);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  GroupBox1 = new QGroupBox;
  GroupBox1->setObjectName("GroupBox1");
  outer->addWidget(GroupBox1);
  auto* column = new QVBoxLayout(GroupBox1);
  column->setContentsMargins(4, 4, 4, 4);

  gbChipInfo = new QGroupBox(QString::fromUtf8("芯片"));
  gbChipInfo->setObjectName("gbChipInfo");
  auto* boxes = new QGridLayout(gbChipInfo);
  lableChipType = MakeLabel("lableChipType", "类型：");
  cmbChipType_ = MakeBox("cmbChipType", "选择芯片型号");
  lableManauf = MakeLabel("lableManauf", "厂商：");
  cmbDownChipManuf_ = MakeBox("cmbDownChipManuf", "选择芯片厂商");
  lableChipName = MakeLabel("lableChipName", "芯片名称：");
  cmbDownChipName_ = MakeBox("cmbDownChipName", "选择芯片型号");
  sbChipDetect_ = MakeButton("sbChipDetect", "检测");
  sbChipFind_ = MakeButton("sbChipFind", "查找");
  boxes->addWidget(lableChipType, 0, 0, 1, 2);
  boxes->addWidget(cmbChipType_, 1, 0, 1, 2);
  boxes->addWidget(lableManauf, 2, 0, 1, 2);
  boxes->addWidget(cmbDownChipManuf_, 3, 0, 1, 2);
  boxes->addWidget(lableChipName, 4, 0, 1, 2);
  boxes->addWidget(cmbDownChipName_, 5, 0, 1, 2);
  boxes->addWidget(sbChipDetect_, 6, 0);
  boxes->addWidget(sbChipFind_, 6, 1);
  column->addWidget(gbChipInfo);

  gbChipInfoDesc = new QGroupBox(QString::fromUtf8("芯片信息"));
  gbChipInfoDesc->setObjectName("gbChipInfoDesc");
  auto* displays = new QGridLayout(gbChipInfoDesc);
  ledtChipCap = MakeLabelledEdit("ledtChipCap", "容量：");
  ledtPageSize = MakeLabelledEdit("ledtPageSize", "页大小：");
  ledtChipVoltage = MakeLabelledEdit("ledtChipVoltage", "电压：");
  ledtChipOTPSize = MakeLabelledEdit("ledtChipOTPSize", "OTP：");
  int row = 0;
  for (const LabelledEdit* field :
       {&ledtChipCap, &ledtPageSize, &ledtChipVoltage, &ledtChipOTPSize}) {
    displays->addWidget(field->label, row, 0);
    displays->addWidget(field->edit, row, 1);
    ++row;
  }
  labelVoltageNote = new QLabel;
  labelVoltageNote->setObjectName("labelVoltageNote");
  labelVoltageNote->setWordWrap(true);
  QPalette red = labelVoltageNote->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  labelVoltageNote->setPalette(red);
  displays->addWidget(labelVoltageNote, row, 0, 1, 2);
  displays->setColumnStretch(1, 1);
  column->addWidget(gbChipInfoDesc);
  column->addStretch(1);

  const std::pair<QComboBox*, Box> kBoxes[] = {{cmbChipType_, Box::ChipType},
                                               {cmbDownChipManuf_, Box::Manufacturer},
                                               {cmbDownChipName_, Box::ChipName}};
  for (const auto& [combo, box] : kBoxes) {
    connect(combo, &QComboBox::activated, this, [this, box](int index) { BoxPicked(box, index); });
    connect(combo->lineEdit(), &QLineEdit::textEdited, this,
            [this, box](const QString& text) { BoxTyped(box, text); });
  }
  connect(sbChipDetect_, &QToolButton::clicked, this, &ChipSelectionFrame::sbChipDetectClick);
  connect(sbChipFind_, &QToolButton::clicked, this, &ChipSelectionFrame::sbChipFindClick);

  Render();
}

ChipSelectionFrame::LabelledEdit ChipSelectionFrame::MakeLabelledEdit(const char* name,
                                                                      const char* caption) {
  LabelledEdit field;
  field.edit = new QLineEdit;
  field.edit->setObjectName(QString::fromLatin1(name));
  // A display, not an input.
  field.edit->setReadOnly(true);
  field.edit->setEnabled(false);
  field.label = MakeLabel((std::string(name) + "Label").c_str(), caption);
  field.label->setBuddy(field.edit);
  return field;
}

QLabel* ChipSelectionFrame::EditLabel(const QLineEdit* edit) const {
  for (const LabelledEdit* field :
       {&ledtChipCap, &ledtPageSize, &ledtChipVoltage, &ledtChipOTPSize}) {
    if (field->edit == edit) return field->label;
  }
  return nullptr;
}

bool ChipSelectionFrame::SetCaption(const QString& object, const QString& caption) {
  QWidget* widget = findChild<QWidget*>(object);
  if (widget == nullptr) return false;
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (QLabel* label = EditLabel(edit)) {
      label->setText(caption);
      return true;
    }
    return false;
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(caption);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(caption);
  } else if (auto* button = qobject_cast<QToolButton*>(widget)) {
    button->setText(caption);
  } else {
    return false;
  }
  return true;
}

void ChipSelectionFrame::Render() {
  const QScopedValueRollback guard(rendering_, true);
  const ChipFrameState& frame = ctx_.ChipFrame;
  ShowBox(*cmbChipType_, frame.cmbChipType);
  ShowBox(*cmbDownChipManuf_, frame.cmbDownChipManuf);
  ShowBox(*cmbDownChipName_, frame.cmbDownChipName);
  sbChipDetect_->setEnabled(frame.sbChipDetectEnabled);

  ledtChipCap.edit->setText(FromCore(frame.ledtChipCap));
  ledtPageSize.edit->setText(FromCore(frame.ledtPageSize));
  ledtChipVoltage.edit->setText(FromCore(frame.ledtChipVoltage));
  ledtChipOTPSize.edit->setText(FromCore(frame.ledtChipOTPSize));
  ledtChipOTPSize.edit->setVisible(frame.ChipOtpVisible);
  ledtChipOTPSize.label->setVisible(frame.ChipOtpVisible);
  labelVoltageNote->setText(FromCore(frame.labelVoltageNote));
  labelVoltageNote->setVisible(frame.labelVoltageNoteVisible);
}

void ChipSelectionFrame::BoxPicked(Box box, int index) {
  if (rendering_) return;
  BoxState(ctx_.ChipFrame, static_cast<int>(box)).Select(index);
  RunChangeHandler(box);
}

void ChipSelectionFrame::BoxTyped(Box box, const QString& text) {
  if (rendering_) return;
  ComboBoxState& state = BoxState(ctx_.ChipFrame, static_cast<int>(box));
  state.text = text.toStdString();
  state.index = -1;
  for (std::size_t i = 0; i < state.items.size(); ++i) {
    if (state.items[i] == state.text) {
      state.index = static_cast<int>(i);
      break;
    }
  }
  RunChangeHandler(box);
}

void ChipSelectionFrame::RunChangeHandler(Box box) {
  RunGuarded(this, [&] {
    switch (box) {
      case Box::ChipType:
        cmbChipTypeChange(ctx_);
        break;
      case Box::Manufacturer:
        cmbDownChipManufChange(ctx_);
        break;
      case Box::ChipName:
        cmbDownChipNameChange(ctx_);
        break;
    }
  });
  // The handler reports its own changes; a failed one may have stopped
  // before it did.
  Render();
}

}  // namespace tessary
