// The about dialog: partner partner_slots from the catalogue, their placement and
// the dialog's growth, the link targets, and the texts by language.
#include <gtest/gtest.h>

#include "app/about.h"
#include "app/app_context.h"
#include "support/program_folder.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

struct AboutPartnersTest : ::testing::Test {
  AboutPartnersTest() {
    std::string error;
    EXPECT_TRUE(db.Open(folder.path() / "login.dat", error)) << error;
    db.ExecStatement("DELETE FROM [Parterner]");
  }
  void AddPartner(int n, const std::string& enable = "Enable") {
    const std::string id = std::to_string(n);
    db.ExecStatement("INSERT INTO [Parterner] (Title, pName, website, Enable) VALUES (?, ?, ?, ?)",
                     {"Title" + id, "Partner" + id, "https://p" + id + ".example", enable});
  }

  testing::ProgramFolder folder;
  ChipDatabase db;
};

TEST_F(AboutPartnersTest, NoEnabledPartnerHidesHeadingSeparatorAndEverySlot) {
  AddPartner(1, "Disable");
  const AboutPartners partners = LoadAboutPartners(db);
  EXPECT_FALSE(partners.heading_visible);
  EXPECT_EQ(partners.heading, "0");
  EXPECT_EQ(partners.extra_height, 0);
  for (const PartnerSlot& slot : partners.partner_slots) {
    EXPECT_FALSE(slot.visible);
    EXPECT_EQ(slot.hint, "0");
    EXPECT_EQ(PartnerLinkTarget(slot), std::nullopt);
  }
}

TEST_F(AboutPartnersTest, ThreePartnersFillTwoRowsAndTheDialogGrowsOneRow) {
  AddPartner(1);
  AddPartner(2, "Disable");
  AddPartner(3);
  AddPartner(4);
  const AboutPartners partners = LoadAboutPartners(db);
  EXPECT_TRUE(partners.heading_visible);
  EXPECT_EQ(partners.heading, "Title1") << "the first enabled row's title";
  EXPECT_EQ(partners.heading_top, 112);
  EXPECT_EQ(partners.separator_top, 134);
  EXPECT_EQ(partners.extra_height, 20);

  const struct {
    const char* caption;
    int left;
    int top;
  } kExpected[] = {{"Partner1", 8, 138}, {"Partner3", 208, 138}, {"Partner4", 8, 158}};
  for (std::size_t k = 0; k < 3; ++k) {
    const PartnerSlot& slot = partners.partner_slots[k];
    EXPECT_TRUE(slot.visible) << k;
    EXPECT_EQ(slot.caption, kExpected[k].caption) << k;
    EXPECT_EQ(slot.left, kExpected[k].left) << k;
    EXPECT_EQ(slot.top, kExpected[k].top) << k;
    EXPECT_EQ(PartnerLinkTarget(slot), slot.hint);
  }
  EXPECT_EQ(partners.partner_slots[2].hint, "https://p4.example");
  for (std::size_t k = 3; k < partners.partner_slots.size(); ++k) {
    EXPECT_FALSE(partners.partner_slots[k].visible) << k;
    EXPECT_EQ(partners.partner_slots[k].hint, "0") << k;
  }
}

TEST_F(AboutPartnersTest, MoreThanTenPartnersShowOnlyTheFirstTen) {
  for (int n = 1; n <= 12; ++n) AddPartner(n);
  const AboutPartners partners = LoadAboutPartners(db);
  for (const PartnerSlot& slot : partners.partner_slots) EXPECT_TRUE(slot.visible);
  EXPECT_EQ(partners.partner_slots[9].caption, "Partner10");
  EXPECT_EQ(partners.partner_slots[9].left, 208);
  EXPECT_EQ(partners.partner_slots[9].top, 138 + 4 * 20);
  EXPECT_EQ(partners.extra_height, 4 * 20) << "partner_slots 2, 4, 6 and 8 open new rows";
}

struct AboutTextsTest : ::testing::Test {
  AboutTextsTest() {
    ctx.Paths = PortablePaths(folder.path());
    ctx.Texts.MainSoftWareInfo = "Halvern Tessary Series Programmer  V1.0.0";
  }
  testing::ProgramFolder folder{false};
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
};

TEST_F(AboutTextsTest, HeadingAndCaptionFollowTheLanguage) {
  folder.WriteFile("EN.ini", "[AboutMenu]\nAbout=About\n");
  folder.WriteFile("TC.ini", "[AboutMenu]\nAbout=關於\n");
  const struct {
    std::int32_t language;
    const char* heading;
    const char* caption;
  } kCases[] = {
      {0, "特别合作：", "关于"},  // no CN.ini: the built-in caption
      {1, "特別合作：", "關於"},
      {2, "Partners:", "About"},
      {7, "Partners:", "About"},
  };
  for (const auto& [language, heading, caption] : kCases) {
    ctx.DeviceInfo.Language = language;
    const AboutTexts texts = AboutDialogTexts(ctx);
    EXPECT_EQ(texts.partner_heading, heading) << language;
    EXPECT_EQ(texts.caption, caption) << language;
    EXPECT_EQ(texts.version_line, ctx.Texts.MainSoftWareInfo) << language;
  }
}

}  // namespace
}  // namespace tessary
