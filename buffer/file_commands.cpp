// Opening a data file into the buffer and saving the buffer to a file.
#include "buffer/file_commands.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>
#include <system_error>

#include "base/language_files.h"
#include "base/profile_file.h"
#include "buffer/buffer_tools.h"
#include "buffer/cap_file.h"
#include "buffer/file_formats.h"
#include "buffer/intel_hex.h"

namespace tessary {
namespace {

// Reads `path` from its start, up to `limit` bytes, into `image`. The whole
// file is read before the buffer is touched, so a read that fails half-way
// costs the operator nothing.
bool ReadImage(const std::filesystem::path& path, const char* kind, std::uint32_t limit,
               BufferImage& image, std::string& error) {
  SourceFile file(path, kind);
  if (!file.Open()) {
    error = file.error();
    return false;
  }
  image.file_length = file.size();
  const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), limit));
  try {
    image.bytes.resize(wanted);
  } catch (const std::bad_alloc&) {
    error = "not enough memory to read " + std::string(kind) + " '" + PathText(path) + "'";
    return false;
  }
  const std::optional<std::size_t> got = file.Read(image.bytes);
  if (!got) {
    error = file.error();
    return false;
  }
  if (*got < wanted) {
    // The file shrank between taking its length and reading it.
    error = "cannot read " + std::string(kind) + " '" + PathText(path) + "': it ended after " +
            std::to_string(*got) + " of " + std::to_string(wanted) + " bytes";
    return false;
  }
  return true;
}

void ShowOpenCheckSum(AppContext& ctx, std::uint32_t sum) {
  const std::string text = OpenCheckSumPanelText(sum);
  ctx.Hex.SetCheckSumText(text);
  ctx.SetStatusPanel(3, text);
  ctx.RamFile.CheckSum = sum;
}

}  // namespace

std::string OpenDialogTitle(const AppContext& ctx) {
  const ProfileFile file(LanguageFilePath(ctx.ProgramFolder, ctx.DeviceInfo.Language));
  return ReadDialogText(file, "FileInport", "ODTitle");
}

std::filesystem::path TempFolder(const AppContext& ctx) { return ctx.ProgramFolder / "temp"; }
std::filesystem::path HexImagePath(const AppContext& ctx) { return TempFolder(ctx) / "hex.bin"; }
std::filesystem::path CapImagePath(const AppContext& ctx) { return TempFolder(ctx) / "cap.bin"; }

PreparedDataFile PrepareDataFile(const AppContext& ctx, const std::filesystem::path& chosen,
                                 std::uint32_t limit) {
  PreparedDataFile prepared;
  if (chosen.empty()) {
    prepared.error = "no file was given to load";
    return prepared;
  }
  const DataFileType type = FileTypeOf(chosen);
  prepared.image = chosen;
  if (type != DataFileType::Binary) {
    const std::filesystem::path temp = TempFolder(ctx);
    std::error_code ec;
    if (!std::filesystem::is_directory(temp, ec)) {
      prepared.error = "the working folder '" + PathText(temp) +
                       "' is missing: Intel HEX and CAP files are converted there. Create it "
                       "beside the program";
      return prepared;
    }
    prepared.image = type == DataFileType::IntelHex ? HexImagePath(ctx) : CapImagePath(ctx);
    const ConversionResult result = type == DataFileType::IntelHex
                                        ? ConvertHexFile(chosen, prepared.image)
                                        : ConvertCapFile(chosen, prepared.image);
    if (!result) {
      prepared.error = result.error;
      return prepared;
    }
    prepared.note = result.note;
  }
  const char* kind = type == DataFileType::Binary ? "data file" : "converted image";
  if (!ReadImage(prepared.image, kind, limit, prepared.content, prepared.error)) return prepared;
  prepared.ok = true;
  return prepared;
}

std::string TooLongOpenText(const AppContext& ctx) {
  switch (ctx.DeviceInfo.Language) {
    case kLanguageSimplifiedChinese:
      return ctx.log.TimeStamp() + "文件长度超过了芯片容量!\r超出部分将被忽略，注意确认！";
    case kLanguageTraditionalChinese:
      return ctx.log.TimeStamp() + "文件長度超過了芯片容量!\r超出部分將被忽略，注意確認！";
    default:
      return "The file seledted is bigger than the chip capcity!Please check!";
  }
}

std::string TooLongImportText(const AppContext& ctx) {
  return ctx.log.TimeStamp() + "文件长度超过了芯片容量，超出部分将被忽略，注意确认！";
}

