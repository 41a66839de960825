// One socket of the simulated programmer: empty, or holding a chip with its
// identification code, geometry, bad blocks, faults and cells.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>

#include "sim/chip_memory.h"
#include "sim/simulator_config.h"

namespace tessary::sim {

// The cell kind of a chip whose config does not name one: NAND when it has
// erase blocks; EEPROM when its ID has the 24-series top byte 0x24 or the
// host has set up one of the EEPROM types that are erased by filling (chip
// type codes 2, 3, 5 and 6 of 0x39); flash otherwise.
[[nodiscard]] CellKind DefaultCells(const ChipConfig& chip,
                                    std::optional<std::uint8_t> told_chip_type);

class ChipSocket {
 public:
  ChipSocket() = default;
  explicit ChipSocket(const std::optional<ChipConfig>& chip) {
    if (chip) Insert(*chip);
  }

  // Puts a fresh chip in (replacing any other). Its cells come from the
  // image file the config names, when that can be read; else they are all
  // 0xFF.
  void Insert(const ChipConfig& chip);
  void Remove();

  [[nodiscard]] bool has_chip() const { return chip_.has_value(); }
  // Only valid while has_chip().
  [[nodiscard]] const ChipConfig& chip() const { return *chip_; }
  // The bare cell array, without the chip's faults: for tests that lay in
  // or inspect contents directly.
  [[nodiscard]] ChipMemory& memory() { return memory_; }
  [[nodiscard]] const ChipMemory& memory() const { return memory_; }

  [[nodiscard]] bool is_nand() const { return has_chip() && chip_->block_size > 0; }
  [[nodiscard]] std::uint32_t block_count() const;
  [[nodiscard]] bool IsBadBlock(std::uint32_t block) const { return bad_blocks_.count(block) != 0; }
  [[nodiscard]] const std::set<std::uint32_t>& bad_blocks() const { return bad_blocks_; }

  // What the programmer reads from the chip: 0xFF past the capacity or with
  // no chip, stuck bits at their level.
  void Read(std::uint32_t address, std::span<std::uint8_t> out) const;

  // Programs data as the cells take it. False when part of it was refused
  // and not written: data other than 0xFF padding for cells at or past the
  // capacity, or (NAND) for a bad block. A write-protected chip
  // acknowledges and keeps its contents.
  [[nodiscard]] bool Program(std::uint32_t address, std::span<const std::uint8_t> data,
                             CellKind cells);

  // A whole-chip erase: every cell 0xFF, except in bad NAND blocks and on a
  // write-protected chip.
  void EraseChip();

  // Erases the NAND block that holds `address`. False (nothing erased) for
  // a bad block, an address at or past the capacity or a chip that is not
  // NAND.
  [[nodiscard]] bool EraseBlockAt(std::uint32_t address);

  // With Persist set, writes the chip's contents (as the programmer would
  // read them) to its image file, through a temporary file in the same
  // folder that then replaces it. True when there was nothing to do.
  [[nodiscard]] bool SaveImage(std::string& error) const;

 private:
  struct StuckMask {
    std::uint8_t zeros = 0;
    std::uint8_t ones = 0;
  };

  std::optional<ChipConfig> chip_;
  ChipMemory memory_;
  std::set<std::uint32_t> bad_blocks_;
  std::map<std::uint32_t, StuckMask> stuck_;
};

}  // namespace tessary::sim
