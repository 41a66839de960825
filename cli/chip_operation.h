// What the programming commands (erase, blank, write, read, verify, auto,
// mass) share: the --chip and --socket options, opening the programmer and
// the catalogue, making the chip current with a fresh buffer, loading a
// data file, Ctrl+C, and saving a persistent simulated chip at the end.
#pragma once

#include <functional>
#include <string>

#include "cli/programmer_session.h"

namespace CLI {
class App;
}

namespace tessary::cli {

struct ChipOptions {
  std::string chip;    // catalogue name; empty: the chip in the socket, by its ID
  std::string socket;  // "1", "2", "both"; empty: the socket that holds a chip
};

// Adds --chip and, unless `with_socket` is false, --socket.
void AddChipOptions(CLI::App& command, ChipOptions& options, bool with_socket = true);

// What Ctrl+C does while the command runs.
enum class InterruptMode : std::uint8_t {
  StopOperation,  // the running operation stops at its next block
  FinishChip,     // nothing at once: the command's own loop looks at Interrupted()
};

// Opens the programmer and the catalogue, makes the chip current, chooses
// the socket mode and runs `body`. At the end a simulated programmer's
// persistent chips are saved. Returns the exit code; every failure has been
// told on stderr.
int RunWithChip(const TransportOptions& transport, const ChipOptions& options,
                InterruptMode interrupt_mode, const std::function<int(AppContext&)>& body);

// The options every auto-sequence command takes: --steps and --record.
void AddSequenceOptions(CLI::App& command, std::string& steps, std::string& record);

// The steps of the auto sequence: `steps` is a comma list of erase, write
// and verify; empty takes the Erase/Write/Verify keys of the settings file
// (all three when it has none). False with the reason in `error`.
[[nodiscard]] bool ParseSteps(const std::string& steps, std::string& error);
// Sets OprErase/OprWrite/OprVerify; false (told on stderr) when no step is
// left to run.
[[nodiscard]] bool ApplySteps(AppContext& ctx, const std::string& steps);

// Loads a raw, Intel HEX or CAP file into the current chip's buffer as
// File > Open does. kExitOk, or kExitFailure with the reason on stderr (a
// file longer than the chip is refused too).
int LoadDataFile(AppContext& ctx, const std::string& file);

// Ctrl+C was pressed (once; a second one ends the tool at once).
[[nodiscard]] bool Interrupted();

// kExitOk for a finished operation, else kExitFailure with
// "tessary-cli: <what> failed." (or stopped, or the programmer lost).
int ReportOperation(const AppContext& ctx, std::string_view what, OperationResult result);

}  // namespace tessary::cli
