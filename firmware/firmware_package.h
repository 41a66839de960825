// Firmware packages (*.iap): the container layout, the lookup of a named
// item, the whole-package check made before the programmer is touched, the
// version a package's file name carries and the automatic choice among the
// packages of the package folders. Everything but the folder listing and the
// file read works on bytes and texts, so it can be fed anything.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

inline constexpr std::string_view kFirmwareImageItem = "iap.bin";
inline constexpr std::size_t kPackageHeaderSize = 16;
inline constexpr std::size_t kPackageDirectoryOffset = 128;
inline constexpr std::size_t kPackageEntrySize = 32;
inline constexpr std::size_t kPackageDirectoryUnit = 2048;
// Items lie in the first 16 MiB and are shorter than 16 MiB, so no valid
// package is longer than this; a longer file is refused before it is read.
inline constexpr std::uintmax_t kMaxPackageFileSize = 0x2000000;

struct PackageItem {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  friend bool operator==(const PackageItem&, const PackageItem&) = default;
};

// The package's own lookup: true and the item when an entry of the
// directory carries exactly `name`. The format byte 0x03 or the format
// letter 'i' accepts the header; the directory ends at D x 2048 bytes.
// Bytes shorter than the header, or than an entry it reaches, find nothing.
[[nodiscard]] bool FindPackageItem(std::span<const std::uint8_t> package, std::string_view name,
                                   std::uint32_t& offset, std::uint32_t& length);

// Why a package cannot be used, checked whole before anything is sent.
enum class PackageProblem : std::uint8_t {
  None,
  TooShort,          // shorter than its 16-byte header
  UnknownFormat,     // neither format byte 0x03 nor format letter 'i'
  DirectoryCut,      // the directory ends (D) or the file ends before the image's entry
  NoImage,           // no entry named "iap.bin"
  ImageEmpty,        // the image item has no bytes
  ImageOutsideFile,  // the image item reaches past the end of the file
};

struct PackageCheck {
  PackageProblem problem = PackageProblem::None;
  PackageItem image;  // valid when problem is None
  [[nodiscard]] bool ok() const { return problem == PackageProblem::None; }
};

[[nodiscard]] PackageCheck CheckFirmwarePackage(std::span<const std::uint8_t> package);

// A package holding the named items in this order, with format byte 0x03,
// format letter 'i' and a one-unit directory (at most 60 items; names are
// cut to 25 bytes). Items start at 2048 and follow one another.
struct NamedItem {
  std::string name;
  std::vector<std::uint8_t> bytes;
};
[[nodiscard]] std::vector<std::uint8_t> BuildFirmwarePackage(std::span<const NamedItem> items);

// Reads a package file whole. False with the reason in `error` when it
// cannot be opened or read, or is longer than any package can be.
[[nodiscard]] bool ReadPackageFile(const std::filesystem::path& path,
                                   std::vector<std::uint8_t>& bytes, std::string& error);

// The file name of a path written with either separator: the part after
// the last '/' or '\'.
[[nodiscard]] std::string_view PackageFileName(std::string_view path);

// The version a package's file name carries for the programmer `dev_name`:
// three two-digit decimal fields at 1-based positions p, p+2 and p+4, p = 7
// for a model beginning with "ZEK" or "Velor", else 6; 100 x first + 10 x
// second + third. nullopt when a field is not two decimal digits.
[[nodiscard]] std::optional<int> PackageVersion(std::string_view file_name,
                                                std::string_view dev_name);

// A package is meant for the programmer whose model text begins with the
// same four characters as the package's file name.
[[nodiscard]] bool PackageSuitsModel(std::string_view file_name, std::string_view dev_name);

// The version of the running firmware from its version text: the single
// digits at positions 5, 7 and 9 (100 x d5 + 10 x d7 + d9). A text that has
// no digits there but carries a "d.d.d" group (such as "V1.2.3") is read
// from its first such group. nullopt when neither fits.
[[nodiscard]] std::optional<int> RunningFirmwareVersion(std::string_view firm_ver);

// One "*.iap" file found in a package folder.
struct ListedPackage {
  std::filesystem::path path;
  std::string file_name;
  bool suits_model = false;
  std::optional<int> version;  // only for packages that suit the model
};

enum class AutomaticChoiceOutcome : std::uint8_t {
  Chosen,                // `chosen` names the newest package newer than the running firmware
  NoPackages,            // no "*.iap" file in any folder
  NoneNewer,             // none suits the model and is newer than the running firmware
  RunningVersionUnknown, // the running firmware's version text cannot be read
};

struct AutomaticChoice {
  AutomaticChoiceOutcome outcome = AutomaticChoiceOutcome::NoPackages;
  std::vector<ListedPackage> listed;  // every package, folder by folder, names sorted
  std::optional<std::size_t> chosen;  // index into `listed`
  int best_version = 0;
  std::optional<int> running_version;
};

// The "*.iap" files of the folders, in the folders' order, each folder's
// names sorted. A folder that does not exist or cannot be listed adds
// nothing.
[[nodiscard]] std::vector<ListedPackage> ListPackages(
    std::span<const std::filesystem::path> folders, std::string_view dev_name);

// The automatic choice: among the packages that suit the model, the one with
// the highest version (the first of equal versions; version 0 never), taken
// only when it is newer than the running firmware.
[[nodiscard]] AutomaticChoice ChoosePackage(std::span<const std::filesystem::path> folders,
                                            std::string_view dev_name, std::string_view firm_ver);

}  // namespace tessary
