// The import mode of the value dialog: a dropped file loaded at a start address.
#include "buffer/file_import.h"

#include "buffer/data_buffer.h"
#include "buffer/file_commands.h"
#include "buffer/file_formats.h"

namespace tessary {

FileEditSetup FileImportSetup(const AppContext& ctx) {
  FileEditSetup setup;
  setup.mode = FileEditMode::Import;
  setup.caption = std::string(kImportDialogCaption);
  setup.label1 = std::string(kImportStartLabel);
  setup.value1 = Hex8(ctx.CurrentPrj.RamStartAddr);
  setup.ok = ctx.Texts.OK;
  setup.cancel = ctx.Texts.Cancel;
  return setup;
}

FileEditResult FileImportOk(AppContext& ctx, const FileEditFields& fields,
                            const std::filesystem::path& file) {
  const std::optional<std::uint32_t> start = ReadHexOffset(ctx, fields.value1);
  if (!start) return {.close = false};

  const PreparedDataFile prepared = PrepareDataFile(ctx, file, BufferLimit(ctx));
  if (!prepared.ok) {
    ctx.log.LogStamped(prepared.error + "; the buffer is unchanged", LogColour::Error);
    return {};
  }

  ctx.CurrentPrj.RamStartAddr = *start;
  ctx.RamFile.Loaded = 1;
  ctx.RamFile.FileName = PathText(prepared.image);
  // The dropped file's own path, also when an image was loaded in its place.
  ctx.log.AddPlainLine(ctx.log.TimeStamp() + "打开文件:" + PathText(file));
  LogConversionNote(ctx, prepared, file);

  const std::uint32_t sum = LoadIntoBuffer(ctx, prepared.content, TooLongReport::FileImport);
  const std::string text = ImportCheckSumPanelText(sum);
  ctx.Hex.SetCheckSumText(text);
  ctx.SetStatusPanel(3, text);
  ctx.RamFile.CheckSum = sum;
  ctx.Hex.AlignView();
  ctx.Hex.RedrawHexView();
  ctx.panel.MainWindowStateChanged();
  return {};
}

}  // namespace tessary
