// CAP files: a 2048-byte header the program does not interpret, then the raw
// image up to the end of the file.
#pragma once

#include <cstdint>
#include <filesystem>

#include "buffer/file_formats.h"

namespace tessary {

inline constexpr std::uint64_t kCapHeaderSize = 2048;

// Writes the bytes of `source` past its header to `image`, replacing that
// file only once the copy is complete. A source of at most 2048 bytes holds
// no image and is refused (EmptyImage). On failure the file at `image` is
// removed or kept, as `on_failure` says.
[[nodiscard]] ConversionResult ConvertCapFile(const std::filesystem::path& source,
                                              const std::filesystem::path& image,
                                              OnFailure on_failure = OnFailure::RemoveImage);

}  // namespace tessary
