// tessary-cli erase: erases the chip in the socket(s).
#include <CLI/CLI.hpp>

#include "app/operation_handlers.h"
#include "cli/chip_operation.h"
#include "cli/commands.h"

namespace tessary::cli {

void AddEraseCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<ChipOptions>();
  CLI::App* command = app.add_subcommand("erase", "Erase the chip");
  AddChipOptions(*command, *options);
  command->callback([&context, options] {
    context.exit_code = RunWithChip(context.transport, *options, InterruptMode::StopOperation,
                                    [](AppContext& ctx) {
                                      return ReportOperation(ctx, "erase", RunErase(ctx));
                                    });
  });
}

}  // namespace tessary::cli
