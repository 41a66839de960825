// The auto options window (TfrmAutoSel), opened by "自动选项" (MenuAutoSel):
// four check boxes choose the steps of the auto sequence and take effect at
// once; chbBlockInit, shown only for a NAND FLASH chip, is the same setting
// as the menu item mmIgnoreInvalidBlocks.
#pragma once

#include <QDialog>

class QCheckBox;

namespace tessary {

class AppContext;

class AutoOptionsWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit AutoOptionsWindow(AppContext& ctx, QWidget* parent = nullptr);

  // Shows the current chip's options in the current language (modeless).
  void ShowOptions();
  // Fills the boxes and texts from the core.
  void Render();

  [[nodiscard]] QCheckBox* chkAutoSelIdCheck() const { return chkAutoSelIdCheck_; }
  [[nodiscard]] QCheckBox* chkAutoSelErase() const { return chkAutoSelErase_; }
  [[nodiscard]] QCheckBox* chkAutoSelWrite() const { return chkAutoSelWrite_; }
  [[nodiscard]] QCheckBox* chkAutoSelVerify() const { return chkAutoSelVerify_; }
  [[nodiscard]] QCheckBox* chbBlockInit() const { return chbBlockInit_; }

 private:
  AppContext& ctx_;
  QCheckBox* chkAutoSelIdCheck_ = nullptr;
  QCheckBox* chkAutoSelErase_ = nullptr;
  QCheckBox* chkAutoSelWrite_ = nullptr;
  QCheckBox* chkAutoSelVerify_ = nullptr;
  QCheckBox* chbBlockInit_ = nullptr;
  bool rendering_ = false;  // boxes set from the core change nothing back
};

}  // namespace tessary
