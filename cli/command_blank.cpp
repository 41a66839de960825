// tessary-cli blank: checks that the chip in the socket(s) is erased.
#include <CLI/CLI.hpp>

#include "app/operation_handlers.h"
#include "cli/chip_operation.h"
#include "cli/commands.h"

namespace tessary::cli {

void AddBlankCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<ChipOptions>();
  CLI::App* command = app.add_subcommand("blank", "Check that the chip is blank (erased)");
  AddChipOptions(*command, *options);
  command->callback([&context, options] {
    context.exit_code = RunWithChip(context.transport, *options, InterruptMode::StopOperation,
                                    [](AppContext& ctx) {
                                      return ReportOperation(ctx, "blank check", RunBlankCheck(ctx));
                                    });
  });
}

}  // namespace tessary::cli
