// The data file of an offline project: its length and its check value, the
// CRC-32 of IEEE 802.3 chained over 1024-byte pieces. The programmer checks
// the stored data file against this value, so the chaining is part of the
// format: every piece after the first starts from the complement of the
// register the previous piece left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

inline constexpr std::size_t kCrcPieceSize = 1024;
inline constexpr std::uint32_t kCrcStart = 0xFFFFFFFF;
// The longest name part of a data file path the project window shows.
inline constexpr std::size_t kDataFileNameLimit = 64;

// Runs the CRC-32 register over `bytes` and returns the complement of the
// register: Crc32Update(0xFFFFFFFF, x) is the standard CRC-32 of x.
[[nodiscard]] std::uint32_t Crc32Update(std::uint32_t reg, std::span<const std::uint8_t> bytes);

// The chained value of `data` taken in 1024-byte pieces, continuing from
// `running` (the value after the pieces before; `data` must start on a piece
// boundary and, unless it is the end of the file, hold whole pieces).
[[nodiscard]] std::uint32_t ChainedCrc32(std::span<const std::uint8_t> data,
                                         std::uint32_t running = kCrcStart);

// Length and check value of a data file.
struct DataFileCheck {
  std::uint32_t length = 0;
  std::uint32_t crc32 = kCrcStart;
};

// Reads the file from its start and measures it. nullopt with the reason in
// `error` when it cannot be opened or read whole, or when it is 4 GiB or
// longer (the project carries a 32-bit length).
[[nodiscard]] std::optional<DataFileCheck> CheckDataFile(const std::filesystem::path& file,
                                                         std::string& error);

// The same over bytes in memory.
[[nodiscard]] DataFileCheck CheckDataBytes(std::span<const std::uint8_t> data);

// The name part of a path: what follows the last '/' or '\', at most
// `limit` bytes.
[[nodiscard]] std::string FileNamePart(std::string_view path, std::size_t limit);

// Reads a whole file of at most `limit` bytes. nullopt with the reason in
// `error` when it cannot be read or is longer (then `too_long` is set).
[[nodiscard]] std::optional<std::vector<std::uint8_t>> ReadWholeFile(
    const std::filesystem::path& file, std::uint64_t limit, std::string& error, bool& too_long);

}  // namespace tessary
