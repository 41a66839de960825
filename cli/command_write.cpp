// tessary-cli write FILE: loads a raw, Intel HEX or CAP file into the
// buffer and programs it into the chip in the socket(s).
#include <CLI/CLI.hpp>

#include "app/operation_handlers.h"
#include "cli/chip_operation.h"
#include "cli/commands.h"

namespace tessary::cli {
namespace {

struct WriteOptions {
  ChipOptions chip;
  std::string file;
};

}  // namespace

void AddWriteCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<WriteOptions>();
  CLI::App* command =
      app.add_subcommand("write", "Program FILE (raw binary, Intel HEX or CAP) into the chip");
  command->add_option("FILE", options->file, "Data file")->required();
  AddChipOptions(*command, options->chip);
  command->callback([&context, options] {
    context.exit_code = RunWithChip(
        context.transport, options->chip, InterruptMode::StopOperation,
        [&file = options->file](AppContext& ctx) {
          if (const int code = LoadDataFile(ctx, file); code != kExitOk) return code;
          return ReportOperation(ctx, "write", RunWrite(ctx));
        });
  });
}

}  // namespace tessary::cli
