// Identification of a programmer on arrival, its fallbacks, and removal.
#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/start_up.h"
#include "app/device_connection.h"
#include "app/hardware_info.h"
#include "device/identity_queries.h"
#include "operations/chip_commands.h"
#include "sim/simulated_link.h"
#include "support/program_folder.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

using testing::Bytes;
using testing::TextReply;

struct Connection : ::testing::Test {
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};

  Connection() {
    clock.SetTimeOfDay(9, 5, 7);
    ctx.DeviceInfo.DefaultMode = "Plov";
  }
  void Queue(std::initializer_list<Bytes> replies) {
    usb.replies.insert(usb.replies.end(), replies.begin(), replies.end());
  }
  void QueueIdentity(const std::string& firmware, const std::string& model) {
    Queue({TextReply(0x10, firmware), TextReply(0x11, "HW2.0"), TextReply(0x12, "SN-0001"),
           TextReply(0x13, model)});
  }
};

TEST_F(Connection, IdentifiesAndShowsTheProgrammerOnline) {
  QueueIdentity("V1.2.3", "Velor");
  ScanForProgrammer(ctx);
  EXPECT_TRUE(ctx.link.LinkOpen());
  EXPECT_EQ(usb.WrittenOpcodes(), (std::vector<std::uint8_t>{0x10, 0x11, 0x12, 0x13}));
  EXPECT_EQ(ctx.DeviceInfo.FirmVer, "V1.2.3");
  EXPECT_EQ(ctx.DeviceInfo.HardVer, "HW2.0");
  EXPECT_EQ(ctx.DeviceInfo.DevSN, "SN-0001");
  EXPECT_EQ(ctx.DeviceInfo.DevName, "Velor");
  EXPECT_EQ(ctx.DeviceInfo.DefaultMode, "Velor");
  EXPECT_EQ(panel.status[0], "设备已连接: Velor");
  EXPECT_EQ(panel.status[1], "设备版本:V1.2.3");
  ASSERT_EQ(ctx.log.Lines().size(), 1u);
  EXPECT_EQ(ctx.log.Lines()[0].text, "09:05:07 检测到编程器，型号：Velor,产品序列号：SN-0001");
  EXPECT_EQ(ctx.log.Lines()[0].colour, LogColour::Highlight);
  EXPECT_FALSE(ctx.Window.TimerScanEnabled);
  EXPECT_TRUE(ctx.Window.SocketTypeEnabled);
  EXPECT_FALSE(ctx.Window.PrjOfflineMenuVisible);
}

TEST_F(Connection, WhileLinkedAScanDoesNothing) {
  QueueIdentity("V1", "Velor");
  ScanForProgrammer(ctx);
  const std::size_t frames = usb.writes.size();
  ScanForProgrammer(ctx);
  EXPECT_EQ(usb.writes.size(), frames);
  EXPECT_EQ(usb.open_calls, 1);
}

TEST_F(Connection, NoProgrammerStopsTheScanSilently) {
  usb.present = false;
  ScanForProgrammer(ctx);
  EXPECT_FALSE(ctx.link.LinkOpen());
  EXPECT_FALSE(ctx.Window.TimerScanEnabled) << "only an arrival notice scans again";
  EXPECT_TRUE(ctx.log.Lines().empty());
  EXPECT_TRUE(usb.writes.empty());
}

TEST_F(Connection, AProgrammerThatCannotBeOpenedIsNamedOnceAndScanningGoesOn) {
  usb.open_result = UsbOpenResult::AccessDenied;
  ScanForProgrammer(ctx);
  EXPECT_FALSE(ctx.link.LinkOpen());
  EXPECT_TRUE(ctx.Window.TimerScanEnabled) << "fixing the access is enough, no replug notice";
  ASSERT_EQ(ctx.log.Lines().size(), 1u);
  EXPECT_EQ(ctx.log.Lines()[0].text,
            "09:05:07 " + ctx.Texts.LogUsbAccessDenied);
  EXPECT_EQ(ctx.log.Lines()[0].colour, LogColour::Error);

  ScanForProgrammer(ctx);
  EXPECT_EQ(ctx.log.Lines().size(), 1u) << "the same reason again is not logged again";
  EXPECT_TRUE(ctx.Window.TimerScanEnabled);

  usb.open_result = UsbOpenResult::Opened;
  QueueIdentity("V1", "Velor");
  ScanForProgrammer(ctx);
  EXPECT_TRUE(ctx.link.LinkOpen());
  EXPECT_FALSE(ctx.Window.TimerScanEnabled);
  EXPECT_TRUE(usb.writes.size() >= 4u);
}

