// tessary-cli spi-clock: sets the programmer's SPI clock, or asks it for the
// current one.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/programmer_checks.h"
#include "operations/chip_commands.h"
#include "app/programmer_options.h"

namespace tessary::cli {
namespace {

constexpr std::string_view kUnit = "MHz";

// "4.5" or "4.5MHz" to the item's code.
std::optional<std::uint8_t> CodeOf(std::string text) {
  if (text.size() > kUnit.size() && text.ends_with(kUnit)) text.resize(text.size() - kUnit.size());
  for (const SpiClockItem& item : kSpiClockItems) {
    if (std::string(item.caption) == text + std::string(kUnit)) return item.code;
  }
  return std::nullopt;
}

int RunSpiClock(const TransportOptions& options, const std::string& value) {
  std::string error;
  ProgrammerSession session(options, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (const int code = OpenProgrammerForChips(session); code != kExitOk) return code;
  AppContext& ctx = session.context();

  if (!value.empty()) {
    const std::uint8_t code = *CodeOf(value);  // the option's check let only known values in
    if (!ChangeSpiClock(ctx, code)) {
      return ReportFailure("The programmer did not confirm the SPI clock change (0x3A).",
                           kExitFailure);
    }
    std::printf("SPI clock: %s\n", std::string(SpiClockItemOf(code)->caption).c_str());
    return kExitOk;
  }

  std::uint8_t reply = 0;
  if (SetSpiClock(ctx.link, kSpiClockQuery, reply) != CommandStatus::Ok) {
    return ReportFailure("The programmer gave no valid answer to the SPI clock query (0x3A).",
                         kExitFailure);
  }
  const std::optional<SpiClockItem> item = SpiClockItemOf(reply);
  if (!item) {
    return ReportFailure(
        "The programmer reports an unknown SPI clock code " + std::to_string(reply) + ".",
        kExitFailure);
  }
  std::printf("SPI clock: %s\n", std::string(item->caption).c_str());
  return kExitOk;
}

}  // namespace

void AddSpiClockCommand(CLI::App& app, CommandContext& context) {
  auto value = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand(
      "spi-clock",
      "Set the programmer's SPI clock in MHz, or without a value show the current one");
  command->add_option("MHZ", *value, "18, 9, 4.5, 2.25 or 1.125 (a trailing MHz is accepted)")
      ->check(CLI::Validator(
          [](std::string& text) {
            return CodeOf(text) ? std::string() : "not one of 18, 9, 4.5, 2.25, 1.125: " + text;
          },
          "MHZ", "SPI clock"));
  command->callback(
      [&context, value] { context.exit_code = RunSpiClock(context.transport, *value); });
}

}  // namespace tessary::cli
