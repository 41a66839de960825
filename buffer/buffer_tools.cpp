// Fill, go-to and find on the data buffer, and the value dialog's set-ups.
#include "buffer/buffer_tools.h"

#include <algorithm>
#include <cstring>

#include "base/language_files.h"
#include "base/profile_file.h"
#include "buffer/hex_view.h"

namespace tessary {
namespace {

// The view after a tool moved it: the row of `offset` on top, redrawn.
void ShowRowOf(const BufferParts& parts, std::uint32_t offset) {
  parts.ram.ViewTop = AlignToRow(offset);
  parts.hex.AlignView();
  parts.hex.RedrawHexView();
}

// A find's match on screen: FindPos, the row on top, the digits selected.
// The first digit also becomes the view's own selection, so typing after a
// find edits the match as it did when the selection was the pane's.
HexRange ShowMatch(const BufferParts& parts, std::int32_t pos) {
  Ram_File_Info_Struct& ram = parts.ram;
  ram.FindPos = pos;
  ShowRowOf(parts, static_cast<std::uint32_t>(pos));
  const HexRange range = MatchRange(ram.ViewTop, static_cast<std::uint32_t>(pos), ram.FindLen);
  parts.hex.Click(range.start);
  return range;
}

}  // namespace

// --- Numbers ---

std::optional<std::int32_t> ParseHexNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (!IsHexDigit(c)) return std::nullopt;
    value = value * 16 + HexDigitValue(c);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  // Values from 0x80000000 up read as negative numbers, as they always did;
  // callers that want offsets take the same 32 bits unsigned.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::string HexNumberError(std::string_view text) {
  return "\"" + std::string(text) +
         "\" is not a hexadecimal number. Type 1 to 8 digits 0-9 or A-F, without a prefix.";
}

std::optional<std::uint32_t> ReadHexOffset(const BufferParts& parts, std::string_view text) {
  const std::optional<std::int32_t> value = ParseHexNumber(text);
  if (!value) {
    // Discarded: an OK-only message: there is no answer to act on.
    (void)parts.panel.ShowMessage(HexNumberError(text), parts.texts.MainSoftWareInfo,
                                  MessageKind::Error);
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(*value);
}

std::uint32_t BufferLimit(const Ram_File_Info_Struct& ram, const Prj_Info_Struct& chip) {
  const std::size_t block = ram.Data.size();
  return block < chip.ChipSize ? static_cast<std::uint32_t>(block) : chip.ChipSize;
}

// --- Random fill ---

RandomByteSource::RandomByteSource(const Clock& clock) {
  const std::uint64_t now = clock.NowMicroseconds();
  const std::tm local = clock.LocalTime();
  std::seed_seq seed{
      static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32),
      static_cast<std::uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec)};
  engine_.seed(seed);
}

std::uint8_t RandomByteSource::Next() { return static_cast<std::uint8_t>(engine_() >> 24); }

// --- Fill ---

bool FillBuffer(const BufferParts& parts, const FillRequest& request, RandomByteSource& random) {
  Ram_File_Info_Struct& ram = parts.ram;
  const std::uint32_t limit = BufferLimit(ram, parts.chip);
  if (request.start > limit) {
    parts.log.AddPlainLine(parts.log.TimeStamp() + "起始地址大于了芯片的容量，请确认！0x" +
                         Hex8(request.start));
    return false;
  }
  // In 64 bits: a start and a length that pass 4 GiB together still end at
  // the chip's end, not somewhere below the start.
  const std::uint64_t wanted = std::uint64_t{request.start} + request.count;
  const auto end = static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, limit));
  if (end > ram.DataLen) {
    ram.DataLen = end;
    // The scroll bar has to reach the bytes the fill added.
    if (parts.hex.ScrollMaximum() < end) parts.hex.SetScrollMaximum(end);
  }
  std::uint8_t* const data = ram.Data.data();
  if (request.random) {
    for (std::uint32_t i = request.start; i < end; ++i) data[i] = random.Next();
  } else if (end > request.start) {
    std::memset(data + request.start, request.value, end - request.start);
  }
  ShowRowOf(parts, request.start);
  return true;
}

FileEditSetup BufferFillSetup(const std::filesystem::path& language_file, std::uint32_t chip_size,
                              const Dev_Language_Struct& texts) {
  const ProfileFile file(language_file);
  FileEditSetup setup;
  setup.mode = FileEditMode::Fill;
  setup.caption = ReadDialogText(file, "BufferFill", "FillDialogTitle");
  setup.label1 = ReadDialogText(file, "BufferFill", "FillStartAddr");
  setup.value1 = "00000000";
  setup.label2 = ReadDialogText(file, "BufferFill", "FillLen");
  setup.value2 = Hex8(chip_size);
  setup.value2_visible = true;
  setup.value2_enabled = true;
  setup.label3 = ReadDialogText(file, "BufferFill", "FillValue");
  setup.value3 = "00";
  setup.value3_visible = true;
  setup.value3_enabled = true;
  setup.value3_max_length = 2;
  setup.random_caption = ReadDialogText(file, "BufferFill", "FillRandom");
  setup.random_visible = true;
  setup.random_checked = false;
  setup.ok = texts.OK;
  setup.cancel = texts.Cancel;
  return setup;
}

FileEditResult BufferFillOk(const BufferParts& parts, const FileEditFields& fields,
                            RandomByteSource& random) {
  FillRequest request;
  request.random = fields.random;
  const std::optional<std::uint32_t> start = ReadHexOffset(parts, fields.value1);
  if (!start) return {.close = false};
  const std::optional<std::uint32_t> count = ReadHexOffset(parts, fields.value2);
  if (!count) return {.close = false};
  // The value field is disabled while random is ticked; what it holds then
  // is not the operator's concern.
  if (!fields.random) {
    const std::optional<std::uint32_t> value = ReadHexOffset(parts, fields.value3);
    if (!value) return {.close = false};
    request.value = static_cast<std::uint8_t>(*value & 0xFF);
  }
  request.start = *start;
  request.count = *count;
  (void)FillBuffer(parts, request, random);  // a refusal is logged
  return {};
}

