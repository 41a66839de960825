// Profile (INI) files with the behaviour the program's settings and language
// files rely on: a missing file, section or key yields the default; a value
// longer than the caller's buffer is cut to one byte less, at a character
// boundary; writing creates the file, the section or the key as needed and
// keeps every other line as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

class ProfileFile {
 public:
  explicit ProfileFile(std::filesystem::path path) : path_(std::move(path)) {}

  // A profile already read into memory: reads see `text`, writes change the
  // text and never touch the disk. `path` only names it.
  ProfileFile(std::filesystem::path path, std::string_view text);

  // The value of section/key (names compared without regard to ASCII case;
  // surrounding blanks removed, one pair of enclosing quotes removed), or
  // `fallback`. The result holds at most buffer_size - 1 bytes and never ends
  // inside a UTF-8 sequence.
  [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                       std::string_view fallback, std::size_t buffer_size) const;

  // The value read as a decimal integer (leading blanks skipped, optional
  // sign, digits up to the first non-digit; no digits gives 0), or `fallback`
  // when the key is missing.
  [[nodiscard]] std::int32_t ReadInt(std::string_view section, std::string_view key,
                                     std::int32_t fallback) const;

  // Sets section/key to value. False when the file could not be written.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);

  // Names of the keys of a section in file order (empty when missing).
  [[nodiscard]] std::vector<std::string> Keys(std::string_view section) const;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  // The profile's lines: those held in memory, or the file's, read into
  // `scratch`.
  [[nodiscard]] const std::vector<std::string>& Lines(std::vector<std::string>& scratch) const;

  std::filesystem::path path_;
  // Set for a profile held in memory: its text already cut into lines, so
  // that reading a key costs no copy.
  std::optional<std::vector<std::string>> lines_;
};

// Cuts text to at most max_bytes bytes without splitting a UTF-8 sequence.
[[nodiscard]] std::string CutAtCharacterBoundary(std::string_view text, std::size_t max_bytes);

}  // namespace tessary
