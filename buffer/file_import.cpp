// The import mode of the value dialog: a dropped file loaded at a start address.
#include "buffer/file_import.h"

#include "buffer/data_buffer.h"
#include "buffer/file_commands.h"
#include "buffer/file_formats.h"

namespace tessary {

FileEditSetup ImportDialogSetup(std::uint32_t ram_start, const Dev_Language_Struct& texts) {
  FileEditSetup setup;
  setup.mode = FileEditMode::Import;
  setup.caption = std::string(kImportDialogCaption);
  setup.label1 = std::string(kImportStartLabel);
  setup.value1 = Hex8(ram_start);
  setup.ok = texts.OK;
  setup.cancel = texts.Cancel;
  return setup;
}

void ImportDataFile(const BufferParts& parts, std::uint32_t start, const PreparedDataFile& prepared,
                    const std::filesystem::path& file) {
  parts.chip.RamStartAddr = start;
  parts.ram.Loaded = 1;
  parts.ram.FileName = PathText(prepared.image);
  // The dropped file's own path, also when an image was loaded in its place.
  parts.log.AddPlainLine(parts.log.TimeStamp() + "打开文件:" + PathText(file));
  LogConversionNote(parts.log, prepared, file, parts.texts);

  const std::uint32_t sum = LoadIntoBuffer(parts, prepared.content, TooLongReport::FileImport);
  parts.hex.SetCheckSumText(ImportCheckSumPanelText(sum));
  parts.ram.CheckSum = sum;
  parts.hex.AlignView();
  parts.hex.RedrawHexView();
}

}  // namespace tessary
