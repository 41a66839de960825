// The chip selection cascade.
#include "catalogue/chip_selection.h"

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_parameters.h"

namespace tessary {
namespace {

using namespace statements;

std::string VoltageText(std::int32_t millivolts) {
  switch (VoltageCode(millivolts)) {
    case 1: return "1.8V";
    case 2: return "5.0V";
    default: return "3.3V";
  }
}

}  // namespace

bool DetectionSupported(std::string_view type) {
  return type == kTypeNandFlash || type == kType25Flash || type == kType45Eeprom;
}

void FillBox(ChipDatabase& db, ComboBoxState& box, std::string_view column) {
  box.Clear();
  for (int n = db.RecordCount(); n > 0; --n) {
    box.Add(db.FieldAsText(column));
    if (n > 1) db.NextRecord();
  }
}

void ChooseChipType(const ChipFrameParts& parts) {
  ChipFrameState& frame = parts.frame;
  const std::string type = frame.cmbChipType.text;
  frame.sbChipDetectEnabled = DetectionSupported(type);
  parts.database.RunQuery(kManufacturersOfType, {type});
  FillBox(parts.database, frame.cmbDownChipManuf, "ManufName");
  frame.cmbDownChipManuf.Select(0);
}

void ChooseManufacturer(const ChipFrameParts& parts) {
  ChipFrameState& frame = parts.frame;
  parts.database.RunQuery(kChipNamesByCapacity,
                          {frame.cmbChipType.text, frame.cmbDownChipManuf.text});
  FillBox(parts.database, frame.cmbDownChipName, "ChipName");
  frame.cmbDownChipName.Select(0);
}

ChipNameOutcome ChooseChipName(const ChipFrameParts& parts) {
  ChipFrameState& frame = parts.frame;
  const std::string name = frame.cmbDownChipName.text;
  const bool quiet = frame.ChipNameTag != 0;
  frame.ChipNameTag = 0;
  // Typed by hand or an empty list: no row to read, so the chip that is
  // current stays current rather than turning into a chip of zeros.
  if (parts.database.RunQuery(kChipByName, {name}) == 0) return ChipNameOutcome::NotInCatalogue;

  Prj_Info_Struct& chip = parts.chip;
  ReadChipRow(parts.database, chip);
  frame.ledtChipCap = CapacityText(chip.ChipSize);
  if (!quiet) {
    parts.log.LogStamped(parts.texts.LogChipSelect + name + " " +
                             parts.texts.LogChipDetectCapcity + frame.ledtChipCap,
                         LogColour::Highlight);
  }
  frame.ledtPageSize = CapacityText(chip.PageSize);
  frame.ChipOtpVisible = chip.OTPSize != 0;
  if (chip.OTPSize >= 1) frame.ledtChipOTPSize = CapacityText(chip.OTPSize);
  frame.ledtChipVoltage = VoltageText(parts.database.FieldAsInteger("Voltage"));
  frame.labelVoltageNoteVisible = false;

  if (chip.ChipName == name) return ChipNameOutcome::SameChip;
  chip.ChipName = name;
  return ChipNameOutcome::NewChip;
}

void LoadChipTypes(ChipDatabase& db, ComboBoxState& types, ChipTypeAvailability& available) {
  types.Clear();
  available.fill(false);
  for (int n = db.RunQuery(kEnabledChipTypes); n > 0; --n) {
    std::string name = db.FieldAsText("TypeName");
    for (std::size_t i = 0; i < kAvailabilityTypeNames.size(); ++i) {
      if (kAvailabilityTypeNames[i] == name) available[i] = true;
    }
    types.Add(std::move(name));
    if (n > 1) db.NextRecord();
  }
}

}  // namespace tessary
