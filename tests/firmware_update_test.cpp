// The firmware update against the simulated programmer on virtual time: the
// whole way through the boot loader and back with its exact frames, bad
// packages refused before the restart request, a failed image check, an
// unanswered block given up after a bounded number of tries, the manual
// retry with the boot loader box, and the automatic choice's messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/device_connection.h"
#include "app/firmware_update_handlers.h"
#include "base/language_files.h"
#include "base/profile_file.h"
#include "firmware/firmware_package.h"
#include "firmware/firmware_update.h"
#include "support/program_folder.h"
#include "support/sim_context.h"

namespace tessary {
namespace {

using testing::SimContext;
using Bytes = std::vector<std::uint8_t>;

Bytes Frame(std::uint8_t opcode, const Bytes& payload) {
  Bytes frame(payload.size() + kFrameOverhead);
  frame.resize(BuildFrame(opcode, payload, frame));
  return frame;
}

Bytes Image(std::size_t size) {
  Bytes image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return image;
}

std::string Message(std::string_view key) {
  return ReadMessageText(ProfileFile("no-such-language.ini"), "FirmUpdate", key);
}

class FirmwareUpdate : public ::testing::Test {
 protected:
  void Start(sim::SimulatorConfig config = sim::DefaultSimulatorConfig()) {
    sim = std::make_unique<SimContext>(std::move(config));
    sim->ctx.Paths = PortablePaths(folder.path());
    std::filesystem::create_directories(folder.path() / "iap");
    // Arrivals and removals reach the device connection from every wait,
    // as the window's device notices do.
    sim->usb.SetPresenceHandler([this](PresenceEvent event) {
      switch (event) {
        case PresenceEvent::Arrived: ScanForProgrammer(sim->ctx); break;
        case PresenceEvent::Removed: OnProgrammerRemoved(sim->ctx); break;
      }
    });
    sim->panel.on_pump = [this] {
      if (servicing) return;
      servicing = true;
      sim->usb.ServiceEvents();
      servicing = false;
    };
    ScanForProgrammer(sim->ctx);
    ASSERT_TRUE(sim->ctx.link.LinkOpen());
    device().wire().Clear();
  }
  AppContext& ctx() { return sim->ctx; }
  sim::SimulatedProgrammer& device() { return sim->programmer(); }

  std::filesystem::path WritePackage(const std::string& name, const Bytes& bytes) {
    const std::filesystem::path path = folder.path() / "iap" / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::filesystem::path WriteImagePackage(const std::string& name, const Bytes& image) {
    const std::vector<NamedItem> items = {{"readme.txt", Bytes{'d', 'e', 'm', 'o'}},
                                          {"iap.bin", image}};
    return WritePackage(name, BuildFirmwarePackage(items));
  }

  FirmwareUpdateResult Update(bool boot_ready = false,
                              std::optional<std::filesystem::path> by_hand = std::nullopt) {
    FirmwareUpdateRequest request;
    request.boot_ready = boot_ready;
    request.choose_package = [this, by_hand](const PackageDialogRequest& dialog) {
      ++dialogs;
      dialog_folder = dialog.folder;
      return by_hand;
    };
    request.clear_log = [this] { log.clear(); };
    request.log = [this](std::string_view line) { log.emplace_back(line); };
    return btnStartIAPClick(ctx(), request);
  }

  // Command frames written with this opcode, whole.
  std::vector<Bytes> Frames(std::uint8_t opcode) const {
    std::vector<Bytes> frames;
    for (const Bytes& write : sim->programmer().wire().Writes()) {
      if (write.size() >= kFrameOverhead && write[0] == 0x02 && write[1] == opcode)
        frames.push_back(write);
    }
    return frames;
  }
  bool Logged(const std::string& line) const {
    return std::find(log.begin(), log.end(), line) != log.end();
  }

  testing::ProgramFolder folder{false, false};
  std::unique_ptr<SimContext> sim;
  bool servicing = false;
  std::vector<std::string> log;
  int dialogs = 0;
  std::filesystem::path dialog_folder;
};

TEST_F(FirmwareUpdate, GoesThroughTheBootLoaderAndBackWithTheExactFrames) {
  Start();
  const Bytes image = Image(2049);
  WriteImagePackage("Velor_010204.iap", image);
  WriteImagePackage("Velor_010203.iap", Image(10));  // the running version: never chosen

  EXPECT_EQ(Update(), FirmwareUpdateResult::Updated);

  EXPECT_EQ(Frames(0xF0), (std::vector<Bytes>{{0x02, 0xF0, 0x00, 0x01, 0x00, 0x00, 0xD5, 0x35}}));
  EXPECT_EQ(Frames(0xF2), (std::vector<Bytes>{{0x02, 0xF2, 0x00, 0x01, 0x00, 0x00, 0x15, 0x4C}}));
  const std::vector<Bytes> blocks = Frames(0xF1);
  ASSERT_EQ(blocks.size(), 3u) << "2049 bytes: three blocks";
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(blocks[i], Frame(0xF1, ImageBlockPayload(i * 1024, std::span(image).subspan(i * 1024))))
        << "block " << i;
    EXPECT_EQ(blocks[i].size(), 1038u);
  }
  EXPECT_EQ(blocks[2][12], image[2048]);
  EXPECT_EQ(blocks[2][13], 0xFF) << "the last block is filled up with 0xFF";
  Bytes padded = image;
  padded.resize(3072, 0xFF);
  EXPECT_EQ(Frames(0xF3), (std::vector<Bytes>{Frame(0xF3, ImageCheckPayload(3072, Md5Of(padded)))}));
  EXPECT_EQ(device().received_image(), padded);

