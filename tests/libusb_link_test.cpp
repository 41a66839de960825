// The libusb transport: which device is opened, how its endpoints become the
// pipes, what a failed open is called, how presence notices become events,
// and a link with no programmer on the bus. (The transfers themselves are
// tested against emulated devices: tests/usb_emulation.)
#include "device/libusb_link.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include <deque>
#include <optional>
#include <vector>

#include "base/clock.h"

namespace tessary {
namespace {

constexpr std::uint16_t kVid = kProgrammerVendorId;
constexpr std::uint16_t kPid = kProgrammerProductId;

TEST(FirstMatchingDevice, PicksTheFirstDeviceWithBothIds) {
  struct Case {
    const char* name;
    std::vector<UsbDeviceIds> devices;
    std::optional<std::size_t> expected;
  };
  const std::vector<Case> cases = {
      {"empty bus", {}, std::nullopt},
      {"others skipped", {{0x046D, 0xC52B}, {kVid, 0x7523}, {0x0000, kPid}, {kVid, kPid}}, 3},
      {"two programmers: the first", {{0x1234, 0x0001}, {kVid, kPid}, {kVid, kPid}}, 1},
      {"ids swapped", {{kPid, kVid}}, std::nullopt},
      {"unreadable descriptor", {{0, 0}}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstMatchingDevice(c.devices, kVid, kPid), c.expected) << c.name;
  }
}

TEST(EndpointTypeFromAttributes, ReadsOnlyTheTransferTypeBits) {
  EXPECT_EQ(EndpointTypeFromAttributes(0x00), EndpointType::Control);
  EXPECT_EQ(EndpointTypeFromAttributes(0x01), EndpointType::Isochronous);
  EXPECT_EQ(EndpointTypeFromAttributes(0x0D), EndpointType::Isochronous);  // sync bits set
  EXPECT_EQ(EndpointTypeFromAttributes(0x02), EndpointType::Bulk);
  EXPECT_EQ(EndpointTypeFromAttributes(0x03), EndpointType::Interrupt);
  EXPECT_EQ(EndpointTypeFromAttributes(0x33), EndpointType::Interrupt);  // usage bits set
}

TEST(ClassifyRawEndpoints, MapsEndpointsToPipesInListedOrder) {
  constexpr std::uint8_t kBulk = 0x02;
  constexpr std::uint8_t kInterrupt = 0x03;
  struct Case {
    const char* name;
    std::vector<RawEndpoint> endpoints;
    std::optional<LibusbPipes> expected;
  };
  const std::vector<Case> cases = {
      {"bulk pair", {{0x01, kBulk}, {0x82, kBulk}}, LibusbPipes{{0x01, 0x82}, false}},
      {"bulk pair, IN first", {{0x86, kBulk}, {0x02, kBulk}}, LibusbPipes{{0x02, 0x86}, false}},
      {"interrupt after bulk OUT replaces it",
       {{0x01, kBulk}, {0x82, kBulk}, {0x03, kInterrupt}},
       LibusbPipes{{0x03, 0x82}, true}},
      {"bulk OUT after interrupt replaces it",
       {{0x03, kInterrupt}, {0x01, kBulk}, {0x82, kBulk}},
       LibusbPipes{{0x01, 0x82}, false}},
      {"interrupt IN becomes the write pipe",
       {{0x01, kBulk}, {0x82, kBulk}, {0x84, kInterrupt}},
       LibusbPipes{{0x84, 0x82}, true}},
      {"later bulk IN wins", {{0x81, kBulk}, {0x82, kBulk}}, LibusbPipes{{0x01, 0x82}, false}},
      {"no endpoints keeps placeholders", {}, LibusbPipes{{0x01, 0x02}, false}},
      {"isochronous fails", {{0x01, kBulk}, {0x82, kBulk}, {0x83, 0x01}}, std::nullopt},
      {"control fails", {{0x00, 0x00}, {0x01, kBulk}, {0x82, kBulk}}, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<LibusbPipes> pipes = ClassifyRawEndpoints(c.endpoints);
    ASSERT_EQ(pipes.has_value(), c.expected.has_value()) << c.name;
    if (!pipes) continue;
    EXPECT_EQ(pipes->ids, c.expected->ids) << c.name;
    EXPECT_EQ(pipes->out_is_interrupt, c.expected->out_is_interrupt) << c.name;
  }
}

TEST(ClassifyRawEndpoints, TakesThePacketSizeOfTheReadPipe) {
  constexpr std::uint8_t kBulk = 0x02;
  struct Case {
    const char* name;
    std::vector<RawEndpoint> endpoints;
    std::size_t in_packet_size;
  };
  const std::vector<Case> cases = {
      {"high speed", {{0x01, kBulk, 512}, {0x82, kBulk, 512}}, 512},
      {"full speed", {{0x01, kBulk, 64}, {0x82, kBulk, 64}}, 64},
      {"bits above 10 ignored", {{0x01, kBulk, 512}, {0x82, kBulk, 0x1840}}, 64},
      {"the later IN wins, with its size", {{0x81, kBulk, 64}, {0x82, kBulk, 512}}, 512},
      {"no IN endpoint", {{0x01, kBulk, 512}}, 0},
  };
  for (const Case& c : cases) {
    const std::optional<LibusbPipes> pipes = ClassifyRawEndpoints(c.endpoints);
    ASSERT_TRUE(pipes.has_value()) << c.name;
    EXPECT_EQ(pipes->in_packet_size, c.in_packet_size) << c.name;
  }
}

TEST(PipesUsable, NeedsABulkInAndAnOutDirectionWritePipe) {
  constexpr std::uint8_t kBulk = 0x02;
  constexpr std::uint8_t kInterrupt = 0x03;
  struct Case {
    const char* name;
    std::vector<RawEndpoint> endpoints;
    bool usable;
  };
  const std::vector<Case> cases = {
      {"bulk pair", {{0x01, kBulk, 512}, {0x82, kBulk, 512}}, true},
      {"interrupt OUT as the write pipe", {{0x82, kBulk, 64}, {0x03, kInterrupt, 64}}, true},
      {"no endpoints: placeholders only", {}, false},
      {"no bulk IN: placeholder IN 0x02 is an OUT address", {{0x01, kBulk, 512}}, false},
      {"bulk IN only: placeholder write pipe", {{0x82, kBulk, 512}}, false},
      {"interrupt IN as the write pipe",
       {{0x01, kBulk, 64}, {0x82, kBulk, 64}, {0x84, kInterrupt, 8}},
       false},
      {"bulk IN without a packet size", {{0x01, kBulk, 512}, {0x82, kBulk, 0}}, false},
  };
  for (const Case& c : cases) {
    const std::optional<LibusbPipes> pipes = ClassifyRawEndpoints(c.endpoints);
    ASSERT_TRUE(pipes.has_value()) << c.name;
    EXPECT_EQ(PipesUsable(c.endpoints, *pipes), c.usable) << c.name;
  }
}

TEST(OpenResultFromLibusbError, NamesWhyTheOpenFailed) {
  const std::vector<std::pair<int, UsbOpenResult>> cases = {
      {LIBUSB_SUCCESS, UsbOpenResult::Opened},
      {LIBUSB_ERROR_ACCESS, UsbOpenResult::AccessDenied},
      {LIBUSB_ERROR_BUSY, UsbOpenResult::Busy},
      {LIBUSB_ERROR_NO_DEVICE, UsbOpenResult::Disconnected},
      {LIBUSB_ERROR_NOT_FOUND, UsbOpenResult::NoUsableEndpoints},
      {LIBUSB_ERROR_IO, UsbOpenResult::UsbError},
      {LIBUSB_ERROR_NOT_SUPPORTED, UsbOpenResult::UsbError},
      {LIBUSB_ERROR_OTHER, UsbOpenResult::UsbError},
  };
  for (const auto& [error, result] : cases) {
    EXPECT_EQ(OpenResultFromLibusbError(error), result) << libusb_error_name(error);
  }
}

TEST(RoundUpToPackets, ReadsWholePackets) {
  struct Case {
    std::size_t wanted, packet_size, length;
  };
  const std::vector<Case> cases = {
      {512, 512, 512}, {14, 512, 512},   {513, 512, 1024}, {4096, 512, 4096},
      {100, 64, 128},  {4000, 64, 4032}, {1, 1024, 1024},  {7, 0, 7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RoundUpToPackets(c.wanted, c.packet_size), c.length)
        << c.wanted << " in packets of " << c.packet_size;
  }
}

TEST(PresenceTracker, ReportsEachDepartureOnce) {
  using enum PresenceEvent;
  constexpr UsbLocation kFirst{1, 5};
  constexpr UsbLocation kReturned{1, 6};
  struct Step {
    enum Kind { Arrive, Leave, Poll, Lose } kind;
    std::optional<UsbLocation> where;
  };
  struct Case {
    const char* name;
    std::optional<UsbLocation> at_start;  // the first poll
    std::vector<Step> steps;
    std::vector<PresenceEvent> events;
  };
  const std::vector<Case> cases = {
      {"hot-plug notices pass through", std::nullopt,
       {{Step::Arrive, kFirst}, {Step::Leave, kFirst}}, {Arrived, Removed}},
      {"a lost link, then its hot-plug departure", std::nullopt,
       {{Step::Lose, kFirst}, {Step::Leave, kFirst}}, {Removed}},
      {"a lost link reported twice", std::nullopt,
       {{Step::Lose, kFirst}, {Step::Lose, kFirst}}, {Removed}},
      {"a lost link, its departure, and the return", std::nullopt,
       {{Step::Lose, kFirst}, {Step::Leave, kFirst}, {Step::Arrive, kReturned},
        {Step::Leave, kReturned}},
       {Removed, Arrived, Removed}},
      {"another device leaving after a lost link", std::nullopt,
       {{Step::Lose, kFirst}, {Step::Leave, kReturned}}, {Removed, Removed}},
      {"present at start is no arrival", kFirst, {{Step::Poll, kFirst}}, {}},
      {"plugged in between polls", std::nullopt,
       {{Step::Poll, std::nullopt}, {Step::Poll, kFirst}}, {Arrived}},
      {"unplugged between polls", kFirst, {{Step::Poll, std::nullopt}}, {Removed}},
      {"gone and back within one poll", kFirst, {{Step::Poll, kReturned}}, {Removed, Arrived}},
      {"a lost link, then the poll that sees it gone", kFirst,
       {{Step::Lose, kFirst}, {Step::Poll, std::nullopt}}, {Removed}},
      {"a lost link, then the poll that sees it back", kFirst,
       {{Step::Lose, kFirst}, {Step::Poll, kReturned}}, {Removed, Arrived}},
      {"a lost link while the device stays", kFirst,
       {{Step::Lose, kFirst}, {Step::Poll, kFirst}}, {Removed}},
  };
  for (const Case& c : cases) {
    PresenceTracker tracker;
    tracker.StartPolling(c.at_start);
    for (const Step& step : c.steps) {
      switch (step.kind) {
        case Step::Arrive:
          tracker.Arrived(*step.where);
          break;
        case Step::Leave:
          tracker.Left(*step.where);
          break;
        case Step::Poll:
          tracker.Polled(step.where);
          break;
        case Step::Lose:
          tracker.LinkLost(*step.where);
          break;
      }
    }
    const std::deque<PresenceEvent> events = tracker.TakeEvents();
    EXPECT_EQ(std::vector<PresenceEvent>(events.begin(), events.end()), c.events) << c.name;
    EXPECT_TRUE(tracker.TakeEvents().empty()) << c.name;
  }
}

TEST(LibusbLink, WithoutAProgrammerEverythingFailsQuietly) {
  if (LibusbLink::ProgrammerPresent()) GTEST_SKIP() << "a programmer is plugged in";
  VirtualClock clock;
  LibusbLink link(clock);
  int events = 0;
  link.SetPresenceHandler([&](PresenceEvent) { ++events; });

  EXPECT_FALSE(link.OpenDevice(kVid, kPid));
  // UsbUnavailable where libusb cannot start at all (no USB in a container).
  EXPECT_TRUE(link.LastOpenResult() == UsbOpenResult::NotFound ||
              link.LastOpenResult() == UsbOpenResult::UsbUnavailable);
  EXPECT_FALSE(link.HasDevice());
  EXPECT_EQ(link.Pipes(), PipeIds{});
  const std::vector<std::uint8_t> frame = {0x02, 0x01, 0x00, 0x01, 0x00, 0x00, 0x80, 0x30};
  EXPECT_EQ(link.WritePipe(frame), 0u);
  std::vector<std::uint8_t> buffer(512);
  EXPECT_EQ(link.ReadPipe(buffer), 0u);
  link.FlushInPipe();
  link.CloseDevice();
  link.CloseDevice();
  EXPECT_FALSE(link.HasDevice());

  // Nothing on the bus changed, so polling or hot-plug reports nothing.
  clock.Advance(1'000'000);
  link.ServiceEvents();
  EXPECT_EQ(events, 0);
}

}  // namespace
}  // namespace tessary
