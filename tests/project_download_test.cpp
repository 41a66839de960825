// The project download against the simulated Skar on virtual time: the
// frames byte for byte, the raw blocks, the percentages, the read-back, and
// every refusal before anything is sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "project/data_file_check.h"
#include "project/project_download.h"
#include "project/project_file.h"
#include "support/sim_context.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::SimContext;

sim::SimulatorConfig Skar() {
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.model = "Skar";
  return config;
}

class RecordingView final : public DownloadView {
 public:
  void SetStep(std::string_view text) override { steps.emplace_back(text); }
  void SetState(std::string_view text) override { states.emplace_back(text); }
  void SetProgress(int percent) override { progress.push_back(percent); }
  std::vector<std::string> steps, states;
  std::vector<int> progress;
};

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed = 0) {
  std::vector<std::uint8_t> data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 13 + seed + (i >> 9));
  return data;
}

class ProjectDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::path(::testing::TempDir()) / (std::string("download-") + info->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path WriteData(const std::vector<std::uint8_t>& data, const std::string& name = "data.bin") {
    std::ofstream(folder_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return folder_ / name;
  }

  // The project text for a data file of this measure.
  static std::vector<std::uint8_t> ProjectFor(std::uint32_t length, std::uint32_t crc,
                                              std::string manufacturer = "WINBOND") {
    ProjectChoices choices;
    choices.PrjName = "data.bin";
    choices.ChipName = "W25Q64";
    choices.ChipChosen = true;
    ProjectChipRow row;
    row.ChipType = "25 FLASH";
    row.ChipId = "EF4017";
    row.ManufName = std::move(manufacturer);
    Prj_Info_Struct project;
    project.FileLen = length;
    project.Crc32 = crc;
    const ProjectTextResult result = BuildProjectText(choices, row, project);
    return {result.text.begin(), result.text.end()};
  }
  static std::vector<std::uint8_t> ProjectFor(const std::vector<std::uint8_t>& data) {
    const DataFileCheck check = CheckDataBytes(data);
    return ProjectFor(check.length, check.crc32);
  }

  static std::vector<std::uint8_t> Frame(std::uint8_t opcode, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> frame(payload.size() + kFrameOverhead);
    frame.resize(BuildFrame(opcode, payload, frame));
    return frame;
  }
  static std::vector<std::uint8_t> StreamSetUp(std::uint32_t length, std::uint16_t block) {
    return {0x01,
            0x01,
            0,
            0,
            0,
            0,
            static_cast<std::uint8_t>(length >> 24),
            static_cast<std::uint8_t>(length >> 16),
            static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length),
            static_cast<std::uint8_t>(block >> 8),
            static_cast<std::uint8_t>(block)};
  }

  SimContext sim_{Skar()};
  RecordingView view_;
  DownloadTexts texts_;
  fs::path folder_;
};

