// The subcommands of tessary-cli. Each lives in its own file and registers
// itself on the application with the options it takes; its callback leaves
// the process exit code in the shared CommandContext.
#pragma once

#include "cli/programmer_session.h"

namespace CLI {
class App;
}

namespace tessary::cli {

struct CommandContext {
  TransportOptions transport;
  int exit_code = kExitOk;
};

void AddListCommand(CLI::App& app, CommandContext& context);
void AddInfoCommand(CLI::App& app, CommandContext& context);
void AddChipsCommand(CLI::App& app, CommandContext& context);
void AddDetectCommand(CLI::App& app, CommandContext& context);
void AddProbeCommand(CLI::App& app, CommandContext& context);
void AddConvertCommand(CLI::App& app, CommandContext& context);
void AddMergeCommand(CLI::App& app, CommandContext& context);
void AddSocketsCommand(CLI::App& app, CommandContext& context);
void AddSpiClockCommand(CLI::App& app, CommandContext& context);
void AddDmaCommand(CLI::App& app, CommandContext& context);
void AddNandScanCommand(CLI::App& app, CommandContext& context);
void AddEraseCommand(CLI::App& app, CommandContext& context);
void AddBlankCommand(CLI::App& app, CommandContext& context);
void AddWriteCommand(CLI::App& app, CommandContext& context);
void AddReadCommand(CLI::App& app, CommandContext& context);
void AddVerifyCommand(CLI::App& app, CommandContext& context);
void AddAutoCommand(CLI::App& app, CommandContext& context);
void AddMassCommand(CLI::App& app, CommandContext& context);
void AddProjectCommand(CLI::App& app, CommandContext& context);
void AddFirmwareCommand(CLI::App& app, CommandContext& context);

}  // namespace tessary::cli
