// The chip command set: chip ID, chip erase and its status polls, NAND block
// erase and bad-block scan, bulk-read set-up, data block writes, socket
// status, chip parameters, SPI clock and SPI DMA.
#include "device/device_link.h"
#include "sim/simulated_programmer.h"

#include <algorithm>

namespace tessary::sim {
namespace {

constexpr std::uint8_t kDone = 0x00;
constexpr std::uint8_t kRefused = 0x01;  // an addressed socket is empty, a bad block, ...
constexpr std::uint8_t kInvalid = 0xFF;  // a code or payload the device does not take

constexpr std::uint8_t kEraseStart = 0xFF;
constexpr std::uint8_t kEraseGo = 0x00;
constexpr std::uint8_t kErasePoll = 0x01;
constexpr std::uint8_t kEraseFinished = 0x55;
constexpr std::uint8_t kEraseBusy = 0x01;
constexpr std::uint8_t kEraseFailed = 0xEE;

constexpr std::uint8_t kSpiClockQuery = 10;
// The bitmap covers every block; a chip of more than about 4000 blocks
// needs more than one 512-byte read, which the host must keep reading.
constexpr std::size_t kMaxBitmapBytes = kMaxPayloadLength - 4;

constexpr std::uint8_t kSocketPresent = 0x00;
constexpr std::uint8_t kSocketEmpty = 0xFF;

}  // namespace

std::vector<ChipSocket*> SimulatedProgrammer::SocketsOf(std::uint8_t channel) {
  switch (channel) {
    case 1:
      return {&sockets_[1]};
    case 2:
      return {&sockets_[0], &sockets_[1]};
    default:
      return {&sockets_[0]};  // the host treats unknown channels as CH1 too
  }
}

CellKind SimulatedProgrammer::CellsOf(const ChipSocket& socket) const {
  if (!socket.has_chip()) return CellKind::Flash;
  std::optional<std::uint8_t> told_type;
  if (chip_parameters_) told_type = chip_parameters_->type;
  return DefaultCells(socket.chip(), told_type);
}

void SimulatedProgrammer::OnReadChipId(const Frame& frame) {
  // The ID comes from CH1, or from CH2 when CH1 is empty; with no chip at
  // all the data line floats high.
  std::array<std::uint8_t, 6> payload{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  for (const ChipSocket& socket : sockets_) {
    if (!socket.has_chip()) continue;
    PutBigEndian32(payload.data(), socket.chip().id_code);
    payload[4] = socket.chip().id_extra[0];
    payload[5] = socket.chip().id_extra[1];
    break;
  }
  Reply(frame.opcode, payload);
}

void SimulatedProgrammer::OnChipErase(const Frame& frame) {
  if (frame.payload.size() < 3) return ReplyByte(frame.opcode, kInvalid);
  switch (frame.payload[2]) {
    case kEraseStart:
    case kEraseGo:
      erase_ = EraseJob{frame.payload[0], config_.erase_busy_polls};
      return ReplyByte(frame.opcode, kDone);
    case kErasePoll:
      break;
    default:
      return ReplyByte(frame.opcode, kInvalid);
  }
  if (!erase_) return ReplyByte(frame.opcode, kEraseFinished);  // nothing running
  const std::vector<ChipSocket*> sockets = SocketsOf(erase_->channel);
  if (std::any_of(sockets.begin(), sockets.end(), [](ChipSocket* s) { return !s->has_chip(); })) {
    return ReplyByte(frame.opcode, kEraseFailed);
  }
  if (faults_.erase_never_finishes) return ReplyByte(frame.opcode, kEraseBusy);
  if (erase_->busy_polls_left > 0) {
    --erase_->busy_polls_left;
    return ReplyByte(frame.opcode, kEraseBusy);
  }
  FinishErase();
  ReplyByte(frame.opcode, kEraseFinished);
}

void SimulatedProgrammer::FinishErase() {
  for (ChipSocket* socket : SocketsOf(erase_->channel)) socket->EraseChip();
  erase_.reset();
}

void SimulatedProgrammer::OnNandBlockErase(const Frame& frame) {
  if (frame.payload.size() < 6) return ReplyByte(frame.opcode, kInvalid);
  const std::uint32_t address = GetBigEndian32(&frame.payload[2]);
  bool all_erased = true;
  for (ChipSocket* socket : SocketsOf(frame.payload[0]))
    all_erased = socket->EraseBlockAt(address) && all_erased;
  ReplyByte(frame.opcode, all_erased ? kDone : kRefused);
}

void SimulatedProgrammer::OnBulkRead(const Frame& frame) {
  if (frame.payload.size() < 12) return;
  const std::uint8_t channel = frame.payload[0];
  const std::uint8_t type = frame.payload[1];
  const std::uint32_t address = GetBigEndian32(&frame.payload[2]);
  const std::uint32_t total = GetBigEndian32(&frame.payload[6]);
  const std::uint16_t block = GetBigEndian16(&frame.payload[10]);

  BulkRead stream;
  stream.address = address;
  if (store_session_ && IsStoreTarget(channel, type)) {
    // The project read-back asks once for everything stored, in whole blocks.
    stream.from_store = true;
    stream.remaining = block == 0 ? total : (std::uint64_t{total} + block - 1) / block * block;
  } else {
    // A chip read asks for one block per set-up.
    store_session_ = false;
    stream.channel = channel;
    stream.remaining = block;
  }
  stream.remaining -= std::min<std::uint64_t>(stream.remaining, faults_.bulk_read_shortfall);
  if (stream.remaining > 0) bulk_read_ = stream;
}

void SimulatedProgrammer::OnDataWrite(const Frame& frame) {
  if (frame.payload.size() == kBulkSetupLength) return StartBulkWrite(frame);
  store_session_ = false;
  if (frame.payload.size() < kBulkSetupLength) return ReplyByte(frame.opcode, kInvalid);
  const std::uint32_t address = GetBigEndian32(&frame.payload[2]);
  const std::uint16_t block = GetBigEndian16(&frame.payload[10]);
  const std::span<const std::uint8_t> data = frame.payload.subspan(
      kBulkSetupLength, std::min<std::size_t>(block, frame.payload.size() - kBulkSetupLength));
  bool all_written = true;
  for (ChipSocket* socket : SocketsOf(frame.payload[0]))
    all_written = socket->Program(address, data, CellsOf(*socket)) && all_written;
  ReplyByte(frame.opcode, all_written ? kDone : kRefused);
}

void SimulatedProgrammer::OnSocketStatus(const Frame& frame) {
  const std::array<std::uint8_t, 2> states{sockets_[0].has_chip() ? kSocketPresent : kSocketEmpty,
                                           sockets_[1].has_chip() ? kSocketPresent : kSocketEmpty};
  Reply(frame.opcode, states);
}

void SimulatedProgrammer::OnChipParameters(const Frame& frame) {
  if (frame.payload.size() < 10) return ReplyByte(frame.opcode, kInvalid);
  const std::uint8_t* p = frame.payload.data();
  chip_parameters_ =
      ChipParameters{p[0], p[1], p[2], p[3], GetBigEndian16(p + 4), GetBigEndian32(p + 6)};
  ReplyByte(frame.opcode, kDone);
}

void SimulatedProgrammer::OnSpiClock(const Frame& frame) {
  const std::uint8_t code = frame.payload.empty() ? 0 : frame.payload[0];
  if (code >= 1 && code <= 5) {
    spi_clock_code_ = code;
  } else if (code != kSpiClockQuery) {
    return ReplyByte(frame.opcode, kInvalid);
  }
  ReplyByte(frame.opcode, spi_clock_code_);
}

void SimulatedProgrammer::OnSpiDma(const Frame& frame) {
  const std::uint8_t code = frame.payload.empty() ? kInvalid : frame.payload[0];
  if (code > 1) return ReplyByte(frame.opcode, kInvalid);
  spi_dma_ = code == 1;
  ReplyByte(frame.opcode, code);
}

void SimulatedProgrammer::OnBadBlockScan(const Frame& frame) {
  // In dual mode a block counts as bad when it is bad in either chip, so a
  // skipping write keeps both chips' data at the same addresses.
  const std::vector<ChipSocket*> sockets = SocketsOf(frame.payload.empty() ? 0 : frame.payload[0]);
  std::uint32_t blocks = 0;
  std::set<std::uint32_t> bad;
  for (const ChipSocket* socket : sockets) {
    blocks = std::max(blocks, socket->block_count());
    for (std::uint32_t block : socket->bad_blocks()) {
      if (block < socket->block_count()) bad.insert(block);
    }
  }
  blocks = std::min<std::uint32_t>(blocks, 0xFFFF);
  const std::size_t bitmap_bytes = std::min<std::size_t>((blocks + 7) / 8, kMaxBitmapBytes);
  std::vector<std::uint8_t> payload(4 + bitmap_bytes, 0x00);
  PutBigEndian16(&payload[0], static_cast<std::uint16_t>(blocks));
  PutBigEndian16(&payload[2], static_cast<std::uint16_t>(bad.size()));
  for (std::uint32_t block : bad) {
    if (block / 8 < bitmap_bytes)
      payload[4 + block / 8] |= static_cast<std::uint8_t>(0x80 >> (block % 8));
  }
  Reply(frame.opcode, payload);
}

}  // namespace tessary::sim
