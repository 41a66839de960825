// The programming commands' shared steps.
#include "cli/chip_operation.h"
#include "cli/programmer_checks.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <vector>
#include <filesystem>
#include <system_error>

#include "app/buffer_handlers.h"
#include "app/chip_handlers.h"
#include "app/operation_handlers.h"
#include "app/programmer_options.h"
#include "app/settings.h"
#include "base/profile_file.h"
#include "buffer/file_commands.h"
#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_detection.h"
#include "catalogue/chip_parameters.h"
#include "operations/chip_commands.h"

namespace tessary::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // a second Ctrl+C ends the tool at once
  sigaction(SIGINT, &action, nullptr);
}

// The catalogue name of the chip in the socket: its ID must match exactly
// one catalogue chip.
bool DetectChipName(AppContext& ctx, std::string& name, std::string& error) {
  ChipIdReply reply;
  if (ReadChipId(ctx.link, reply) != CommandStatus::Ok) {
    error = "The programmer gave no valid answer to the chip ID query (0x31); name the chip with "
            "--chip NAME.";
    return false;
  }
  if (Is24SeriesCode(reply.id)) {
    error = "A 24-series EEPROM has no identification code: name the chip with --chip NAME.";
    return false;
  }
  if (NobodyAnswered(reply.id)) {
    error = "No chip answers: put a chip into the socket (CH1 or CH2), or name it with --chip NAME.";
    return false;
  }
  const std::string digits = ChipIdDigits(reply.id);
  const std::vector<ChipListRow> matches = CatalogueMatches(ctx.Database, reply.id);
  if (matches.empty()) {
    error = "No catalogue chip has the ID " + digits + " of the chip in the socket; name it with "
            "--chip NAME.";
    return false;
  }
  if (matches.size() > 1) {
    error = std::to_string(matches.size()) + " catalogue chips have the ID " + digits + ":";
    for (const ChipListRow& chip : matches) error += " " + chip.ChipName;
    error += ". Name one with --chip NAME.";
    return false;
  }
  name = matches.front().ChipName;
  return true;
}

// Makes the chip current as choosing it in the selection frame does: its
// catalogue row, a fresh buffer of its size, its parameters on the wire.
bool SelectChip(AppContext& ctx, const std::string& wanted, std::string& error) {
  std::string name = wanted;
  if (name.empty() && !DetectChipName(ctx, name, error)) return false;
  ChipDatabase& db = ctx.Database;
  if (db.RunQuery(statements::kChipByName, {name}) == 0) {
    error = "No catalogue chip is named " + name + ".";
    return false;
  }
  ReadChipRow(db, ctx.CurrentPrj);
  ctx.CurrentPrj.ChipName = db.FieldAsText("ChipName");
  if (!ctx.CurrentPrj.ChipSelected()) {
    error = "The catalogue gives " + ctx.CurrentPrj.ChipName + " no usable block size.";
    return false;
  }
  ResetBufferForChip(ctx);
  if (ctx.RamFile.Data.size() < ctx.CurrentPrj.ChipSize) {
    error = "There is no buffer for " + ctx.CurrentPrj.ChipName + ".";
    return false;
  }
  if (SendChipParameters(ctx.link, ctx.CurrentPrj) != CommandStatus::Ok) {
    error = "The chip parameters (0x39) did not reach the programmer.";
    return false;
  }
  std::fprintf(stderr, "Chip: %s\n", ctx.CurrentPrj.ChipName.c_str());
  return true;
}

// Single mode works on CH1 when it holds a chip, else on CH2; dual mode on
// both. A chosen single socket must be the one the programmer will use.
bool ChooseSocket(AppContext& ctx, const std::string& socket, std::string& error) {
  ctx.Window.SocketTypeIndex = socket == "both" ? kSocketModeDual : kSocketModeSingle;
  if (socket != "1" && socket != "2") return true;
  EvaluateSocketMode(ctx);
  const Prj_Info_Struct& chip = ctx.CurrentPrj;
  const bool wanted_present =
      (socket == "1" ? chip.SocketState1 : chip.SocketState2) == kSocketChipPresent;
  if (!wanted_present) {
    error = "--socket " + socket + ": there is no chip in CH" + socket + ".";
    return false;
  }
  if (chip.ChannelSelector != (socket == "1" ? kChannelCh1 : kChannelCh2)) {
    error = "--socket 2: CH1 holds a chip as well, and in single mode the programmer works on "
            "CH1 then. Take the chip out of CH1, or use --socket both.";
    return false;
  }
  return true;
}

}  // namespace

void AddChipOptions(CLI::App& command, ChipOptions& options, bool with_socket) {
  command.add_option("--chip", options.chip,
                     "Catalogue name of the chip (default: the chip in the socket, by its ID; "
                     "exactly one catalogue chip must have it)");
  if (!with_socket) return;
  command
      .add_option("--socket", options.socket,
                  "1 or 2: that socket alone (single mode); both: CH1 and CH2 together (dual "
                  "mode). Default: the socket that holds a chip, CH1 first")
      ->check(CLI::IsMember({"1", "2", "both"}));
}

bool Interrupted() { return g_interrupted != 0; }

