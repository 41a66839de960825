// The chip search window's behaviour (TfrmChipFind): finding chips by part of
// their name among the types the programmer supports, showing them in the
// grid, and picking one into the selection frame. The window keeps its
// state in a ChipSearchState; the functions here that change what it shows
// call panel.MainWindowStateChanged(), after which the window re-renders.
#pragma once

#include <string_view>
#include <vector>

#include "base/operator_panel.h"
#include "catalogue/chip_database.h"
#include "catalogue/chip_frame_state.h"
#include "catalogue/chip_search_state.h"
#include "catalogue/chip_selection.h"

namespace tessary {

// The rows of the shared query's whole result as grid rows, for views bound
// to it. Columns the result lacks read as empty (0 for Capacity). The
// query's current record is left where it was.
[[nodiscard]] std::vector<ChipListRow> ResultRows(ChipDatabase& db);

// Shows the search window over the rows the shared query holds now, opened
// by the selection frame (its search button, or a detection that found
// several chips with one code). A pick acts.
void ShowChipFindOverQuery(ChipDatabase& db, ChipSearchState& search, OperatorPanel& panel);

// The last two steps of selecting a known chip by program (the search pick
// and the detection): rebuilds the manufacturer box for the type box's
// text and finds `manufacturer` in it, then rebuilds the chip-name box and
// finds `name`, without running the boxes' change handlers. False, with the
// box that lacks the text left without selection, when one is not there.
[[nodiscard]] bool FindChipInFrame(ChipDatabase& db, ChipFrameState& frame,
                                   std::string_view manufacturer, std::string_view name);

// The offline project window's own search button: the window opens with the
// rows it had; a pick reads the row but changes nothing.
void ShowChipFindFromProject(ChipSearchState& search, OperatorPanel& panel);

// A key was released in the search box (the window has already put the
// box's text into search.SearchText). An empty text does nothing. Otherwise
// lists the chips of the available types whose name contains the text,
// smallest capacity first, with the capacity text in each row's Note, and
// the count in ResultText. A quote or % in the text is matched as itself.
// Throws DatabaseError when the catalogue cannot run the search.
void SearchChips(ChipDatabase& db, ChipSearchState& search, const ChipTypeAvailability& available,
                 OperatorPanel& panel);

// How a pick ended.
enum class SearchPick : std::uint8_t {
  Nothing,      // no current row, or the project window opened the search
  Closed,       // the window closed; a box did not offer the row's text
  ChipInFrame,  // the window closed and the boxes name the row's chip
};

// "选择": picks the grid's current row. Nothing happens without a current
// row or when the project window opened the search. Otherwise closes the
// window and finds the row's type, manufacturer and name in the selection
// frame's boxes, as the operator would choose them; a box that does not
// offer its text is left without selection and the pick ends there. With
// ChipInFrame the frame's quiet tag says whether the chip name step logs
// the choice (in the main window) or not (the project window borrows the
// frame); that step is the caller's.
[[nodiscard]] SearchPick PickSearchRow(ChipDatabase& db, ChipSearchState& search,
                                       ChipFrameState& frame);

}  // namespace tessary