// --- Go-to ---

bool GotoBuffer(const BufferParts& parts, std::uint32_t offset) {
  if (offset >= parts.ram.ShownLength()) {
    parts.log.AddPlainLine(parts.log.TimeStamp() + "缓存区地址跳转，跳转地址过大！0x" + Hex8(offset));
    return false;
  }
  ShowRowOf(parts, offset);
  return true;
}

FileEditSetup BufferGotoSetup(const std::filesystem::path& language_file, std::uint32_t view_top,
                              const Dev_Language_Struct& texts) {
  const ProfileFile file(language_file);
  FileEditSetup setup;
  setup.mode = FileEditMode::Goto;
  setup.caption = ReadDialogText(file, "BufferJump", "BufferJumpTitle");
  setup.label1 = ReadDialogText(file, "BufferJump", "BufferJumpAddr");
  setup.value1 = "00000000";
  setup.label2 = ReadDialogText(file, "BufferJump", "BufferCurrentAddr");
  setup.value2 = Hex8(view_top);
  setup.value2_visible = true;
  setup.value2_enabled = false;
  setup.ok = texts.OK;
  setup.cancel = texts.Cancel;
  return setup;
}

FileEditResult BufferGotoOk(const BufferParts& parts, const FileEditFields& fields) {
  const std::optional<std::uint32_t> offset = ReadHexOffset(parts, fields.value1);
  if (!offset) return {.close = false};
  (void)GotoBuffer(parts, *offset);  // a refusal is logged
  return {};
}

// --- Find ---

std::int32_t FindNext(const Ram_File_Info_Struct& ram) {
  const std::size_t length = ram.FindLen;
  if (length == 0 || length > kFindPatternSize) return -1;
  const std::uint64_t start =
      ram.FindPos != -1 ? static_cast<std::uint64_t>(static_cast<std::uint32_t>(ram.FindPos)) + 1
                        : ram.ViewTop;
  const std::uint64_t data_len = ram.ShownLength();
  const std::uint64_t block = ram.Data.size();
  if (block < length) return -1;
  // A match may reach past DataLen into the rest of the block, never past it.
  const std::uint64_t last_start = std::min(data_len, block - length + 1);
  const std::uint8_t* const data = ram.Data.data();
  const std::uint8_t first = ram.FindPattern[0];
  for (std::uint64_t i = start; i < last_start; ++i) {
    if (data[i] == first && std::memcmp(data + i, ram.FindPattern.data(), length) == 0) {
      return static_cast<std::int32_t>(i);
    }
  }
  return -1;
}

HexRange MatchRange(std::uint32_t view_top, std::uint32_t offset, std::uint32_t length) {
  if (length == 0) return {};
  const std::uint32_t first = offset - view_top;
  const std::uint32_t start = PositionOf({first, DigitPlace::High});
  const std::uint32_t end = PositionOf({first + length - 1, DigitPlace::Low}) + 1;
  return {start, end - start};
}

FileEditSetup BufferFindSetup(const std::filesystem::path& language_file,
                              const Dev_Language_Struct& texts) {
  const ProfileFile file(language_file);
  FileEditSetup setup;
  setup.mode = FileEditMode::Find;
  setup.caption = ReadDialogText(file, "BufferFind", "BufferFindTitle");
  setup.label1 = ReadDialogText(file, "BufferFind", "BufferFindValue");
  setup.value1 = "FFFFFFFF";
  setup.value2_visible = false;
  setup.value2_enabled = false;
  setup.ok = texts.OK;
  setup.cancel = texts.Cancel;
  return setup;
}

FileEditResult BufferFindOk(const BufferParts& parts, const FileEditFields& fields) {
  Ram_File_Info_Struct& ram = parts.ram;
  const std::string_view text = fields.value1;
  const std::size_t length = text.size() / 2;
  if (length > kFindPatternSize) {
    // Discarded: an OK-only message: there is no answer to act on.
    (void)parts.panel.ShowMessage(parts.texts.LogFindTooLong + std::to_string(text.size()),
                                  parts.texts.MainSoftWareInfo, MessageKind::Error);
    return {.close = false};
  }
  if (!std::all_of(text.begin(), text.end(), IsHexDigit)) {
    // Discarded: an OK-only message: there is no answer to act on.
    (void)parts.panel.ShowMessage(parts.texts.LogFindNotHex + "\"" + std::string(text) + "\"",
                                  parts.texts.MainSoftWareInfo, MessageKind::Error);
    return {.close = false};
  }
  ram.FindLen = static_cast<std::uint16_t>(length);
  for (std::size_t i = 0; i < length; ++i) {
    ram.FindPattern[i] =
        static_cast<std::uint8_t>(HexDigitValue(text[2 * i]) * 16 + HexDigitValue(text[2 * i + 1]));
  }
  ram.FindPos = -1;
  if (length == 0) return {};
  const std::int32_t pos = FindNext(ram);
  if (pos == -1) return {};
  return {.close = true, .select = ShowMatch(parts, pos)};
}

std::optional<HexRange> FindNextMatch(const BufferParts& parts) {
  Ram_File_Info_Struct& ram = parts.ram;
  if (ram.FindLen == 0) {
    ram.FindPos = -1;
    return std::nullopt;
  }
  const std::int32_t pos = FindNext(ram);
  if (pos == -1) return std::nullopt;
  return ShowMatch(parts, pos);
}

}  // namespace tessary
