// Every statement the program runs on the chip catalogue, in one place.
// Values that callers supply are `?` placeholders bound by ChipDatabase; the
// fixed words of a statement ('Enable', 'Halvern', 'USER', the template
// manufacturers) stay in its text. Bracketed table names, ORDER BY clauses
// and spacing are kept as the catalogue's users have always written them.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/chip_database.h"

namespace tessary::statements {

// The catalogue's version text (first row).
inline constexpr std::string_view kCatalogueVersion = "select Version from [DevInfo]";

// Chip types the Velor column enables, in catalogue order.
inline constexpr std::string_view kEnabledChipTypes =
    "select TypeName from [ChipType] where [Velor] = 'Enable'";

// One chip by name: ? = chip name. The first record counts.
inline constexpr std::string_view kChipByName = "select * from [ChipName] where ChipName = ?";

// Manufacturers of a chip type: ? = chip type.
inline constexpr std::string_view kManufacturersOfType =
    "select DISTINCT ManufName from [ChipName] where ChipType = ?";

// Chip names of a type and manufacturer, unordered (start-up restore):
// ? = chip type, ? = manufacturer.
inline constexpr std::string_view kChipNamesOfManufacturer =
    "select ChipName from [ChipName] where ChipType = ? AND ManufName = ?";

// The same, smallest capacity first (selection frame, 24-series detection).
inline constexpr std::string_view kChipNamesByCapacity =
    "select ChipName from [ChipName] where ChipType = ? AND ManufName = ? ORDER BY Capacity ASC";

// The same as run after an identification match and by the search pick.
inline constexpr std::string_view kChipNamesByCapacityAfterMatch =
    "select ChipName from [ChipName] where ChipType = ? AND ManufName = ?  ORDER BY Capacity ASC";

// Chips with an identification code: ? = 6 upper-case hexadecimal digits.
inline constexpr std::string_view kChipsById = "select * from [ChipName] where ChipID = ?";

// Rows the operator added (anything not marked as a factory row).
inline constexpr std::string_view kUserChips = "select * from [ChipName] where Adder <> 'Halvern'";

// The rows a user chip may copy its parameters from.
inline constexpr std::string_view kTemplateChips =
    "select * from [ChipName] where (ManufName = 'WINBOND' OR ManufName = 'SST') AND "
    "MemoryType = 'SPI FLASH' AND ChipType = '25 FLASH'";

// One user chip by name: ? = chip name.
inline constexpr std::string_view kUserChipByName =
    "select * from [ChipName] where ChipName = ? AND Adder <> 'Halvern'";

// A new user chip. Values in column order: ChipName, Capacity, PageSize,
// MemoryType, ChipType, ManufName, BlockSize, OTPSize, OTPAddr, Voltage,
// ChipID, ChipPara, ChipPara1, Para1Note, ParaNote, EraseTime, Adder.
inline constexpr std::string_view kInsertUserChip =
    "INSERT INTO [ChipName] (ChipName,Capacity,PageSize,MemoryType,ChipType,ManufName,BlockSize,"
    "OTPSize,OTPAddr,Voltage,ChipID,ChipPara,ChipPara1,Para1Note,ParaNote,EraseTime,Adder) "
    "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
inline constexpr std::size_t kInsertUserChipValueCount = 17;

// Changing a user chip: ? = new name, capacity, manufacturer, chip ID, and
// the name that selects the row (the same name: it cannot be changed).
inline constexpr std::string_view kUpdateUserChip =
    "UPDATE [ChipName] SET ChipName = ?,Capacity = ?,ManufName = ?,ChipID = ?,Adder = 'USER' "
    "where ChipName = ?";

// Removing a user chip: ? = name, manufacturer, chip ID.
inline constexpr std::string_view kDeleteUserChip =
    "DELETE FROM [ChipName] where (ChipName = ?) AND (ManufName = ?) AND (ChipID = ?) AND "
    "(Adder = 'USER')";

// Partner links shown in the about dialog.
inline constexpr std::string_view kEnabledPartners =
    "select * from [Parterner] where Enable = 'Enable'";

// --- chip search by part of the name --------------------------------------

// "(ChipType = ? OR ChipType = ? ...)" with one placeholder per type, or an
// always-false condition when no type is available, so the search statement
// stays valid (and finds nothing) whatever the programmer supports.
[[nodiscard]] std::string SearchTypeCondition(std::size_t type_count);

// The LIKE pattern for "name contains `text`". %, _ and the escape character
// typed by the operator match only themselves.
[[nodiscard]] std::string ContainsPattern(std::string_view text);

// A statement with the values for its placeholders.
struct BoundStatement {
  std::string sql;
  std::vector<Value> values;
};

// Chips whose name contains `text`, of the given types, smallest capacity
// first: "select * from [ChipName] where ChipName like ? ESCAPE '\' AND
// (<type condition>) ORDER BY Capacity ASC".
[[nodiscard]] BoundStatement ChipSearch(std::string_view text,
                                        std::span<const std::string> available_types);

}  // namespace tessary::statements
