// Profile files from anywhere: the settings file (dev.ini) and a language
// file read through every key the program reads, then a write and a read
// back of one key.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/settings.h"
#include "base/clock.h"
#include "base/language_files.h"
#include "base/profile_file.h"
#include "fuzz_support.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessary::fuzz::Require;
  static tessary::VirtualClock clock;
  static tessary::testing::RecordingPanel panel;
  static tessary::testing::ScriptedLink usb(clock);
  static tessary::AppContext ctx(clock, panel, usb);

  // Held in memory, read exactly as the same file would be (a test shows
  // it), so a run costs no disk traffic.
  tessary::ProfileFile profile("dev.ini", std::string(reinterpret_cast<const char*>(data), size));

  tessary::LoadSettings(ctx, profile);
  tessary::NormaliseDefaultMode(ctx.DeviceInfo);
  Require(ctx.DeviceInfo.FilePath.size() < 80, "FilePath is cut to its buffer");
  Require(ctx.CurrentPrj.ChipName.size() < 60, "ChipName is cut to its buffer");

  tessary::Dev_Language_Struct texts;
  tessary::LoadLanguageTexts(profile, texts, "0.1.0");

  for (const std::string& key : profile.Keys("SystemOption")) {
    (void)profile.ReadString("SystemOption", key, "", 256);  // only must not fail
  }

  // Writing keeps the file readable and the value written is read back from
  // its section (the first of that name).
  if (profile.WriteString("FuzzSection", "FuzzKey", "value 1")) {
    Require(profile.ReadString("FuzzSection", "FuzzKey", "", 80) == "value 1" ||
                profile.Keys("FuzzSection").size() > 1,
            "a written key reads back");
  }
  return 0;
}
