// The selection frame's, the detection's and the chip search window's
// entry points: each reads what it needs from the context, runs the
// catalogue's behaviour and does what follows outside the catalogue (a
// fresh buffer for a new chip, the chip's parameters and ID on the wire,
// the window's socket settings).
#pragma once

#include "app/app_context.h"
#include "catalogue/chip_detection.h"
#include "catalogue/chip_selection.h"

namespace tessary {

// The selection frame's parts of the context.
[[nodiscard]] ChipFrameParts ChipFramePartsOf(AppContext& ctx);

// The chip type box changed: detection button, socket mode for 93-series
// chips, manufacturers of the type, and on to the first manufacturer.
void cmbChipTypeChange(AppContext& ctx);

// The manufacturer box changed: its chips, smallest first, and on to the
// first chip.
void cmbDownChipManufChange(AppContext& ctx);

// The chip name box changed: the chip becomes current (ChooseChipName), a
// new chip gets a fresh buffer, and its parameters go to the programmer.
void cmbDownChipNameChange(AppContext& ctx);

// Re-creates the buffer for the current chip (all 0xFF), shows its
// checksum, redraws the hex view and zeroes the run counters. Does nothing
// while the frame is borrowed by the offline project window.
void ResetBufferForChip(AppContext& ctx);

// Loads the chip types the programmer model supports into the chip type
// box and the availability flags.
void LoadChipTypes(AppContext& ctx);

// TFrame2::sbChipDetectClick: the detection button, also run after a
// programmer has been identified. Reads the chip's code, lets the catalogue
// match it (MatchChipCode) and makes the match current. Throws
// DatabaseError.
DetectionOutcome sbChipDetectClick(AppContext& ctx);

// The two items of "芯片检测": each switches between taking the first of
// several chips with one code (mmChipDetectAuto ticked) and letting the
// operator confirm the choice in the search window (mmManuf ticked).
void mmChipDetectAutoClick(AppContext& ctx);
void mmManufClick(AppContext& ctx);

// TFrame2::sbChipFindClick: the selection frame's search button.
void sbChipFindClick(AppContext& ctx);

// TfrmChipFind::lbeChipFindContentKeyUp: a key was released in the search
// box. Throws DatabaseError.
void lbeChipFindContentKeyUp(AppContext& ctx);

// TfrmChipFind::Button3Click ("选择"): picks the grid's current row into the
// selection frame (PickSearchRow) and makes its chip current.
void ChipFindButton3Click(AppContext& ctx);

// TfrmChipFind::Button4Click ("取消") and the close icon: hides the window.
void ChipFindButton4Click(AppContext& ctx);

}  // namespace tessary
