// Intel HEX files turned into the raw image the buffer is loaded from.
//
// What a well-formed file gives is what the program always gave:
// - Records are read one per line from fixed positions: ':' count(2)
//   address(4) type(2) data(2 each); the checksum is neither read nor checked,
//   nor is anything after the data. Upper or lower case digits; CR before LF
//   does not matter.
// - Types: 00 data, 01 end of file, 02 extended segment address, 04
//   extended linear address (ELA). Others (03/05 start addresses, ...) are
//   skipped.
// - The image start (base) is fixed by the first data record: when an ELA
//   record came before it, base = (value of the FIRST ELA record) x 65536 +
//   that record's address; otherwise base = 0. It never moves afterwards.
// - A data byte goes to image offset upper + address + i - base, where upper
//   is the latest ELA value x 65536 or segment value x 16. (Segment records
//   used to be skipped, which folded every objcopy image over 64 KiB onto
//   its first 64 KiB.)
// - The image written is the first `total` bytes of the image area, total
//   being the count of data bytes in all data records: it holds all data
//   when the records cover one range from the base without gaps. Bytes no
//   record covers are 0xFF, the erased state of the chips.
// - The image is written at the first end-of-file record; lines after it are
//   not read. Without one (the file ends, or a line does not start with ':')
//   the image is empty; the result's note says why.
//
// Where the program used to go wrong, conversion now fails and no image is
// left behind: a data record below the base or past the image area (half
// the source length in bytes), a record of more than 123 data bytes (more
// than a 255-character line holds), a line cut short of its record, and a
// character other than a hexadecimal digit inside a record that is read
// (count, address, type, and the data of 00, 02 and 04 records). The last is
// stricter than HexPairToByte, which keeps any other character's code: a
// garbled file must not turn into plausible-looking chip contents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "buffer/file_formats.h"

namespace tessary {

// Characters a line holds, and the most data bytes whose digits fit in them.
inline constexpr std::size_t kHexLineCharacters = 255;
inline constexpr std::size_t kHexMaxRecordBytes = 123;

// (high x 16 + low) modulo 256, a digit being 0-9 -> 0..9, a-f and A-F ->
// 10..15; any other character counts with its own (unsigned) code.
[[nodiscard]] std::uint8_t HexPairToByte(char high, char low);

// Converts Intel HEX text held in memory; `image` receives the bytes the
// image file would hold (it is emptied on failure). Errors name the line.
[[nodiscard]] ConversionResult ConvertHexText(std::string_view text,
                                              std::vector<std::uint8_t>& image);

// Reads the Intel HEX file `source` and writes its raw image to `image`,
// replacing that file only once the image is complete. On failure no file
// is left at `image`.
[[nodiscard]] ConversionResult ConvertHexFile(const std::filesystem::path& source,
                                              const std::filesystem::path& image);

}  // namespace tessary