TEST_F(Connection, EachChangeOfTheOpenFailureIsLogged) {
  struct Step {
    bool present;
    UsbOpenResult result;
    bool logged;
    bool scanning;
  };
  const std::vector<Step> steps = {
      {true, UsbOpenResult::Busy, true, true},
      {true, UsbOpenResult::Busy, false, true},
      {true, UsbOpenResult::AccessDenied, true, true},
      {false, UsbOpenResult::AccessDenied, false, false},  // unplugged: silent, no scan
      {true, UsbOpenResult::AccessDenied, true, true},     // back: named again
      {true, UsbOpenResult::NoUsableEndpoints, true, true},
      {true, UsbOpenResult::UsbUnavailable, true, true},
  };
  std::size_t lines = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    usb.present = steps[i].present;
    usb.open_result = steps[i].result;
    ScanForProgrammer(ctx);
    if (steps[i].logged) ++lines;
    EXPECT_EQ(ctx.log.Lines().size(), lines) << "step " << i;
    EXPECT_EQ(ctx.Window.TimerScanEnabled, steps[i].scanning) << "step " << i;
    EXPECT_FALSE(ctx.link.LinkOpen()) << "step " << i;
  }
  EXPECT_TRUE(usb.writes.empty());
}

TEST_F(Connection, SilentFirmwareQueryClosesTheLinkAndRetriesLater) {
  ScanForProgrammer(ctx);
  EXPECT_FALSE(ctx.link.LinkOpen());
  EXPECT_FALSE(usb.HasDevice());
  EXPECT_TRUE(ctx.Window.TimerScanEnabled);
  EXPECT_EQ(usb.WrittenOpcodes(), (std::vector<std::uint8_t>{0x10}));
  EXPECT_TRUE(ctx.log.Lines().empty());
}

TEST_F(Connection, FirmwareStartingWithFFTwiceBecomesEmpty) {
  const std::string ff_text = "\xFF\xFF";
  Queue({TextReply(0x10, ff_text), TextReply(0x10, ff_text), TextReply(0x11, "H"),
         TextReply(0x12, "S"), TextReply(0x13, "Velor")});
  ScanForProgrammer(ctx);
  EXPECT_TRUE(ctx.link.LinkOpen());
  EXPECT_EQ(ctx.DeviceInfo.FirmVer, "");
  EXPECT_EQ(usb.WrittenOpcodes(), (std::vector<std::uint8_t>{0x10, 0x10, 0x11, 0x12, 0x13}));
}

TEST_F(Connection, FirmwareStartingWithFFThenValidIsKept) {
  Queue({TextReply(0x10, "\xFF"), TextReply(0x10, "V2"), TextReply(0x11, "H"),
         TextReply(0x12, "S"), TextReply(0x13, "Velor")});
  ScanForProgrammer(ctx);
  EXPECT_EQ(ctx.DeviceInfo.FirmVer, "V2");
}

TEST_F(Connection, UnansweredQueriesFallBackAfterTwoTries) {
  Queue({TextReply(0x10, "V1"), Bytes{}, Bytes{}, Bytes{}, Bytes{}, Bytes{}, Bytes{}});
  ScanForProgrammer(ctx);
  EXPECT_EQ(usb.WrittenOpcodes(),
            (std::vector<std::uint8_t>{0x10, 0x11, 0x11, 0x12, 0x12, 0x13, 0x13}));
  EXPECT_EQ(ctx.DeviceInfo.HardVer, "KV-075");
  EXPECT_EQ(ctx.DeviceInfo.DevSN, "XXX-XXX-XXX-XXX");
  EXPECT_EQ(ctx.DeviceInfo.DevName, "Plov") << "the model assumed from the settings";
  EXPECT_EQ(panel.status[0], "设备已连接: Plov");
}

TEST_F(Connection, SkarGetsTheLanguageAndOfflineProjectsAndSingleSocket) {
  ctx.DeviceInfo.Language = 2;
  ctx.Window.SocketTypeIndex = 1;
  QueueIdentity("V3", "Skar-X");
  Queue({testing::ReplyFrame(0x14, {})});
  ScanForProgrammer(ctx);
  ASSERT_EQ(usb.writes.size(), 5u);
  EXPECT_EQ(usb.writes[4], (Bytes{0x02, 0x14, 0x00, 0x01, 0x00, 0x01, 0x02,
                                  usb.writes[4][7], usb.writes[4][8]}));
  EXPECT_TRUE(ctx.Window.PrjOfflineMenuVisible);
  EXPECT_TRUE(ctx.Window.PrjOfflineMenuEnabled);
  EXPECT_EQ(ctx.Window.SocketTypeIndex, 0);
  EXPECT_FALSE(ctx.Window.SocketTypeEnabled);
}

