// tessary-cli: the programmer from the command line.
#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
  using namespace tessary::cli;
  CLI::App app{"Tessary programmer command-line tool"};
  app.require_subcommand(1);
  CommandContext context;
  TransportOptions& transport = context.transport;
  app.add_option("--simulate", transport.simulator_configs,
                 "Use the simulated programmer instead of USB hardware; CONFIG is an INI file "
                 "describing it (default: a Velor with a W25Q64 in CH1). Repeat it for several "
                 "programmers on one simulated bus (the Nth at bus 1, address N)")
      ->expected(0, 1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->type_name("CONFIG");
  app.add_option("--trace", transport.trace_file,
                 "Write every USB transfer to FILE (one line each: seconds, OUT/IN, hex bytes)")
      ->type_name("FILE");
  app.add_option("--catalogue", transport.catalogue_file,
                 "Chip catalogue to use (default: login.dat beside the program, or the user's "
                 "copy when installed)")
      ->type_name("FILE");
  app.add_option("--device", transport.device,
                 "The programmer to use when several are plugged in: its serial number, or its "
                 "USB bus and address as BUS:ADDR ('list' shows both); default: the first")
      ->type_name("SERIAL|BUS:ADDR");
  app.add_flag("-v,--verbose", transport.verbose, "Show the operation log on stderr");
  app.add_flag("-q,--quiet", transport.quiet,
               "Show no progress bar and no log lines, only errors (on stderr)");
  app.set_version_flag("--version", std::string("tessary-cli ") + TESSARY_VERSION);
  app.footer(kExitCodesHelp);
  app.parse_complete_callback([&app, &transport] { transport.simulate = app.count("--simulate") > 0; });

  AddListCommand(app, context);
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

  // Every command's help ends with the exit codes.
  for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    if (command->get_footer().empty()) command->footer(kExitCodesHelp);
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  }
  return context.exit_code;
}
