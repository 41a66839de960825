// CAP file to raw image: a block copy past the header; a file of only a
// header is refused rather than loaded as an empty image.
#include "buffer/cap_file.h"

#include <algorithm>
#include <memory>
#include <new>

namespace tessary {

ConversionResult ConvertCapFile(const std::filesystem::path& source,
                                const std::filesystem::path& image, OnFailure on_failure) {
  ConversionResult result;
  const auto failed = [&](ConversionFault fault, std::string error) {
    if (on_failure == OnFailure::RemoveImage) DiscardImage(image, source);
    result.fault = fault;
    result.error = std::move(error);
    return result;
  };
  try {
    SourceFile file(source, "CAP file");
    if (!file.Open()) return failed(ConversionFault::SourceUnreadable, file.error());
    if (file.size() <= kCapHeaderSize) {
      return failed(ConversionFault::EmptyImage,
                    "CAP file '" + PathText(source) + "' holds nothing past its " +
                        std::to_string(kCapHeaderSize) + "-byte header (" +
                        std::to_string(file.size()) + " bytes): the image would be empty");
    }
    ImageFileWriter writer(image);
    if (!writer.Open()) return failed(ConversionFault::ImageUnwritable, writer.error());

    std::uint64_t copied = 0;
    if (!file.Seek(kCapHeaderSize)) return failed(ConversionFault::SourceUnreadable, file.error());
    // Blocks of up to 1 MiB, no larger than the image itself.
    const std::size_t block_size = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::uint64_t{1} << 20, file.size() - kCapHeaderSize));
    const std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[block_size]);
    for (;;) {
      const auto got = file.Read({block.get(), block_size});
      if (!got) return failed(ConversionFault::SourceUnreadable, file.error());
      if (!writer.Write({block.get(), *got})) {
        return failed(ConversionFault::ImageUnwritable, writer.error());
      }
      copied += *got;
      if (*got < block_size) break;
    }
    if (copied == 0) {
      // The file shrank to its header since its length was taken.
      return failed(ConversionFault::EmptyImage,
                    "CAP file '" + PathText(source) + "' holds nothing past its header");
    }
    if (!writer.Commit()) return failed(ConversionFault::ImageUnwritable, writer.error());
    result.ok = true;
    result.bytes_written = copied;
    return result;
  } catch (const std::bad_alloc&) {
    return failed(ConversionFault::OutOfMemory,
                  "not enough memory to convert CAP file '" + PathText(source) + "'");
  }
}

}  // namespace tessary
