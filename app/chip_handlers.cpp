// Entry points of the selection frame, the detection and the chip search.
#include "app/chip_handlers.h"

#include "catalogue/chip_parameters.h"
#include "catalogue/chip_search.h"
#include "operations/chip_commands.h"
#include "app/programmer_options.h"

namespace tessary {
namespace {

// EEPROM types without an identification code that must be set up again
// in full (the chip-name handler) when the programmer does not answer.
bool ReappliedAfterSilence(ChipTypeId type) {
  return type == ChipTypeId::Eeprom95 || type == ChipTypeId::Eeprom93 ||
         type == ChipTypeId::Eeprom25;
}

void RunChipNameQuietly(AppContext& ctx) {
  ctx.ChipFrame.ChipNameTag = 2;
  cmbDownChipNameChange(ctx);
}

}  // namespace

ChipFrameParts ChipFramePartsOf(AppContext& ctx) {
  return {ctx.Database, ctx.ChipFrame, ctx.CurrentPrj, ctx.log, ctx.Texts, ctx.panel};
}

void cmbChipTypeChange(AppContext& ctx) {
  const ChipFrameParts parts = ChipFramePartsOf(ctx);
  ChooseChipType(parts);
  if (ctx.ChipFrame.cmbChipType.text == kType93Eeprom) {
    ctx.Window.SocketTypeIndex = 0;
    ctx.Window.SocketTypeEnabled = false;
  } else {
    ctx.Window.SocketTypeEnabled = true;
  }
  ctx.panel.MainWindowStateChanged();
  cmbDownChipManufChange(ctx);
}

void cmbDownChipManufChange(AppContext& ctx) {
  const ChipFrameParts parts = ChipFramePartsOf(ctx);
  ChooseManufacturer(parts);
  ctx.panel.MainWindowStateChanged();
  cmbDownChipNameChange(ctx);
}

void cmbDownChipNameChange(AppContext& ctx) {
  const ChipFrameParts parts = ChipFramePartsOf(ctx);
  const ChipNameOutcome outcome = ChooseChipName(parts);
  if (outcome == ChipNameOutcome::NotInCatalogue) {
    ctx.panel.MainWindowStateChanged();
    return;
  }
  ctx.Window.Pinout = SocketPinout::Standard;
  if (outcome == ChipNameOutcome::NewChip) ResetBufferForChip(ctx);
  ctx.panel.MainWindowStateChanged();
  // Without a programmer there is nothing to set up yet: detection sends the
  // parameters again once one is found.
  static_cast<void>(SendChipParameters(ctx.link, ctx.CurrentPrj));
}

void ResetBufferForChip(AppContext& ctx) {
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
  LoadChipTypes(ctx.Database, ctx.ChipFrame.cmbChipType, ctx.ChipTypeAvailability);
  ctx.panel.MainWindowStateChanged();
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
      // The programmer just failed to answer; the red line below says so.
      static_cast<void>(SendChipParameters(ctx.link, ctx.CurrentPrj));
    }
    ctx.log.LogStamped(ctx.Texts.LogChipDetectError, LogColour::Error);
    ctx.panel.MainWindowStateChanged();
    return DetectionOutcome::NoAnswer;
  }

  if (ctx.ChipFrame.HostedInMainWindow) rgbSocketTypeClick(ctx);
  const ChipFrameParts parts = ChipFramePartsOf(ctx);
  const DetectionOutcome outcome =
      MatchChipCode(parts, ctx.ChipSearch, reply.id, ctx.ChipDetectAutoSelect);
  if (outcome == DetectionOutcome::Series24 || outcome == DetectionOutcome::Identified) {
    cmbDownChipNameChange(ctx);
    LogDetectedChip(parts, outcome);
  }
  ctx.panel.MainWindowStateChanged();
  return outcome;
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

void sbChipFindClick(AppContext& ctx) {
  ShowChipFindOverQuery(ctx.Database, ctx.ChipSearch, ctx.panel);
}

void lbeChipFindContentKeyUp(AppContext& ctx) {
  SearchChips(ctx.Database, ctx.ChipSearch, ctx.ChipTypeAvailability, ctx.panel);
}

void ChipFindButton3Click(AppContext& ctx) {
  const SearchPick pick = PickSearchRow(ctx.Database, ctx.ChipSearch, ctx.ChipFrame);
  if (pick == SearchPick::Nothing) return;
  if (pick == SearchPick::ChipInFrame) cmbDownChipNameChange(ctx);
  ctx.panel.MainWindowStateChanged();
}

void ChipFindButton4Click(AppContext& ctx) {
  ctx.ChipSearch.Visible = false;
  ctx.panel.MainWindowStateChanged();
}

}  // namespace tessary
