// The auto options window.
#include "ui/auto_options_window.h"

#include "app/app_context.h"
#include "app/auto_options.h"

#include <QCheckBox>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <array>

namespace tessary {
namespace {

QString FromCore(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

AutoOptionsWindow::AutoOptionsWindow(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx) {
  setObjectName("frmAutoSel");
  auto* column = new QVBoxLayout(this);
  const auto box = [this, column](const char* name, QCheckBox*& member) {
    member = new QCheckBox(this);
    member->setObjectName(name);
    column->addWidget(member);
  };
  box("chkAutoSelIdCheck", chkAutoSelIdCheck_);
  box("chkAutoSelErase", chkAutoSelErase_);
  box("chkAutoSelWrite", chkAutoSelWrite_);
  box("chkAutoSelVerify", chkAutoSelVerify_);
  box("chbBlockInit", chbBlockInit_);
  column->addStretch(1);

  const std::array<std::pair<QCheckBox*, AutoOption>, 4> options = {{
      {chkAutoSelIdCheck_, AutoOption::IdCheck},
      {chkAutoSelErase_, AutoOption::Erase},
      {chkAutoSelWrite_, AutoOption::Write},
      {chkAutoSelVerify_, AutoOption::Verify},
  }};
  for (const auto& [check, option] : options) {
    connect(check, &QCheckBox::toggled, this, [this, option = option](bool on) {
      if (!rendering_) SetAutoOption(ctx_, option, on);
    });
  }
  connect(chbBlockInit_, &QCheckBox::toggled, this, [this](bool on) {
    if (!rendering_) SetSkipBadBlocks(ctx_, on);
  });
  Render();
}

void AutoOptionsWindow::ShowOptions() {
  Render();
  adjustSize();
  show();
  raise();
  activateWindow();
}

void AutoOptionsWindow::Render() {
  const QScopedValueRollback rendering(rendering_, true);
  const AutoOptionsView view = AutoOptionsViewOf(ctx_);
  setWindowTitle(FromCore(view.title));
  const std::array<QCheckBox*, 4> boxes = {chkAutoSelIdCheck_, chkAutoSelErase_,
                                           chkAutoSelWrite_, chkAutoSelVerify_};
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    boxes[i]->setText(FromCore(view.captions[i]));
    boxes[i]->setChecked(view.checked[i]);
  }
  chbBlockInit_->setText(FromCore(view.block_init_caption));
  chbBlockInit_->setChecked(view.block_init_checked);
  chbBlockInit_->setVisible(view.block_init_visible);
}

}  // namespace tessary
