// The programming operations as the operator starts them: erase, write,
// read, verify, blank check, stop, the auto sequence and mass production.
// Each Run… function checks its preconditions in order, picks the socket(s),
// runs the operation body, tells the programmer the state with status
// indications and writes the timed log lines; the window's `*Click` handlers
// and the command line both call them.
#pragma once

#include <string_view>

#include "operations/chip_job.h"

namespace tessary {

class AppContext;

// Highlight line after every write.
inline constexpr std::string_view kTextVerifyReminder = "请使用效验功能检查数据写入是否正确！";

[[nodiscard]] OperationResult RunErase(AppContext& ctx);
[[nodiscard]] OperationResult RunWrite(AppContext& ctx);
[[nodiscard]] OperationResult RunRead(AppContext& ctx);
[[nodiscard]] OperationResult RunVerify(AppContext& ctx);
[[nodiscard]] OperationResult RunBlankCheck(AppContext& ctx);

// The stop button: only asks the running loop to end at its next block.
void RequestStop(AppContext& ctx);

// The auto sequence: the steps chosen in OprErase/OprWrite/OprVerify on the
// selected socket(s), the counters and stResult, a production record row.
struct AutoOutcome {
  bool ran = false;  // false: a precondition stopped it before any step
  int good = 0;      // chips that passed
  int bad = 0;       // chips that failed
};
[[nodiscard]] AutoOutcome RunAutoSequence(AppContext& ctx);

// "Suc:N  Fal:M" from the counters.
void ShowRunCounters(AppContext& ctx);
void ClearRunCounters(AppContext& ctx);

// Mass production: starts (with a linked programmer) or stops it.
void ToggleMassProduction(AppContext& ctx);
void StopMassProduction(AppContext& ctx, bool idle_timeout);
// One 100 ms step of the watch loop (timMass).
void MassProductionStep(AppContext& ctx);
// The 2 s socket poll timer (timMassChipCheck): only marks a poll due.
void MarkSocketPollDue(AppContext& ctx);

// The window's entry points.
void sbEraseClick(AppContext& ctx);
void sbWriteClick(AppContext& ctx);
void sbReadClick(AppContext& ctx);
void sbVerifyClick(AppContext& ctx);
void sbBlankCheckClick(AppContext& ctx);
void sbStopClick(AppContext& ctx);
void sbAutoClick(AppContext& ctx);
void sbMessClick(AppContext& ctx);
void timMassTimer(AppContext& ctx);
void timMassChipCheckTimer(AppContext& ctx);
void btnClearDownTimesClick(AppContext& ctx);

}  // namespace tessary
