// Loading the simulator's INI configuration: the shipped example, every kind
// of value, and clear messages for a missing or malformed file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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
      "BadBlocks=3, 17 1000\nImage=chip.bin\nCells=nand\nStuckBits=10:80:1, 0x1FF:3\n"
      "WriteProtect=on\nPersist=1\nEvents=remove@4000, insert@1500\n"
      "[Faults]\nSilentOpcodes=3a,3C\nWrongStartOpcodes=10\nReplyLengths=31:4 "
      "38:1\nBulkReadChunk=512\n"
      "BulkReadShortfall=8\nUnplugAfterTransfers=20\nEraseNeverFinishes=1\n"
      "LateReplyOpcodes=31 38\nReplyDelayMs=2500\n");
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
  EXPECT_EQ(chip.cells, CellKind::Nand);
  ASSERT_EQ(chip.stuck_bits.size(), 2u);
  EXPECT_EQ(chip.stuck_bits[0].address, 0x10u);
  EXPECT_EQ(chip.stuck_bits[0].mask, 0x80);
  EXPECT_TRUE(chip.stuck_bits[0].level);
  EXPECT_EQ(chip.stuck_bits[1].address, 0x1FFu);
  EXPECT_FALSE(chip.stuck_bits[1].level);
  EXPECT_TRUE(chip.write_protect);
  EXPECT_TRUE(chip.persist);
  const std::vector<SocketEvent>& events = config->socket_events[1];
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].at_ms, 4000u);
  EXPECT_FALSE(events[0].insert.has_value());
  ASSERT_TRUE(events[1].insert.has_value());
  EXPECT_EQ(events[1].insert->id_code, 0xC2F180u) << "an insert puts in the socket's chip";
  EXPECT_TRUE(config->socket_events[0].empty());
  EXPECT_EQ(config->faults.late_reply_opcodes, (std::set<std::uint8_t>{0x31, 0x38}));
  EXPECT_EQ(config->faults.reply_delay_ms, 2500u);
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
      {"[Socket1]\nCells=fram\n", "[Socket1] Cells: \"fram\" is not flash, eeprom or nand"},
      {"[Socket1]\nCells=nand\n", "[Socket1] Cells: nand needs a BlockSize"},
      {"[Socket1]\nCells=eeprom\nBlockSize=4K\n", "[Socket1] Cells: only nand chips have"},
      {"[Socket1]\nStuckBits=1000\n", "[Socket1] StuckBits: \"1000\" is not ADDRESS:MASK"},
      {"[Socket1]\nStuckBits=1000:0\n", "[Socket1] StuckBits: \"1000:0\" is not ADDRESS:MASK"},
      {"[Socket1]\nStuckBits=1000:1:2\n", "\"1000:1:2\" is not ADDRESS:MASK"},
      {"[Socket1]\nCapacity=4K\nStuckBits=1000:1\n", "\"1000:1\" lies past the end of the chip"},
      {"[Socket1]\nWriteProtect=2\n", "[Socket1] WriteProtect: \"2\" is not 0 or 1"},
      {"[Socket2]\nEvents=insert@soon\n", "[Socket2] Events: \"insert@soon\" is not insert@MS"},
      {"[Socket2]\nEvents=plug@100\n", "[Socket2] Events: \"plug@100\" is not insert@MS"},
      {"[Socket2]\nEvents=remove@5000000000\n", "\"remove@5000000000\" is not insert@MS"},
      {"[Socket2]\nEvents=insert@100\nCapacity=0\n", "[Socket2] Capacity: a chip needs"},
      {"[Socket1]\nPersist=1\n", "[Socket1] Persist: needs an Image file"},
      {"[Socket1]\nPersist=1\nImage=no/such/folder/chip.bin\n", "does not exist"},
      {"[Socket1]\nImage=missing.bin\nPersist=0\n", "[Socket1] Image: cannot read"},
      {"[Faults]\nLateReplyOpcodes=3G\n", "[Faults] LateReplyOpcodes: \"3G\" is not an opcode"},
      {"[Faults]\nReplyDelayMs=soon\n", "[Faults] ReplyDelayMs: \"soon\" is not a number"},
      {"[Storage]\nDataFile=missing.bin\n", "[Storage] DataFile: cannot read"},
      {"[Storage]\nDataFile=/dev/zero\n", "DataFile: \"/dev/zero\" is not a regular file"},
      {"[Storage]\nProjectFile=big.gprj\n", "[Storage] ProjectFile: \""},
      {"[Storage]\nProject=x\n", "[Storage] Project: unknown key"},
  };
  Write("big.gprj", std::string(513, 'x'));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    error.clear();
    EXPECT_FALSE(Load(c.text).has_value());
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_NE(error.find("sim.ini"), std::string::npos) << error;
  }
}

