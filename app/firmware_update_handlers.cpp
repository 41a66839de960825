// The firmware update window's handlers and the update procedure.
#include "app/firmware_update_handlers.h"

#include <cstdio>

#include "app/app_context.h"
#include "app/operation_handlers.h"
#include "base/language_files.h"
#include "base/profile_file.h"
#include "firmware/firmware_update.h"

namespace tessary {
namespace {

constexpr std::string_view kSection = "FirmUpdate";
constexpr std::string_view kBootPrefix = "BOOT";
constexpr std::size_t kDisplayNameLimit = 64;

// Waits around the restarts, in 10 us ticks, and the polls that follow them.
constexpr std::uint32_t kBootStartWaitTicks = 500000;   // 5 s
constexpr std::uint32_t kRestartWaitTicks = 50000;      // 500 ms
constexpr std::uint32_t kPollTicks = 10000;             // 100 ms
constexpr int kPolls = 100;
constexpr std::uint32_t kCloseWaitTicks = 200000;       // 2 s

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The messages of the failure paths, in the current language.
struct UpdateTexts {
  std::string VersionUnreadable, RunningVersionUnknown, PackageUnreadable, PackageTooShort,
      PackageUnknownFormat, PackageDirectoryCut, PackageNoImage, PackageImageEmpty,
      PackageImageOutside, BlockUnanswered, LinkLost, CheckRejected, CheckUnanswered, NotBack,
      RetryAdvice;
};

UpdateTexts ReadUpdateTexts(const AppContext& ctx) {
  const ProfileFile language(LanguageFilePath(ctx.Paths.DataFolder(), ctx.DeviceInfo.Language));
  const auto text = [&](std::string_view key) { return ReadMessageText(language, kSection, key); };
  UpdateTexts t;
  t.VersionUnreadable = text("VersionUnreadable");
  t.RunningVersionUnknown = text("RunningVersionUnknown");
  t.PackageUnreadable = text("PackageUnreadable");
  t.PackageTooShort = text("PackageTooShort");
  t.PackageUnknownFormat = text("PackageUnknownFormat");
  t.PackageDirectoryCut = text("PackageDirectoryCut");
  t.PackageNoImage = text("PackageNoImage");
  t.PackageImageEmpty = text("PackageImageEmpty");
  t.PackageImageOutside = text("PackageImageOutside");
  t.BlockUnanswered = text("BlockUnanswered");
  t.LinkLost = text("LinkLost");
  t.CheckRejected = text("CheckRejected");
  t.CheckUnanswered = text("CheckUnanswered");
  t.NotBack = text("NotBack");
  t.RetryAdvice = text("RetryAdvice");
  return t;
}

std::string_view ProblemText(const UpdateTexts& t, PackageProblem problem) {
  switch (problem) {
    case PackageProblem::None: return {};
    case PackageProblem::TooShort: return t.PackageTooShort;
    case PackageProblem::UnknownFormat: return t.PackageUnknownFormat;
    case PackageProblem::DirectoryCut: return t.PackageDirectoryCut;
    case PackageProblem::NoImage: return t.PackageNoImage;
    case PackageProblem::ImageEmpty: return t.PackageImageEmpty;
    case PackageProblem::ImageOutsideFile: return t.PackageImageOutside;
  }
  return {};
}

// Progress of the transfer on the window's bar and the main status bar.
class TransferProgress final : public ImageTransferEvents {
 public:
  explicit TransferProgress(AppContext& ctx) : ctx_(ctx) {}
  void BlockSent(std::uint32_t position, std::uint32_t maximum) override {
    ctx_.panel.SetProgressMaximum(ProgressBar::Firmware, maximum);
    ctx_.panel.SetProgressPosition(ProgressBar::Firmware, position);
    const std::uint64_t percent = maximum == 0 ? 100 : std::uint64_t{position} * 100 / maximum;
    ctx_.SetStatusPanel(1, std::to_string(position) + "/" + std::to_string(maximum) + "=>" +
                               std::to_string(percent) + "%");
  }
  void BlockResent(std::uint32_t, int) override { ctx_.SetStatusPanel(1, "下载失败"); }

