// The in-memory image of one chip's contents and its additive checksum.
// Loaders, the buffer tools, the hex view and the operations all work on the
// one Ram_File_Info_Struct the main window owns.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// Largest pattern the buffer find keeps.
inline constexpr std::size_t kFindPatternSize = 256;

// What a freshly created block holds: the erased state of the chips.
inline constexpr std::uint8_t kErasedByte = 0xFF;

struct Ram_File_Info_Struct {
  // Path of the file whose bytes the buffer holds (the converted temporary
  // image after an Intel HEX or CAP load). Settings key SystemOption/File.
  std::string FileName;
  // 1 once a file has been opened or imported.
  std::uint8_t Loaded = 0;
  // The block. Its size is the chip capacity at the moment it was created;
  // everything that writes into it stays within Data.size().
  std::vector<std::uint8_t> Data;
  // Meaningful bytes from offset 0; never more than Data.size().
  std::uint32_t DataLen = 0;
  // Buffer offset of the first row of the hex view.
  std::uint32_t ViewTop = 0;
  std::array<std::uint8_t, kFindPatternSize> FindPattern{};
  std::uint16_t FindLen = 0;  // 0 = no pattern
  std::int32_t FindPos = -1;  // last match of the buffer find, -1 = none
  // Byte sum of the last file opened or imported.
  std::uint32_t CheckSum = 0;

  // The bytes from ViewTop to the end of the block: what the hex view's
  // first row starts with. Empty when ViewTop lies past the block. A view
  // rather than a stored pointer, so it can never outlive a re-created block.
  [[nodiscard]] std::span<std::uint8_t> View() {
    if (ViewTop >= Data.size()) return {};
    return std::span<std::uint8_t>(Data).subspan(ViewTop);
  }
  [[nodiscard]] std::span<const std::uint8_t> View() const {
    if (ViewTop >= Data.size()) return {};
    return std::span<const std::uint8_t>(Data).subspan(ViewTop);
  }

  // DataLen limited to the block, for readers that must not trust the two
  // to agree while another handler is half-way through changing them.
  [[nodiscard]] std::uint32_t ShownLength() const {
    return Data.size() < DataLen ? static_cast<std::uint32_t>(Data.size()) : DataLen;
  }
};

enum class BufferStatus : std::uint8_t {
  Ok,
  TooLarge,     // the size cannot be held by this process at all
  OutOfMemory,  // the allocation failed
};

// Operator-facing reason for a failed block creation (English; the caller
// adds the time stamp and colour).
[[nodiscard]] std::string_view DescribeBufferStatus(BufferStatus status);

// Releases the block and creates a new one of `size` bytes, all `fill`, with
// DataLen = size. On failure nothing changes: the old block, DataLen and
// ViewTop stay as they were. Used by the chip reset and the chip read.
[[nodiscard]] BufferStatus RecreateBlock(Ram_File_Info_Struct& ram, std::uint32_t size,
                                         std::uint8_t fill = kErasedByte);

// The buffer part of the chip change: a new block of `chip_size` bytes of
// 0xFF, DataLen = chip_size, ViewTop = 0. FileName, CheckSum, Loaded and the
// find state stay. On failure nothing changes.
[[nodiscard]] BufferStatus ResetBuffer(Ram_File_Info_Struct& ram, std::uint32_t chip_size);

// The additive checksum: `initial` plus every byte as 0..255, modulo 2^32.
// Loaders that read in pieces pass the running sum back in as `initial`.
[[nodiscard]] std::uint32_t ByteSum(std::uint32_t initial, std::span<const std::uint8_t> bytes);

// Status panel 3 after a buffer reset or a byte edit: "CheckSum:0000FF00H".
[[nodiscard]] std::string CheckSumPanelText(std::uint32_t sum);
// Status panel 3 after File > Open: "CheckSum:0x0000FF00H".
[[nodiscard]] std::string OpenCheckSumPanelText(std::uint32_t sum);
// Status panel 3 after a file import: "CHECKSUM:0x0000FF00".
[[nodiscard]] std::string ImportCheckSumPanelText(std::uint32_t sum);

// The run counters as stResult shows them: "Suc:0  Fal:0".
[[nodiscard]] std::string RunCounterText(std::int32_t succeeded, std::int32_t failed);

// An address or sum as 8 upper-case hexadecimal digits.
[[nodiscard]] std::string Hex8(std::uint32_t value);

}  // namespace tessary
