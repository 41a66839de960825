// The Buffer menu's tools on the data buffer: fill a range with one value or
// random bytes, go to an offset, find a byte sequence and its next
// occurrence; the set-ups of the value dialog (TfrmFileEdit) they share, and
// the reading of the hexadecimal numbers typed into it.
//
// Every offset here is a buffer offset; RamStartAddr plays no part. These
// functions take the dialog's field texts and decide everything; the dialog
// only shows a FileEditSetup and passes its fields back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/language_texts.h"
#include "base/operation_log.h"
#include "base/operator_panel.h"
#include "buffer/data_buffer.h"
#include "buffer/hex_view.h"
#include "catalogue/chip_record.h"

namespace tessary {

// What the buffer's tools and file commands work on: the buffer and its
// view, the current chip (its size bounds the buffer; a load sets its
// RamStartAddr), where they report, and the language of the reports. Made
// for each call from the whole program's context; passed as const, since
// what it refers to is what changes.
struct BufferParts {
  Ram_File_Info_Struct& ram;
  HexView& hex;
  Prj_Info_Struct& chip;
  OperationLog& log;
  OperatorPanel& panel;
  const Dev_Language_Struct& texts;
  std::int32_t language = kLanguageSimplifiedChinese;
};

// The dialog's Tag: what its OK button does.
enum class FileEditMode : std::uint8_t { Import = 0, Fill = 1, Goto = 2, Find = 3 };

// Everything a set-up decides about the value dialog. Texts are UTF-8.
struct FileEditSetup {
  FileEditMode mode = FileEditMode::Import;
  std::string caption;
  // lbeInputValue1..3: label, text, shown, enabled; a maximum length of 0
  // leaves the edit's own limit.
  std::string label1, value1;
  std::string label2, value2;
  bool value2_visible = false;
  bool value2_enabled = false;
  std::string label3, value3;
  bool value3_visible = false;
  bool value3_enabled = false;
  int value3_max_length = 0;
  // chkInputValueRandom
  std::string random_caption;
  bool random_visible = false;
  bool random_checked = false;
  // btnFileInportOK / btnFileInportCancel
  std::string ok;
  std::string cancel;
};

// What the operator left in the dialog when pressing OK.
struct FileEditFields {
  std::string value1{}, value2{}, value3{};
  bool random = false;
};

// Caret positions in the hexadecimal pane (reDownFile) to select: the
// digits of a match and the blanks between them.
struct HexRange {
  std::uint32_t start = 0;
  std::uint32_t length = 0;

  friend bool operator==(const HexRange&, const HexRange&) = default;
};

// What the dialog does after its OK button.
struct FileEditResult {
  // False when a field was not a number: the operator has been told, nothing
  // changed, and the dialog stays open for a correction.
  bool close = true;
  // After a find with a match: give reDownFile the focus and select this.
  std::optional<HexRange> select{};
};

// --- Hexadecimal numbers typed by the operator ---

// The text read as the program always read these fields, "$" + text as a
// signed 32-bit number: hexadecimal digits in either case, at most 32 bits of
// value (so "FFFFFFFF" is -1 and leading zeros are free). Nothing for an
// empty text, any other character (blanks too), or a value wider than 32
// bits.
[[nodiscard]] std::optional<std::int32_t> ParseHexNumber(std::string_view text);

// The operator's message for a text ParseHexNumber refused.
[[nodiscard]] std::string HexNumberError(std::string_view text);

// ParseHexNumber as an unsigned offset; on failure the message box (with the
// program's caption) has been shown and nothing is returned.
[[nodiscard]] std::optional<std::uint32_t> ReadHexOffset(const BufferParts& parts,
                                                         std::string_view text);

// The bytes a fill, find or load may touch: ChipSize, but never past the
// block that exists.
[[nodiscard]] std::uint32_t BufferLimit(const Ram_File_Info_Struct& ram,
                                        const Prj_Info_Struct& chip);

// --- Random fill ---

// The pseudo-random bytes of the random fill: seeded once, from the clock,
// when it is made (at start-up), so every run of the tool gives new bytes
// and a virtual clock gives the same bytes every test run.
class RandomByteSource {
 public:
  explicit RandomByteSource(const Clock& clock);
  [[nodiscard]] std::uint8_t Next();

