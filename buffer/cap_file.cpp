// CAP file to raw image: a block copy past the header.
#include "buffer/cap_file.h"

#include <memory>
#include <new>

namespace tessary {

ConversionResult ConvertCapFile(const std::filesystem::path& source,
                                const std::filesystem::path& image) {
  ConversionResult result;
  const auto failed = [&](ConversionFault fault, std::string error) {
    DiscardImage(image, source);
    result.fault = fault;
    result.error = std::move(error);
    return result;
  };
  try {
    SourceFile file(source, "CAP file");
    if (!file.Open()) return failed(ConversionFault::SourceUnreadable, file.error());
    ImageFileWriter writer(image);
    if (!writer.Open()) return failed(ConversionFault::ImageUnwritable, writer.error());

    std::uint64_t copied = 0;
    if (file.size() > kCapHeaderSize) {
      if (!file.Seek(kCapHeaderSize))
        return failed(ConversionFault::SourceUnreadable, file.error());
      constexpr std::size_t kBlock = std::size_t{1} << 20;
      const std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[kBlock]);
      for (;;) {
        const auto got = file.Read({block.get(), kBlock});
        if (!got) return failed(ConversionFault::SourceUnreadable, file.error());
        if (!writer.Write({block.get(), *got})) {
          return failed(ConversionFault::ImageUnwritable, writer.error());
        }
        copied += *got;
        if (*got < kBlock) break;
      }
    } else {
      result.note = "the file holds nothing past its " + std::to_string(kCapHeaderSize) +
                    "-byte header: the image is empty";
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
