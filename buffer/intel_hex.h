// Intel HEX files turned into the raw image the buffer is loaded from.
//
// - Records are read one per line: ':' count(2) address(4) type(2) data(2
//   each) checksum(2). Upper or lower case digits; anything after the
//   checksum (a CR before the LF, blanks) does not matter. Every record's
//   checksum is checked: the two's complement of the byte sum of count,
//   address, type and data. Records of up to 255 data bytes are read.
// - A UTF-8 byte order mark and blank lines before the first record are
//   skipped; after that a line not starting with ':' ends the records.
// - Types: 00 data, 01 end of file, 02 extended segment address, 04
//   extended linear address (ELA). Others (03/05 start addresses, ...) are
//   skipped once their checksum is checked.
// - The image start (base) is fixed by the first data record: when an ELA
//   record came before it, base = (value of the FIRST ELA record) x 65536 +
//   that record's address; otherwise base = 0. It never moves afterwards.
// - A data byte goes to image offset upper + address + i - base, where upper
//   is the latest ELA value x 65536 or segment value x 16.
// - The image spans from the base to the highest byte any record wrote;
//   bytes no record covers are 0xFF, the erased state of the chips, so a file
//   with gaps keeps every byte and its place. The image area is bounded by
//   kHexMaxImageBytes, far above the largest catalogue chip.
// - The image is written at the first end-of-file record; lines after it are
//   not read.
//
// Conversion fails, naming the line, and no image is left behind for: a
// data record below the base or past the image area, a line cut short of
// its record, a character other than a hexadecimal digit inside a record,
// a wrong checksum; and, naming no line, a file whose records end without an
// end-of-file record or that holds no data: an empty image is never passed
// off as the file's contents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "buffer/file_formats.h"

namespace tessary {

// The largest image an Intel HEX file may describe: 2 GiB, four times the
// largest chip of the catalogue (a 4 Gbit NAND) and the most a 32-bit
// ChipSize of the buffer can take without its sign bit.
inline constexpr std::uint64_t kHexMaxImageBytes = std::uint64_t{1} << 31;

// (high x 16 + low) modulo 256, a digit being 0-9 -> 0..9, a-f and A-F ->
// 10..15; any other character counts with its own (unsigned) code.
[[nodiscard]] std::uint8_t HexPairToByte(char high, char low);

// Converts Intel HEX text held in memory; `image` receives the bytes the
// image file would hold (it is emptied on failure). Errors name the line.
// `area_limit` bounds the image (a smaller bound keeps fuzzing runs small).
[[nodiscard]] ConversionResult ConvertHexText(std::string_view text,
                                              std::vector<std::uint8_t>& image,
                                              std::uint64_t area_limit = kHexMaxImageBytes);

// Reads the Intel HEX file `source` and writes its raw image to `image`,
// replacing that file only once the image is complete. On failure the file
// at `image` is removed (a working image that must not be loaded as if it
// came from `source`) or kept, as `on_failure` says.
[[nodiscard]] ConversionResult ConvertHexFile(const std::filesystem::path& source,
                                              const std::filesystem::path& image,
                                              OnFailure on_failure = OnFailure::RemoveImage);

}  // namespace tessary
