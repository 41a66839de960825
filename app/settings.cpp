// Loading and saving dev.ini.
#include "app/settings.h"

#include <cstdint>
#include <cstdlib>

namespace tessary {
namespace {

constexpr char kSystemOption[] = "SystemOption";
constexpr char kPrjInfo[] = "PrjInfo";

// The stored form of a number: a space, then the signed decimal value. The
// space is kept in the file; reading an integer skips it.
std::string Number(std::int32_t value) { return " " + std::to_string(value); }

std::uint8_t Low8(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

}  // namespace

std::string DefaultFileFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  return error ? std::string(".") : here.string();
}

void LoadSettings(AppContext& ctx, const ProfileFile& profile) {
  Dev_Inf_Struct& info = ctx.DeviceInfo;
  Prj_Info_Struct& prj = ctx.CurrentPrj;

  info.Language = profile.ReadInt(kSystemOption, "Language", 0);
  info.FilePath = profile.ReadString(kSystemOption, "FilePath", DefaultFileFolder(), 80);
  ctx.RamFile.FileName = profile.ReadString(kSystemOption, "File", "", 80);
  prj.RamStartAddr = static_cast<std::uint32_t>(profile.ReadInt(kPrjInfo, "RamStartAddr", 0));
  prj.OprIdCheck = Low8(profile.ReadInt(kPrjInfo, "IdCheck", 0));
  prj.OprErase = Low8(profile.ReadInt(kPrjInfo, "Erase", 1));
  prj.OprWrite = Low8(profile.ReadInt(kPrjInfo, "Write", 1));
  prj.OprVerify = Low8(profile.ReadInt(kPrjInfo, "Verify", 1));
  ctx.ChipDetectAutoSelect = profile.ReadInt(kPrjInfo, "AutoDetect", 1) != 0;
  prj.ChipName = profile.ReadString(kPrjInfo, "ChipName", "24C02", 60);
  info.DefaultMode = profile.ReadString(kPrjInfo, "defaultMode", "Plov", 10);

  info.SucCount = 0;
  info.FalCount = 0;
}

void SaveSettings(const AppContext& ctx, ProfileFile& profile) {
  const Dev_Inf_Struct& info = ctx.DeviceInfo;
  const Prj_Info_Struct& prj = ctx.CurrentPrj;

  // A failed write is not reported: the next run simply starts from what
  // the file still holds.
  profile.WriteString(kSystemOption, "Language", Number(info.Language));
  profile.WriteString(kSystemOption, "FilePath", info.FilePath);
  profile.WriteString(kSystemOption, "File", ctx.RamFile.FileName);
  profile.WriteString(kPrjInfo, "RamStartAddr",
                      Number(static_cast<std::int32_t>(prj.RamStartAddr)));
  profile.WriteString(kPrjInfo, "IdCheck", Number(prj.OprIdCheck));
  profile.WriteString(kPrjInfo, "Erase", Number(prj.OprErase));
  profile.WriteString(kPrjInfo, "Write", Number(prj.OprWrite));
  profile.WriteString(kPrjInfo, "Verify", Number(prj.OprVerify));
  profile.WriteString(kPrjInfo, "ChipName", prj.ChipName);
  profile.WriteString(kPrjInfo, "defaultMode", info.DefaultMode);
  profile.WriteString(kPrjInfo, "AutoDetect", ctx.ChipDetectAutoSelect ? "1" : "0");
}

void NormaliseDefaultMode(Dev_Inf_Struct& info) {
  if (info.DefaultMode.size() < 4 || info.DefaultMode.size() > 8)
    info.DefaultMode = kFallbackDefaultMode;
}

}  // namespace tessary
