// tessary-cli list: every programmer on the bus, and which one is used.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/commands.h"

namespace tessary::cli {
namespace {

int RunList(const TransportOptions& transport) {
  std::string error;
  ProgrammerSession session(transport, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  const std::vector<ProgrammerListing> listings = session.ListProgrammers();
  if (listings.empty()) {
    return ReportFailure("No programmer found (USB 1A86:4567). Plug it in, or use --simulate.",
                         kExitNoProgrammer);
  }
  std::printf("%-3s %-8s %-8s %-12s %-24s %s\n", "", "BUS:ADDR", "MODEL", "FIRMWARE", "SERIAL",
              "STATE");
  bool any_used = false;
  for (const ProgrammerListing& p : listings) {
    const std::string where = std::to_string(p.location.bus) + ":" + std::to_string(p.location.address);
    std::string state;
    if (p.identified) {
      state = "ready";
    } else if (p.open_result == UsbOpenResult::Opened) {
      state = "does not answer";
    } else {
      state = std::string(UsbOpenResultText(p.open_result));
    }
    any_used = any_used || p.used;
    std::printf("%-3s %-8s %-8s %-12s %-24s %s\n", p.used ? "*" : "", where.c_str(),
                p.identified ? p.model.c_str() : "-", p.identified ? p.firmware.c_str() : "-",
                p.identified ? p.serial.c_str() : "-", state.c_str());
  }
  if (!transport.device.empty() && !any_used) {
    return ReportFailure("No programmer listed matches --device " + transport.device + ".",
                         kExitNoProgrammer);
  }
  return kExitOk;
}

}  // namespace

void AddListCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand(
      "list",
      "List every plugged programmer: bus and address, model, firmware and serial number; '*' "
      "marks the one a command uses (the first, or the one chosen with --device)");
  command->footer(kExitCodesHelp);
  command->callback([&context] { context.exit_code = RunList(context.transport); });
}

}  // namespace tessary::cli
