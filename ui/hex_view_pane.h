// The hex view as a widget: header row, address, hexadecimal and character
// panes and the scroll bar. It shows what the core HexView holds and passes
// clicks, keys and scrolling to it; all decisions stay in the core.
#pragma once

#include "buffer/hex_view.h"

#include <QString>
#include <QWidget>

#include <cstdint>

class QLabel;
class QScrollBar;
class QTextEdit;

namespace tessary {

class HexViewPane : public QWidget, private HexViewListener {
  Q_OBJECT

 public:
  // `view` must outlive the pane; the pane listens to it while it lives.
  explicit HexViewPane(HexView& view, QWidget* parent = nullptr);
  ~HexViewPane() override;

  // The key code the hexadecimal pane passes on for a Qt key: the digit and
  // letter keys give their characters, the numeric keypad its own codes
  // (0x60-0x69, so that 1-6 read as "a"-"f"); anything else 0, which no
  // edit takes. Modifiers other than the keypad's are not looked at.
  [[nodiscard]] static std::uint32_t VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers);

  [[nodiscard]] QTextEdit* AddrPane() const { return reDownFileAddr_; }
  [[nodiscard]] QTextEdit* HexPane() const { return reDownFile_; }
  [[nodiscard]] QTextEdit* AsciiPane() const { return reDownFileAscii_; }
  [[nodiscard]] QScrollBar* ScrollBar() const { return sbDownFile_; }

 signals:
  // The text for status panel 3 changed (a byte edit or a buffer reset).
  void checkSumTextChanged(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void HexViewChanged(HexViewChange change) override;
  void ShowTexts();
  void ShowSelection();
  void ShowScrollBar();
  // Tells the core how many full rows the panes show now.
  void UpdateVisibleRows();
  void OnScrollBarMoved(int value);

  HexView& view_;
  QLabel* RichEdit5_ = nullptr;  // "ADDR"
  QLabel* RichEdit2_ = nullptr;  // "0  1  2 ..."
  QLabel* RichEdit3_ = nullptr;  // "ASCII"
  QTextEdit* reDownFileAddr_ = nullptr;
  QTextEdit* reDownFile_ = nullptr;
  QTextEdit* reDownFileAscii_ = nullptr;
  QScrollBar* sbDownFile_ = nullptr;
  // Bytes per scroll-bar step: 1, or 16 when the buffer is too large for
  // the bar's int range.
  std::uint32_t scroll_unit_ = 1;
};

}  // namespace tessary
