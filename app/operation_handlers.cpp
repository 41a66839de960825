// Programming operations, auto sequence and mass production handlers.
#include "app/operation_handlers.h"

#include <string>

#include "app/app_context.h"
#include "app/programmer_options.h"
#include "operations/chip_commands.h"
#include "operations/production_record.h"
#include "operations/programming.h"

namespace tessary {
namespace {

constexpr int kMassIdleTicksLimit = 300;  // 30 s of 100 ms ticks

// Marks an operation running for as long as it lives; the window disables
// the other operations meanwhile.
class OperationScope {
 public:
  explicit OperationScope(AppContext& ctx) : ctx_(ctx) {
    ctx_.Window.OperationRunning = true;
    ctx_.panel.MainWindowStateChanged();
  }
  ~OperationScope() {
    ctx_.Window.OperationRunning = false;
    ctx_.panel.MainWindowStateChanged();
  }
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;

 private:
  AppContext& ctx_;
};

// The status indications only drive the programmer's lamps and buzzer;
// a lost one changes nothing about the chip.
void Indicate(AppContext& ctx, std::uint16_t code) {
  static_cast<void>(SendStatusIndication(ctx.link, code));
}

bool RefusedWhileBusy(AppContext& ctx) {
  if (!ctx.Window.OperationRunning) return false;
  ctx.log.LogStamped(ctx.Texts.LogOperationRunning, LogColour::Error);
  return true;
}

bool OfflineReported(AppContext& ctx) {
  if (ctx.link.LinkOpen()) return false;
  ctx.log.ReportDeviceOffline(ctx.Texts.DevConStaOffline);
  return true;
}

// A programmer lost in the middle shows as the offline line.
OperationResult Finished(AppContext& ctx, OperationResult result) {
  if (!ctx.link.LinkOpen()) {
    ctx.log.ReportDeviceOffline(ctx.Texts.DevConStaOffline);
    return OperationResult::Failed;
  }
  return result;
}

void ScanBadBlocksIfDue(AppContext& ctx) {
  if (ctx.CurrentPrj.ChipType != ChipTypeId::NandFlash || !ctx.Window.IgnoreInvalidBlocks) return;
  const std::uint8_t selector = ctx.CurrentPrj.ChannelSelector;
  // The scan logs its own outcome; a failed scan leaves the last table.
  static_cast<void>(ScanBadBlocks(ctx));
  ctx.CurrentPrj.ChannelSelector = selector;
}

std::string Seconds(AppContext& ctx, std::uint32_t since) {
  return FormatDurationSeconds(ctx.clock.TickCountMs() - since) + ctx.Texts.LogOperatTime;
}

std::string ChannelNumber(std::uint8_t selector) {
  return "CH" + std::to_string(static_cast<int>(selector) + 1) + " ";
}

// Verifies one channel and writes its timed result line.
OperationResult VerifyAndReport(AppContext& ctx, std::uint8_t channel, std::string_view label) {
  const std::uint32_t started = ctx.clock.TickCountMs();
  const VerifyOutcome outcome = VerifyChannel(ctx.Job(), channel);
  const bool ok = outcome.result == OperationResult::Ok;
  Indicate(ctx, ok ? kStatusSuccess : kStatusFailure);
  ctx.log.LogStamped(std::string(label) +
                         (ok ? ctx.Texts.LogChipVerifySuccess : ctx.Texts.LogChipVerifyError) +
                         Seconds(ctx, started),
                     ok ? LogColour::Success : LogColour::Error);
  return outcome.result;
}

}  // namespace

OperationResult RunErase(AppContext& ctx) {
  if (RefusedWhileBusy(ctx)) return OperationResult::Failed;
  OperationScope running(ctx);
  if (OfflineReported(ctx)) return OperationResult::Failed;
  if (!ctx.CurrentPrj.ChipSelected()) {
    ctx.log.LogStamped(ctx.Texts.LogChipEraseChipErr, LogColour::Error);
    return OperationResult::Failed;
  }
  if (!CheckSockets(ctx)) return OperationResult::Failed;
  const std::uint32_t started = ctx.clock.TickCountMs();
  Indicate(ctx, kStatusStart);
  ScanBadBlocksIfDue(ctx);
  const std::uint8_t selector = ctx.CurrentPrj.ChannelSelector;
  const OperationResult result = EraseChip(ctx.Job(), selector);
  const bool ok = result == OperationResult::Ok;
  if (!ok) Indicate(ctx, kStatusFailure);
  ctx.log.LogStamped(std::string(ChannelName(selector)) +
                         (ok ? ctx.Texts.LogChipEraseSuccess : ctx.Texts.LogChipEraseChipErr) +
                         Seconds(ctx, started),
                     ok ? LogColour::Success : LogColour::Error);
  Indicate(ctx, kStatusDone);
  if (ok) Indicate(ctx, kStatusSuccess);
  return Finished(ctx, result);
}

OperationResult RunWrite(AppContext& ctx) {
  if (RefusedWhileBusy(ctx)) return OperationResult::Failed;
  OperationScope running(ctx);
  if (OfflineReported(ctx)) return OperationResult::Failed;
  if (!ctx.CurrentPrj.ChipSelected()) {
    ctx.log.LogStamped(ctx.Texts.LogChipWriteChipErr, LogColour::Error);
    return OperationResult::Failed;
  }
  if (!CheckSockets(ctx)) return OperationResult::Failed;
  ScanBadBlocksIfDue(ctx);
  const OperationResult result = WriteChip(ctx.Job(), ctx.CurrentPrj.ChannelSelector);
  Indicate(ctx, kStatusDone);
  if (result == OperationResult::Failed && ctx.link.LinkOpen()) {
    ctx.log.LogStamped(std::string(ChannelName(ctx.CurrentPrj.ChannelSelector)) +
                           ctx.Texts.LogChipWriteCommError,
                       LogColour::Error);
  }
  ctx.log.LogStamped(kTextVerifyReminder, LogColour::Highlight);
  return Finished(ctx, result);
}

OperationResult RunRead(AppContext& ctx) {
  if (RefusedWhileBusy(ctx)) return OperationResult::Failed;
  OperationScope running(ctx);
  if (OfflineReported(ctx)) return OperationResult::Failed;
  if (!CheckSockets(ctx)) return OperationResult::Failed;
  if (!ctx.CurrentPrj.ChipSelected()) return OperationResult::Failed;
  const std::uint8_t selector = ctx.CurrentPrj.ChannelSelector;
  ctx.log.LogStamped(std::string(ChannelName(selector)) + ctx.Texts.LogChipReadChip,
                     LogColour::Highlight);
  Indicate(ctx, kStatusStart);
  const std::uint32_t started = ctx.clock.TickCountMs();
  ScanBadBlocksIfDue(ctx);
  const OperationResult result = ReadChip(ctx.Job(), selector);

  // The buffer was re-created: the view starts again at its top.
  ctx.Hex.BufferChanged();
  ctx.Hex.SetScrollMaximum(ctx.RamFile.DataLen);
  ctx.Hex.Scroll(0);
  ctx.Hex.RedrawHexView();
  const bool ok = result == OperationResult::Ok && ctx.link.LinkOpen();
  ctx.log.LogStamped(std::string(ChannelName(selector)) +
                         (ok ? ctx.Texts.LogChipReadSuccess + Seconds(ctx, started)
                             : ctx.Texts.LogChipReadError),
                     ok ? LogColour::Success : LogColour::Error);
  Indicate(ctx, kStatusDone);
  Indicate(ctx, ok ? kStatusSuccess : kStatusFailure);
  return Finished(ctx, ok ? OperationResult::Ok : OperationResult::Failed);
}

OperationResult RunVerify(AppContext& ctx) {
  if (RefusedWhileBusy(ctx)) return OperationResult::Failed;
  OperationScope running(ctx);
  if (OfflineReported(ctx)) return OperationResult::Failed;
  ctx.log.LogStamped(ctx.Texts.LogChipVerifyChip, LogColour::Highlight);
  if (!CheckSockets(ctx)) return OperationResult::Failed;
  if (!ctx.CurrentPrj.ChipSelected()) return OperationResult::Failed;
  Indicate(ctx, kStatusStart);
  const std::uint8_t selector = ctx.CurrentPrj.ChannelSelector;
  if (selector != kChannelBoth) {
    const OperationResult result = VerifyAndReport(ctx, selector, ChannelNumber(selector));
    Indicate(ctx, result == OperationResult::Ok ? kStatusDone : kStatusVerifyFailed);
    return Finished(ctx, result);
  }
  const OperationResult first = VerifyAndReport(ctx, kChannelCh1, "CH1  ");
  Indicate(ctx, kStatusDone);
  Indicate(ctx, kStatusStart);
  ScanBadBlocksIfDue(ctx);
  const OperationResult second = VerifyAndReport(ctx, kChannelCh2, "CH2  ");
  ctx.CurrentPrj.ChannelSelector = selector;
  return Finished(ctx, first == OperationResult::Ok ? second : first);
}

OperationResult RunBlankCheck(AppContext& ctx) {
  if (RefusedWhileBusy(ctx)) return OperationResult::Failed;
  OperationScope running(ctx);
  if (OfflineReported(ctx)) return OperationResult::Failed;
  if (!ctx.CurrentPrj.ChipSelected()) return OperationResult::Failed;
  if (!CheckSockets(ctx)) return OperationResult::Failed;
  const std::uint8_t selector = ctx.CurrentPrj.ChannelSelector;
  Indicate(ctx, kStatusStart);
  ctx.log.LogStamped(ChannelNumber(selector) + ctx.Texts.LogChipBankCheck, LogColour::Highlight);
  const std::uint32_t started = ctx.clock.TickCountMs();
  ChannelProgress bars(ctx.panel, kChannelBoth, ctx.CurrentPrj.ChipSize);
  bars.SetColour(LogColour::Success);
  const OperationResult result = BlankCheckChannel(ctx.Job(), selector);
  const bool ok = result == OperationResult::Ok;
  ctx.log.LogStamped(ChannelNumber(selector) +
                         (ok ? ctx.Texts.LogChipBankTrue : ctx.Texts.LogChipBankFalse) +
                         Seconds(ctx, started),
                     ok ? LogColour::Success : LogColour::Error);
  Indicate(ctx, ok ? kStatusSuccess : kStatusFailure);
  return Finished(ctx, result);
}

void RequestStop(AppContext& ctx) { ctx.CurrentPrj.StopRequest = 1; }

void ShowRunCounters(AppContext& ctx) {
  ctx.Window.ResultText = RunCounterText(ctx.DeviceInfo.SucCount, ctx.DeviceInfo.FalCount);
  ctx.panel.MainWindowStateChanged();
}

void ClearRunCounters(AppContext& ctx) {
  ctx.DeviceInfo.SucCount = 0;
  ctx.DeviceInfo.FalCount = 0;
  ShowRunCounters(ctx);
}

namespace {

struct AutoRun {
  AppContext& ctx;
  std::uint32_t started;
  std::uint8_t selector;
  std::string steps;
  bool recorded = false;