  EXPECT_EQ(device().mode(), sim::FirmwareMode::Application);
  EXPECT_EQ(ctx().DeviceInfo.FirmVer, "V1.2.4");
  EXPECT_TRUE(ctx().link.LinkOpen());
  EXPECT_EQ(sim->panel.status[0], "Velor");
  EXPECT_EQ(sim->panel.status[1], "设备版本:V1.2.4");
  EXPECT_EQ(sim->panel.bars[ProgressBar::Firmware].position, 2049);
  EXPECT_FALSE(ctx().Window.OperationRunning);

  ASSERT_EQ(log.size(), 11u);
  const std::vector<std::string> expected_head = {
      "IAP File List:", "Velor_010203.iap", "Velor_010204.iap",
      "File：Velor_010204.iap,更新准备中，请稍等...", "Boot程序启动中，请稍等...", "已进入Boot模式！",
      "File：Velor_010204.iap,系统包下载中，请稍等..."};
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 7), expected_head);
  EXPECT_EQ(log[7].rfind("系统烧写完成，共耗时", 0), 0u) << log[7];
  EXPECT_EQ(log[7].back(), 's');
  EXPECT_EQ(std::vector<std::string>(log.begin() + 8, log.end()),
            (std::vector<std::string>{"等待系统重启中，请稍等.", "已进入APP程序！",
                                      "更新完成，即将关闭更新页面，进入主界面."}));
}

TEST_F(FirmwareUpdate, ABadPackageIsRefusedBeforeAnythingIsSent) {
  Bytes no_image = BuildFirmwarePackage(std::vector<NamedItem>{{"readme.txt", Bytes(5, 1)}});
  Bytes cut = BuildFirmwarePackage(std::vector<NamedItem>{{"iap.bin", Image(3000)}});
  cut.resize(cut.size() - 1);
  Bytes foreign = BuildFirmwarePackage(std::vector<NamedItem>{{"iap.bin", Image(30)}});
  foreign[0] = 0x00;
  foreign[1] = 0x49;
  const struct {
    const char* what;
    Bytes package;
    const char* reason;
  } cases[] = {
      {"no iap.bin", no_image, "PackageNoImage"},
      {"cut short", cut, "PackageImageOutside"},
      {"another format", foreign, "PackageUnknownFormat"},
      {"a few bytes", Bytes(7, 0x03), "PackageTooShort"},
  };
  for (const auto& c : cases) {
    Start();
    WritePackage("Velor_010204.iap", c.package);
    EXPECT_EQ(Update(), FirmwareUpdateResult::BadPackage) << c.what;
    EXPECT_TRUE(device().wire().transfers().empty()) << c.what << ": nothing sent, not even 0xF0";
    EXPECT_EQ(device().mode(), sim::FirmwareMode::Application) << c.what;
    EXPECT_TRUE(Logged("IAP文件格式异常，请确认！")) << c.what;
    EXPECT_TRUE(Logged(Message(c.reason))) << c.what;
    EXPECT_FALSE(Logged("Boot程序启动中，请稍等...")) << c.what;
  }
}

