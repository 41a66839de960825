// Chunked cell array of a simulated chip.
#include "sim/chip_memory.h"

#include <algorithm>
#include <cstring>

namespace tessary::sim {

ChipMemory::ChipMemory(std::uint32_t capacity)
    : capacity_(capacity),
      chunks_((static_cast<std::size_t>(capacity) + kChunkSize - 1) / kChunkSize) {}

void ChipMemory::Read(std::uint32_t address, std::span<std::uint8_t> out) const {
  const std::size_t inside =
      address >= capacity_ ? 0 : std::min<std::size_t>(out.size(), std::size_t{capacity_} - address);
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(inside), out.end(), 0xFF);
  std::size_t at = address;
  for (std::size_t done = 0; done < inside;) {
    const std::size_t run = std::min<std::size_t>(inside - done, kChunkSize - at % kChunkSize);
    const Chunk& chunk = chunks_[at / kChunkSize];
    if (chunk) {
      std::memcpy(out.data() + done, chunk.get() + at % kChunkSize, run);
    } else {
      std::memset(out.data() + done, 0xFF, run);
    }
    done += run;
    at += run;
  }
}

std::uint8_t* ChipMemory::ChunkFor(std::uint32_t address) {
  Chunk& chunk = chunks_[address / kChunkSize];
  if (!chunk) {
    chunk = std::make_unique<std::uint8_t[]>(kChunkSize);
    std::memset(chunk.get(), 0xFF, kChunkSize);
  }
  return chunk.get();
}

template <typename Combine>
void ChipMemory::Store(std::uint32_t address, std::span<const std::uint8_t> data, Combine combine) {
  if (address >= capacity_) return;
  const std::size_t inside = std::min<std::size_t>(data.size(), std::size_t{capacity_} - address);
  std::uint32_t at = address;
  for (std::size_t i = 0; i < inside; ++i, ++at) {
    std::uint8_t& cell = ChunkFor(at)[at % kChunkSize];
    cell = combine(cell, data[i]);
  }
}

void ChipMemory::Program(std::uint32_t address, std::span<const std::uint8_t> data) {
  Store(address, data,
        [](std::uint8_t old, std::uint8_t bits) { return static_cast<std::uint8_t>(old & bits); });
}

void ChipMemory::Load(std::uint32_t address, std::span<const std::uint8_t> data) {
  Store(address, data, [](std::uint8_t, std::uint8_t value) { return value; });
}

void ChipMemory::Erase(std::uint32_t address, std::uint32_t length) {
  const std::uint64_t end =
      std::min<std::uint64_t>(static_cast<std::uint64_t>(address) + length, capacity_);
  for (std::uint64_t at = address; at < end;) {
    const std::size_t index = static_cast<std::size_t>(at / kChunkSize);
    const std::uint64_t chunk_end =
        std::min<std::uint64_t>((index + 1) * std::uint64_t{kChunkSize}, end);
    if (chunks_[index]) {
      if (at % kChunkSize == 0 && chunk_end - at == kChunkSize) {
        chunks_[index].reset();
      } else {
        std::memset(chunks_[index].get() + at % kChunkSize, 0xFF,
                    static_cast<std::size_t>(chunk_end - at));
      }
    }
    at = chunk_end;
  }
}

void ChipMemory::EraseAll() {
  for (Chunk& chunk : chunks_) chunk.reset();
}

std::vector<std::uint8_t> ChipMemory::Snapshot() const {
  std::vector<std::uint8_t> contents(capacity_);
  Read(0, contents);
  return contents;
}

}  // namespace tessary::sim
