// CAP files from anywhere: the image is exactly the bytes past the 2048-byte
// header, and a file of only a header is refused.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "buffer/cap_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessary::fuzz::Require;
  const auto source = tessary::fuzz::WriteScratch("fw.cap", data, size);
  const auto image = tessary::fuzz::ScratchFolder() / "cap.bin";
  const tessary::ConversionResult result = tessary::ConvertCapFile(source, image);
  if (size <= tessary::kCapHeaderSize) {
    Require(!result.ok && result.fault == tessary::ConversionFault::EmptyImage,
            "a header-only CAP file is refused");
    Require(!std::filesystem::exists(image), "no image left after a refusal");
    return 0;
  }
  Require(result.ok, "a CAP file longer than its header converts");
  Require(result.bytes_written == size - tessary::kCapHeaderSize, "image length");
  std::ifstream in(image, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  Require(bytes.size() == size - tessary::kCapHeaderSize &&
              std::equal(bytes.begin(), bytes.end(), data + tessary::kCapHeaderSize),
          "the image is the bytes past the header");
  return 0;
}
