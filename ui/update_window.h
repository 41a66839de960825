// The firmware update window (TfrmUpdate), opened by "固件更新"
// (MenuFirmUpdate): btnStartIAP runs the update, chkBootReady says the
// programmer already waits in its boot loader (the package is then chosen by
// hand), pbIAPProBar and memUpdateLog follow it. While an update runs the
// button and the box are disabled and the window cannot be closed; after a
// failure it stays open with the log saying what to do.
#pragma once

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>

#include "app/firmware_update_handlers.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace tessary {

class AppContext;

class TfrmUpdate final : public QDialog {
  Q_OBJECT

 public:
  using PackageChooser =
      std::function<std::optional<std::filesystem::path>(const PackageDialogRequest&)>;

  TfrmUpdate(AppContext& ctx, QWidget* parent = nullptr);

  // The manual choice's open dialog (the main window's odBin).
  void SetPackageChooser(PackageChooser chooser) { choose_package_ = std::move(chooser); }
  // Shows the window with the texts of one showing, centred on its parent.
  void ShowView(const UpdateWindowView& view);

  void btnStartIAPClick();

  [[nodiscard]] QPushButton* btnStartIAP() const { return btnStartIAP_; }
  [[nodiscard]] QCheckBox* chkBootReady() const { return chkBootReady_; }
  [[nodiscard]] QProgressBar* pbIAPProBar() const { return pbIAPProBar_; }
  [[nodiscard]] QPlainTextEdit* memUpdateLog() const { return memUpdateLog_; }
  [[nodiscard]] QLabel* Label1() const { return Label1_; }
  [[nodiscard]] bool Updating() const { return updating_; }
  [[nodiscard]] std::optional<FirmwareUpdateResult> LastResult() const { return last_result_; }

 signals:
  // An update ended (the main window shows the new state).
  void updateFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  AppContext& ctx_;
  PackageChooser choose_package_;
  QPushButton* btnStartIAP_ = nullptr;
  QCheckBox* chkBootReady_ = nullptr;
  QProgressBar* pbIAPProBar_ = nullptr;
  QPlainTextEdit* memUpdateLog_ = nullptr;
  QLabel* Label1_ = nullptr;
  bool updating_ = false;
  std::optional<FirmwareUpdateResult> last_result_;
};

}  // namespace tessary
