// User-defined chips: catalogue rows the operator adds under a name, code and
// manufacturer of their own, copying every technical parameter from a
// template chip (a WINBOND or SST serial flash). The management window's
// state, its texts in the three languages, and what its buttons do. Factory rows
// (Adder "Halvern") are never changed or removed here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/operator_panel.h"
#include "catalogue/chip_database.h"
#include "catalogue/chip_frame_state.h"

namespace tessary {

// What every row this window adds or modifies is marked with.
inline constexpr std::string_view kUserAdder = "USER";

// The window's texts, built in for each language.
struct UserChipTexts {
  std::string_view caption;
  std::string_view label1_prefix;  // followed directly by the user-chip count
  std::string_view chip_name;      // label of lbeChipName
  std::string_view chip_id;        // label of lbeChipID
  std::string_view algorithm;      // lbAlgorithmName
  std::string_view capacity;       // label of lbeCapcity
  std::string_view manufacturer;   // label of lbeManauf
  std::string_view add;
  std::string_view modify;
  std::string_view remove;  // btnDelete
  std::string_view close;
  std::string_view template_not_found;
  // Modify refused because a factory chip carries the name; the name follows.
  std::string_view factory_chip;
};

// The texts for a language code: 0 Simplified Chinese, 1 Traditional
// Chinese, any other value English.
[[nodiscard]] const UserChipTexts& UserChipTextsFor(std::int32_t language);

// What TfrmUserImportChip shows; the core keeps it, the window renders it.
struct UserChipWindowState {
  UserChipTexts texts = UserChipTextsFor(0);
  std::string Label1;       // prefix + count of user chips
  ComboBoxState ListBox1;   // names of the user chips
  ComboBoxState cmbSuanFa;  // templates; `text` is what the editable box shows
  std::string lbeChipName;
  std::string lbeChipID;
  std::string lbeManauf;
  std::string lbeCapcity;  // capacity in bytes, as decimal text
};

// How a button ended.
enum class UserChipOutcome : std::uint8_t {
  Done,              // the statement ran
  TemplateNotFound,  // the template box names no chip: nothing ran
  FactoryChip,       // modify refused: a factory row carries that name
};

// Each runs on the catalogue `db` and may throw DatabaseError (a statement
// the catalogue rejects); the window shows it and stops there. Every value
// typed by the operator is bound as a value, so a quote in a name is just
// text.

// Fills the window for opening from the menu: user-chip list and count,
// templates, texts for `language`, then the first user chip shown. Edits
// stay as they were when there is no user chip.
void OpenUserChips(ChipDatabase& db, UserChipWindowState& window, std::int32_t language);

// Shows the selected user chip in the edits; nothing without a selection.
void ShowUserChip(ChipDatabase& db, UserChipWindowState& window);

// The template box's text changed: its capacity, when it is a chip's exact
// name; otherwise nothing changes.
void ShowTemplateCapacity(ChipDatabase& db, UserChipWindowState& window);

// Adds a user chip from the edits and the template, then refreshes the
// list. No template: the not-found message, nothing added.
UserChipOutcome AddUserChip(ChipDatabase& db, UserChipWindowState& window, OperatorPanel& panel);

// Rewrites capacity (from the template), manufacturer and code of the user
// chip named in lbeChipName. No template: nothing, silently. A name that a
// factory row (or any row not listed as a user chip) also carries: a
// message and nothing changes, since the update selects rows by name alone.
UserChipOutcome ModifyUserChip(ChipDatabase& db, UserChipWindowState& window,
                               OperatorPanel& panel);

// Removes the user row matching name, manufacturer and code of the edits,
// then refreshes the list. No template: nothing, silently.
UserChipOutcome DeleteUserChip(ChipDatabase& db, UserChipWindowState& window);

}  // namespace tessary
