// tessary-cli verify FILE: compares the chip in the socket(s) with a raw,
// Intel HEX or CAP file; a difference is named by its first address.
#include <CLI/CLI.hpp>

#include "app/operation_handlers.h"
#include "cli/chip_operation.h"
#include "cli/commands.h"

namespace tessary::cli {
namespace {

struct VerifyOptions {
  ChipOptions chip;
  std::string file;
};

}  // namespace

void AddVerifyCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<VerifyOptions>();
  CLI::App* command = app.add_subcommand(
      "verify", "Compare the chip with FILE (raw binary, Intel HEX or CAP)");
  command->add_option("FILE", options->file, "Data file")->required();
  AddChipOptions(*command, options->chip);
  command->callback([&context, options] {
    context.exit_code = RunWithChip(
        context.transport, options->chip, InterruptMode::StopOperation,
        [&file = options->file](AppContext& ctx) {
          if (const int code = LoadDataFile(ctx, file); code != kExitOk) return code;
          return ReportOperation(ctx, "verify", RunVerify(ctx));
        });
  });
}

}  // namespace tessary::cli
