// Connection string constant, its deciphering and its option parser.
#include "app/connection_string.h"

#include <algorithm>

#include "base/des.h"

namespace tessary {
namespace {

// clang-format off
constexpr std::array<std::uint8_t, 24> kConnectionKey = {
    0x12, 0x9E, 0xF5, 0x01, 0xCE, 0xB6, 0x85, 0x21, 0x8A, 0x48, 0x5F, 0x61,
    0xA2, 0xA2, 0x2B, 0xE2, 0xB8, 0x73, 0xE4, 0x88, 0x7C, 0x7A, 0x8C, 0x4A,
};

// Enciphered under kConnectionKey; the trailing zero padding gives the
// repeated blocks.
constexpr std::array<std::uint8_t, kConnectionCipherSize> kConnectionCipherBlock = {
    0x1C, 0x4E, 0xB0, 0x15, 0x99, 0x46, 0x51, 0x2F,
    0x40, 0xDC, 0xC0, 0xFE, 0x60, 0x1C, 0x26, 0x23,
    0xD5, 0xD8, 0xCB, 0x29, 0x4A, 0x44, 0x87, 0x0B,
    0x03, 0x7C, 0xA6, 0xE6, 0x9E, 0x30, 0x68, 0xFB,
    0x67, 0xE8, 0x06, 0x3C, 0xF7, 0x8A, 0xC2, 0x4B,
    0x82, 0xAA, 0xFA, 0x78, 0x2B, 0xA8, 0x15, 0x1B,
    0x73, 0x0E, 0xE6, 0xE0, 0x6C, 0xFE, 0x3A, 0x75,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
    0x6C, 0xAC, 0x64, 0x7F, 0x95, 0xF6, 0xE4, 0x4B,
};

// clang-format on

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::span<const std::uint8_t, kConnectionCipherSize> ConnectionCipherBlock() {
  return kConnectionCipherBlock;
}

std::span<const std::uint8_t, 24> ConnectionKey() { return kConnectionKey; }

std::string DecipherConnectionString(std::span<const std::uint8_t, kConnectionCipherSize> cipher,
                                     std::span<const std::uint8_t, 24> key) {
  std::array<std::uint8_t, kConnectionCipherSize + 1> text{};
  for (std::size_t block = 0; block < kConnectionBlockCount; ++block) {
    const std::size_t offset = block * kDesBlockSize;
    TripleDesBlock(DesMode::Decipher, cipher.subspan(offset).first<kDesBlockSize>(), key,
                   std::span(text).subspan(offset).first<kDesBlockSize>());
  }
  text[kConnectionCipherSize] = 0;
  const auto end = std::find(text.begin(), text.end(), std::uint8_t{0});
  return std::string(text.begin(), end);
}

std::string DecipherConnectionString() {
  return DecipherConnectionString(ConnectionCipherBlock(), ConnectionKey());
}

std::array<std::uint8_t, kConnectionCipherSize> EncipherConnectionString(
    std::string_view text, std::span<const std::uint8_t, 24> key) {
  std::array<std::uint8_t, kConnectionCipherSize> plain{};
  std::copy_n(text.begin(), std::min(text.size(), plain.size()), plain.begin());
  std::array<std::uint8_t, kConnectionCipherSize> cipher{};
  for (std::size_t offset = 0; offset < plain.size(); offset += kDesBlockSize) {
    TripleDesBlock(DesMode::Encipher, std::span(plain).subspan(offset).first<kDesBlockSize>(), key,
                   std::span(cipher).subspan(offset).first<kDesBlockSize>());
  }
  return cipher;
}

std::optional<std::string> ConnectionOptions::Find(std::string_view name) const {
  std::optional<std::string> found;
  for (const auto& [option, value] : options) {
    if (EqualsIgnoringCase(option, Trim(name))) found = value;
  }
  return found;
}

bool ConnectionOptions::ReadOnly() const { return EqualsIgnoringCase(Trim(Mode()), "Read"); }

ConnectionOptions ParseConnectionString(std::string_view text) {
  ConnectionOptions result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t equals = text.find('=', pos);
    const std::size_t semicolon = text.find(';', pos);
    if (equals == std::string_view::npos ||
        (semicolon != std::string_view::npos && semicolon < equals)) {
      // A piece without "=" names nothing; skip it.
      if (semicolon == std::string_view::npos) break;
      pos = semicolon + 1;
      continue;
    }
    const std::string_view name = Trim(text.substr(pos, equals - pos));
    pos = equals + 1;
    while (pos < text.size() && Blank(text[pos])) ++pos;

    std::string value;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
      const char quote = text[pos++];
      while (pos < text.size()) {
        if (text[pos] == quote) {
          if (pos + 1 < text.size() && text[pos + 1] == quote) {
            value += quote;
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        value += text[pos++];
      }
      // Anything between the closing quote and the next ";" is ignored.
      const std::size_t next = text.find(';', pos);
      pos = next == std::string_view::npos ? text.size() : next + 1;
    } else {
      const std::size_t next = text.find(';', pos);
      const std::size_t end = next == std::string_view::npos ? text.size() : next;
      value = std::string(Trim(text.substr(pos, end - pos)));
      pos = next == std::string_view::npos ? text.size() : next + 1;
    }
    if (!name.empty()) result.options.emplace_back(std::string(name), std::move(value));
  }
  return result;
}

std::filesystem::path DatabasePath(const ConnectionOptions& options,
                                   const std::filesystem::path& program_dir) {
  const std::filesystem::path source(options.DataSource());
  if (source.empty() || source.is_absolute()) return source;
  return program_dir / source;
}

}  // namespace tessary