int ReportOperation(const AppContext& ctx, std::string_view what, OperationResult result) {
  if (!ctx.link.LinkOpen()) {
    return ReportFailure(std::string(what) + " failed: the programmer was lost (unplugged?) "
                             "during the operation.",
                         kExitFailure);
  }
  switch (result) {
    case OperationResult::Ok:
      return kExitOk;
    case OperationResult::Stopped:
      return ReportFailure(std::string(what) + " stopped before the end.", kExitFailure);
    case OperationResult::Failed:
      break;
  }
  return ReportFailure(std::string(what) + " failed.", kExitFailure);
}

namespace {

constexpr std::array<std::string_view, 3> kStepNames = {"erase", "write", "verify"};

std::vector<std::string> SplitSteps(const std::string& steps) {
  std::vector<std::string> items;
  std::string item;
  for (const char c : steps + ",") {
    if (c != ',') {
      item += c;
      continue;
    }
    items.push_back(item);
    item.clear();
  }
  return items;
}

}  // namespace

void AddSequenceOptions(CLI::App& command, std::string& steps, std::string& record) {
  command.add_option("--steps", steps,
                     "Comma list of erase, write, verify (default: the Erase/Write/Verify keys "
                     "of [PrjInfo] in the settings file dev.ini; all three without them)");
  command.add_option("--record", record,
                     "Production record (CSV) to append to (default: YYYY-MM-DD.csv in the "
                     "program's records folder)")
      ->type_name("FILE");
}

bool ParseSteps(const std::string& steps, std::string& error) {
  if (steps.empty()) return true;
  for (const std::string& item : SplitSteps(steps)) {
    if (std::find(kStepNames.begin(), kStepNames.end(), item) == kStepNames.end()) {
      error = "--steps: \"" + item + "\" is not a step; give a comma list of erase, write and "
              "verify, e.g. --steps write,verify.";
      return false;
    }
  }
  return true;
}

bool ApplySteps(AppContext& ctx, const std::string& steps) {
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  if (steps.empty()) {
    // The operator's choice kept in dev.ini; the settings also bring back a
    // chip name and a buffer start the current chip and file decide here.
    const std::string name = chip.ChipName;
    LoadSettings(ctx, ProfileFile(ctx.Paths.SettingsFile()));
    chip.ChipName = name;
  } else {
    const std::vector<std::string> items = SplitSteps(steps);
    const auto has = [&items](std::string_view step) {
      return static_cast<std::uint8_t>(std::find(items.begin(), items.end(), step) != items.end());
    };
    chip.OprErase = has("erase");
    chip.OprWrite = has("write");
    chip.OprVerify = has("verify");
  }
  if (chip.OprErase == 1 || chip.OprWrite == 1 || chip.OprVerify == 1) return true;
  ReportFailure("no step to run: " + ctx.Paths.SettingsFile().string() +
                    " turns erase, write and verify off; choose them with --steps.",
                kExitFailure);
  return false;
}

int LoadDataFile(AppContext& ctx, const std::string& file) {
  const std::filesystem::path temp = ctx.Paths.TempFolder();
  std::error_code error;
  std::filesystem::create_directories(temp, error);
  if (error) {
    return ReportFailure("cannot create the folder " + temp.string() +
                             " for converted files: " + error.message(),
                         kExitFailure);
  }
  if (!std::filesystem::is_regular_file(file, error)) {
    return ReportFailure("data file " + file + " not found.", kExitFailure);
  }
  if (!LoadDataFile(ctx, std::filesystem::path(file))) {
    return ReportFailure("data file " + file + " was not loaded.", kExitFailure);
  }
  const std::uintmax_t length = std::filesystem::file_size(ctx.RamFile.FileName, error);
  if (!error && length > ctx.RamFile.DataLen) {
    return ReportFailure("data file " + file + " holds " + std::to_string(length) +
                             " bytes, more than the " + std::to_string(ctx.RamFile.DataLen) +
                             " bytes of " + ctx.CurrentPrj.ChipName + ".",
                         kExitFailure);
  }
  return kExitOk;
}

int RunWithChip(const TransportOptions& transport, const ChipOptions& options,
                InterruptMode interrupt_mode, const std::function<int(AppContext&)>& body) {
  std::string error;
  ProgrammerSession session(transport, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  session.panel().ShowAllLines();
  if (const int code = OpenProgrammerForChips(session); code != kExitOk) return code;

  AppContext& ctx = session.context();
  int code = kExitOk;
  if (!session.OpenCatalogue(error)) {
    code = ReportFailure(error, kExitFailure);
  } else {
    InstallInterruptHandler();
    // Every wait of the link lets a removal of the programmer be seen.
    session.panel().SetPump([&ctx, interrupt_mode] {
      ctx.link.usb().ServiceEvents();
      if (interrupt_mode == InterruptMode::StopOperation && Interrupted() &&
          ctx.Window.OperationRunning) {
        RequestStop(ctx);
      }
    });
    try {
      if (!SelectChip(ctx, options.chip, error) || !ChooseSocket(ctx, options.socket, error)) {
        code = ReportFailure(error, kExitFailure);
      } else {
        code = body(ctx);
      }
    } catch (const DatabaseError& e) {
      code = ReportFailure(e.what(), kExitFailure);
    }
  }
  session.panel().SetPump(nullptr);
  std::string save_error;
  if (!session.SaveSimulatedChips(save_error)) {
    ReportFailure("the simulated chip could not be saved: " + save_error, kExitFailure);
    if (code == kExitOk) code = kExitFailure;
  }
  return code;
}

}  // namespace tessary::cli
