// The data buffer: block re-creation, the byte sum and its panel texts.
#include "buffer/data_buffer.h"

#include <cstdio>
#include <new>
#include <stdexcept>

namespace tessary {

std::string_view DescribeBufferStatus(BufferStatus status) {
  switch (status) {
    case BufferStatus::Ok:
      return "buffer ready";
    case BufferStatus::TooLarge:
      return "the chip is too large for a buffer in this program";
    case BufferStatus::OutOfMemory:
      return "not enough memory for the chip buffer";
  }
  return "buffer error";
}

BufferStatus RecreateBlock(Ram_File_Info_Struct& ram, std::uint32_t size, std::uint8_t fill) {
  std::vector<std::uint8_t> block;
  if (size > block.max_size()) return BufferStatus::TooLarge;
  // Build the new block before letting go of the old one, so a failed
  // allocation leaves the operator's data where it was.
  try {
    block.assign(size, fill);
  } catch (const std::bad_alloc&) {
    return BufferStatus::OutOfMemory;
  } catch (const std::length_error&) {
    return BufferStatus::TooLarge;
  }
  ram.Data.swap(block);
  ram.DataLen = size;
  return BufferStatus::Ok;
}

BufferStatus ResetBuffer(Ram_File_Info_Struct& ram, std::uint32_t chip_size) {
  const BufferStatus status = RecreateBlock(ram, chip_size, kErasedByte);
  if (status == BufferStatus::Ok) ram.ViewTop = 0;
  return status;
}

std::uint32_t ByteSum(std::uint32_t initial, std::span<const std::uint8_t> bytes) {
  // A plain loop: it runs at memory speed, and the compiler vectorises it
  // where the optimisation level allows.
  std::uint32_t sum = initial;
  for (const std::uint8_t byte : bytes) sum += byte;
  return sum;
}

std::string Hex8(std::uint32_t value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(value));
  return std::string(digits, 8);
}

std::string CheckSumPanelText(std::uint32_t sum) { return "CheckSum:" + Hex8(sum) + "H"; }

std::string OpenCheckSumPanelText(std::uint32_t sum) { return "CheckSum:0x" + Hex8(sum) + "H"; }

std::string ImportCheckSumPanelText(std::uint32_t sum) { return "CHECKSUM:0x" + Hex8(sum); }

std::string RunCounterText(std::int32_t succeeded, std::int32_t failed) {
  return "Suc:" + std::to_string(succeeded) + "  Fal:" + std::to_string(failed);
}

}  // namespace tessary
