// One socket of the simulated programmer: empty, or holding a chip with its
// identification code, geometry, bad blocks and cells.
#pragma once

#include <cstdint>
#include <optional>
#include <set>

#include "sim/chip_memory.h"
#include "sim/simulator_config.h"

namespace tessary::sim {

class ChipSocket {
 public:
  ChipSocket() = default;
  explicit ChipSocket(const std::optional<ChipConfig>& chip) {
    if (chip) Insert(*chip);
  }

  // Puts a chip in (replacing any other). Its cells come from the image
  // file the config names, when that can be read; else they are all 0xFF.
  void Insert(const ChipConfig& chip);
  void Remove();

  [[nodiscard]] bool has_chip() const { return chip_.has_value(); }
  // Only valid while has_chip().
  [[nodiscard]] const ChipConfig& chip() const { return *chip_; }
  [[nodiscard]] ChipMemory& memory() { return memory_; }
  [[nodiscard]] const ChipMemory& memory() const { return memory_; }

  [[nodiscard]] bool is_nand() const { return has_chip() && chip_->block_size > 0; }
  [[nodiscard]] std::uint32_t block_count() const;
  [[nodiscard]] bool IsBadBlock(std::uint32_t block) const { return bad_blocks_.count(block) != 0; }
  [[nodiscard]] const std::set<std::uint32_t>& bad_blocks() const { return bad_blocks_; }

  // Erases the NAND block that holds `address`. False (nothing erased) for
  // a bad block or a chip that is not NAND.
  bool EraseBlockAt(std::uint32_t address);

 private:
  std::optional<ChipConfig> chip_;
  ChipMemory memory_;
  std::set<std::uint32_t> bad_blocks_;
};

}  // namespace tessary::sim
