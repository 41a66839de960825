// The hex view widget: renders the core HexView and forwards events to it.
#include "ui/hex_view_pane.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QWheelEvent>

#include <algorithm>
#include <climits>

namespace tessary {
namespace {

constexpr int kAddrPaneWidth = 109;
constexpr int kHexPaneWidth = 364;
constexpr int kTextMargin = 2;

// The columns only line up in a fixed-pitch font; the design's font first.
QFont HexFont() {
  QFont font;
  font.setFamilies({"SimSun", "NSimSun", "DejaVu Sans Mono", "Noto Sans Mono", "Monospace"});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(12);
  font.setBold(true);
  return font;
}

// Wide enough for `chars` characters of the font, and never narrower than
// the design.
int PaneWidth(const QFont& font, int chars, int design_width) {
  const int text = QFontMetrics(font).horizontalAdvance(QString(chars, QLatin1Char('0')));
  return std::max(design_width, text + 2 * kTextMargin + 4);
}

QLabel* MakeHeader(const char* name, std::string_view text, const QFont& font, int width) {
  auto* header = new QLabel(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
  header->setObjectName(QString::fromLatin1(name));
  header->setFont(font);
  header->setContentsMargins(kTextMargin, 1, kTextMargin, 1);
  header->setAutoFillBackground(true);
  header->setBackgroundRole(QPalette::Base);
  if (width > 0) header->setFixedWidth(width);
  return header;
}

QTextEdit* MakePane(const char* name, const QFont& font, const QColor& colour, int width) {
  auto* pane = new QTextEdit;
  pane->setObjectName(QString::fromLatin1(name));
  pane->setReadOnly(true);
  pane->setUndoRedoEnabled(false);
  pane->setAcceptDrops(false);
  // The core owns the selection; the pane only shows it. Without this the
  // control would select and auto-scroll on its own and drift away from
  // the other two panes.
  pane->setTextInteractionFlags(Qt::NoTextInteraction);
  pane->setFrameShape(QFrame::NoFrame);
  pane->setLineWrapMode(QTextEdit::NoWrap);
  pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  pane->setFont(font);
  pane->document()->setDefaultFont(font);
  pane->document()->setDocumentMargin(kTextMargin);
  QPalette palette = pane->palette();
  palette.setColor(QPalette::Text, colour);
  pane->setPalette(palette);
  if (width > 0) pane->setFixedWidth(width);
  return pane;
}

QString FromCore(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::uint32_t HexViewPane::VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    const auto digit = static_cast<std::uint32_t>(key - Qt::Key_0);
    return (modifiers & Qt::KeypadModifier) ? 0x60 + digit : 0x30 + digit;
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint32_t>(key);
  return 0;
}

HexViewPane::HexViewPane(HexView& view, QWidget* parent) : QWidget(parent), view_(view) {
  const QFont font = HexFont();
  const int addr_width = PaneWidth(font, 12, kAddrPaneWidth);
  const int hex_width = PaneWidth(font, static_cast<int>(kHexRowChars) + 1, kHexPaneWidth);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(1);

  RichEdit5_ = MakeHeader("RichEdit5", kAddrHeader, font, addr_width);
  RichEdit5_->setAlignment(Qt::AlignCenter);
  RichEdit2_ = MakeHeader("RichEdit2", kHexHeader, font, hex_width);
  RichEdit3_ = MakeHeader("RichEdit3", kAsciiHeader, font, 0);
  grid->addWidget(RichEdit5_, 0, 0);
  grid->addWidget(RichEdit2_, 0, 1);
  grid->addWidget(RichEdit3_, 0, 2);

  reDownFileAddr_ = MakePane("reDownFileAddr", font, Qt::blue, addr_width);
  QTextOption centred = reDownFileAddr_->document()->defaultTextOption();
  centred.setAlignment(Qt::AlignHCenter);
  reDownFileAddr_->document()->setDefaultTextOption(centred);
  reDownFile_ = MakePane("reDownFile", font, Qt::black, hex_width);
  reDownFile_->setFocusPolicy(Qt::StrongFocus);
  reDownFileAscii_ = MakePane("reDownFileAscii", font, Qt::black, 0);
  grid->addWidget(reDownFileAddr_, 1, 0);
  grid->addWidget(reDownFile_, 1, 1);
  grid->addWidget(reDownFileAscii_, 1, 2);

  sbDownFile_ = new QScrollBar(Qt::Vertical);
  sbDownFile_->setObjectName(QStringLiteral("sbDownFile"));
  grid->addWidget(sbDownFile_, 0, 3, 2, 1);
  grid->setRowStretch(1, 1);
  grid->setColumnStretch(2, 1);
  connect(sbDownFile_, &QScrollBar::valueChanged, this, &HexViewPane::OnScrollBarMoved);

  reDownFile_->installEventFilter(this);
  for (QTextEdit* pane : {reDownFileAddr_, reDownFile_, reDownFileAscii_}) {
    pane->viewport()->installEventFilter(this);
  }

  view_.SetListener(this);
  UpdateVisibleRows();
  ShowTexts();
  ShowScrollBar();
}

HexViewPane::~HexViewPane() { view_.SetListener(nullptr); }

void HexViewPane::HexViewChanged(HexViewChange change) {
  switch (change) {
    case HexViewChange::Texts:
      ShowTexts();
      break;
    case HexViewChange::Selection:
      ShowSelection();
      break;
    case HexViewChange::Digit:
      // One character changed; the text is small enough to set whole.
      reDownFile_->setPlainText(FromCore(view_.HexText()));
      ShowSelection();
      break;
    case HexViewChange::ScrollBar:
      ShowScrollBar();
      break;
    case HexViewChange::CheckSum:
      emit checkSumTextChanged(FromCore(view_.CheckSumText()));
      break;
  }
}

void HexViewPane::ShowTexts() {
  reDownFileAddr_->setPlainText(FromCore(view_.AddrText()));
  reDownFile_->setPlainText(FromCore(view_.HexText()));
  reDownFileAscii_->setPlainText(FromCore(view_.AsciiText()));
  ShowSelection();
}

void HexViewPane::ShowSelection() {
  QList<QTextEdit::ExtraSelection> marks;
  if (const auto at = view_.Selection()) {
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(reDownFile_->document());
    mark.cursor.setPosition(static_cast<int>(*at));
    mark.cursor.setPosition(static_cast<int>(*at) + 1, QTextCursor::KeepAnchor);
    mark.format.setBackground(palette().brush(QPalette::Active, QPalette::Highlight));
    mark.format.setForeground(palette().brush(QPalette::Active, QPalette::HighlightedText));
    marks.append(mark);
  }
  reDownFile_->setExtraSelections(marks);
}

void HexViewPane::ShowScrollBar() {
  const std::uint32_t maximum = view_.ScrollMaximum();
  scroll_unit_ = maximum > static_cast<std::uint32_t>(INT_MAX) ? kBytesPerRow : 1;
  // Moving the bar from here is not the operator scrolling.
  const QSignalBlocker quiet(sbDownFile_);
  sbDownFile_->setRange(0, static_cast<int>(maximum / scroll_unit_));
  sbDownFile_->setSingleStep(static_cast<int>(kBytesPerRow / scroll_unit_));
  sbDownFile_->setPageStep(static_cast<int>(kBytesPerRow / scroll_unit_));
  sbDownFile_->setValue(static_cast<int>(view_.ScrollPosition() / scroll_unit_));
}

void HexViewPane::UpdateVisibleRows() {
  // Whole lines between the document margins; line spacing is at least the
  // height the document gives a line, so the count is never too high.
  const int line = std::max(1, QFontMetrics(reDownFile_->font()).lineSpacing());
  const int room = reDownFile_->viewport()->height() - 2 * kTextMargin;
  view_.SetVisibleRows(static_cast<std::uint32_t>(std::max(1, room / line)));
}

void HexViewPane::OnScrollBarMoved(int value) {
  view_.Scroll(static_cast<std::uint32_t>(value) * scroll_unit_);
}

bool HexViewPane::eventFilter(QObject* watched, QEvent* event) {
  const bool on_viewport = watched == reDownFileAddr_->viewport() ||
                           watched == reDownFile_->viewport() ||
                           watched == reDownFileAscii_->viewport();
  if (on_viewport && event->type() == QEvent::Wheel) {
    // The panes never scroll on their own: the wheel moves sbDownFile.
    QCoreApplication::sendEvent(sbDownFile_, event);
    return true;
  }
  if (watched == reDownFile_->viewport()) {
    if (event->type() == QEvent::Resize) UpdateVisibleRows();
    if (event->type() == QEvent::MouseButtonRelease) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) {
        const int caret = reDownFile_->cursorForPosition(mouse->position().toPoint()).position();
        view_.Click(static_cast<std::uint32_t>(std::max(caret, 0)));
        return true;
      }
    }
    if (event->type() == QEvent::MouseButtonPress) reDownFile_->setFocus(Qt::MouseFocusReason);
  }
  if (watched == reDownFile_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) return false;
    view_.KeyDown(VirtualKeyFromQt(key->key(), key->modifiers()));
    return true;  // taken or ignored by the core; never by the control
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tessary
