// The chip selection cascade.
#include "catalogue/chip_selection.h"

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_parameters.h"
#include "operations/chip_commands.h"

namespace tessary {
namespace {

using namespace statements;

bool DetectionSupported(std::string_view type) {
  return type == kTypeNandFlash || type == kType25Flash || type == kType45Eeprom;
}

std::string VoltageText(std::int32_t millivolts) {
  switch (VoltageCode(millivolts)) {
    case 1: return "1.8V";
    case 2: return "5.0V";
    default: return "3.3V";
  }
}

void FillBox(ChipDatabase& db, ComboBoxState& box, std::string_view column) {
  box.Clear();
  for (int n = db.RecordCount(); n > 0; --n) {
    box.Add(db.FieldAsText(column));
    if (n > 1) db.NextRecord();
  }
}

}  // namespace

void cmbChipTypeChange(AppContext& ctx) {
  ChipFrameState& frame = ctx.ChipFrame;
  const std::string type = frame.cmbChipType.text;
  frame.sbChipDetectEnabled = DetectionSupported(type);
  if (type == kType93Eeprom) {
    ctx.Window.SocketTypeIndex = 0;
    ctx.Window.SocketTypeEnabled = false;
  } else {
    ctx.Window.SocketTypeEnabled = true;
  }
  ctx.Database.RunQuery(kManufacturersOfType, {type});
  FillBox(ctx.Database, frame.cmbDownChipManuf, "ManufName");
  frame.cmbDownChipManuf.Select(0);
  ctx.panel.MainWindowStateChanged();
  cmbDownChipManufChange(ctx);
}

void cmbDownChipManufChange(AppContext& ctx) {
  ChipFrameState& frame = ctx.ChipFrame;
  ctx.Database.RunQuery(kChipNamesByCapacity, {frame.cmbChipType.text, frame.cmbDownChipManuf.text});
  FillBox(ctx.Database, frame.cmbDownChipName, "ChipName");
  frame.cmbDownChipName.Select(0);
  ctx.panel.MainWindowStateChanged();
  cmbDownChipNameChange(ctx);
}

void cmbDownChipNameChange(AppContext& ctx) {
  ChipFrameState& frame = ctx.ChipFrame;
  const std::string name = frame.cmbDownChipName.text;
  const bool quiet = frame.ChipNameTag != 0;
  frame.ChipNameTag = 0;
  if (ctx.Database.RunQuery(kChipByName, {name}) == 0) {
    // Typed by hand or an empty list: no row to read, so the chip that is
    // current stays current rather than turning into a chip of zeros.
    ctx.panel.MainWindowStateChanged();
    return;
  }

  Prj_Info_Struct& chip = ctx.CurrentPrj;
  ReadChipRow(ctx.Database, chip);
  frame.ledtChipCap = CapacityText(chip.ChipSize);
  if (!quiet) {
    ctx.log.LogStamped(ctx.Texts.LogChipSelect + name + " " + ctx.Texts.LogChipDetectCapcity +
                           frame.ledtChipCap,
                       LogColour::Highlight);
  }
  frame.ledtPageSize = CapacityText(chip.PageSize);
  frame.ChipOtpVisible = chip.OTPSize != 0;
  if (chip.OTPSize >= 1) frame.ledtChipOTPSize = CapacityText(chip.OTPSize);
  frame.ledtChipVoltage = VoltageText(ctx.Database.FieldAsInteger("Voltage"));
  frame.labelVoltageNoteVisible = false;
  ctx.Window.Pinout = SocketPinout::Standard;

  if (chip.ChipName != name) {
    chip.ChipName = name;
    ResetBuffer(ctx);
  }
  ctx.panel.MainWindowStateChanged();
  (void)SendChipParameters(ctx.link, chip);
}

void ResetBuffer(AppContext& ctx) {
  if (!ctx.ChipFrame.HostedInMainWindow) return;
  const BufferResetOutcome outcome = ResetBufferAndView(ctx.Hex, ctx.CurrentPrj.ChipSize);
  if (outcome.status != BufferStatus::Ok) {
    ctx.log.LogStamped(std::string(DescribeBufferStatus(outcome.status)), LogColour::Error);
    return;
  }
  ctx.SetStatusPanel(3, ctx.Hex.CheckSumText());
  ctx.DeviceInfo.SucCount = 0;
  ctx.DeviceInfo.FalCount = 0;
  ctx.Window.ResultText = RunCounterText(0, 0);
  ctx.panel.MainWindowStateChanged();
}

void LoadChipTypes(AppContext& ctx) {
  ComboBoxState& types = ctx.ChipFrame.cmbChipType;
  types.Clear();
  ctx.ChipTypeAvailability.fill(false);
  ChipDatabase& db = ctx.Database;
  for (int n = db.RunQuery(kEnabledChipTypes); n > 0; --n) {
    std::string name = db.FieldAsText("TypeName");
    for (std::size_t i = 0; i < kAvailabilityTypeNames.size(); ++i) {
      if (kAvailabilityTypeNames[i] == name) ctx.ChipTypeAvailability[i] = true;
    }
    types.Add(std::move(name));
    if (n > 1) db.NextRecord();
  }
  ctx.panel.MainWindowStateChanged();
}

}  // namespace tessary
