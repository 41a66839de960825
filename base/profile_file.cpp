// Profile (INI) file reading and writing.
#include "base/profile_file.h"

#include "base/output_file.h"

#include <fstream>
#include <optional>
#include <sstream>

namespace tessary {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Lines as std::getline gives them (a last line without its newline counts,
// a final newline starts none), each without its carriage return.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  // A UTF-8 byte order mark belongs to no key.
  if (!lines.empty() && lines.front().rfind("\xEF\xBB\xBF", 0) == 0) lines.front().erase(0, 3);
  return lines;
}

// "[name]" -> name.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') return std::nullopt;
  const std::size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1))};
}

std::optional<std::string> FindValue(const std::vector<std::string>& lines, std::string_view section,
                                     std::string_view key) {
  bool in_section = false;
  for (const std::string& line : lines) {
    if (auto name = SectionName(line)) {
      in_section = EqualsIgnoringCase(*name, section);
      continue;
    }
    if (!in_section) continue;
    if (auto entry = ParseKeyLine(line); entry && EqualsIgnoringCase(entry->key, key)) {
      std::string_view value = entry->value;
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return std::string(value);
    }
  }
  return std::nullopt;
}

}  // namespace

ProfileFile::ProfileFile(std::filesystem::path path, std::string_view text)
    : path_(std::move(path)), lines_(SplitLines(text)) {}

const std::vector<std::string>& ProfileFile::Lines(std::vector<std::string>& scratch) const {
  if (lines_) return *lines_;
  std::ifstream in(path_, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  scratch = SplitLines(content.view());
  return scratch;
}

std::string CutAtCharacterBoundary(std::string_view text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return std::string(text);
  // The first byte left out tells: a continuation byte means the character
  // it belongs to started inside the kept part, so that one goes too.
  std::size_t end = max_bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback, std::size_t buffer_size) const {
  std::vector<std::string> scratch;
  const std::optional<std::string> value = FindValue(Lines(scratch), section, key);
  const std::size_t limit = buffer_size == 0 ? 0 : buffer_size - 1;
  return CutAtCharacterBoundary(value ? std::string_view(*value) : fallback, limit);
}

std::int32_t ProfileFile::ReadInt(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
  std::vector<std::string> scratch;
  const std::optional<std::string> value = FindValue(Lines(scratch), section, key);
  if (!value) return fallback;
  std::string_view text = Trim(*value);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::uint32_t number = 0;  // wraps like the 32-bit original
  for (char c : text) {
    if (c < '0' || c > '9') break;
    number = number * 10u + static_cast<std::uint32_t>(c - '0');
  }
  if (negative) number = 0u - number;
  return static_cast<std::int32_t>(number);
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::vector<std::string> scratch;
  std::vector<std::string> lines = Lines(scratch);
  const std::string entry = std::string(key) + "=" + std::string(value);
  std::optional<std::size_t> section_line;
  std::optional<std::size_t> insert_at;  // after the section's last key line
  bool written = false;
  for (std::size_t i = 0; i < lines.size() && !written; ++i) {
    if (auto name = SectionName(lines[i])) {
      if (section_line) break;  // left our section without finding the key
      if (EqualsIgnoringCase(*name, section)) {
        section_line = i;
        insert_at = i + 1;
      }
      continue;
    }
    if (!section_line) continue;
    if (auto parsed = ParseKeyLine(lines[i])) {
      if (EqualsIgnoringCase(parsed->key, key)) {
        lines[i] = entry;
        written = true;
      } else {
        insert_at = i + 1;
      }
    }
  }
  if (!written) {
    if (section_line) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insert_at), entry);
    } else {
      lines.push_back("[" + std::string(section) + "]");
      lines.push_back(entry);
    }
  }

  // A new file beside the old one replaces it only once complete, so a
  // failed write never leaves a half-written profile; a linked profile is
  // written where the link leads, with the old file's permissions.
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  if (lines_) {
    // Cut again as a read of the written file would cut it.
    *lines_ = SplitLines(text);
    return true;
  }
  OutputFile out(path_, "profile file");
  return out.Open() &&
         out.Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}) &&
         out.Commit();
}

std::vector<std::string> ProfileFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  bool in_section = false;
  std::vector<std::string> scratch;
  for (const std::string& line : Lines(scratch)) {
    if (auto name = SectionName(line)) {
      in_section = EqualsIgnoringCase(*name, section);
      continue;
    }
    if (in_section) {
      if (auto entry = ParseKeyLine(line)) keys.emplace_back(entry->key);
    }
  }
  return keys;
}

}  // namespace tessary
