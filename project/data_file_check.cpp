// Length and chained CRC-32 of a project's data file, on zlib's crc32.
#include "project/data_file_check.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tessary {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// How much of the file one read takes: many pieces at a time, so the reads
// cost little next to the CRC.
constexpr std::size_t kReadChunk = 64 * kCrcPieceSize;
constexpr std::uint64_t kLengthLimit = 0xFFFFFFFFu;

std::string Reason(const std::filesystem::path& file, std::string_view what) {
  return file.string() + ": " + std::string(what);
}

}  // namespace

std::uint32_t Crc32Update(std::uint32_t reg, std::span<const std::uint8_t> bytes) {
  // zlib's crc32 takes a finished value and complements it on the way in.
  return static_cast<std::uint32_t>(
      crc32(~reg & 0xFFFFFFFFu, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::uint32_t ChainedCrc32(std::span<const std::uint8_t> data, std::uint32_t running) {
  while (!data.empty()) {
    const std::size_t n = std::min(data.size(), kCrcPieceSize);
    running = Crc32Update(running, data.first(n));
    data = data.subspan(n);
  }
  return running;
}

DataFileCheck CheckDataBytes(std::span<const std::uint8_t> data) {
  return DataFileCheck{static_cast<std::uint32_t>(data.size()), ChainedCrc32(data)};
}

std::optional<DataFileCheck> CheckDataFile(const std::filesystem::path& file, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) {
    error = Reason(file, "is a folder, not a file");
    return std::nullopt;
  }
  FileHandle handle(std::fopen(file.c_str(), "rb"));
  if (!handle) {
    error = Reason(file, std::strerror(errno));
    return std::nullopt;
  }
  std::vector<std::uint8_t> chunk(kReadChunk);
  std::uint64_t length = 0;
  std::uint32_t running = kCrcStart;
  for (;;) {
    const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), handle.get());
    if (n > 0) {
      length += n;
      if (length > kLengthLimit) {
        error = Reason(file, "is 4 GiB or longer; a project holds at most 4 GiB - 1 bytes");
        return std::nullopt;
      }
      running = ChainedCrc32(std::span(chunk).first(n), running);
    }
    if (n < chunk.size()) break;
  }
  if (std::ferror(handle.get())) {
    error = Reason(file, "could not be read to its end");
    return std::nullopt;
  }
  return DataFileCheck{static_cast<std::uint32_t>(length), running};
}

std::string FileNamePart(std::string_view path, std::size_t limit) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return std::string(name.substr(0, limit));
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& file,
                                                       std::uint64_t limit, std::string& error,
                                                       bool& too_long) {
  too_long = false;
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) {
    error = Reason(file, "is a folder, not a file");
    return std::nullopt;
  }
  FileHandle handle(std::fopen(file.c_str(), "rb"));
  if (!handle) {
    error = Reason(file, std::strerror(errno));
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> chunk(kReadChunk);
  for (;;) {
    const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), handle.get());
    if (bytes.size() + n > limit) {
      too_long = true;
      error = Reason(file, "is longer than " + std::to_string(limit) + " bytes");
      return std::nullopt;
    }
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    if (n < chunk.size()) break;
  }
  if (std::ferror(handle.get())) {
    error = Reason(file, "could not be read to its end");
    return std::nullopt;
  }
  return bytes;
}

}  // namespace tessary