TEST_F(FirmwareUpdate, AFailedImageCheckIsAFailedUpdateAndAManualRetryMendsIt) {
  const struct {
    const char* what;
    std::uint32_t corrupt_block;
    bool check_fails;
  } cases[] = {{"a damaged block", 2, false}, {"a rejected digest", 0, true}};
  for (const auto& c : cases) {
    sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
    config.faults.corrupt_image_block = c.corrupt_block;
    config.faults.image_check_fails = c.check_fails;
    Start(config);
    const std::filesystem::path package = WriteImagePackage("Velor_010204.iap", Image(5000));

    EXPECT_EQ(Update(), FirmwareUpdateResult::Failed) << c.what;
    EXPECT_EQ(Frames(0xF3).size(), 1u) << c.what;
    EXPECT_TRUE(Frames(0xF2).empty()) << c.what << ": no finish after a rejected check";
    EXPECT_EQ(sim->panel.status[0], "IAP校验") << c.what;
    EXPECT_EQ(sim->panel.status[1], "校验错误") << c.what;
    EXPECT_TRUE(Logged(Message("CheckRejected"))) << c.what;
    EXPECT_EQ(log.back(), Message("RetryAdvice")) << c.what;
    EXPECT_FALSE(Logged("更新完成，即将关闭更新页面，进入主界面.")) << c.what;
    EXPECT_FALSE(std::any_of(log.begin(), log.end(),
                             [](const std::string& l) { return l.rfind("系统烧写完成", 0) == 0; }));
    EXPECT_EQ(device().mode(), sim::FirmwareMode::BootLoader) << c.what;

    // The retry by hand: the box ticked, the package picked in the dialog.
    device().faults().image_check_fails = false;
    device().wire().Clear();
    EXPECT_EQ(Update(true, package), FirmwareUpdateResult::Updated) << c.what;
    EXPECT_EQ(dialogs, 1) << c.what;
    dialogs = 0;
    EXPECT_EQ(dialog_folder, folder.path() / "iap");
    EXPECT_TRUE(Frames(0xF0).empty()) << c.what << ": no restart request with the box ticked";
    EXPECT_EQ(Frames(0xF1).size(), 5u) << c.what;
    EXPECT_EQ(ctx().DeviceInfo.FirmVer, "V1.2.4") << c.what;
  }
}

TEST_F(FirmwareUpdate, AnUnansweredBlockIsSentABoundedNumberOfTimes) {
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.faults.silent_opcodes = {0xF1};
  Start(config);
  WriteImagePackage("Velor_010204.iap", Image(4096));
  const std::uint64_t before = sim->clock.NowMicroseconds();

  EXPECT_EQ(Update(), FirmwareUpdateResult::Failed);

  const std::vector<Bytes> blocks = Frames(0xF1);
  ASSERT_EQ(blocks.size(), static_cast<std::size_t>(kImageBlockAttempts));
  for (const Bytes& block : blocks) EXPECT_EQ(block, blocks.front()) << "the same first block";
  EXPECT_TRUE(Frames(0xF3).empty());
  EXPECT_TRUE(Frames(0xF2).empty());
  EXPECT_EQ(sim->panel.status[1], "下载失败");
  EXPECT_TRUE(Logged(Message("BlockUnanswered")));
  EXPECT_EQ(log.back(), Message("RetryAdvice"));
  EXPECT_EQ(device().mode(), sim::FirmwareMode::BootLoader) << "left ready for a manual retry";
  EXPECT_TRUE(ctx().DeviceInfo.FirmVer.starts_with("BOOT"));
  EXPECT_LT(sim->clock.NowMicroseconds() - before, 60'000'000u) << "gives up in bounded time";
}

