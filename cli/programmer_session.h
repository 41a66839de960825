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

namespace tessary::cli {

struct TransportOptions {
  bool simulate = false;
  std::string simulator_config;  // empty: the built-in simulated programmer
  std::string trace_file;        // empty: no wire trace
  std::string catalogue_file;    // empty: login.dat beside the program
  bool verbose = false;
};

// Exit codes of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNoProgrammer = 2;
inline constexpr int kExitUsage = 64;

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

  // Opens the programmer and reads its identity (firmware query with its
  // retry, then hardware, serial and model with their fallbacks). False with
  // a message in `error` when no programmer is there or it does not answer.
  [[nodiscard]] bool OpenProgrammer(std::string& error);

  // Opens the chip catalogue (--catalogue, or login.dat beside the program).
  [[nodiscard]] bool OpenCatalogue(std::string& error);
  // The catalogue's version text.
  [[nodiscard]] bool CatalogueVersion(std::string& version, std::string& error);

 private:
  SystemClock clock_;
  ConsolePanel panel_;
  std::unique_ptr<UsbLink> transport_;
  std::unique_ptr<UsbLink> trace_;
  std::unique_ptr<AppContext> context_;
  std::string catalogue_file_;
};

}  // namespace tessary::cli
