// tessary-cli: the programmer from the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/programmer_session.h"

namespace tessary::cli {
namespace {

int RunInfo(const TransportOptions& options) {
  std::string error;
  ProgrammerSession session(options, error);
  if (!session.ok()) {
    std::fprintf(stderr, "tessary-cli: %s\n", error.c_str());
    return kExitFailure;
  }
  if (!session.OpenProgrammer(error)) {
    std::fprintf(stderr, "tessary-cli: %s\n", error.c_str());
    return kExitNoProgrammer;
  }
  const Dev_Inf_Struct& info = session.context().DeviceInfo;
  std::printf("Model:    %s\n", info.DevName.c_str());
  std::printf("Firmware: %s\n", info.FirmVer.c_str());
  std::printf("Hardware: %s\n", info.HardVer.c_str());
  std::printf("Serial:   %s\n", info.DevSN.c_str());
  return kExitOk;
}

}  // namespace
}  // namespace tessary::cli

int main(int argc, char** argv) {
  using namespace tessary::cli;
  CLI::App app{"Tessary programmer command-line tool"};
  app.require_subcommand(1);
  TransportOptions options;
  app.add_option("--simulate", options.simulator_config,
                 "Use the simulated programmer instead of USB hardware; CONFIG is an INI file "
                 "describing it (default: a Velor with a W25Q64 in CH1)")
      ->expected(0, 1)
      ->type_name("CONFIG");
  app.add_option("--trace", options.trace_file,
                 "Write every USB transfer to FILE (one line each: seconds, OUT/IN, hex bytes)")
      ->type_name("FILE");
  app.add_flag("-v,--verbose", options.verbose, "Show the operation log on stderr");

  app.add_subcommand("info", "Identify the programmer: model, firmware, hardware and serial");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  }
  options.simulate = app.count("--simulate") > 0;

  for (CLI::App* command : app.get_subcommands()) {
    if (command->get_name() == "info") return RunInfo(options);
  }
  return kExitUsage;
}
