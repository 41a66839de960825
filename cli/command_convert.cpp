// tessary-cli convert: the binary image the program would load from a data
// file (raw, Intel HEX or CAP, told apart by the file name as the program
// does), written to a file.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "buffer/cap_file.h"
#include "buffer/file_formats.h"
#include "buffer/intel_hex.h"
#include "cli/commands.h"

namespace tessary::cli {
namespace {

struct ConvertOptions {
  std::string input;
  std::string output;
};

// A raw file's image is the file itself: copied whole, and put in place only
// once complete.
ConversionResult CopyRawFile(const std::filesystem::path& source,
                             const std::filesystem::path& image) {
  ConversionResult result;
  SourceFile file(source, "data file");
  if (!file.Open()) {
    result.fault = ConversionFault::SourceUnreadable;
    result.error = file.error();
    return result;
  }
  ImageFileWriter writer(image);
  if (!writer.Open()) {
    result.fault = ConversionFault::ImageUnwritable;
    result.error = writer.error();
    return result;
  }
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  const auto block = std::make_unique<std::uint8_t[]>(kBlock);
  std::uint64_t copied = 0;
  for (;;) {
    const auto got = file.Read({block.get(), kBlock});
    if (!got) {
      result.fault = ConversionFault::SourceUnreadable;
      result.error = file.error();
      return result;
    }
    if (!writer.Write({block.get(), *got})) {
      result.fault = ConversionFault::ImageUnwritable;
      result.error = writer.error();
      return result;
    }
    copied += *got;
    if (*got < kBlock) break;
  }
  if (!writer.Commit()) {
    result.fault = ConversionFault::ImageUnwritable;
    result.error = writer.error();
    return result;
  }
  result.ok = true;
  result.bytes_written = copied;
  return result;
}

const char* TypeName(DataFileType type) {
  switch (type) {
    case DataFileType::IntelHex:
      return "Intel HEX";
    case DataFileType::Cap:
      return "CAP";
    case DataFileType::Binary:
      return "raw binary";
  }
  return "raw binary";
}

int RunConvert(const ConvertOptions& options) {
  const std::filesystem::path input(options.input);
  const std::filesystem::path output(options.output);
  std::error_code ec;
  if (std::filesystem::equivalent(input, output, ec)) {
    return ReportFailure("'" + options.output + "' is the input file itself; choose another output",
                         kExitUsage);
  }
  const DataFileType type = FileTypeOf(input);
  ConversionResult result;
  switch (type) {
    case DataFileType::IntelHex:
      // A refused file leaves whatever OUT held before.
      result = ConvertHexFile(input, output, OnFailure::KeepImage);
      break;
    case DataFileType::Cap:
      result = ConvertCapFile(input, output, OnFailure::KeepImage);
      break;
    case DataFileType::Binary:
      result = CopyRawFile(input, output);
      break;
  }
  if (!result) return ReportFailure(result.error, kExitFailure);
  if (!result.note.empty()) {
    std::fprintf(stderr, "tessary-cli: note: %s\n", result.note.c_str());
  }
  std::printf("%s -> %s: %llu bytes (%s)\n", options.input.c_str(), options.output.c_str(),
              static_cast<unsigned long long>(result.bytes_written), TypeName(type));
  return kExitOk;
}

}  // namespace

void AddConvertCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<ConvertOptions>();
  CLI::App* command = app.add_subcommand(
      "convert",
      "Write the binary image of a data file, as the program loads it: IN is Intel HEX when its "
      "name ends in .hex, CAP when in .cap (any case), raw binary otherwise");
  command->add_option("IN", options->input, "Data file to read")->required();
  command->add_option("OUT", options->output,
                      "Binary image to write (replaced only when complete; a symbolic link is "
                      "followed, a device or FIFO written in place, a read-only file refused)")
      ->required();
  command->callback([&context, options] { context.exit_code = RunConvert(*options); });
}

}  // namespace tessary::cli
