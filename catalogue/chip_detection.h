// Chip detection: the programmer reads the code of the chip in the socket,
// the catalogue is searched by its low 24 bits, and the match is selected
// through the selection frame as if the operator had chosen it. A code with
// top byte 0x24 is a 24-series EEPROM, which has no code of its own: the
// detection only narrows the choice to that type. When several chips share
// a code, the auto-select setting takes the first one or opens the search
// window with all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/app_context.h"

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

// TFrame2::sbChipDetectClick: the detection button, also run after a
// programmer has been identified. Changes ctx.ChipFrame (and ctx.ChipSearch
// when it offers a choice) and tells the panel. Throws DatabaseError.
DetectionOutcome sbChipDetectClick(AppContext& ctx);

// The two items of "芯片检测": each switches between taking the first of
// several chips with one code (mmChipDetectAuto ticked) and letting the
// operator confirm the choice in the search window (mmManuf ticked).
void mmChipDetectAutoClick(AppContext& ctx);
void mmManufClick(AppContext& ctx);

}  // namespace tessary
