// The simulated programmer seen through the host's DeviceLink: identity
// replies byte for byte, the wire record, opening, presence and faults.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/clock.h"
#include "device/device_link.h"
#include "device/identity_queries.h"
#include "device/waits.h"
#include "sim/simulated_link.h"
#include "support/recording_panel.h"

namespace tessary::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

class SimLinkTest : public ::testing::Test {
 protected:
  void Start(SimulatorConfig config = DefaultSimulatorConfig()) {
    usb = std::make_unique<SimulatedLink>(std::move(config), clock);
    link = std::make_unique<DeviceLink>(*usb, waiter);
    usb->SetPresenceHandler([this](PresenceEvent event) { events.push_back(event); });
    ASSERT_TRUE(link->UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    link->MarkLinked();
  }
  SimulatedProgrammer& device() { return usb->programmer(); }

  // One request/reply transaction; the reply bytes as read.
  Bytes Transact(std::uint8_t opcode, const Bytes& payload = {}) {
    last_reply = link->Transact(opcode, payload);
    return Bytes(last_reply.bytes().begin(), last_reply.bytes().end());
  }

  VirtualClock clock;
  testing::RecordingPanel panel;
  Waiter waiter{clock, panel};
  std::unique_ptr<SimulatedLink> usb;
  std::unique_ptr<DeviceLink> link;
  Reply last_reply;
  std::vector<PresenceEvent> events;
};

TEST_F(SimLinkTest, IdentityRepliesAreWholeFramesByteForByte) {
  Start();
  const struct {
    std::uint8_t opcode;
    Bytes reply;
  } cases[] = {
      {0x10, {0x02, 0x10, 0x00, 0x01, 0x00, 0x06, 'V', '1', '.', '2', '.', '3', 0x14, 0xBD}},
      {0x11, {0x02, 0x11, 0x00, 0x01, 0x00, 0x07, 'H', 'W', '-', 'V', '2', '.', '1', 0xCB, 0x4D}},
      {0x12, {0x02, 0x12, 0x00, 0x01, 0x00, 0x12, 'T', 'S', 'Y', '-', '0', '0',  '0',
              '0',  '-',  '0',  '0',  '0',  '0',  '-', '0', '0', '0', '1', 0xB9, 0x72}},
      {0x13, {0x02, 0x13, 0x00, 0x01, 0x00, 0x05, 'V', 'e', 'l', 'o', 'r', 0x0C, 0x7B}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.opcode);
    EXPECT_EQ(Transact(c.opcode), c.reply);
  }
}

TEST_F(SimLinkTest, HostIdentityQueriesReadTheConfiguredTexts) {
  SimulatorConfig config = DefaultSimulatorConfig();
  config.faults.silent_opcodes = {0x11};
  Start(config);
  Dev_Inf_Struct info;
  ASSERT_TRUE(ReadFirmwareVersion(*link, info));
  ReadIdentityTexts(*link, info);
  EXPECT_EQ(info.FirmVer, "V1.2.3");
  EXPECT_EQ(info.HardVer, kUnknownHardwareVersion);
  EXPECT_EQ(info.DevSN, "TSY-0000-0000-0001");
  EXPECT_EQ(info.DevName, "Velor");
  EXPECT_EQ(device().wire().CountFrames(0x11), 2u);
}

TEST_F(SimLinkTest, WireRecordKeepsEveryTransferInOrder) {
  Start();
  (void)Transact(0x10);
  (void)Transact(0x20, {0x00, 0x01});

  const WireRecord& wire = device().wire();
  ASSERT_EQ(wire.transfers().size(), 4u);
  EXPECT_EQ(wire.Writes(),
            (std::vector<Bytes>{{0x02, 0x10, 0x00, 0x01, 0x00, 0x00, 0x03, 0xB4},
                                {0x02, 0x20, 0x00, 0x01, 0x00, 0x02, 0x00, 0x01, 0x02, 0x67}}));
  EXPECT_EQ(wire.Reads()[1], (Bytes{0x02, 0x20, 0x00, 0x01, 0x00, 0x01, 0x00, 0x17, 0x07}));
  EXPECT_EQ(wire.transfers()[1].direction, WireDirection::In);
  EXPECT_EQ(wire.CountFrames(0x20), 1u);
  EXPECT_EQ(device().status_indications(), (std::vector<std::uint16_t>{1}));

  device().wire().Clear();
  EXPECT_TRUE(device().wire().transfers().empty());
}

TEST_F(SimLinkTest, OpensOnlyTheConfiguredIdsAndClassifiesEndpoints) {
  Start();
  EXPECT_EQ(link->Pipes(), (PipeIds{0x01, 0x82}));
  EXPECT_FALSE(usb->OpenDevice(0x1A86, 0x4568));
  EXPECT_FALSE(usb->OpenDevice(0x1A87, 0x4567));

  SimulatorConfig other = DefaultSimulatorConfig();
  other.product_id = 0x1234;
  SimulatedLink mismatched(other, clock);
  EXPECT_FALSE(mismatched.OpenDevice(kProgrammerVendorId, kProgrammerProductId));
  EXPECT_TRUE(mismatched.OpenDevice(kProgrammerVendorId, 0x1234));

  SimulatorConfig interrupt = DefaultSimulatorConfig();
  interrupt.endpoints.push_back({0x83, EndpointType::Interrupt});
  SimulatedLink with_interrupt(interrupt, clock);
  ASSERT_TRUE(with_interrupt.OpenDevice(kProgrammerVendorId, kProgrammerProductId));
  EXPECT_EQ(with_interrupt.Pipes(), (PipeIds{0x83, 0x82}));

  SimulatorConfig iso = DefaultSimulatorConfig();
  iso.endpoints.push_back({0x84, EndpointType::Isochronous});
  SimulatedLink with_iso(iso, clock);
  EXPECT_FALSE(with_iso.OpenDevice(kProgrammerVendorId, kProgrammerProductId));
  EXPECT_FALSE(with_iso.HasDevice());
}

TEST_F(SimLinkTest, PresenceEventsArriveOnlyThroughServiceEvents) {
  Start();
  device().Unplug();
  EXPECT_TRUE(events.empty());
  usb->ServiceEvents();
  EXPECT_EQ(events, (std::vector<PresenceEvent>{PresenceEvent::Removed}));

  // The handle outlives the device; its transfers fail at once.
  EXPECT_TRUE(usb->HasDevice());
  const std::uint64_t before = clock.NowMicroseconds();
  EXPECT_TRUE(Transact(0x10).empty());
  EXPECT_EQ(clock.NowMicroseconds() - before, 10'000u);  // only the transaction's own 10 ms
  EXPECT_FALSE(usb->OpenDevice(kProgrammerVendorId, kProgrammerProductId));
  EXPECT_TRUE(device().wire().transfers().empty()) << "nothing crosses a dead handle";

  device().Plug();
  usb->ServiceEvents();
  EXPECT_EQ(events.back(), PresenceEvent::Arrived);
  EXPECT_TRUE(Transact(0x10).empty()) << "a handle from before the removal stays dead";
  link->UsbCloseDevice();
  EXPECT_FALSE(usb->HasDevice());
  ASSERT_TRUE(link->UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
  link->MarkLinked();
  EXPECT_EQ(Transact(0x13).size(), 13u);
}

TEST_F(SimLinkTest, SilentOpcodeCostsExactlyTheReadTimeout) {
  SimulatorConfig config = DefaultSimulatorConfig();
  config.faults.silent_opcodes = {0x3A};
  Start(config);

  Bytes frame(9);
  const std::uint8_t code = 1;
  BuildFrame(0x3A, std::span(&code, 1), frame);
  ASSERT_EQ(usb->WritePipe(frame), frame.size());
  std::array<std::uint8_t, 512> buffer{};
  const std::uint64_t before = clock.NowMicroseconds();
  EXPECT_EQ(usb->ReadPipe(buffer), 0u);
  EXPECT_EQ(clock.NowMicroseconds() - before, 2'000'000u);
  EXPECT_EQ(device().spi_clock_code(), 2) << "a silent command has no effect";

  // The host's up-to-eight convention sends the frame eight times.
  device().wire().Clear();
  const std::uint8_t clock_code[] = {1};
  EXPECT_EQ(link->TransactUpToEight(0x3A, clock_code).status(), LinkStatus::NoReply);
  EXPECT_EQ(device().wire().CountFrames(0x3A), 8u);
}

TEST_F(SimLinkTest, DamagedRepliesAsConfigured) {
  SimulatorConfig config = DefaultSimulatorConfig();
  config.faults.wrong_start_opcodes = {0x10};
  config.faults.reply_lengths = {{0x31, 4}};
  Start(config);

  const Bytes firmware = Transact(0x10);
  ASSERT_FALSE(firmware.empty());
  EXPECT_EQ(firmware[0], 0x03);
  EXPECT_EQ(last_reply.status(), LinkStatus::NoReply);

  const Bytes id = Transact(0x31);
  EXPECT_EQ(id,
            (Bytes{0x02, 0x31, 0x00, 0x01, 0x00, 0x04, 0x00, 0xEF, 0x40, 0x17, id[10], id[11]}));
  EXPECT_TRUE(last_reply.ok());
}

TEST_F(SimLinkTest, UnplugsAfterTheConfiguredNumberOfTransfers) {
  Start();
  device().faults().unplug_after_transfers = 3;
  EXPECT_EQ(Transact(0x10).size(), 14u);  // transfers 1 and 2
  EXPECT_TRUE(Transact(0x11).empty());    // transfer 3 is the write; then it is gone
  EXPECT_EQ(device().wire().transfers().size(), 3u);
  EXPECT_FALSE(device().plugged());
  usb->ServiceEvents();
  EXPECT_EQ(events, (std::vector<PresenceEvent>{PresenceEvent::Removed}));
}

TEST_F(SimLinkTest, FrameWithBadCrcIsIgnored) {
  Start();
  Bytes frame = {0x02, 0x10, 0x00, 0x01, 0x00, 0x00, 0x03, 0xB5};
  ASSERT_EQ(usb->WritePipe(frame), frame.size());
  std::array<std::uint8_t, 512> buffer{};
  EXPECT_EQ(usb->ReadPipe(buffer), 0u);
  EXPECT_EQ(device().rejected_frames(), 1u);

  // A frame split over two writes is still one command.
  frame.back() = 0xB4;
  ASSERT_EQ(usb->WritePipe(std::span(frame).first(3)), 3u);
  ASSERT_EQ(usb->WritePipe(std::span(frame).subspan(3)), 5u);
  EXPECT_EQ(usb->ReadPipe(buffer), 14u);
}

}  // namespace
}  // namespace tessary::sim
