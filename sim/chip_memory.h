// The cell array of one simulated memory chip. Erased cells read 0xFF;
// Program can only clear bits (new = old & data), as in flash, and Load
// overwrites (EEPROM cells, start-up images). Storage
// is allocated in chunks on first programming, so a large, mostly erased
// chip costs little memory and a full erase is instant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tessary::sim {

class ChipMemory {
 public:
  explicit ChipMemory(std::uint32_t capacity = 0);

  [[nodiscard]] std::uint32_t capacity() const { return capacity_; }

  // Addresses never wrap: cells at or past the capacity do not exist, so
  // they read 0xFF and data for them is dropped.
  void Read(std::uint32_t address, std::span<std::uint8_t> out) const;
  void Program(std::uint32_t address, std::span<const std::uint8_t> data);

  // Sets `length` cells from `address` (no wrap, clipped at the end) to 0xFF.
  void Erase(std::uint32_t address, std::uint32_t length);
  void EraseAll();

  // Writes cells as they are (not ANDed).
  void Load(std::uint32_t address, std::span<const std::uint8_t> data);

  // The whole contents, for tests.
  [[nodiscard]] std::vector<std::uint8_t> Snapshot() const;

 private:
  static constexpr std::uint32_t kChunkSize = 64 * 1024;
  using Chunk = std::unique_ptr<std::uint8_t[]>;

  template <typename Combine>
  void Store(std::uint32_t address, std::span<const std::uint8_t> data, Combine combine);
  std::uint8_t* ChunkFor(std::uint32_t address);

  std::uint32_t capacity_;
  std::vector<Chunk> chunks_;  // null: every cell of the chunk erased
};

}  // namespace tessary::sim
