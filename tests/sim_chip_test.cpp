// The simulated programmer's chip commands, driven through the host's
// DeviceLink: chip ID and sockets, flash programming semantics, bulk-read
// streams, erase polling, NAND blocks and the programmer settings.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <vector>

#include "base/clock.h"
#include "device/device_link.h"
#include "device/waits.h"
#include "sim/simulated_link.h"
#include "support/recording_panel.h"

namespace tessary::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t length, std::uint8_t seed = 0) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return bytes;
}

class SimChipTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(DefaultSimulatorConfig()); }
  void Start(SimulatorConfig config) {
    usb = std::make_unique<SimulatedLink>(std::move(config), clock);
    link = std::make_unique<DeviceLink>(*usb, waiter);
    ASSERT_TRUE(link->UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    link->MarkLinked();
  }
  SimulatedProgrammer& device() { return usb->programmer(); }
  ChipMemory& ch1() { return device().socket(0).memory(); }

  // One transaction; the reply payload (empty when no valid reply came).
  Bytes Command(std::uint8_t opcode, const Bytes& payload = {}) {
    last_reply = link->Transact(opcode, payload);
    if (!last_reply.ok()) return {};
    return Bytes(last_reply.Payload().begin(), last_reply.Payload().end());
  }
  // A frame written without reading anything back (the bulk set-ups).
  void Send(std::uint8_t opcode, const Bytes& payload) {
    ASSERT_EQ(link->SendFrame(opcode, payload), LinkStatus::Ok);
  }
  static Bytes Setup(std::uint8_t channel, std::uint8_t type, std::uint32_t address,
                     std::uint32_t total, std::uint16_t block) {
    Bytes payload(12);
    payload[0] = channel;
    payload[1] = type;
    PutBigEndian32(&payload[2], address);
    PutBigEndian32(&payload[6], total);
    PutBigEndian16(&payload[10], block);
    return payload;
  }
  Bytes Read(std::size_t length) {
    Bytes buffer(length);
    buffer.resize(link->ReadRaw(buffer));
    return buffer;
  }
  Bytes BulkRead(std::uint8_t channel, std::uint32_t address, std::uint16_t block) {
    Send(0x34, Setup(channel, 1, address, block, block));
    return Read(block);
  }
  Bytes WriteBlock(std::uint8_t channel, std::uint32_t address, const Bytes& data) {
    Bytes payload = Setup(channel, 1, address, static_cast<std::uint32_t>(data.size()),
                          static_cast<std::uint16_t>(data.size()));
    payload.insert(payload.end(), data.begin(), data.end());
    return Command(0x35, payload);
  }

  VirtualClock clock;
  testing::RecordingPanel panel;
  Waiter waiter{clock, panel};
  std::unique_ptr<SimulatedLink> usb;
  std::unique_ptr<DeviceLink> link;
  Reply last_reply;
};

TEST_F(SimChipTest, ChipIdAndSocketStatusFollowTheSockets) {
  EXPECT_EQ(Command(0x31), (Bytes{0x00, 0xEF, 0x40, 0x17, 0x00, 0x00}));
  EXPECT_EQ(Command(0x38, {1}), (Bytes{0x00, 0xFF}));

  ChipConfig eeprom;
  eeprom.id_code = 0x24000000;
  eeprom.id_extra = {0x12, 0x34};
  eeprom.capacity = 256;
  device().socket(1).Insert(eeprom);
  EXPECT_EQ(Command(0x38, {1}), (Bytes{0x00, 0x00}));
  device().socket(0).Remove();
  EXPECT_EQ(Command(0x38, {1}), (Bytes{0xFF, 0x00}));
  EXPECT_EQ(Command(0x31), (Bytes{0x24, 0x00, 0x00, 0x00, 0x12, 0x34}));
}

TEST_F(SimChipTest, ProgrammingOnlyClearsBits) {
  EXPECT_EQ(WriteBlock(0, 0x100, Bytes(16, 0xF0)), (Bytes{0x00}));
  EXPECT_EQ(WriteBlock(0, 0x100, Bytes(16, 0x3C)), (Bytes{0x00}));
  Bytes expected(32, 0xFF);
  std::fill_n(expected.begin() + 8, 16, 0x30);
  EXPECT_EQ(BulkRead(0, 0xF8, 32), expected);
}

TEST_F(SimChipTest, BulkReadStreamsExactlyTheBlock) {
  const Bytes contents = Pattern(0x3000);
  ch1().Load(0, contents);
  Send(0x34, Setup(0, 1, 0x1234, 0x800000, 4096));
  const Bytes first = Read(1000);  // fewer than the block: the rest waits
  const Bytes rest = Read(4096);
  EXPECT_EQ(first, Bytes(contents.begin() + 0x1234, contents.begin() + 0x1234 + 1000));
  EXPECT_EQ(rest, Bytes(contents.begin() + 0x1234 + 1000, contents.begin() + 0x1234 + 4096));

  const std::uint64_t before = clock.NowMicroseconds();
  EXPECT_TRUE(Read(4096).empty()) << "one block per set-up";
  EXPECT_EQ(clock.NowMicroseconds() - before, 2'000'000u);
}

TEST_F(SimChipTest, ShortBulkReadsOnDemand) {
  ch1().Load(0, Pattern(4096));
  device().faults().bulk_read_chunk = 1000;
  Send(0x34, Setup(0, 1, 0, 4096, 4096));
  EXPECT_EQ(Read(4096).size(), 1000u);
  EXPECT_EQ(Read(4096).size(), 1000u);

  device().faults().bulk_read_chunk = 0;
  device().faults().bulk_read_shortfall = 96;
  Send(0x34, Setup(0, 1, 0, 4096, 4096));
  EXPECT_EQ(Read(4096), Bytes(Pattern(4000)));
  EXPECT_TRUE(Read(96).empty());
}

