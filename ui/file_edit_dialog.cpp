// The value dialog of fill, go-to, find and file import.
#include "ui/file_edit_dialog.h"
#include "app/buffer_handlers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

namespace tessary {
namespace {

// The edits take what is typed in upper case, like the program's own
// upper-case edits: hexadecimal digits read the same either way, and the
// field shows them as the rest of the program writes them.
class UpperCaseInput final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*position*/) const override {
    input = input.toUpper();
    return Acceptable;
  }
};

QString Text(const std::string& text) { return QString::fromStdString(text); }

QLineEdit* MakeEdit(QWidget* owner, const char* name, const QString& text) {
  auto* edit = new QLineEdit(text, owner);
  edit->setObjectName(name);
  edit->setValidator(new UpperCaseInput(edit));
  return edit;
}

QLabel* MakeLabel(QWidget* owner, const char* name, QLineEdit* buddy) {
  auto* label = new QLabel(owner);
  label->setObjectName(name);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TfrmFileEdit::TfrmFileEdit(AppContext& ctx, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      ctx_(ctx),
      random_(ctx.clock) {
  setObjectName("frmFileEdit");
  setModal(false);

  lbeInputValue1 = MakeEdit(this, "lbeInputValue1", "00000000");
  lbeInputValue2 = MakeEdit(this, "lbeInputValue2", "00000000");
  lbeInputValue3 = MakeEdit(this, "lbeInputValue3", "00");
  lbeInputValue3->setMaxLength(2);
  lbeInputValue3->setMaximumWidth(lbeInputValue3->fontMetrics().horizontalAdvance("WWW") + 12);
  label1_ = MakeLabel(this, "lbeInputValue1Label", lbeInputValue1);
  label2_ = MakeLabel(this, "lbeInputValue2Label", lbeInputValue2);
  label3_ = MakeLabel(this, "lbeInputValue3Label", lbeInputValue3);
  chkInputValueRandom = new QCheckBox(QStringLiteral("随机"), this);
  chkInputValueRandom->setObjectName("chkInputValueRandom");
  btnFileInportOK = new QPushButton(QStringLiteral("确定"), this);
  btnFileInportOK->setObjectName("btnFileInportOK");
  btnFileInportOK->setDefault(true);
  btnFileInportCancel = new QPushButton(QStringLiteral("取消"), this);
  btnFileInportCancel->setObjectName("btnFileInportCancel");

  auto* fields = new QGridLayout;
  fields->addWidget(label1_, 0, 0);
  fields->addWidget(lbeInputValue1, 0, 1, 1, 2);
  fields->addWidget(label2_, 1, 0);
  fields->addWidget(lbeInputValue2, 1, 1, 1, 2);
  fields->addWidget(label3_, 2, 0);
  fields->addWidget(lbeInputValue3, 2, 1);
  fields->addWidget(chkInputValueRandom, 2, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnFileInportOK);
  buttons->addWidget(btnFileInportCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnFileInportOK, &QPushButton::clicked, this, &TfrmFileEdit::btnFileInportOKClick);
  connect(btnFileInportCancel, &QPushButton::clicked, this,
          &TfrmFileEdit::btnFileInportCancelClick);
  connect(chkInputValueRandom, &QCheckBox::clicked, this, &TfrmFileEdit::chkInputValueRandomClick);
}

void TfrmFileEdit::Apply(const FileEditSetup& setup) {
  tag_ = setup.mode;
  setWindowTitle(Text(setup.caption));
  label1_->setText(Text(setup.label1));
  lbeInputValue1->setText(Text(setup.value1));
  lbeInputValue1->setEnabled(true);

  label2_->setText(Text(setup.label2));
  lbeInputValue2->setText(Text(setup.value2));
  lbeInputValue2->setEnabled(setup.value2_enabled);
  label2_->setVisible(setup.value2_visible);
  lbeInputValue2->setVisible(setup.value2_visible);

  label3_->setText(Text(setup.label3));
  lbeInputValue3->setText(Text(setup.value3));
  if (setup.value3_max_length > 0) lbeInputValue3->setMaxLength(setup.value3_max_length);
  lbeInputValue3->setEnabled(setup.value3_enabled);
  label3_->setVisible(setup.value3_visible);
  lbeInputValue3->setVisible(setup.value3_visible);

  chkInputValueRandom->setText(Text(setup.random_caption));
  chkInputValueRandom->setChecked(setup.random_checked);
  chkInputValueRandom->setVisible(setup.random_visible);

  btnFileInportOK->setText(Text(setup.ok));
  btnFileInportCancel->setText(Text(setup.cancel));
}

void TfrmFileEdit::ShowFill() {
  Apply(MenuBufferFillClick(ctx_));
  ShowCentred();
}

void TfrmFileEdit::ShowGoto() {
  Apply(MenuBufferGotoClick(ctx_));
  ShowCentred();
}

void TfrmFileEdit::ShowFind() {
  Apply(MenuBufferFindClick(ctx_));
  ShowCentred();
}

void TfrmFileEdit::ShowImport(const std::filesystem::path& file) {
  import_file_ = file;
  Apply(FileImportSetup(ctx_));
  ShowCentred();
}

void TfrmFileEdit::ShowCentred() {
  adjustSize();
  if (const QWidget* owner = parentWidget()) {
    move(owner->frameGeometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
  lbeInputValue1->setFocus();
}

void TfrmFileEdit::btnFileInportOKClick() {
  const FileEditFields fields{
      lbeInputValue1->text().toStdString(), lbeInputValue2->text().toStdString(),
      lbeInputValue3->text().toStdString(), chkInputValueRandom->isChecked()};
  const FileEditResult result =
      tessary::btnFileInportOKClick(ctx_, tag_, fields, import_file_, random_);
  if (!result.close) return;
  close();
  if (result.select) emit hexSelectionRequested(result.select->start, result.select->length);
}

void TfrmFileEdit::btnFileInportCancelClick() { close(); }

void TfrmFileEdit::chkInputValueRandomClick() {
  lbeInputValue3->setEnabled(!chkInputValueRandom->isChecked());
}

}  // namespace tessary
