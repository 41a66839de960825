// What the about dialog shows: the partner links read from the catalogue
// once at start, placed two to a row, and the texts that follow the
// language each time the dialog opens.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "catalogue/chip_database.h"

namespace tessary {

class AppContext;

inline constexpr std::size_t kAboutPartnerSlotCount = 10;
// The maker's web site: shown and opened by Label5.
inline constexpr char kMakerWebAddress[] = "https://www.tessary.example";
inline constexpr char kAboutBuildText[] = "Build 2021-08-20";
inline constexpr char kAboutCompanyText[] = "Halvern Technology";
// The hint of a slot that holds no partner.
inline constexpr char kEmptyPartnerHint[] = "0";

// Design geometry of the dialog (client pixels).
inline constexpr int kAboutDesignWidth = 470;
inline constexpr int kAboutDesignHeight = 198;
inline constexpr int kPartnerHeadingTop = 112;
inline constexpr int kPartnerSeparatorTop = 134;
inline constexpr int kPartnerFirstRowTop = 138;
inline constexpr int kPartnerRowHeight = 20;
inline constexpr int kPartnerLeftColumn = 8;
inline constexpr int kPartnerRightColumn = 208;

// One of labelParternerWebSite0 ... labelParternerWebSite9.
struct PartnerSlot {
  bool visible = false;
  std::string caption;                   // the partner's pName
  std::string hint = kEmptyPartnerHint;  // the partner's website, or "0"
  int left = kPartnerLeftColumn;
  int top = kPartnerFirstRowTop;
};

struct AboutPartners {
  std::string heading;           // labelParterner: the first partner's Title, or "0"
  bool heading_visible = false;  // labelParterner and the separator GroupBox2
  int heading_top = kPartnerHeadingTop;
  int separator_top = kPartnerSeparatorTop;
  std::array<PartnerSlot, kAboutPartnerSlotCount> partner_slots;
  // Pixels the dialog grows beyond its design height: one row per filled
  // even slot from slot 2 on.
  int extra_height = 0;
};

// Fills the slots from the enabled rows of [Parterner] (the first ten),
// through the shared query. Throws DatabaseError when the table cannot be
// read.
[[nodiscard]] AboutPartners LoadAboutPartners(ChipDatabase& db);

// What a click on a slot opens: its web address, or nothing for an empty
// slot.
[[nodiscard]] std::optional<std::string> PartnerLinkTarget(const PartnerSlot& slot);

// The texts set each time the dialog opens, from the current language.
struct AboutTexts {
  std::string caption;          // AboutMenu/About of the language file
  std::string partner_heading;  // labelParterner
  std::string version_line;     // lableSoftVer: the main window's title
};
[[nodiscard]] AboutTexts AboutDialogTexts(const AppContext& ctx);

}  // namespace tessary