TEST_F(FirmwareUpdate, AProgrammerLeavingDuringTheTransferEndsIt) {
  Start();
  WriteImagePackage("Velor_010204.iap", Image(20000));
  // Pulled out after a few blocks of the transfer (the count starts after
  // the boot loader has come back and been identified).
  sim->panel.on_pump = [this, armed = false]() mutable {
    if (servicing) return;
    if (!armed && device().mode() == sim::FirmwareMode::BootLoader && ctx().link.LinkOpen() &&
        Frames(0xF1).size() == 3) {
      armed = true;
      device().Unplug();
    }
    servicing = true;
    sim->usb.ServiceEvents();
    servicing = false;
  };
  EXPECT_EQ(Update(), FirmwareUpdateResult::Failed);
  EXPECT_EQ(sim->panel.status[0], "设备连接:");
  EXPECT_EQ(sim->panel.status[1], "未连接，请确认！");
  EXPECT_TRUE(Logged(Message("LinkLost")));
  EXPECT_LE(Frames(0xF1).size(), 4u);
}

TEST_F(FirmwareUpdate, TheAutomaticChoiceSaysWhyItFoundNothing) {
  const struct {
    const char* what;
    std::vector<std::string> files;
    const char* message;
  } cases[] = {
      {"empty folder", {}, "IAP文件夹下，没有找到升级文件包，请确认！"},
      {"only the running version", {"Velor_010203.iap"},
       "IAP文件夹下，没有找到可用的升级文件包，请确认！"},
      {"only other models", {"Plov_090000.iap", "Skar_090000.iap"},
       "IAP文件夹下，没有找到可用的升级文件包，请确认！"},
  };
  for (const auto& c : cases) {
    Start();
    for (const std::string& file : c.files) WriteImagePackage(file, Image(100));
    EXPECT_EQ(Update(), FirmwareUpdateResult::NotStarted) << c.what;
    EXPECT_EQ(log.front(), "IAP File List:") << c.what;
    EXPECT_EQ(log.back(), c.message) << c.what;
    EXPECT_TRUE(device().wire().transfers().empty()) << c.what;
    EXPECT_EQ(dialogs, 0) << c.what;
    for (const std::string& file : c.files) std::filesystem::remove(folder.path() / "iap" / file);
  }
}

TEST_F(FirmwareUpdate, AProgrammerInItsBootLoaderIsUpdatedFromAPackageChosenByHand) {
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.start_in_boot_loader = true;
  Start(config);
  ASSERT_TRUE(ctx().DeviceInfo.FirmVer.starts_with("BOOT"));
  const std::filesystem::path package = WriteImagePackage("Velor_010204.iap", Image(1000));

  EXPECT_EQ(Update(true, std::nullopt), FirmwareUpdateResult::NotStarted) << "cancelled";
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(log.empty()) << "a cancelled dialog ends the click without a line";
  EXPECT_TRUE(device().wire().transfers().empty());

  EXPECT_EQ(Update(true, package), FirmwareUpdateResult::Updated);
  EXPECT_TRUE(Frames(0xF0).empty());
  EXPECT_EQ(ctx().DeviceInfo.FirmVer, "V1.2.4");
  EXPECT_EQ(log.front(), "File：Velor_010204.iap,更新准备中，请稍等...");
}

TEST_F(FirmwareUpdate, TheWindowOpensOnlyForALinkedProgrammer) {
  Start();
  const std::optional<UpdateWindowView> view = MenuFirmUpdateClick(ctx());
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->Caption, "固件版本更新");
  EXPECT_EQ(view->StartButton, "启动更新");
  EXPECT_EQ(view->BootReadyCaption, "已处于BOOT模式，直接更新");

  OnProgrammerRemoved(ctx());
  EXPECT_FALSE(MenuFirmUpdateClick(ctx()).has_value());
  EXPECT_EQ(ctx().log.Lines().back().colour, LogColour::Error);
}

TEST_F(FirmwareUpdate, ImageDigestCoversTheFillOfTheLastBlock) {
  const Bytes image(1000, 0x11);
  Bytes padded = image;
  padded.resize(1024, 0xFF);
  EXPECT_EQ(ImageDigest(image), Md5Of(padded));
  const Bytes two(2048, 0x22);
  EXPECT_EQ(ImageDigest(two), Md5Of(two));
}

}  // namespace
}  // namespace tessary
