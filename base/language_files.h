// The language files (CN.ini, TC.ini, EN.ini beside the executable): the
// log and message texts, the captions of the main window with their menu
// access keys and the secondary dialogs' texts.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "base/language_texts.h"
#include "base/profile_file.h"

namespace tessary {

// The file for a language code: 0 CN.ini, 1 TC.ini, anything else EN.ini.
[[nodiscard]] std::filesystem::path LanguageFilePath(const std::filesystem::path& program_dir,
                                                     std::int32_t language);

// The three items of the language menu and the code each one stores.
enum class LanguageMenuItem : std::uint8_t {
  SimplifiedChinese,   // Menu_Settings_Lang_CN, code 0
  TraditionalChinese,  // Menu_Settings_Lang_TC, code 1
  English,             // Menu_Settings_Lang_EN, code 2
};
[[nodiscard]] LanguageMenuItem LanguageItemFor(std::int32_t language);
[[nodiscard]] std::int32_t LanguageCodeOf(LanguageMenuItem item);
[[nodiscard]] std::string_view LanguageMenuObjectName(LanguageMenuItem item);

// Reads the 49 texts (80-byte buffers, 120 for the four long log texts; a
// longer value is cut) and makes field 0 the full window title:
// MainSoftWareInfo + two spaces + app_version.
void LoadLanguageTexts(const ProfileFile& profile, Dev_Language_Struct& texts,
                       const std::string& app_version);

// One main-window caption. The menu item (if any) shows the text followed
// by the access-key suffix; the plain component (tool button, label, group
// box; if any) shows the text unchanged.
struct CaptionEntry {
  std::string_view section;
  std::string_view key;
  std::string_view default_text;
  std::string_view menu;    // menu item object name, or empty
  std::string_view suffix;  // access-key suffix of the menu item, e.g. "(&F)"
  std::string_view plain;   // other component's object name, or empty
};

// The captions in the order the language is applied. The chip-frame
// components (sbChipDetect, sbChipFind, gbChipInfo, lableChipType,
// lableManauf, lableChipName, gbChipInfoDesc) and the labels of its fields
// (named after the field: ledtChipVoltage, ledtChipCap, ledtPageSize,
// ledtChipOTPSize) are included, and so is the caption of rgbSocketType.
[[nodiscard]] std::span<const CaptionEntry> MainWindowCaptionTable();

// The two items of the programming-mode group: ChipInfo/ChipChn1 and
// ChipInfo/ChipChn2, both defaulting to the single-socket text.
inline constexpr std::string_view kSocketItemSection = "ChipInfo";
inline constexpr std::array<std::string_view, 2> kSocketItemKeys = {"ChipChn1", "ChipChn2"};
inline constexpr std::string_view kSocketItemDefault = "单片烧录(CH1)";

struct MainWindowCaptions {
  std::map<std::string, std::string, std::less<>> captions;  // object name -> caption
  std::array<std::string, 2> socket_items;                   // rgbSocketType items

  // The caption of an object, or an empty text for one the table lacks.
  [[nodiscard]] std::string Caption(std::string_view object) const;
};

[[nodiscard]] MainWindowCaptions ComputeMainWindowCaptions(const ProfileFile& profile);

// A text of a secondary dialog, read afresh when the dialog opens.
struct DialogTextEntry {
  std::string_view section;
  std::string_view key;
  std::string_view default_text;
};
[[nodiscard]] std::span<const DialogTextEntry> DialogTextTable();

// Reads section/key into an 80-byte buffer (cut to 79 bytes).
[[nodiscard]] std::string ReadDialogText(const ProfileFile& profile, std::string_view section,
                                         std::string_view key, std::string_view default_text);
// The same with the built-in default of DialogTextTable (empty for a key
// the table lacks).
[[nodiscard]] std::string ReadDialogText(const ProfileFile& profile, std::string_view section,
                                         std::string_view key);

// Messages longer than a caption (whole sentences telling the operator what
// went wrong and what to do), read into buffers of this size.
inline constexpr std::size_t kMessageTextBuffer = 256;
[[nodiscard]] std::span<const DialogTextEntry> MessageTextTable();
// Reads section/key with the built-in default of MessageTextTable.
[[nodiscard]] std::string ReadMessageText(const ProfileFile& profile, std::string_view section,
                                          std::string_view key);

}  // namespace tessary
