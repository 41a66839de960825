// The operator's choices kept between runs in dev.ini (ProgramPaths::SettingsFile):
// read once at start-up, written once when the main window closes.
#pragma once

#include <filesystem>
#include <string>

#include "app/app_context.h"
#include "base/profile_file.h"

namespace tessary {

inline constexpr char kFallbackDefaultMode[] = "Velor";

// The file dialogs' folder before one was chosen: the user's home folder
// ($HOME), or the current folder when there is none.
[[nodiscard]] std::string DefaultFileFolder();

// Reads every key (missing ones give their defaults, long texts are cut to
// the buffer) into the records, then zeroes the run counters.
void LoadSettings(AppContext& ctx, const ProfileFile& profile);

// Writes every key back, numbers with a leading space as " %i" gives them.
void SaveSettings(const AppContext& ctx, ProfileFile& profile);

// A default model of fewer than 4 or more than 8 characters cannot be a
// model name; it becomes "Velor". Run after the settings are loaded.
void NormaliseDefaultMode(Dev_Inf_Struct& info);

}  // namespace tessary
