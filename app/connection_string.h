// The catalogue connection string: kept enciphered in the executable,
// deciphered once at start-up, and split into the options the program uses
// to open login.dat.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessary {

inline constexpr std::size_t kConnectionBlockCount = 21;
inline constexpr std::size_t kConnectionCipherSize = kConnectionBlockCount * 8;  // 168

// The enciphered connection string, 21 triple-DES blocks in ECB order, and
// the 24-byte key it was enciphered with.
[[nodiscard]] std::span<const std::uint8_t, kConnectionCipherSize> ConnectionCipherBlock();
[[nodiscard]] std::span<const std::uint8_t, 24> ConnectionKey();

// Deciphers every block into a 169-byte buffer at the block's offset, puts a
// zero in the last byte and returns the text up to the first zero byte.
[[nodiscard]] std::string DecipherConnectionString(
    std::span<const std::uint8_t, kConnectionCipherSize> cipher,
    std::span<const std::uint8_t, 24> key);
// The program's own connection string.
[[nodiscard]] std::string DecipherConnectionString();

// The reverse, for making a new cipher block: the text zero-padded to 168
// bytes (a longer text is cut) and enciphered block by block.
[[nodiscard]] std::array<std::uint8_t, kConnectionCipherSize> EncipherConnectionString(
    std::string_view text, std::span<const std::uint8_t, 24> key);

// The "name=value;name=value" options of a connection string. Names are
// matched without regard to ASCII case and surrounding blanks; a value may
// be enclosed in double or single quotes (a doubled quote inside stands for
// one), which lets it hold a semicolon.
struct ConnectionOptions {
  std::vector<std::pair<std::string, std::string>> options;  // in order, names as written

  // The value of the last option of that name.
  [[nodiscard]] std::optional<std::string> Find(std::string_view name) const;

  [[nodiscard]] std::string Provider() const { return Find("Provider").value_or(""); }
  [[nodiscard]] std::string DataSource() const { return Find("Data Source").value_or(""); }
  [[nodiscard]] std::string Mode() const { return Find("Mode").value_or(""); }
  // "Mode=Read" asks for a read-only connection; any other mode or none is
  // read-write.
  [[nodiscard]] bool ReadOnly() const;
};

[[nodiscard]] ConnectionOptions ParseConnectionString(std::string_view text);

// The database file: the Data Source as given when absolute, otherwise taken
// relative to the program's folder (the catalogue lives beside the
// executable).
[[nodiscard]] std::filesystem::path DatabasePath(const ConnectionOptions& options,
                                                 const std::filesystem::path& program_dir);

}  // namespace tessary
