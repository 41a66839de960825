// The chip selection frame (TFrame2, one instance frameChipInfoMain): the
// cascade of chip type, manufacturer and chip name boxes, the detection and
// search buttons, and the read-only displays of the chosen chip. It shows
// ctx.ChipFrame and hands the operator's changes to the core's handlers.
#pragma once

#include "app/app_context.h"

#include <QFrame>
#include <QString>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tessary {

class ChipSelectionFrame final : public QFrame {
  Q_OBJECT

 public:
  explicit ChipSelectionFrame(AppContext& ctx, QWidget* parent = nullptr);

  // Shows ctx.ChipFrame. Never runs a handler, also when it changes the
  // boxes.
  void Render();

  // A caption of the language table for one of the frame's components (the
  // labelled edits take it on their label). False for other objects.
  bool SetCaption(const QString& object, const QString& caption);

  [[nodiscard]] QComboBox* cmbChipType() const { return cmbChipType_; }
  [[nodiscard]] QComboBox* cmbDownChipManuf() const { return cmbDownChipManuf_; }
  [[nodiscard]] QComboBox* cmbDownChipName() const { return cmbDownChipName_; }
  [[nodiscard]] QToolButton* sbChipDetect() const { return sbChipDetect_; }
  [[nodiscard]] QToolButton* sbChipFind() const { return sbChipFind_; }
  // The label shown left of a labelled edit.
  [[nodiscard]] QLabel* EditLabel(const QLineEdit* edit) const;

 signals:
  void sbChipDetectClick();
  void sbChipFindClick();

 private:
  struct LabelledEdit {
    QLineEdit* edit = nullptr;
    QLabel* label = nullptr;
  };
  enum class Box { ChipType, Manufacturer, ChipName };

  LabelledEdit MakeLabelledEdit(const char* name, const char* caption);
  // The operator picked item `index` or typed `text` into a box.
  void BoxPicked(Box box, int index);
  void BoxTyped(Box box, const QString& text);
  void RunChangeHandler(Box box);

  AppContext& ctx_;
  bool rendering_ = false;

  QGroupBox* GroupBox1 = nullptr;
  QGroupBox* gbChipInfo = nullptr;
  QLabel* lableChipType = nullptr;
  QLabel* lableManauf = nullptr;
  QLabel* lableChipName = nullptr;
  QComboBox* cmbChipType_ = nullptr;
  QComboBox* cmbDownChipManuf_ = nullptr;
  QComboBox* cmbDownChipName_ = nullptr;
  QToolButton* sbChipDetect_ = nullptr;
  QToolButton* sbChipFind_ = nullptr;
  QGroupBox* gbChipInfoDesc = nullptr;
  LabelledEdit ledtChipCap;
  LabelledEdit ledtPageSize;
  LabelledEdit ledtChipVoltage;
  LabelledEdit ledtChipOTPSize;
  QLabel* labelVoltageNote = nullptr;
};

}  // namespace tessary
