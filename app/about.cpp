// The about dialog's partner partner_slots and language texts.
#include "app/about.h"

#include "app/app_context.h"
#include "app/language.h"
#include "catalogue/catalogue_statements.h"

namespace tessary {

AboutPartners LoadAboutPartners(ChipDatabase& db) {
  AboutPartners partners;
  int left = db.RunQuery(statements::kEnabledPartners);
  for (std::size_t k = 0; k < partners.partner_slots.size(); ++k) {
    PartnerSlot& slot = partners.partner_slots[k];
    if (left <= 0) {
      slot = PartnerSlot{};
      continue;
    }
    if (k == 0) {
      partners.heading = db.FieldAsText("Title");
      partners.heading_visible = true;
    }
    slot.visible = true;
    slot.caption = db.FieldAsText("pName");
    slot.hint = db.FieldAsText("website");
    db.NextRecord();
    // A filled even slot from 2 on opens a new row.
    if (k >= 2 && k % 2 == 0) partners.extra_height += kPartnerRowHeight;
    slot.left = k % 2 == 0 ? kPartnerLeftColumn : kPartnerRightColumn;
    slot.top = kPartnerFirstRowTop + kPartnerRowHeight * static_cast<int>(k / 2);
    --left;
  }
  if (!partners.heading_visible) partners.heading = kEmptyPartnerHint;
  return partners;
}

std::optional<std::string> PartnerLinkTarget(const PartnerSlot& slot) {
  if (slot.hint == kEmptyPartnerHint) return std::nullopt;
  return slot.hint;
}

AboutTexts AboutDialogTexts(const AppContext& ctx) {
  AboutTexts texts;
  const std::int32_t language = ctx.DeviceInfo.Language;
  switch (LanguageItemFor(language)) {
    case LanguageMenuItem::SimplifiedChinese:
      texts.partner_heading = "特别合作：";
      break;
    case LanguageMenuItem::TraditionalChinese:
      texts.partner_heading = "特別合作：";
      break;
    case LanguageMenuItem::English:
      texts.partner_heading = "Partners:";
      break;
  }
  const ProfileFile profile(LanguageFilePath(ctx.Paths.DataFolder(), language));
  texts.caption = ReadDialogText(profile, "AboutMenu", "About");
  texts.version_line = ctx.Texts.MainSoftWareInfo;
  return texts;
}

}  // namespace tessary
