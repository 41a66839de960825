// Firmware package layout, lookup, check, versions and choice.
#include "firmware/firmware_package.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace tessary {
namespace {

constexpr std::uint8_t kFormatByte = 0x03;
constexpr std::uint8_t kFormatLetter = 0x69;  // 'i'
constexpr std::size_t kEntryNameSize = 26;

std::uint32_t Get24(const std::uint8_t* at) {
  return (static_cast<std::uint32_t>(at[0]) << 16) | (static_cast<std::uint32_t>(at[1]) << 8) |
         at[2];
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The entry's name up to its zero byte (or all 26 bytes without one).
std::string_view EntryName(const std::uint8_t* entry) {
  const auto* first = reinterpret_cast<const char*>(entry);
  return std::string_view(first, std::find(first, first + kEntryNameSize, '\0') - first);
}

enum class Lookup : std::uint8_t { Found, BadHeader, DirectoryCut, NotFound };

Lookup LookUp(std::span<const std::uint8_t> package, std::string_view name, PackageItem& item) {
  if (package.size() < kPackageHeaderSize) return Lookup::BadHeader;
  if (package[0] != kFormatByte && package[1] != kFormatLetter) return Lookup::BadHeader;
  const std::size_t entries = package[6];
  const std::size_t directory_end = std::size_t{package[7]} * kPackageDirectoryUnit;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::size_t at = kPackageDirectoryOffset + kPackageEntrySize * i;
    if (at > directory_end || at + kPackageEntrySize > package.size()) return Lookup::DirectoryCut;
    const std::uint8_t* entry = package.data() + at;
    if (EntryName(entry) == name) {
      item = {Get24(entry + 26), Get24(entry + 29)};
      return Lookup::Found;
    }
  }
  return Lookup::NotFound;
}

// Two decimal digits at 0-based `at`; nullopt otherwise.
std::optional<int> TwoDigits(std::string_view text, std::size_t at) {
  if (at + 2 > text.size() || !IsDigit(text[at]) || !IsDigit(text[at + 1])) return std::nullopt;
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool FindPackageItem(std::span<const std::uint8_t> package, std::string_view name,
                     std::uint32_t& offset, std::uint32_t& length) {
  PackageItem item;
  if (LookUp(package, name, item) != Lookup::Found) return false;
  offset = item.offset;
  length = item.length;
  return true;
}

PackageCheck CheckFirmwarePackage(std::span<const std::uint8_t> package) {
  PackageCheck check;
  if (package.size() < kPackageHeaderSize) {
    check.problem = PackageProblem::TooShort;
    return check;
  }
  switch (LookUp(package, kFirmwareImageItem, check.image)) {
    case Lookup::Found:
      break;
    case Lookup::BadHeader:
      check.problem = PackageProblem::UnknownFormat;
      return check;
    case Lookup::DirectoryCut:
      check.problem = PackageProblem::DirectoryCut;
      return check;
    case Lookup::NotFound:
      check.problem = PackageProblem::NoImage;
      return check;
  }
  if (check.image.length == 0) {
    check.problem = PackageProblem::ImageEmpty;
  } else if (std::uint64_t{check.image.offset} + check.image.length > package.size()) {
    check.problem = PackageProblem::ImageOutsideFile;
  }
  return check;
}

std::vector<std::uint8_t> BuildFirmwarePackage(std::span<const NamedItem> items) {
  const std::size_t count = std::min<std::size_t>(items.size(), 60);
  std::vector<std::uint8_t> package(kPackageDirectoryUnit, 0);
  package[0] = kFormatByte;
  package[1] = kFormatLetter;
  package[6] = static_cast<std::uint8_t>(count);
  package[7] = 1;
  for (std::size_t i = 0; i < count; ++i) {
    const NamedItem& item = items[i];
    std::uint8_t* entry = package.data() + kPackageDirectoryOffset + kPackageEntrySize * i;
    std::copy_n(item.name.begin(), std::min(item.name.size(), kEntryNameSize - 1), entry);
    const auto put24 = [](std::uint8_t* at, std::size_t value) {
      at[0] = static_cast<std::uint8_t>(value >> 16);
      at[1] = static_cast<std::uint8_t>(value >> 8);
      at[2] = static_cast<std::uint8_t>(value);
    };
    put24(entry + 26, package.size());
    put24(entry + 29, item.bytes.size());
    // Grows the package after the last use of `entry`.
    package.insert(package.end(), item.bytes.begin(), item.bytes.end());
  }
  return package;
}

bool ReadPackageFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                     std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = path.string() + ": no such file";
    return false;
  }
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = path.string() + ": " + ec.message();
    return false;
  }
  if (size > kMaxPackageFileSize) {
    error = path.string() + ": " + std::to_string(size) +
            " bytes, longer than any firmware package (32 MiB)";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path.string() + ": cannot be opened for reading";
    return false;
  }
  bytes.assign(static_cast<std::size_t>(size), 0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
    error = path.string() + ": read error";
    return false;
  }
  return true;
}

