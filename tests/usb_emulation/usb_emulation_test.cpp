// The real libusb backend and the real tessary-cli against emulated USB
// devices. umockdev-run builds a throw-away /sys and /dev holding one device
// (a *.umockdev description: sysfs attributes and descriptors) and answers
// its usbfs ioctls from a script (*.ioctl: each bulk OUT transfer and, one
// level deeper, the IN transfer that answers it, with its status, so a stall,
// an overflow or a vanished device can be played). libusb runs unchanged on
// top. Where umockdev cannot run, every case is skipped with the reason.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kFixtures = USB_EMULATION_DIR;
constexpr const char* kNode = "/dev/bus/usb/001/002";

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

struct CommandRun {
  int exit_code = -1;
  std::string out;  // stdout
  std::string err;  // stderr
};

// Runs a shell command line; stdout and stderr are kept apart.
CommandRun RunCommand(const std::string& command) {
  const std::filesystem::path err_file =
      std::filesystem::temp_directory_path() / ("usb_emulation_err_" + std::to_string(getpid()));
  const std::string line = command + " 2>" + Quote(err_file);
  CommandRun run;
  FILE* pipe = popen(line.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> chunk{};
  std::size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
    run.out.append(chunk.data(), got);
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(err_file);
  std::stringstream text;
  text << err.rdbuf();
  run.err = text.str();
  std::filesystem::remove(err_file);
  return run;
}

// Why the emulator cannot run here; empty when it can.
const std::string& EmulatorUnavailable() {
  static const std::string reason = [] {
    if (RunCommand("command -v umockdev-run >/dev/null").exit_code != 0) {
      return std::string("umockdev-run is not installed (Debian package umockdev; make deps)");
    }
    const CommandRun probe = RunCommand("umockdev-run --device " +
                                        Quote(kFixtures / "programmer.umockdev") + " -- true");
    if (probe.exit_code != 0) {
      return "umockdev-run cannot build a test bed here: " + probe.err;
    }
    return std::string();
  }();
  return reason;
}

// The command prefix that runs as an unprivileged user, or why there is none.
struct Unprivileged {
  std::string prefix;
  std::string unavailable;
};

Unprivileged UnprivilegedUser(const std::vector<std::string>& needed_files) {
  if (geteuid() != 0) return {"", ""};  // already unprivileged
  const std::string prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups --";
  if (RunCommand("command -v setpriv >/dev/null").exit_code != 0) {
    return {"", "running as root, and setpriv (util-linux) is missing to drop to 'nobody'"};
  }
  for (const std::string& file : needed_files) {
    if (RunCommand(prefix + " test -r " + Quote(file)).exit_code != 0) {
      return {"", "user 'nobody' cannot read " + file + " (a parent folder is closed to it)"};
    }
  }
  return {prefix, ""};
}

enum class Program { Cli, Driver };

struct Case {
  const char* name;
  const char* device;  // description in the fixture folder
  const char* script;  // ioctl script in the fixture folder, or "" for none
  Program program;
  std::vector<std::string> args;
  int exit_code;
  // Driver: its whole stdout, line by line. Cli: texts its stdout or stderr holds.
  std::vector<std::string> expected;
  bool unreadable_node = false;  // the device node's mode is 000, opened as an unprivileged user
  int clear_halts = -1;          // when >= 0: how often libusb_clear_halt must run
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::string kFirmwareQuery = "02100001000003B4";
const std::string kHardwareQuery = "021100010000C389";
const std::string kFirmwareReply = "02 10 00 01 00 06 56 31 2E 32 2E 33 14 BD";
const std::string kHardwareReply = "02 11 00 01 00 05 48 57 32 2E 30 CF AD";

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"CliIdentifiesTheProgrammer",
       "programmer.umockdev",
       "identify.ioctl",
       Program::Cli,
       {"info"},
       0,
       {"Model:     Velor", "Firmware:  V1.2.3", "Hardware:  HW2.0", "Serial:    SN-0001"}},
      {"CliProbeOpensTheProgrammer",
       "programmer.umockdev",
       "identify.ioctl",
       Program::Cli,
       {"probe"},
       0,
       {"Programmer present"}},
      {"CliKeepsAReplyThatEndedInAnOverflow",
       "programmer.umockdev",
       "overflow.ioctl",
       Program::Cli,
       {"info"},
       0,
       {"Firmware:  V1.2.3", "Model:     Velor"}},
      {"CliClearsAStallOnceAndGoesOn",
       "programmer.umockdev",
       "stall.ioctl",
       Program::Cli,
       {"info"},
       0,
       {"Hardware:  HW2.0", "Serial:    SN-0001"},
       false,
       1},
      {"CliNamesAnUnplugDuringIdentification",
       "programmer.umockdev",
       "unplug.ioctl",
       Program::Cli,
       {"info"},
       5,
       {"unplugged while it was being identified"}},
      {"CliRejectsADeviceWithoutBulkIn",
       "no_in_endpoint.umockdev",
       "",
       Program::Cli,
       {"info"},
       6,
       {"no bulk IN and OUT endpoints"}},
      {"CliNamesTheReasonAlsoThroughTheWireTrace",
       "no_in_endpoint.umockdev",
       "",
       Program::Cli,
       {"--trace", "/dev/null", "info"},
       6,
       {"no bulk IN and OUT endpoints"}},
      {"CliProbeRejectsADeviceWithoutBulkIn",
       "no_in_endpoint.umockdev",
       "",
       Program::Cli,
       {"probe"},
       6,
       {"no bulk IN and OUT endpoints"}},
      {"CliProbeNamesTheUdevRuleWhenAccessIsDenied",
       "programmer.umockdev",
       "identify.ioctl",
       Program::Cli,
       {"probe"},
       3,
       {"may not open it", "udev rule 70-tessary.rules", "/usr/lib/udev/rules.d",
        "unplug the programmer and plug it in again"},
       true},
      {"CliInfoNamesTheUdevRuleWhenAccessIsDenied",
       "programmer.umockdev",
       "identify.ioctl",
       Program::Cli,
       {"info"},
       3,
       {"may not open it", "udev rule 70-tessary.rules"},
       true},

      {"LinkOpensAndExchangesAFrame",
       "programmer.umockdev",
       "identify.ioctl",
       Program::Driver,
       {"open", "write", kFirmwareQuery, "read", "512"},
       0,
       {"open: opened out=01 in=82", "write: 8", "read 512: 14 " + kFirmwareReply}},
      {"LinkKeepsTheSurplusOfAShortReadForTheNext",
       "programmer.umockdev",
       "identify.ioctl",
       Program::Driver,
       {"open", "write", kFirmwareQuery, "read", "10", "read", "10"},
       0,
       {"open: opened out=01 in=82", "write: 8", "read 10: 10 02 10 00 01 00 06 56 31 2E 32",
        "read 10: 4 2E 33 14 BD"}},
      {"LinkFlushDiscardsTheKeptSurplus",
       "programmer.umockdev",
       "identify.ioctl",
       Program::Driver,
       {"open", "write", kFirmwareQuery, "read", "10", "flush", "write", kHardwareQuery, "read",
        "512"},
       0,
       {"open: opened out=01 in=82", "write: 8", "read 10: 10 02 10 00 01 00 06 56 31 2E 32",
        "flush", "write: 8", "read 512: 13 " + kHardwareReply}},
      {"LinkReturnsWhatArrivedBeforeAnOverflow",
       "programmer.umockdev",
       "overflow.ioctl",
       Program::Driver,
       {"open", "write", kFirmwareQuery, "read", "512"},
       0,
       {"open: opened out=01 in=82", "write: 8", "read 512: 14 " + kFirmwareReply}},
      {"LinkReportsAStallClearsItOnceAndWorksOn",
       "programmer.umockdev",
       "stall.ioctl",
       Program::Driver,
       {"open", "write", kFirmwareQuery, "read", "512", "write", kHardwareQuery, "read", "512",
        "write", kHardwareQuery, "read", "512"},
       0,
       {"open: opened out=01 in=82", "write: 8", "read 512: 14 " + kFirmwareReply, "write: 8",
        "read 512: 0", "write: 8", "read 512: 13 " + kHardwareReply},
       false,
       1},
      {"LinkTurnsAnUnplugIntoOneRemoval",
       "programmer.umockdev",
       "unplug.ioctl",
       Program::Driver,
       {"open", "write", kFirmwareQuery, "read", "512", "events", "events", "write", kHardwareQuery,
        "read", "512"},
       0,
       {"open: opened out=01 in=82", "write: 8", "read 512: 0", "events: removed", "events: none",
        "write: 0", "read 512: 0"}},
      {"LinkRefusesADeviceWithoutBulkIn",
       "no_in_endpoint.umockdev",
       "",
       Program::Driver,
       {"open", "read", "512"},
       0,
       {"open: no-usable-endpoints", "read 512: 0"}},
      {"LinkTellsAccessDeniedApart",
       "programmer.umockdev",
       "identify.ioctl",
       Program::Driver,
       {"open"},
       0,
       {"open: access-denied"},
       true},
  };
  return cases;
}

