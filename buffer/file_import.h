// The file import editor: files dropped on the main window are loaded through
// the value dialog in its import mode, where the operator confirms the
// buffer start address (RamStartAddr) first. The file always goes to buffer
// offset 0; the start address only moves the addresses the hex view shows
// and where the write and verify operations start.
#pragma once

#include <filesystem>

#include "app/app_context.h"
#include "buffer/buffer_tools.h"

namespace tessary {

// The import dialog's caption and label: fixed texts, not from the language
// file.
inline constexpr std::string_view kImportDialogCaption = "文件导入缓存区编辑";
inline constexpr std::string_view kImportStartLabel = "缓存区起始地址(HEX):";

// The set-up a drop gives the dialog: the caption and label above, the
// current RamStartAddr as 8 digits, the other fields hidden, OK and Cancel
// from the language texts.
[[nodiscard]] FileEditSetup FileImportSetup(const AppContext& ctx);

// OK in import mode, for the last dropped file `file`: the start address is
// read from the first field (refused with a message, the dialog staying
// open, when it is not a number); the file is converted and read as by
// File > Open; then RamStartAddr = the address, Loaded = 1, FileName = the
// file or its converted image, the log shows "hh:mm:ss 打开文件:" + the
// dropped path, the buffer is loaded (a longer file than the chip is cut
// and reported in red, without a message box), "CHECKSUM:0x........" goes to
// status panel 3 and the view is redrawn. The title and FilePath stay.
// A file that cannot be opened, converted or read is reported in red and
// changes nothing; the dialog closes.
[[nodiscard]] FileEditResult FileImportOk(AppContext& ctx, const FileEditFields& fields,
                                          const std::filesystem::path& file);

}  // namespace tessary
