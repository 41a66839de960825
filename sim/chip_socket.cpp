// Chip insertion, image loading and NAND block geometry.
#include "sim/chip_socket.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace tessary::sim {

void ChipSocket::Insert(const ChipConfig& chip) {
  chip_ = chip;
  memory_ = ChipMemory(chip.capacity);
  bad_blocks_ = std::set<std::uint32_t>(chip.bad_blocks.begin(), chip.bad_blocks.end());
  if (!chip.image.empty()) {
    std::ifstream in(chip.image, std::ios::binary);
    const std::vector<std::uint8_t> contents{std::istreambuf_iterator<char>(in),
                                             std::istreambuf_iterator<char>()};
    memory_.Load(0,
                 std::span(contents).first(std::min<std::size_t>(contents.size(), chip.capacity)));
  }
}

void ChipSocket::Remove() {
  chip_.reset();
  memory_ = ChipMemory();
  bad_blocks_.clear();
}

std::uint32_t ChipSocket::block_count() const {
  return is_nand() ? chip_->capacity / chip_->block_size : 0;
}

bool ChipSocket::EraseBlockAt(std::uint32_t address) {
  if (!is_nand()) return false;
  const std::uint32_t block = (address % chip_->capacity) / chip_->block_size;
  if (IsBadBlock(block)) return false;
  memory_.Erase(block * chip_->block_size, chip_->block_size);
  return true;
}

}  // namespace tessary::sim
