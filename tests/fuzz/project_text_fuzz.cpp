// Project texts read back from anywhere: the parser never reads past the
// bytes, and a text it accepts keeps the limits the download relies on.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_support.h"
#include "project/project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessary::fuzz::Require;
  std::string error;
  const auto text = tessary::ParseProjectText(std::span<const std::uint8_t>(data, size), error);
  if (text) {
    Require(size <= 512, "an accepted project text fits its frame");
    Require(error.empty(), "an accepted text carries no fault");
  } else {
    Require(!error.empty(), "a refused text names its fault");
  }
  const std::string_view typed(reinterpret_cast<const char*>(data), size < 32 ? size : 32);
  (void)tessary::ParseTypedHex(typed);
  (void)tessary::ParseTypedDecimal(typed);
  return 0;
}