std::string_view PackageFileName(std::string_view path) {
  const std::size_t last = path.find_last_of("/\\");
  return last == std::string_view::npos ? path : path.substr(last + 1);
}

std::optional<int> PackageVersion(std::string_view file_name, std::string_view dev_name) {
  const std::size_t p = (StartsWith(dev_name, "ZEK") || StartsWith(dev_name, "Velor")) ? 7 : 6;
  const auto first = TwoDigits(file_name, p - 1);
  const auto second = TwoDigits(file_name, p + 1);
  const auto third = TwoDigits(file_name, p + 3);
  if (!first || !second || !third) return std::nullopt;
  return 100 * *first + 10 * *second + *third;
}

bool PackageSuitsModel(std::string_view file_name, std::string_view dev_name) {
  return !dev_name.empty() && file_name.substr(0, 4) == dev_name.substr(0, 4);
}

std::optional<int> RunningFirmwareVersion(std::string_view firm_ver) {
  const auto digit_at = [&](std::size_t at) { return at < firm_ver.size() && IsDigit(firm_ver[at]); };
  if (digit_at(4) && digit_at(6) && digit_at(8))
    return 100 * (firm_ver[4] - '0') + 10 * (firm_ver[6] - '0') + (firm_ver[8] - '0');
  for (std::size_t at = 0; at + 5 <= firm_ver.size(); ++at) {
    if (digit_at(at) && firm_ver[at + 1] == '.' && digit_at(at + 2) && firm_ver[at + 3] == '.' &&
        digit_at(at + 4) && (at == 0 || !IsDigit(firm_ver[at - 1])) && !digit_at(at + 5)) {
      return 100 * (firm_ver[at] - '0') + 10 * (firm_ver[at + 2] - '0') + (firm_ver[at + 4] - '0');
    }
  }
  return std::nullopt;
}

std::vector<ListedPackage> ListPackages(std::span<const std::filesystem::path> folders,
                                        std::string_view dev_name) {
  std::vector<ListedPackage> listed;
  for (const std::filesystem::path& folder : folders) {
    std::vector<ListedPackage> here;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
      const std::filesystem::path& path = it->path();
      if (path.extension() != ".iap" || it->is_directory(ec)) continue;
      ListedPackage package;
      package.path = path;
      package.file_name = path.filename().string();
      package.suits_model = PackageSuitsModel(package.file_name, dev_name);
      if (package.suits_model) package.version = PackageVersion(package.file_name, dev_name);
      here.push_back(std::move(package));
    }
    std::sort(here.begin(), here.end(),
              [](const ListedPackage& a, const ListedPackage& b) { return a.file_name < b.file_name; });
    listed.insert(listed.end(), std::make_move_iterator(here.begin()),
                  std::make_move_iterator(here.end()));
  }
  return listed;
}

AutomaticChoice ChoosePackage(std::span<const std::filesystem::path> folders,
                              std::string_view dev_name, std::string_view firm_ver) {
  AutomaticChoice choice;
  choice.listed = ListPackages(folders, dev_name);
  choice.running_version = RunningFirmwareVersion(firm_ver);
  if (choice.listed.empty()) return choice;
  std::optional<std::size_t> best;
  for (std::size_t i = 0; i < choice.listed.size(); ++i) {
    const std::optional<int> version = choice.listed[i].version;
    if (version && *version > choice.best_version) {
      choice.best_version = *version;
      best = i;
    }
  }
  if (!best) {
    choice.outcome = AutomaticChoiceOutcome::NoneNewer;
  } else if (!choice.running_version) {
    choice.outcome = AutomaticChoiceOutcome::RunningVersionUnknown;
  } else if (*choice.running_version < choice.best_version) {
    choice.outcome = AutomaticChoiceOutcome::Chosen;
    choice.chosen = best;
  } else {
    choice.outcome = AutomaticChoiceOutcome::NoneNewer;
  }
  return choice;
}

}  // namespace tessary
