// What the chip selection frame shows: the three boxes of the cascade, the
// one-shot quiet tag, the chip's displays and the detection button. The
// core keeps it; the window renders it.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// An editable drop-down box: its items and its current text.
struct ComboBoxState {
  std::vector<std::string> items;
  int index = -1;    // selected item, -1 = none
  std::string text;  // what the box shows (the handlers work on this)

  void Clear() {
    items.clear();
    index = -1;
    text.clear();
  }
  void Add(std::string item) { items.push_back(std::move(item)); }
  // Selects item i (none when i is out of range).
  void Select(int i) {
    if (i >= 0 && i < static_cast<int>(items.size())) {
      index = i;
      text = items[static_cast<std::size_t>(i)];
    } else {
      index = -1;
      text.clear();
    }
  }
  // Selects the first item equal to `wanted`; false and no selection when
  // there is none.
  bool SelectExact(std::string_view wanted) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i] == wanted) {
        Select(static_cast<int>(i));
        return true;
      }
    }
    Select(-1);
    return false;
  }
};

// The chip types whose availability the chip search reads, in this order.
inline constexpr std::array<std::string_view, 7> kAvailabilityTypeNames = {
    "25 FLASH", "24 EEPROM", "25 EEPROM", "95 EEPROM", "93 EEPROM", "45 EEPROM", "NAND FLASH"};

struct ChipFrameState {
  ComboBoxState cmbChipType;
  ComboBoxState cmbDownChipManuf;
  ComboBoxState cmbDownChipName;
  // One-shot quiet mark of the chip-name box: 0 logs the selection line,
  // anything else suppresses it once. 1 at creation.
  int ChipNameTag = 1;
  bool sbChipDetectEnabled = true;
  std::string ledtChipCap;
  std::string ledtPageSize;
  std::string ledtChipVoltage;
  std::string ledtChipOTPSize;
  bool ChipOtpVisible = true;
  std::string labelVoltageNote;
  bool labelVoltageNoteVisible = false;
  // The frame sits in the main window's left panel (not borrowed by the
  // offline project window).
  bool HostedInMainWindow = true;
};

}  // namespace tessary
