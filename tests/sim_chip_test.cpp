// The simulated programmer's chip commands, driven through the host's
// DeviceLink: chip ID and sockets, the cell kinds and the chip's end, bulk-read
// streams, dual-socket reads, erase polling, NAND blocks, chips coming and
// going over time, chip faults, late replies and the programmer settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
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

TEST_F(SimChipTest, DualChannelWritesBothSocketsAndReadsTheAndOfBoth) {
  ChipConfig second = device().socket(0).chip();
  device().socket(1).Insert(second);
  const Bytes data = Pattern(1024, 3);
  EXPECT_EQ(WriteBlock(2, 0x400, data), (Bytes{0x00}));
  EXPECT_EQ(BulkRead(1, 0x400, 1024), data);
  device().socket(1).memory().EraseAll();
  EXPECT_EQ(BulkRead(2, 0x400, 1024), data) << "an erased CH2 hides nothing of CH1";

  // Data in either socket shows: a dual blank check cannot pass over it.
  device().socket(0).memory().EraseAll();
  EXPECT_EQ(WriteBlock(1, 0x400, Bytes(16, 0x0F)), (Bytes{0x00}));
  EXPECT_EQ(WriteBlock(0, 0x408, Bytes(16, 0xF0)), (Bytes{0x00}));
  Bytes expected(32, 0xFF);
  std::fill_n(expected.begin(), 8, 0x0F);
  std::fill_n(expected.begin() + 8, 8, 0x00);
  std::fill_n(expected.begin() + 16, 8, 0xF0);
  EXPECT_EQ(BulkRead(2, 0x400, 32), expected);

  device().socket(1).Remove();  // an empty socket reads 0xFF, so CH1 shows as it is
  EXPECT_EQ(BulkRead(2, 0x400, 32), BulkRead(0, 0x400, 32));
}

// Writing 0xF0 then 0x3C (the second also as a fill-erase with 0xFF) shows
// how each kind of cell takes data.
TEST_F(SimChipTest, CellKindsDecideHowCellsTakeData) {
  const struct {
    const char* name;
    std::optional<CellKind> cells;
    std::uint32_t id_code;
    std::uint32_t block_size;
    std::optional<std::uint8_t> told_type;  // chip type set up with 0x39
    CellKind kind;
    std::uint8_t after_second, after_fill;
  } cases[] = {
      {"plain chip is flash", std::nullopt, 0xEF4017, 0, std::nullopt, CellKind::Flash, 0x30, 0x30},
      {"told 25 FLASH", std::nullopt, 0xEF4017, 0, 1, CellKind::Flash, 0x30, 0x30},
      {"told 45 EEPROM (erased by command)", std::nullopt, 0xEF4017, 0, 4, CellKind::Flash, 0x30,
       0x30},
      {"24-series ID", std::nullopt, 0x24000001, 0, std::nullopt, CellKind::Eeprom, 0x3C, 0xFF},
      {"told 24 EEPROM", std::nullopt, 0xEF4017, 0, 2, CellKind::Eeprom, 0x3C, 0xFF},
      {"told 25 EEPROM", std::nullopt, 0xEF4017, 0, 3, CellKind::Eeprom, 0x3C, 0xFF},
      {"told 93 EEPROM", std::nullopt, 0xEF4017, 0, 5, CellKind::Eeprom, 0x3C, 0xFF},
      {"told 95 EEPROM", std::nullopt, 0xEF4017, 0, 6, CellKind::Eeprom, 0x3C, 0xFF},
      {"erase blocks make NAND", std::nullopt, 0xC2F180, 4096, 2, CellKind::Nand, 0x30, 0x30},
      {"Cells=flash beats a 24 ID", CellKind::Flash, 0x24000001, 0, 2, CellKind::Flash, 0x30, 0x30},
      {"Cells=eeprom", CellKind::Eeprom, 0xEF4017, 0, std::nullopt, CellKind::Eeprom, 0x3C, 0xFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatorConfig config = DefaultSimulatorConfig();
    config.sockets[0]->cells = c.cells;
    config.sockets[0]->id_code = c.id_code;
    config.sockets[0]->capacity = 64 * 1024;
    config.sockets[0]->block_size = c.block_size;
    Start(config);
    if (c.told_type) {
      ASSERT_EQ(Command(0x39, {*c.told_type, 2, 0, 0, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00}).size(),
                1u);
    }
    EXPECT_EQ(device().cells(0), c.kind);
    EXPECT_EQ(WriteBlock(0, 0x100, Bytes(16, 0xF0)), (Bytes{0x00}));
    EXPECT_EQ(WriteBlock(0, 0x100, Bytes(16, 0x3C)), (Bytes{0x00}));
    EXPECT_EQ(BulkRead(0, 0x100, 16), Bytes(16, c.after_second));
    EXPECT_EQ(WriteBlock(0, 0x100, Bytes(16, 0xFF)), (Bytes{0x00}));
    EXPECT_EQ(BulkRead(0, 0x100, 16), Bytes(16, c.after_fill));
  }
}

TEST_F(SimChipTest, NothingPastTheChipsEndIsWrittenOrWrapsAround) {
  SimulatorConfig config = DefaultSimulatorConfig();
  config.sockets[0]->capacity = 4096;
  Start(config);
  EXPECT_EQ(WriteBlock(0, 4088, Bytes(16, 0x00)), (Bytes{0x01})) << "half past the end: refused";
  EXPECT_EQ(WriteBlock(0, 4096, Bytes(16, 0xFF)), (Bytes{0x01})) << "no cell there at all";
  Bytes padded(16, 0xFF);
  std::fill_n(padded.begin(), 8, 0x00);
  EXPECT_EQ(WriteBlock(0, 4088, padded), (Bytes{0x00})) << "only 0xFF padding past the end";
  EXPECT_EQ(WriteBlock(0, 0xFFFFFFF8, Bytes(16, 0x00)), (Bytes{0x01}));
  Bytes expected(4096, 0xFF);
  std::fill(expected.end() - 8, expected.end(), 0x00);
  EXPECT_EQ(ch1().Snapshot(), expected) << "the part inside is written, nothing wraps to 0";
  EXPECT_EQ(BulkRead(0, 4088, 16), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                          0xFF, 0xFF, 0xFF}))
      << "reads past the end give 0xFF";
  EXPECT_EQ(BulkRead(0, 8192, 4), Bytes(4, 0xFF)) << "no wrap to address 0";

  // A raw bulk-write stream past the end drops the excess the same way.
  Send(0x35, Setup(0, 1, 4072, 32, 32));
  ASSERT_EQ(link->WriteRaw(Bytes(32, 0x11)), 32u);
  EXPECT_EQ(BulkRead(0, 4072, 16), Bytes(16, 0x11));
  EXPECT_EQ(ch1().Snapshot()[0], 0xFF);
}

