// tessary-cli mass FILE: mass production. Every chip put into a socket gets
// the auto sequence with FILE, until --count chips are done, Ctrl+C (the
// chip being programmed is finished first) or 30 s without a new chip.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>

#include "app/operation_handlers.h"
#include "cli/chip_operation.h"
#include "cli/commands.h"

namespace tessary::cli {
namespace {

constexpr std::uint64_t kStepUs = 100'000;      // timMass
constexpr std::uint64_t kSocketPollUs = 2'000'000;  // timMassChipCheck

struct MassOptions {
  ChipOptions chip;
  std::string file;
  std::string steps;
  std::string record;
  int count = 0;  // 0: until stopped or idle
};

int ChipsDone(const AppContext& ctx) {
  return static_cast<int>(ctx.DeviceInfo.SucCount + ctx.DeviceInfo.FalCount);
}

int RunMass(AppContext& ctx, const MassOptions& options) {
  if (!ApplySteps(ctx, options.steps)) return kExitFailure;
  if (const int code = LoadDataFile(ctx, options.file); code != kExitOk) return code;
  ctx.RecordFile = options.record;
  ClearRunCounters(ctx);
  ToggleMassProduction(ctx);
  if (!ctx.Window.MassRunning) {
    return ReportFailure("mass production did not start.", kExitFailure);
  }
  std::fprintf(stderr, "Put the chips into the sockets; Ctrl+C stops after the current chip.\n");

  Clock& clock = ctx.clock;
  std::uint64_t next_step = clock.NowMicroseconds() + kStepUs;
  std::uint64_t next_poll = clock.NowMicroseconds() + kSocketPollUs;
  bool interrupted = false;
  while (ctx.Window.MassRunning && ctx.link.LinkOpen()) {
    if (Interrupted()) {
      interrupted = true;
      StopMassProduction(ctx, false);
      break;
    }
    if (options.count > 0 && ChipsDone(ctx) >= options.count) {
      StopMassProduction(ctx, false);
      break;
    }
    const std::uint64_t now = clock.NowMicroseconds();
    const std::uint64_t due = std::min(next_step, next_poll);
    if (now < due) {
      clock.IdleFor(due - now);
      continue;
    }
    ctx.panel.PumpEvents();
    if (now >= next_poll) {
      MarkSocketPollDue(ctx);
      next_poll = now + kSocketPollUs;
    }
    if (now >= next_step) {
      MassProductionStep(ctx);
      next_step = clock.NowMicroseconds() + kStepUs;
    }
  }

  const int good = static_cast<int>(ctx.DeviceInfo.SucCount);
  const int bad = static_cast<int>(ctx.DeviceInfo.FalCount);
  std::printf("Good: %d  Bad: %d\n", good, bad);
  if (!ctx.link.LinkOpen()) {
    if (ctx.Window.MassRunning) StopMassProduction(ctx, false);
    return ReportFailure("mass production stopped: the programmer was lost (unplugged?).",
                         kExitFailure);
  }
  if (bad > 0) return ReportFailure(std::to_string(bad) + " chip(s) failed.", kExitFailure);
  if (options.count > 0 && good < options.count) {
    return ReportFailure(std::string("mass production ended after ") + std::to_string(good) +
                             " of " + std::to_string(options.count) + " chips (" +
                             (interrupted ? "stopped" : "30 s without a new chip") + ").",
                         kExitFailure);
  }
  return kExitOk;
}

}  // namespace

void AddMassCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<MassOptions>();
  CLI::App* command = app.add_subcommand(
      "mass", "Mass production: run the auto sequence with FILE on every chip put into a "
              "socket, until --count chips are done, Ctrl+C or 30 s without a new chip");
  command->add_option("FILE", options->file, "Data file (raw binary, Intel HEX or CAP)")
      ->required();
  AddChipOptions(*command, options->chip, false);
  command->add_option("--count", options->count, "Stop after N chips (good and bad)")
      ->check(CLI::PositiveNumber)
      ->type_name("N");
  AddSequenceOptions(*command, options->steps, options->record);
  command->callback([&context, options] {
    std::string error;
    if (!ParseSteps(options->steps, error)) {
      context.exit_code = ReportFailure(error, kExitUsage);
      return;
    }
    context.exit_code =
        RunWithChip(context.transport, options->chip, InterruptMode::FinishChip,
                    [options](AppContext& ctx) { return RunMass(ctx, *options); });
  });
}

}  // namespace tessary::cli