TEST_F(Connection, BootLoaderIsLoggedAndLeftWaiting) {
  QueueIdentity("BOOT V1.0", "Velor");
  ScanForProgrammer(ctx);
  EXPECT_EQ(ctx.DeviceInfo.FirmVer, "BOOT V1.0");
  EXPECT_EQ(ctx.log.Lines().size(), 1u);
  EXPECT_EQ(ctx.DeviceInfo.DefaultMode, "Velor") << "taken from the model, not reset";
}

TEST_F(Connection, ReplyTextIsCappedAndStopsAtAZeroByte) {
  QueueIdentity("0123456789ABCDEFGHIJ", std::string("Velor\0junk", 10));
  ScanForProgrammer(ctx);
  EXPECT_EQ(ctx.DeviceInfo.FirmVer, "0123456789ABCDEF");
  EXPECT_EQ(ctx.DeviceInfo.DevName, "Velor");
}

TEST_F(Connection, ALengthFieldBeyondTheReplyNeverReadsPastTheBuffer) {
  Bytes lying = TextReply(0x10, "V1");
  lying[4] = 0xFF;
  lying[5] = 0xFF;
  Queue({lying});
  std::string text;
  ASSERT_TRUE(ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
  ctx.link.MarkLinked();
  EXPECT_EQ(QueryFirmwareVersion(ctx.link, text), CommandStatus::Ok);
  EXPECT_LE(text.size(), 16u);
}

TEST_F(Connection, RemovalClosesTheLinkAndReportsOffline) {
  QueueIdentity("V1", "Velor");
  ScanForProgrammer(ctx);
  OnProgrammerRemoved(ctx);
  EXPECT_FALSE(ctx.link.LinkOpen());
  EXPECT_FALSE(usb.HasDevice());
  EXPECT_EQ(panel.status[0], "设备离线");
  EXPECT_EQ(panel.status[1], "");
  EXPECT_EQ(ctx.log.Lines().back().text, "09:05:07 设备离线");
  EXPECT_EQ(ctx.log.Lines().back().colour, LogColour::Error);
}

TEST_F(Connection, RemovalWithoutALinkDoesNothing) {
  OnProgrammerRemoved(ctx);
  EXPECT_TRUE(ctx.log.Lines().empty());
  EXPECT_TRUE(panel.status.empty());
}


// The program started on the real catalogue, then a simulated programmer
// found by the scan: identification, chip types and detection in one go.
struct ConnectionEndToEnd : ::testing::Test {
  explicit ConnectionEndToEnd(sim::SimulatorConfig config = sim::DefaultSimulatorConfig())
      : usb(std::move(config), clock) {
    ctx.Paths = PortablePaths(folder.path());
    clock.SetTimeOfDay(14, 0, 0);
    const StartUpOutcome outcome = RunStartUp(ctx);
    EXPECT_TRUE(outcome.ok) << outcome.message;
  }
  testing::ProgramFolder folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  sim::SimulatedLink usb;
  AppContext ctx{clock, panel, usb};
};

TEST_F(ConnectionEndToEnd, ScanIdentifiesLoadsTypesAndDetectsTheW25Q64) {
  ctx.ChipFrame.cmbChipType.Clear();
  ScanForProgrammer(ctx);

  EXPECT_TRUE(ctx.link.LinkOpen());
  EXPECT_EQ(ctx.DeviceInfo.DevName, "Velor");
  EXPECT_EQ(ctx.ChipFrame.cmbChipType.items.size(), 8u) << "the Velor's chip types";
  EXPECT_EQ(ctx.ChipFrame.cmbChipType.text, "25 FLASH");
  EXPECT_EQ(ctx.ChipFrame.cmbDownChipManuf.text, "WINBOND");
  EXPECT_EQ(ctx.ChipFrame.cmbDownChipName.text, "W25Q64");
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "W25Q64");
  EXPECT_EQ(ctx.CurrentPrj.ChipSize, 8u << 20);

  const std::vector<LogEntry>& lines = ctx.log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].colour, LogColour::Highlight) << "the programmer line";
  EXPECT_EQ(lines[1].text, "14:00:00 检测并识别到芯片，型号：W25Q64 容量：8MB");
  EXPECT_EQ(lines[1].colour, LogColour::Success);

  sim::SimulatedProgrammer& programmer = usb.programmer();
  EXPECT_EQ(programmer.wire().CountFrames(kOpReadChipId), 1u);
  ASSERT_TRUE(programmer.chip_parameters().has_value());
  EXPECT_EQ(programmer.chip_parameters()->type, 1) << "25 FLASH";
  EXPECT_EQ(programmer.chip_parameters()->chip_size, 8u << 20);
}

