// tessary-cli chips: the chip catalogue as a list.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>

#include "catalogue/chip_listing.h"
#include "cli/commands.h"

namespace tessary::cli {
namespace {

struct ChipsOptions {
  std::string type;
  std::string manufacturer;
  std::string text;
};

int RunChips(const TransportOptions& transport, const ChipsOptions& options) {
  std::string error;
  ProgrammerSession session(transport, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (!session.OpenCatalogue(error)) return ReportFailure(error, kExitFailure);
  const auto optional = [](const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
  };
  try {
    const std::vector<ChipListing> chips =
        ListChips(session.context().Database, optional(options.type),
                  optional(options.manufacturer), options.text);
    // As grep does: no match is an exit status of its own, not an empty list.
    if (chips.empty()) return ReportFailure("No chip matches.", kExitFailure);
    std::printf("%-24s %-10s %-14s %8s  %s\n", "NAME", "TYPE", "MANUFACTURER", "CAPACITY", "ID");
    for (const ChipListing& chip : chips) {
      std::printf("%-24s %-10s %-14s %8s  %s\n", chip.name.c_str(), chip.type.c_str(),
                  chip.manufacturer.c_str(), chip.capacity_text.c_str(), chip.id.c_str());
    }
  } catch (const DatabaseError& e) {
    return ReportFailure(e.what(), kExitFailure);
  }
  return kExitOk;
}

}  // namespace

void AddChipsCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<ChipsOptions>();
  CLI::App* command = app.add_subcommand(
      "chips", "List catalogue chips (name, type, manufacturer, capacity, ID), smallest first");
  command->add_option("--type", options->type, "Only chips of this type, e.g. \"25 FLASH\"");
  command->add_option("--manufacturer", options->manufacturer, "Only chips of this manufacturer");
  command->add_option("TEXT", options->text, "Only chips whose name contains TEXT");
  command->callback([&context, options] { context.exit_code = RunChips(context.transport, *options); });
}

}  // namespace tessary::cli
