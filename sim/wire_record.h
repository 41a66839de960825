// The record of what crossed the simulated USB wire: every OUT write and
// every IN read (a read that timed out is kept with no bytes), in order, so
// tests can check exact frames and their count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace tessary::sim {

enum class WireDirection : std::uint8_t { Out, In };

struct WireTransfer {
  WireDirection direction;
  std::vector<std::uint8_t> bytes;
};

class WireRecord {
 public:
  void Add(WireDirection direction, std::span<const std::uint8_t> bytes);
  void Clear();

  [[nodiscard]] const std::deque<WireTransfer>& transfers() const { return transfers_; }
  // The bytes of every OUT write, in order.
  [[nodiscard]] std::vector<std::vector<std::uint8_t>> Writes() const;
  // The bytes of every IN read, in order (empty for timed-out reads).
  [[nodiscard]] std::vector<std::vector<std::uint8_t>> Reads() const;
  // OUT writes that are command frames with this opcode.
  [[nodiscard]] std::size_t CountFrames(std::uint8_t opcode) const;

  // Long demo sessions move many megabytes; the record keeps at most this
  // many bytes and lets the oldest transfers go. 0 turns recording off.
  void set_byte_limit(std::size_t limit) { byte_limit_ = limit; }
  [[nodiscard]] std::size_t dropped() const { return dropped_; }

 private:
  std::deque<WireTransfer> transfers_;
  std::size_t bytes_ = 0;
  std::size_t byte_limit_ = 64u << 20;
  std::size_t dropped_ = 0;
};

}  // namespace tessary::sim