TEST_F(SimChipTest, DualChannelWritesBothSocketsAndReadsCh1) {
  ChipConfig second = device().socket(0).chip();
  device().socket(1).Insert(second);
  const Bytes data = Pattern(1024, 3);
  EXPECT_EQ(WriteBlock(2, 0x400, data), (Bytes{0x00}));
  EXPECT_EQ(BulkRead(1, 0x400, 1024), data);
  device().socket(1).memory().EraseAll();
  EXPECT_EQ(BulkRead(2, 0x400, 1024), data);
}

TEST_F(SimChipTest, EraseFinishesAfterTheConfiguredBusyPolls) {
  ch1().Load(0, Pattern(64));
  EXPECT_EQ(Command(0x32, {0, 1, 0xFF}).size(), 1u);
  EXPECT_EQ(Command(0x32, {0, 1, 0x00}).size(), 1u);
  EXPECT_NE(Command(0x32, {0, 1, 0x01}), (Bytes{0x55}));
  EXPECT_NE(Command(0x32, {0, 1, 0x01}), (Bytes{0x55}));
  EXPECT_EQ(ch1().Snapshot()[1], Pattern(64)[1]) << "cells change only when the erase is done";
  EXPECT_EQ(Command(0x32, {0, 1, 0x01}), (Bytes{0x55}));
  EXPECT_EQ(BulkRead(0, 0, 64), Bytes(64, 0xFF));

  device().faults().erase_never_finishes = true;
  (void)Command(0x32, {0, 1, 0x00});
  for (int poll = 0; poll < 100; ++poll) ASSERT_NE(Command(0x32, {0, 1, 0x01}), (Bytes{0x55}));
}

TEST_F(SimChipTest, NandBadBlocksScanAndBlockErase) {
  SimulatorConfig config = DefaultSimulatorConfig();
  ChipConfig nand;
  nand.id_code = 0x00C2F180;
  nand.capacity = 1024 * 2048;
  nand.page_size = 2048;
  nand.block_size = 2048;
  nand.bad_blocks = {1, 9, 1023};
  config.sockets[0] = nand;
  Start(config);

  const Bytes scan = Command(0x3B, {0});
  ASSERT_EQ(scan.size(), 4u + 128u);
  EXPECT_EQ(Bytes(scan.begin(), scan.begin() + 6), (Bytes{0x04, 0x00, 0x00, 0x03, 0x40, 0x40}));
  EXPECT_EQ(scan.back(), 0x01);
  EXPECT_EQ(std::accumulate(scan.begin() + 6, scan.end() - 1, 0), 0);

  ch1().Program(0, Bytes(4096, 0x00));
  EXPECT_EQ(Command(0x33, {0, 8, 0x00, 0x00, 0x00, 0x00}), (Bytes{0x00}));
  EXPECT_EQ(Command(0x33, {0, 8, 0x00, 0x00, 0x08, 0x00}), (Bytes{0x01})) << "block 1 is bad";
  EXPECT_EQ(BulkRead(0, 0, 2048), Bytes(2048, 0xFF));
  EXPECT_EQ(BulkRead(0, 2048, 2048), Bytes(2048, 0x00));
}

TEST_F(SimChipTest, BadBlockScanReplyFitsOneTransaction) {
  SimulatorConfig config = DefaultSimulatorConfig();
  ChipConfig nand;
  nand.capacity = 8192u * 0x20000u / 16;  // 8192 blocks of 8 KiB
  nand.block_size = 8192;
  nand.bad_blocks = {0, 8191};
  config.sockets[0] = nand;
  Start(config);
  const Bytes scan = Command(0x3B, {0});
  EXPECT_EQ(last_reply.bytes().size(), 512u);
  EXPECT_EQ(GetBigEndian16(scan.data()), 8192);
  EXPECT_EQ(GetBigEndian16(scan.data() + 2), 2);
  EXPECT_EQ(scan[4], 0x80);
}

TEST_F(SimChipTest, SettingsAreKeptAndReported) {
  EXPECT_EQ(Command(0x39, {1, 2, 0x11, 0x22, 0x01, 0x00, 0x00, 0x80, 0x00, 0x00}).size(), 1u);
  ASSERT_TRUE(device().chip_parameters().has_value());
  const ChipParameters& p = *device().chip_parameters();
  EXPECT_EQ(p.type, 1);
  EXPECT_EQ(p.volt, 2);
  EXPECT_EQ(p.para, 0x11);
  EXPECT_EQ(p.para1, 0x22);
  EXPECT_EQ(p.page_size, 256);
  EXPECT_EQ(p.chip_size, 0x800000u);

  EXPECT_EQ(Command(0x3A, {10}), (Bytes{2}));
  EXPECT_EQ(Command(0x3A, {4}), (Bytes{4}));
  EXPECT_EQ(Command(0x3A, {10}), (Bytes{4}));
  EXPECT_EQ(Command(0x3C, {1}), (Bytes{1}));
  EXPECT_TRUE(device().spi_dma());
  EXPECT_EQ(Command(0x3C, {0}), (Bytes{0}));

  device().Unplug();  // a power cycle forgets the settings
  device().Plug();
  EXPECT_EQ(device().spi_clock_code(), 2);
  EXPECT_FALSE(device().chip_parameters().has_value());
}

}  // namespace
}  // namespace tessary::sim
