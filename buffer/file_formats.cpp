// File kinds by extension, and the block reader and all-or-nothing writer the
// converters share.
#include "buffer/file_formats.h"

#include <cerrno>
#include <system_error>

namespace tessary {
namespace {

char8_t LowerAscii(char8_t c) { return (c >= u8'A' && c <= u8'Z') ? c - u8'A' + u8'a' : c; }

bool ExtensionIs(std::u8string_view extension, std::u8string_view lower_expected) {
  if (extension.size() != lower_expected.size()) return false;
  for (std::size_t i = 0; i < extension.size(); ++i) {
    if (LowerAscii(extension[i]) != lower_expected[i]) return false;
  }
  return true;
}

std::string ReasonText(int error_number) { return std::generic_category().message(error_number); }

}  // namespace

DataFileType FileTypeOf(const std::filesystem::path& path) {
  // path::extension() would call ".hex" a name without extension; the rule
  // here is plainly "after the last dot of the name".
  const std::u8string name = path.filename().u8string();
  const std::size_t dot = name.rfind(u8'.');
  if (dot == std::u8string::npos) return DataFileType::Binary;
  const std::u8string_view extension = std::u8string_view(name).substr(dot + 1);
  if (ExtensionIs(extension, u8"hex")) return DataFileType::IntelHex;
  if (ExtensionIs(extension, u8"cap")) return DataFileType::Cap;
  return DataFileType::Binary;
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

void DiscardImage(const std::filesystem::path& image, const std::filesystem::path& source) {
  std::error_code ec;
  if (std::filesystem::equivalent(image, source, ec)) return;
  // Only a file: a folder standing at that name is the operator's, not ours.
  const auto type = std::filesystem::symlink_status(image, ec).type();
  if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::symlink) {
    return;
  }
  std::filesystem::remove(image, ec);
}

// --- SourceFile ---

SourceFile::~SourceFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool SourceFile::Fail(const char* what, int error_number) {
  error_ =
      std::string(what) + " " + kind_ + " '" + PathText(path_) + "': " + ReasonText(error_number);
  return false;
}

bool SourceFile::Open() {
  errno = 0;
  file_ = std::fopen(path_.c_str(), "rb");
  if (file_ == nullptr) return Fail("cannot open", errno != 0 ? errno : ENOENT);
  // The length also tells a folder (which opens on some systems) from a file.
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path_, ec);
  if (ec) return Fail("cannot read", ec.value());
  size_ = size;
  return true;
}

std::optional<std::size_t> SourceFile::Read(std::span<std::uint8_t> into) {
  errno = 0;
  const std::size_t count = std::fread(into.data(), 1, into.size(), file_);
  if (count < into.size() && std::ferror(file_) != 0) {
    Fail("cannot read", errno != 0 ? errno : EIO);
    return std::nullopt;
  }
  return count;
}

bool SourceFile::Seek(std::uint64_t offset) {
  errno = 0;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
    return Fail("cannot read", errno != 0 ? errno : EIO);
  }
  return true;
}

}  // namespace tessary