TEST_F(ProjectDownload, StoresAndReadsBackTheDataFile) {
  ASSERT_TRUE(sim_.Connect());
  const auto data = Pattern(5000);
  const auto project = ProjectFor(data);
  const fs::path file = WriteData(data);
  sim_.programmer().wire().Clear();
  const std::uint64_t start = sim_.clock.NowMicroseconds();

  const DownloadOutcome outcome = DownloadProject(sim_.ctx.link, project, file, view_, texts_);

  ASSERT_EQ(outcome.result, DownloadResult::Done) << outcome.detail;
  EXPECT_EQ(sim_.programmer().project_store().project_text, project);
  EXPECT_EQ(sim_.programmer().project_store().data, data);

  // The project frame: its length, the text, 0xFF up to 512 bytes.
  std::vector<std::uint8_t> payload = {0, 0, static_cast<std::uint8_t>(project.size() >> 8),
                                       static_cast<std::uint8_t>(project.size())};
  payload.insert(payload.end(), project.begin(), project.end());
  payload.resize(516, 0xFF);
  const auto writes = sim_.programmer().wire().Writes();
  ASSERT_EQ(writes.size(), 1u + 1u + 3u + 1u);  // project, write set-up, 3 blocks, read set-up
  EXPECT_EQ(writes[0], Frame(0x44, payload));
  EXPECT_EQ(writes[0].size(), 524u);
  EXPECT_EQ(writes[1], Frame(0x35, StreamSetUp(5000, 2048)));
  EXPECT_EQ(writes[2], std::vector<std::uint8_t>(data.begin(), data.begin() + 2048));
  EXPECT_EQ(writes[3], std::vector<std::uint8_t>(data.begin() + 2048, data.begin() + 4096));
  std::vector<std::uint8_t> last(data.begin() + 4096, data.end());
  last.resize(2048, 0xFF);
  EXPECT_EQ(writes[4], last);
  EXPECT_EQ(writes[5], Frame(0x34, StreamSetUp(5000, 4096)));

  EXPECT_EQ(view_.steps, (std::vector<std::string>{"工程文件下载", "数据文件下载", "板载存储擦除&写入",
                                                  "数据文件校验"}));
  EXPECT_EQ(view_.states, (std::vector<std::string>{"下载成功", "下载中，0%", "50%", "70%", "80%",
                                                   "擦除&写入完成", "96%", "100%", "校验成功"}));
  EXPECT_EQ(view_.progress, (std::vector<int>{0, 50, 70, 80, 96, 100}));
  // One second after the project frame and 100 ms after the write set-up.
  EXPECT_GE(sim_.clock.NowMicroseconds() - start, 1'100'000u);
}

TEST_F(ProjectDownload, BlockEdges) {
  struct Case {
    std::size_t size;
    std::size_t blocks;
  };
  for (const Case c : {Case{0, 0}, Case{2048, 1}, Case{2049, 2}}) {
    SCOPED_TRACE(c.size);
    SimContext sim(Skar());
    ASSERT_TRUE(sim.Connect());
    const auto data = Pattern(c.size, 7);
    RecordingView view;
    const DownloadOutcome outcome = DownloadProject(sim.ctx.link, ProjectFor(data), WriteData(data), view, texts_);
    ASSERT_EQ(outcome.result, DownloadResult::Done) << outcome.detail;
    const auto writes = sim.programmer().wire().Writes();
    std::vector<std::vector<std::uint8_t>> raw;
    for (const auto& w : writes)
      if (w.size() == 2048 && !(w[0] == 0x02 && w[1] == 0x35)) raw.push_back(w);
    ASSERT_EQ(raw.size(), c.blocks);
    if (c.size == 2049) {
      std::vector<std::uint8_t> second(2048, 0xFF);
      second[0] = data[2048];
      EXPECT_EQ(raw[1], second);
    }
    EXPECT_EQ(writes.back(), Frame(0x34, StreamSetUp(static_cast<std::uint32_t>(c.size), 4096)));
    EXPECT_EQ(view.states.back(), "校验成功");
    EXPECT_EQ(sim.programmer().project_store().data, data);
  }
}