 private:
  AppContext& ctx_;
};

// Polls after a restart until the device connection has the programmer
// back in the wanted firmware. The waits pump events but leave the link
// free, so the arrival handling can open and identify the programmer.
bool AwaitProgrammer(AppContext& ctx, std::uint32_t first_wait_ticks, bool in_boot_loader) {
  ctx.waiter.WaitTicks(first_wait_ticks);
  for (int poll = 0; poll < kPolls; ++poll) {
    ctx.waiter.WaitTicks(kPollTicks);
    if (ctx.link.LinkOpen() && StartsWith(ctx.DeviceInfo.FirmVer, kBootPrefix) == in_boot_loader)
      return true;
  }
  return false;
}

struct ChosenPackage {
  std::filesystem::path path;
  std::string display_name;
};

std::optional<ChosenPackage> ChooseByHand(AppContext& ctx, const FirmwareUpdateRequest& request) {
  if (!request.choose_package) return std::nullopt;
  PackageDialogRequest dialog;
  dialog.folder = FirmwarePackageFolders(ctx).front();
  const std::optional<std::filesystem::path> path = request.choose_package(dialog);
  if (!path) return std::nullopt;
  std::string name(PackageFileName(path->string()));
  if (name.size() > kDisplayNameLimit) name.resize(kDisplayNameLimit);
  return ChosenPackage{*path, name};
}

std::optional<ChosenPackage> ChooseAutomatically(AppContext& ctx, const UpdateTexts& t,
                                                 const FirmwareUpdateRequest& request) {
  const std::vector<std::filesystem::path> folders = FirmwarePackageFolders(ctx);
  const AutomaticChoice choice =
      ChoosePackage(folders, ctx.DeviceInfo.DevName, ctx.DeviceInfo.FirmVer);
  request.log("IAP File List:");
  for (const ListedPackage& package : choice.listed) {
    if (!package.suits_model) continue;
    request.log(package.version ? package.file_name : package.file_name + " " + t.VersionUnreadable);
  }
  switch (choice.outcome) {
    case AutomaticChoiceOutcome::Chosen: {
      const ListedPackage& chosen = choice.listed.at(*choice.chosen);
      return ChosenPackage{chosen.path, chosen.file_name};
    }
    case AutomaticChoiceOutcome::NoPackages:
      request.log("IAP文件夹下，没有找到升级文件包，请确认！");
      return std::nullopt;
    case AutomaticChoiceOutcome::NoneNewer:
      request.log("IAP文件夹下，没有找到可用的升级文件包，请确认！");
      return std::nullopt;
    case AutomaticChoiceOutcome::RunningVersionUnknown:
      request.log(t.RunningVersionUnknown);
      return std::nullopt;
  }
  return std::nullopt;
}

// Reads and checks the whole package; the image, or nullopt after the log
// lines saying why not.
std::optional<std::vector<std::uint8_t>> LoadImage(const ChosenPackage& package,
                                                   const UpdateTexts& t,
                                                   const FirmwareUpdateRequest& request) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!ReadPackageFile(package.path, bytes, error)) {
    request.log(t.PackageUnreadable + " " + error);
    return std::nullopt;
  }
  const PackageCheck check = CheckFirmwarePackage(bytes);
  if (!check.ok()) {
    request.log("IAP文件格式异常，请确认！");
    request.log(std::string(ProblemText(t, check.problem)));
    return std::nullopt;
  }
  const auto first = bytes.begin() + check.image.offset;
  return std::vector<std::uint8_t>(first, first + check.image.length);
}

std::string Seconds(std::uint32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", ms / 1000.0);
  return text;
}

// Reports a failed transfer; the programmer stays in its boot loader.
void ReportTransferFailure(AppContext& ctx, const UpdateTexts& t,
                           const FirmwareUpdateRequest& request, ImageTransfer result) {
  switch (result) {
    case ImageTransfer::Finished:
      return;
    case ImageTransfer::BlockUnanswered:
      ctx.SetStatusPanel(1, "下载失败");
      request.log(t.BlockUnanswered);
      break;
    case ImageTransfer::LinkLost:
      ctx.SetStatusPanel(0, "设备连接:");
      ctx.SetStatusPanel(1, "未连接，请确认！");
      request.log(t.LinkLost);
      break;
    case ImageTransfer::CheckUnanswered:
    case ImageTransfer::CheckRejected:
      ctx.SetStatusPanel(0, "IAP校验");
      ctx.SetStatusPanel(1, "校验错误");
      request.log(result == ImageTransfer::CheckRejected ? t.CheckRejected : t.CheckUnanswered);
      break;
  }
  request.log(t.RetryAdvice);
}

// Locks the main window's operations while the update runs.
class OperationLock {
 public:
  explicit OperationLock(AppContext& ctx) : ctx_(ctx), was_(ctx.Window.OperationRunning) {
    ctx_.Window.OperationRunning = true;
    ctx_.panel.MainWindowStateChanged();
  }
  ~OperationLock() {
    ctx_.Window.OperationRunning = was_;
    ctx_.panel.MainWindowStateChanged();
  }
  OperationLock(const OperationLock&) = delete;
  OperationLock& operator=(const OperationLock&) = delete;

