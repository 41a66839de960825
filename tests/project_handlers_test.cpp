// The offline project window's behaviour against the simulated Skar: the
// data file choice, the project file in "temp", the download with its
// read-back, and each refusal that keeps anything from being sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "app/project_handlers.h"
#include "support/program_folder.h"
#include "support/sim_context.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

sim::SimulatorConfig Skar() {
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.model = "Skar";
  return config;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ProjectWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx.Paths = PortablePaths(folder.path());
    std::string error;
    ASSERT_TRUE(ctx.Database.Open(folder.path() / "login.dat", error)) << error;
    ASSERT_TRUE(sim.Connect());
    ctx.DeviceInfo.DevName = "Skar";
    ctx.CurrentPrj.OprErase = 1;
    ctx.CurrentPrj.OprWrite = 1;
    ctx.ChipFrame.cmbDownChipName.Add("W25Q64");
    ctx.ChipFrame.cmbDownChipName.Select(0);
    MenuPrjOfflineClick(ctx);
    sim.programmer().wire().Clear();
  }

  fs::path WriteData(std::size_t size, const std::string& name = "fw.bin") {
    data.resize(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i ^ (i >> 8));
    std::ofstream(folder.path() / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(size));
    return folder.path() / name;
  }

  [[nodiscard]] bool NothingSent() { return sim.programmer().wire().Writes().empty(); }
  [[nodiscard]] bool LogHas(std::string_view text, LogColour colour) const {
    for (const LogEntry& line : ctx.Project.Log)
      if (line.colour == colour && line.text.find(text) != std::string::npos) return true;
    return false;
  }

  testing::ProgramFolder folder;
  testing::SimContext sim{Skar()};
  AppContext& ctx = sim.ctx;
  std::vector<std::uint8_t> data;
};

TEST_F(ProjectWindow, OpeningTakesTheFrameAndTheMainSettings) {
  MenuPrjOfflineClick(ctx);  // twice in a row
  ASSERT_EQ(ctx.Project.Log.size(), 1u);
  EXPECT_EQ(ctx.Project.Log[0].text, "文件名:文件待选择.");
  EXPECT_FALSE(ctx.ChipFrame.HostedInMainWindow);
  EXPECT_FALSE(ctx.Project.chkPrjIdCheck);
  EXPECT_TRUE(ctx.Project.chkPrjErase);
  EXPECT_TRUE(ctx.Project.chkPrjWrite);
  EXPECT_EQ(ctx.OfflinePrj.OprWrite, 1);
  EXPECT_TRUE(ProjectFormClose(ctx));
  EXPECT_TRUE(ctx.ChipFrame.HostedInMainWindow);
}

TEST_F(ProjectWindow, DataFileChoiceLogsNameAndCheckValue) {
  std::ofstream(folder.path() / "digits.bin", std::ios::binary) << "123456789";
  ASSERT_TRUE(ProjectButton2Click(ctx, (folder.path() / "digits.bin").string()));
  EXPECT_EQ(ctx.OfflinePrj.FileLen, 9u);
  EXPECT_EQ(ctx.OfflinePrj.Crc32, 0xCBF43926u);
  EXPECT_EQ(ctx.Project.editPrjName, "digits.bin");
  ASSERT_EQ(ctx.Project.Log.size(), 2u);
  EXPECT_EQ(ctx.Project.Log[0].text, "文件名: digits.bin    CRC32: 0xCBF43926");
  EXPECT_EQ(ToColourRef(ctx.Project.Log[0].colour), 0x808080u);
  EXPECT_EQ(ToColourRef(ctx.Project.Log[1].colour), 0x0000FFu);
}

TEST_F(ProjectWindow, FullDownloadWritesTheProjectFileAndVerifies) {
  ASSERT_TRUE(ProjectButton2Click(ctx, WriteData(5000).string()));
  const DownloadOutcome outcome = btnDownLoadPrjClick(ctx);
  ASSERT_EQ(outcome.result, DownloadResult::Done) << outcome.detail;

  const std::string text = ReadText(folder.path() / "temp" / "temp.gprj");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 27);
  EXPECT_NE(text.find("\r\nPrjName=fw.bin\r\nChipName=W25Q64\r\nChipID=EF4017\r\nChipType=1\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\nFileLen=00001388\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nOprIdCheck=00\r\nOprErase=01\r\nOprWrite=01\r\nOprVerify=00\r\n"),
            std::string::npos);
  EXPECT_EQ(sim.programmer().project_store().project_text,
            std::vector<std::uint8_t>(text.begin(), text.end()));
  EXPECT_EQ(sim.programmer().project_store().data, data);
  EXPECT_EQ(ctx.Project.sbPrj[0], "数据文件校验");
  EXPECT_EQ(ctx.Project.sbPrj[1], "校验成功");
  EXPECT_EQ(ctx.Project.pbPrjDownStatus, 100);
  EXPECT_TRUE(LogHas("工程下载完成", LogColour::Success));
  EXPECT_FALSE(ctx.Project.DownloadRunning);
  EXPECT_FALSE(ctx.Window.OperationRunning);
}

