// The chip search window's behaviour (TfrmChipFind): finding chips by part of
// their name among the types the programmer supports, showing them in the
// grid, and picking one into the selection frame. The window keeps its
// state in ctx.ChipSearch; every handler here changes that state and calls
// ctx.panel.MainWindowStateChanged(), after which the window re-renders.
#pragma once

#include <string_view>
#include <vector>

#include "app/app_context.h"

namespace tessary {

// The rows of the shared query's whole result as grid rows, for views bound
// to it. Columns the result lacks read as empty (0 for Capacity). The
// query's current record is left where it was.
[[nodiscard]] std::vector<ChipListRow> ResultRows(ChipDatabase& db);

// Shows the search window over the rows the shared query holds now, opened
// by the selection frame (its search button, or a detection that found
// several chips with one code). A pick acts.
void ShowChipFindOverQuery(AppContext& ctx);

// The last two steps of selecting a known chip by program (the search pick
// and the detection): rebuilds the manufacturer box for the type box's
// text and finds `manufacturer` in it, then rebuilds the chip-name box and
// finds `name`, without running the boxes' change handlers. False, with the
// box that lacks the text left without selection, when one is not there.
[[nodiscard]] bool FindChipInFrame(AppContext& ctx, std::string_view manufacturer,
                                   std::string_view name);

// TFrame2::sbChipFindClick: the selection frame's search button.
void sbChipFindClick(AppContext& ctx);

// The offline project window's own search button: the window opens with the
// rows it had; a pick reads the row but changes nothing.
void ShowChipFindFromProject(AppContext& ctx);

// TfrmChipFind::lbeChipFindContentKeyUp: a key was released in the search
// box (the window has already put the box's text into
// ctx.ChipSearch.SearchText). An empty text does nothing. Otherwise lists
// the chips of the available types whose name contains the text, smallest
// capacity first, with the capacity text in each row's Note, and the
// count in ResultText. A quote or % in the text is matched as itself.
// Throws DatabaseError when the catalogue cannot run the search.
void lbeChipFindContentKeyUp(AppContext& ctx);

// TfrmChipFind::Button3Click ("选择"): picks the grid's current row. Nothing
// happens without a current row or when the project window opened the
// search. Otherwise closes the window and selects the row's chip through
// the selection frame's boxes, as the operator would (the selection line is
// logged when the frame sits in the main window, not when the project
// window borrows it). A type, manufacturer or name the boxes do not offer
// leaves that box without selection and ends there.
void ChipFindButton3Click(AppContext& ctx);

// TfrmChipFind::Button4Click ("取消") and the close icon: hides the window.
void ChipFindButton4Click(AppContext& ctx);

}  // namespace tessary
