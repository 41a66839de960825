// Wire record with a byte budget.
#include "sim/wire_record.h"

namespace tessary::sim {

void WireRecord::Add(WireDirection direction, std::span<const std::uint8_t> bytes) {
  if (byte_limit_ == 0) return;
  transfers_.push_back({direction, {bytes.begin(), bytes.end()}});
  bytes_ += bytes.size();
  while (bytes_ > byte_limit_ && transfers_.size() > 1) {
    bytes_ -= transfers_.front().bytes.size();
    transfers_.pop_front();
    ++dropped_;
  }
}

void WireRecord::Clear() {
  transfers_.clear();
  bytes_ = 0;
  dropped_ = 0;
}

std::vector<std::vector<std::uint8_t>> WireRecord::Writes() const {
  std::vector<std::vector<std::uint8_t>> writes;
  for (const WireTransfer& transfer : transfers_) {
    if (transfer.direction == WireDirection::Out) writes.push_back(transfer.bytes);
  }
  return writes;
}

std::vector<std::vector<std::uint8_t>> WireRecord::Reads() const {
  std::vector<std::vector<std::uint8_t>> reads;
  for (const WireTransfer& transfer : transfers_) {
    if (transfer.direction == WireDirection::In) reads.push_back(transfer.bytes);
  }
  return reads;
}

std::size_t WireRecord::CountFrames(std::uint8_t opcode) const {
  std::size_t count = 0;
  for (const WireTransfer& transfer : transfers_) {
    const auto& b = transfer.bytes;
    if (transfer.direction == WireDirection::Out && b.size() >= 8 && b[0] == 0x02 && b[1] == opcode)
      ++count;
  }
  return count;
}

}  // namespace tessary::sim
