// What the chip search window (TfrmChipFind) shows: the search text, the
// result count and hint, the grid rows and the highlighted one, whether it
// is open and who opened it. The core keeps it; the window renders it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// One grid row: the four columns of the grid, plus the capacity in bytes
// for callers that want the number rather than its text.
struct ChipListRow {
  std::string ChipName;   // "芯片名称"
  std::string Note;       // "容量": the capacity text
  std::string ManufName;  // "厂商"
  std::string ChipType;   // "类型"
  std::uint32_t Capacity = 0;
};

// Who opened the window; only the selection frame's openers let a pick act.
enum class ChipFindOpener : std::uint8_t {
  SelectionFrame = 0,  // the frame's search button or the detection
  ProjectWindow = 1,   // the offline project window's own search button
};

inline constexpr char kChipFindHint[] = "输入完整或者部分芯片名称，按回车键进行搜索.";

struct ChipSearchState {
  bool Visible = false;
  ChipFindOpener Tag = ChipFindOpener::SelectionFrame;
  std::string SearchText;                // lbeChipFindContent
  std::string ResultText = " ";          // lbFindResult
  std::string NoteText = kChipFindHint;  // lbNote
  std::vector<ChipListRow> Rows;         // dbgChipFind
  int CurrentRow = -1;                   // the grid's current row, -1 when empty
};

}  // namespace tessary
