// The operator's choices kept between runs in dev.ini beside the executable:
// read once at start-up, written once when the main window closes.
#pragma once

#include <filesystem>
#include <string>

#include "app/app_context.h"
#include "app/profile_file.h"

namespace tessary {

// Settings whose home records do not hold them yet.
struct SettingsExtras {
  std::string File;  // SystemOption/File: the last data file (the buffer's file name)
  bool AutoDetect =
      true;  // PrjInfo/AutoDetect: detection picks the first of several chips with one ID
};

inline constexpr char kSettingsFileName[] = "dev.ini";
inline constexpr char kFallbackDefaultMode[] = "Velor";

[[nodiscard]] std::filesystem::path SettingsFilePath(const std::filesystem::path& program_dir);

// Reads every key (missing ones give their defaults, long texts are cut to
// the buffer) into the records and `extras`, then zeroes the run counters.
void LoadSettings(AppContext& ctx, const ProfileFile& profile, SettingsExtras& extras);

// Writes every key back, numbers with a leading space as " %i" gives them.
void SaveSettings(const AppContext& ctx, ProfileFile& profile, const SettingsExtras& extras);

// A default model of fewer than 4 or more than 8 characters cannot be a
// model name; it becomes "Velor". Run after the settings are loaded.
void NormaliseDefaultMode(Dev_Inf_Struct& info);

}  // namespace tessary
