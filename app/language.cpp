// Applying a language to the main window, and the language menu.
#include "app/language.h"

#include "app/app_context.h"
#include "device/identity_queries.h"

namespace tessary {

LanguageState ApplyLanguage(AppContext& ctx, const std::filesystem::path& program_dir) {
  LanguageState state;
  state.language = ctx.DeviceInfo.Language;
  state.checked_item = LanguageItemFor(state.language);

  const ProfileFile profile(LanguageFilePath(program_dir, state.language));
  LoadLanguageTexts(profile, ctx.Texts, ctx.DeviceInfo.AppVersion);
  state.title = ctx.Texts.MainSoftWareInfo;

  if (ctx.link.LinkOpen()) {
    state.status_panels = {ctx.Texts.DevConStaOnline + ": " + ctx.DeviceInfo.DevName,
                           ctx.Texts.DevConVersion + ctx.DeviceInfo.FirmVer};
  } else {
    state.status_panels = {ctx.Texts.DevConStaOffline, ""};
  }
  ctx.SetStatusPanel(0, state.status_panels[0]);
  ctx.SetStatusPanel(1, state.status_panels[1]);

  state.captions = ComputeMainWindowCaptions(profile);
  state.socket_item_index = 0;
  ctx.Window.SocketTypeIndex = 0;
  ctx.panel.MainWindowStateChanged();
  return state;
}

LanguageState ChooseLanguage(AppContext& ctx, std::int32_t language,
                             const std::filesystem::path& program_dir) {
  ctx.DeviceInfo.Language = language;
  LanguageState state = ApplyLanguage(ctx, program_dir);
  state.uncheck_others = true;
  // Only the Skar programmer shows texts of its own.
  if (ctx.link.LinkOpen() && ctx.DeviceInfo.DevName.starts_with("Skar")) {
    // Only the programmer's own display uses it; nothing to recover.
    static_cast<void>(SendProgrammerLanguage(ctx.link, language));
  }
  return state;
}

}  // namespace tessary
