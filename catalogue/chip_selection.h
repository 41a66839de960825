// The chip selection cascade: chip type, then manufacturer, then chip name.
// Choosing a name makes that catalogue row the current chip and fills the
// frame's displays. What follows a choice outside the catalogue (a fresh
// buffer for a new chip, the chip's parameters sent to the programmer, the
// window's socket settings) is the handler layer's.
#pragma once

#include <array>

#include "base/language_texts.h"
#include "base/operation_log.h"
#include "base/operator_panel.h"
#include "catalogue/chip_database.h"
#include "catalogue/chip_frame_state.h"
#include "catalogue/chip_record.h"

namespace tessary {

// What the selection frame's behaviour works on. Made for each call from
// the whole program's context; passed as const, since what it refers to is
// what changes.
struct ChipFrameParts {
  ChipDatabase& database;
  ChipFrameState& frame;
  Prj_Info_Struct& chip;  // the current chip
  OperationLog& log;
  const Dev_Language_Struct& texts;
  OperatorPanel& panel;
};

// Which of kAvailabilityTypeNames the programmer model supports.
using ChipTypeAvailability = std::array<bool, kAvailabilityTypeNames.size()>;

// True for the types the detection button works with.
[[nodiscard]] bool DetectionSupported(std::string_view type);

// Fills a box with one column of every row of the shared query's result.
void FillBox(ChipDatabase& db, ComboBoxState& box, std::string_view column);

// The chip type box changed: detection button, manufacturers of the type,
// the first manufacturer selected. The manufacturer step follows.
void ChooseChipType(const ChipFrameParts& parts);

// The manufacturer box changed: its chips, smallest first, the first chip
// selected. The chip name step follows.
void ChooseManufacturer(const ChipFrameParts& parts);

// How the chip name step ended.
enum class ChipNameOutcome : std::uint8_t {
  NotInCatalogue,  // typed by hand or an empty list: the current chip stays
  SameChip,        // the row was read again into the current chip
  NewChip,         // another chip became current: the buffer must be made anew
};

// The chip name box changed: the one place where a chip becomes current.
// Reads the row of the name box's text into parts.chip, fills the frame's
// displays and logs the choice (unless the frame's one-shot quiet tag is
// set, which this clears). A name the catalogue does not know leaves the
// current chip as it was.
[[nodiscard]] ChipNameOutcome ChooseChipName(const ChipFrameParts& parts);

// Loads the chip types the programmer model supports into the type box and
// the availability flags.
void LoadChipTypes(ChipDatabase& db, ComboBoxState& types, ChipTypeAvailability& available);

}  // namespace tessary
