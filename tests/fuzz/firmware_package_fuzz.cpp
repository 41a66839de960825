// Firmware packages from anywhere: the whole-package check and the lookup
// never read past the bytes, and a package the check accepts holds its
// image inside the file, where the lookup finds it too.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "firmware/firmware_package.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessary::fuzz::Require;
  const std::span<const std::uint8_t> package(data, size);
  const tessary::PackageCheck check = tessary::CheckFirmwarePackage(package);
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  const bool found = tessary::FindPackageItem(package, "iap.bin", offset, length);
  if (check.ok()) {
    Require(found, "an accepted package's image is found by the lookup");
    Require(check.image.length > 0, "an accepted image has bytes");
    Require(std::uint64_t{check.image.offset} + check.image.length <= size,
            "an accepted image lies inside the file");
  }
  // The version and model rules read names of any bytes.
  const std::string name(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  (void)tessary::PackageVersion(tessary::PackageFileName(name), "Velor");
  (void)tessary::PackageSuitsModel(name, "Skar");
  (void)tessary::RunningFirmwareVersion(name);
  return 0;
}
