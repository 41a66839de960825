// A chip's parameters with a set of operation settings. The program keeps
// two: the current chip of the main window and the offline project.
#pragma once

#include <cstdint>
#include <string>

namespace tessary {

// Chip type codes as sent to the programmer.
enum class ChipTypeId : std::uint8_t {
  Other = 0,
  Flash25 = 1,      // "25 FLASH"
  Eeprom24 = 2,     // "24 EEPROM"
  Eeprom25 = 3,     // "25 EEPROM"
  Eeprom45 = 4,     // "45 EEPROM"
  Eeprom93 = 5,     // "93 EEPROM"
  Eeprom95 = 6,     // "95 EEPROM"
  SwdArm = 7,       // "SWD ARM"
  NandFlash = 8,    // "NAND FLASH"
};

// The code byte the programmer is sent for a type.
[[nodiscard]] constexpr std::uint8_t TypeCodeByte(ChipTypeId type) {
  return static_cast<std::uint8_t>(type);
}

// Which socket(s) an operation addresses.
inline constexpr std::uint8_t kChannelCh1 = 0;
inline constexpr std::uint8_t kChannelCh2 = 1;
inline constexpr std::uint8_t kChannelBoth = 2;

inline constexpr std::uint8_t kSocketChipPresent = 0;
inline constexpr std::uint8_t kSocketEmpty = 0xFF;

struct Prj_Info_Struct {
  std::string Reserved;        // first text field, unused
  std::string DataFile;        // project: full path of the data file
  std::string ChipManauf;      // manufacturer name (catalogue ManufName)
  std::string ChipName;        // chip name
  ChipTypeId ChipType = ChipTypeId::Other;
  std::uint32_t ChipID = 0;
  std::uint32_t ChipSize = 0;  // capacity in bytes
  std::uint32_t EraseTime = 0;
  std::uint32_t BlockSize = 0;  // NAND erase block; > 15 means a chip is selected
  std::uint16_t PageSize = 0;
  std::uint16_t OTPSize = 0;
  std::uint8_t ChipVolt = 0;   // 1 = 1800 mV, 2 = 5000 mV, 0 = other
  std::uint8_t ChipPara = 0;
  std::uint8_t ChipPara1 = 0;
  std::uint8_t OprMode = 0;    // 0 manual, 1 automatic, 2 machine programming
  std::uint8_t OprIdCheck = 0;
  std::uint8_t OprErase = 0;
  std::uint8_t OprWrite = 0;
  std::uint8_t OprVerify = 0;
  std::uint8_t SnEn = 0;
  std::uint8_t SnLen = 0;      // 1, 2 or 4
  std::uint8_t SnEndian = 0;   // 0 big-endian, 1 little-endian
  std::uint32_t SnAddr = 0;
  std::uint32_t SnValue = 0;
  std::uint32_t FileLen = 0;
  std::uint8_t TimesEn = 0;
  std::uint16_t TimesMax = 0;
  std::uint32_t Crc32 = 0;
  std::uint32_t RamStartAddr = 0;
  std::uint8_t ChannelSelector = kChannelCh1;
  std::uint8_t SocketState1 = kSocketEmpty;
  std::uint8_t SocketState2 = kSocketEmpty;
  std::uint8_t StopRequest = 0;  // 0 none, 1 requested, 2 noted while an erase finishes
  std::uint8_t SocketPollDue = 0;
  std::uint8_t ChipInserted1 = 0;
  std::uint8_t ChipInserted2 = 0;

  // A chip counts as selected for the programming operations.
  [[nodiscard]] bool ChipSelected() const { return BlockSize > 15; }
};

}  // namespace tessary
