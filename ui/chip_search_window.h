// The chip search window (TfrmChipFind): a search box, the result count and
// hint, a grid of chips (name, capacity, manufacturer, type) and the
// buttons "选择" and "取消". It shows ctx.ChipSearch and hands the
// operator's keys and clicks to the core's chip search handlers.
//
// Wiring for the main window: create one instance at start with the main
// window as parent (it stays hidden), call Render() whenever the core
// reports MainWindowStateChanged (the detection and the frame's search
// button open the window by setting ctx.ChipSearch), and re-render the
// chip selection frame on chipPicked().
#pragma once

#include "app/app_context.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tessary {

class ChipSearchWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit ChipSearchWindow(AppContext& ctx, QWidget* parent = nullptr);

  // Shows ctx.ChipSearch: the texts, the rows and the current row; opens
  // the window centred over the main window, or hides it.
  void Render();

  [[nodiscard]] QLineEdit* lbeChipFindContent() const { return lbeChipFindContent_; }
  [[nodiscard]] QLabel* lbFindResult() const { return lbFindResult_; }
  [[nodiscard]] QLabel* lbNote() const { return lbNote_; }
  [[nodiscard]] QTableWidget* dbgChipFind() const { return dbgChipFind_; }
  [[nodiscard]] QPushButton* Button3() const { return Button3_; }
  [[nodiscard]] QPushButton* Button4() const { return Button4_; }

 signals:
  // A pick went through to the selection frame (its boxes and the current
  // chip changed).
  void chipPicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void lbeChipFindContentKeyUp();
  void Button3Click();
  void Button4Click();
  void CentreOverMainWindow();

  AppContext& ctx_;
  bool rendering_ = false;

  QLabel* lbeChipFindContentLabel_ = nullptr;
  QLineEdit* lbeChipFindContent_ = nullptr;
  QLabel* lbFindResult_ = nullptr;
  QLabel* lbNote_ = nullptr;
  QTableWidget* dbgChipFind_ = nullptr;
  QPushButton* Button3_ = nullptr;
  QPushButton* Button4_ = nullptr;
};

}  // namespace tessary