TEST_F(ProjectDownload, RefusalsBeforeAnythingIsSent) {
  ASSERT_TRUE(sim_.Connect());
  const auto data = Pattern(3000);
  const DataFileCheck check = CheckDataBytes(data);
  const fs::path file = WriteData(data);
  std::vector<std::uint8_t> big(0x1000000 + 1, 0x5A);
  const fs::path big_file = WriteData(big, "big.bin");
  std::vector<std::uint8_t> long_text = ProjectFor(data);
  long_text.resize(600, ' ');

  struct Case {
    const char* name;
    std::vector<std::uint8_t> project;
    fs::path data;
    DownloadResult result;
  };
  const std::vector<Case> cases = {
      {"data file missing", ProjectFor(data), folder_ / "gone.bin", DownloadResult::DataUnreadable},
      {"data file over 16 MiB", ProjectFor(0x1000001, 0), big_file, DownloadResult::DataTooLarge},
      {"data file changed", ProjectFor(check.length, check.crc32 ^ 1), file, DownloadResult::DataChanged},
      {"project text over 512 bytes", long_text, file, DownloadResult::BadProjectText},
      {"not a project text", {'x', '\r', '\n'}, file, DownloadResult::BadProjectText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim_.programmer().wire().Clear();
    RecordingView view;
    const DownloadOutcome outcome = DownloadProject(sim_.ctx.link, c.project, c.data, view, texts_);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_FALSE(outcome.detail.empty());
    EXPECT_TRUE(sim_.programmer().wire().Writes().empty());
    EXPECT_TRUE(view.states.empty());
  }
}

TEST_F(ProjectDownload, UnansweredProjectFrameSendsNoData) {
  ASSERT_TRUE(sim_.Connect());
  sim_.programmer().faults().silent_opcodes = {0x44};
  const auto data = Pattern(100);
  sim_.programmer().wire().Clear();
  const DownloadOutcome outcome = DownloadProject(sim_.ctx.link, ProjectFor(data), WriteData(data), view_, texts_);
  EXPECT_EQ(outcome.result, DownloadResult::ProjectNotAnswered);
  EXPECT_EQ(sim_.programmer().wire().CountFrames(0x44), 1u);
  EXPECT_EQ(sim_.programmer().wire().Writes().size(), 1u);
  EXPECT_EQ(view_.states, std::vector<std::string>{"下载错误"});
}

TEST_F(ProjectDownload, NoProgrammerGivesDownloadError) {
  const auto data = Pattern(100);
  const DownloadOutcome outcome = DownloadProject(sim_.ctx.link, ProjectFor(data), WriteData(data), view_, texts_);
  EXPECT_EQ(outcome.result, DownloadResult::ProjectNotAnswered);
  EXPECT_EQ(view_.states, std::vector<std::string>{"下载错误"});
}

TEST_F(ProjectDownload, BlockNotTakenWholeFailsTheWriteStep) {
  ASSERT_TRUE(sim_.Connect());
  const auto data = Pattern(10000);
  // The programmer leaves the bus after the project frame, its answer, the
  // set-up and two blocks.
  sim_.programmer().faults().unplug_after_transfers = 5;
  const DownloadOutcome outcome = DownloadProject(sim_.ctx.link, ProjectFor(data), WriteData(data), view_, texts_);
  EXPECT_EQ(outcome.result, DownloadResult::WriteFailed);
  EXPECT_EQ(view_.states.back(), "写入错误");
  EXPECT_EQ(sim_.programmer().wire().CountFrames(0x34), 0u);
}

TEST_F(ProjectDownload, ShortReadBackFails) {
  ASSERT_TRUE(sim_.Connect());
  sim_.programmer().faults().bulk_read_shortfall = 1;
  const auto data = Pattern(4096 * 2);
  const DownloadOutcome outcome = DownloadProject(sim_.ctx.link, ProjectFor(data), WriteData(data), view_, texts_);
  EXPECT_EQ(outcome.result, DownloadResult::ReadBackDiffers);
  EXPECT_EQ(view_.states.back(), "校验错误");
  EXPECT_EQ(std::count(view_.states.begin(), view_.states.end(), "校验成功"), 0);
}

TEST_F(ProjectDownload, ReadBackComparesWhatTheStorageHolds) {
  // A Skar whose storage still holds the project of an earlier download.
  sim::SimulatorConfig config = Skar();
  const auto earlier = Pattern(6000, 1);
  config.stored_data = earlier;
  config.stored_project = ProjectFor(earlier);
  SimContext sim(std::move(config));
  ASSERT_TRUE(sim.Connect());
  ASSERT_TRUE(SendProjectFile(sim.ctx.link, ProjectFor(earlier)));
  EXPECT_TRUE(VerifyStorageData(sim.ctx.link, earlier, view_, texts_));

  auto other = earlier;
  other[5000] ^= 0x01;
  ASSERT_TRUE(SendProjectFile(sim.ctx.link, ProjectFor(other)));
  RecordingView view;
  EXPECT_FALSE(VerifyStorageData(sim.ctx.link, other, view, texts_));
  // The percentage stays at the last block that compared equal.
  EXPECT_EQ(view.progress.back(), 93);
  EXPECT_NE(view.states.back(), "校验成功");
}

}  // namespace
}  // namespace tessary
