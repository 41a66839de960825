// The NAND bad-block table: what the programmer's last bad-block scan found,
// and the rule by which writes, reads and block erases step over bad blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "catalogue/chip_record.h"

namespace tessary {

// Blocks beyond this index have no flag and count as good.
inline constexpr std::size_t kBadBlockFlagCount = 8192;

struct BadBlockTable {
  std::int32_t BlockCount = 0;
  std::int32_t GoodCount = 0;
  std::array<std::uint8_t, kBadBlockFlagCount> Flags{};  // 1 = bad block, 0 = good

  [[nodiscard]] bool HasBadBlocks() const { return BlockCount != GoodCount; }

  [[nodiscard]] bool IsBad(std::uint64_t block) const {
    return block < Flags.size() && Flags[static_cast<std::size_t>(block)] != 0;
  }
};

// True when the NAND skip applies to the block holding chip `address`: a
// "NAND FLASH" chip, skipping ticked, a table that found bad blocks, and the
// block's flag set. A chip without a block size has nothing to skip.
[[nodiscard]] inline bool IsSkippedBlock(const BadBlockTable& table, bool skip_bad_blocks,
                                         const Prj_Info_Struct& chip, std::uint64_t address) {
  if (!skip_bad_blocks || chip.ChipType != ChipTypeId::NandFlash) {
    return false;
  }
  if (chip.BlockSize == 0 || !table.HasBadBlocks()) return false;
  return table.IsBad(address / chip.BlockSize);
}

}  // namespace tessary
