// The firmware update against the simulated programmer: the restart into the
// boot loader, image blocks, the MD5 check with a good and a bad digest, and
// the restart into the new firmware, all on virtual time. Also the MD5 itself.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/device_link.h"
#include "device/waits.h"
#include "firmware/md5.h"
#include "sim/simulated_link.h"
#include "support/recording_panel.h"

namespace tessary::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const Md5Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

TEST(Md5Test, MatchesTheReferenceDigests) {
  const struct {
    std::string message, digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) {
    const Bytes bytes(c.message.begin(), c.message.end());
    EXPECT_EQ(Hex(Md5Of(bytes)), c.digest) << c.message;
    Md5 pieces;  // fed unevenly across block boundaries
    for (std::size_t at = 0; at < bytes.size(); at += 7) {
      pieces.Update(std::span(bytes).subspan(at, std::min<std::size_t>(7, bytes.size() - at)));
    }
    EXPECT_EQ(Hex(pieces.Finish()), c.digest) << c.message;
  }
}

class SimBootLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SimulatorConfig config = DefaultSimulatorConfig();
    config.boot_delay_ms = 1500;
    config.next_firmware = "V1.3.0";
    usb = std::make_unique<SimulatedLink>(config, clock);
    link = std::make_unique<DeviceLink>(*usb, waiter);
    usb->SetPresenceHandler([this](PresenceEvent event) { events.push_back(event); });
    Open();
  }
  void Open() {
    ASSERT_TRUE(link->UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    link->MarkLinked();
  }
  SimulatedProgrammer& device() { return usb->programmer(); }

  Bytes Command(std::uint8_t opcode, const Bytes& payload = {}) {
    last_reply = link->Transact(opcode, payload);
    return Bytes(last_reply.bytes().begin(), last_reply.bytes().end());
  }
  std::string Firmware() {
    const Bytes reply = Command(0x10);
    return reply.size() < 8 ? "" : std::string(reply.begin() + 6, reply.end() - 2);
  }
  // Waits until the programmer has left and come back, reopening it.
  void AwaitRestart() {
    usb->ServiceEvents();
    ASSERT_EQ(events, (std::vector<PresenceEvent>{PresenceEvent::Removed}));
    link->UsbCloseDevice();
    clock.Advance(1'499'000);
    usb->ServiceEvents();
    ASSERT_EQ(events.size(), 1u) << "back only after the boot delay";
    clock.Advance(1'000);
    usb->ServiceEvents();
    ASSERT_EQ(events.back(), PresenceEvent::Arrived);
    events.clear();
    Open();
  }
  // Sends the image as the update does: 1024-byte blocks, the last filled
  // with 0xFF; returns the MD5 of what was sent and the count.
  std::pair<Md5Digest, std::uint32_t> SendImage(const Bytes& image) {
    Md5 md5;
    std::uint32_t sent = 0;
    for (std::size_t at = 0; at < image.size(); at += 1024) {
      Bytes payload(6 + 1024, 0xFF);
      PutBigEndian32(payload.data(), sent);
      PutBigEndian16(&payload[4], 0x0400);
      std::copy_n(image.begin() + at, std::min<std::size_t>(1024, image.size() - at),
                  payload.begin() + 6);
      md5.Update(std::span(payload).subspan(6));
      EXPECT_EQ(Command(0xF1, payload).size(), 9u);
      sent += 1024;
    }
    return {md5.Finish(), sent};
  }
  Bytes Check(const Md5Digest& digest, std::uint32_t sent) {
    Bytes payload(20);
    PutBigEndian32(payload.data(), sent);
    std::copy(digest.begin(), digest.end(), payload.begin() + 4);
    return Command(0xF3, payload);
  }

  VirtualClock clock;
  testing::RecordingPanel panel;
  Waiter waiter{clock, panel};
  std::unique_ptr<SimulatedLink> usb;
  std::unique_ptr<DeviceLink> link;
  Reply last_reply;
  std::vector<PresenceEvent> events;
};

TEST_F(SimBootLoaderTest, UpdateRoundTripWithMatchingDigest) {
  EXPECT_EQ(Firmware(), "V1.2.3");
  const Bytes restart = Command(0xF0);
  ASSERT_TRUE(last_reply.ok());
  EXPECT_EQ(restart[1], 0xF0);
  EXPECT_FALSE(device().plugged()) << "leaves once its answer has been read";
  AwaitRestart();
  EXPECT_EQ(Firmware(), "BOOT V1.0");
  EXPECT_EQ(device().mode(), FirmwareMode::BootLoader);

  Bytes image(2049);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 13);
  const auto [digest, sent] = SendImage(image);
  EXPECT_EQ(sent, 3072u);
  const Bytes verdict = Check(digest, sent);
  ASSERT_TRUE(last_reply.ok());
  EXPECT_EQ(verdict[1], 0x00);
  Bytes expected = image;
  expected.resize(3072, 0xFF);
  EXPECT_EQ(device().received_image(), expected);

  EXPECT_EQ(Command(0xF2)[1], 0xF2);
  AwaitRestart();
  EXPECT_EQ(Firmware(), "V1.3.0");
}

TEST_F(SimBootLoaderTest, WrongDigestIsRejectedAndTheBootLoaderStays) {
  (void)Command(0xF0);
  AwaitRestart();
  auto [digest, sent] = SendImage(Bytes(1000, 0x11));
  EXPECT_EQ(Check(digest, sent)[1], 0x00) << "1000 bytes and 24 bytes of 0xFF";
  digest[0] ^= 0x01;
  const Bytes verdict = Check(digest, sent);
  ASSERT_TRUE(last_reply.ok());
  EXPECT_EQ(verdict[1], 0x01);

  (void)Command(0xF2);
  AwaitRestart();
  EXPECT_EQ(Firmware(), "BOOT V1.0");
}

TEST_F(SimBootLoaderTest, ChipCommandsGoUnansweredInTheBootLoader) {
  (void)Command(0xF0);
  AwaitRestart();
  const std::uint64_t before = clock.NowMicroseconds();
  EXPECT_TRUE(Command(0x31).empty());
  EXPECT_EQ(clock.NowMicroseconds() - before, 2'010'000u);
  EXPECT_EQ(Command(0x13).size(), 13u);
}

}  // namespace
}  // namespace tessary::sim
