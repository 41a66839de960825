// The offline project window's entry points (TfrmProject) and the behaviour
// functions the window and the command line share: choosing the data file,
// writing the project file, and downloading a project into a Skar.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/app_context.h"
#include "project/project_download.h"
#include "project/project_file.h"

namespace tessary {

// The window's captions and messages in the current language (section
// "OfflinePrj" of the language file, built-in Simplified Chinese).
struct ProjectTexts {
  std::string Caption, EditPage, ChooseDataFile, OperationGroup, IdCheck, Erase, BlankCheck, Write,
      Verify, DownMethod, MethodManual, MethodAuto, MethodMachine, LimitRuns, DownloadButton,
      NoFileYet, FileNameLabel, FileNameNote, ChooseChip, ChooseDataFirst, VerifyFailed,
      WriteFailed, DataUnreadable, DataTooLarge, DataChanged, ProjectNotWritten, ProjectTooLong,
      ProjectNotAnswered, NotSkar, Downloaded;
  DownloadTexts Status;
};
[[nodiscard]] ProjectTexts LoadProjectTexts(const AppContext& ctx);

// Appends a line in a colour to the project window's log.
void AppendProjectLog(AppContext& ctx, std::string_view text, LogColour colour);

// TfrmMain::MenuPrjOfflineClick: opens the window with a fresh log, borrows
// the chip selection frame and takes the main operation settings.
void MenuPrjOfflineClick(AppContext& ctx);

// TfrmProject::FormClose: gives the chip selection frame back. Refused
// (false, the window stays) while a download runs.
[[nodiscard]] bool ProjectFormClose(AppContext& ctx);

// TfrmProject::Button2Click after the open-file dialog gave `path`:
// measures the data file into DataFile, FileLen and Crc32 of the offline
// project and logs its name and check value. A file that cannot be read is
// reported in red and leaves FileLen and Crc32 unset; false then.
bool ProjectButton2Click(AppContext& ctx, const std::string& path);

// What the window holds, as the project writer takes it.
[[nodiscard]] ProjectChoices ProjectChoicesOf(AppContext& ctx);

// The next project ID (0 .. 0x7FFFFFFE) of the generator seeded once from
// the clock.
[[nodiscard]] std::uint32_t NextProjectId(AppContext& ctx);

// TfrmProject::btnDownLoadPrjClick: writes "temp\temp.gprj" from the window
// and downloads it with the chosen data file. Nothing is sent when the
// project file could not be written whole or the data file is missing,
// unreadable, changed since it was chosen or longer than the storage.
DownloadOutcome btnDownLoadPrjClick(AppContext& ctx);

// The command line's "project write": measures `data_file`, then writes the
// project text for `choices` to `project_file`. Reports on the panel; the
// result says how it ended.
[[nodiscard]] ProjectTextResult WriteProject(AppContext& ctx, const ProjectChoices& choices,
                                             const std::filesystem::path& data_file,
                                             const std::filesystem::path& project_file);

// The command line's "project download": reads a project file back, checks
// `data_file` against it and downloads both into the linked Skar.
[[nodiscard]] DownloadOutcome DownloadProjectFile(AppContext& ctx,
                                                  const std::filesystem::path& project_file,
                                                  const std::filesystem::path& data_file);

}  // namespace tessary
