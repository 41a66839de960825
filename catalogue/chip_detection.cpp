// Chip detection by the code the programmer reads.
#include "catalogue/chip_detection.h"

#include <cstdio>

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_parameters.h"
#include "catalogue/chip_search.h"

namespace tessary {
namespace {

constexpr std::uint32_t kCatalogueCodeMask = 0x00FFFFFF;

// Sets the quiet tag for the chip name step that follows a detection.
DetectionOutcome ChipChosen(ChipFrameState& frame, DetectionOutcome outcome) {
  frame.ChipNameTag = 2;
  return outcome;
}

// A 24-series EEPROM: the type's first manufacturer and its smallest chip,
// as the best guess until the operator names the chip.
DetectionOutcome Narrow24Series(const ChipFrameParts& parts) {
  ChipFrameState& frame = parts.frame;
  ChipDatabase& db = parts.database;
  if (!frame.cmbChipType.SelectExact(kType24Eeprom)) return DetectionOutcome::NotInFrame;
  db.RunQuery(statements::kManufacturersOfType, {kType24Eeprom});
  FillBox(db, frame.cmbDownChipManuf, "ManufName");
  frame.cmbDownChipManuf.Select(0);
  db.RunQuery(statements::kChipNamesByCapacity,
              {frame.cmbChipType.text, frame.cmbDownChipManuf.text});
  FillBox(db, frame.cmbDownChipName, "ChipName");
  frame.cmbDownChipName.Select(0);
  return ChipChosen(frame, DetectionOutcome::Series24);
}

}  // namespace

std::string ChipIdDigits(std::uint32_t code) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%06X", static_cast<unsigned>(code & kCatalogueCodeMask));
  return digits;
}

bool Is24SeriesCode(std::uint32_t code) { return (code >> 24) == 0x24; }

std::vector<ChipListRow> CatalogueMatches(ChipDatabase& db, std::uint32_t code) {
  db.RunQuery(statements::kChipsById, {ChipIdDigits(code)});
  return ResultRows(db);
}

DetectionOutcome MatchChipCode(const ChipFrameParts& parts, ChipSearchState& search,
                               std::uint32_t code, bool auto_select) {
  if (Is24SeriesCode(code)) return Narrow24Series(parts);

  ChipFrameState& frame = parts.frame;
  ChipDatabase& db = parts.database;
  const std::string digits = ChipIdDigits(code);
  const auto matches = static_cast<std::uint16_t>(db.RunQuery(statements::kChipsById, {digits}));
  if (matches == 0) {
    parts.log.LogStamped(parts.texts.LogChipDetectUnknown + digits, LogColour::Note);
    return DetectionOutcome::Unknown;
  }

  const std::string type = db.FieldAsText("ChipType");
  frame.sbChipDetectEnabled = DetectionSupported(type);
  const std::string manufacturer = db.FieldAsText("ManufName");
  const std::string name = db.FieldAsText("ChipName");
  if (!frame.cmbChipType.SelectExact(type)) return DetectionOutcome::NotInFrame;

  if (matches >= 2 && !auto_select) {
    // The shared query still holds every chip with this code.
    ShowChipFindOverQuery(db, search, parts.panel);
    return DetectionOutcome::ChoiceOffered;
  }

  if (!FindChipInFrame(db, frame, manufacturer, name)) return DetectionOutcome::NotInFrame;
  return ChipChosen(frame, DetectionOutcome::Identified);
}

void LogDetectedChip(const ChipFrameParts& parts, DetectionOutcome outcome) {
  switch (outcome) {
    case DetectionOutcome::Series24:
      parts.log.LogStamped(kText24SeriesDetected, LogColour::Note);
      return;
    case DetectionOutcome::Identified:
      parts.log.LogStamped(parts.texts.LogChipDetect + parts.frame.cmbDownChipName.text + " " +
                               parts.texts.LogChipDetectCapcity + CapacityText(parts.chip.ChipSize),
                           LogColour::Success);
      return;
    case DetectionOutcome::Offline:
    case DetectionOutcome::NoAnswer:
    case DetectionOutcome::Unknown:
    case DetectionOutcome::NotInFrame:
    case DetectionOutcome::ChoiceOffered:
      return;
  }
}

}  // namespace tessary
