// The hex view of the data buffer: the three texts (address, hexadecimal
// bytes, characters), the scroll position, the selected digit and in-place
// editing. Everything here is position arithmetic on plain strings; the
// window only shows the texts and passes clicks, keys and scrolling in.
//
// Positions in the hexadecimal text are the caret positions of the pane:
// each row is 48 characters ("XX " sixteen times) and one line break, 49 in
// all. The texts keep one '\n' per line break, so a position is also the
// index of the character in the string.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "buffer/data_buffer.h"
#include "catalogue/chip_record.h"

namespace tessary {

inline constexpr std::uint32_t kBytesPerRow = 16;
// A redraw builds at most this many rows, whatever the buffer size.
inline constexpr std::uint32_t kMaxRowsDrawn = 56;
// Rows a pane is taken to show until it says how many it really shows.
inline constexpr std::uint32_t kDefaultVisibleRows = 24;
// The scroll bar stops the view this far before the end of the data, so the
// last position still fills the default pane with full rows.
inline constexpr std::uint32_t kScrollTailBytes = kDefaultVisibleRows * 16;
// Characters of one full row of the hexadecimal text, and the caret
// positions it takes with its line break.
inline constexpr std::uint32_t kHexRowChars = 3 * kBytesPerRow;
inline constexpr std::uint32_t kHexRowPositions = kHexRowChars + 1;

inline constexpr std::string_view kAddrHeader = "ADDR";
inline constexpr std::string_view kHexHeader = "0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F";
inline constexpr std::string_view kAsciiHeader = "ASCII";

// "0"-"9", "a"-"f", "A"-"F".
[[nodiscard]] constexpr bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The digit's value; 0 for any other character.
[[nodiscard]] constexpr std::uint8_t HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return 0;
}

// The character pane's rendering of a byte: itself if printable ASCII,
// otherwise ".".
[[nodiscard]] constexpr char AsciiChar(std::uint8_t byte) {
  return (byte >= 32 && byte <= 126) ? static_cast<char>(byte) : '.';
}

// The character a key code stands for: the low byte of the virtual-key
// code. Letter keys give upper case whatever the shift state; the numeric
// keypad's 1-6 give "a"-"f".
[[nodiscard]] constexpr char VirtualKeyChar(std::uint32_t virtual_key) {
  return static_cast<char>(virtual_key & 0xFF);
}

// One line of the address column: start address + row offset as 8 digits,
// then "H  ". The sum wraps modulo 2^32.
[[nodiscard]] std::string AddressLine(std::uint32_t start_address, std::uint32_t offset);

// `offset` rounded down to a whole row.
[[nodiscard]] constexpr std::uint32_t AlignToRow(std::uint32_t offset) {
  return offset - offset % kBytesPerRow;
}

// ViewTop for a scroll-bar position in a pane showing `visible_rows` full
// rows: positions past DataLen - 16 * visible_rows are held there (when the
// data is at least that long), then rounded down to a row, so the end of the
// scroll bar shows the last rows of the data.
[[nodiscard]] constexpr std::uint32_t ViewTopForScroll(
    std::uint32_t position, std::uint32_t data_len,
    std::uint32_t visible_rows = kDefaultVisibleRows) {
  const std::uint32_t tail = (visible_rows == 0 ? 1 : visible_rows) * kBytesPerRow;
  if (data_len >= tail && position > data_len - tail) position = data_len - tail;
  return AlignToRow(position);
}

// Rows a redraw builds from `view_top`: up to 56, the last one possibly
// partial; one (an address and no bytes) when view_top is at or past the end.
[[nodiscard]] constexpr std::uint32_t RowsInView(std::uint32_t view_top, std::uint32_t data_len) {
  if (view_top >= data_len) return 1;
  const std::uint32_t left = data_len - view_top;
  const std::uint32_t rows = left / kBytesPerRow + (left % kBytesPerRow != 0 ? 1 : 0);
  return rows < kMaxRowsDrawn ? rows : kMaxRowsDrawn;
}

