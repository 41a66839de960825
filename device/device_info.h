// What the program knows about the connected programmer, with the few
// program-wide values that travel with it (language, counters, last path).
#pragma once

#include <cstdint>
#include <string>

namespace tessary {

struct Dev_Inf_Struct {
  std::int32_t SucCount = 0;   // programming cycles that succeeded ("Suc:")
  std::int32_t FalCount = 0;   // programming cycles that failed ("  Fal:")
  std::int32_t Language = 0;   // 0 Simplified Chinese, 1 Traditional Chinese, other English
  std::string AppVersion;      // this program's version, shown in the title
  std::string FilePath;        // last data file folder
  std::string FirmVer;         // firmware version; "BOOT..." while the boot loader runs
  std::string HardVer;         // hardware version, or "KV-075" when unreadable
  std::string DevName;         // programmer model
  std::string DevSN;           // serial number, or "XXX-XXX-XXX-XXX" when unreadable
  std::string DefaultMode;     // model assumed when the model query fails
};

// True while the programmer runs its boot loader: it then answers only the
// identity and firmware update commands, and needs a firmware update.
[[nodiscard]] inline bool RunsBootLoader(const Dev_Inf_Struct& info) {
  return info.FirmVer.compare(0, 4, "BOOT") == 0;
}

}  // namespace tessary
