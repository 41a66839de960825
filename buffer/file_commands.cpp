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

}  // namespace

std::string OpenDialogTitle(const std::filesystem::path& language_file) {
  const ProfileFile file(language_file);
  return ReadDialogText(file, "FileInport", "ODTitle");
}

std::filesystem::path HexImagePath(const std::filesystem::path& temp_folder) {
  return temp_folder / "hex.bin";
}
std::filesystem::path CapImagePath(const std::filesystem::path& temp_folder) {
  return temp_folder / "cap.bin";
}

PreparedDataFile PrepareDataFile(const std::filesystem::path& temp_folder,
                                 const std::filesystem::path& chosen, std::uint32_t limit) {
  PreparedDataFile prepared;
  if (chosen.empty()) {
    prepared.error = "no file was given to load";
    return prepared;
  }
  const DataFileType type = FileTypeOf(chosen);
  prepared.image = chosen;
  if (type != DataFileType::Binary) {
    const std::filesystem::path& temp = temp_folder;
    std::error_code ec;
    if (!std::filesystem::is_directory(temp, ec)) {
      prepared.error = "the working folder '" + PathText(temp) +
                       "' is missing: Intel HEX and CAP files are converted there. Create it "
                       "beside the program";
      return prepared;
    }
    prepared.image = type == DataFileType::IntelHex ? HexImagePath(temp_folder)
                                                     : CapImagePath(temp_folder);
    const ConversionResult result = type == DataFileType::IntelHex
                                        ? ConvertHexFile(chosen, prepared.image)
                                        : ConvertCapFile(chosen, prepared.image);
    if (!result) {
      prepared.error = result.error;
      prepared.fault = result.fault;
      prepared.line = result.line;
      prepared.chosen = chosen;
      return prepared;
    }
    prepared.note = result.note;
    prepared.note_kind = result.note_kind;
  }
  const char* kind = type == DataFileType::Binary ? "data file" : "converted image";
  if (!ReadImage(prepared.image, kind, limit, prepared.content, prepared.error)) return prepared;
  prepared.ok = true;
  return prepared;
}

void LogNotLoaded(OperationLog& log, const PreparedDataFile& prepared) {
  log.LogStamped(prepared.error + "; the buffer is unchanged", LogColour::Error);
}

static const std::string* ConversionFaultText(const Dev_Language_Struct& texts, ConversionFault fault) {
  switch (fault) {
    case ConversionFault::OutsideImage:
      return &texts.LogHexOutsideImage;
    case ConversionFault::RecordCutShort:
      return &texts.LogHexRecordCutShort;
    case ConversionFault::NotHexadecimal:
      return &texts.LogHexNotHexadecimal;
    case ConversionFault::BadChecksum:
      return &texts.LogHexBadChecksum;
    case ConversionFault::NoEndRecord:
      return &texts.LogHexNoEndRecord;
    case ConversionFault::EmptyImage:
      return &texts.LogImageEmpty;
    case ConversionFault::None:
    case ConversionFault::SourceUnreadable:
    case ConversionFault::ImageUnwritable:
    case ConversionFault::OutOfMemory:
      break;
  }
  return nullptr;
}

void LogNotLoaded(OperationLog& log, const PreparedDataFile& prepared,
                  const Dev_Language_Struct& texts) {
  // A fault of the file's content is worded in the window's language and
  // named by file and line; what the system said of a file it could not
  // open, read or write is passed on as it was said.
  const std::string* fault = ConversionFaultText(texts, prepared.fault);
  if (fault == nullptr) {
    log.LogStamped(texts.LogFileNotLoaded + prepared.error, LogColour::Error);
    return;
  }
  std::string where = PathText(prepared.chosen);
  if (prepared.line != 0) where += ":" + std::to_string(prepared.line);
  log.LogStamped(texts.LogFileNotLoaded + *fault + where, LogColour::Error);
}

std::string TooLongOpenText(const OperationLog& log, std::int32_t language) {
  switch (language) {
    case kLanguageSimplifiedChinese:
      return log.TimeStamp() + "文件长度超过了芯片容量!\r超出部分将被忽略，注意确认！";
    case kLanguageTraditionalChinese:
      return log.TimeStamp() + "文件長度超過了芯片容量!\r超出部分將被忽略，注意確認！";
    default:
      return "The file seledted is bigger than the chip capcity!Please check!";
  }
}

std::string TooLongImportText(const OperationLog& log) {
  return log.TimeStamp() + "文件长度超过了芯片容量，超出部分将被忽略，注意确认！";
}

