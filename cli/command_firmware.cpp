// tessary-cli firmware update [PACKAGE] and tessary-cli firmware list: the
// programmer's firmware update, with the automatic package choice or a
// package named on the command line, and the packages that choice sees.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "app/device_connection.h"
#include "app/firmware_update_handlers.h"
#include "cli/commands.h"
#include "firmware/firmware_package.h"

namespace tessary::cli {
namespace {

struct FirmwareOptions {
  std::string package;          // empty: the automatic choice
  bool in_boot_loader = false;  // the window's boot loader box
};

// The update follows the programmer off the bus and back: removals and
// arrivals go through the device connection, as in the window.
void FollowTheProgrammer(ProgrammerSession& session) {
  AppContext& ctx = session.context();
  auto servicing = std::make_shared<bool>(false);
  ctx.link.usb().SetPresenceHandler([&ctx](PresenceEvent event) {
    switch (event) {
      case PresenceEvent::Arrived:
        ScanForProgrammer(ctx);
        break;
      case PresenceEvent::Removed:
        OnProgrammerRemoved(ctx);
        break;
    }
  });
  // An arrival's identification waits and pumps again; notices coming
  // meanwhile wait for the next round instead of nesting.
  session.panel().SetPump([&ctx, servicing] {
    if (*servicing) return;
    *servicing = true;
    ctx.link.usb().ServiceEvents();
    *servicing = false;
  });
}

int RunUpdate(const TransportOptions& transport, const FirmwareOptions& options) {
  std::string error;
  ProgrammerSession session(transport, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  session.panel().ShowAllLines();
  if (!session.OpenProgrammer(error)) return ReportFailure(error, session.OpenExitCode());
  AppContext& ctx = session.context();
  FollowTheProgrammer(session);

  FirmwareUpdateRequest request;
  request.boot_ready = options.in_boot_loader;
  if (!options.package.empty()) request.named_package = std::filesystem::path(options.package);
  request.choose_package = [](const PackageDialogRequest&) -> std::optional<std::filesystem::path> {
    ReportFailure("the programmer runs its boot loader (or --in-boot-loader was given): name the "
                  "package to update from, as in: tessary-cli firmware update PACKAGE",
                  kExitUsage);
    return std::nullopt;
  };
  request.log = [](std::string_view line) {
    std::printf("%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(stdout);
  };
  std::printf("Programmer: %s, firmware %s\n", ctx.DeviceInfo.DevName.c_str(),
              ctx.DeviceInfo.FirmVer.c_str());
  const FirmwareUpdateResult result = UpdateFirmware(ctx, request);
  session.panel().SetPump(nullptr);
  switch (result) {
    case FirmwareUpdateResult::Updated:
      std::printf("Updated: %s now runs firmware %s\n", ctx.DeviceInfo.DevName.c_str(),
                  ctx.DeviceInfo.FirmVer.c_str());
      return kExitOk;
    case FirmwareUpdateResult::NotStarted:
      return ReportFailure("no update: no package was chosen; nothing was sent", kExitFailure);
    case FirmwareUpdateResult::BadPackage:
      return ReportFailure("the package was refused; nothing was sent to the programmer",
                           kExitFailure);
    case FirmwareUpdateResult::Failed:
      return ReportFailure("the update failed; the programmer waits in its boot loader. Retry "
                           "with: tessary-cli firmware update --in-boot-loader PACKAGE",
                           kExitFailure);
    case FirmwareUpdateResult::NotBack:
      return ReportFailure("the new firmware was accepted, but the programmer did not come back "
                           "with it; unplug it, plug it in again and check its version",
                           kExitFailure);
  }
  return kExitFailure;
}

int RunList(const TransportOptions& transport) {
  std::string error;
  ProgrammerSession session(transport, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (!session.OpenProgrammer(error)) return ReportFailure(error, session.OpenExitCode());
  const AppContext& ctx = session.context();
  const Dev_Inf_Struct& info = ctx.DeviceInfo;
  const std::vector<std::filesystem::path> folders = FirmwarePackageFolders(ctx);
  const AutomaticChoice choice = ChoosePackage(folders, info.DevName, info.FirmVer);

  std::printf("Programmer: %s, firmware %s", info.DevName.c_str(), info.FirmVer.c_str());
  if (choice.running_version) std::printf(" (version %d)", *choice.running_version);
  std::printf("\n");
  for (const std::filesystem::path& folder : folders) {
    std::printf("Folder: %s\n", folder.c_str());
    bool any = false;
    for (std::size_t i = 0; i < choice.listed.size(); ++i) {
      const ListedPackage& package = choice.listed[i];
      if (package.path.parent_path() != folder) continue;
      any = true;
      std::printf("  %-24s ", package.file_name.c_str());
      if (!package.suits_model) {
        std::printf("not for %s\n", info.DevName.c_str());
      } else if (!package.version) {
        std::printf("version unreadable from the name\n");
      } else {
        std::printf("version %d%s\n", *package.version,
                    choice.chosen == i ? "  <- automatic choice" : "");
      }
    }
    if (!any) std::printf("  (no packages)\n");
  }
  switch (choice.outcome) {
    case AutomaticChoiceOutcome::Chosen:
      std::printf("Automatic choice: %s\n", choice.listed.at(*choice.chosen).file_name.c_str());
      break;
    case AutomaticChoiceOutcome::NoPackages:
      std::printf("Automatic choice: none (no *.iap package in the folders)\n");
      break;
    case AutomaticChoiceOutcome::NoneNewer:
      std::printf("Automatic choice: none (no package for this model is newer than the running "
                  "firmware)\n");
      break;
    case AutomaticChoiceOutcome::RunningVersionUnknown:
      std::printf("Automatic choice: none (the running firmware's version cannot be read; name "
                  "the package: tessary-cli firmware update PACKAGE)\n");
      break;
  }
  return kExitOk;
}

}  // namespace

void AddFirmwareCommand(CLI::App& app, CommandContext& context) {
  CLI::App* firmware = app.add_subcommand("firmware", "The programmer's firmware: update it from "
                                                      "an .iap package, or list the packages");
  firmware->require_subcommand(1);

  auto options = std::make_shared<FirmwareOptions>();
  CLI::App* update = firmware->add_subcommand(
      "update", "Update the programmer's firmware from PACKAGE, or without it from the newest "
                "package for its model in the iap folders (the program's, and the user's "
                "when installed). Exit status 0 only when the programmer runs the new "
                "firmware");
  update->add_option("PACKAGE", options->package, "The .iap package to update from")
      ->type_name("FILE");
  update->add_flag("--in-boot-loader", options->in_boot_loader,
                   "The programmer already runs its boot loader (after a failed update): send no "
                   "restart request; needs PACKAGE");
  update->callback([&context, options] { context.exit_code = RunUpdate(context.transport, *options); });

  CLI::App* list = firmware->add_subcommand(
      "list", "List the packages in the iap folder with their versions for the connected "
              "programmer, and which one the automatic choice takes");
  list->callback([&context] { context.exit_code = RunList(context.transport); });
}

}  // namespace tessary::cli
