// The hex view widget: its components, what it shows of the core view, and
// the clicks, keys and scrolling it passes on.
#include "ui/hex_view_pane.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QWheelEvent>

#include <string>
#include <vector>

namespace tessary {
namespace {

struct HexViewPaneTest : ::testing::Test {
  Ram_File_Info_Struct ram;
  Prj_Info_Struct chip;
  HexView view{ram, chip};
  HexViewPane pane{view};
  std::vector<QString> checksum_texts;

  void SetUp() override {
    QObject::connect(&pane, &HexViewPane::checkSumTextChanged,
                     [this](const QString& text) { checksum_texts.push_back(text); });
    pane.resize(700, 500);
    pane.show();
  }

  void LoadChip(std::uint32_t size) {
    ASSERT_EQ(ResetBufferAndView(view, size).status, BufferStatus::Ok);
    for (std::uint32_t i = 0; i < size; ++i) ram.Data[i] = static_cast<std::uint8_t>(i);
    view.RedrawHexView();
  }

  // A left click on the hexadecimal pane just right of the caret position
  // `position`, so the caret lands there.
  void ClickAt(int position) {
    QTextCursor cursor(pane.HexPane()->document());
    cursor.setPosition(position);
    const QPoint at = pane.HexPane()->cursorRect(cursor).center() + QPoint(1, 0);
    QWidget* viewport = pane.HexPane()->viewport();
    const QPointF global = viewport->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QApplication::sendEvent(viewport, &release);
  }

  void Type(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(pane.HexPane(), &event);
  }

