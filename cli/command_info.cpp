// tessary-cli info: the programmer's identity and the catalogue version.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/commands.h"

namespace tessary::cli {
namespace {

int RunInfo(const TransportOptions& options) {
  std::string error;
  ProgrammerSession session(options, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (!session.OpenProgrammer(error)) return ReportFailure(error, session.OpenExitCode());
  const Dev_Inf_Struct& info = session.context().DeviceInfo;
  std::printf("Model:     %s\n", info.DevName.c_str());
  std::printf("Firmware:  %s\n", info.FirmVer.c_str());
  std::printf("Hardware:  %s\n", info.HardVer.c_str());
  std::printf("Serial:    %s\n", info.DevSN.c_str());
  if (RunsBootLoader(info)) {
    std::printf("Note:      the programmer runs its boot loader and needs a firmware update\n");
  }
  std::string version;
  if (session.OpenCatalogue(error) && session.CatalogueVersion(version, error)) {
    std::printf("Catalogue: %s\n", version.c_str());
  } else {
    std::printf("Catalogue: unavailable (%s)\n", error.c_str());
  }
  return kExitOk;
}

}  // namespace

void AddInfoCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command =
      app.add_subcommand("info", "Identify the programmer: model, firmware, hardware, serial "
                                 "number, and the chip catalogue's version");
  command->callback([&context] { context.exit_code = RunInfo(context.transport); });
}

}  // namespace tessary::cli
