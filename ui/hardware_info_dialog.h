// The hardware information dialog (TfrmHardInfo): the programmer's model,
// serial number, firmware and hardware versions in four read-only fields.
//
// Wiring for the main window: create one instance at start with the main
// window as parent; "硬件信息" (MenuHardInfo) and the "设备" tool button
// (sbDevInfo) run MenuHardInfoClick / sbDevInfoClick (app/hardware_info.h)
// and, when they return a view, pass it to ShowView().
#pragma once

#include "app/hardware_info.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace tessary {

class HardwareInfoDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit HardwareInfoDialog(QWidget* parent = nullptr);

  // The texts and values of one showing.
  void Render(const HardwareInfoView& view);
  // Render, centre over the main window and show (modeless).
  void ShowView(const HardwareInfoView& view);

  [[nodiscard]] QLineEdit* lbeHardInfoDevName() const { return lbeHardInfoDevName_; }
  [[nodiscard]] QLineEdit* lbeHardInfoSN() const { return lbeHardInfoSN_; }
  [[nodiscard]] QLineEdit* lbeHardInfoFirmVer() const { return lbeHardInfoFirmVer_; }
  [[nodiscard]] QLineEdit* lbeHardware() const { return lbeHardware_; }
  // The label shown left of one of the four fields.
  [[nodiscard]] QLabel* LabelOf(const QLineEdit* field) const;

 private:
  struct LabelledEdit {
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
  };
  LabelledEdit MakeField(const char* name, const char* caption);

  LabelledEdit devName_;
  LabelledEdit serial_;
  LabelledEdit firmware_;
  LabelledEdit hardware_;
  QLineEdit* lbeHardInfoDevName_ = nullptr;
  QLineEdit* lbeHardInfoSN_ = nullptr;
  QLineEdit* lbeHardInfoFirmVer_ = nullptr;
  QLineEdit* lbeHardware_ = nullptr;
};

}  // namespace tessary
