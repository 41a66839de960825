// tessary-cli auto FILE: the auto sequence (erase, write, verify as chosen)
// with FILE on the chip in the socket(s); one row of the production record.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "app/operation_handlers.h"
#include "cli/chip_operation.h"
#include "cli/commands.h"

namespace tessary::cli {
namespace {

struct AutoOptions {
  ChipOptions chip;
  std::string file;
  std::string steps;
  std::string record;
};

int RunAuto(AppContext& ctx, const AutoOptions& options) {
  if (!ApplySteps(ctx, options.steps)) return kExitFailure;
  if (const int code = LoadDataFile(ctx, options.file); code != kExitOk) return code;
  ctx.RecordFile = options.record;
  const AutoOutcome outcome = RunAutoSequence(ctx);
  if (!outcome.ran) return ReportFailure("the auto sequence did not start.", kExitFailure);
  std::printf("Good: %d  Bad: %d\n", outcome.good, outcome.bad);
  if (!ctx.link.LinkOpen()) {
    return ReportFailure("auto failed: the programmer was lost (unplugged?) during the sequence.",
                         kExitFailure);
  }
  return outcome.bad == 0 ? kExitOk : ReportFailure("auto failed.", kExitFailure);
}

}  // namespace

void AddAutoCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<AutoOptions>();
  CLI::App* command = app.add_subcommand(
      "auto", "Run the auto sequence (erase, write, verify) with FILE (raw binary, Intel HEX or "
              "CAP) and add a row to the production record");
  command->add_option("FILE", options->file, "Data file")->required();
  AddChipOptions(*command, options->chip);
  AddSequenceOptions(*command, options->steps, options->record);
  command->callback([&context, options] {
    std::string error;
    if (!ParseSteps(options->steps, error)) {
      context.exit_code = ReportFailure(error, kExitUsage);
      return;
    }
    context.exit_code =
        RunWithChip(context.transport, options->chip, InterruptMode::StopOperation,
                    [options](AppContext& ctx) { return RunAuto(ctx, *options); });
  });
}

}  // namespace tessary::cli
