// Assembly of the chip search statement.
#include "catalogue/catalogue_statements.h"

namespace tessary::statements {

std::string SearchTypeCondition(std::size_t type_count) {
  if (type_count == 0) return "(1 = 0)";
  std::string condition = "(";
  for (std::size_t i = 0; i < type_count; ++i) {
    if (i > 0) condition += " OR ";
    condition += "ChipType = ?";
  }
  condition += ")";
  return condition;
}

std::string ContainsPattern(std::string_view text) {
  std::string pattern = "%";
  for (char c : text) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  pattern += '%';
  return pattern;
}

BoundStatement ChipSearch(std::string_view text, std::span<const std::string> available_types) {
  BoundStatement statement;
  statement.sql = "select * from [ChipName] where ChipName like ? ESCAPE '\\' AND " +
                  SearchTypeCondition(available_types.size()) + " ORDER BY Capacity ASC";
  statement.values.reserve(available_types.size() + 1);
  statement.values.emplace_back(ContainsPattern(text));
  for (const std::string& type : available_types) statement.values.emplace_back(type);
  return statement;
}

}  // namespace tessary::statements
