// tessary-cli probe: is a programmer on the USB bus, and can it be opened?
// (exit code only; nothing is sent to it)
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/commands.h"
#include "device/libusb_link.h"

namespace tessary::cli {

void AddProbeCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand(
      "probe",
      "Exit 0 when a programmer (USB 1A86:4567) is plugged in and can be opened, 2 when none is "
      "plugged in, 3 to 7 when one is there but cannot be opened (the message says why)");
  command->callback([&context] {
    // probe answers for the USB bus as a whole and sends nothing, so it
    // cannot tell programmers apart by serial number nor look at a simulated
    // one: say so rather than answer for another device.
    if (context.transport.simulate || !context.transport.device.empty()) {
      context.exit_code = ReportFailure(
          "probe looks at the USB bus only and takes neither --simulate nor --device; "
          "'tessary-cli list' shows each programmer",
          kExitUsage);
      return;
    }
    const SystemClock clock;
    LibusbLink link(clock);
    if (link.OpenDevice(kProgrammerVendorId, kProgrammerProductId)) {
      link.CloseDevice();
      std::printf("Programmer present\n");
      context.exit_code = kExitOk;
    } else if (link.LastOpenResult() == UsbOpenResult::NotFound) {
      std::printf("No programmer on the bus\n");
      context.exit_code = kExitNoProgrammer;
    } else {
      const OpenFailure failure = DescribeOpenFailure(link.LastOpenResult());
      context.exit_code = ReportFailure(failure.message, failure.exit_code);
    }
  });
}

}  // namespace tessary::cli
