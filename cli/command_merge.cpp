// tessary-cli merge: two to four binary files joined into one image at
// hexadecimal start addresses, gaps filled with one byte; the same rules as
// the merge window.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "buffer/buffer_tools.h"
#include "buffer/data_buffer.h"
#include "buffer/file_formats.h"
#include "buffer/file_merge.h"
#include "cli/commands.h"

namespace tessary::cli {
namespace {

struct MergeOptions {
  std::vector<std::string> files;  // FILE@ADDR
  std::string output;
  std::string fill = std::string(kMergeDefaultFill);
};

int RunMerge(const MergeOptions& options) {
  if (options.files.size() < kMergeMinFiles || options.files.size() > kMergeMaxFiles) {
    return ReportFailure(
        "merge takes 2 to 4 files (FILE@ADDR), got " + std::to_string(options.files.size()),
        kExitUsage);
  }
  if (options.fill.size() != 2 || !ParseHexNumber(options.fill)) {
    return ReportFailure("--fill takes two hexadecimal digits, e.g. FF; got '" + options.fill + "'",
                         kExitUsage);
  }
  std::vector<MergeSource> sources;
  for (const std::string& argument : options.files) {
    // The last @ splits, so a path may hold one of its own.
    const std::size_t at = argument.rfind('@');
    if (at == std::string::npos || at == 0) {
      return ReportFailure("'" + argument +
                               "' needs a start address: FILE@ADDR with ADDR hexadecimal, "
                               "e.g. boot.bin@0 app.bin@8000",
                           kExitUsage);
    }
    const std::string address = argument.substr(at + 1);
    const std::optional<std::int32_t> start = ParseHexNumber(address);
    if (!start)
      return ReportFailure("start address of '" + argument + "': " + HexNumberError(address),
                           kExitUsage);
    sources.push_back({argument.substr(0, at), static_cast<std::uint32_t>(*start)});
  }

  const PreparedMerge prepared = PrepareMerge(sources, options.fill);
  if (!prepared.job) return ReportFailure(prepared.error, kExitFailure);
  const MergeJob& job = *prepared.job;
  for (std::size_t index : job.overwriting) {
    std::fprintf(stderr,
                 "tessary-cli: warning: '%s' starts inside an earlier file and is written over "
                 "it at %s\n",
                 PathText(job.sources[index].file).c_str(), Hex8(job.sources[index].start).c_str());
  }
  const MergeWriteResult result = WriteMerge(job, options.output);
  if (!result) return ReportFailure(result.error, kExitFailure);

  for (std::size_t i = 0; i < job.sources.size(); ++i) {
    const std::uint64_t end = job.sources[i].start + job.lengths[i];
    std::printf("%zu  %s  %s  %s\n", i + 1, Hex8(job.sources[i].start).c_str(),
                Hex8(static_cast<std::uint32_t>(end - 1)).c_str(),
                PathText(job.sources[i].file).c_str());
  }
  std::printf("Merged %zu files into %s: %llu bytes (0x%llX)\n", job.sources.size(),
              options.output.c_str(), static_cast<unsigned long long>(result.bytes_written),
              static_cast<unsigned long long>(result.bytes_written));
  return kExitOk;
}

}  // namespace

void AddMergeCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<MergeOptions>();
  CLI::App* command = app.add_subcommand(
      "merge",
      "Join 2 to 4 binary files into one image, each at a hexadecimal start address "
      "(e.g. boot.bin@0 app.bin@8000); gaps get the fill byte. A file starting inside an earlier "
      "one is written over it. The output is replaced only once it is complete");
  command->add_option("FILE@ADDR", options->files, "Input file and its start address (hex)")
      ->required();
  command->add_option("-o,--output", options->output, "Merged image to write")->required();
  command->add_option("--fill", options->fill, "Gap fill byte, two hex digits")
      ->capture_default_str();
  command->callback([&context, options] { context.exit_code = RunMerge(*options); });
}

}  // namespace tessary::cli