 private:
  std::mt19937 engine_;
};

// --- Fill ---

struct FillRequest {
  std::uint32_t start = 0;
  std::uint32_t count = 0;
  std::uint8_t value = 0;
  bool random = false;
};

// Fills [start, min(start + count, ChipSize)) with the value or fresh random
// bytes, raises DataLen (and the scroll range with it) to the end of the
// fill, puts the view at the row of start and redraws. A start past ChipSize
// only logs "hh:mm:ss 起始地址大于了芯片的容量，请确认！0x" + start and changes
// nothing. The checksum panel is not updated. False when refused.
bool FillBuffer(const BufferParts& parts, const FillRequest& request, RandomByteSource& random);

// The fill dialog's set-up (MenuBufferFillClick, sbBufferFill): texts from
// the BufferFill section of `language_file`, start 00000000, length
// `chip_size`, value 00 (two characters at most), random unchecked.
[[nodiscard]] FileEditSetup BufferFillSetup(const std::filesystem::path& language_file,
                                            std::uint32_t chip_size,
                                            const Dev_Language_Struct& texts);

// OK in fill mode: start, length and value (its low byte; not read when
// random is ticked) from the fields, then FillBuffer.
[[nodiscard]] FileEditResult BufferFillOk(const BufferParts& parts, const FileEditFields& fields,
                                          RandomByteSource& random);

// --- Go-to ---

// An offset before DataLen puts that row at the top of the view and redraws;
// any other only logs "hh:mm:ss 缓存区地址跳转，跳转地址过大！0x" + offset.
bool GotoBuffer(const BufferParts& parts, std::uint32_t offset);

// The go-to dialog's set-up (MenuBufferGotoClick): texts from BufferJump,
// target 00000000, the current ViewTop `view_top` shown but not editable.
[[nodiscard]] FileEditSetup BufferGotoSetup(const std::filesystem::path& language_file,
                                            std::uint32_t view_top,
                                            const Dev_Language_Struct& texts);

[[nodiscard]] FileEditResult BufferGotoOk(const BufferParts& parts, const FileEditFields& fields);

// --- Find ---

// The longest pattern, in hexadecimal digits.
inline constexpr std::size_t kFindPatternDigits = 2 * kFindPatternSize;

// The next match of FindPattern: from FindPos + 1, or from ViewTop when
// there is no current match; a candidate must start before DataLen and lie
// wholly inside the block. -1 when there is none (no wrap-around).
[[nodiscard]] std::int32_t FindNext(const Ram_File_Info_Struct& ram);

// The caret range of the digits of `length` bytes from buffer offset
// `offset` as a view drawn from `view_top` shows them, line breaks included.
[[nodiscard]] HexRange MatchRange(std::uint32_t view_top, std::uint32_t offset,
                                  std::uint32_t length);

// The find dialog's set-up (MenuBufferFindClick): texts from BufferFind,
// pattern FFFFFFFF, only the first field shown.
[[nodiscard]] FileEditSetup BufferFindSetup(const std::filesystem::path& language_file,
                                            const Dev_Language_Struct& texts);

// OK in find mode: the pattern is read two digits to a byte (an odd last
// digit is ignored), the search restarts from the view, and a match becomes
// FindPos, the row at the top of the view and the selected digits. A pattern
// with a character other than a hexadecimal digit, or longer than 256
// bytes, is refused with a message and changes nothing.
[[nodiscard]] FileEditResult BufferFindOk(const BufferParts& parts, const FileEditFields& fields);

// Find next (MenuBufferFindNext): the next match after FindPos, shown like a
// find's; nothing when there is no pattern or no further match.
[[nodiscard]] std::optional<HexRange> FindNextMatch(const BufferParts& parts);

}  // namespace tessary