// Rows actually seen in a pane that has room for `pane_rows` lines.
[[nodiscard]] constexpr std::uint32_t VisibleRowCount(std::uint32_t view_top,
                                                      std::uint32_t data_len,
                                                      std::uint32_t pane_rows) {
  const std::uint32_t rows = RowsInView(view_top, data_len);
  return rows < pane_rows ? rows : pane_rows;
}

// Where a caret position of the hexadecimal text falls.
enum class DigitPlace : std::uint8_t {
  High = 0,       // first digit of the byte
  Low = 1,        // second digit
  Separator = 2,  // the blank after the byte
};

struct HexPosition {
  std::uint32_t byte = 0;  // byte index from the first byte drawn
  DigitPlace place = DigitPlace::High;

  friend bool operator==(const HexPosition&, const HexPosition&) = default;
};

// Each row's line break counts as one position and is taken out first.
[[nodiscard]] constexpr HexPosition HexPositionAt(std::uint32_t position) {
  const std::uint32_t q = position - position / kHexRowPositions;
  return {q / 3, static_cast<DigitPlace>(q % 3)};
}

// Caret position of a digit; the inverse of HexPositionAt.
[[nodiscard]] constexpr std::uint32_t PositionOf(HexPosition at) {
  const std::uint32_t q = at.byte * 3 + static_cast<std::uint32_t>(at.place);
  return q + q / kHexRowChars;
}

struct HexViewTexts {
  std::string addr;   // reDownFileAddr
  std::string hex;    // reDownFile
  std::string ascii;  // reDownFileAscii
  std::uint32_t rows = 0;
};

// The three texts for a view starting at `view_top`, showing no byte at or
// past `data_len` (nor past the end of `block`). Lines are separated by a
// single '\n', with none after the last.
[[nodiscard]] HexViewTexts BuildHexViewTexts(std::span<const std::uint8_t> block,
                                             std::uint32_t data_len, std::uint32_t view_top,
                                             std::uint32_t start_address);

// What changed in the view, for whoever renders it.
enum class HexViewChange : std::uint8_t {
  Texts,      // redrawn: new texts, selection gone
  Selection,  // selected digit moved (or was cleared)
  Digit,      // one digit of the hexadecimal text was overwritten
  ScrollBar,  // maximum or position of sbDownFile
  CheckSum,   // the checksum panel text
};

class HexViewListener {
 public:
  virtual ~HexViewListener() = default;
  virtual void HexViewChanged(HexViewChange change) = 0;
};

enum class KeyOutcome : std::uint8_t { Ignored, Edited };

// The hex view of the main window. Holds references to the buffer record and
// the current chip (for RamStartAddr); both must outlive it.
class HexView {
 public:
  HexView(Ram_File_Info_Struct& ram, const Prj_Info_Struct& chip) : ram_(ram), chip_(chip) {}
  HexView(const HexView&) = delete;
  HexView& operator=(const HexView&) = delete;

  // At most one listener; nullptr detaches.
  void SetListener(HexViewListener* listener) { listener_ = listener; }

  [[nodiscard]] Ram_File_Info_Struct& Ram() { return ram_; }
  [[nodiscard]] const Ram_File_Info_Struct& Ram() const { return ram_; }

  // ViewTop rounded down to a whole row. Called before every redraw.
  void AlignView();

  // Rebuilds the three texts from ViewTop and drops the selection. Every
  // Part that changes the buffer or the position calls it.
  void RedrawHexView();

  // The scroll bar sbDownFile: range 0..maximum, steps of 16. The loaders,
  // the buffer reset and the read operation set the maximum to DataLen;
  // only the loaders (to 0) and the operator move the position.
  void SetScrollMaximum(std::uint32_t maximum);
  void SetScrollPosition(std::uint32_t position);
  [[nodiscard]] std::uint32_t ScrollMaximum() const { return scroll_maximum_; }
  [[nodiscard]] std::uint32_t ScrollPosition() const { return scroll_position_; }

