// Table-driven CRC-16/MODBUS.
#include "device/frame_crc.h"

#include <array>

namespace tessary {
namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    table[i] = crc;
  }
  return table;
}

// Slicing by eight: table k advances the CRC over a byte followed by k
// zero bytes, so eight bytes are folded in with eight lookups. Data frames
// carry a kilobyte each, and both ends of the link check them.
constexpr std::array<std::array<std::uint16_t, 256>, 8> MakeSlices() {
  std::array<std::array<std::uint16_t, 256>, 8> slices{};
  slices[0] = MakeTable();
  for (std::size_t k = 1; k < slices.size(); ++k) {
    for (unsigned i = 0; i < 256; ++i) {
      const std::uint16_t previous = slices[k - 1][i];
      slices[k][i] = static_cast<std::uint16_t>((previous >> 8) ^ slices[0][previous & 0xFF]);
    }
  }
  return slices;
}

constexpr auto kSlices = MakeSlices();

}  // namespace

std::uint16_t FrameCrc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0xFFFF;
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  for (; n >= 8; n -= 8, p += 8) {
    const auto low = static_cast<std::uint8_t>((crc ^ p[0]) & 0xFF);
    const auto high = static_cast<std::uint8_t>(((crc >> 8) ^ p[1]) & 0xFF);
    crc = static_cast<std::uint16_t>(kSlices[7][low] ^ kSlices[6][high] ^ kSlices[5][p[2]] ^
                                     kSlices[4][p[3]] ^ kSlices[3][p[4]] ^ kSlices[2][p[5]] ^
                                     kSlices[1][p[6]] ^ kSlices[0][p[7]]);
  }
  for (; n > 0; --n, ++p) {
    crc = static_cast<std::uint16_t>((crc >> 8) ^ kSlices[0][(crc ^ *p) & 0xFF]);
  }
  return crc;
}

}  // namespace tessary
