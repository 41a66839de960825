// Drives the real libusb link step by step, for the emulated-device tests:
//
//   usb_link_driver STEP...
//     open        opens 1A86:4567:   "open: opened out=01 in=82" or "open: <reason>"
//     write HEX   one write:         "write: <bytes accepted>"
//     read N      one read of N:     "read N: <count>[ <hex bytes>]"
//     flush       flushes the IN pipe: "flush"
//     events      delivers presence events: "events: removed arrived ..." or "events: none"
//     close       closes the link:   "close"
//
// One line per step on stdout. Exit 0 after the last step, 64 for a bad step.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "device/libusb_link.h"

namespace {

using tessary::PresenceEvent;
using tessary::UsbOpenResult;

const char* ReasonName(UsbOpenResult result) {
  switch (result) {
    case UsbOpenResult::Opened:
      return "opened";
    case UsbOpenResult::NotFound:
      return "not-found";
    case UsbOpenResult::AccessDenied:
      return "access-denied";
    case UsbOpenResult::Busy:
      return "busy";
    case UsbOpenResult::Disconnected:
      return "disconnected";
    case UsbOpenResult::NoUsableEndpoints:
      return "no-usable-endpoints";
    case UsbOpenResult::UsbUnavailable:
      return "usb-unavailable";
    case UsbOpenResult::UsbError:
      return "usb-error";
  }
  return "?";
}

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(pair, sizeof pair, " %02X", bytes[i]);
    text += pair;
  }
  return text;
}

bool ParseHex(std::string_view text, std::vector<std::uint8_t>& bytes) {
  if (text.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const std::string pair(text.substr(i, 2));
    char* end = nullptr;
    const unsigned long value = std::strtoul(pair.c_str(), &end, 16);
    if (end != pair.c_str() + 2) return false;
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return true;
}

int Usage(std::string_view problem) {
  std::fprintf(stderr, "usb_link_driver: %.*s\n", static_cast<int>(problem.size()), problem.data());
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  const tessary::SystemClock clock;
  tessary::LibusbLink link(clock);
  std::vector<PresenceEvent> events;
  link.SetPresenceHandler([&events](PresenceEvent event) { events.push_back(event); });

  for (int i = 1; i < argc; ++i) {
    const std::string_view step = argv[i];
    if (step == "open") {
      const bool opened =
          link.OpenDevice(tessary::kProgrammerVendorId, tessary::kProgrammerProductId);
      if (opened) {
        std::printf("open: opened out=%02X in=%02X\n", link.Pipes().out, link.Pipes().in);
      } else {
        std::printf("open: %s\n", ReasonName(link.LastOpenResult()));
      }
    } else if (step == "write" && i + 1 < argc) {
      std::vector<std::uint8_t> bytes;
      if (!ParseHex(argv[++i], bytes)) return Usage("write takes hexadecimal bytes");
      std::printf("write: %zu\n", link.WritePipe(bytes));
    } else if (step == "read" && i + 1 < argc) {
      const int length = std::atoi(argv[++i]);
      if (length <= 0 || length > 65536) return Usage("read takes a length of 1 to 65536");
      std::vector<std::uint8_t> buffer(static_cast<std::size_t>(length));
      const std::size_t count = link.ReadPipe(buffer);
      std::printf("read %d: %zu%s\n", length, count, Hex(buffer.data(), count).c_str());
    } else if (step == "flush") {
      link.FlushInPipe();
      std::printf("flush\n");
    } else if (step == "events") {
      events.clear();
      link.ServiceEvents();
      std::string names;
      for (const PresenceEvent event : events) {
        names += event == PresenceEvent::Removed ? " removed" : " arrived";
      }
      std::printf("events:%s\n", names.empty() ? " none" : names.c_str());
    } else if (step == "close") {
      link.CloseDevice();
      std::printf("close\n");
    } else {
      return Usage("unknown step '" + std::string(step) + "'");
    }
    std::fflush(stdout);
  }
  return 0;
}
