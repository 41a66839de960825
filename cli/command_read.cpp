// tessary-cli read FILE: reads the chip into the buffer and saves it as a
// raw binary file.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "app/buffer_handlers.h"
#include "app/operation_handlers.h"
#include "buffer/file_commands.h"
#include "cli/chip_operation.h"
#include "cli/commands.h"

namespace tessary::cli {
namespace {

struct ReadOptions {
  ChipOptions chip;
  std::string file;
};

}  // namespace

void AddReadCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<ReadOptions>();
  CLI::App* command = app.add_subcommand(
      "read", "Read the chip and save it to FILE (raw binary; \".bin\" is added to a name "
              "without a dot)");
  command->add_option("FILE", options->file, "Output file")->required();
  AddChipOptions(*command, options->chip);
  command->callback([&context, options] {
    context.exit_code = RunWithChip(
        context.transport, options->chip, InterruptMode::StopOperation,
        [&file = options->file](AppContext& ctx) {
          if (const int code = ReportOperation(ctx, "read", RunRead(ctx)); code != kExitOk) {
            return code;
          }
          if (!SaveBufferAs(ctx.RamFile, ctx.log, std::filesystem::path(file))) {
            return ReportFailure("the chip's data could not be saved to " + file + ".",
                                 kExitFailure);
          }
          std::printf("Read %u bytes into %s\n", static_cast<unsigned>(ctx.RamFile.DataLen),
                      SaveFileName(file).string().c_str());
          return kExitOk;
        });
  });
}

}  // namespace tessary::cli
