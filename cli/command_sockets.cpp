// tessary-cli sockets: which of the programmer's two sockets hold a chip,
// and the socket a single-socket operation would use.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/commands.h"
#include "cli/programmer_checks.h"
#include "operations/chip_commands.h"

namespace tessary::cli {
namespace {

const char* SocketText(std::uint8_t state) {
  return state == kSocketChipPresent ? "chip present" : "empty";
}

int RunSockets(const TransportOptions& options) {
  std::string error;
  ProgrammerSession session(options, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (const int code = OpenProgrammerForChips(session); code != kExitOk) return code;

  AppContext& ctx = session.context();
  SocketReply sockets;
  switch (QuerySocketStatus(ctx.link, ctx.CurrentPrj.ChipType, sockets)) {
    case CommandStatus::Ok:
      break;
    case CommandStatus::BadLength:
      return ReportFailure(
          "The programmer's answer to the socket query (0x38) has the wrong length.", kExitFailure);
    case CommandStatus::NoReply:
    case CommandStatus::LinkClosed:
    case CommandStatus::Busy:
      return ReportFailure("The programmer gave no valid answer to the socket query (0x38).",
                           kExitFailure);
  }
  std::printf("CH1: %s\n", SocketText(sockets.ch1));
  std::printf("CH2: %s\n", SocketText(sockets.ch2));
  return kExitOk;
}

}  // namespace

void AddSocketsCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command =
      app.add_subcommand("sockets", "Show whether each socket (CH1, CH2) holds a chip");
  command->callback([&context] { context.exit_code = RunSockets(context.transport); });
}

}  // namespace tessary::cli
