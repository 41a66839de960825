// Listing the catalogue's chips for the command-line tool.
#include "catalogue/chip_listing.h"

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_parameters.h"

namespace tessary {
namespace {

constexpr std::string_view kListChips =
    "select ChipName, ChipType, ManufName, Capacity, ChipID from [ChipName] "
    "where (? IS NULL OR ChipType = ? COLLATE NOCASE) "
    "AND (? IS NULL OR ManufName = ? COLLATE NOCASE) "
    "AND ChipName like ? ESCAPE '\\' "
    "ORDER BY Capacity ASC, ChipName ASC";

Value OptionalText(const std::optional<std::string>& text) { return text ? Value(*text) : Value(); }

}  // namespace

std::vector<ChipListing> ListChips(ChipDatabase& db, std::optional<std::string> type,
                                   std::optional<std::string> manufacturer, std::string_view text) {
  const int count =
      db.RunQuery(kListChips, {OptionalText(type), OptionalText(type), OptionalText(manufacturer),
                               OptionalText(manufacturer), statements::ContainsPattern(text)});
  std::vector<ChipListing> chips;
  chips.reserve(static_cast<std::size_t>(count));
  for (int n = count; n > 0; --n) {
    ChipListing& chip = chips.emplace_back();
    chip.name = db.FieldAsText("ChipName");
    chip.type = db.FieldAsText("ChipType");
    chip.manufacturer = db.FieldAsText("ManufName");
    chip.capacity = static_cast<std::uint32_t>(db.FieldAsInteger("Capacity"));
    chip.capacity_text = CapacityText(chip.capacity);
    chip.id = db.FieldAsText("ChipID");
    db.NextRecord();
  }
  return chips;
}

}  // namespace tessary
