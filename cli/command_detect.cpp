// tessary-cli detect: reads the identification code of the chip in the
// socket and lists the catalogue chips that carry it.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "catalogue/chip_detection.h"
#include "cli/commands.h"
#include "cli/programmer_checks.h"
#include "operations/chip_commands.h"

namespace tessary::cli {
namespace {

int RunDetect(const TransportOptions& options) {
  std::string error;
  ProgrammerSession session(options, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (const int code = OpenProgrammerForChips(session); code != kExitOk) return code;

  ChipIdReply reply;
  if (ReadChipId(session.context().link, reply) != CommandStatus::Ok) {
    return ReportFailure("The programmer gave no valid answer to the chip ID query (0x31).",
                         kExitFailure);
  }
  std::printf("Chip ID:   %s (code %08X, extra %02X %02X)\n", ChipIdDigits(reply.id).c_str(),
              static_cast<unsigned>(reply.id), reply.extra[0], reply.extra[1]);

  if (Is24SeriesCode(reply.id)) {
    std::printf(
        "Type:      24 EEPROM (a 24-series EEPROM has no identification code: choose the "
        "chip by its marking)\n");
    return kExitOk;
  }
  if (NobodyAnswered(reply.id)) {
    return ReportFailure("No chip answers: put a chip into the socket (CH1 or CH2).", kExitFailure);
  }

  if (!session.OpenCatalogue(error)) return ReportFailure(error, kExitFailure);
  std::vector<ChipListRow> matches;
  try {
    matches = CatalogueMatches(session.context().Database, reply.id);
  } catch (const DatabaseError& e) {
    return ReportFailure(e.what(), kExitFailure);
  }
  if (matches.empty()) {
    return ReportFailure("No catalogue chip has the ID " + ChipIdDigits(reply.id) + ".",
                         kExitFailure);
  }
  std::printf("Matches:   %zu%s\n", matches.size(),
              matches.size() > 1 ? " (the program takes the first unless set to confirm)" : "");
  std::printf("%-24s %-10s %-14s %8s\n", "NAME", "TYPE", "MANUFACTURER", "CAPACITY");
  for (const ChipListRow& chip : matches) {
    std::printf("%-24s %-10s %-14s %8s\n", chip.ChipName.c_str(), chip.ChipType.c_str(),
                chip.ManufName.c_str(), chip.Note.c_str());
  }
  return kExitOk;
}

}  // namespace

void AddDetectCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand(
      "detect", "Read the ID of the chip in the socket and list the catalogue chips with it");
  command->callback([&context] { context.exit_code = RunDetect(context.transport); });
}

}  // namespace tessary::cli
