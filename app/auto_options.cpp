// The auto options window's texts and settings.
#include "app/auto_options.h"

#include "app/app_context.h"
#include "app/buffer_handlers.h"
#include "app/programmer_options.h"
#include "base/language_files.h"
#include "base/profile_file.h"

namespace tessary {
namespace {

constexpr std::string_view kSection = "AutoSel";
constexpr std::array<std::string_view, 4> kCaptionKeys = {"AutoSelIDCheck", "AutoSelErase",
                                                          "AutoSelWrite", "AutoSelVerify"};
constexpr std::string_view kBlockInitCaption = "自动跳过坏块";

std::uint8_t& FieldOf(Prj_Info_Struct& chip, AutoOption option) {
  switch (option) {
    case AutoOption::IdCheck:
      return chip.OprIdCheck;
    case AutoOption::Erase:
      return chip.OprErase;
    case AutoOption::Write:
      return chip.OprWrite;
    case AutoOption::Verify:
      break;
  }
  return chip.OprVerify;
}

}  // namespace

AutoOptionsView AutoOptionsViewOf(const AppContext& ctx) {
  const ProfileFile language(LanguageFileOf(ctx));
  AutoOptionsView view;
  view.title = ReadDialogText(language, kSection, "AutoSelTitle");
  for (std::size_t i = 0; i < kCaptionKeys.size(); ++i) {
    view.captions[i] = ReadDialogText(language, kSection, kCaptionKeys[i]);
  }
  const Prj_Info_Struct& chip = ctx.CurrentPrj;
  view.checked = {chip.OprIdCheck != 0, chip.OprErase != 0, chip.OprWrite != 0,
                  chip.OprVerify != 0};
  view.block_init_visible = chip.ChipType == ChipTypeId::NandFlash;
  view.block_init_checked = ctx.Window.IgnoreInvalidBlocks;
  const std::string menu_caption = ctx.Language.captions.Caption("mmIgnoreInvalidBlocks");
  view.block_init_caption = menu_caption.empty() ? std::string(kBlockInitCaption) : menu_caption;
  return view;
}

void SetAutoOption(AppContext& ctx, AutoOption option, bool on) {
  FieldOf(ctx.CurrentPrj, option) = on ? 1 : 0;
}

void SetSkipBadBlocks(AppContext& ctx, bool on) {
  if (ctx.Window.IgnoreInvalidBlocks != on) mmIgnoreInvalidBlocksClick(ctx);
}

}  // namespace tessary