 private:
  AppContext& ctx_;
  bool was_;
};

}  // namespace

std::optional<UpdateWindowView> MenuFirmUpdateClick(AppContext& ctx) {
  if (!ctx.link.LinkOpen()) {
    ctx.log.ReportDeviceOffline(ctx.Texts.DevConStaOffline);
    return std::nullopt;
  }
  const ProfileFile language(LanguageFilePath(ctx.Paths.DataFolder(), ctx.DeviceInfo.Language));
  UpdateWindowView view;
  view.Caption = ReadDialogText(language, kSection, "FirmPageTitle", "固件版本更新");
  view.StartButton = ReadDialogText(language, kSection, "StartButton", "启动更新");
  view.BootReadyCaption = "已处于BOOT模式，直接更新";
  view.Warning = "注意：程序更新过程中，务必不能断电！否则，烧录器可能有不可逆损坏。    ";
  return view;
}

std::vector<std::filesystem::path> FirmwarePackageFolders(const AppContext& ctx) {
  return ctx.Paths.IapFolders();
}

FirmwareUpdateResult UpdateFirmware(AppContext& ctx, const FirmwareUpdateRequest& given) {
  FirmwareUpdateRequest request = given;
  if (!request.log) request.log = [](std::string_view) {};
  // A click handled while a chip operation waits would find the link busy.
  if (ctx.Window.OperationRunning || ctx.Window.MassRunning || ctx.link.Waiting()) {
    request.log(ctx.Texts.LogOperationRunning);
    return FirmwareUpdateResult::NotStarted;
  }
  const OperationLock lock(ctx);
  const UpdateTexts t = ReadUpdateTexts(ctx);
  if (request.clear_log) request.clear_log();
  const std::uint32_t start_ms = ctx.clock.TickCountMs();

  const bool manual = request.boot_ready || StartsWith(ctx.DeviceInfo.FirmVer, kBootPrefix);
  std::optional<ChosenPackage> package;
  if (request.named_package) {
    package = ChosenPackage{*request.named_package,
                            std::string(PackageFileName(request.named_package->string()))};
  } else {
    package = manual ? ChooseByHand(ctx, request) : ChooseAutomatically(ctx, t, request);
  }
  if (!package) return FirmwareUpdateResult::NotStarted;

  // The whole package is checked before the programmer is asked to restart,
  // so a bad one never leaves a working programmer in its boot loader.
  const std::optional<std::vector<std::uint8_t>> image = LoadImage(*package, t, request);
  if (!image) return FirmwareUpdateResult::BadPackage;

  request.log("File：" + package->display_name + ",更新准备中，请稍等...");
  ctx.panel.SetProgressMaximum(ProgressBar::Firmware, 100);
  ctx.panel.SetProgressPosition(ProgressBar::Firmware, 0);

  if (!request.boot_ready) {
    if (!EnterBootMode(ctx.link)) ctx.SetStatusPanel(1, "下载失败");
    request.log("Boot程序启动中，请稍等...");
    if (AwaitProgrammer(ctx, kBootStartWaitTicks, true)) request.log("已进入Boot模式！");
  }

  request.log("File：" + package->display_name + ",系统包下载中，请稍等...");
  TransferProgress progress(ctx);
  const ImageTransfer transfer = SendFirmwareImage(ctx.link, *image, progress);
  if (transfer != ImageTransfer::Finished) {
    ReportTransferFailure(ctx, t, request, transfer);
    return FirmwareUpdateResult::Failed;
  }
  ctx.panel.SetProgressPosition(ProgressBar::Firmware, static_cast<std::int64_t>(image->size()));
  ctx.SetStatusPanel(0, "IAP下载");
  ctx.SetStatusPanel(1, "下载成功");
  request.log("系统烧写完成，共耗时" + Seconds(ctx.clock.TickCountMs() - start_ms) + "s");

  request.log("等待系统重启中，请稍等.");
  if (!AwaitProgrammer(ctx, kRestartWaitTicks, false)) {
    request.log(t.NotBack);
    return FirmwareUpdateResult::NotBack;
  }
  request.log("已进入APP程序！");
  request.log("更新完成，即将关闭更新页面，进入主界面.");
  ctx.waiter.WaitTicks(kCloseWaitTicks);
  ctx.SetStatusPanel(0, ctx.DeviceInfo.DevName);
  ctx.SetStatusPanel(1, ctx.Texts.DevConVersion + ctx.DeviceInfo.FirmVer);
  return FirmwareUpdateResult::Updated;
}

FirmwareUpdateResult btnStartIAPClick(AppContext& ctx, const FirmwareUpdateRequest& request) {
  return UpdateFirmware(ctx, request);
}

}  // namespace tessary