  // The characters the pane marks as selected.
  QString Marked() {
    const auto marks = pane.HexPane()->extraSelections();
    return marks.isEmpty() ? QString() : marks.front().cursor.selectedText();
  }
  int MarkedAt() {
    const auto marks = pane.HexPane()->extraSelections();
    return marks.isEmpty() ? -1 : marks.front().cursor.selectionStart();
  }
};

TEST_F(HexViewPaneTest, HasTheNamedComponentsAndHeaders) {
  for (const char* name : {"reDownFileAddr", "reDownFile", "reDownFileAscii"}) {
    auto* edit = pane.findChild<QTextEdit*>(name);
    ASSERT_NE(edit, nullptr) << name;
    EXPECT_TRUE(edit->isReadOnly()) << name;
    EXPECT_TRUE(edit->font().fixedPitch()) << name;
  }
  EXPECT_NE(pane.findChild<QScrollBar*>("sbDownFile"), nullptr);
  const std::pair<const char*, const char*> headers[] = {
      {"RichEdit5", "ADDR"},
      {"RichEdit2", "0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F"},
      {"RichEdit3", "ASCII"},
  };
  for (const auto& [name, text] : headers) {
    auto* label = pane.findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->text(), QString::fromLatin1(text));
  }
  // The hexadecimal pane holds a full row without clipping.
  const QFontMetrics metrics(pane.HexPane()->font());
  EXPECT_GE(pane.HexPane()->viewport()->width(), metrics.horizontalAdvance(QString(48, '0')));
}

TEST_F(HexViewPaneTest, ShowsTheCoreTextsAndScrollRange) {
  chip.RamStartAddr = 0x1000;
  LoadChip(20);
  EXPECT_EQ(pane.AddrPane()->toPlainText(), "00001000H  \n00001010H  ");
  EXPECT_EQ(pane.HexPane()->toPlainText(),
            "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n10 11 12 13 ");
  EXPECT_EQ(pane.AsciiPane()->toPlainText(), "................\n....");
  EXPECT_EQ(pane.ScrollBar()->maximum(), 20);
  EXPECT_EQ(pane.ScrollBar()->singleStep(), 16);
  EXPECT_EQ(pane.ScrollBar()->pageStep(), 16);
  ASSERT_FALSE(checksum_texts.empty());
  EXPECT_EQ(checksum_texts.back(), "CheckSum:000013ECH");  // 20 bytes of 0xFF
}

TEST_F(HexViewPaneTest, ClickSelectsADigitAndTypingEditsIt) {
  LoadChip(64);
  ClickAt(2);  // the blank after byte 0
  EXPECT_EQ(view.Selection(), 3u);
  EXPECT_EQ(MarkedAt(), 3);
  EXPECT_EQ(Marked(), "0");

  checksum_texts.clear();
  const std::uint32_t before = ByteSum(0, ram.Data);
  Type(Qt::Key_A);
  Type(Qt::Key_5);
  EXPECT_EQ(ram.Data[1], 0xA5);
  EXPECT_EQ(pane.HexPane()->toPlainText().left(6), "00 A5 ");
  EXPECT_EQ(MarkedAt(), 6);
  ASSERT_EQ(checksum_texts.size(), 2u);
  EXPECT_EQ(checksum_texts.back().toStdString(), CheckSumPanelText(before - 0x01 + 0xA5));
}

TEST_F(HexViewPaneTest, ModifiersAndTheKeypadFollowTheKeyCodes) {
  LoadChip(64);
  ClickAt(0);
  Type(Qt::Key_B, Qt::ControlModifier);  // Ctrl does not stop a digit
  Type(Qt::Key_3, Qt::KeypadModifier);   // keypad 3 reads as "c"
  EXPECT_EQ(ram.Data[0], 0xBC);
  Type(Qt::Key_0, Qt::KeypadModifier);  // keypad 0 is no digit
  Type(Qt::Key_Right);
  Type(Qt::Key_G);
  EXPECT_EQ(ram.Data[1], 0x01);
  EXPECT_EQ(MarkedAt(), 3);
}

TEST_F(HexViewPaneTest, ClickPastTheLastDigitMarksNothing) {
  LoadChip(20);
  ClickAt(0);
  ASSERT_EQ(MarkedAt(), 0);
  ClickAt(60);
  EXPECT_EQ(view.Selection(), std::nullopt);
  EXPECT_EQ(MarkedAt(), -1);
}

TEST_F(HexViewPaneTest, ScrollBarMovesTheViewAndLoadersDoNotScroll) {
  LoadChip(64 * 1024);
  pane.ScrollBar()->setValue(65536);
  const std::uint32_t end_top = 65536 - view.VisibleRows() * kBytesPerRow;
  EXPECT_EQ(ram.ViewTop, end_top);
  EXPECT_TRUE(pane.AddrPane()->toPlainText().startsWith(
      QString::fromStdString(AddressLine(0, end_top))));

  // A loader putting the bar back to 0 leaves the view where it is.
  view.SetScrollPosition(0);
  EXPECT_EQ(pane.ScrollBar()->value(), 0);
  EXPECT_EQ(ram.ViewTop, end_top);
}

// The end of the scroll bar shows the chip's last row whole, whatever the
// pane's height.
TEST_F(HexViewPaneTest, TheLastRowIsVisibleAtTheEndOfTheScrollBar) {
  LoadChip(64 * 1024);
  for (const int height : {200, 330, 345, 500, 900}) {
    pane.resize(700, height);
    QApplication::processEvents();
    pane.ScrollBar()->setValue(pane.ScrollBar()->maximum());
    QTextEdit* addresses = pane.AddrPane();
    const QStringList lines = addresses->toPlainText().split('\n');
    const int last = static_cast<int>(lines.indexOf(QString::fromStdString(AddressLine(0, 0xFFF0))));
    ASSERT_GE(last, 0) << "height " << height;
    const QTextBlock block = addresses->document()->findBlockByNumber(last);
    const QRectF rect = addresses->document()->documentLayout()->blockBoundingRect(block);
    EXPECT_LE(rect.bottom(), addresses->viewport()->height()) << "height " << height;
    EXPECT_GE(view.VisibleRows() + 2, static_cast<std::uint32_t>(addresses->viewport()->height() /
                                                                  rect.height()))
        << "height " << height << ": the clamp leaves no more than a row or two empty";
  }
}

TEST_F(HexViewPaneTest, WheelOverAPaneMovesTheScrollBar) {
  LoadChip(64 * 1024);
  QWidget* viewport = pane.AsciiPane()->viewport();
  QWheelEvent wheel(QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(viewport, &wheel);
  EXPECT_GT(pane.ScrollBar()->value(), 0);
  EXPECT_EQ(ram.ViewTop,
            ViewTopForScroll(static_cast<std::uint32_t>(pane.ScrollBar()->value()), ram.DataLen));
  EXPECT_GT(ram.ViewTop, 0u);
}

TEST_F(HexViewPaneTest, HugeBuffersScrollInWholeRows) {
  view.SetScrollMaximum(0xFFFFFFF0u);
  EXPECT_EQ(pane.ScrollBar()->maximum(), 0x0FFFFFFF);
  pane.ScrollBar()->setValue(0x100);
  EXPECT_EQ(view.ScrollPosition(), 0x1000u);
}

TEST(HexViewPaneKeys, QtKeysMapToTheKeyCodesTheCoreReads) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    std::uint32_t code;
  } cases[] = {
      {Qt::Key_0, Qt::NoModifier, 0x30},      {Qt::Key_9, Qt::NoModifier, 0x39},
      {Qt::Key_A, Qt::NoModifier, 0x41},      {Qt::Key_F, Qt::ShiftModifier, 0x46},
      {Qt::Key_A, Qt::ControlModifier, 0x41}, {Qt::Key_Z, Qt::NoModifier, 0x5A},
      {Qt::Key_0, Qt::KeypadModifier, 0x60},  {Qt::Key_1, Qt::KeypadModifier, 0x61},
      {Qt::Key_6, Qt::KeypadModifier, 0x66},  {Qt::Key_9, Qt::KeypadModifier, 0x69},
      {Qt::Key_Left, Qt::NoModifier, 0},      {Qt::Key_Space, Qt::NoModifier, 0},
      {Qt::Key_Return, Qt::NoModifier, 0},    {Qt::Key_F1, Qt::NoModifier, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HexViewPane::VirtualKeyFromQt(c.key, c.modifiers), c.code) << c.key;
  }
}

}  // namespace
}  // namespace tessary