std::uint32_t LoadIntoBuffer(AppContext& ctx, const BufferImage& image, TooLongReport report) {
  Ram_File_Info_Struct& ram = ctx.RamFile;
  const std::uint32_t limit = BufferLimit(ctx);
  const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(image.bytes.size(), limit));
  if (image.cut() || image.bytes.size() > limit) {
    if (report == TooLongReport::OpenCommand) {
      const std::string text = TooLongOpenText(ctx);
      ctx.log.LogLine(text, LogColour::Error);
      (void)ctx.panel.ShowMessage(text, ctx.Texts.MainSoftWareInfo, MessageKind::Warning);
    } else {
      ctx.log.LogLine(TooLongImportText(ctx), LogColour::Error);
    }
  }
  ram.DataLen = length;
  ctx.Hex.SetScrollMaximum(length);
  ctx.Hex.SetScrollPosition(0);
  ram.ViewTop = 0;
  if (length != 0) std::memcpy(ram.Data.data(), image.bytes.data(), length);
  ctx.Hex.BufferChanged();
  return ByteSum(0, std::span<const std::uint8_t>(ram.Data.data(), length));
}

void LogConversionNote(AppContext& ctx, const PreparedDataFile& prepared,
                       const std::filesystem::path& chosen) {
  if (prepared.note.empty()) return;
  std::string text = "'" + PathText(chosen) + "': " + prepared.note;
  if (prepared.content.bytes.empty()) text += ". Nothing was loaded: the buffer holds 0 bytes";
  ctx.log.LogStamped(text, LogColour::Note);
}

bool OpenDataFile(AppContext& ctx, const std::optional<std::filesystem::path>& chosen) {
  if (!chosen) {
    ctx.Window.OpenDialogFile = PathText(TempFolder(ctx) / "test.bin");
    ctx.panel.MainWindowStateChanged();
    return false;
  }
  const std::string chosen_text = PathText(*chosen);
  ctx.Window.OpenDialogFile = chosen_text;
  const PreparedDataFile prepared = PrepareDataFile(ctx, *chosen, BufferLimit(ctx));
  if (!prepared.ok) {
    ctx.log.LogStamped(prepared.error + "; the buffer is unchanged", LogColour::Error);
    ctx.panel.MainWindowStateChanged();
    return false;
  }

  ctx.CurrentPrj.RamStartAddr = 0;
  ctx.RamFile.Loaded = 1;
  ctx.RamFile.FileName = PathText(prepared.image);
  ctx.DeviceInfo.FilePath = chosen_text;
  ctx.log.AddPlainLine(ctx.log.TimeStamp() + "打开文件:" + ctx.RamFile.FileName);
  LogConversionNote(ctx, prepared, *chosen);
  ctx.Window.Title = ctx.Texts.MainSoftWareInfo + "    " + chosen_text;
  ctx.panel.MainWindowStateChanged();

  const std::uint32_t sum = LoadIntoBuffer(ctx, prepared.content, TooLongReport::OpenCommand);
  ShowOpenCheckSum(ctx, sum);
  ctx.Hex.AlignView();
  ctx.Hex.RedrawHexView();
  return true;
}

std::filesystem::path SaveFileName(const std::filesystem::path& chosen) {
  if (chosen.filename().u8string().find(u8'.') != std::u8string::npos) return chosen;
  std::filesystem::path name = chosen;
  name += ".bin";
  return name;
}

bool SaveBufferAs(AppContext& ctx, const std::optional<std::filesystem::path>& chosen) {
  if (!chosen) return false;
  const std::filesystem::path name = SaveFileName(*chosen);
  ImageFileWriter writer(name);
  if (!writer.Open()) {
    ctx.log.LogStamped("the buffer was not saved: " + writer.error(), LogColour::Error);
    return false;
  }
  ctx.log.LogStamped("保存缓存区到文件：" + PathText(name), LogColour::Highlight);
  const Ram_File_Info_Struct& ram = ctx.RamFile;
  const std::span<const std::uint8_t> bytes(ram.Data.data(), ram.ShownLength());
  if (!writer.Write(bytes) || !writer.Commit()) {
    std::error_code ec;
    const bool kept = std::filesystem::exists(name, ec);
    ctx.log.LogStamped("the buffer was not saved: " + writer.error() +
                           (kept ? "; the file already there is unchanged" : ""),
                       LogColour::Error);
    return false;
  }
  return true;
}

}  // namespace tessary
