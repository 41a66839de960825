// The offline project window's handlers and the project behaviour shared
// with the command line.
#include "app/project_handlers.h"

#include "app/operation_handlers.h"
#include "base/language_files.h"
#include "base/profile_file.h"
#include "project/data_file_check.h"

namespace tessary {
namespace {

constexpr std::string_view kSection = "OfflinePrj";
constexpr std::size_t kProjectReadLimit = 4096;  // longer texts are refused as too long anyway

void NotifyChanged(AppContext& ctx) {
  if (ctx.Project.Changed) ctx.Project.Changed();
}

// The project window's status bar and progress bar as the download's view.
class ProjectDownloadView final : public DownloadView {
 public:
  explicit ProjectDownloadView(AppContext& ctx) : ctx_(ctx) {}
  void SetStep(std::string_view text) override {
    ctx_.Project.sbPrj[0] = std::string(text);
    NotifyChanged(ctx_);
  }
  void SetState(std::string_view text) override {
    ctx_.Project.sbPrj[1] = std::string(text);
    NotifyChanged(ctx_);
  }
  void SetProgress(int percent) override {
    ctx_.Project.pbPrjDownStatus = percent;
    NotifyChanged(ctx_);
  }

 private:
  AppContext& ctx_;
};

// Marks a download as running for its whole length: the project window's
// buttons and the main window's operations wait for it.
class DownloadScope {
 public:
  explicit DownloadScope(AppContext& ctx) : ctx_(ctx) {
    ctx_.Project.DownloadRunning = true;
    ctx_.Window.OperationRunning = true;
    ctx_.panel.MainWindowStateChanged();
    NotifyChanged(ctx_);
  }
  ~DownloadScope() {
    ctx_.Project.DownloadRunning = false;
    ctx_.Window.OperationRunning = false;
    ctx_.panel.MainWindowStateChanged();
    NotifyChanged(ctx_);
  }
  DownloadScope(const DownloadScope&) = delete;
  DownloadScope& operator=(const DownloadScope&) = delete;

