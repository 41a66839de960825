// The user-chip window (TfrmUserImportChip): the list of chips the operator
// added, the edits for name, code and manufacturer, the template
// ("algorithm") box with its capacity, and the add, modify, delete and close
// buttons. Everything is decided by app/user_chip_handlers.h on the window's
// UserChipWindowState; the window renders it and passes the edits back.
//
// Wiring, for the main window:
// - Create one instance at start-up: `new TfrmUserImportChip(ctx, mainWindow)`
//   (`ctx` must outlive it). It stays hidden until opened.
// - MenuAddChip's triggered -> MenuAddChipClick(): fills the window for
//   ctx.DeviceInfo.Language and shows it, non-modally, centred on the screen.
// - catalogueChanged() is emitted after an add, modify or delete ran. The
//   selection frame need not react: it lists a new chip the next time its
//   boxes are rebuilt.
// - Catalogue failures are shown in the standard error box (ui/error_box.h);
//   messages of the handlers go through ctx.panel.
#pragma once

#include "app/app_context.h"
#include "catalogue/user_chips.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tessary {

class TfrmUserImportChip final : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmUserImportChip(AppContext& ctx, QWidget* parent = nullptr);

  [[nodiscard]] const UserChipWindowState& state() const { return state_; }

  [[nodiscard]] QLabel* Label1() const { return Label1_; }
  [[nodiscard]] QListWidget* ListBox1() const { return ListBox1_; }
  [[nodiscard]] QLineEdit* lbeChipName() const { return lbeChipName_; }
  [[nodiscard]] QLineEdit* lbeChipID() const { return lbeChipID_; }
  [[nodiscard]] QLineEdit* lbeManauf() const { return lbeManauf_; }
  [[nodiscard]] QLineEdit* lbeCapcity() const { return lbeCapcity_; }
  [[nodiscard]] QComboBox* cmbSuanFa() const { return cmbSuanFa_; }
  [[nodiscard]] QLabel* lbAlgorithmName() const { return lbAlgorithmName_; }
  [[nodiscard]] QPushButton* btnAdd() const { return btnAdd_; }
  [[nodiscard]] QPushButton* btnModify() const { return btnModify_; }
  [[nodiscard]] QPushButton* btnDelete() const { return btnDelete_; }
  [[nodiscard]] QPushButton* btnClose() const { return btnClose_; }

 public slots:
  // Fills the window afresh and shows it centred on the screen.
  void MenuAddChipClick();
  // The operator picked list item `row`: that chip goes into the edits.
  void ListBox1Click(int row);
  // The template box's text changed (typed or picked).
  void cmbSuanFaChange(const QString& text);
  void btnAddClick();
  void btnModifyClick();
  void btnDeleteClick();
  void btnCloseClick();

 signals:
  void catalogueChanged();

 private:
  void Render();
  // The edits and the template box as the operator left them.
  void Collect();

  AppContext& ctx_;
  UserChipWindowState state_;
  bool rendering_ = false;

  QLabel* Label1_ = nullptr;
  QListWidget* ListBox1_ = nullptr;
  QLabel* lbeChipNameLabel_ = nullptr;
  QLineEdit* lbeChipName_ = nullptr;
  QLabel* lbeChipIDLabel_ = nullptr;
  QLineEdit* lbeChipID_ = nullptr;
  QLabel* lbeManaufLabel_ = nullptr;
  QLineEdit* lbeManauf_ = nullptr;
  QLabel* lbAlgorithmName_ = nullptr;
  QComboBox* cmbSuanFa_ = nullptr;
  QLabel* lbeCapcityLabel_ = nullptr;
  QLineEdit* lbeCapcity_ = nullptr;
  QPushButton* btnAdd_ = nullptr;
  QPushButton* btnModify_ = nullptr;
  QPushButton* btnDelete_ = nullptr;
  QPushButton* btnClose_ = nullptr;
};

}  // namespace tessary
