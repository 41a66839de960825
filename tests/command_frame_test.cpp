// Command frames, the reply check, the waits and the retry conventions.
#include <gtest/gtest.h>

#include "app/app_context.h"
#include "device/frame_crc.h"
#include "operations/chip_commands.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

using testing::Bytes;
using testing::RecordingPanel;
using testing::ScriptedLink;

Bytes Hex(std::string_view text) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < text.size() + 1; i += 3) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(std::string(text.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

struct Fixture : ::testing::Test {
  VirtualClock clock;
  RecordingPanel panel;
  ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};

  void Link() {
    ASSERT_TRUE(ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    ctx.link.MarkLinked();
  }
};

TEST(FrameCrc16, MatchesTheModbusCheckValue) {
  const std::string text = "123456789";
  EXPECT_EQ(FrameCrc16({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}), 0x4B37);
}

struct FrameCase {
  const char* name;
  std::uint8_t opcode;
  Bytes payload;
  const char* frame;
};

class FrameExamples : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameExamples, AreReproducedByteForByte) {
  const FrameCase& c = GetParam();
  VirtualClock clock;
  RecordingPanel panel;
  ScriptedLink usb(clock);
  AppContext ctx(clock, panel, usb);
  ASSERT_TRUE(ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
  ctx.link.MarkLinked();
  ASSERT_EQ(ctx.link.SendFrame(c.opcode, c.payload), LinkStatus::Ok);
  const Bytes expected = Hex(c.frame);
  ASSERT_EQ(usb.writes.size(), 1u);
  EXPECT_EQ(usb.writes[0], expected);

  Bytes built(c.payload.size() + kFrameOverhead);
  EXPECT_EQ(BuildFrame(c.opcode, c.payload, built), expected.size());
  EXPECT_EQ(built, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FrameExamples,
    ::testing::Values(FrameCase{"ReadChipId", 0x31, {}, "02 31 00 01 00 00 04 08"},
                      FrameCase{"FirmwareVersion", 0x10, {}, "02 10 00 01 00 00 03 B4"},
                      FrameCase{"StatusIndication1", 0x20, {0x00, 0x01}, "02 20 00 01 00 02 00 01 02 67"},
                      FrameCase{"SpiClock18MHz", 0x3A, {0x01}, "02 3A 00 01 00 01 01 ED C4"},
                      FrameCase{"EnterBootLoader", 0xF0, {}, "02 F0 00 01 00 00 D5 35"},
                      FrameCase{"FinishFirmwareUpdate", 0xF2, {}, "02 F2 00 01 00 00 15 4C"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Fixture, TransactSendsTheFrameWaitsTenMillisecondsAndReadsOneReply) {
  Link();
  usb.replies.push_back(testing::TextReply(0x10, "V1"));
  const std::uint64_t before = clock.NowMicroseconds();
  const Reply reply = ctx.link.Transact(0x10, {});
  EXPECT_EQ(clock.NowMicroseconds() - before, 10'000u);
  ASSERT_EQ(usb.writes.size(), 1u);
  EXPECT_EQ(usb.writes[0], Hex("02 10 00 01 00 00 03 B4"));
  EXPECT_EQ(reply.bytes().size(), 10u);
  EXPECT_TRUE(reply.ok());
  EXPECT_EQ(Bytes(reply.Payload().begin(), reply.Payload().end()), (Bytes{'V', '1'}));
}

TEST_F(Fixture, CheckReplyJudgesOnlyTheStartByteAndTheByteCount) {
  Link();
  Bytes bad_crc = testing::TextReply(0x10, "V1");
  bad_crc.back() ^= 0xFF;
  Bytes wrong_start = testing::TextReply(0x10, "V1");
  wrong_start[0] = 0x03;
  usb.replies = {bad_crc, wrong_start, Bytes{}};

  EXPECT_TRUE(ctx.link.Transact(0x10, {}).ok()) << "the reply CRC is not checked";
  EXPECT_EQ(ctx.link.Transact(0x10, {}).status(), LinkStatus::NoReply);
  const Reply none = ctx.link.Transact(0x10, {});
  EXPECT_TRUE(none.bytes().empty());
  EXPECT_EQ(none.status(), LinkStatus::NoReply);
}

TEST_F(Fixture, UpToEightAgainstASilentDeviceSendsEightFramesAndFails) {
  Link();
  std::uint8_t reply = 0xAA;
  const std::uint64_t before = clock.NowMicroseconds();
  EXPECT_EQ(SetSpiClock(ctx.link, 1, reply), CommandStatus::NoReply);
  ASSERT_EQ(usb.writes.size(), 8u);
  for (const Bytes& frame : usb.writes) EXPECT_EQ(frame, Hex("02 3A 00 01 00 01 01 ED C4"));
  EXPECT_EQ(reply, 0xAA);
  // Each try: 10 ms pause plus the 2000 ms read timeout.
  EXPECT_EQ(clock.NowMicroseconds() - before, 8u * 2'010'000u);
}

TEST_F(Fixture, UpToEightStopsAtTheFirstValidReply) {
  Link();
  usb.replies = {Bytes{}, Bytes{}, testing::ReplyFrame(0x3A, {2})};
  std::uint8_t reply = 0;
  EXPECT_EQ(SetSpiClock(ctx.link, kSpiClockQuery, reply), CommandStatus::Ok);
  EXPECT_EQ(usb.writes.size(), 3u);
  EXPECT_EQ(reply, 2);
}

TEST_F(Fixture, ClosedLinkSendsNothing) {
  ASSERT_TRUE(ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
  // Opened but not accepted by the connection: LinkOpen is still false.
  std::uint8_t reply = 0;
  EXPECT_EQ(SetSpiClock(ctx.link, 1, reply), CommandStatus::LinkClosed);
  EXPECT_EQ(SetSpiDma(ctx.link, 1, reply), CommandStatus::LinkClosed);
  std::array<std::uint8_t, 8> buffer{};
  EXPECT_EQ(ctx.link.SendFrame(0x10, {}), LinkStatus::LinkClosed);
  EXPECT_EQ(ctx.link.WriteRaw(buffer), 0u);
  EXPECT_EQ(ctx.link.ReadRaw(buffer), 0u);
  EXPECT_TRUE(usb.writes.empty());
  EXPECT_EQ(usb.reads, 0);
}

TEST_F(Fixture, ChipParametersFrameCarriesTheCurrentChip) {
  Prj_Info_Struct chip;
  chip.ChipType = ChipTypeId::Flash25;
  chip.ChipVolt = 2;
  chip.ChipPara = 0x12;
  chip.ChipPara1 = 0x34;
  chip.PageSize = 256;
  chip.ChipSize = 0x800000;
  EXPECT_EQ(SendChipParameters(ctx.link, chip), CommandStatus::LinkClosed);
  EXPECT_TRUE(usb.writes.empty());
  Link();
  EXPECT_EQ(SendChipParameters(ctx.link, chip), CommandStatus::Ok) << "the reply is not examined";
  ASSERT_EQ(usb.writes.size(), 1u);
  EXPECT_EQ(usb.writes[0], Hex("02 39 00 01 00 0A 01 02 12 34 01 00 00 80 00 00 7E 27"));
}

// One-byte option replies: exactly one payload byte, nothing else.
TEST_F(Fixture, OptionRepliesMustCarryExactlyOneByte) {
  struct Case {
    std::uint8_t opcode;
    Bytes payload;
    CommandStatus expected;
  };
  const Case cases[] = {
      {0x3A, {}, CommandStatus::BadLength},     {0x3A, {3}, CommandStatus::Ok},
      {0x3A, {3, 0}, CommandStatus::BadLength}, {0x3C, {}, CommandStatus::BadLength},
      {0x3C, {1}, CommandStatus::Ok},           {0x3C, {1, 0}, CommandStatus::BadLength},
  };
  Link();
  for (const Case& c : cases) {
    usb.replies = {testing::ReplyFrame(c.opcode, c.payload)};
    std::uint8_t reply = 0xAA;
    const CommandStatus status = c.opcode == 0x3A ? SetSpiClock(ctx.link, kSpiClockQuery, reply)
                                                  : SetSpiDma(ctx.link, 1, reply);
    EXPECT_EQ(status, c.expected) << std::hex << int(c.opcode) << " with " << c.payload.size();
    EXPECT_EQ(reply, c.expected == CommandStatus::Ok ? c.payload[0] : 0xAA);
  }
}

// An event handled while a transaction waits must not start its own: it is
// refused, and the waiting transaction still gets its own reply.
TEST_F(Fixture, ATransferFromAnEventDuringAWaitIsRefusedAsBusy) {
  Link();
  usb.replies.push_back(testing::TextReply(0x10, "V1"));
  std::vector<LinkStatus> nested;
  panel.on_pump = [&] { nested.push_back(ctx.link.SendFrame(0x38, Bytes{1})); };
  const Reply reply = ctx.link.Transact(0x10, {});
  panel.on_pump = nullptr;
  ASSERT_FALSE(nested.empty());
  for (LinkStatus status : nested) EXPECT_EQ(status, LinkStatus::Busy);
  EXPECT_TRUE(reply.ok());
  EXPECT_EQ(usb.writes.size(), 1u) << "only the waiting transaction's frame went out";
  EXPECT_EQ(ctx.link.SendFrame(0x38, Bytes{1}), LinkStatus::Ok) << "after the wait all is normal";
}

// What an unanswered or overlong reply leaves in the IN pipe is thrown away
// before the next frame, so it is never taken for that frame's answer.
TEST_F(Fixture, TheInPipeIsDrainedAfterAFailedOrOverlongReply) {
  Link();
  usb.replies = {Bytes{}, testing::TextReply(0x12, "SN")};
  EXPECT_FALSE(ctx.link.Transact(0x10, {}).ok());
  EXPECT_EQ(usb.flushes, 0);
  EXPECT_TRUE(ctx.link.Transact(0x12, {}).ok());
  EXPECT_EQ(usb.flushes, 1);
  usb.replies = {testing::TextReply(0x11, std::string(600, 'x')), testing::TextReply(0x13, "Velor")};
  const Reply long_reply = ctx.link.Transact(0x11, {});
  EXPECT_EQ(long_reply.Payload().size(), 512u - 6);
  EXPECT_TRUE(ctx.link.Transact(0x13, {}).ok());
  EXPECT_EQ(usb.flushes, 2);
}

TEST_F(Fixture, CloseResetsThePipesAndIsIdempotent) {
  Link();
  EXPECT_EQ(ctx.link.Pipes(), (PipeIds{0x01, 0x82}));
  ctx.link.UsbCloseDevice();
  ctx.link.UsbCloseDevice();
  EXPECT_FALSE(ctx.link.LinkOpen());
  EXPECT_FALSE(ctx.link.HasDevice());
  EXPECT_EQ(ctx.link.Pipes(), (PipeIds{1, 2}));
}

TEST_F(Fixture, WaitsPumpEventsAtLeastOnceAndLastAtLeastTheirTime) {
  ctx.waiter.WaitTicks(0);
  EXPECT_EQ(panel.pumps, 1);
  const std::uint64_t before = clock.NowMicroseconds();
  ctx.waiter.WaitTicks(2);
  EXPECT_EQ(clock.NowMicroseconds() - before, 20u);
  ctx.waiter.WaitMicroseconds(200'000'000);  // a 200 s erase poll costs no real time
  EXPECT_EQ(clock.NowMicroseconds() - before, 200'000'020u);
}

TEST(UsbLinkHelpers, ParseHardwareIdField) {
  const std::string id = "USB\\VID_1A86&PID_4567&REV_0100";
  EXPECT_EQ(ParseHardwareIdField(id, "VID_"), 0x1A86);
  EXPECT_EQ(ParseHardwareIdField(id, "PID_"), 0x4567);
  EXPECT_EQ(ParseHardwareIdField("USB\\PID_4567", "VID_"), 0) << "no tag";
  EXPECT_EQ(ParseHardwareIdField("USB\\VID_1A8", "VID_"), 0) << "cut short";
  EXPECT_EQ(ParseHardwareIdField("USB\\VID_1G86", "VID_"), 0) << "not hexadecimal";
  EXPECT_EQ(ParseHardwareIdField("vid_1a86 VID_abcd", "VID_"), 0xABCD) << "tag is case-sensitive";
}

TEST(UsbLinkHelpers, ClassifyEndpoints) {
  using E = EndpointDescriptor;
  using T = EndpointType;
  const E bulk_pair[] = {{0x01, T::Bulk}, {0x82, T::Bulk}};
  EXPECT_EQ(ClassifyEndpoints(bulk_pair), (PipeIds{0x01, 0x82}));
  const E with_interrupt[] = {{0x02, T::Bulk}, {0x81, T::Bulk}, {0x83, T::Interrupt}};
  EXPECT_EQ(ClassifyEndpoints(with_interrupt), (PipeIds{0x83, 0x81})) << "interrupt replaces bulk OUT";
  const E interrupt_first[] = {{0x83, T::Interrupt}, {0x02, T::Bulk}, {0x81, T::Bulk}};
  EXPECT_EQ(ClassifyEndpoints(interrupt_first), (PipeIds{0x02, 0x81})) << "later one wins";
  const E isochronous[] = {{0x01, T::Bulk}, {0x82, T::Bulk}, {0x83, T::Isochronous}};
  EXPECT_FALSE(ClassifyEndpoints(isochronous).has_value());
}

}  // namespace
}  // namespace tessary