  std::string Since() const {
    return ctx.Texts.LogOperatTimeTitle +
           FormatDurationSeconds(ctx.clock.TickCountMs() - started) + ctx.Texts.LogOperatTime;
  }
  int Chips() const { return selector == kChannelBoth ? 2 : 1; }

  // A failed erase or write ends the run: every chip in it counts as bad.
  AutoOutcome Failed() {
    ctx.log.LogStamped(ctx.Texts.LogStaError + Since(), LogColour::Error);
    ctx.DeviceInfo.FalCount += Chips();
    return {true, 0, Chips()};
  }
};

void RecordRun(AppContext& ctx, const AutoRun& run, const AutoOutcome& outcome,
               const std::string& result) {
  ProductionRow row;
  row.when = ctx.clock.LocalTime();
  std::string socket(ChannelName(run.selector));
  socket.pop_back();
  row.socket = socket;
  row.chip_name = ctx.CurrentPrj.ChipName;
  row.chip_id = ctx.CurrentPrj.ChipID;
  row.data_file = ctx.RamFile.FileName;
  row.byte_sum = ctx.RamFile.CheckSum;
  row.steps = run.steps;
  row.result = result.empty() ? (outcome.bad == 0 ? "good" : "bad") : result;
  row.seconds = (ctx.clock.TickCountMs() - run.started) / 1000.0;
  const std::filesystem::path file = ctx.RecordFile.empty()
                                         ? DailyRecordFile(ctx.Paths.RecordsFolder(), row.when)
                                         : ctx.RecordFile;
  std::string error;
  if (!AppendProductionRow(file, row, error))
    ctx.log.LogStamped(ctx.Texts.LogRecordNotWritten + file.string(), LogColour::Error);
}

AutoOutcome AutoSteps(AppContext& ctx, AutoRun& run) {
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  const std::string channel(ChannelName(run.selector));
  OperationResult last = OperationResult::Ok;
  if (chip.OprErase == 1) {
    Indicate(ctx, kStatusStart);
    const std::uint32_t step = ctx.clock.TickCountMs();
    last = EraseChip(ctx.Job(), run.selector);
    const bool ok = last == OperationResult::Ok;
    Indicate(ctx, ok ? kStatusSuccess : kStatusFailure);
    ctx.log.LogStamped(channel + (ok ? ctx.Texts.LogChipEraseSuccess : ctx.Texts.LogChipEraseChipErr) +
                           Seconds(ctx, step),
                       ok ? LogColour::Success : LogColour::Error);
    if (!ok) return run.Failed();
  }
  if (chip.OprWrite == 1) {
    ctx.log.LogStamped(channel + ctx.Texts.LogChipWrite, LogColour::Highlight);
    last = WriteChip(ctx.Job(), run.selector);
    if (last != OperationResult::Ok) return run.Failed();
  }
  if (chip.OprVerify == 1) {
    ctx.log.LogStamped(ctx.Texts.LogChipVerifyChip, LogColour::Highlight);
    Indicate(ctx, kStatusStart);
    if (run.selector == kChannelBoth) {
      const bool ok1 = VerifyAndReport(ctx, kChannelCh1, "CH1  ") == OperationResult::Ok;
      const bool ok2 = VerifyAndReport(ctx, kChannelCh2, "CH2  ") == OperationResult::Ok;
      ctx.CurrentPrj.ChannelSelector = run.selector;
      const AutoOutcome outcome{true, ok1 + ok2, !ok1 + !ok2};
      ctx.DeviceInfo.SucCount += outcome.good;
      ctx.DeviceInfo.FalCount += outcome.bad;
      const auto verdict = [&](bool ok) { return ok ? ctx.Texts.LogStaSuccess : ctx.Texts.LogStaError; };
      const bool both = ok1 && ok2;
      ctx.log.LogStamped("CH1 " + verdict(ok1) + "CH2 " + verdict(ok2) + run.Since(),
                         both ? LogColour::Success : LogColour::Error);
      if (both) {
        Indicate(ctx, kStatusSuccess);
        Indicate(ctx, kStatusDone);
      } else {
        Indicate(ctx, kStatusVerifyFailed);
        Indicate(ctx, kStatusFailure);
      }
      RecordRun(ctx, run, outcome,
                std::string(ok1 ? "good" : "bad") + "/" + (ok2 ? "good" : "bad"));
      run.recorded = true;
      return outcome;
    }
    last = VerifyAndReport(ctx, run.selector, ChannelNumber(run.selector));
  }
  const bool ok = last == OperationResult::Ok;
  ctx.log.LogStamped(ChannelNumber(run.selector) +
                         (ok ? ctx.Texts.LogStaSuccess : ctx.Texts.LogStaError) + run.Since(),
                     ok ? LogColour::Success : LogColour::Error);
  Indicate(ctx, ok ? kStatusDone : kStatusVerifyFailed);
  // Every chip of the run counts: two for a dual-socket run.
  if (ok) {
    ctx.DeviceInfo.SucCount += run.Chips();
    return {true, run.Chips(), 0};
  }
  ctx.DeviceInfo.FalCount += run.Chips();
  return {true, 0, run.Chips()};
}

}  // namespace

AutoOutcome RunAutoSequence(AppContext& ctx) {
  if (RefusedWhileBusy(ctx)) return {};
  ctx.Window.AutoButtonEnabled = false;
  ctx.panel.MainWindowStateChanged();
  struct Reenable {
    AppContext& ctx;
    ~Reenable() {
      ctx.Window.AutoButtonEnabled = true;
      ctx.panel.MainWindowStateChanged();
    }
  } reenable{ctx};
  OperationScope running(ctx);

  if (OfflineReported(ctx)) return {};
  if (!ctx.CurrentPrj.ChipSelected()) {
    ctx.log.LogStamped(ctx.Texts.LogChipEraseChipErr, LogColour::Error);
    return {};
  }
  Indicate(ctx, kStatusAutoStart);
  // In mass production the step has chosen the socket already.
  if (!ctx.Window.MassRunning && !CheckSockets(ctx)) return {};
  const Prj_Info_Struct& chip = ctx.CurrentPrj;
  AutoRun run{ctx, ctx.clock.TickCountMs(), chip.ChannelSelector, {}};
  for (const auto& [on, name] : {std::pair{chip.OprErase, "erase"}, std::pair{chip.OprWrite, "write"},
                                 std::pair{chip.OprVerify, "verify"}}) {
    if (on != 1) continue;
    run.steps += (run.steps.empty() ? "" : "+") + std::string(name);
  }
  ScanBadBlocksIfDue(ctx);
  AutoOutcome outcome = AutoSteps(ctx, run);
  if (!ctx.link.LinkOpen()) {
    // A run the programmer left half-way is never a good chip.
    ctx.DeviceInfo.SucCount -= outcome.good;
    ctx.DeviceInfo.FalCount += outcome.good;
    outcome.bad += outcome.good;
    outcome.good = 0;
    ctx.log.ReportDeviceOffline(ctx.Texts.DevConStaOffline);
  }
  if (!run.recorded) RecordRun(ctx, run, outcome, "");
  ShowRunCounters(ctx);
  return outcome;
}

// --- mass production ---------------------------------------------------------

namespace {

void SetMassTimers(AppContext& ctx, bool enabled) {
  ctx.Window.TimMassEnabled = enabled;
  ctx.Window.TimMassChipCheckEnabled = enabled;
}

void StartMassProduction(AppContext& ctx) {
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  ctx.Window.MassRunning = true;
  chip.StopRequest = 0;
  chip.SocketPollDue = 1;
  chip.SocketState1 = kSocketEmpty;
  chip.SocketState2 = kSocketEmpty;
  ctx.Window.ProgramControlsLocked = true;
  ctx.log.LogStamped(ctx.Texts.LogChipMassStart, LogColour::Highlight);
  ctx.Window.MassIdleTicks = 0;
  SetMassTimers(ctx, true);
  ctx.panel.MainWindowStateChanged();
}

// Programs the chip just put into `socket` (0 CH1, 1 CH2).
void ServeSocket(AppContext& ctx, int socket) {
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  ctx.Window.SocketTypeIndex = kSocketModeSingle;
  chip.ChannelSelector = socket == 0 ? kChannelCh1 : kChannelCh2;
  ctx.Window.Pinout = socket == 0 ? SocketPinout::Standard : SocketPinout::Pinout10;
  ctx.panel.SetProgressVisible(ProgressBar::Chip1, socket == 0);
  ctx.panel.SetProgressVisible(ProgressBar::Chip2, socket == 1);
  ctx.panel.MainWindowStateChanged();
  ctx.waiter.WaitTicks(100000);  // the chip settles in its socket
  if (!ctx.Window.MassRunning || !ctx.link.LinkOpen()) return;
  static_cast<void>(RunAutoSequence(ctx));  // counted and logged by the sequence
  if (socket == 0) {
    chip.SocketState1 = kSocketChipPresent;
    chip.ChipInserted1 = 0;
  } else {
    chip.SocketState2 = kSocketChipPresent;
    chip.ChipInserted2 = 0;
  }
  ctx.Window.MassIdleTicks = 0;
}

}  // namespace

void StopMassProduction(AppContext& ctx, bool idle_timeout) {
  ctx.Window.MassRunning = false;
  if (!idle_timeout) ctx.CurrentPrj.StopRequest = 1;
  ctx.Window.MassIdleTicks = 0;
  SetMassTimers(ctx, false);
  ctx.CurrentPrj.SocketPollDue = 0;
  ctx.Window.ProgramControlsLocked = false;
  ctx.log.LogStamped(idle_timeout ? ctx.Texts.LogChipMassAutoStop : ctx.Texts.LogChipMassStop,
                     LogColour::Highlight);
  ctx.panel.MainWindowStateChanged();
}

void ToggleMassProduction(AppContext& ctx) {
  if (ctx.Window.MassRunning) {
    StopMassProduction(ctx, false);
  } else if (ctx.link.LinkOpen()) {
    StartMassProduction(ctx);
  } else {
    ctx.log.ReportDeviceOffline(ctx.Texts.DevConStaOffline);
  }
}

void MassProductionStep(AppContext& ctx) {
  ctx.Window.TimMassEnabled = false;
  ctx.Window.TimerScanEnabled = false;
  ctx.panel.MainWindowStateChanged();
  if (!ctx.link.LinkOpen()) {
    // Halted: the offline line was logged on removal; the controls stay
    // locked until the operator presses the mass button.
    return;
  }
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  PollSocketsIfDue(ctx.link, chip);
  if (chip.ChipInserted1 != 0) ServeSocket(ctx, 0);
  if (ctx.Window.MassRunning && chip.ChipInserted2 != 0) ServeSocket(ctx, 1);
  ++ctx.Window.MassIdleTicks;
  if (ctx.Window.MassIdleTicks <= kMassIdleTicksLimit) {
    if (ctx.Window.MassRunning) {
      ctx.Window.TimMassEnabled = true;
    } else {
      ctx.Window.TimMassChipCheckEnabled = false;
    }
    ctx.Window.TimerScanEnabled = true;
    ctx.panel.MainWindowStateChanged();
    return;
  }
  StopMassProduction(ctx, true);
}

void MarkSocketPollDue(AppContext& ctx) { ctx.CurrentPrj.SocketPollDue = 1; }

// Each Run… function reports its outcome in the log; the window needs no more.
void sbEraseClick(AppContext& ctx) { static_cast<void>(RunErase(ctx)); }
void sbWriteClick(AppContext& ctx) { static_cast<void>(RunWrite(ctx)); }
void sbReadClick(AppContext& ctx) { static_cast<void>(RunRead(ctx)); }
void sbVerifyClick(AppContext& ctx) { static_cast<void>(RunVerify(ctx)); }
void sbBlankCheckClick(AppContext& ctx) { static_cast<void>(RunBlankCheck(ctx)); }
void sbStopClick(AppContext& ctx) { RequestStop(ctx); }
void sbAutoClick(AppContext& ctx) { static_cast<void>(RunAutoSequence(ctx)); }
void sbMessClick(AppContext& ctx) { ToggleMassProduction(ctx); }
void timMassTimer(AppContext& ctx) { MassProductionStep(ctx); }
void timMassChipCheckTimer(AppContext& ctx) { MarkSocketPollDue(ctx); }
void btnClearDownTimesClick(AppContext& ctx) { ClearRunCounters(ctx); }

}  // namespace tessary
