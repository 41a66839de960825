// The catalogue as a plain list, for the command-line tool: every chip of a
// type and/or manufacturer whose name contains a text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/chip_database.h"

namespace tessary {

struct ChipListing {
  std::string name;
  std::string type;  // "25 FLASH", ...
  std::string manufacturer;
  std::uint32_t capacity = 0;
  std::string capacity_text;  // "8MB"
  std::string id;             // ChipID as stored: 6 hexadecimal digits
};

// Chips of `type` (when given) from `manufacturer` (when given) whose name
// contains `text` (empty: every name), smallest capacity first, then by
// name. Type and manufacturer match without regard to case ("winbond"
// finds "WINBOND"); `text` is matched literally, without wildcards. Runs on
// the shared query, so it replaces the query's result.
[[nodiscard]] std::vector<ChipListing> ListChips(ChipDatabase& db, std::optional<std::string> type,
                                                 std::optional<std::string> manufacturer,
                                                 std::string_view text);

}  // namespace tessary
