// tessary-cli dma: switches the programmer's SPI DMA ("hardware
// acceleration") on or off.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/programmer_checks.h"
#include "app/programmer_options.h"

namespace tessary::cli {
namespace {

int RunDma(const TransportOptions& options, const std::string& state) {
  if (state.empty()) {
    // The programmer has a command to set DMA but none to report it.
    std::printf(
        "SPI DMA (hardware acceleration) cannot be read back from the programmer.\n"
        "Use 'dma on' or 'dma off' to set it; the programmer keeps the setting until it is "
        "unplugged.\n");
    return kExitOk;
  }
  std::string error;
  ProgrammerSession session(options, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (const int code = OpenProgrammerForChips(session); code != kExitOk) return code;

  const bool enable = state == "on";
  AppContext& ctx = session.context();
  if (!SwitchSpiDma(ctx, enable)) {
    return ReportFailure("The programmer did not confirm the SPI DMA change (0x3C).", kExitFailure);
  }
  std::printf("SPI DMA: %s\n", enable ? "on" : "off");
  return kExitOk;
}

}  // namespace

void AddDmaCommand(CLI::App& app, CommandContext& context) {
  auto state = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand(
      "dma", "Switch the programmer's SPI DMA (hardware acceleration) on or off");
  command->add_option("STATE", *state, "on or off")->check(CLI::IsMember({"on", "off"}));
  command->callback([&context, state] { context.exit_code = RunDma(context.transport, *state); });
}

}  // namespace tessary::cli
