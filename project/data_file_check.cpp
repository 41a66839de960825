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

// The file opened for reading, or null with the reason in `error` (a
// folder is refused by name rather than by the system's vaguer word).
FileHandle OpenForReading(const std::filesystem::path& file, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) {
    error = Reason(file, "is a folder, not a file");
    return nullptr;
  }
  FileHandle handle(std::fopen(file.c_str(), "rb"));
  if (!handle) error = Reason(file, std::strerror(errno));
  return handle;
}

}  // namespace

std::uint32_t Crc32Update(std::uint32_t reg, std::span<const std::uint8_t> bytes) {
  // zlib's crc32 takes a finished value and complements it on the way in.
  return static_cast<std::uint32_t>(
      crc32(~reg & 0xFFFFFFFFu, bytes.data(), static_cast<uInt>(bytes.size())));
}

namespace {

// The chain differs from one CRC over all the bytes only by what each piece
// boundary adds: zlib's crc32(c, piece) is crc32(0, piece) XOR M(c), with M
// linear (the shift by the piece's length, crc32_combine_op), so starting
// each piece from the complement adds a fixed term. With F = 0xFFFFFFFF and
// M the shift by 1024 bytes, the start of piece k differs from the plain
// running CRC by D(k) = F ^ M(F) ^ ... ^ M^(k-1)(F), and the chained value
// after the last piece (of `last` bytes) is the plain CRC XOR
// shift_last(D(n - 1)). So the bytes go through crc32 in one pass and the
// chain costs a few operator steps per file, not a call per piece.
std::uint32_t ChainCorrection(std::uint64_t pieces_before_last, std::uint64_t last) {
  const uLong piece_shift = crc32_combine_gen64(static_cast<z_off64_t>(kCrcPieceSize));
  uLong d = 0;         // D(k)
  std::uint64_t k = 0;
  for (int bit = 63; bit >= 0; --bit) {
    if (k != 0) {
      // D(2k) = D(k) ^ M^k(D(k))
      d = crc32_combine_op(d, d, crc32_combine_gen64(static_cast<z_off64_t>(k * kCrcPieceSize)));
      k *= 2;
    }
    if ((pieces_before_last >> bit) & 1u) {
      // D(k + 1) = M(D(k)) ^ F
      d = crc32_combine_op(d, 0xFFFFFFFFu, piece_shift);
      k += 1;
    }
  }
  return static_cast<std::uint32_t>(
      crc32_combine_op(d, 0, crc32_combine_gen64(static_cast<z_off64_t>(last))));
}

// The chained value of `length` bytes whose plain zlib CRC, continued from
// the complement of the chain value before them, is `plain`.
std::uint32_t FinishChain(std::uint32_t plain, std::uint64_t length) {
  const std::uint64_t pieces = (length + kCrcPieceSize - 1) / kCrcPieceSize;
  const std::uint64_t last = length - (pieces - 1) * kCrcPieceSize;
  return plain ^ ChainCorrection(pieces - 1, last);
}

}  // namespace

std::uint32_t ChainedCrc32(std::span<const std::uint8_t> data, std::uint32_t running) {
  if (data.empty()) return running;
  uLong plain = ~running & 0xFFFFFFFFu;
  // crc32 takes at most 4 GiB - 1 per call.
  for (std::span<const std::uint8_t> rest = data; !rest.empty();) {
    const std::size_t n = std::min<std::size_t>(rest.size(), std::size_t{1} << 30);
    plain = crc32(plain, rest.data(), static_cast<uInt>(n));
    rest = rest.subspan(n);
  }
  return FinishChain(static_cast<std::uint32_t>(plain), data.size());
}

DataFileCheck CheckDataBytes(std::span<const std::uint8_t> data) {
  return DataFileCheck{static_cast<std::uint32_t>(data.size()), ChainedCrc32(data)};
}

std::optional<DataFileCheck> CheckDataFile(const std::filesystem::path& file, std::string& error) {
  FileHandle handle = OpenForReading(file, error);
  if (!handle) return std::nullopt;
  std::vector<std::uint8_t> chunk(kReadChunk);
  std::uint64_t length = 0;
  uLong plain = 0;  // one CRC over all the bytes; the chain is applied at the end
  for (;;) {
    const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), handle.get());
    if (n > 0) {
      length += n;
      if (length > kLengthLimit) {
        error = Reason(file, "is 4 GiB or longer; a project holds at most 4 GiB - 1 bytes");
        return std::nullopt;
      }
      plain = crc32(plain, chunk.data(), static_cast<uInt>(n));
    }
    if (n < chunk.size()) break;
  }
  if (std::ferror(handle.get())) {
    error = Reason(file, "could not be read to its end");
    return std::nullopt;
  }
  const std::uint32_t crc = length == 0 ? kCrcStart : FinishChain(static_cast<std::uint32_t>(plain), length);
  return DataFileCheck{static_cast<std::uint32_t>(length), crc};
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
  FileHandle handle = OpenForReading(file, error);
  if (!handle) return std::nullopt;
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
