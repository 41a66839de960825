// The hardware information dialog.
#include "ui/hardware_info_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace tessary {
namespace {

constexpr int kClientWidth = 440;
constexpr int kClientHeight = 182;

QString FromCore(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

HardwareInfoDialog::HardwareInfoDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("frmHardInfo");
  setWindowTitle(QString::fromUtf8("硬件信息"));
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(false);
  setFixedSize(kClientWidth, kClientHeight);

  auto* form = new QFormLayout(this);
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  devName_ = MakeField("lbeHardInfoDevName", "设备名：");
  serial_ = MakeField("lbeHardInfoSN", "序列号：");
  firmware_ = MakeField("lbeHardInfoFirmVer", "软件版本：");
  hardware_ = MakeField("lbeHardware", "硬件版本：");
  for (const LabelledEdit* field : {&devName_, &serial_, &firmware_, &hardware_}) {
    form->addRow(field->label, field->edit);
  }
  lbeHardInfoDevName_ = devName_.edit;
  lbeHardInfoSN_ = serial_.edit;
  lbeHardInfoFirmVer_ = firmware_.edit;
  lbeHardware_ = hardware_.edit;
}

HardwareInfoDialog::LabelledEdit HardwareInfoDialog::MakeField(const char* name,
                                                               const char* caption) {
  LabelledEdit field;
  field.edit = new QLineEdit;
  field.edit->setObjectName(QString::fromLatin1(name));
  field.edit->setReadOnly(true);
  field.label = new QLabel(QString::fromUtf8(caption));
  field.label->setBuddy(field.edit);
  return field;
}

QLabel* HardwareInfoDialog::LabelOf(const QLineEdit* field) const {
  for (const LabelledEdit* candidate : {&devName_, &serial_, &firmware_, &hardware_}) {
    if (candidate->edit == field) return candidate->label;
  }
  return nullptr;
}

void HardwareInfoDialog::Render(const HardwareInfoView& view) {
  setWindowTitle(FromCore(view.Caption));
  devName_.label->setText(FromCore(view.DevNameLabel));
  serial_.label->setText(FromCore(view.SerialLabel));
  firmware_.label->setText(FromCore(view.FirmwareLabel));
  hardware_.label->setText(FromCore(view.HardwareLabel));
  devName_.edit->setText(FromCore(view.DevName));
  serial_.edit->setText(FromCore(view.DevSN));
  firmware_.edit->setText(FromCore(view.FirmVer));
  hardware_.edit->setText(FromCore(view.HardVer));
  for (const LabelledEdit* field : {&firmware_, &hardware_}) {
    field->label->setVisible(view.VersionsVisible);
    field->edit->setVisible(view.VersionsVisible);
  }
}

void HardwareInfoDialog::ShowView(const HardwareInfoView& view) {
  Render(view);
  show();
  // Placed once shown, when the frame's size is known.
  if (const QWidget* owner = parentWidget()) {
    const QRect main = owner->window()->frameGeometry();
    const QSize size = frameGeometry().size();
    move(main.left() + (main.width() - size.width()) / 2,
         main.top() + (main.height() - size.height()) / 2);
  }
  raise();
}

}  // namespace tessary