  // The operator moved the scroll bar to `position`.
  void Scroll(std::uint32_t position);

  // Full rows the window's pane shows (at least one); the scroll clamp keeps
  // the last of them on the data's last row.
  void SetVisibleRows(std::uint32_t rows) { visible_rows_ = rows == 0 ? 1 : rows; }
  [[nodiscard]] std::uint32_t VisibleRows() const { return visible_rows_; }

  // The operator clicked the hexadecimal pane with the caret landing at
  // `caret`: selects the first hexadecimal digit from there on, or nothing.
  void Click(std::uint32_t caret);

  // A key went down in the hexadecimal pane. A hexadecimal digit overwrites
  // the selected digit of the byte, moves the selection to the next digit
  // and updates the checksum text; anything else is ignored.
  KeyOutcome KeyDown(std::uint32_t virtual_key);

  // The buffer was written by something that will not redraw the view, so
  // the running block sum must be taken afresh at the next edit.
  void BufferChanged() { block_sum_.reset(); }

  // Shows a checksum text (the buffer reset shows its own).
  void SetCheckSumText(std::string text);

  [[nodiscard]] const std::string& AddrText() const { return texts_.addr; }
  [[nodiscard]] const std::string& HexText() const { return texts_.hex; }
  [[nodiscard]] const std::string& AsciiText() const { return texts_.ascii; }
  [[nodiscard]] std::uint32_t RowCount() const { return texts_.rows; }
  // Buffer offset of the first row drawn (ViewTop at the last redraw).
  [[nodiscard]] std::uint32_t DrawnTop() const { return drawn_top_; }

  // Caret position of the selected digit, if any.
  [[nodiscard]] std::optional<std::uint32_t> Selection() const { return selection_; }
  // Buffer offset and digit of the selection, if any.
  [[nodiscard]] std::optional<std::uint32_t> SelectedOffset() const;
  [[nodiscard]] std::optional<DigitPlace> SelectedPlace() const;

  // Last text for status panel 3 ("CheckSum:XXXXXXXXH"); empty until set.
  [[nodiscard]] const std::string& CheckSumText() const { return checksum_text_; }

 private:
  void Notify(HexViewChange change);
  // The first hexadecimal digit at or after `from`.
  [[nodiscard]] std::optional<std::uint32_t> NextDigit(std::uint32_t from) const;
  [[nodiscard]] std::uint32_t BlockSum();

  Ram_File_Info_Struct& ram_;
  const Prj_Info_Struct& chip_;
  HexViewListener* listener_ = nullptr;

  HexViewTexts texts_{"", "", "", 0};
  std::uint32_t drawn_top_ = 0;
  std::optional<std::uint32_t> selection_;
  std::uint32_t scroll_maximum_ = 0;
  std::uint32_t scroll_position_ = 0;
  std::uint32_t visible_rows_ = kDefaultVisibleRows;
  std::string checksum_text_;

  // Sum of the whole block, kept up to date by the edits so a keystroke
  // does not re-read a 64 MiB buffer. Tied to the block it was taken from.
  std::optional<std::uint32_t> block_sum_;
  const std::uint8_t* sum_block_ = nullptr;
  std::size_t sum_block_size_ = 0;
};

struct BufferResetOutcome {
  BufferStatus status = BufferStatus::Ok;
  std::uint32_t sum = 0;  // of the whole new block
};

// The buffer and view part of a chip change: a new block of `chip_size`
// bytes of 0xFF, its sum shown as "CheckSum:XXXXXXXXH", the scroll bar's
// maximum set to DataLen, the view at the top and redrawn. On failure the
// buffer and the view stay as they were. The caller checks that the chip
// selection frame sits in the main window first, and afterwards clears the
// run counters (RunCounterText) and repaints the status bar.
[[nodiscard]] BufferResetOutcome ResetBufferAndView(HexView& view, std::uint32_t chip_size);

}  // namespace tessary
