// The auto options window (TfrmAutoSel): which steps the auto sequence runs
// (ID check, erase, write, verify) and, for a NAND FLASH chip, whether bad
// blocks are skipped. Every change takes effect at once.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tessary {

class AppContext;

enum class AutoOption : std::uint8_t { IdCheck, Erase, Write, Verify };

struct AutoOptionsView {
  std::string title;                  // AutoSel/AutoSelTitle
  std::array<std::string, 4> captions;  // in AutoOption order
  std::array<bool, 4> checked{};        // OprIdCheck, OprErase, OprWrite, OprVerify
  bool block_init_visible = false;      // chbBlockInit: only for a NAND FLASH chip
  bool block_init_checked = false;      // mirrors mmIgnoreInvalidBlocks
  std::string block_init_caption;       // the menu item's caption
};

// What the window shows for the current chip, in the current language.
[[nodiscard]] AutoOptionsView AutoOptionsViewOf(const AppContext& ctx);

// One check box changed.
void SetAutoOption(AppContext& ctx, AutoOption option, bool on);
// chbBlockInit changed: the same setting as mmIgnoreInvalidBlocks.
void SetSkipBadBlocks(AppContext& ctx, bool on);

}  // namespace tessary
