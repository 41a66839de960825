// tessary-cli: the programmer from the command line.
#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
  using namespace tessary::cli;
  CLI::App app{"Tessary programmer command-line tool"};
  app.require_subcommand(1);
  CommandContext context;
  TransportOptions& transport = context.transport;
  app.add_option("--simulate", transport.simulator_config,
                 "Use the simulated programmer instead of USB hardware; CONFIG is an INI file "
                 "describing it (default: a Velor with a W25Q64 in CH1)")
      ->expected(0, 1)
      ->type_name("CONFIG");
  app.add_option("--trace", transport.trace_file,
                 "Write every USB transfer to FILE (one line each: seconds, OUT/IN, hex bytes)")
      ->type_name("FILE");
  app.add_option("--catalogue", transport.catalogue_file,
                 "Chip catalogue to use (default: login.dat beside the program)")
      ->type_name("FILE");
  app.add_flag("-v,--verbose", transport.verbose, "Show the operation log on stderr");
  app.parse_complete_callback([&app, &transport] { transport.simulate = app.count("--simulate") > 0; });

  AddInfoCommand(app, context);
  AddChipsCommand(app, context);
  AddDetectCommand(app, context);
  AddProbeCommand(app, context);
  AddConvertCommand(app, context);
  AddMergeCommand(app, context);
  AddSocketsCommand(app, context);
  AddSpiClockCommand(app, context);
  AddDmaCommand(app, context);
  AddNandScanCommand(app, context);
  AddEraseCommand(app, context);
  AddBlankCommand(app, context);
  AddWriteCommand(app, context);
  AddReadCommand(app, context);
  AddVerifyCommand(app, context);
  AddAutoCommand(app, context);
  AddMassCommand(app, context);
  AddProjectCommand(app, context);
  AddFirmwareCommand(app, context);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  }
  return context.exit_code;
}
