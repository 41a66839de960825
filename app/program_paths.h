// Where the program keeps its files. Every folder and file name the program
// reads or writes on its own (catalogue, settings, languages, pictures, temp,
// production records, firmware packages) comes from here.
//
// Portable: the catalogue login.dat sits beside the executable, and every
// file lives in that folder as it always has. Installed: the read-only data
// sits in <prefix>/share/tessary, and the user's writable files live in the
// user's XDG folders:
//   settings        $XDG_CONFIG_HOME/tessary/dev.ini    (~/.config)
//   catalogue copy  $XDG_DATA_HOME/tessary/login.dat    (~/.local/share)
//   records, iap    $XDG_DATA_HOME/tessary/
//   temp            $XDG_CACHE_HOME/tessary/temp        (~/.cache)
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/language_texts.h"
#include "catalogue/catalogue_upgrade.h"

namespace tessary {

inline constexpr char kCatalogueFileName[] = "login.dat";
inline constexpr char kSettingsFileName[] = "dev.ini";
inline constexpr char kProgramDirName[] = "tessary";

enum class InstallForm : std::uint8_t { Portable, Installed };

// The environment variables the installed form reads; an unset variable is
// nullopt. Passed in, so the decision can be tested without touching the
// process environment.
struct PathEnvironment {
  std::optional<std::string> home;
  std::optional<std::string> xdg_config_home;
  std::optional<std::string> xdg_data_home;
  std::optional<std::string> xdg_cache_home;
};

// The variables of the running process (HOME falls back to the password
// database's home folder when unset).
[[nodiscard]] PathEnvironment ProcessEnvironment();

// The folder of the running executable.
[[nodiscard]] std::filesystem::path ExecutableFolder();

class ProgramPaths {
 public:
  // Portable in an empty folder: what a context has before it is told.
  ProgramPaths() = default;

  [[nodiscard]] InstallForm Form() const { return form_; }
  [[nodiscard]] bool Installed() const { return form_ == InstallForm::Installed; }

  // Read-only data: languages, Icon pictures, the factory catalogue, the
  // example simulator configuration and the shipped firmware packages.
  [[nodiscard]] const std::filesystem::path& DataFolder() const { return data_; }
  [[nodiscard]] std::filesystem::path IconFolder() const { return data_ / "Icon"; }
  // The catalogue as shipped. Portable: the one the program opens.
  [[nodiscard]] std::filesystem::path FactoryCatalogue() const { return data_ / kCatalogueFileName; }
  [[nodiscard]] std::filesystem::path SimulatorExample() const { return data_ / "simulator.ini"; }

  // The folder holding the catalogue the program opens and changes (user
  // chips); its file is CatalogueFile().
  [[nodiscard]] const std::filesystem::path& CatalogueFolder() const { return user_data_; }
  [[nodiscard]] std::filesystem::path CatalogueFile() const { return user_data_ / kCatalogueFileName; }
  [[nodiscard]] std::filesystem::path SettingsFile() const { return config_ / kSettingsFileName; }
  [[nodiscard]] std::filesystem::path TempFolder() const { return cache_ / "temp"; }
  [[nodiscard]] std::filesystem::path RecordsFolder() const { return user_data_ / "records"; }
  // Where the program stores firmware packages it is given.
  [[nodiscard]] std::filesystem::path UserIapFolder() const { return user_data_ / "iap"; }
  // Every folder a firmware package is looked for in, the user's first,
  // then the shipped one; one entry when portable.
  [[nodiscard]] std::vector<std::filesystem::path> IapFolders() const;

  // The folders the program writes into (settings, catalogue, records,
  // iap, temp), for creating them.
  [[nodiscard]] std::vector<std::filesystem::path> WritableFolders() const;

  friend ProgramPaths PortablePaths(const std::filesystem::path& folder);
  friend std::optional<ProgramPaths> InstalledPaths(const std::filesystem::path& data_folder,
                                                    const PathEnvironment& environment,
                                                    std::string& error);

 private:
  InstallForm form_ = InstallForm::Portable;
  std::filesystem::path data_;
  std::filesystem::path config_;
  std::filesystem::path user_data_;
  std::filesystem::path cache_;
};

// Everything in `folder`.
[[nodiscard]] ProgramPaths PortablePaths(const std::filesystem::path& folder);

// Read-only data in `data_folder`, the rest in the user's folders. An XDG
// variable counts when it is set to an absolute path; otherwise the usual
// folder under HOME. Without a usable HOME: nullopt and `error` says so.
[[nodiscard]] std::optional<ProgramPaths> InstalledPaths(const std::filesystem::path& data_folder,
                                                         const PathEnvironment& environment,
                                                         std::string& error);

// The decision: portable when the catalogue sits beside the executable in
// `executable_folder`, otherwise installed with the data in
// `executable_folder/../share/tessary`.
[[nodiscard]] std::optional<ProgramPaths> DecidePaths(const std::filesystem::path& executable_folder,
                                                      const PathEnvironment& environment,
                                                      std::string& error);

// Makes the installed form ready to run: creates the writable folders, and
// copies the factory catalogue to the user's folder at first start, or
// upgrades the user's copy when the factory one is newer (its factory rows
// replaced, the user's own chips kept). Nothing to do when portable. False
// with `error` when a folder or the catalogue cannot be made; `note` tells
// of a copy or an upgrade done (empty otherwise).
[[nodiscard]] bool PrepareUserFiles(const ProgramPaths& paths, std::string& note,
                                    std::string& error);

// The same, handing back what was done to the catalogue, so the window can
// tell of it in its own language once the language is loaded.
[[nodiscard]] bool PrepareUserFiles(const ProgramPaths& paths, CatalogueSyncResult& sync,
                                    std::string& error);

// The window's note of a copy or an upgrade of the user's catalogue, in the
// language of `texts`; empty when the catalogue was already up to date.
[[nodiscard]] std::string CatalogueSyncNote(const Dev_Language_Struct& texts,
                                            const CatalogueSyncResult& sync,
                                            const std::filesystem::path& catalogue);

}  // namespace tessary
