// The offline project window: layout, rendering of ctx.Project and the
// forwarding of its events.
#include "ui/project_window.h"

#include "app/app_context.h"
#include "app/project_handlers.h"
#include "ui/chip_selection_frame.h"
#include "ui/error_box.h"
#include "ui/main_window_layout.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace tessary {
namespace {

QString FromCore(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int kFrameLeft = -4;
constexpr int kFrameTop = 14;
constexpr int kOpenOffsetLeft = 10;
constexpr int kOpenOffsetTop = 120;

}  // namespace

TfrmProject::TfrmProject(AppContext& ctx, ChipSelectionFrame& frame, QWidget& home, QWidget* parent)
    : QWidget(parent, Qt::Tool), ctx_(ctx), frame_(frame), home_(home) {
  setObjectName("frmProject");
  setWindowTitle(QString::fromUtf8("离线工程"));

  auto* outer = new QVBoxLayout(this);
  pagOffPrj_ = new QTabWidget;
  pagOffPrj_->setObjectName("pagOffPrj");
  outer->addWidget(pagOffPrj_, 1);

  tabPrjEdit_ = new QWidget;
  tabPrjEdit_->setObjectName("tabPrjEdit");
  pagOffPrj_->addTab(tabPrjEdit_, QString::fromUtf8("离线工程编辑"));
  // The list of stored projects has no function; its page is never shown.
  tabPrjList_ = new QWidget;
  tabPrjList_->setObjectName("tabPrjList");
  tabPrjList_->hide();

  auto* columns = new QHBoxLayout(tabPrjEdit_);
  frameSlot_ = new QWidget;
  frameSlot_->setObjectName("frameSlot");
  frameSlot_->setFixedWidth(frame_.sizeHint().width() + 8);
  auto* slot_layout = new QVBoxLayout(frameSlot_);
  slot_layout->setContentsMargins(kFrameLeft, kFrameTop, 0, 0);
  slot_layout->addStretch(1);
  columns->addWidget(frameSlot_);

  auto* right = new QVBoxLayout;
  columns->addLayout(right, 1);
  auto* file_row = new QHBoxLayout;
  Button2_ = new QPushButton;
  Button2_->setObjectName("Button2");
  editPrjName_ = new QLineEdit;
  editPrjName_->setObjectName("editPrjName");
  file_row->addWidget(Button2_);
  file_row->addWidget(editPrjName_, 1);
  right->addLayout(file_row);
  memLogOffPrj_ = new QTextEdit;
  memLogOffPrj_->setObjectName("memLogOffPrj");
  memLogOffPrj_->setReadOnly(true);
  right->addWidget(memLogOffPrj_, 1);

  GroupBox1_ = new QGroupBox;
  GroupBox1_->setObjectName("GroupBox1");
  auto* settings = new QGridLayout(GroupBox1_);
  const auto check = [&](QCheckBox*& box, const char* name, int row, int column) {
    box = new QCheckBox;
    box->setObjectName(name);
    settings->addWidget(box, row, column);
    connect(box, &QCheckBox::toggled, this, [this] { TakeControls(); });
  };
  check(chkPrjIdCheck_, "chkPrjIdCheck", 0, 0);
  check(chkPrjErase_, "chkPrjErase", 0, 1);
  check(chkPrjBlankCheck_, "chkPrjBlankCheck", 0, 2);
  check(chkPrjWrite_, "chkPrjWrite", 1, 0);
  check(chkPrjVerify_, "chkPrjVerify", 1, 1);
  labelDownMethod_ = new QLabel;
  labelDownMethod_->setObjectName("labelDownMethod");
  cmbDownMethod_ = new QComboBox;
  cmbDownMethod_->setObjectName("cmbDownMethod");
  settings->addWidget(labelDownMethod_, 2, 0);
  settings->addWidget(cmbDownMethod_, 2, 1, 1, 2);
  check(chkProTimes_, "chkProTimes", 3, 0);
  editProTimes_ = new QLineEdit;
  editProTimes_->setObjectName("editProTimes");
  settings->addWidget(editProTimes_, 3, 1, 1, 2);
  connect(cmbDownMethod_, &QComboBox::currentIndexChanged, this, [this] { TakeControls(); });
  connect(editProTimes_, &QLineEdit::textEdited, this, [this] { TakeControls(); });
  connect(editPrjName_, &QLineEdit::textEdited, this, [this] { TakeControls(); });
  right->addWidget(GroupBox1_);

  // The serial number group stays hidden, so projects carry no serial numbers.
  GroupBox2_ = new QGroupBox(QString::fromUtf8("序号设定"));
  GroupBox2_->setObjectName("GroupBox2");
  GroupBox2_->hide();
  right->addWidget(GroupBox2_);

  btnDownLoadPrj_ = new QPushButton;
  btnDownLoadPrj_->setObjectName("btnDownLoadPrj");
  right->addWidget(btnDownLoadPrj_);
  pbPrjDownStatus_ = new QProgressBar;
  pbPrjDownStatus_->setObjectName("pbPrjDownStatus");
  pbPrjDownStatus_->setTextVisible(false);
  outer->addWidget(pbPrjDownStatus_);

  sbPrj_ = new QStatusBar;
  sbPrj_->setObjectName("sbPrj");
  sbPrj_->setSizeGripEnabled(false);
  panel0_ = new QLabel;
  panel0_->setMinimumWidth(180);
  panel1_ = new QLabel;
  panel1_->setMinimumWidth(50);
  sbPrj_->addWidget(panel0_);
  sbPrj_->addWidget(panel1_, 1);
  outer->addWidget(sbPrj_);

  connect(Button2_, &QPushButton::clicked, this, &TfrmProject::Button2Click);
  connect(btnDownLoadPrj_, &QPushButton::clicked, this, &TfrmProject::btnDownLoadPrjClick);

  ctx_.Project.Changed = [this] { Render(); };
  ApplyTexts();
  Render();
}

TfrmProject::~TfrmProject() { ctx_.Project.Changed = nullptr; }

void TfrmProject::ApplyTexts() {
  const ProjectTexts texts = LoadProjectTexts(ctx_);
  QScopedValueRollback<bool> quiet(rendering_, true);
  setWindowTitle(FromCore(texts.Caption));
  pagOffPrj_->setTabText(0, FromCore(texts.EditPage));
  Button2_->setText(FromCore(texts.ChooseDataFile));
  GroupBox1_->setTitle(FromCore(texts.OperationGroup));
  chkPrjIdCheck_->setText(FromCore(texts.IdCheck));
  chkPrjErase_->setText(FromCore(texts.Erase));
  chkPrjBlankCheck_->setText(FromCore(texts.BlankCheck));
  chkPrjWrite_->setText(FromCore(texts.Write));
  chkPrjVerify_->setText(FromCore(texts.Verify));
  labelDownMethod_->setText(FromCore(texts.DownMethod));
  cmbDownMethod_->clear();
  cmbDownMethod_->addItems({FromCore(texts.MethodManual), FromCore(texts.MethodAuto),
                            FromCore(texts.MethodMachine)});
  chkProTimes_->setText(FromCore(texts.LimitRuns));
  btnDownLoadPrj_->setText(FromCore(texts.DownloadButton));
}

void TfrmProject::Open(const QWidget& main) {
  RunGuarded(this, [this] { MenuPrjOfflineClick(ctx_); });
  auto* frame_gb = frame_.findChild<QGroupBox*>("gbChipInfoDesc");
  if (frame_gb != nullptr) frame_gb->hide();
  if (frame_.parentWidget() != frameSlot_) {
    auto* slot_layout = static_cast<QVBoxLayout*>(frameSlot_->layout());
    slot_layout->insertWidget(0, &frame_);
    frame_.show();
  }
  ApplyTexts();
  Render();
  move(main.x() + kOpenOffsetLeft, main.y() + kOpenOffsetTop);
  show();
  raise();
}

void TfrmProject::ReturnFrame() {
  if (frame_.parentWidget() == &home_) return;
  if (auto* column = qobject_cast<QBoxLayout*>(home_.layout())) {
    column->insertWidget(0, &frame_, 1);
  } else {
    frame_.setParent(&home_);
  }
  frame_.show();
  auto* frame_gb = frame_.findChild<QGroupBox*>("gbChipInfoDesc");
  if (frame_gb != nullptr) frame_gb->show();
}

void TfrmProject::closeEvent(QCloseEvent* event) {
  if (!ProjectFormClose(ctx_)) {
    event->ignore();  // a download runs: the window stays until it ends
    return;
  }
  ReturnFrame();
  event->accept();
}

void TfrmProject::TakeControls() {
  if (rendering_) return;
  ProjectWindowState& w = ctx_.Project;
  w.chkPrjIdCheck = chkPrjIdCheck_->isChecked();
  w.chkPrjErase = chkPrjErase_->isChecked();
  w.chkPrjBlankCheck = chkPrjBlankCheck_->isChecked();
  w.chkPrjWrite = chkPrjWrite_->isChecked();
  w.chkPrjVerify = chkPrjVerify_->isChecked();
  w.cmbDownMethod = cmbDownMethod_->currentIndex();
  w.chkProTimes = chkProTimes_->isChecked();
  w.editProTimes = editProTimes_->text().toStdString();
  w.editPrjName = editPrjName_->text().toStdString();
}

void TfrmProject::Render() {
  QScopedValueRollback<bool> quiet(rendering_, true);
  const ProjectWindowState& w = ctx_.Project;
  chkPrjIdCheck_->setChecked(w.chkPrjIdCheck);
  chkPrjErase_->setChecked(w.chkPrjErase);
  chkPrjBlankCheck_->setChecked(w.chkPrjBlankCheck);
  chkPrjWrite_->setChecked(w.chkPrjWrite);
  chkPrjVerify_->setChecked(w.chkPrjVerify);
  cmbDownMethod_->setCurrentIndex(w.cmbDownMethod);
  chkProTimes_->setChecked(w.chkProTimes);
  if (editProTimes_->text() != FromCore(w.editProTimes)) editProTimes_->setText(FromCore(w.editProTimes));
  if (editPrjName_->text() != FromCore(w.editPrjName)) editPrjName_->setText(FromCore(w.editPrjName));

  // The log is drawn anew only when it changed, not at every block.
  std::vector<std::pair<std::string, int>> lines;
  for (const LogEntry& line : w.Log) lines.emplace_back(line.text, static_cast<int>(line.colour));
  if (lines != shown_log_) {
    shown_log_ = std::move(lines);
    memLogOffPrj_->clear();
    for (const LogEntry& line : w.Log) {
      memLogOffPrj_->setTextColor(line.colour == LogColour::Plain
                                      ? palette().color(QPalette::Text)
                                      : ColourFromRef(ToColourRef(line.colour)));
      memLogOffPrj_->append(FromCore(line.text));
    }
  }

  // One download at a time: its buttons and settings wait until it ends.
  const bool idle = !w.DownloadRunning;
  Button2_->setEnabled(idle);
  btnDownLoadPrj_->setEnabled(idle);
  GroupBox1_->setEnabled(idle);
  editPrjName_->setEnabled(idle);

  panel0_->setText(FromCore(w.sbPrj[0]));
  panel1_->setText(FromCore(w.sbPrj[1]));
  pbPrjDownStatus_->setMaximum(w.pbPrjDownStatusMax);
  pbPrjDownStatus_->setValue(w.pbPrjDownStatus);
  if (w.DownloadRunning) {
    // The download runs inside this handler: show its progress at once.
    sbPrj_->repaint();
    pbPrjDownStatus_->repaint();
  }
}

void TfrmProject::Button2Click() {
  TakeControls();
  if (!choose_data_file_) return;
  const std::optional<std::filesystem::path> chosen = choose_data_file_();
  if (!chosen) return;
  ProjectButton2Click(ctx_, chosen->string());
}

void TfrmProject::btnDownLoadPrjClick() {
  TakeControls();
  RunGuarded(this, [this] {
    // Discarded: the handler has told the operator how the download ended.
    (void)tessary::btnDownLoadPrjClick(ctx_);
  });
  Render();
}

}  // namespace tessary