class EmulatedDevice : public ::testing::TestWithParam<Case> {};

TEST_P(EmulatedDevice, BehavesAsExpected) {
  if (!EmulatorUnavailable().empty()) GTEST_SKIP() << EmulatorUnavailable();
  const Case& c = GetParam();
  const std::string program = c.program == Program::Cli ? TESSARY_CLI : USB_LINK_DRIVER;
  const std::string device = kFixtures / c.device;
  std::string command = "umockdev-run --device " + Quote(device);
  std::vector<std::string> needed = {program, device};
  if (*c.script != '\0') {
    const std::string script = kFixtures / c.script;
    command += " --ioctl " + Quote(std::string(kNode) + "=" + script);
    needed.push_back(script);
  }
  command += " -- ";
  if (c.unreadable_node) {
    const Unprivileged user = UnprivilegedUser(needed);
    if (!user.unavailable.empty()) GTEST_SKIP() << "no unprivileged user: " << user.unavailable;
    command = user.prefix + " " + command + "sh -c 'chmod 000 \"$UMOCKDEV_DIR" + kNode +
              "\" && exec \"$0\" \"$@\"' ";
  }
  command += Quote(program);
  for (const std::string& arg : c.args) command += " " + Quote(arg);

  // libusb names every call it makes at debug level; that is how the stall
  // cases count the halts cleared.
  // A case that hangs fails instead of holding the test run.
  const std::string environment = c.clear_halts >= 0 ? "LIBUSB_DEBUG=4 " : "";
  const CommandRun run = RunCommand(environment + "timeout 60 " + command);
  const std::string output = run.out + run.err;
  ASSERT_EQ(run.exit_code, c.exit_code) << command << "\n" << output;
  if (c.program == Program::Driver) {
    std::string expected;
    for (const std::string& line : c.expected) expected += line + "\n";
    EXPECT_EQ(run.out, expected) << run.err;
  } else {
    for (const std::string& text : c.expected) {
      EXPECT_NE(output.find(text), std::string::npos) << "missing '" << text << "' in\n" << output;
    }
  }
  if (c.clear_halts >= 0) {
    int clears = 0;
    for (std::size_t at = run.err.find("[libusb_clear_halt]"); at != std::string::npos;
         at = run.err.find("[libusb_clear_halt]", at + 1)) {
      ++clears;
    }
    EXPECT_EQ(clears, c.clear_halts);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, EmulatedDevice, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
