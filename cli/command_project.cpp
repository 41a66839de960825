// tessary-cli project: offline projects for a Skar. "project write" writes
// the project file for a chip and a data file; "project download" sends a
// project file and its data file to the programmer's on-board storage and
// verifies the read-back.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/project_handlers.h"
#include "cli/commands.h"
#include "project/data_file_check.h"

namespace tessary::cli {
namespace {

namespace fs = std::filesystem;

struct WriteOptions {
  std::string project_file;
  std::string chip;
  std::string data;
  std::string steps = "id,erase,write,verify";
  std::string mode = "auto";
  std::string name;
  long long limit = -1;  // -1: no run limit
  std::string serial;
};

struct DownloadOptions {
  std::string project_file;
  std::string data;
};

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

// --steps: a comma list of id, erase, write, verify.
bool ApplyProjectSteps(const std::string& steps, ProjectChoices& choices, std::string& error) {
  choices.IdCheck = choices.Erase = choices.Write = choices.Verify = false;
  for (const std::string& step : SplitOn(steps, ',')) {
    if (step == "id") choices.IdCheck = true;
    else if (step == "erase") choices.Erase = true;
    else if (step == "write") choices.Write = true;
    else if (step == "verify") choices.Verify = true;
    else if (!step.empty()) {
      error = "--steps: \"" + step + "\" is not one of id, erase, write, verify";
      return false;
    }
  }
  return true;
}

// --serial ADDR:VALUE[:WIDTH[:ENDIAN]], hexadecimal address and first
// value, width 1, 2 or 4 bytes (4), byte order big or little (big).
bool ApplySerial(const std::string& serial, ProjectChoices& choices, std::string& error) {
  if (serial.empty()) return true;
  const std::vector<std::string> parts = SplitOn(serial, ':');
  error = "--serial: \"" + serial + "\" is not ADDR:VALUE[:1|2|4[:big|little]] (hexadecimal ADDR and VALUE)";
  if (parts.size() < 2 || parts.size() > 4) return false;
  if (!ParseTypedHex(parts[0]) || !ParseTypedHex(parts[1])) return false;
  choices.AutoSn = true;
  choices.SnAddr = parts[0];
  choices.SnValue = parts[1];
  choices.SnBytesIndex = 2;
  if (parts.size() > 2) {
    if (parts[2] == "1") choices.SnBytesIndex = 0;
    else if (parts[2] == "2") choices.SnBytesIndex = 1;
    else if (parts[2] != "4") return false;
  }
  choices.SnEndianIndex = 0;
  if (parts.size() > 3) {
    if (parts[3] == "little") choices.SnEndianIndex = 1;
    else if (parts[3] != "big") return false;
  }
  error.clear();
  return true;
}

int RunProjectWrite(const TransportOptions& transport, const WriteOptions& options) {
  ProjectChoices choices;
  choices.ChipName = options.chip;
  choices.ChipChosen = true;
  choices.PrjName = options.name;
  std::string error;
  if (!ApplyProjectSteps(options.steps, choices, error) || !ApplySerial(options.serial, choices, error))
    return ReportFailure(error, kExitUsage);
  if (options.mode == "manual") choices.DownMethodIndex = 0;
  else if (options.mode == "auto") choices.DownMethodIndex = 1;
  else if (options.mode == "machine") choices.DownMethodIndex = 2;
  else return ReportFailure("--mode: \"" + options.mode + "\" is not manual, auto or machine", kExitUsage);
  if (options.limit >= 0) {
    if (options.limit > 0xFFFF)
      return ReportFailure("--limit: the programmer counts at most 65535 runs", kExitUsage);
    choices.LimitRuns = true;
    choices.RunLimit = std::to_string(options.limit);
  }

  ProgrammerSession session(transport, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (!session.OpenCatalogue(error)) return ReportFailure(error, kExitFailure);
  AppContext& ctx = session.context();
  choices.PrjId = NextProjectId(ctx);
  const ProjectTextResult result = WriteProject(ctx, choices, options.data, options.project_file);
  if (result.status != ProjectFileStatus::Written)
    return ReportFailure("project file not written: " + result.detail, kExitFailure);
  std::printf("Project written: %s (%zu bytes)\n", options.project_file.c_str(), result.text.size());
  std::printf("Chip:      %s\n", ctx.OfflinePrj.ChipName.c_str());
  std::printf("Data file: %s, %u bytes, CRC32 %08X\n", options.data.c_str(), ctx.OfflinePrj.FileLen,
              ctx.OfflinePrj.Crc32);
  return kExitOk;
}

// The data file of a project file: --data, or the file the project names
// (its PrjName) beside the project file.
bool DataFileOf(const DownloadOptions& options, fs::path& data, std::string& error) {
  if (!options.data.empty()) {
    data = options.data;
    return true;
  }
  bool too_long = false;
  const auto bytes = ReadWholeFile(options.project_file, kProjectTextLimit, error, too_long);
  if (!bytes) {
    if (too_long) error = options.project_file + ": longer than the 512 bytes a project holds";
    return false;
  }
  const auto parsed = ParseProjectText(*bytes, error);
  if (!parsed) {
    error = options.project_file + ": not a project file: " + error;
    return false;
  }
  data = fs::path(options.project_file).parent_path() / parsed->PrjName;
  return true;
}

int RunProjectDownload(const TransportOptions& transport, const DownloadOptions& options) {
  std::string error;
  fs::path data;
  if (!DataFileOf(options, data, error)) return ReportFailure(error, kExitFailure);
  ProgrammerSession session(transport, error);
  if (!session.ok()) return ReportFailure(error, kExitFailure);
  if (!session.OpenProgrammer(error)) return ReportFailure(error, session.OpenExitCode());
  AppContext& ctx = session.context();
  std::string shown_step;
  ctx.Project.Changed = [&ctx, &shown_step] {
    const std::string& step = ctx.Project.sbPrj[0];
    if (!step.empty() && step != shown_step) {
      shown_step = step;
      std::fprintf(stderr, "%s\n", step.c_str());
    }
  };
  ctx.Project.LineAdded = [](const LogEntry& line) {
    if (line.colour != LogColour::Error) std::printf("%s\n", line.text.c_str());
  };
  const DownloadOutcome outcome = DownloadProjectFile(ctx, options.project_file, data);
  switch (outcome.result) {
    case DownloadResult::Done:
      return kExitOk;
    case DownloadResult::ProjectNotAnswered:
      return ReportFailure("the programmer did not answer the project file; nothing else was sent",
                           kExitFailure);
    case DownloadResult::NoDataFile:
    case DownloadResult::ProjectNotWritten:
    case DownloadResult::Busy:
    case DownloadResult::NotSkar:
    case DownloadResult::BadProjectText:
    case DownloadResult::DataUnreadable:
    case DownloadResult::DataTooLarge:
    case DownloadResult::DataChanged:
    case DownloadResult::WriteFailed:
    case DownloadResult::ReadBackDiffers:
      // Already told on stderr by the message of the failure.
      return kExitFailure;
  }
  return kExitFailure;
}

}  // namespace

void AddProjectCommand(CLI::App& app, CommandContext& context) {
  CLI::App* project = app.add_subcommand("project", "Offline projects of a Skar programmer");
  project->require_subcommand(1);

  auto write = std::make_shared<WriteOptions>();
  CLI::App* write_command = project->add_subcommand("write", "Write a project file");
  write_command->add_option("FILE", write->project_file, "Project file to write")->required();
  write_command->add_option("--chip", write->chip, "Catalogue name of the chip")->required();
  write_command->add_option("--data", write->data, "Data file the programmer writes")->required();
  write_command->add_option("--steps", write->steps,
                            "Comma list of id, erase, write, verify (default: all four)");
  write_command->add_option("--mode", write->mode, "How the programmer starts: manual, auto (default) or machine");
  write_command->add_option("--name", write->name, "Project name (default: the data file's name)");
  write_command->add_option("--limit", write->limit, "Stop the programmer after N runs (0..65535)")
      ->type_name("N")
      ->check(CLI::Range(0LL, 0xFFFFFFFFLL));
  write_command->add_option("--serial", write->serial,
                            "Write a serial number into each chip: ADDR:VALUE[:1|2|4[:big|little]] "
                            "(hexadecimal address and first value)");
  write_command->callback([&context, write] {
    context.exit_code = RunProjectWrite(context.transport, *write);
  });

  auto download = std::make_shared<DownloadOptions>();
  CLI::App* download_command =
      project->add_subcommand("download", "Send a project and its data file to a Skar and verify it");
  download_command->add_option("FILE", download->project_file, "Project file")->required();
  download_command->add_option("--data", download->data,
                               "Data file (default: the file the project names, beside FILE)");
  download_command->callback([&context, download] {
    context.exit_code = RunProjectDownload(context.transport, *download);
  });
}

}  // namespace tessary::cli