TEST_F(SimChipTest, NandBadBlocksRefuseProgrammingAndTheEndIsRefused) {
  SimulatorConfig config = DefaultSimulatorConfig();
  ChipConfig nand;
  nand.id_code = 0x00C2F180;
  nand.capacity = 4 * 2048;
  nand.page_size = 2048;
  nand.block_size = 2048;
  nand.bad_blocks = {1};
  config.sockets[0] = nand;
  Start(config);

  EXPECT_EQ(WriteBlock(0, 0, Bytes(1024, 0x00)), (Bytes{0x00}));
  EXPECT_EQ(WriteBlock(0, 2048, Bytes(1024, 0x00)), (Bytes{0x01})) << "block 1 is bad";
  EXPECT_EQ(BulkRead(0, 2048, 1024), Bytes(1024, 0xFF)) << "and nothing reached it";
  EXPECT_EQ(WriteBlock(0, 8192, Bytes(1024, 0x00)), (Bytes{0x01})) << "past the end";
  EXPECT_EQ(BulkRead(0, 0, 1024), Bytes(1024, 0x00)) << "no wrap onto block 0";
  EXPECT_EQ(Command(0x33, {0, 8, 0x00, 0x00, 0x20, 0x00}), (Bytes{0x01})) << "erase at the end";
  EXPECT_EQ(BulkRead(0, 0, 1024), Bytes(1024, 0x00));

  // A chip erase leaves the bad block as it was.
  device().socket(0).memory().Program(2048, Bytes(16, 0x5A));
  EXPECT_EQ(Command(0x32, {0, 8, 0x00}).size(), 1u);
  for (int poll = 0; poll < 3; ++poll) (void)Command(0x32, {0, 8, 0x01});
  EXPECT_EQ(BulkRead(0, 0, 16), Bytes(16, 0xFF));
  EXPECT_EQ(BulkRead(0, 2048, 16), Bytes(16, 0x5A));
}

TEST_F(SimChipTest, ChipsComeAndGoAtTheirEventTimes) {
  SimulatorConfig config = DefaultSimulatorConfig();
  ChipConfig chip = *config.sockets[0];
  config.sockets[0].reset();
  config.socket_events[0] = {{5000, chip}, {1500, chip}, {4000, std::nullopt}};  // any order
  clock.Advance(7'000'000);  // the origin is the programmer's start, not the clock's zero
  Start(config);
  const std::uint64_t started = clock.NowMicroseconds();
  const auto at = [&](std::uint64_t ms) {
    clock.Advance(started + ms * 1000 - clock.NowMicroseconds());
  };

  EXPECT_EQ(Command(0x38, {1}), (Bytes{0xFF, 0xFF}));
  at(1500);
  EXPECT_EQ(Command(0x38, {1}), (Bytes{0x00, 0xFF}));
  EXPECT_EQ(WriteBlock(0, 0, Bytes(16, 0x00)), (Bytes{0x00}));
  at(4000);
  EXPECT_FALSE(device().socket(0).has_chip());
  EXPECT_EQ(Command(0x38, {1}), (Bytes{0xFF, 0xFF}));
  at(5000);
  EXPECT_EQ(Command(0x38, {1}), (Bytes{0x00, 0xFF}));
  EXPECT_EQ(BulkRead(0, 0, 16), Bytes(16, 0xFF)) << "a fresh chip, in the erased state";
}

