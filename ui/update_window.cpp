// The firmware update window.
#include "ui/update_window.h"

#include "app/app_context.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace tessary {
namespace {

QString FromCore(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TfrmUpdate::TfrmUpdate(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setObjectName("frmUpdate");
  // Stays on top, fixed border, the system menu only.
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                 Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  auto* column = new QVBoxLayout(this);
  Label1_ = new QLabel(this);
  Label1_->setObjectName("Label1");
  Label1_->setWordWrap(true);
  chkBootReady_ = new QCheckBox(this);
  chkBootReady_->setObjectName("chkBootReady");
  pbIAPProBar_ = new QProgressBar(this);
  pbIAPProBar_->setObjectName("pbIAPProBar");
  pbIAPProBar_->setRange(0, 100);
  pbIAPProBar_->setValue(0);
  memUpdateLog_ = new QPlainTextEdit(this);
  memUpdateLog_->setObjectName("memUpdateLog");
  memUpdateLog_->setReadOnly(true);
  memUpdateLog_->setMinimumSize(460, 180);
  btnStartIAP_ = new QPushButton(this);
  btnStartIAP_->setObjectName("btnStartIAP");
  column->addWidget(Label1_);
  column->addWidget(chkBootReady_);
  column->addWidget(pbIAPProBar_);
  column->addWidget(memUpdateLog_, 1);
  column->addWidget(btnStartIAP_);
  column->setSizeConstraint(QLayout::SetFixedSize);
  connect(btnStartIAP_, &QPushButton::clicked, this, &TfrmUpdate::btnStartIAPClick);
}

void TfrmUpdate::ShowView(const UpdateWindowView& view) {
  setWindowTitle(FromCore(view.Caption));
  btnStartIAP_->setText(FromCore(view.StartButton));
  chkBootReady_->setText(FromCore(view.BootReadyCaption));
  Label1_->setText(FromCore(view.Warning));
  adjustSize();
  if (parentWidget() != nullptr) {
    move(parentWidget()->geometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
}

void TfrmUpdate::btnStartIAPClick() {
  if (updating_) return;  // a click handled while the update waits
  {
    const QScopedValueRollback updating(updating_, true);
    btnStartIAP_->setEnabled(false);
    chkBootReady_->setEnabled(false);
    FirmwareUpdateRequest request;
    request.boot_ready = chkBootReady_->isChecked();
    request.choose_package = choose_package_;
    request.clear_log = [this] { memUpdateLog_->clear(); };
    request.log = [this](std::string_view line) {
      memUpdateLog_->appendPlainText(FromCore(line));
      memUpdateLog_->repaint();
    };
    last_result_ = tessary::btnStartIAPClick(ctx_, request);
    btnStartIAP_->setEnabled(true);
    chkBootReady_->setEnabled(true);
  }
  emit updateFinished();
  // Only a programmer back with its new firmware closes the window; after
  // anything else the log says what happened and what to do.
  if (last_result_ == FirmwareUpdateResult::Updated) hide();
}

void TfrmUpdate::closeEvent(QCloseEvent* event) {
  if (updating_) {
    event->ignore();  // never in the middle of an update
    return;
  }
  QDialog::closeEvent(event);
}

void TfrmUpdate::reject() {
  if (!updating_) QDialog::reject();
}

}  // namespace tessary
