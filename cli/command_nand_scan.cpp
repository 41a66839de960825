// tessary-cli nand-scan: selects a NAND FLASH chip (named, or the one the
// socket holds), has the programmer scan it for bad blocks and prints the
// block counts and the bad blocks found.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_detection.h"
#include "catalogue/chip_parameters.h"
#include "cli/commands.h"
#include "cli/programmer_checks.h"
#include "operations/chip_commands.h"
#include "app/programmer_options.h"

namespace tessary::cli {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

struct NandScanOptions {
  std::string chip;
  bool dual = false;
};

// Makes the chip current as the selection frame would, from its catalogue
// row: by name, or by the ID of the chip in the socket. A named chip must be
// the one in the socket: the scan's block counts come from the chip there.
bool SelectChip(AppContext& ctx, const std::string& name, std::string& error) {
  ChipIdReply reply;
  if (ReadChipId(ctx.link, reply) != CommandStatus::Ok) {
    error = "The programmer gave no valid answer to the chip ID query (0x31).";
    return false;
  }
  if (NobodyAnswered(reply.id)) {
    error = "No chip answers: put the NAND FLASH chip into the socket (CH1 or CH2).";
    return false;
  }
  const std::string digits = ChipIdDigits(reply.id);
  ChipDatabase& db = ctx.Database;
  if (!name.empty()) {
    if (db.RunQuery(statements::kChipByName, {name}) == 0) {
      error = "No catalogue chip is named " + name + ".";
      return false;
    }
    const std::string expected = db.FieldAsText("ChipID");
    if (Is24SeriesCode(reply.id) || !EqualsIgnoringCase(expected, digits)) {
      error = "The chip in the socket has the ID " + digits + ", not " + name + "'s ID " +
              (expected.empty() ? std::string("(none)") : expected) +
              ": put " + name + " into the socket, or name the chip that is there.";
      return false;
    }
  } else if (db.RunQuery(statements::kChipsById, {digits}) == 0) {
    error = "No catalogue chip has the ID " + digits +
            " of the chip in the socket; name it "
            "with --chip NAME.";
    return false;
  }
  ReadChipRow(db, ctx.CurrentPrj);
  ctx.CurrentPrj.ChipName = db.FieldAsText("ChipName");
  return true;
}

int RunNandScan(const TransportOptions& transport, const NandScanOptions& options) {
  std::string error;
  ProgrammerSession session(transport, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (const int code = OpenProgrammerForChips(session); code != kExitOk) return code;
  if (!session.OpenCatalogue(error)) return ReportFailure(error, kExitFailure);

  AppContext& ctx = session.context();
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  try {
    if (!SelectChip(ctx, options.chip, error)) return ReportFailure(error, kExitFailure);
  } catch (const DatabaseError& e) {
    return ReportFailure(e.what(), kExitFailure);
  }
  if (chip.ChipType != ChipTypeId::NandFlash) {
    return ReportFailure(chip.ChipName + " is a " + std::string(ChipTypeName(chip.ChipType)) +
                             " chip, not NAND FLASH: nand-scan needs a NAND FLASH chip.",
                         kExitFailure);
  }
  if (SendChipParameters(ctx.link, chip) != CommandStatus::Ok) {
    return ReportFailure("The chip parameters (0x39) did not reach the programmer.", kExitFailure);
  }

  ctx.Window.SocketTypeIndex = options.dual ? kSocketModeDual : kSocketModeSingle;
  switch (ScanBadBlocks(ctx)) {
    case BlockInitOutcome::Scanned:
      break;
    case BlockInitOutcome::SocketsNotReady:
      return kExitFailure;  // the reason is already on stderr
    case BlockInitOutcome::NoChipSelected:
      return ReportFailure("The catalogue gives " + chip.ChipName + " no block size.",
                           kExitFailure);
    case BlockInitOutcome::ScanFailed:
      return ReportFailure("The programmer gave no valid answer to the bad-block scan (0x3B).",
                           kExitFailure);
    case BlockInitOutcome::Offline:
    case BlockInitOutcome::NotNand:
      return ReportFailure("The bad-block scan did not run.", kExitFailure);
  }

  const BadBlockTable& table = ctx.BadBlocks;
  std::string bad;
  const std::int64_t flagged = std::min<std::int64_t>(table.BlockCount, kBadBlockFlagCount);
  for (std::int64_t block = 0; block < flagged; ++block) {
    if (!table.IsBad(static_cast<std::uint64_t>(block))) continue;
    bad += (bad.empty() ? "" : ", ") + std::to_string(block);
  }
  std::printf("Chip:        %s (%s, %s)\n", chip.ChipName.c_str(),
              std::string(ChipTypeName(chip.ChipType)).c_str(),
              CapacityText(chip.ChipSize).c_str());
  std::string channel(ChannelName(chip.ChannelSelector));
  channel.pop_back();  // the log's trailing blank
  std::printf("Channel:     %s\n", channel.c_str());
  std::printf("Blocks:      %d\n", table.BlockCount);
  std::printf("Good blocks: %d\n", table.GoodCount);
  std::printf("Bad blocks:  %s\n", bad.empty() ? "none" : bad.c_str());
  return kExitOk;
}

}  // namespace

void AddNandScanCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<NandScanOptions>();
  CLI::App* command = app.add_subcommand(
      "nand-scan", "Scan a NAND FLASH chip for bad blocks; print the block and good-block counts");
  command->add_option("--chip", options->chip,
                      "Catalogue name of the chip (default: the chip the socket holds, by its ID)");
  command->add_flag("--dual", options->dual, "Scan the chips in both sockets together (CH1 & CH2)");
  command->callback(
      [&context, options] { context.exit_code = RunNandScan(context.transport, *options); });
}

}  // namespace tessary::cli
