// The file import editor: files dropped on the main window are loaded through
// the value dialog in its import mode, where the operator confirms the
// buffer start address (RamStartAddr) first. The file always goes to buffer
// offset 0; the start address only moves the addresses the hex view shows
// and where the write and verify operations start.
#pragma once

#include <filesystem>

#include "buffer/buffer_tools.h"
#include "buffer/file_commands.h"

namespace tessary {

// The import dialog's caption and label: fixed texts, not from the language
// file.
inline constexpr std::string_view kImportDialogCaption = "文件导入缓存区编辑";
inline constexpr std::string_view kImportStartLabel = "缓存区起始地址(HEX):";

// The set-up a drop gives the dialog: the caption and label above, the
// current RamStartAddr `ram_start` as 8 digits, the other fields hidden, OK
// and Cancel from the language texts.
[[nodiscard]] FileEditSetup ImportDialogSetup(std::uint32_t ram_start,
                                              const Dev_Language_Struct& texts);

// OK in import mode, for the last dropped file `file` once prepared as by
// File > Open and the start address read from the dialog: RamStartAddr =
// `start`, Loaded = 1, FileName = the file or its converted image, the log
// shows "hh:mm:ss 打开文件:" + the dropped path, the buffer is loaded (a
// longer file than the chip is cut and reported in red, without a message
// box), the checksum becomes "CHECKSUM:0x........" and the view is redrawn.
// The caller shows the checksum in status panel 3; the title and FilePath
// stay.
void ImportDataFile(const BufferParts& parts, std::uint32_t start, const PreparedDataFile& prepared,
                    const std::filesystem::path& file);

}  // namespace tessary
