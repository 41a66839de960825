// The chip selection cascade: chip type, then manufacturer, then chip name.
// Choosing a name makes that catalogue row the current chip, resets the
// buffer when the chip changed, logs the choice and sends the parameters
// to the programmer.
#pragma once

#include "app/app_context.h"

namespace tessary {

// The chip type box changed: detection button, socket mode for 93-series
// chips, manufacturers of the type, and on to the first manufacturer.
void cmbChipTypeChange(AppContext& ctx);

// The manufacturer box changed: its chips, smallest first, and on to the
// first chip.
void cmbDownChipManufChange(AppContext& ctx);

// The chip name box changed: the one place where a chip becomes current.
// A name the catalogue does not know leaves the current chip as it was.
void cmbDownChipNameChange(AppContext& ctx);

// Re-creates the buffer for the current chip (all 0xFF), shows its
// checksum, redraws the hex view and zeroes the run counters. Does nothing
// while the frame is borrowed by the offline project window.
void ResetBuffer(AppContext& ctx);

// Loads the chip types the programmer model supports into the chip type
// box and the availability flags.
void LoadChipTypes(AppContext& ctx);

}  // namespace tessary
