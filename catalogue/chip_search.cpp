// The chip search window's behaviour.
#include "catalogue/chip_search.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_parameters.h"
#include "catalogue/chip_selection.h"

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

void FillBox(ChipDatabase& db, ComboBoxState& box, std::string_view column) {
  box.Clear();
  for (int n = db.RecordCount(); n > 0; --n) {
    box.Add(db.FieldAsText(column));
    if (n > 1) db.NextRecord();
  }
}

void ShowWindow(AppContext& ctx, ChipFindOpener opener) {
  ctx.ChipSearch.Tag = opener;
  ctx.ChipSearch.Visible = true;
  ctx.panel.MainWindowStateChanged();
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

bool FindChipInFrame(AppContext& ctx, std::string_view manufacturer, std::string_view name) {
  ChipFrameState& frame = ctx.ChipFrame;
  ChipDatabase& db = ctx.Database;
  db.RunQuery(statements::kManufacturersOfType, {frame.cmbChipType.text});
  FillBox(db, frame.cmbDownChipManuf, "ManufName");
  if (!frame.cmbDownChipManuf.SelectExact(manufacturer)) return false;
  db.RunQuery(statements::kChipNamesByCapacityAfterMatch,
              {frame.cmbChipType.text, frame.cmbDownChipManuf.text});
  FillBox(db, frame.cmbDownChipName, "ChipName");
  return frame.cmbDownChipName.SelectExact(name);
}

void ShowChipFindOverQuery(AppContext& ctx) {
  ChipSearchState& search = ctx.ChipSearch;
  search.Rows = ResultRows(ctx.Database);
  search.CurrentRow = search.Rows.empty() ? -1 : 0;
  ShowWindow(ctx, ChipFindOpener::SelectionFrame);
}

void sbChipFindClick(AppContext& ctx) { ShowChipFindOverQuery(ctx); }

void ShowChipFindFromProject(AppContext& ctx) { ShowWindow(ctx, ChipFindOpener::ProjectWindow); }

void lbeChipFindContentKeyUp(AppContext& ctx) {
  ChipSearchState& search = ctx.ChipSearch;
  if (search.SearchText.empty()) return;

  std::vector<std::string> types;
  for (std::size_t i = 0; i < kAvailabilityTypeNames.size(); ++i) {
    if (ctx.ChipTypeAvailability[i]) types.emplace_back(kAvailabilityTypeNames[i]);
  }
  const statements::BoundStatement statement = statements::ChipSearch(search.SearchText, types);
  ChipDatabase& db = ctx.Database;
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
  ctx.panel.MainWindowStateChanged();
}

void ChipFindButton3Click(AppContext& ctx) {
  ChipSearchState& search = ctx.ChipSearch;
  if (search.CurrentRow < 0 || search.CurrentRow >= static_cast<int>(search.Rows.size())) return;
  const ChipListRow row = search.Rows[static_cast<std::size_t>(search.CurrentRow)];
  if (search.Tag != ChipFindOpener::SelectionFrame) return;  // stays open

  search.Visible = false;
  ChipFrameState& frame = ctx.ChipFrame;
  if (frame.cmbChipType.SelectExact(row.ChipType) &&
      FindChipInFrame(ctx, row.ManufName, row.ChipName)) {
    // A pick is the operator's own choice: logged in the main window, quiet
    // while the project window borrows the frame.
    frame.ChipNameTag = frame.HostedInMainWindow ? 0 : 1;
    cmbDownChipNameChange(ctx);
  }
  ctx.panel.MainWindowStateChanged();
}

void ChipFindButton4Click(AppContext& ctx) {
  ctx.ChipSearch.Visible = false;
  ctx.panel.MainWindowStateChanged();
}

}  // namespace tessary
