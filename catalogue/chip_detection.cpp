// Chip detection by the code the programmer reads.
#include "catalogue/chip_detection.h"

#include <cstdio>

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_parameters.h"
#include "catalogue/chip_search.h"
#include "catalogue/chip_selection.h"
#include "operations/chip_commands.h"
#include "app/programmer_options.h"

namespace tessary {
namespace {

constexpr std::uint32_t kCatalogueCodeMask = 0x00FFFFFF;

bool DetectionSupported(std::string_view type) {
  return type == kTypeNandFlash || type == kType25Flash || type == kType45Eeprom;
}

// EEPROM types without an identification code that must be set up again
// in full (the chip-name handler) when the programmer does not answer.
bool ReappliedAfterSilence(ChipTypeId type) {
  return type == ChipTypeId::Eeprom95 || type == ChipTypeId::Eeprom93 ||
         type == ChipTypeId::Eeprom25;
}

void FillBox(ChipDatabase& db, ComboBoxState& box, std::string_view column) {
  box.Clear();
  for (int n = db.RecordCount(); n > 0; --n) {
    box.Add(db.FieldAsText(column));
    if (n > 1) db.NextRecord();
  }
}

void RunChipNameQuietly(AppContext& ctx) {
  ctx.ChipFrame.ChipNameTag = 2;
  cmbDownChipNameChange(ctx);
}

DetectionOutcome Done(AppContext& ctx, DetectionOutcome outcome) {
  ctx.panel.MainWindowStateChanged();
  return outcome;
}

// A 24-series EEPROM: the type's first manufacturer and its smallest chip,
// as the best guess until the operator names the chip.
DetectionOutcome Narrow24Series(AppContext& ctx) {
  ChipFrameState& frame = ctx.ChipFrame;
  ChipDatabase& db = ctx.Database;
  if (!frame.cmbChipType.SelectExact(kType24Eeprom)) return Done(ctx, DetectionOutcome::NotInFrame);
  db.RunQuery(statements::kManufacturersOfType, {kType24Eeprom});
  FillBox(db, frame.cmbDownChipManuf, "ManufName");
  frame.cmbDownChipManuf.Select(0);
  db.RunQuery(statements::kChipNamesByCapacity,
              {frame.cmbChipType.text, frame.cmbDownChipManuf.text});
  FillBox(db, frame.cmbDownChipName, "ChipName");
  frame.cmbDownChipName.Select(0);
  RunChipNameQuietly(ctx);
  ctx.log.LogStamped(kText24SeriesDetected, LogColour::Note);
  return Done(ctx, DetectionOutcome::Series24);
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

DetectionOutcome sbChipDetectClick(AppContext& ctx) {
  if (!ctx.link.LinkOpen()) {
    ctx.log.ReportDeviceOffline(ctx.Texts.DevConStaOffline);
    return DetectionOutcome::Offline;
  }

  ChipIdReply reply;
  if (ReadChipId(ctx.link, reply) != CommandStatus::Ok) {
    // Leave the programmer set up for the chip that stays selected.
    if (ReappliedAfterSilence(ctx.CurrentPrj.ChipType)) {
      RunChipNameQuietly(ctx);
    } else {
      (void)SendChipParameters(ctx.link, ctx.CurrentPrj);
    }
    ctx.log.LogStamped(ctx.Texts.LogChipDetectError, LogColour::Error);
    return Done(ctx, DetectionOutcome::NoAnswer);
  }

  ChipFrameState& frame = ctx.ChipFrame;
  if (frame.HostedInMainWindow) rgbSocketTypeClick(ctx);
  if (Is24SeriesCode(reply.id)) return Narrow24Series(ctx);

  ChipDatabase& db = ctx.Database;
  const std::string digits = ChipIdDigits(reply.id);
  const auto matches = static_cast<std::uint16_t>(db.RunQuery(statements::kChipsById, {digits}));
  if (matches == 0) {
    ctx.log.LogStamped(ctx.Texts.LogChipDetectUnknown + digits, LogColour::Note);
    return Done(ctx, DetectionOutcome::Unknown);
  }

  const std::string type = db.FieldAsText("ChipType");
  frame.sbChipDetectEnabled = DetectionSupported(type);
  const std::string manufacturer = db.FieldAsText("ManufName");
  const std::string name = db.FieldAsText("ChipName");
  if (!frame.cmbChipType.SelectExact(type)) return Done(ctx, DetectionOutcome::NotInFrame);

  if (matches >= 2 && !ctx.ChipDetectAutoSelect) {
    // The shared query still holds every chip with this code.
    ShowChipFindOverQuery(ctx);
    return Done(ctx, DetectionOutcome::ChoiceOffered);
  }

  if (!FindChipInFrame(ctx, manufacturer, name)) return Done(ctx, DetectionOutcome::NotInFrame);
  RunChipNameQuietly(ctx);
  ctx.log.LogStamped(ctx.Texts.LogChipDetect + name + " " + ctx.Texts.LogChipDetectCapcity +
                         CapacityText(ctx.CurrentPrj.ChipSize),
                     LogColour::Success);
  return Done(ctx, DetectionOutcome::Identified);
}

void mmChipDetectAutoClick(AppContext& ctx) {
  ctx.ChipDetectAutoSelect = !ctx.ChipDetectAutoSelect;
  ctx.panel.MainWindowStateChanged();
}

void mmManufClick(AppContext& ctx) {
  // mmManuf flips; the flag follows mmChipDetectAuto, its opposite.
  const bool manual_ticked = ctx.ChipDetectAutoSelect;
  ctx.ChipDetectAutoSelect = !manual_ticked;
  ctx.panel.MainWindowStateChanged();
}

}  // namespace tessary