sim::SimulatorConfig BootLoaderConfig() {
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.start_in_boot_loader = true;
  return config;
}

struct ConnectionToBootLoader : ConnectionEndToEnd {
  ConnectionToBootLoader() : ConnectionEndToEnd(BootLoaderConfig()) {}
};

TEST_F(ConnectionToBootLoader, NoChipTypesAndNoDetection) {
  const std::vector<std::string> types = ctx.ChipFrame.cmbChipType.items;
  ScanForProgrammer(ctx);
  EXPECT_TRUE(ctx.link.LinkOpen());
  EXPECT_EQ(usb.programmer().wire().CountFrames(kOpReadChipId), 0u);
  EXPECT_EQ(ctx.ChipFrame.cmbChipType.items, types);
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C02");
  EXPECT_EQ(ctx.log.Lines().size(), 1u);
}

// The hardware information dialog.
struct HardwareInfo : ::testing::Test {
  explicit HardwareInfo(bool with_languages = false) : folder(false, with_languages) {
    ctx.Paths = PortablePaths(folder.path());
    clock.SetTimeOfDay(9, 0, 0);
    ctx.DeviceInfo.FirmVer = "V1.2.3";
    ctx.DeviceInfo.HardVer = "HW-V2.1";
    ctx.DeviceInfo.DevName = "Velor";
    ctx.DeviceInfo.DevSN = "SN-7";
    EXPECT_TRUE(ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId));
    ctx.link.MarkLinked();
  }
  testing::ProgramFolder folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
};

TEST_F(HardwareInfo, OfflineBothHandlersOnlyLogTheOfflineLine) {
  ctx.link.MarkUnlinked();
  EXPECT_FALSE(MenuHardInfoClick(ctx).has_value());
  EXPECT_FALSE(sbDevInfoClick(ctx).has_value());
  ASSERT_EQ(ctx.log.Lines().size(), 2u);
  for (const LogEntry& line : ctx.log.Lines()) {
    EXPECT_EQ(line.text, "09:00:00 设备离线");
    EXPECT_EQ(line.colour, LogColour::Error);
  }
}

TEST_F(HardwareInfo, TheMenuShowsEverythingTheButtonOnlyModelAndSerial) {
  const std::optional<HardwareInfoView> menu = MenuHardInfoClick(ctx);
  ASSERT_TRUE(menu.has_value());
  EXPECT_TRUE(menu->VersionsVisible);
  EXPECT_EQ(menu->Caption, "硬件信息");
  EXPECT_EQ(menu->DevNameLabel, "设备名：");
  EXPECT_EQ(menu->SerialLabel, "序列号：");
  EXPECT_EQ(menu->FirmwareLabel, "固件版本：");
  EXPECT_EQ(menu->HardwareLabel, "硬件版本：");
  EXPECT_EQ(menu->FirmVer, "V1.2.3");
  EXPECT_EQ(menu->HardVer, "HW-V2.1");
  EXPECT_EQ(menu->DevName, "Velor");
  EXPECT_EQ(menu->DevSN, "SN-7");

  const std::optional<HardwareInfoView> button = sbDevInfoClick(ctx);
  ASSERT_TRUE(button.has_value());
  EXPECT_FALSE(button->VersionsVisible);
  EXPECT_EQ(button->DevSN, "SN-7");
  EXPECT_TRUE(ctx.log.Lines().empty());
}

struct HardwareInfoWithLanguages : HardwareInfo {
  HardwareInfoWithLanguages() : HardwareInfo(true) {}
};

TEST_F(HardwareInfoWithLanguages, LabelsComeFromTheCurrentLanguageFileEachTime) {
  ctx.DeviceInfo.Language = 2;
  EXPECT_EQ(MenuHardInfoClick(ctx)->Caption, "Hardware Information");
  EXPECT_EQ(MenuHardInfoClick(ctx)->DevNameLabel, "Model:");
  folder.WriteFile("EN.ini", "[HardInfo]\nDevName=Programmer:\n");
  const HardwareInfoView view = *MenuHardInfoClick(ctx);
  EXPECT_EQ(view.DevNameLabel, "Programmer:");
  EXPECT_EQ(view.Caption, "硬件信息") << "a key the file lacks takes the built-in text";
}

}  // namespace
}  // namespace tessary