TEST_F(SimConfigTest, StorageHoldsTheProjectOfAnEarlierDownload) {
  Write("earlier.gprj", "PrjID=00000001H\r\n");
  Write("earlier.bin", std::string(3000, 'd'));
  const auto config =
      Load("[Programmer]\nModel=Skar\n[Storage]\nProjectFile=earlier.gprj\nDataFile=earlier.bin\n");
  ASSERT_TRUE(config.has_value()) << error;
  VirtualClock clock;
  SimulatedLink link(*config, clock);
  const ProjectStore& store = link.programmer().project_store();
  EXPECT_EQ(std::string(store.project_text.begin(), store.project_text.end()), "PrjID=00000001H\r\n");
  EXPECT_EQ(store.declared_length, 17u);
  EXPECT_EQ(store.data, std::vector<std::uint8_t>(3000, 'd'));
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

// A socket that starts empty gets its chip from the events alone.
TEST_F(SimConfigTest, EventsPutTheDescribedChipInAnEmptySocket) {
  const auto config = Load("[Socket2]\nChipId=24000010\nCapacity=256\n"
                           "Events=insert@100 remove@200 insert@300\n");
  ASSERT_TRUE(config.has_value()) << error;
  EXPECT_FALSE(config->sockets[1].has_value()) << "Present=0 is the default of Socket2";
  VirtualClock clock;
  SimulatedLink link(*config, clock);
  EXPECT_FALSE(link.programmer().socket(1).has_chip());
  clock.Advance(100'000);
  ASSERT_TRUE(link.programmer().socket(1).has_chip());
  EXPECT_EQ(link.programmer().socket(1).chip().id_code, 0x24000010u);
  EXPECT_EQ(link.programmer().cells(1), CellKind::Eeprom);
  clock.Advance(100'000);
  EXPECT_FALSE(link.programmer().socket(1).has_chip());
}

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(SimConfigTest, PersistentChipKeepsItsContentsFromOneRunToTheNext) {
  const fs::path image = dir / "chips" / "ch1.bin";
  fs::create_directories(image.parent_path());
  const std::string text = "[Socket1]\nCapacity=64K\nPersist=1\nImage=chips/ch1.bin\n";
  VirtualClock clock;
  const std::vector<std::uint8_t> data{0x12, 0x34, 0x56};
  {
    const auto config = Load(text);
    ASSERT_TRUE(config.has_value()) << error << " (a missing image is made at the end)";
    SimulatedLink link(*config, clock);
    EXPECT_EQ(link.programmer().socket(0).memory().Snapshot(),
              std::vector<std::uint8_t>(64 * 1024, 0xFF));
    ASSERT_TRUE(link.programmer().socket(0).Program(0x100, data, CellKind::Flash));
    EXPECT_FALSE(fs::exists(image));
  }
  std::vector<std::uint8_t> expected(64 * 1024, 0xFF);
  std::copy(data.begin(), data.end(), expected.begin() + 0x100);
  EXPECT_EQ(FileBytes(image), expected) << "written when the programmer ends";
  EXPECT_EQ(std::distance(fs::directory_iterator(image.parent_path()), fs::directory_iterator()),
            1)
      << "no temporary file left";

  // The next run sees the same chip; an explicit save comes before the end.
  const auto config = Load(text);
  ASSERT_TRUE(config.has_value()) << error;
  SimulatedLink link(*config, clock);
  EXPECT_EQ(link.programmer().socket(0).memory().Snapshot(), expected);
  ASSERT_TRUE(link.programmer().socket(0).Program(0, std::vector<std::uint8_t>{0x00}, CellKind::Flash));
  std::string save_error;
  ASSERT_TRUE(link.programmer().SaveChips(save_error)) << save_error;
  EXPECT_EQ(FileBytes(image)[0], 0x00);

  // A folder that went away is a clear failure, not a silent loss.
  fs::remove_all(image.parent_path());
  EXPECT_FALSE(link.programmer().SaveChips(save_error));
  EXPECT_NE(save_error.find("cannot write"), std::string::npos) << save_error;
  EXPECT_NE(save_error.find("ch1.bin"), std::string::npos) << save_error;
  fs::create_directories(image.parent_path());  // so the save at the end succeeds quietly
}

TEST_F(SimConfigTest, PersistentImageBehindALinkIsWrittenThroughIt) {
  Write("real.bin", std::string(16, '\x00'));
  fs::create_symlink(dir / "real.bin", dir / "link.bin");
  const auto config = Load("[Socket1]\nCapacity=16\nPersist=1\nImage=link.bin\n");
  ASSERT_TRUE(config.has_value()) << error;
  VirtualClock clock;
  SimulatedLink link(*config, clock);
  link.programmer().socket(0).memory().EraseAll();
  std::string save_error;
  ASSERT_TRUE(link.programmer().SaveChips(save_error)) << save_error;
  EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
  EXPECT_EQ(FileBytes(dir / "real.bin"), std::vector<std::uint8_t>(16, 0xFF));
}

}  // namespace
}  // namespace tessary::sim
