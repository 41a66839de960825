// Keeping a user's own copy of the chip catalogue in step with the one a
// package ships: copied at first start, and when a later package brings a
// newer catalogue version, its factory rows replace the old ones while the
// chips the operator added (Adder "USER") are kept.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// The numbers in a catalogue version text, in order ("V1.10.2" -> 1, 10, 2).
[[nodiscard]] std::vector<std::uint32_t> VersionNumbers(std::string_view version);

// `candidate` is a later version than `current`, number by number (a
// missing number counts as 0, so "V1.1" and "V1.1.0" are the same).
[[nodiscard]] bool IsNewerVersion(std::string_view candidate, std::string_view current);

enum class CatalogueSync : std::uint8_t {
  UpToDate,  // the user's copy is as new as the factory one (or newer)
  Copied,    // there was no user copy; the factory catalogue was copied
  Upgraded,  // factory rows replaced, the user's own rows kept
  Failed,    // `error` says why; the user's copy is as it was
};

struct CatalogueSyncResult {
  CatalogueSync outcome = CatalogueSync::UpToDate;
  std::string old_version;  // of the user's copy before (Upgraded)
  std::string new_version;  // of the factory catalogue (Copied, Upgraded)
  int kept_user_chips = 0;  // Upgraded
  std::string error;        // Failed
};

// Brings `user_copy` in step with `factory`. The factory file is only read.
// An upgrade is built beside the user's copy and put in its place only when
// complete; the copy it replaces stays as "<name>.bak".
[[nodiscard]] CatalogueSyncResult SyncUserCatalogue(const std::filesystem::path& factory,
                                                    const std::filesystem::path& user_copy);

}  // namespace tessary
