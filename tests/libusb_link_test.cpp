// The libusb transport: which device is opened, how its endpoints become the
// pipes, and a link with no programmer on the bus.
#include "device/libusb_link.h"

#include <gtest/gtest.h>

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

TEST(LibusbLink, WithoutAProgrammerEverythingFailsQuietly) {
  if (LibusbLink::ProgrammerPresent()) GTEST_SKIP() << "a programmer is plugged in";
  VirtualClock clock;
  LibusbLink link(clock);
  int events = 0;
  link.SetPresenceHandler([&](PresenceEvent) { ++events; });

  EXPECT_FALSE(link.OpenDevice(kVid, kPid));
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
