// CRC-16/MODBUS (reflected 0x8005, initial 0xFFFF, no final XOR) as used by
// the programmer's command frames.
#pragma once

#include <cstdint>
#include <span>

namespace tessary {

[[nodiscard]] std::uint16_t FrameCrc16(std::span<const std::uint8_t> bytes);

}  // namespace tessary
