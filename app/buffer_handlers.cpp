// Entry points of the File and Buffer menus and of the value dialog.
#include "app/buffer_handlers.h"

#include "base/language_files.h"
#include "buffer/file_commands.h"
#include "buffer/file_formats.h"
#include "buffer/file_import.h"

namespace tessary {

BufferParts BufferPartsOf(AppContext& ctx) {
  return {ctx.RamFile, ctx.Hex,   ctx.CurrentPrj,         ctx.log,
          ctx.panel,   ctx.Texts, ctx.DeviceInfo.Language};
}

std::filesystem::path LanguageFileOf(const AppContext& ctx) {
  return LanguageFilePath(ctx.Paths.DataFolder(), ctx.DeviceInfo.Language);
}

FileEditSetup MenuBufferFillClick(const AppContext& ctx) {
  return BufferFillSetup(LanguageFileOf(ctx), ctx.CurrentPrj.ChipSize, ctx.Texts);
}

FileEditSetup MenuBufferGotoClick(const AppContext& ctx) {
  return BufferGotoSetup(LanguageFileOf(ctx), ctx.RamFile.ViewTop, ctx.Texts);
}

FileEditSetup MenuBufferFindClick(const AppContext& ctx) {
  return BufferFindSetup(LanguageFileOf(ctx), ctx.Texts);
}

FileEditSetup FileImportSetup(const AppContext& ctx) {
  return ImportDialogSetup(ctx.CurrentPrj.RamStartAddr, ctx.Texts);
}

FileEditResult FileImportOk(AppContext& ctx, const FileEditFields& fields,
                            const std::filesystem::path& file) {
  const BufferParts parts = BufferPartsOf(ctx);
  const std::optional<std::uint32_t> start = ReadHexOffset(parts, fields.value1);
  if (!start) return {.close = false};
  const PreparedDataFile prepared =
      PrepareDataFile(ctx.Paths.TempFolder(), file, BufferLimit(ctx.RamFile, ctx.CurrentPrj));
  if (!prepared.ok) {
    LogNotLoaded(ctx.log, prepared, ctx.Texts);
    return {};
  }
  ImportDataFile(parts, *start, prepared, file);
  ctx.SetStatusPanel(3, ctx.Hex.CheckSumText());
  ctx.panel.MainWindowStateChanged();
  return {};
}

FileEditResult btnFileInportOKClick(AppContext& ctx, FileEditMode mode,
                                    const FileEditFields& fields,
                                    const std::filesystem::path& import_file,
                                    RandomByteSource& random) {
  const BufferParts parts = BufferPartsOf(ctx);
  switch (mode) {
    case FileEditMode::Import:
      return FileImportOk(ctx, fields, import_file);
    case FileEditMode::Fill:
      return BufferFillOk(parts, fields, random);
    case FileEditMode::Goto:
      return BufferGotoOk(parts, fields);
    case FileEditMode::Find:
      return BufferFindOk(parts, fields);
  }
  return {};
}

bool sbOpenFileClick(AppContext& ctx, const std::optional<std::filesystem::path>& chosen) {
  if (!chosen) {
    ctx.Window.OpenDialogFile = PathText(ctx.Paths.TempFolder() / "test.bin");
    ctx.panel.MainWindowStateChanged();
    return false;
  }
  return LoadDataFile(ctx, *chosen);
}

bool LoadDataFile(AppContext& ctx, const std::filesystem::path& file) {
  const std::optional<std::filesystem::path> chosen = file;
  const std::string chosen_text = PathText(*chosen);
  ctx.Window.OpenDialogFile = chosen_text;
  const PreparedDataFile prepared =
      PrepareDataFile(ctx.Paths.TempFolder(), *chosen, BufferLimit(ctx.RamFile, ctx.CurrentPrj));
  if (!prepared.ok) {
    LogNotLoaded(ctx.log, prepared, ctx.Texts);
    ctx.panel.MainWindowStateChanged();
    return false;
  }

  ctx.DeviceInfo.FilePath = chosen_text;
  ctx.Window.Title = ctx.Texts.MainSoftWareInfo + "    " + chosen_text;
  ctx.panel.MainWindowStateChanged();
  const BufferParts parts = BufferPartsOf(ctx);
  OpenDataFile(parts, prepared, *chosen);
  ctx.SetStatusPanel(3, ctx.Hex.CheckSumText());
  return true;
}

bool Menu_File_SaveAsClick(AppContext& ctx, const std::optional<std::filesystem::path>& chosen) {
  return SaveBufferAs(ctx.RamFile, ctx.log, chosen, ctx.Texts);
}

std::optional<HexRange> MenuBufferFindNextClick(AppContext& ctx) {
  const BufferParts parts = BufferPartsOf(ctx);
  return FindNextMatch(parts);
}

}  // namespace tessary