 private:
  AppContext& ctx_;
};

std::string WithDetail(std::string_view text, std::string_view detail) {
  return detail.empty() ? std::string(text) : std::string(text) + " (" + std::string(detail) + ")";
}

void Refuse(AppContext& ctx, std::string_view message) {
  AppendProjectLog(ctx, message, LogColour::Error);
  ctx.panel.ShowMessage(message, "", MessageKind::Warning);
}

// Reports how a download ended, in the project log and, where the operator
// must act, in a message box.
void ReportDownload(AppContext& ctx, const ProjectTexts& texts, const DownloadOutcome& outcome) {
  switch (outcome.result) {
    case DownloadResult::Done:
      AppendProjectLog(ctx, texts.Downloaded, LogColour::Success);
      return;
    case DownloadResult::ReadBackDiffers:
      return Refuse(ctx, texts.VerifyFailed);
    case DownloadResult::WriteFailed:
      return Refuse(ctx, texts.WriteFailed);
    case DownloadResult::ProjectNotAnswered:
      return AppendProjectLog(ctx, texts.ProjectNotAnswered, LogColour::Error);
    case DownloadResult::DataUnreadable:
      return Refuse(ctx, WithDetail(texts.DataUnreadable, outcome.detail));
    case DownloadResult::DataTooLarge:
      return Refuse(ctx, WithDetail(texts.DataTooLarge, outcome.detail));
    case DownloadResult::DataChanged:
      return Refuse(ctx, WithDetail(texts.DataChanged, outcome.detail));
    case DownloadResult::BadProjectText:
    case DownloadResult::ProjectNotWritten:
      return Refuse(ctx, WithDetail(texts.ProjectNotWritten, outcome.detail));
    case DownloadResult::NoDataFile:
      return Refuse(ctx, WithDetail(texts.ChooseDataFirst, outcome.detail));
    case DownloadResult::Busy:
    case DownloadResult::NotSkar:
      return Refuse(ctx, outcome.detail);
  }
}

// Reads a project file back and downloads it with its data file.
DownloadOutcome DownloadWrittenProject(AppContext& ctx, const ProjectTexts& texts,
                                       const std::filesystem::path& project_file,
                                       const std::filesystem::path& data_file) {
  std::string error;
  bool too_long = false;
  const std::optional<std::vector<std::uint8_t>> text =
      ReadWholeFile(project_file, kProjectReadLimit, error, too_long);
  if (!text) return {DownloadResult::BadProjectText, error};
  ProjectDownloadView view(ctx);
  ctx.Project.pbPrjDownStatusMax = 100;
  ctx.Project.pbPrjDownStatus = 0;
  return DownloadProject(ctx.link, *text, data_file, view, texts.Status);
}

}  // namespace

ProjectTexts LoadProjectTexts(const AppContext& ctx) {
  const ProfileFile language(LanguageFilePath(ctx.Paths.DataFolder(), ctx.DeviceInfo.Language));
  const auto read = [&](std::string_view key) { return ReadDialogText(language, kSection, key); };
  ProjectTexts t;
  t.Caption = read("Caption");
  t.EditPage = read("EditPage");
  t.ChooseDataFile = read("ChooseDataFile");
  t.OperationGroup = read("OperationGroup");
  t.IdCheck = read("IdCheck");
  t.Erase = read("Erase");
  t.BlankCheck = read("BlankCheck");
  t.Write = read("Write");
  t.Verify = read("Verify");
  t.DownMethod = read("DownMethod");
  t.MethodManual = read("MethodManual");
  t.MethodAuto = read("MethodAuto");
  t.MethodMachine = read("MethodMachine");
  t.LimitRuns = read("LimitRuns");
  t.DownloadButton = read("DownloadButton");
  t.NoFileYet = read("NoFileYet");
  t.ChooseChip = read("ChooseChip");
  t.ChooseDataFirst = read("ChooseDataFirst");
  t.VerifyFailed = read("VerifyFailed");
  t.WriteFailed = read("WriteFailed");
  t.DataUnreadable = read("DataUnreadable");
  t.DataTooLarge = read("DataTooLarge");
  t.DataChanged = read("DataChanged");
  t.ProjectNotWritten = read("ProjectNotWritten");
  t.ProjectTooLong = read("ProjectTooLong");
  t.ProjectNotAnswered = read("ProjectNotAnswered");
  t.NotSkar = read("NotSkar");
  t.Downloaded = read("Downloaded");
  DownloadTexts& s = t.Status;
  s.ProjectStep = read("StepProject");
  s.DownloadError = read("StateDownloadError");
  s.DownloadSuccess = read("StateDownloadSuccess");
  s.DataStep = read("StepData");
  s.DataStarting = read("StateDataStarting");
  s.WriteStep = read("StepWrite");
  s.WriteDone = read("StateWriteDone");
  s.WriteError = read("StateWriteError");
  s.VerifyStep = read("StepVerify");
  s.VerifyDone = read("StateVerifyDone");
  s.VerifyError = read("StateVerifyError");
  // The file name label and its note follow the language code, not a file.
  switch (ctx.DeviceInfo.Language) {
    case kLanguageSimplifiedChinese:
      t.FileNameLabel = "文件名: ";
      t.FileNameNote = "注意：文件名只支持显示英文字符（包含大小写）与数字！中文会导致显示异常！";
      break;
    case kLanguageTraditionalChinese:
      t.FileNameLabel = "文件名: ";
      t.FileNameNote = "注意: 文件名只支持顯示英文字符（包含大小寫）與數字！中文會導致顯示異常！";
      break;
    default:
      t.FileNameLabel = "File Name: ";
      t.FileNameNote = "    ";
      break;
  }
  return t;
}

void AppendProjectLog(AppContext& ctx, std::string_view text, LogColour colour) {
  LogEntry entry{std::string(text), colour};
  ctx.Project.Log.push_back(entry);
  if (ctx.Project.LineAdded) ctx.Project.LineAdded(entry);
  NotifyChanged(ctx);
}

void MenuPrjOfflineClick(AppContext& ctx) {
  const ProjectTexts texts = LoadProjectTexts(ctx);
  ProjectWindowState& window = ctx.Project;
  window.Log.clear();
  AppendProjectLog(ctx, texts.NoFileYet, LogColour::Plain);
  ctx.ChipFrame.HostedInMainWindow = false;
  window.chkPrjIdCheck = ctx.CurrentPrj.OprIdCheck != 0;
  window.chkPrjErase = ctx.CurrentPrj.OprErase != 0;
  window.chkPrjWrite = ctx.CurrentPrj.OprWrite != 0;
  window.chkPrjVerify = ctx.CurrentPrj.OprVerify != 0;
  ctx.OfflinePrj.OprIdCheck = ctx.CurrentPrj.OprIdCheck;
  ctx.OfflinePrj.OprErase = ctx.CurrentPrj.OprErase;
  ctx.OfflinePrj.OprWrite = ctx.CurrentPrj.OprWrite;
  ctx.OfflinePrj.OprVerify = ctx.CurrentPrj.OprVerify;
  window.Visible = true;
  ctx.panel.MainWindowStateChanged();
  NotifyChanged(ctx);
}

bool ProjectFormClose(AppContext& ctx) {
  if (ctx.Project.DownloadRunning) return false;
  ctx.Project.Visible = false;
  ctx.ChipFrame.HostedInMainWindow = true;
  ctx.panel.MainWindowStateChanged();
  NotifyChanged(ctx);
  return true;
}

bool ProjectButton2Click(AppContext& ctx, const std::string& path) {
  const ProjectTexts texts = LoadProjectTexts(ctx);
  ProjectWindowState& window = ctx.Project;
  ctx.OfflinePrj.DataFile = path;
  window.Log.clear();
  const std::string name = FileNamePart(path, kDataFileNameLimit);
  window.editPrjName = name;
  std::string error;
  const std::optional<DataFileCheck> check = CheckDataFile(path, error);
  if (!check) {
    window.DataFileMeasured = false;
    AppendProjectLog(ctx, texts.FileNameLabel + name, LogColour::Note);
    AppendProjectLog(ctx, WithDetail(texts.DataUnreadable, error), LogColour::Error);
    return false;
  }
  ctx.OfflinePrj.FileLen = check->length;
  ctx.OfflinePrj.Crc32 = check->crc32;
  window.DataFileMeasured = true;
  AppendProjectLog(ctx, texts.FileNameLabel + name + "    CRC32: 0x" + Hex8(check->crc32),
                   LogColour::Note);
  AppendProjectLog(ctx, texts.FileNameNote, LogColour::Error);
  return true;
}

std::uint32_t NextProjectId(AppContext& ctx) {
  std::optional<std::minstd_rand>& generator = ctx.Project.PrjIdGenerator;
  if (!generator) generator.emplace(static_cast<std::uint32_t>(ctx.clock.NowMicroseconds()));
  return std::uniform_int_distribution<std::uint32_t>(0, kPrjIdLimit)(*generator);
}

ProjectChoices ProjectChoicesOf(AppContext& ctx) {
  const ProjectWindowState& window = ctx.Project;
  ProjectChoices choices;
  choices.PrjId = NextProjectId(ctx);
  choices.PrjName = window.editPrjName;
  choices.ChipName = ctx.ChipFrame.cmbDownChipName.text;
  choices.ChipChosen = ctx.ChipFrame.cmbDownChipName.index >= 0;
  choices.DownMethodIndex = window.cmbDownMethod;
  choices.IdCheck = window.chkPrjIdCheck;
  choices.Erase = window.chkPrjErase;
  choices.Write = window.chkPrjWrite;
  choices.Verify = window.chkPrjVerify;
  choices.AutoSn = window.chkAutoSN;
  choices.SnBytesIndex = window.cmbSNBytes;
  choices.SnEndianIndex = window.cmbSNEndian;
  choices.SnAddr = window.lbeSnAddr;
  choices.SnValue = window.lbeSnValue;
  choices.LimitRuns = window.chkProTimes;
  choices.RunLimit = window.editProTimes;
  return choices;
}

DownloadOutcome btnDownLoadPrjClick(AppContext& ctx) {
  const ProjectTexts texts = LoadProjectTexts(ctx);
  // A second click while the first download runs never starts another (the
  // window's buttons are disabled then); a chip operation or mass
  // production of the main window uses the same link.
  if (ctx.Project.DownloadRunning) return {DownloadResult::Busy, {}};
  if (ctx.Window.OperationRunning || ctx.Window.MassRunning) {
    AppendProjectLog(ctx, ctx.Texts.LogOperationRunning, LogColour::Error);
    return {DownloadResult::Busy, ctx.Texts.LogOperationRunning};
  }
  const std::string& data_file = ctx.OfflinePrj.DataFile;
  if (data_file.empty() || data_file == "0") {
    ctx.panel.ShowMessage(texts.ChooseDataFirst, "", MessageKind::Information);
    return {DownloadResult::NoDataFile, {}};
  }
  if (!ctx.Project.DataFileMeasured) {
    DownloadOutcome outcome{DownloadResult::DataUnreadable, data_file};
    ReportDownload(ctx, texts, outcome);
    return outcome;
  }
  DownloadScope running(ctx);
  const std::filesystem::path project_file = ctx.Paths.TempFolder() / "temp.gprj";
  const ProjectTextResult written =
      WriteProjectFile(project_file, ProjectChoicesOf(ctx), ctx.Database, ctx.OfflinePrj);
  switch (written.status) {
    case ProjectFileStatus::Written:
      break;
    case ProjectFileStatus::NoChip:
      ctx.panel.ShowMessage(texts.ChooseChip, "", MessageKind::Warning);
      return {DownloadResult::ProjectNotWritten, written.detail};
    case ProjectFileStatus::TooLong: {
      DownloadOutcome outcome{DownloadResult::ProjectNotWritten, written.detail};
      Refuse(ctx, WithDetail(texts.ProjectTooLong, written.detail));
      return outcome;
    }
    case ProjectFileStatus::NotInCatalogue:
    case ProjectFileStatus::BadValue:
    case ProjectFileStatus::NotWritable: {
      DownloadOutcome outcome{DownloadResult::ProjectNotWritten, written.detail};
      ReportDownload(ctx, texts, outcome);
      return outcome;
    }
  }
  const DownloadOutcome outcome = DownloadWrittenProject(ctx, texts, project_file, data_file);
  ReportDownload(ctx, texts, outcome);
  return outcome;
}

ProjectTextResult WriteProject(AppContext& ctx, const ProjectChoices& choices,
                               const std::filesystem::path& data_file,
                               const std::filesystem::path& project_file) {
  if (!ProjectButton2Click(ctx, data_file.string()))
    return ProjectTextResult{ProjectFileStatus::BadValue, {}, ctx.Project.Log.back().text};
  ProjectChoices named = choices;
  if (named.PrjName.empty()) named.PrjName = ctx.Project.editPrjName;
  ProjectTextResult result = WriteProjectFile(project_file, named, ctx.Database, ctx.OfflinePrj);
  if (result.status != ProjectFileStatus::Written) {
    const ProjectTexts texts = LoadProjectTexts(ctx);
    AppendProjectLog(ctx, WithDetail(texts.ProjectNotWritten, result.detail), LogColour::Error);
  }
  return result;
}

DownloadOutcome DownloadProjectFile(AppContext& ctx, const std::filesystem::path& project_file,
                                    const std::filesystem::path& data_file) {
  const ProjectTexts texts = LoadProjectTexts(ctx);
  if (!ctx.link.LinkOpen() || !ctx.DeviceInfo.DevName.starts_with("Skar")) {
    DownloadOutcome outcome{DownloadResult::NotSkar, texts.NotSkar};
    ReportDownload(ctx, texts, outcome);
    return outcome;
  }
  DownloadScope running(ctx);
  const DownloadOutcome outcome = DownloadWrittenProject(ctx, texts, project_file, data_file);
  ReportDownload(ctx, texts, outcome);
  return outcome;
}

}  // namespace tessary
