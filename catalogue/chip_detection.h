// Chip detection: the programmer reads the code of the chip in the socket,
// the catalogue is searched by its low 24 bits, and the match is selected
// through the selection frame as if the operator had chosen it. Reading the
// code and the chip name step belong to the handler layer above. A code
// with top byte 0x24 is a 24-series EEPROM, which has no code of its own:
// the detection only narrows the choice to that type. When several chips
// share a code, the auto-select setting takes the first one or opens the
// search window with all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/chip_database.h"
#include "catalogue/chip_search_state.h"
#include "catalogue/chip_selection.h"

namespace tessary {

// The grey line of a 24-series code.
inline constexpr char kText24SeriesDetected[] =
    "检测到24 EEPROM型号芯片，但未确定芯片名称，请手动选择.";

// A code's low 24 bits as the catalogue's ChipID column holds them: exactly
// six upper-case hexadecimal digits.
[[nodiscard]] std::string ChipIdDigits(std::uint32_t code);

// True for the codes the programmer gives 24-series EEPROMs (top byte 0x24).
[[nodiscard]] bool Is24SeriesCode(std::uint32_t code);

// The catalogue rows with this code, in catalogue order, with their stored
// Note. Runs on the shared query. Throws DatabaseError.
[[nodiscard]] std::vector<ChipListRow> CatalogueMatches(ChipDatabase& db, std::uint32_t code);

// How a detection ended, for callers other than the window.
enum class DetectionOutcome : std::uint8_t {
  Offline,        // no programmer: the offline line
  NoAnswer,       // no valid chip ID reply: parameters re-sent, red line
  Series24,       // a 24-series EEPROM: its smallest chip chosen, grey line
  Unknown,        // no catalogue row has the code: grey line
  NotInFrame,     // the match's type, maker or name is not offered: nothing logged
  ChoiceOffered,  // several matches, manual confirmation: the search window is open
  Identified,     // a chip was selected: green line
};

// Finds a code read from the socket in the catalogue and sets the selection
// frame's boxes to its chip:
// - a 24-series code: the type's first manufacturer and its smallest chip,
//   as the best guess until the operator names the chip (Series24);
// - no row with the code: a grey line (Unknown);
// - several rows and no auto-select: the search window opens over them
//   (ChoiceOffered);
// - otherwise the first row's chip (Identified).
// With Series24 and Identified the frame's quiet tag is set: the caller then
// runs the chip name step and LogDetectedChip. NotInFrame when the frame
// does not offer the match's type, maker or name. Throws DatabaseError.
[[nodiscard]] DetectionOutcome MatchChipCode(const ChipFrameParts& parts, ChipSearchState& search,
                                             std::uint32_t code, bool auto_select);

// The line of a detection once its chip is current: grey for a 24-series
// guess, green with name and capacity for an identified chip; nothing for
// any other outcome.
void LogDetectedChip(const ChipFrameParts& parts, DetectionOutcome outcome);

}  // namespace tessary