TEST_F(ProjectWindow, NothingIsSentWhenTheProjectFileCannotBeWritten) {
  ASSERT_TRUE(ProjectButton2Click(ctx, WriteData(100).string()));
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::string message;  // a message box starting so; empty: a red log line only
  };
  const std::vector<Case> cases = {
      {"no chip", [&] { ctx.ChipFrame.cmbDownChipName.Select(-1); }, "请选择芯片名称！"},
      {"run limit not a number",
       [&] {
         ctx.Project.chkProTimes = true;
         ctx.Project.editProTimes = "ten";
       },
       "工程文件无法写入"},
      {"temp folder missing", [&] { fs::remove_all(folder.path() / "temp"); }, "工程文件无法写入"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ctx.ChipFrame.cmbDownChipName.Select(0);
    ctx.Project.chkProTimes = false;
    fs::create_directories(folder.path() / "temp");
    sim.programmer().wire().Clear();
    sim.panel.messages.clear();
    c.arrange();
    const DownloadOutcome outcome = btnDownLoadPrjClick(ctx);
    EXPECT_EQ(outcome.result, DownloadResult::ProjectNotWritten);
    EXPECT_TRUE(NothingSent());
    ASSERT_FALSE(sim.panel.messages.empty());
    EXPECT_EQ(sim.panel.messages.back().text.rfind(c.message, 0), 0u) << sim.panel.messages.back().text;
    EXPECT_FALSE(ctx.Project.DownloadRunning);
  }
}

TEST_F(ProjectWindow, UnreadableDataFileLeavesTheMeasureUnset) {
  ctx.OfflinePrj.FileLen = 0x1234;
  ctx.OfflinePrj.Crc32 = 0x5678;
  EXPECT_FALSE(ProjectButton2Click(ctx, (folder.path() / "gone.bin").string()));
  EXPECT_TRUE(LogHas("数据文件无法读取", LogColour::Error));
  EXPECT_EQ(ctx.OfflinePrj.FileLen, 0x1234u);
  EXPECT_EQ(ctx.OfflinePrj.Crc32, 0x5678u);
  EXPECT_EQ(btnDownLoadPrjClick(ctx).result, DownloadResult::DataUnreadable);
  EXPECT_TRUE(NothingSent());
}

TEST_F(ProjectWindow, NoDataFileChosen) {
  EXPECT_EQ(btnDownLoadPrjClick(ctx).result, DownloadResult::NoDataFile);
  ASSERT_EQ(sim.panel.messages.size(), 1u);
  EXPECT_EQ(sim.panel.messages[0].text, "请先选择数据文件，然后再下载.");
  EXPECT_TRUE(NothingSent());
}

TEST_F(ProjectWindow, DataFileLargerThanTheStorageIsRefused) {
  ASSERT_TRUE(ProjectButton2Click(ctx, WriteData(0x1000000 + 2048).string()));
  EXPECT_EQ(btnDownLoadPrjClick(ctx).result, DownloadResult::DataTooLarge);
  EXPECT_TRUE(NothingSent());
  EXPECT_TRUE(LogHas("16MB", LogColour::Error));
}

TEST_F(ProjectWindow, ReadBackThatDiffersIsARedFailure) {
  ASSERT_TRUE(ProjectButton2Click(ctx, WriteData(8192).string()));
  sim.programmer().faults().bulk_read_shortfall = 1;
  EXPECT_EQ(btnDownLoadPrjClick(ctx).result, DownloadResult::ReadBackDiffers);
  ASSERT_FALSE(sim.panel.messages.empty());
  EXPECT_EQ(sim.panel.messages.back().text, "校验错误，请重试.");
  EXPECT_TRUE(LogHas("校验错误，请重试.", LogColour::Error));
  EXPECT_EQ(ctx.Project.sbPrj[1], "校验错误");
  EXPECT_FALSE(LogHas("工程下载完成", LogColour::Success));
}

TEST_F(ProjectWindow, BlockNotTakenWholeIsAWriteError) {
  ASSERT_TRUE(ProjectButton2Click(ctx, WriteData(10000).string()));
  sim.programmer().faults().unplug_after_transfers = 5;
  EXPECT_EQ(btnDownLoadPrjClick(ctx).result, DownloadResult::WriteFailed);
  ASSERT_FALSE(sim.panel.messages.empty());
  EXPECT_EQ(sim.panel.messages.back().text, "写入错误，请重试.");
}

TEST_F(ProjectWindow, SecondClickDuringADownloadStartsNothing) {
  ASSERT_TRUE(ProjectButton2Click(ctx, WriteData(6000).string()));
  int nested = 0;
  bool running_seen = false;
  sim.panel.on_pump = [&] {
    running_seen = running_seen || ctx.Project.DownloadRunning;
    if (nested++ == 0) {
      EXPECT_EQ(btnDownLoadPrjClick(ctx).result, DownloadResult::Busy);
      EXPECT_FALSE(ProjectFormClose(ctx));
    }
  };
  EXPECT_EQ(btnDownLoadPrjClick(ctx).result, DownloadResult::Done);
  EXPECT_TRUE(running_seen);
  EXPECT_EQ(sim.programmer().wire().CountFrames(0x44), 1u);
}

}  // namespace
}  // namespace tessary
