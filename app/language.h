// Applying the current language to the main window, and the language menu.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/language_files.h"

namespace tessary {

class AppContext;

// What applying a language decided for the main window; the window renders
// it.
struct LanguageState {
  std::int32_t language = 0;
  LanguageMenuItem checked_item = LanguageMenuItem::SimplifiedChinese;
  // Applying the language only ticks checked_item; choosing one from the
  // menu also unticks the other two.
  bool uncheck_others = false;
  std::string title;  // main window caption and application title
  MainWindowCaptions captions;
  int socket_item_index = 0;  // rgbSocketType selection after the items are rebuilt
  std::array<std::string, 2> status_panels;
};

// Reloads ctx.Texts from the current language's file, sets status-bar
// panels 0 and 1 (online: DevConStaOnline + ": " + DevName and
// DevConVersion + FirmVer; offline: DevConStaOffline and empty), selects the
// first programming-mode item and returns the captions to show.
LanguageState ApplyLanguage(AppContext& ctx, const std::filesystem::path& program_dir);

// The language menu: stores the code, applies it, and tells a linked Skar
// programmer the new language (command 0x14; its result is ignored).
LanguageState ChooseLanguage(AppContext& ctx, std::int32_t language,
                             const std::filesystem::path& program_dir);

}  // namespace tessary
