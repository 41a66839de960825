// What every command of the command-line tool needs: a transport (real
// hardware or the simulated programmer, optionally traced), the program
// context on top of it, and an opened, identified programmer.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/app_context.h"
#include "base/clock.h"
#include "cli/console_panel.h"
#include "device/usb_link.h"

namespace tessary::sim {
class SimulatedLink;
}

namespace tessary::cli {

struct TransportOptions {
  bool simulate = false;
  std::string simulator_config;  // empty: the built-in simulated programmer
  std::string trace_file;        // empty: no wire trace
  std::string catalogue_file;    // empty: login.dat beside the program
  bool verbose = false;
};

// Exit codes of the tool. 3 to 7 tell why a programmer on the bus could
// not be opened.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNoProgrammer = 2;
inline constexpr int kExitAccessDenied = 3;
inline constexpr int kExitBusy = 4;
inline constexpr int kExitDisconnected = 5;
inline constexpr int kExitNoUsableEndpoints = 6;
inline constexpr int kExitUsbUnavailable = 7;
// Opened, but it does not answer; or it runs its boot loader and needs a
// firmware update before it can work with chips.
inline constexpr int kExitNoAnswer = 8;
inline constexpr int kExitBootLoader = 9;
inline constexpr int kExitUsage = 64;

// What the tool says, and how it exits, when opening the programmer ended
// with `result` (never Opened).
struct OpenFailure {
  std::string message;
  int exit_code = kExitFailure;
};
[[nodiscard]] OpenFailure DescribeOpenFailure(UsbOpenResult result);

// Prints "tessary-cli: <message>" on stderr and returns `exit_code`.
int ReportFailure(std::string_view message, int exit_code);

// The folder of the running executable.
[[nodiscard]] std::filesystem::path ExecutableFolder();

class ProgrammerSession {
 public:
  // Builds the transport. On failure (bad simulator config, unwritable
  // trace file) `error` says why and ok() is false.
  ProgrammerSession(const TransportOptions& options, std::string& error);
  ~ProgrammerSession();

  [[nodiscard]] bool ok() const { return context_ != nullptr; }
  [[nodiscard]] AppContext& context() { return *context_; }
  [[nodiscard]] ConsolePanel& panel() { return panel_; }

  // Opens the programmer and reads its identity (firmware query with its
  // retry, then hardware, serial and model with their fallbacks). False with
  // a message in `error` and the exit code in OpenExitCode() when no
  // programmer is there, it cannot be opened, or it does not answer.
  [[nodiscard]] bool OpenProgrammer(std::string& error);
  [[nodiscard]] int OpenExitCode() const { return open_exit_code_; }

  // Opens the chip catalogue (--catalogue, or login.dat beside the program).
  [[nodiscard]] bool OpenCatalogue(std::string& error);
  // The catalogue's version text.
  [[nodiscard]] bool CatalogueVersion(std::string& version, std::string& error);

  // Writes the simulated programmer's persistent chips (Persist=1) back to
  // their image files now. True when there is nothing to save.
  [[nodiscard]] bool SaveSimulatedChips(std::string& error);

 private:
  SystemClock clock_;
  ConsolePanel panel_;
  std::unique_ptr<UsbLink> transport_;
  sim::SimulatedLink* simulated_ = nullptr;  // transport_, when simulated
  std::unique_ptr<UsbLink> trace_;
  std::unique_ptr<AppContext> context_;
  std::string catalogue_file_;
  int open_exit_code_ = kExitOk;
  bool programmer_removed_ = false;
};

}  // namespace tessary::cli
