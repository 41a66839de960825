// The chip search window's behaviour.
#include "catalogue/chip_search.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_parameters.h"

namespace tessary {
namespace {

bool HasColumn(const ChipDatabase& db, std::string_view column) {
  const auto same = [column](const std::string& name) {
    return std::equal(name.begin(), name.end(), column.begin(), column.end(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) ==
             std::tolower(static_cast<unsigned char>(b));
    });
  };
  const std::vector<std::string>& names = db.ColumnNames();
  return std::any_of(names.begin(), names.end(), same);
}

void ShowWindow(ChipSearchState& search, OperatorPanel& panel, ChipFindOpener opener) {
  search.Tag = opener;
  search.Visible = true;
  panel.MainWindowStateChanged();
}

}  // namespace

std::vector<ChipListRow> ResultRows(ChipDatabase& db) {
  std::vector<ChipListRow> rows;
  const int count = db.RecordCount();
  if (count == 0) return rows;
  const std::size_t was_at = db.CurrentIndex();
  const bool has_name = HasColumn(db, "ChipName");
  const bool has_note = HasColumn(db, "Note");
  const bool has_manufacturer = HasColumn(db, "ManufName");
  const bool has_type = HasColumn(db, "ChipType");
  const bool has_capacity = HasColumn(db, "Capacity");
  rows.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    db.MoveTo(static_cast<std::size_t>(i));
    ChipListRow& row = rows.emplace_back();
    if (has_name) row.ChipName = db.FieldAsText("ChipName");
    if (has_note) row.Note = db.FieldAsText("Note");
    if (has_manufacturer) row.ManufName = db.FieldAsText("ManufName");
    if (has_type) row.ChipType = db.FieldAsText("ChipType");
    if (has_capacity) row.Capacity = static_cast<std::uint32_t>(db.FieldAsInteger("Capacity"));
  }
  if (was_at < static_cast<std::size_t>(count)) {
    db.MoveTo(was_at);
  } else {
    db.NextRecord();  // from the last record to the end, where it stood
  }
  return rows;
}

bool FindChipInFrame(ChipDatabase& db, ChipFrameState& frame, std::string_view manufacturer,
                     std::string_view name) {
  db.RunQuery(statements::kManufacturersOfType, {frame.cmbChipType.text});
  FillBox(db, frame.cmbDownChipManuf, "ManufName");
  if (!frame.cmbDownChipManuf.SelectExact(manufacturer)) return false;
  db.RunQuery(statements::kChipNamesByCapacityAfterMatch,
              {frame.cmbChipType.text, frame.cmbDownChipManuf.text});
  FillBox(db, frame.cmbDownChipName, "ChipName");
  return frame.cmbDownChipName.SelectExact(name);
}

void ShowChipFindOverQuery(ChipDatabase& db, ChipSearchState& search, OperatorPanel& panel) {
  search.Rows = ResultRows(db);
  search.CurrentRow = search.Rows.empty() ? -1 : 0;
  ShowWindow(search, panel, ChipFindOpener::SelectionFrame);
}

void ShowChipFindFromProject(ChipSearchState& search, OperatorPanel& panel) {
  ShowWindow(search, panel, ChipFindOpener::ProjectWindow);
}

void SearchChips(ChipDatabase& db, ChipSearchState& search, const ChipTypeAvailability& available,
                 OperatorPanel& panel) {
  if (search.SearchText.empty()) return;

  std::vector<std::string> types;
  for (std::size_t i = 0; i < kAvailabilityTypeNames.size(); ++i) {
    if (available[i]) types.emplace_back(kAvailabilityTypeNames[i]);
  }
  const statements::BoundStatement statement = statements::ChipSearch(search.SearchText, types);
  const int count = db.RunQuery(statement.sql, statement.values);
  search.ResultText = "共搜索到" + std::to_string(count) + "个结果.";

  // The capacity text goes into the held result only: the grid shows it,
  // and the catalogue file keeps its own Note untouched.
  for (int i = 0; i < count; ++i) {
    db.MoveTo(static_cast<std::size_t>(i));
    db.SetField("Note", CapacityText(static_cast<std::uint32_t>(db.FieldAsInteger("Capacity"))));
  }
  if (count > 0) db.MoveTo(0);
  search.Rows = ResultRows(db);
  search.CurrentRow = search.Rows.empty() ? -1 : 0;
  panel.MainWindowStateChanged();
}

SearchPick PickSearchRow(ChipDatabase& db, ChipSearchState& search, ChipFrameState& frame) {
  if (search.CurrentRow < 0 || search.CurrentRow >= static_cast<int>(search.Rows.size())) {
    return SearchPick::Nothing;
  }
  const ChipListRow row = search.Rows[static_cast<std::size_t>(search.CurrentRow)];
  if (search.Tag != ChipFindOpener::SelectionFrame) return SearchPick::Nothing;  // stays open

  search.Visible = false;
  if (!frame.cmbChipType.SelectExact(row.ChipType) ||
      !FindChipInFrame(db, frame, row.ManufName, row.ChipName)) {
    return SearchPick::Closed;
  }
  // A pick is the operator's own choice: logged in the main window, quiet
  // while the project window borrows the frame.
  frame.ChipNameTag = frame.HostedInMainWindow ? 0 : 1;
  return SearchPick::ChipInFrame;
}

}  // namespace tessary
