// What every command of the command-line tool needs: a transport (real
// hardware or the simulated programmer, optionally traced), the program
// context on top of it, and an opened, identified programmer.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "base/clock.h"
#include "cli/console_panel.h"
#include "device/usb_link.h"

namespace tessary::sim {
class SimulatedBus;
}

namespace tessary::cli {

struct TransportOptions {
  bool simulate = false;
  // One simulated programmer per entry; an empty entry is the built-in one.
  std::vector<std::string> simulator_configs;
  std::string trace_file;      // empty: no wire trace
  std::string catalogue_file;  // empty: the program's own catalogue
  std::string device;          // SERIAL or BUS:ADDR; empty: the first programmer
  bool verbose = false;
  bool quiet = false;          // no progress bar, no log lines but errors
};

// Exit codes of the tool. 3 to 7 tell why a programmer on the bus could
// not be opened. kExitCodesHelp lists them for the help texts.
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
inline constexpr char kExitCodesHelp[] =
    "Exit codes:\n"
    "  0   success\n"
    "  1   the command failed (the message on stderr says why)\n"
    "  2   no programmer found\n"
    "  3   a programmer is there, but this user may not open it (udev rule missing)\n"
    "  4   the programmer is in use by another program\n"
    "  5   the programmer left the bus while it was being opened\n"
    "  6   the USB device is not a working programmer (no usable endpoints)\n"
    "  7   USB access is unavailable\n"
    "  64  wrong command-line usage\n";

// `--device` as written: a bus location "BUS:ADDR" (decimal), or else a
// serial number.
struct DeviceChoice {
  std::optional<UsbLocation> location;
  std::string serial;
};
[[nodiscard]] DeviceChoice ParseDeviceChoice(std::string_view text);

// One programmer on the bus, as `list` shows it.
struct ProgrammerListing {
  UsbLocation location;
  UsbOpenResult open_result = UsbOpenResult::NotFound;
  bool identified = false;  // opened and answered the firmware query
  std::string model;
  std::string firmware;
  std::string serial;
  bool used = false;  // the one a command would use
};

// What the tool says, and how it exits, when opening the programmer ended
// with `result` (never Opened).
struct OpenFailure {
  std::string message;
  int exit_code = kExitFailure;
};
[[nodiscard]] OpenFailure DescribeOpenFailure(UsbOpenResult result);

// Prints "tessary-cli: <message>" on stderr and returns `exit_code`.
int ReportFailure(std::string_view message, int exit_code);

class ProgrammerSession {
 public:
  // Decides where the program's files are (preparing the user's own in the
  // installed form) and builds the transport. On failure (no usable HOME,
  // bad simulator config, unwritable trace file) `error` says why and ok()
  // is false.
  ProgrammerSession(const TransportOptions& options, std::string& error);
  ~ProgrammerSession();

  [[nodiscard]] bool ok() const { return context_ != nullptr; }
  [[nodiscard]] AppContext& context() { return *context_; }
  [[nodiscard]] ConsolePanel& panel() { return panel_; }

  // Opens the programmer (--device's, or the first one) and reads its
  // identity (firmware query with its retry, then hardware, serial and model
  // with their fallbacks). False with a message in `error` and the exit code
  // in OpenExitCode() when no programmer is there, it cannot be opened, or
  // it does not answer.
  [[nodiscard]] bool OpenProgrammer(std::string& error);

  // Every programmer on the bus, each opened in turn and identified (one
  // that cannot be opened says why), then closed again.
  [[nodiscard]] std::vector<ProgrammerListing> ListProgrammers();
  [[nodiscard]] int OpenExitCode() const { return open_exit_code_; }

  // Opens the chip catalogue (--catalogue, or the program's own).
  [[nodiscard]] bool OpenCatalogue(std::string& error);
  // The catalogue's version text.
  [[nodiscard]] bool CatalogueVersion(std::string& version, std::string& error);

  // Writes the simulated programmer's persistent chips (Persist=1) back to
  // their image files now. True when there is nothing to save.
  [[nodiscard]] bool SaveSimulatedChips(std::string& error);

 private:
  // Opens the device chosen on the link (or the first) and identifies it.
  [[nodiscard]] bool OpenAndIdentify(std::string& error);
  [[nodiscard]] bool OpenBySerial(const std::string& serial, std::string& error);

  SystemClock clock_;
  ConsolePanel panel_;
  std::string device_;
  std::unique_ptr<UsbLink> transport_;
  sim::SimulatedBus* simulated_ = nullptr;  // transport_, when simulated
  std::unique_ptr<UsbLink> trace_;
  std::unique_ptr<AppContext> context_;
  std::string catalogue_file_;
  int open_exit_code_ = kExitOk;
  bool programmer_removed_ = false;
};

}  // namespace tessary::cli
