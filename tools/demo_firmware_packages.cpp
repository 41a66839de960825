// Writes the demo firmware packages for the simulated programmer:
// MODEL_VVVVVV.iap for each model named, holding a short description and a
// firmware image ("iap.bin") of made-up bytes. Run by the build.
//   demo_firmware_packages OUT_DIR VERSION_DIGITS MODEL...
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/firmware_package.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s OUT_DIR VERSION_DIGITS MODEL...\n", argv[0]);
    return 64;
  }
  const std::filesystem::path folder = argv[1];
  const std::string digits = argv[2];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  for (int i = 3; i < argc; ++i) {
    const std::string model = argv[i];
    const std::string about = "Tessary demo firmware " + digits + " for the simulated " + model;
    // 19 whole blocks and a part one, so the last block is filled up.
    std::vector<std::uint8_t> image(20000);
    std::uint32_t state = 0x2545F491u + static_cast<std::uint32_t>(i);
    for (std::uint8_t& byte : image) {
      state = state * 1664525u + 1013904223u;
      byte = static_cast<std::uint8_t>(state >> 24);
    }
    const std::vector<tessary::NamedItem> items = {
        {"readme.txt", std::vector<std::uint8_t>(about.begin(), about.end())},
        {std::string(tessary::kFirmwareImageItem), image}};
    const std::vector<std::uint8_t> package = tessary::BuildFirmwarePackage(items);
    const std::filesystem::path file = folder / (model + "_" + digits + ".iap");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(package.data()),
              static_cast<std::streamsize>(package.size()));
    if (!out) {
      std::fprintf(stderr, "%s: cannot be written\n", file.string().c_str());
      return 1;
    }
  }
  return 0;
}
