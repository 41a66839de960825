// The project download as the simulated programmer sees it: the 0x44
// project file frame, the raw bulk-write stream into the on-board storage
// and the read-back stream, on the wire exactly as the host sends them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/device_link.h"
#include "device/waits.h"
#include "sim/simulated_link.h"
#include "support/recording_panel.h"

namespace tessary::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

class SimStorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SimulatorConfig config = DefaultSimulatorConfig();
    config.model = "Skar";
    config.sockets[1] = config.sockets[0];  // a 25 FLASH in CH2 too: channel 1, type 1
    usb = std::make_unique<SimulatedLink>(config, clock);
    link = std::make_unique<DeviceLink>(*usb, waiter);
    ASSERT_TRUE(link->UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    link->MarkLinked();
  }
  SimulatedProgrammer& device() { return usb->programmer(); }

  LinkStatus SendProjectFile(const std::string& text) {
    Bytes payload(516, 0xFF);
    PutBigEndian32(payload.data(), static_cast<std::uint32_t>(text.size()));
    std::copy(text.begin(), text.end(), payload.begin() + 4);
    return link->Transact(0x44, payload).status();
  }
  void SendSetup(std::uint8_t opcode, std::uint32_t total, std::uint16_t block) {
    Bytes payload(12);
    payload[0] = 0x01;
    payload[1] = 0x01;
    PutBigEndian32(payload.data() + 2, 0);
    PutBigEndian32(payload.data() + 6, total);
    PutBigEndian16(payload.data() + 10, block);
    ASSERT_EQ(link->SendFrame(opcode, payload), LinkStatus::Ok);
  }
  // The data file streamed raw in 2048-byte blocks, the last one 0xFF-filled.
  void StreamData(const Bytes& data) {
    SendSetup(0x35, static_cast<std::uint32_t>(data.size()), 2048);
    for (std::size_t at = 0; at < data.size(); at += 2048) {
      Bytes block(2048, 0xFF);
      std::copy_n(data.begin() + at, std::min<std::size_t>(2048, data.size() - at), block.begin());
      ASSERT_EQ(link->WriteRaw(block), 2048u);
    }
  }
  Bytes Read(std::size_t length) {
    Bytes buffer(length);
    buffer.resize(link->ReadRaw(buffer));
    return buffer;
  }

  VirtualClock clock;
  testing::RecordingPanel panel;
  Waiter waiter{clock, panel};
  std::unique_ptr<SimulatedLink> usb;
  std::unique_ptr<DeviceLink> link;
};

TEST_F(SimStorageTest, ProjectDownloadIsStoredAndReadBack) {
  const std::string project = "ChipName=W25Q64\r\nFileLen=6145\r\n";
  Bytes data(6145);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i ^ 0x5A);

  ASSERT_EQ(SendProjectFile(project), LinkStatus::Ok);
  StreamData(data);
  EXPECT_EQ(device().project_store().project_text, Bytes(project.begin(), project.end()));
  EXPECT_EQ(device().project_store().declared_length, project.size());
  EXPECT_EQ(device().project_store().data, data);

  // One read set-up for everything; whole 4096-byte blocks come back.
  SendSetup(0x34, static_cast<std::uint32_t>(data.size()), 4096);
  Bytes back = Read(4096);
  const Bytes last = Read(4096);
  ASSERT_EQ(last.size(), 4096u);
  back.insert(back.end(), last.begin(), last.end());
  EXPECT_EQ(Bytes(back.begin(), back.begin() + 6145), data);
  EXPECT_EQ(back[6145], 0xFF);

  EXPECT_EQ(device().socket(1).memory().Snapshot(), Bytes(8 * 1024 * 1024, 0xFF))
      << "CH2 untouched";
  // Set-up, three raw blocks, no reply read in between: only the 0x44 reply.
  EXPECT_EQ(device().wire().Reads().size(), 3u);
}

TEST_F(SimStorageTest, EmptyDataFileStoresNothingAndStreamsNothing) {
  ASSERT_EQ(SendProjectFile("FileLen=0\r\n"), LinkStatus::Ok);
  StreamData({});
  SendSetup(0x34, 0, 4096);
  EXPECT_TRUE(device().project_store().data.empty());
  EXPECT_TRUE(Read(4096).empty());
  // The next command is a frame again, not raw data.
  EXPECT_TRUE(link->Transact(0x13, {}).ok());
}

TEST_F(SimStorageTest, BulkWriteWithoutProjectFrameProgramsTheChip) {
  device().socket(1).memory().Load(0, Bytes(2048, 0x0F));
  StreamData(Bytes(2048, 0xF3));
  EXPECT_TRUE(device().project_store().data.empty());
  EXPECT_EQ(device().socket(1).memory().Snapshot()[0], 0x03);
}

}  // namespace
}  // namespace tessary::sim
