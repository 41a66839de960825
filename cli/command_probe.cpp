// tessary-cli probe: is a programmer on the USB bus? (exit code only)
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/commands.h"
#include "device/libusb_link.h"

namespace tessary::cli {

void AddProbeCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand(
      "probe", "Exit 0 when a programmer (USB 1A86:4567) is plugged in, 2 otherwise");
  command->callback([&context] {
    const bool present = LibusbLink::ProgrammerPresent();
    std::printf("%s\n", present ? "Programmer present" : "No programmer on the bus");
    context.exit_code = present ? kExitOk : kExitNoProgrammer;
  });
}

}  // namespace tessary::cli
