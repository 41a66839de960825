// The raw data streams and the on-board project storage: the 0x44 project
// file frame, the bulk-write stream after a 0x35 set-up and the bulk-read
// stream after a 0x34 set-up.
#include "device/device_link.h"
#include "sim/simulated_programmer.h"

#include <algorithm>

namespace tessary::sim {
namespace {

constexpr std::uint8_t kAccepted = 0x00;
constexpr std::uint8_t kInvalid = 0xFF;
constexpr std::size_t kProjectTextArea = 512;

std::uint64_t WholeBlocks(std::uint32_t total, std::uint16_t block) {
  return block == 0 ? total : (std::uint64_t{total} + block - 1) / block * block;
}

}  // namespace

void SimulatedProgrammer::OnProjectFile(const Frame& frame) {
  if (frame.payload.size() < 4) {
    store_session_ = false;
    return ReplyByte(frame.opcode, kInvalid);
  }
  store_.declared_length = GetBigEndian32(frame.payload.data());
  const std::size_t length =
      std::min<std::size_t>({store_.declared_length, kProjectTextArea, frame.payload.size() - 4});
  store_.project_text.assign(frame.payload.begin() + 4,
                             frame.payload.begin() + 4 + static_cast<std::ptrdiff_t>(length));
  store_session_ = true;
  ReplyByte(frame.opcode, kAccepted);
}

void SimulatedProgrammer::StartBulkWrite(const Frame& frame) {
  const std::uint8_t channel = frame.payload[0];
  const std::uint32_t total = GetBigEndian32(&frame.payload[6]);
  BulkWrite stream;
  stream.channel = channel;
  stream.address = GetBigEndian32(&frame.payload[2]);
  stream.expected = WholeBlocks(total, GetBigEndian16(&frame.payload[10]));
  if (store_session_ && IsStoreTarget(channel, frame.payload[1])) {
    // The storage is erased for the new data file, exactly as long as announced.
    stream.to_store = true;
    store_.data.assign(std::min<std::size_t>(total, kStoreCapacity), 0xFF);
  } else {
    store_session_ = false;
  }
  if (stream.expected > 0) bulk_write_ = stream;
}

std::size_t SimulatedProgrammer::TakeBulkWrite(std::span<const std::uint8_t> bytes) {
  BulkWrite& stream = *bulk_write_;
  const std::size_t n = static_cast<std::size_t>(
      std::min<std::uint64_t>(bytes.size(), stream.expected - stream.received));
  const std::uint64_t at = stream.address + stream.received;
  if (stream.to_store) {
    for (std::size_t i = 0; i < n && at + i < store_.data.size(); ++i)
      store_.data[at + i] = bytes[i];
  } else {
    // Past 4 GiB nothing exists; refusals of a raw stream are not answered.
    if (at <= 0xFFFFFFFF) {
      for (ChipSocket* socket : SocketsOf(stream.channel))
        // Discarded: a raw stream has no acknowledgement to carry a refusal.
        (void)socket->Program(static_cast<std::uint32_t>(at), bytes.first(n), CellsOf(*socket));
    }
  }
  stream.received += n;
  if (stream.received == stream.expected) bulk_write_.reset();
  return n;
}

std::size_t SimulatedProgrammer::StreamBulkRead(std::span<std::uint8_t> buffer) {
  BulkRead& stream = *bulk_read_;
  std::size_t n =
      static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), stream.remaining));
  if (faults_.bulk_read_chunk > 0) n = std::min(n, faults_.bulk_read_chunk);
  const std::span<std::uint8_t> out = buffer.first(n);
  if (stream.from_store) {
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t at = std::uint64_t{stream.address} + i;
      out[i] = at < store_.data.size() ? store_.data[at] : 0xFF;
    }
  } else {
    // An empty socket reads as a floating line (0xFF). Both sockets at once
    // drive the same data line, so a 0 bit of either chip wins: the AND.
    const std::vector<ChipSocket*> sockets = SocketsOf(stream.channel);
    sockets[0]->Read(stream.address, out);
    for (std::size_t other = 1; other < sockets.size(); ++other) {
      dual_read_scratch_.resize(n);
      sockets[other]->Read(stream.address, dual_read_scratch_);
      for (std::size_t i = 0; i < n; ++i) out[i] &= dual_read_scratch_[i];
    }
  }
  stream.address += static_cast<std::uint32_t>(n);
  stream.remaining -= n;
  if (stream.remaining == 0) bulk_read_.reset();
  return n;
}

}  // namespace tessary::sim
