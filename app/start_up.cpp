// Start-up sequence.
#include "app/start_up.h"

#include "app/chip_handlers.h"
#include "app/connection_string.h"
#include "app/settings.h"
#include "base/language_files.h"
#include "base/profile_file.h"
#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_parameters.h"

namespace tessary {
namespace {

// Restores the chip saved at the last close through the selection cascade,
// quietly. Leaves the boxes without selection from the first one that does
// not hold the saved value.
void RestoreSavedChip(AppContext& ctx) {
  ChipDatabase& db = ctx.Database;
  if (db.RunQuery(statements::kChipByName, {ctx.CurrentPrj.ChipName}) == 0) return;
  const std::string type = db.FieldAsText("ChipType");
  const std::string manufacturer = db.FieldAsText("ManufName");
  const std::string name = db.FieldAsText("ChipName");

  ChipFrameState& frame = ctx.ChipFrame;
  if (!frame.cmbChipType.SelectExact(type)) return;
  frame.sbChipDetectEnabled = type == kTypeNandFlash || type == kType25Flash || type == kType45Eeprom;

  frame.cmbDownChipManuf.Clear();
  for (int n = db.RunQuery(statements::kManufacturersOfType, {type}); n > 0; --n) {
    frame.cmbDownChipManuf.Add(db.FieldAsText("ManufName"));
    if (n > 1) db.NextRecord();
  }
  if (!frame.cmbDownChipManuf.SelectExact(manufacturer)) return;

  frame.cmbDownChipName.Clear();
  for (int n = db.RunQuery(statements::kChipNamesOfManufacturer, {type, manufacturer}); n > 0; --n) {
    frame.cmbDownChipName.Add(db.FieldAsText("ChipName"));
    if (n > 1) db.NextRecord();
  }
  if (!frame.cmbDownChipName.SelectExact(name)) return;

  // Quiet, and with the name emptied so the buffer is made for this chip.
  frame.ChipNameTag = 2;
  ctx.CurrentPrj.ChipName.clear();
  cmbDownChipNameChange(ctx);
}

// A catalogue that cannot be read, in the language the settings chose: the
// window's texts are not loaded yet, so they are read for this one line.
std::string CatalogueUnreadableText(AppContext& ctx, const std::string& detail) {
  const ProfileFile language(LanguageFilePath(ctx.Paths.DataFolder(), ctx.DeviceInfo.Language));
  LoadLanguageTexts(language, ctx.Texts, kFallbackAppVersion);
  return ctx.Texts.LogCatalogueUnreadable + detail;
}

}  // namespace

StartUpOutcome RunStartUp(AppContext& ctx) {
  const std::filesystem::path& folder = ctx.Paths.CatalogueFolder();
  // The settings first, so that a catalogue that cannot be read is reported
  // in the operator's language.
  ProfileFile settings(ctx.Paths.SettingsFile());
  LoadSettings(ctx, settings);

  const ConnectionOptions options = ParseConnectionString(DecipherConnectionString());
  const std::filesystem::path catalogue = DatabasePath(options, folder);
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(catalogue, ignored)) {
    // One message naming the folder, then a clean end: nothing else runs on
    // a catalogue that is not there.
    return {false, ">>> 数据库文件 " + (folder / "").string() + catalogue.filename().string() +
                       "不存在！"};
  }
  std::string error;
  if (!ctx.Database.Open(catalogue, error)) return {false, CatalogueUnreadableText(ctx, error)};
  ctx.Window.OpenDialogFolder = ctx.DeviceInfo.FilePath;
  ctx.Window.OpenDialogFile = ctx.RamFile.FileName;
  ctx.RamFile.Loaded = 0;
  ctx.CurrentPrj.ChannelSelector = kChannelCh1;

  try {
    ChipDatabase& db = ctx.Database;
    ctx.DeviceInfo.AppVersion =
        db.RunQuery(statements::kCatalogueVersion) > 0 ? db.FieldAsText("Version") : kFallbackAppVersion;
    NormaliseDefaultMode(ctx.DeviceInfo);

    ctx.Window.IgnoreInvalidBlocks = true;
    ctx.Window.NandMenusVisible = true;
    LoadChipTypes(ctx);
    RestoreSavedChip(ctx);
  } catch (const DatabaseError& e) {
    return {false, CatalogueUnreadableText(ctx, e.what())};
  }

  // Whatever the restore found, the window ends up complete: one progress
  // bar, the language applied, the menus that wait for a programmer hidden.
  ctx.panel.SetProgressVisible(ProgressBar::Chip1, true);
  ctx.panel.SetProgressVisible(ProgressBar::Chip2, false);
  ctx.Language = ApplyLanguage(ctx, ctx.Paths.DataFolder());
  ctx.Window.Title = ctx.Language.title;
  ctx.Window.PrjOfflineMenuVisible = false;
  ctx.Window.HelpMenuVisible = false;
  ctx.Window.SocketTypeIndex = 0;
  ctx.Window.SocketTypeVisible = true;
  ctx.panel.MainWindowStateChanged();
  return {};
}

}  // namespace tessary
