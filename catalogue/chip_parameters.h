// How a catalogue row becomes the chip parameters the programmer is sent:
// chip type texts to codes, supply voltages to codes, byte counts to the
// capacity text the operator reads, and the row-to-record copy.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/chip_database.h"
#include "catalogue/chip_record.h"

namespace tessary {

// The chip type names as the catalogue spells them.
inline constexpr std::string_view kType25Flash = "25 FLASH";
inline constexpr std::string_view kType24Eeprom = "24 EEPROM";
inline constexpr std::string_view kType25Eeprom = "25 EEPROM";
inline constexpr std::string_view kType45Eeprom = "45 EEPROM";
inline constexpr std::string_view kType93Eeprom = "93 EEPROM";
inline constexpr std::string_view kType95Eeprom = "95 EEPROM";
inline constexpr std::string_view kTypeSwdArm = "SWD ARM";
inline constexpr std::string_view kTypeNandFlash = "NAND FLASH";

// All eight, in code order (1..8).
inline constexpr std::array<std::string_view, 8> kChipTypeNames = {
    kType25Flash,  kType24Eeprom, kType25Eeprom, kType45Eeprom,
    kType93Eeprom, kType95Eeprom, kTypeSwdArm,   kTypeNandFlash};

// Chip type text to its code by exact, case-sensitive comparison; any other
// text gives ChipTypeId::Other.
[[nodiscard]] ChipTypeId ChipTypeCode(std::string_view type_name);

// The catalogue name of a type; empty for ChipTypeId::Other.
[[nodiscard]] std::string_view ChipTypeName(ChipTypeId type);

// Supply voltage in millivolts to the programmer's code: 1800 -> 1,
// 5000 -> 2, anything else (3300 included) -> 0.
[[nodiscard]] std::uint8_t VoltageCode(std::int32_t millivolts);

// A byte count as shown to the operator: "8MB", "1023KB", "1023B". Whole
// units only; the shift truncates (1536 bytes is "1KB").
[[nodiscard]] std::string CapacityText(std::uint32_t bytes);

// Copies the chip columns of the query's current record into `record`:
// ChipType, BlockSize, Capacity, EraseTime, PageSize, OTPSize, Voltage,
// ChipPara, ChipPara1 and ChipID (0 when not hexadecimal), each narrowed to its field's width. ChipName is
// left alone: the selection frame first compares the row's name with the
// one it holds (a different name means a new chip and a fresh buffer) and
// stores it itself. Throws DatabaseError like the field readers.
void ReadChipRow(const ChipDatabase& db, Prj_Info_Struct& record);

}  // namespace tessary
