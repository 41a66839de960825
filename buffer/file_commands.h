// File > Open and File > Save (As): loading a data file into the buffer
// (converting Intel HEX and CAP files into a raw image in the program's temp
// folder first) and writing the buffer to a raw binary file. The file import
// editor shares the loading steps.
//
// The open and save dialogs belong to the window: it shows them and passes
// the chosen path in, or nothing when the operator cancelled. What the window
// shows of a load (its title, the checksum panel) is set by the caller.
//
// A load either happens completely or not at all: the file is converted and
// read before anything of the buffer, RamFile, RamStartAddr or the title
// changes, so a file that cannot be opened, converted or read leaves all of
// them as they were and is reported in red in the log.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "buffer/buffer_tools.h"
#include "buffer/file_formats.h"

namespace tessary {

// The open dialog's filter (also set on a drop) and the save dialog's.
inline constexpr std::string_view kOpenDialogFilter =
    "Bin File|*.bin|Cap File|*.cap|Hex File|*.hex|Rom File|*.rom|ALL|*.*";
inline constexpr std::string_view kSaveDialogTitle = "保存缓存区";
inline constexpr std::string_view kSaveDialogFilter = "Bin File|*.bin|ALL|*.*";

// The open dialog's title: FileInport/ODTitle of the current language file.
[[nodiscard]] std::string OpenDialogTitle(const std::filesystem::path& language_file);

// The converted images in the temp folder: hex.bin and cap.bin.
[[nodiscard]] std::filesystem::path HexImagePath(const std::filesystem::path& temp_folder);
[[nodiscard]] std::filesystem::path CapImagePath(const std::filesystem::path& temp_folder);

// A data file's bytes, read whole and not yet in the buffer.
struct BufferImage {
  std::vector<std::uint8_t> bytes;  // at most the limit it was read with
  std::uint64_t file_length = 0;    // the whole file

  // The file is longer than the buffer may hold; `bytes` is its beginning.
  [[nodiscard]] bool cut() const { return file_length > bytes.size(); }
};

// A data file made ready for the buffer.
struct PreparedDataFile {
  bool ok = false;
  std::string error;  // when !ok: for the operator, naming the file
  // When a conversion failed: why, and the line of an Intel HEX source it
  // is on (0 for other faults). The window words the fault in its language.
  ConversionFault fault = ConversionFault::None;
  std::size_t line = 0;
  std::filesystem::path chosen;
  // The file the bytes come from: the chosen file itself, or the converted
  // image for Intel HEX and CAP files. Becomes RamFile.FileName.
  std::filesystem::path image;
  BufferImage content;
  // From the converter: something about the image the operator should know
  // (gaps between records). Empty when there is nothing.
  std::string note;
  ConversionNote note_kind = ConversionNote::None;
};

// Decides the type of `chosen` by its name, converts Intel HEX into
// temp/hex.bin and CAP into temp/cap.bin (the temp folder must exist), and
// reads the resulting binary file up to `limit` bytes. Changes nothing of
// the buffer; the working image in temp is replaced or, after a failed
// conversion, removed.
[[nodiscard]] PreparedDataFile PrepareDataFile(const std::filesystem::path& temp_folder,
                                               const std::filesystem::path& chosen,
                                               std::uint32_t limit);

// The red line of a file that could not be prepared: nothing was loaded.
// The command line's text is English; the window's leads with the text of
// its language, the detail (file, line, what went wrong) after it.
void LogNotLoaded(OperationLog& log, const PreparedDataFile& prepared);
void LogNotLoaded(OperationLog& log, const PreparedDataFile& prepared,
                  const Dev_Language_Struct& texts);

// Who loads, which decides how a file longer than the chip is reported.
enum class TooLongReport : std::uint8_t {
  OpenCommand,  // red log line in the current language, then a message box
  FileImport,   // red log line only
};

// The loading step shared by File > Open and the file import: DataLen = the
// image's length (cut to the chip, with the caller's report), the scroll bar
// to 0..DataLen at 0, ViewTop = 0, the bytes from offset 0. Bytes past
// DataLen keep what they held. Returns the byte sum of the bytes loaded.
// The caller shows the checksum and redraws.
std::uint32_t LoadIntoBuffer(const BufferParts& parts, const BufferImage& image,
                             TooLongReport report);

// The texts of the too-long report.
[[nodiscard]] std::string TooLongOpenText(const OperationLog& log, std::int32_t language);
[[nodiscard]] std::string TooLongImportText(const OperationLog& log);

// Logs a converter's note in grey after the "打开文件:" line, in the
// language of `texts`, naming the chosen file.
void LogConversionNote(OperationLog& log, const PreparedDataFile& prepared,
                       const std::filesystem::path& chosen, const Dev_Language_Struct& texts);

// File > Open of a prepared file (`chosen` is the file the operator chose):
// RamStartAddr = 0, Loaded = 1, FileName (the converted image for Intel HEX
// and CAP), the log shows "hh:mm:ss 打开文件:" + FileName, the buffer is
// loaded, its checksum becomes "CheckSum:0x........H" and the view is
// redrawn. The caller shows the checksum in status panel 3.
void OpenDataFile(const BufferParts& parts, const PreparedDataFile& prepared,
                  const std::filesystem::path& chosen);

// The name a save goes to: ".bin" appended when the file name (not the
// folder) has no ".".
[[nodiscard]] std::filesystem::path SaveFileName(const std::filesystem::path& chosen);

// File > Save / Save As (Menu_File_SaveAsClick) after the save dialog:
// writes DataLen bytes of the buffer from offset 0 to SaveFileName(chosen)
// and logs "hh:mm:ss 保存缓存区到文件：" + name in the highlight colour.
// The file is written under a temporary name and put in place only when
// complete, so a failed save leaves any earlier file of that name as it
// was; the failure is logged in red. Nothing in RamFile, the settings or
// the title changes. False when cancelled or failed.
// The failure texts are English, or those of `texts` for the window: a
// target refused for what it is (a folder, a read-only file ...) is worded
// by `texts` and named; what the system said of a failed write is passed on.
bool SaveBufferAs(const Ram_File_Info_Struct& ram, OperationLog& log,
                  const std::optional<std::filesystem::path>& chosen);
bool SaveBufferAs(const Ram_File_Info_Struct& ram, OperationLog& log,
                  const std::optional<std::filesystem::path>& chosen,
                  const Dev_Language_Struct& texts);

// The text of `texts` for a refused output file; nullptr for None.
[[nodiscard]] const std::string* OutputRefusalText(const Dev_Language_Struct& texts,
                                                   OutputRefusal refusal);

}  // namespace tessary
