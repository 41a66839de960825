// The hex view: texts, scrolling, digit selection and in-place editing.
#include "buffer/hex_view.h"

#include <algorithm>
#include <utility>

namespace tessary {
namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";

void AppendHex8(std::string& out, std::uint32_t value) {
  for (int shift = 28; shift >= 0; shift -= 4) out.push_back(kUpperDigits[(value >> shift) & 0xF]);
}

}  // namespace

std::string AddressLine(std::uint32_t start_address, std::uint32_t offset) {
  std::string line;
  line.reserve(11);
  AppendHex8(line, start_address + offset);
  line += "H  ";
  return line;
}

HexViewTexts BuildHexViewTexts(std::span<const std::uint8_t> block, std::uint32_t data_len,
                               std::uint32_t view_top, std::uint32_t start_address) {
  // Bytes past the block are never shown, whatever DataLen claims.
  const std::uint64_t end =
      std::min<std::uint64_t>(data_len, static_cast<std::uint64_t>(block.size()));
  const std::uint32_t rows = RowsInView(view_top, static_cast<std::uint32_t>(end));

  HexViewTexts texts;
  texts.rows = rows;
  texts.addr.reserve(rows * 12);
  texts.hex.reserve(rows * kHexRowPositions);
  texts.ascii.reserve(rows * (kBytesPerRow + 1));

  std::uint64_t offset = view_top;
  for (std::uint32_t row = 0; row < rows; ++row) {
    if (row != 0) {
      texts.addr.push_back('\n');
      texts.hex.push_back('\n');
      texts.ascii.push_back('\n');
    }
    AppendHex8(texts.addr, start_address + static_cast<std::uint32_t>(offset));
    texts.addr += "H  ";
    for (std::uint32_t i = 0; i < kBytesPerRow && offset < end; ++i, ++offset) {
      const std::uint8_t byte = block[static_cast<std::size_t>(offset)];
      texts.hex.push_back(kUpperDigits[byte >> 4]);
      texts.hex.push_back(kUpperDigits[byte & 0xF]);
      texts.hex.push_back(' ');
      texts.ascii.push_back(AsciiChar(byte));
    }
  }
  return texts;
}

void HexView::Notify(HexViewChange change) {
  if (listener_ != nullptr) listener_->HexViewChanged(change);
}

void HexView::AlignView() { ram_.ViewTop = AlignToRow(ram_.ViewTop); }

void HexView::RedrawHexView() {
  texts_ = BuildHexViewTexts(ram_.Data, ram_.DataLen, ram_.ViewTop, chip_.RamStartAddr);
  drawn_top_ = ram_.ViewTop;
  selection_.reset();
  // Whoever changed the buffer redraws afterwards; the next edit starts from
  // a fresh sum.
  block_sum_.reset();
  Notify(HexViewChange::Texts);
}

void HexView::SetScrollMaximum(std::uint32_t maximum) {
  scroll_maximum_ = maximum;
  scroll_position_ = std::min(scroll_position_, maximum);
  Notify(HexViewChange::ScrollBar);
}

void HexView::SetScrollPosition(std::uint32_t position) {
  scroll_position_ = std::min(position, scroll_maximum_);
  Notify(HexViewChange::ScrollBar);
}

void HexView::Scroll(std::uint32_t position) {
  scroll_position_ = std::min(position, scroll_maximum_);
  ram_.ViewTop = ViewTopForScroll(scroll_position_, ram_.DataLen, visible_rows_);
  AlignView();
  RedrawHexView();
}

std::optional<std::uint32_t> HexView::NextDigit(std::uint32_t from) const {
  const std::string& hex = texts_.hex;
  for (std::size_t i = from; i < hex.size(); ++i) {
    if (IsHexDigit(hex[i])) return static_cast<std::uint32_t>(i);
  }
  return std::nullopt;
}

void HexView::Click(std::uint32_t caret) {
  selection_ = NextDigit(caret);
  Notify(HexViewChange::Selection);
}

std::optional<std::uint32_t> HexView::SelectedOffset() const {
  if (!selection_) return std::nullopt;
  return drawn_top_ + HexPositionAt(*selection_).byte;
}

std::optional<DigitPlace> HexView::SelectedPlace() const {
  if (!selection_) return std::nullopt;
  return HexPositionAt(*selection_).place;
}

std::uint32_t HexView::BlockSum() {
  if (!block_sum_ || sum_block_ != ram_.Data.data() || sum_block_size_ != ram_.Data.size()) {
    block_sum_ = ByteSum(0, ram_.Data);
    sum_block_ = ram_.Data.data();
    sum_block_size_ = ram_.Data.size();
  }
  return *block_sum_;
}

KeyOutcome HexView::KeyDown(std::uint32_t virtual_key) {
  if (!selection_) return KeyOutcome::Ignored;
  const char key = VirtualKeyChar(virtual_key);
  if (!IsHexDigit(key)) return KeyOutcome::Ignored;

  const std::uint32_t p = *selection_;
  const HexPosition at = HexPositionAt(p);
  // The selection only ever rests on a digit; a blank would leave the
  // buffer alone anyway, so the text is left alone too.
  if (at.place == DigitPlace::Separator) return KeyOutcome::Ignored;
  // The edit goes to the byte the operator sees: the row drawn last, not a
  // ViewTop someone moved since without redrawing. A byte that is no longer
  // shown (the buffer was cut or re-created under the view) is not written.
  const std::uint64_t offset = static_cast<std::uint64_t>(drawn_top_) + at.byte;
  if (offset >= ram_.ShownLength() || p >= texts_.hex.size()) return KeyOutcome::Ignored;

  const std::uint32_t sum_before = BlockSum();
  std::uint8_t& byte = ram_.Data[static_cast<std::size_t>(offset)];
  const std::uint8_t old_value = byte;
  const std::uint8_t v = HexDigitValue(key);
  byte = at.place == DigitPlace::High ? static_cast<std::uint8_t>((old_value & 0x0F) | (v << 4))
                                      : static_cast<std::uint8_t>((old_value & 0xF0) | v);
  block_sum_ = sum_before - old_value + byte;

  texts_.hex[p] = key;
  Notify(HexViewChange::Digit);

  selection_ = NextDigit(p + 1);
  Notify(HexViewChange::Selection);

  SetCheckSumText(CheckSumPanelText(*block_sum_));
  return KeyOutcome::Edited;
}

void HexView::SetCheckSumText(std::string text) {
  checksum_text_ = std::move(text);
  Notify(HexViewChange::CheckSum);
}

BufferResetOutcome ResetBufferAndView(HexView& view, std::uint32_t chip_size) {
  Ram_File_Info_Struct& ram = view.Ram();
  BufferResetOutcome outcome;
  outcome.status = ResetBuffer(ram, chip_size);
  if (outcome.status != BufferStatus::Ok) return outcome;
  outcome.sum = ByteSum(0, ram.Data);
  view.SetCheckSumText(CheckSumPanelText(outcome.sum));
  view.SetScrollMaximum(ram.DataLen);
  view.AlignView();
  view.RedrawHexView();
  return outcome;
}

}  // namespace tessary
