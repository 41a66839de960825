// Construction of the main window's widgets.
#include "ui/main_window_layout.h"

#include "ui/chip_selection_frame.h"
#include "ui/hex_view_pane.h"

#include <algorithm>

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessary {
namespace {

constexpr int kLeftPanelWidth = 232;
constexpr std::array<int, 4> kStatusPanelWidths = {150, 300, 200, 50};
// The checksum panel is never narrower than its widest text.
constexpr char kCheckSumSample[] = "CheckSum:FFFFFFFFH";

// The fonts of the design come first in each list, then the CJK fonts a
// Linux desktop has.
QFont FontOf(const QStringList& families, int pixel_size, bool bold) {
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

QFont LogFont() {
  return FontOf({"SimSun", "宋体", "WenQuanYi Micro Hei", "Noto Sans CJK SC"}, 13, false);
}

struct ToolButtonDesign {
  QToolButton* MainWindowWidgets::*member;
  const char* name;
  const char* caption;
  const char* picture;  // in Icon/
  bool group_ends;
};

const ToolButtonDesign kToolButtons[] = {
    {&MainWindowWidgets::sbOpenFile, "sbOpenFile", "打开", "Open", false},
    {&MainWindowWidgets::sbSaveFile, "sbSaveFile", "保存", "Save", false},
    {&MainWindowWidgets::sbBufferFill, "sbBufferFill", "填充", "Fill", true},
    {&MainWindowWidgets::sbAuto, "sbAuto", "自动", "Auto", false},
    {&MainWindowWidgets::sbBlankCheck, "sbBlankCheck", "查空", "BlankCheck", false},
    {&MainWindowWidgets::sbErase, "sbErase", "擦除", "Erase", false},
    {&MainWindowWidgets::sbWrite, "sbWrite", "写入", "Write", false},
    {&MainWindowWidgets::sbRead, "sbRead", "读出", "Read", false},
    {&MainWindowWidgets::sbVerify, "sbVerify", "校验", "Verify", false},
    {&MainWindowWidgets::sbMess, "sbMess", "批量", "Mass", false},
    {&MainWindowWidgets::sbStop, "sbStop", "停止", "Stop", true},
    {&MainWindowWidgets::sbDevInfo, "sbDevInfo", "设备", "DevInfo", false},
    {&MainWindowWidgets::sbAbout, "sbAbout", "关于", "About", false},
};

QFrame* VerticalRule() {
  auto* rule = new QFrame;
  rule->setFrameShape(QFrame::VLine);
  rule->setFrameShadow(QFrame::Sunken);
  return rule;
}

void BuildToolPanel(MainWindowWidgets& w) {
  w.Panel1 = new QFrame;
  w.Panel1->setObjectName("Panel1");
  w.Panel1->setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(w.Panel1);
  row->setContentsMargins(4, 2, 4, 2);
  row->setSpacing(2);
  for (const ToolButtonDesign& design : kToolButtons) {
    auto* button = new QToolButton;
    button->setObjectName(design.name);
    button->setText(QString::fromUtf8(design.caption));
    button->setIcon(QIcon(QStringLiteral(":/Icon/%1.xpm").arg(design.picture)));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumWidth(48);
    row->addWidget(button);
    w.*design.member = button;
    if (design.group_ends) row->addWidget(VerticalRule());
  }
  row->addStretch(1);
}

QLabel* SocketPicture(const char* name, const char* picture, bool visible) {
  auto* label = new QLabel;
  label->setObjectName(name);
  label->setPixmap(QPixmap(QStringLiteral(":/Icon/%1.xpm").arg(picture)));
  label->setAlignment(Qt::AlignCenter);
  label->setVisible(visible);
  return label;
}

void BuildLeftPanel(MainWindowWidgets& w, AppContext& ctx) {
  w.PanelMainLeftInfo = new QWidget;
  w.PanelMainLeftInfo->setObjectName("PanelMainLeftInfo");
  w.PanelMainLeftInfo->setFixedWidth(kLeftPanelWidth);
  auto* column = new QVBoxLayout(w.PanelMainLeftInfo);
  column->setContentsMargins(0, 0, 0, 0);

  w.frameChipInfoMain = new ChipSelectionFrame(ctx);
  column->addWidget(w.frameChipInfoMain, 1);

  w.rgbSocketType = new QGroupBox(QString::fromUtf8("烧录模式"));
  w.rgbSocketType->setObjectName("rgbSocketType");
  w.rgbSocketTypeItems = new QButtonGroup(w.rgbSocketType);
  w.rgbSocketTypeItems->setObjectName("rgbSocketTypeItems");
  auto* items = new QHBoxLayout(w.rgbSocketType);
  const char* captions[] = {"普通模式", "一拖二模式"};
  for (int id = 0; id < 2; ++id) {
    auto* item = new QRadioButton(QString::fromUtf8(captions[id]));
    w.rgbSocketTypeItems->addButton(item, id);
    items->addWidget(item);
  }
  w.rgbSocketTypeItems->button(0)->setChecked(true);
  column->addWidget(w.rgbSocketType);

  w.imgSocketPinout = SocketPicture("imgSocketPinout", "SocketCH1", true);
  w.imgSocketPinout1 = SocketPicture("imgSocketPinout1", "SocketEmpty", false);
  w.imgSocketPinout10 = SocketPicture("imgSocketPinout10", "SocketCH2", false);
  w.imgSocketPinout20 = SocketPicture("imgSocketPinout20", "SocketBoth", false);
  for (QLabel* picture :
       {w.imgSocketPinout, w.imgSocketPinout1, w.imgSocketPinout10, w.imgSocketPinout20}) {
    column->addWidget(picture);
  }
}

// One row of the grid: the channel label and its bar. The grid keeps both
// bars lined up although the captions differ in length.
void BuildProgressRow(QGridLayout& grid, int row, QLabel*& label, const char* label_name,
                      const char* caption, QProgressBar*& bar, const char* bar_name) {
  label = new QLabel(QString::fromUtf8(caption));
  label->setObjectName(label_name);
  bar = new QProgressBar;
  bar->setObjectName(bar_name);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(false);
  bar->setFixedHeight(16);
  grid.addWidget(label, row, 0);
  grid.addWidget(bar, row, 1);
}

void BuildRightPanel(MainWindowWidgets& w, AppContext& ctx) {
  w.PanelEditMain = new QWidget;
  w.PanelEditMain->setObjectName("PanelEditMain");
  auto* column = new QVBoxLayout(w.PanelEditMain);
  column->setContentsMargins(0, 0, 0, 0);
  auto* view = new QFrame;
  view->setFrameShape(QFrame::StyledPanel);
  auto* inside = new QVBoxLayout(view);
  inside->setContentsMargins(0, 0, 0, 0);
  w.hexView = new HexViewPane(ctx.Hex);
  inside->addWidget(w.hexView);
  w.RichEdit5 = w.hexView->findChild<QLabel*>("RichEdit5");
  w.RichEdit2 = w.hexView->findChild<QLabel*>("RichEdit2");
  w.RichEdit3 = w.hexView->findChild<QLabel*>("RichEdit3");
  w.reDownFileAddr = w.hexView->AddrPane();
  w.reDownFile = w.hexView->HexPane();
  w.reDownFileAscii = w.hexView->AsciiPane();
  w.sbDownFile = w.hexView->ScrollBar();
  column->addWidget(view, 3);

  w.PanelEditNote = new QFrame;
  w.PanelEditNote->setObjectName("PanelEditNote");
  w.PanelEditNote->setFrameShape(QFrame::StyledPanel);
  auto* note = new QVBoxLayout(w.PanelEditNote);
  note->setContentsMargins(1, 1, 1, 1);
  w.memLog = new QTextEdit;
  w.memLog->setObjectName("memLog");
  w.memLog->setReadOnly(true);
  w.memLog->setAcceptRichText(true);
  w.memLog->setAcceptDrops(false);
  w.memLog->setFrameShape(QFrame::NoFrame);
  w.memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  w.memLog->setFocusPolicy(Qt::StrongFocus);
  w.memLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  w.memLog->setFont(LogFont());
  note->addWidget(w.memLog);
  column->addWidget(w.PanelEditNote, 2);

  auto* bars = new QGridLayout;
  bars->setColumnStretch(1, 1);
  BuildProgressRow(*bars, 0, w.labelCh1, "labelCh1", "CH1:     ", w.pbDLChip1, "pbDLChip1");
  BuildProgressRow(*bars, 1, w.labelCh2, "labelCh2", "CH2:   ", w.pbDLChip2, "pbDLChip2");
  column->addLayout(bars);
  SetBarColour(*w.pbDLChip1, ColourFromRef(0x0000FF));
}

void BuildStatusBar(QMainWindow& window, MainWindowWidgets& w) {
  QStatusBar* bar = window.statusBar();
  bar->setObjectName("StatusBar");
  bar->setSizeGripEnabled(false);
  for (std::size_t i = 0; i < w.StatusPanels.size(); ++i) {
    auto* panel = new QLabel;
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    bar->addWidget(panel);
    // At least the design's width, and as wide as the text it shows, so a
    // longer text (a translation, the checksum) is never cut.
    int width = kStatusPanelWidths[i];
    if (i == 3) {
      const int sample = panel->fontMetrics().horizontalAdvance(QLatin1String(kCheckSumSample));
      width = std::max(width, sample + 2 * panel->frameWidth() + panel->margin() + 8);
    }
    panel->setMinimumWidth(width);
    w.StatusPanels[i] = panel;
  }
  w.stResult = new QLabel;
  w.stResult->setObjectName("stResult");
  bar->addWidget(w.stResult, 1);
  w.btnClearDownTimes = new QPushButton("Clear");
  w.btnClearDownTimes->setObjectName("btnClearDownTimes");
  bar->addPermanentWidget(w.btnClearDownTimes);
}

}  // namespace

QFont MainWindowFont() {
  return FontOf({"Microsoft YaHei", "微软雅黑", "WenQuanYi Micro Hei", "Noto Sans CJK SC"}, 12,
                false);
}

MainWindowWidgets BuildMainWindowWidgets(QMainWindow& window, AppContext& ctx) {
  MainWindowWidgets w;
  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(5, 0, 5, 0);
  column->setSpacing(4);

  BuildToolPanel(w);
  column->addWidget(w.Panel1);

  auto* body = new QHBoxLayout;
  BuildLeftPanel(w, ctx);
  BuildRightPanel(w, ctx);
  body->addWidget(w.PanelMainLeftInfo);
  body->addWidget(w.PanelEditMain, 1);
  column->addLayout(body, 1);

  window.setCentralWidget(central);
  BuildStatusBar(window, w);
  return w;
}

QColor ColourFromRef(std::uint32_t colour_ref) {
  return QColor(static_cast<int>(colour_ref & 0xFF), static_cast<int>((colour_ref >> 8) & 0xFF),
                static_cast<int>((colour_ref >> 16) & 0xFF));
}

void SetBarColour(QProgressBar& bar, const QColor& colour) {
  QPalette palette = bar.palette();
  palette.setColor(QPalette::Highlight, colour);
  bar.setPalette(palette);
}

QStringList NameFiltersFromPipeList(std::string_view filter) {
  const QStringList parts = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()))
                                .split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
  }
  return filters;
}

}  // namespace tessary