TEST_F(SimChipTest, ChipFaultsShowAtAKnownAddress) {
  const struct {
    const char* name;
    std::vector<StuckBits> stuck;
    bool write_protect;
    std::uint8_t after_erase, after_write_00, after_write_55;  // at 0x1000
  } cases[] = {
      {"bit 0 stuck at 0", {{0x1000, 0x01, false}}, false, 0xFE, 0x00, 0x54},
      {"bits 7 and 6 stuck at 1", {{0x1000, 0xC0, true}}, false, 0xFF, 0xC0, 0xD5},
      {"write-protected", {}, true, 0x77, 0x77, 0x77},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatorConfig config = DefaultSimulatorConfig();
    config.sockets[0]->stuck_bits = c.stuck;
    config.sockets[0]->write_protect = c.write_protect;
    config.sockets[0]->cells = CellKind::Eeprom;  // so 0x55 over 0x00 is taken as it comes
    Start(config);
    ch1().Load(0x1000, Bytes{0x77});
    EXPECT_EQ(Command(0x32, {0, 1, 0x00}).size(), 1u);
    for (int poll = 0; poll < 3; ++poll) (void)Command(0x32, {0, 1, 0x01});
    EXPECT_EQ(BulkRead(0, 0xFFF, 3), (Bytes{0xFF, c.after_erase, 0xFF}));
    EXPECT_EQ(WriteBlock(0, 0x1000, Bytes(1, 0x00)), (Bytes{0x00})) << "acknowledged";
    EXPECT_EQ(BulkRead(0, 0x1000, 1), Bytes{c.after_write_00});
    EXPECT_EQ(WriteBlock(0, 0x1000, Bytes(1, 0x55)), (Bytes{0x00}));
    EXPECT_EQ(BulkRead(0, 0x1000, 1), Bytes{c.after_write_55});
    // Only that cell differs from the data written around it.
    EXPECT_EQ(WriteBlock(0, 0xFF8, Bytes(16, 0x55)), (Bytes{0x00}));
    const Bytes back = BulkRead(0, 0xFF8, 16);
    const auto first_difference =
        std::mismatch(back.begin(), back.end(), Bytes(16, 0x55).begin()).first - back.begin();
    EXPECT_EQ(first_difference, c.write_protect ? 0 : 8);
  }
}

// A late reply is what a host must guard against: its read times out, and
// the answer then waits in the pipe as if it were the next command's.
TEST_F(SimChipTest, LateRepliesAreReadAsTheAnswerToTheNextCommand) {
  SimulatorConfig config = DefaultSimulatorConfig();
  config.faults.late_reply_opcodes = {0x13};
  Start(config);
  // A host that does not guard against it: frame out, 10 ms, one read.
  const auto reply_opcode = [&](std::uint8_t opcode) -> int {
    Bytes frame(kFrameOverhead);
    BuildFrame(opcode, {}, frame);
    EXPECT_EQ(usb->WritePipe(frame), frame.size());
    waiter.WaitTicks(1000);
    Bytes reply(512);
    return usb->ReadPipe(reply) >= 2 ? reply[1] : -1;
  };
  std::uint64_t before = clock.NowMicroseconds();
  EXPECT_EQ(reply_opcode(0x13), -1) << "nothing within the timeout";
  EXPECT_GE(clock.NowMicroseconds() - before, 2'000'000u);
  EXPECT_EQ(reply_opcode(0x10), 0x13) << "the model text, taken as the firmware version";
  EXPECT_EQ(reply_opcode(0x12), 0x10) << "and every answer after it is one behind";

  // Draining the IN pipe after a failed check puts the host back in step.
  link->FlushInPipe();
  EXPECT_EQ(reply_opcode(0x13), -1);
  link->FlushInPipe();
  EXPECT_EQ(reply_opcode(0x11), 0x11);
  // A held answer is not out before the read times out: a drain cannot take
  // it, and it keeps back the answers behind it.
  Send(0x13, {});
  link->FlushInPipe();
  EXPECT_EQ(reply_opcode(0x11), -1);
  EXPECT_EQ(reply_opcode(0x10), 0x13);
  link->FlushInPipe();

  // A delay: under the IN pipe's timeout the answer is slow but in time.
  device().faults().late_reply_opcodes.clear();
  device().faults().reply_delay_ms = 1500;
  before = clock.NowMicroseconds();
  EXPECT_EQ(reply_opcode(0x10), 0x10);
  EXPECT_EQ(clock.NowMicroseconds() - before, 1'500'000u);
  device().faults().reply_delay_ms = 2500;
  EXPECT_EQ(reply_opcode(0x10), -1);
  device().faults().reply_delay_ms = 0;
  EXPECT_EQ(reply_opcode(0x11), 0x10) << "it came after the timeout";

  // The program's link drains what a failed reply left behind, so each
  // command gets its own answer.
  usb->FlushInPipe();
  device().faults().late_reply_opcodes = {0x13};
  EXPECT_FALSE(link->Transact(0x13, {}).ok());
  const Reply firmware = link->Transact(0x10, {});
  ASSERT_TRUE(firmware.ok());
  EXPECT_EQ(firmware.bytes()[1], 0x10);
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
