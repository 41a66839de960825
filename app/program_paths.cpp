// The one place that decides where the program's files are.
#include "app/program_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "catalogue/catalogue_upgrade.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

// An XDG base folder: the variable when it holds an absolute path (the
// rule for these variables: a relative one is ignored), else HOME/fallback.
fs::path BaseFolder(const std::optional<std::string>& variable, const fs::path& home,
                    const char* fallback) {
  if (variable && !variable->empty() && fs::path(*variable).is_absolute()) return *variable;
  return home / fallback;
}

}  // namespace

PathEnvironment ProcessEnvironment() {
  PathEnvironment environment{Variable("HOME"), Variable("XDG_CONFIG_HOME"),
                              Variable("XDG_DATA_HOME"), Variable("XDG_CACHE_HOME")};
  if (!environment.home || environment.home->empty()) {
    // Started without HOME (from a service, sudo -H...): the account's home.
    if (const passwd* account = getpwuid(getuid()); account && account->pw_dir) {
      environment.home = account->pw_dir;
    }
  }
  return environment;
}

fs::path ExecutableFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::current_path(error) : self.parent_path();
}

std::vector<fs::path> ProgramPaths::IapFolders() const {
  if (!Installed()) return {UserIapFolder()};
  return {UserIapFolder(), data_ / "iap"};
}

std::vector<fs::path> ProgramPaths::WritableFolders() const {
  std::vector<fs::path> folders{config_, user_data_, RecordsFolder(), UserIapFolder(), TempFolder()};
  return folders;
}

ProgramPaths PortablePaths(const fs::path& folder) {
  ProgramPaths paths;
  paths.form_ = InstallForm::Portable;
  paths.data_ = folder;
  paths.config_ = folder;
  paths.user_data_ = folder;
  paths.cache_ = folder;
  return paths;
}

std::optional<ProgramPaths> InstalledPaths(const fs::path& data_folder,
                                           const PathEnvironment& environment, std::string& error) {
  const std::string home = environment.home.value_or("");
  if (home.empty() || !fs::path(home).is_absolute()) {
    error = "HOME is not set to an absolute folder, so there is no place for the settings and "
            "the chip catalogue of this user. Set HOME, or run the portable program folder.";
    return std::nullopt;
  }
  ProgramPaths paths;
  paths.form_ = InstallForm::Installed;
  paths.data_ = data_folder;
  paths.config_ = BaseFolder(environment.xdg_config_home, home, ".config") / kProgramDirName;
  paths.user_data_ = BaseFolder(environment.xdg_data_home, home, ".local/share") / kProgramDirName;
  paths.cache_ = BaseFolder(environment.xdg_cache_home, home, ".cache") / kProgramDirName;
  return paths;
}

std::optional<ProgramPaths> DecidePaths(const fs::path& executable_folder,
                                        const PathEnvironment& environment, std::string& error) {
  std::error_code ec;
  if (fs::is_regular_file(executable_folder / kCatalogueFileName, ec)) {
    return PortablePaths(executable_folder);
  }
  const fs::path data = (executable_folder.parent_path() / "share" / kProgramDirName).lexically_normal();
  return InstalledPaths(data, environment, error);
}

bool PrepareUserFiles(const ProgramPaths& paths, std::string& note, std::string& error) {
  note.clear();
  CatalogueSyncResult sync;
  if (!PrepareUserFiles(paths, sync, error)) return false;
  switch (sync.outcome) {
    case CatalogueSync::Copied:
      note = "Chip catalogue " + sync.new_version + " copied to " + paths.CatalogueFile().string();
      break;
    case CatalogueSync::Upgraded:
      note = "Chip catalogue upgraded from " + sync.old_version + " to " + sync.new_version + ", " +
             std::to_string(sync.kept_user_chips) + " user chip(s) kept";
      break;
    case CatalogueSync::UpToDate:
    case CatalogueSync::Failed:
      break;
  }
  return true;
}

std::string CatalogueSyncNote(const Dev_Language_Struct& texts, const CatalogueSyncResult& sync,
                              const fs::path& catalogue) {
  switch (sync.outcome) {
    case CatalogueSync::Copied:
      return texts.LogCatalogueCopied + sync.new_version + " -> " + catalogue.string();
    case CatalogueSync::Upgraded:
      return texts.LogCatalogueUpgraded + sync.old_version + " -> " + sync.new_version +
             texts.LogUserChipsKept + std::to_string(sync.kept_user_chips);
    case CatalogueSync::UpToDate:
    case CatalogueSync::Failed:
      break;
  }
  return {};
}

bool PrepareUserFiles(const ProgramPaths& paths, CatalogueSyncResult& sync, std::string& error) {
  sync = {};
  if (!paths.Installed()) return true;
  for (const fs::path& folder : paths.WritableFolders()) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
      error = "Cannot create the folder " + folder.string() + ": " + ec.message();
      return false;
    }
  }
  sync = SyncUserCatalogue(paths.FactoryCatalogue(), paths.CatalogueFile());
  switch (sync.outcome) {
    case CatalogueSync::UpToDate:
    case CatalogueSync::Copied:
    case CatalogueSync::Upgraded:
      return true;
    case CatalogueSync::Failed:
      error = sync.error;
      return false;
  }
  error = "The chip catalogue could not be prepared.";
  return false;
}

}  // namespace tessary
