// The entry points of the File and Buffer menus and of the value dialog
// (TfrmFileEdit): each takes the buffer's parts of the context, runs the
// buffer's behaviour and updates what the main window shows of it (title,
// checksum panel, the open dialog's file name).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/app_context.h"
#include "buffer/buffer_tools.h"

namespace tessary {

// The buffer's parts of the context.
[[nodiscard]] BufferParts BufferPartsOf(AppContext& ctx);

// The language file of the current language, where the dialogs' texts are.
[[nodiscard]] std::filesystem::path LanguageFileOf(const AppContext& ctx);

// The set-ups of the value dialog: MenuBufferFill (and sbBufferFill),
// MenuBufferGoto, MenuBufferFind, and a file dropped on the main window.
[[nodiscard]] FileEditSetup MenuBufferFillClick(const AppContext& ctx);
[[nodiscard]] FileEditSetup MenuBufferGotoClick(const AppContext& ctx);
[[nodiscard]] FileEditSetup MenuBufferFindClick(const AppContext& ctx);
[[nodiscard]] FileEditSetup FileImportSetup(const AppContext& ctx);

// OK in import mode, for the last dropped file `file`: the start address is
// read from the first field (refused with a message, the dialog staying
// open, when it is not a number); the file is converted and read as by
// File > Open and loaded (ImportDataFile), and "CHECKSUM:0x........" goes to
// status panel 3. A file that cannot be opened, converted or read is
// reported in red and changes nothing; the dialog closes.
[[nodiscard]] FileEditResult FileImportOk(AppContext& ctx, const FileEditFields& fields,
                                          const std::filesystem::path& file);

// The value dialog's OK button in its mode; `import_file` is the last file
// dropped, `random` the fill's byte source.
[[nodiscard]] FileEditResult btnFileInportOKClick(AppContext& ctx, FileEditMode mode,
                                                  const FileEditFields& fields,
                                                  const std::filesystem::path& import_file,
                                                  RandomByteSource& random);

// File > Open (sbOpenFileClick) after the open dialog. Cancelled (nothing
// chosen): the dialog's file name becomes temp/test.bin and nothing else
// changes. Chosen: the dialog's file name, FilePath and the title take the
// file, the buffer is loaded (OpenDataFile) and "CheckSum:0x........H"
// shown in status panel 3. False when nothing was loaded (cancelled, or a
// failure that has been logged).
bool sbOpenFileClick(AppContext& ctx, const std::optional<std::filesystem::path>& chosen);

// Loads a data file (raw, Intel HEX or CAP) into the buffer as File > Open
// does with a chosen file; what the window and the command line share.
bool LoadDataFile(AppContext& ctx, const std::filesystem::path& file);

// File > Save / Save As after the save dialog (SaveBufferAs).
bool Menu_File_SaveAsClick(AppContext& ctx, const std::optional<std::filesystem::path>& chosen);

// Find next: the next match (FindNextMatch), for the window to select.
[[nodiscard]] std::optional<HexRange> MenuBufferFindNextClick(AppContext& ctx);

}  // namespace tessary