std::uint32_t LoadIntoBuffer(const BufferParts& parts, const BufferImage& image,
                             TooLongReport report) {
  Ram_File_Info_Struct& ram = parts.ram;
  const std::uint32_t limit = BufferLimit(ram, parts.chip);
  const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(image.bytes.size(), limit));
  if (image.cut() || image.bytes.size() > limit) {
    if (report == TooLongReport::OpenCommand) {
      const std::string text = TooLongOpenText(parts.log, parts.language);
      parts.log.LogLine(text, LogColour::Error);
      // Discarded: an OK-only message: there is no answer to act on.
      (void)parts.panel.ShowMessage(text, parts.texts.MainSoftWareInfo, MessageKind::Warning);
    } else {
      parts.log.LogLine(TooLongImportText(parts.log), LogColour::Error);
    }
  }
  ram.DataLen = length;
  parts.hex.SetScrollMaximum(length);
  parts.hex.SetScrollPosition(0);
  ram.ViewTop = 0;
  if (length != 0) std::memcpy(ram.Data.data(), image.bytes.data(), length);
  parts.hex.BufferChanged();
  return ByteSum(0, std::span<const std::uint8_t>(ram.Data.data(), length));
}

void LogConversionNote(OperationLog& log, const PreparedDataFile& prepared,
                       const std::filesystem::path& chosen, const Dev_Language_Struct& texts) {
  switch (prepared.note_kind) {
    case ConversionNote::None:
      return;
    case ConversionNote::GapsOrOverlaps:
      log.LogStamped(texts.LogHexGapsOrOverlaps + PathText(chosen), LogColour::Note);
      return;
  }
}

void OpenDataFile(const BufferParts& parts, const PreparedDataFile& prepared,
                  const std::filesystem::path& chosen) {
  parts.chip.RamStartAddr = 0;
  parts.ram.Loaded = 1;
  parts.ram.FileName = PathText(prepared.image);
  parts.log.AddPlainLine(parts.log.TimeStamp() + "打开文件:" + parts.ram.FileName);
  LogConversionNote(parts.log, prepared, chosen, parts.texts);

  const std::uint32_t sum = LoadIntoBuffer(parts, prepared.content, TooLongReport::OpenCommand);
  parts.hex.SetCheckSumText(OpenCheckSumPanelText(sum));
  parts.ram.CheckSum = sum;
  parts.hex.AlignView();
  parts.hex.RedrawHexView();
}

std::filesystem::path SaveFileName(const std::filesystem::path& chosen) {
  if (chosen.filename().u8string().find(u8'.') != std::u8string::npos) return chosen;
  std::filesystem::path name = chosen;
  name += ".bin";
  return name;
}

const std::string* OutputRefusalText(const Dev_Language_Struct& texts, OutputRefusal refusal) {
  switch (refusal) {
    case OutputRefusal::Folder:
      return &texts.LogOutputFolder;
    case OutputRefusal::NotAFile:
      return &texts.LogOutputNotAFile;
    case OutputRefusal::ReadOnly:
      return &texts.LogOutputReadOnly;
    case OutputRefusal::NotWritable:
      return &texts.LogOutputNotWritable;
    case OutputRefusal::FifoWithoutReader:
      return &texts.LogOutputFifoWithoutReader;
    case OutputRefusal::None:
      break;
  }
  return nullptr;
}

namespace {

// `texts` null: the English texts of the command line.
bool SaveBuffer(const Ram_File_Info_Struct& ram, OperationLog& log,
                const std::optional<std::filesystem::path>& chosen,
                const Dev_Language_Struct* texts) {
  if (!chosen) return false;
  const std::string not_saved = texts ? texts->LogBufferNotSaved : "the buffer was not saved: ";
  const std::string old_file_kept =
      texts ? texts->LogOldFileKept : "; the file already there is unchanged";
  const std::filesystem::path name = SaveFileName(*chosen);
  ImageFileWriter writer(name);
  if (!writer.Open()) {
    const std::string* refusal = texts ? OutputRefusalText(*texts, writer.refusal()) : nullptr;
    log.LogStamped(not_saved + (refusal ? *refusal + PathText(name) : writer.error()),
                   LogColour::Error);
    return false;
  }
  log.LogStamped("保存缓存区到文件：" + PathText(name), LogColour::Highlight);
  const std::span<const std::uint8_t> bytes(ram.Data.data(), ram.ShownLength());
  if (!writer.Write(bytes) || !writer.Commit()) {
    std::error_code ec;
    const bool kept = std::filesystem::exists(name, ec);
    log.LogStamped(not_saved + writer.error() + (kept ? old_file_kept : std::string()),
                   LogColour::Error);
    return false;
  }
  return true;
}

}  // namespace

bool SaveBufferAs(const Ram_File_Info_Struct& ram, OperationLog& log,
                  const std::optional<std::filesystem::path>& chosen) {
  return SaveBuffer(ram, log, chosen, nullptr);
}

bool SaveBufferAs(const Ram_File_Info_Struct& ram, OperationLog& log,
                  const std::optional<std::filesystem::path>& chosen,
                  const Dev_Language_Struct& texts) {
  return SaveBuffer(ram, log, chosen, &texts);
}

}  // namespace tessary
