// Chip insertion, image loading and saving, cell kinds, faults and NAND
// block geometry.
#include "sim/chip_socket.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace tessary::sim {
namespace {

// Chip type codes of 0x39 whose chips the host erases by filling with 0xFF:
// 24, 25, 93 and 95 series EEPROMs.
bool IsFillErasedEeprom(std::uint8_t chip_type) {
  return chip_type == 2 || chip_type == 3 || chip_type == 5 || chip_type == 6;
}

constexpr std::uint32_t kEepromIdTopByte = 0x24;
constexpr std::size_t kSavePiece = 64 * 1024;

}  // namespace

CellKind DefaultCells(const ChipConfig& chip, std::optional<std::uint8_t> told_chip_type) {
  if (chip.cells) return *chip.cells;
  if (chip.block_size > 0) return CellKind::Nand;
  if ((chip.id_code >> 24) == kEepromIdTopByte) return CellKind::Eeprom;
  if (told_chip_type && IsFillErasedEeprom(*told_chip_type)) return CellKind::Eeprom;
  return CellKind::Flash;
}

void ChipSocket::Insert(const ChipConfig& chip) {
  chip_ = chip;
  memory_ = ChipMemory(chip.capacity);
  bad_blocks_ = std::set<std::uint32_t>(chip.bad_blocks.begin(), chip.bad_blocks.end());
  stuck_.clear();
  for (const StuckBits& stuck : chip.stuck_bits) {
    StuckMask& mask = stuck_[stuck.address];
    if (stuck.level) {
      mask.ones = static_cast<std::uint8_t>(mask.ones | stuck.mask);
      mask.zeros = static_cast<std::uint8_t>(mask.zeros & ~stuck.mask);
    } else {
      mask.zeros = static_cast<std::uint8_t>(mask.zeros | stuck.mask);
      mask.ones = static_cast<std::uint8_t>(mask.ones & ~stuck.mask);
    }
  }
  if (!chip.image.empty()) {
    // A persistent chip's image may not exist yet: the chip then starts erased.
    std::ifstream in(chip.image, std::ios::binary);
    const std::vector<std::uint8_t> contents{std::istreambuf_iterator<char>(in),
                                             std::istreambuf_iterator<char>()};
    memory_.Load(0, contents);
  }
}

void ChipSocket::Remove() {
  chip_.reset();
  memory_ = ChipMemory();
  bad_blocks_.clear();
  stuck_.clear();
}

std::uint32_t ChipSocket::block_count() const {
  return is_nand() ? chip_->capacity / chip_->block_size : 0;
}

void ChipSocket::Read(std::uint32_t address, std::span<std::uint8_t> out) const {
  memory_.Read(address, out);
  const std::uint64_t end = std::uint64_t{address} + out.size();
  for (auto it = stuck_.lower_bound(address); it != stuck_.end() && it->first < end; ++it) {
    std::uint8_t& cell = out[it->first - address];
    cell = static_cast<std::uint8_t>((cell & ~it->second.zeros) | it->second.ones);
  }
}

bool ChipSocket::Program(std::uint32_t address, std::span<const std::uint8_t> data,
                         CellKind cells) {
  if (!has_chip()) return false;
  // A block may run past the end with padding: only data meant for cells
  // that do not exist is refused.
  const std::uint64_t end = std::uint64_t{address} + data.size();
  bool accepted = address < chip_->capacity || data.empty();
  if (accepted && end > chip_->capacity) {
    const auto beyond = data.subspan(static_cast<std::size_t>(chip_->capacity - address));
    accepted = std::all_of(beyond.begin(), beyond.end(), [](std::uint8_t b) { return b == 0xFF; });
  }
  if (chip_->write_protect) return accepted;
  const auto store = [&](std::uint32_t at, std::span<const std::uint8_t> piece) {
    if (cells == CellKind::Eeprom) {
      memory_.Load(at, piece);
    } else {
      memory_.Program(at, piece);
    }
  };
  if (!is_nand()) {
    store(address, data);
    return accepted;
  }
  // Piece by erase block, so that a bad block refuses only its own part.
  const std::uint64_t inside_end = std::min<std::uint64_t>(end, chip_->capacity);
  for (std::uint64_t at = address; at < inside_end;) {
    const std::uint32_t block = static_cast<std::uint32_t>(at / chip_->block_size);
    const std::uint64_t piece_end =
        std::min<std::uint64_t>((std::uint64_t{block} + 1) * chip_->block_size, inside_end);
    if (IsBadBlock(block)) {
      accepted = false;
    } else {
      store(static_cast<std::uint32_t>(at),
            data.subspan(static_cast<std::size_t>(at - address),
                         static_cast<std::size_t>(piece_end - at)));
    }
    at = piece_end;
  }
  return accepted;
}

void ChipSocket::EraseChip() {
  if (!has_chip() || chip_->write_protect) return;
  if (!is_nand() || bad_blocks_.empty()) {
    memory_.EraseAll();
    return;
  }
  for (std::uint32_t block = 0; block < block_count(); ++block) {
    if (!IsBadBlock(block)) memory_.Erase(block * chip_->block_size, chip_->block_size);
  }
}

bool ChipSocket::EraseBlockAt(std::uint32_t address) {
  if (!is_nand() || address >= chip_->capacity) return false;
  const std::uint32_t block = address / chip_->block_size;
  if (IsBadBlock(block)) return false;
  if (!chip_->write_protect) memory_.Erase(block * chip_->block_size, chip_->block_size);
  return true;
}

bool ChipSocket::SaveImage(std::string& error) const {
  if (!has_chip() || !chip_->persist || chip_->image.empty()) return true;
  // Through a symbolic link to the file it names, so the link stays a link.
  std::error_code status;
  std::filesystem::path target = std::filesystem::weakly_canonical(chip_->image, status);
  if (status) target = chip_->image;
  std::filesystem::path temporary = target;
  temporary += ".saving";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      error = "cannot write \"" + temporary.string() + "\": " + std::strerror(errno);
      return false;
    }
    std::array<std::uint8_t, kSavePiece> piece;
    for (std::uint64_t at = 0; at < chip_->capacity && out; at += kSavePiece) {
      const std::size_t n =
          static_cast<std::size_t>(std::min<std::uint64_t>(kSavePiece, chip_->capacity - at));
      Read(static_cast<std::uint32_t>(at), std::span(piece).first(n));
      out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(n));
    }
    out.close();
    if (!out) {
      error = "cannot write \"" + temporary.string() + "\": " + std::strerror(errno);
      std::filesystem::remove(temporary, status);
      return false;
    }
  }
  // Keep the permissions of the file being replaced.
  if (const auto old = std::filesystem::status(target, status); !status && exists(old))
    std::filesystem::permissions(temporary, old.permissions(), status);
  std::filesystem::rename(temporary, target, status);
  if (status) {
    error = "cannot replace \"" + target.string() + "\": " + status.message();
    std::filesystem::remove(temporary, status);
    return false;
  }
  return true;
}

}  // namespace tessary::sim
