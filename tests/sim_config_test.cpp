// Loading the simulator's INI configuration: the shipped example, every kind
// of value, and clear messages for a missing or malformed file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/clock.h"
#include "sim/simulated_link.h"

namespace tessary::sim {
namespace {

namespace fs = std::filesystem;

class SimConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("sim_config_test_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path Write(const std::string& name, const std::string& text) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::optional<SimulatorConfig> Load(const std::string& text) {
    return LoadSimulatorConfig(Write("sim.ini", text), error);
  }

  fs::path dir;
  std::string error;
};

TEST_F(SimConfigTest, ShippedExampleIsTheDefaultProgrammer) {
  const auto config =
      LoadSimulatorConfig(fs::path(TESSARY_SOURCE_DIR) / "resources" / "simulator.ini", error);
  ASSERT_TRUE(config.has_value()) << error;
  EXPECT_EQ(config->model, "Velor");
  EXPECT_EQ(config->firmware, "V1.2.3");
  ASSERT_TRUE(config->sockets[0].has_value());
  EXPECT_EQ(config->sockets[0]->id_code, 0xEF4017u);
  EXPECT_EQ(config->sockets[0]->capacity, 8u * 1024 * 1024);
  EXPECT_FALSE(config->sockets[1].has_value());

  const SimulatorConfig fallback = DefaultSimulatorConfig();
  EXPECT_EQ(fallback.sockets[0]->id_code, 0xEF4017u);
  EXPECT_EQ(fallback.sockets[0]->capacity, 8u * 1024 * 1024);
  EXPECT_FALSE(fallback.sockets[1].has_value());
}

TEST_F(SimConfigTest, ReadsEveryKindOfValue) {
  Write("chip.bin", std::string(300, '\x5A'));
  const auto config = Load(
      "[Programmer]\nModel=Skar\nFirmware=V2.0.1\nVendorId=1A86\nProductId=0x4568\n"
      "Endpoints=01:bulk, 82:bulk, "
      "83:interrupt\nPluggedIn=0\nStartInBootLoader=yes\nBootDelayMs=250\n"
      "EraseBusyPolls=7\nSpiClock=4\n"
      "[Socket1]\nPresent=0\n"
      "[Socket2]\nPresent=1\nChipId=C2F180\nIdExtra=0A0B\nCapacity=128MiB\nPageSize="
      "2048\nBlockSize=128K\n"
      "BadBlocks=3, 17 1000\nImage=chip.bin\n"
      "[Faults]\nSilentOpcodes=3a,3C\nWrongStartOpcodes=10\nReplyLengths=31:4 "
      "38:1\nBulkReadChunk=512\n"
      "BulkReadShortfall=8\nUnplugAfterTransfers=20\nEraseNeverFinishes=1\n");
  ASSERT_TRUE(config.has_value()) << error;
  EXPECT_EQ(config->model, "Skar");
  EXPECT_EQ(config->product_id, 0x4568);
  ASSERT_EQ(config->endpoints.size(), 3u);
  EXPECT_EQ(config->endpoints[2].address, 0x83);
  EXPECT_EQ(config->endpoints[2].type, EndpointType::Interrupt);
  EXPECT_FALSE(config->plugged_in);
  EXPECT_TRUE(config->start_in_boot_loader);
  EXPECT_EQ(config->boot_delay_ms, 250u);
  EXPECT_EQ(config->erase_busy_polls, 7u);
  EXPECT_EQ(config->spi_clock_code, 4);
  EXPECT_FALSE(config->sockets[0].has_value());
  ASSERT_TRUE(config->sockets[1].has_value());
  const ChipConfig& chip = *config->sockets[1];
  EXPECT_EQ(chip.id_code, 0xC2F180u);
  EXPECT_EQ(chip.id_extra, (std::array<std::uint8_t, 2>{0x0A, 0x0B}));
  EXPECT_EQ(chip.capacity, 128u << 20);
  EXPECT_EQ(chip.block_size, 128u << 10);
  EXPECT_EQ(chip.bad_blocks, (std::vector<std::uint32_t>{3, 17, 1000}));
  EXPECT_EQ(chip.image, dir / "chip.bin");
  EXPECT_EQ(config->faults.silent_opcodes, (std::set<std::uint8_t>{0x3A, 0x3C}));
  EXPECT_EQ(config->faults.reply_lengths.at(0x38), 1u);
  EXPECT_EQ(config->faults.bulk_read_shortfall, 8u);
  EXPECT_EQ(config->faults.unplug_after_transfers, 20u);
  EXPECT_TRUE(config->faults.erase_never_finishes);

  // The image is the chip's start-up contents.
  VirtualClock clock;
  SimulatedLink link(*config, clock);
  std::array<std::uint8_t, 2> edge{};
  link.programmer().socket(1).memory().Read(299, edge);
  EXPECT_EQ(edge, (std::array<std::uint8_t, 2>{0x5A, 0xFF}));
  EXPECT_FALSE(link.OpenDevice(0x1A86, 0x4568)) << "not plugged in";
}

TEST_F(SimConfigTest, BadFilesAreRefusedWithAMessageNamingThePlace) {
  const struct {
    std::string text, message;
  } cases[] = {
      {"[Socket1]\nCapacity=8X\n", "[Socket1] Capacity: \"8X\" is not a number"},
      {"[Socket1]\nCapacty=8M\n", "[Socket1] Capacty: unknown key"},
      {"[Socket1]\nChipId=EF40GG\n", "[Socket1] ChipId: \"EF40GG\" is not a hexadecimal number"},
      {"[Socket1]\nImage=missing.bin\n", "[Socket1] Image: cannot read"},
      {"[Socket1]\nCapacity=4\nImage=sim.ini\n", "is larger than the chip"},
      {"[Socket2]\nPresent=maybe\n", "[Socket2] Present: \"maybe\" is not 0 or 1"},
      {"[Programmer]\nEndpoints=82\n", "[Programmer] Endpoints: \"82\" is not ADDRESS:TYPE"},
      {"[Faults]\nSilentOpcodes=10,100\n", "[Faults] SilentOpcodes: \"100\" is not an opcode"},
      {"just some text\n", "not a simulator config"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    error.clear();
    EXPECT_FALSE(Load(c.text).has_value());
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_NE(error.find("sim.ini"), std::string::npos) << error;
  }
}

TEST_F(SimConfigTest, MissingFileAndMakeSimulatedLink) {
  EXPECT_FALSE(LoadSimulatorConfig(dir / "nope.ini", error).has_value());
  EXPECT_NE(error.find("nope.ini: simulator config file not found"), std::string::npos) << error;

  VirtualClock clock;
  error.clear();
  EXPECT_EQ(MakeSimulatedLink(clock, (dir / "nope.ini").string(), error), nullptr);
  EXPECT_FALSE(error.empty());

  const auto link = MakeSimulatedLink(clock, "", error);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->programmer().socket(0).chip().id_code, 0xEF4017u);
  EXPECT_FALSE(link->programmer().socket(1).has_chip());
}

}  // namespace
}  // namespace tessary::sim
