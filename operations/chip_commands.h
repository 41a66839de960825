// Commands that set the programmer up: the chip parameters, the SPI clock
// and SPI DMA.
#pragma once

#include <cstdint>

#include "catalogue/chip_record.h"
#include "device/device_link.h"

namespace tessary {

inline constexpr std::uint8_t kOpChipParameters = 0x39;
inline constexpr std::uint8_t kOpSetSpiClock = 0x3A;
inline constexpr std::uint8_t kOpSetSpiDma = 0x3C;

// Sends the current chip's type, voltage code, parameter bytes, page size
// and capacity (0x39). 0 once the frame has gone out (the reply is read but
// not examined); 0xFE when no programmer is linked (nothing sent).
ResultCode SendChipParameters(DeviceLink& link, const Prj_Info_Struct& chip);

// SPI clock codes: 1 = 18 MHz, 2 = 9 MHz, 3 = 4.5 MHz, 4 = 2.25 MHz,
// 5 = 1.125 MHz; 10 asks for the current code.
inline constexpr std::uint8_t kSpiClockQuery = 10;

// 0, 0xFE (link not open, nothing sent) or 0xFF (no valid reply after eight
// transactions). On success `reply_byte` holds the reply's first payload byte.
[[nodiscard]] ResultCode SetSpiClock(DeviceLink& link, std::uint8_t code, std::uint8_t& reply_byte);

// code 1 starts SPI DMA, 0 stops it. Results as SetSpiClock.
[[nodiscard]] ResultCode SetSpiDma(DeviceLink& link, std::uint8_t code, std::uint8_t& reply_byte);

}  // namespace tessary
