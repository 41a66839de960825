// Intel HEX text from anywhere: the converter either gives an image within
// its bounds or refuses with a message, never anything in between.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "buffer/intel_hex.h"
#include "fuzz_support.h"

namespace {
// Small enough that a run never allocates much; the limit's own check is
// what is exercised, not the machine's memory.
constexpr std::uint64_t kAreaLimit = std::uint64_t{1} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessary::fuzz::Require;
  std::vector<std::uint8_t> image = {0x99};
  const tessary::ConversionResult result = tessary::ConvertHexText(
      std::string_view(reinterpret_cast<const char*>(data), size), image, kAreaLimit);
  if (result.ok) {
    Require(result.fault == tessary::ConversionFault::None, "ok without a fault");
    Require(!image.empty(), "an empty image passed as a conversion");
    Require(image.size() <= kAreaLimit, "image past the area limit");
    Require(result.bytes_written == image.size(), "bytes_written is the image length");
    Require(result.error.empty(), "no error text with an image");
  } else {
    Require(result.fault != tessary::ConversionFault::None, "a refusal names its fault");
    Require(image.empty(), "nothing is kept from a refused file");
    Require(!result.error.empty(), "a refusal has a message");
    Require(result.bytes_written == 0, "nothing written on a refusal");
  }
  return 0;
}
