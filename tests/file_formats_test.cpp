// Data file kinds and the Intel HEX and CAP converters: the extension rule,
// the base and image-length rules, refused records, files that cannot be read
// or written, and round trips of files written by objcopy and srec_cat.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "buffer/cap_file.h"
#include "buffer/file_formats.h"
#include "buffer/intel_hex.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::HasSubstr;

// The pattern the committed fixtures were made from (make_fixtures.sh).
Bytes PatternBytes(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  std::uint32_t x = seed;
  for (auto& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  return bytes;
}

std::string Record(std::uint8_t type, std::uint16_t address, const Bytes& data) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string line = ":";
  std::uint8_t sum = 0;
  const auto put = [&](std::uint8_t b) {
    line += kDigits[b >> 4];
    line += kDigits[b & 15];
    sum = static_cast<std::uint8_t>(sum + b);
  };
  put(static_cast<std::uint8_t>(data.size()));
  put(static_cast<std::uint8_t>(address >> 8));
  put(static_cast<std::uint8_t>(address));
  put(type);
  for (std::uint8_t b : data) put(b);
  put(static_cast<std::uint8_t>(-sum));
  return line + "\n";
}

std::string Ela(std::uint16_t upper) {
  return Record(4, 0, {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)});
}
std::string Data(std::uint16_t address, const Bytes& data) { return Record(0, address, data); }
const std::string kEof = ":00000001FF\n";

// A whole file the way the common tools write one: an ELA record first when
// asked (srec_cat) or when the start needs it, one more at each 64 KiB step.
std::string HexOf(const Bytes& image, std::uint32_t start, std::size_t per_record, bool ela_first) {
  std::string text;
  std::uint32_t upper = start >> 16;
  if (ela_first || upper != 0) text += Ela(static_cast<std::uint16_t>(upper));
  for (std::size_t i = 0; i < image.size();) {
    const std::uint32_t address = start + static_cast<std::uint32_t>(i);
    if ((address >> 16) != upper) {
      upper = address >> 16;
      text += Ela(static_cast<std::uint16_t>(upper));
    }
    const std::size_t to_boundary = 0x10000 - (address & 0xFFFF);
    const std::size_t n = std::min({per_record, image.size() - i, to_boundary});
    text += Data(static_cast<std::uint16_t>(address),
                 Bytes(image.begin() + static_cast<std::ptrdiff_t>(i),
                       image.begin() + static_cast<std::ptrdiff_t>(i + n)));
    i += n;
  }
  return text + kEof;
}

// --- The file type rule ---

TEST(FileType, IsDecidedByTheNamesLastExtensionIgnoringCase) {
  const struct {
    const char* path;
    DataFileType type;
  } cases[] = {
      {"fw.hex", DataFileType::IntelHex},
      {"my.data/fw.hex", DataFileType::IntelHex},
      {"/work/my.data/fw.HEX", DataFileType::IntelHex},
      {"fw.Hex", DataFileType::IntelHex},
      {".hex", DataFileType::IntelHex},
      {"fw.cap", DataFileType::Cap},
      {"fw.CAP", DataFileType::Cap},
      {"fw.hex.bak", DataFileType::Binary},
      {"fw.cap.hex", DataFileType::IntelHex},
      {"fw.bin", DataFileType::Binary},
      {"fw.rom", DataFileType::Binary},
      {"fw", DataFileType::Binary},
      {"fw.", DataFileType::Binary},
      {"fw.hexx", DataFileType::Binary},
      {"my.hex/fw", DataFileType::Binary},
      {"my.hex/", DataFileType::Binary},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileTypeOf(c.path), c.type) << c.path;
  }
}

// --- HexPairToByte ---

TEST(HexPair, MapsDigitsOfEitherCaseAndKeepsOtherCharactersCodes) {
  const struct {
    char high, low;
    std::uint8_t value;
  } cases[] = {
      {'0', '0', 0x00},
      {'F', 'F', 0xFF},
      {'a', 'b', 0xAB},
      {'7', 'f', 0x7F},
      {'C', '3', 0xC3},
      {'9', 'A', 0x9A},
      // 'G' is 71: (71 x 16 + 0) mod 256 = 112; (0 x 16 + 71) = 71.
      {'G', '0', 112},
      {'0', 'G', 71},
      // 'z' is 122: (122 x 16 + 122) mod 256 = 26.
      {'z', 'z', 26},
      // A byte above 0x7F counts unsigned: (255 x 16 + 1) mod 256 = 241.
      {'\xFF', '1', 241},
      {'\r', '\n', static_cast<std::uint8_t>(13 * 16 + 10)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HexPairToByte(c.high, c.low), c.value) << c.high << c.low;
  }
}

// --- Intel HEX: what well-formed files give ---

struct HexCase {
  const char* name;
  std::string text;
  Bytes image;
  const char* note;  // a part of the note; "" when there must be none
};

TEST(IntelHex, WellFormedFilesGiveTheImageTheProgramAlwaysGave) {
  const Bytes a = {0x11, 0x22, 0x33, 0x44};
  const Bytes b = {0xA5, 0x5A, 0x00, 0xFF};
  const Bytes ab = {0x11, 0x22, 0x33, 0x44, 0xA5, 0x5A, 0x00, 0xFF};
  const HexCase cases[] = {
      {"an ELA record first makes the first data byte byte 0",
       ":020000040800F2\n" + Data(0x0000, a) + Data(0x0004, b) + kEof, ab, ""},
      {"the base is the first data record's address when an ELA record came first",
       Ela(0x0800) + Data(0x1000, a) + Data(0x1004, b) + kEof, ab, ""},
      {"lower-case digits and CR LF line ends",
       ":020000040800f2\r\n:040000001122334452\r\n:04000400a55a00fffa\r\n:00000001ff\r\n", ab, ""},
      {"no trailing line feed after the end record", Data(0, ab) + ":00000001FF", ab, ""},
      {"blanks after the checksum do not matter", ":040000001122334452 \t \r\n" + kEof, a, ""},
      {"a UTF-8 byte order mark before the first record is skipped",
       "\xEF\xBB\xBF" + Data(0, a) + kEof, a, ""},
      {"blank lines before the first record are skipped, after a byte order mark too",
       "\xEF\xBB\xBF\r\n\n  \t\r\n" + Data(0, a) + kEof, a, ""},
      {"start address, segment 0 and unknown records are skipped",
       Record(2, 0, {0, 0}) + Record(3, 0, {0, 0, 1, 0}) + Data(0, a) + Record(5, 0, {8, 0, 0, 0}) +
           Record(0x7E, 0, {1}) + kEof,
       a, ""},
      {"an ELA record of 0 after data that came without one keeps the data in place",
       Data(0x0000, a) + Ela(0x0000) + Data(0x0004, b) + kEof, ab, ""},
      {"lines after the end record are not read",
       Data(0, a) + kEof + Data(0x0004, b) + "garbage\n" + kEof, a, ""},
      {"a gap is 0xFF and the image runs to the highest byte written",
       Data(0x0000, a) + Data(0x0008, b) + kEof,
       {0x11, 0x22, 0x33, 0x44, 0xFF, 0xFF, 0xFF, 0xFF, 0xA5, 0x5A, 0x00, 0xFF},
       "the image runs to the highest byte written (12 bytes)"},
      {"records out of address order keep their places",
       Data(0x0008, b) + Data(0x0000, a) + kEof,
       {0x11, 0x22, 0x33, 0x44, 0xFF, 0xFF, 0xFF, 0xFF, 0xA5, 0x5A, 0x00, 0xFF},
       "0xFF where no record wrote"},
      {"data not at 0 without an ELA record: base 0, 0xFF up to the data",
       Data(0x0004, a) + kEof,
       {0xFF, 0xFF, 0xFF, 0xFF, 0x11, 0x22, 0x33, 0x44},
       "do not cover one range"},
      {"an overlap leaves the later record's bytes",
       Data(0x0000, a) + Data(0x0002, {0xEE, 0xDD}) + kEof,
       {0x11, 0x22, 0xEE, 0xDD},
       "without gaps or overlaps"},
      {"a segment address record places the data after it at segment x 16",
       Data(0, Bytes(16, 0x5A)) + Record(2, 0, {0x00, 0x01}) + Data(0, a) + kEof,
       {0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A,
        0x5A, 0x11, 0x22, 0x33, 0x44},
       ""},
      {"data far past half the file's length keeps its place (no cap by the file's size)",
       Data(0x0000, a) + Data(0x0100, b) + kEof,
       [&] {
         Bytes image(0x104, 0xFF);
         std::copy(a.begin(), a.end(), image.begin());
         std::copy(b.begin(), b.end(), image.begin() + 0x100);
         return image;
       }(),
       "(260 bytes)"},
      {"a data record of 255 bytes, the most a record holds, is read",
       Data(0, PatternBytes(255, 9)) + kEof, PatternBytes(255, 9), ""},
      {"a record of 0 data bytes fixes the base and adds nothing",
       Ela(0x0800) + Data(0x0100, {}) + Data(0x0100, a) + kEof, a, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes image = {0x99};
    const ConversionResult result = ConvertHexText(c.text, image);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.fault, ConversionFault::None);
    EXPECT_EQ(image, c.image);
    EXPECT_EQ(result.bytes_written, c.image.size());
    if (*c.note == '\0') {
      EXPECT_EQ(result.note, "");
    } else {
      EXPECT_THAT(result.note, HasSubstr(c.note));
    }
  }
}

TEST(IntelHex, SecondLinearBlockLandsAt64KiBAndTheImageIs128KiB) {
  const Bytes image = PatternBytes(0x20000, 11);
  // ELA 0, data 0x0000-0xFFFF, :020000040001F9, data 0x0000-0xFFFF.
  const std::string text = HexOf(image, 0, 16, /*ela_first=*/true);
  ASSERT_NE(text.find(":020000040000FA\n"), std::string::npos);
  ASSERT_NE(text.find(":020000040001F9\n"), std::string::npos);
  Bytes converted;
  const ConversionResult result = ConvertHexText(text, converted);
  ASSERT_TRUE(result.ok) << result.error;
  ASSERT_EQ(converted.size(), 0x20000u);
  EXPECT_EQ(converted[0x10000], image[0x10000]);
  EXPECT_TRUE(converted == image);
}

TEST(IntelHex, RecordsOf16And32BytesGiveTheSameImage) {
  const Bytes image = PatternBytes(5000, 12);
  for (const std::uint32_t start : {0x00000000u, 0x0800FF00u}) {
    for (const std::size_t per_record : {16u, 32u}) {
      SCOPED_TRACE(per_record);
      Bytes converted;
      const ConversionResult result =
          ConvertHexText(HexOf(image, start, per_record, /*ela_first=*/true), converted);
      ASSERT_TRUE(result.ok) << result.error;
      EXPECT_TRUE(converted == image);
    }
  }
}

// --- Intel HEX: faults the program used to run into ---

TEST(IntelHex, RefusesRecordsItCannotPlaceOrReadAndFilesWithoutAnImage) {
  const Bytes a = {0x11, 0x22, 0x33, 0x44};
  const struct {
    const char* name;
    std::string text;
    ConversionFault fault;
    std::size_t line;
    const char* error;
  } cases[] = {
      {"data below the base", Ela(0x0800) + Data(0x0010, a) + Data(0x0000, a) + kEof,
       ConversionFault::OutsideImage, 3, "0x08000000..0x08000003 lies outside the image area"},
      {"data at 2 GiB past the base", Data(0x0000, a) + Ela(0x8000) + Data(0x0000, a) + kEof,
       ConversionFault::OutsideImage, 3,
       "0x80000000..0x80000003 lies outside the image area 0x00000000..0x7FFFFFFF"},
      {"data running past the end of the 2 GiB image area",
       Data(0x0000, a) + Ela(0x7FFF) + Data(0xFFFE, a) + kEof, ConversionFault::OutsideImage, 3,
       "0x7FFFFFFE..0x80000001 lies outside the image area 0x00000000..0x7FFFFFFF"},
      {"data below the base when the base comes from the first of two ELA records",
       Ela(0x0001) + Ela(0x0000) + Data(0x0000, a) + kEof, ConversionFault::OutsideImage, 3,
       "image area 0x00010000"},
      {"data in an ELA block the first data record did not start",
       Ela(0x0800) + Data(0x0000, a) + Ela(0x0000) + Data(0x0004, a) + kEof,
       ConversionFault::OutsideImage, 4, "0x00000004"},
      {"a byte count of 0xFF after good lines, without its checksum",
       Data(0, a) + ":FF000000" + std::string(510, '0') + "\n" + kEof,
       ConversionFault::RecordCutShort, 2, "needs 521 characters"},
      {"a wrong checksum", ":0400000011223344FF\n" + kEof, ConversionFault::BadChecksum, 1,
       "the record's checksum is FF but its bytes give 52"},
      {"a flipped data bit", Data(0, a) + ":04000400A55A00FEFA\n" + kEof,
       ConversionFault::BadChecksum, 2, "checksum is FA but its bytes give FB"},
      {"a wrong checksum on the end record", Data(0, a) + ":00000001FE\n",
       ConversionFault::BadChecksum, 2, "checksum is FE but its bytes give FF"},
      {"a wrong checksum on a skipped record type", Data(0, a) + ":0400000500000000F6\n" + kEof,
       ConversionFault::BadChecksum, 2, "checksum is F6 but its bytes give F7"},
      {"a checksum that is not hexadecimal", ":0400000011223344G2\n" + kEof,
       ConversionFault::NotHexadecimal, 1, "'G' at column 18"},
      {"no end record", Data(0, a) + Data(4, a), ConversionFault::NoEndRecord, 0,
       "there is no end-of-file record"},
      {"an empty file", "", ConversionFault::NoEndRecord, 0, "no end-of-file record"},
      {"a first line not starting with ':'", "Intel HEX\n" + Data(0, a) + kEof,
       ConversionFault::NoEndRecord, 1, "does not start with ':'"},
      {"a blank line between records ends them before the end record",
       Data(0, a) + "\n" + Data(4, a) + kEof, ConversionFault::NoEndRecord, 2,
       "does not start with ':'"},
      {"only an end record", kEof, ConversionFault::EmptyImage, 0, "holds no data"},
      {"data records of 0 bytes only", Ela(0x0800) + Data(0x0100, {}) + kEof,
       ConversionFault::EmptyImage, 0, "the image would be empty"},
      {"a data digit that is not hexadecimal", Data(0, a) + ":04000400A55G00FF03\n" + kEof,
       ConversionFault::NotHexadecimal, 2, "'G' at column 13"},
      {"a space inside the data", ":04000000 1223344A2\n" + kEof, ConversionFault::NotHexadecimal,
       1, "' ' at column 10"},
      {"a byte count that is not hexadecimal", ":0X0000001122\n" + kEof,
       ConversionFault::NotHexadecimal, 1, "'X' at column 3"},
      {"an address that is not hexadecimal", ":040z000011223344A2\n" + kEof,
       ConversionFault::NotHexadecimal, 1, "'z' at column 5"},
      {"a record type that is not hexadecimal", ":040000Q011223344A2\n" + kEof,
       ConversionFault::NotHexadecimal, 1, "'Q' at column 8"},
      {"an ELA value that is not hexadecimal", ":0200000408g0F2\n" + kEof,
       ConversionFault::NotHexadecimal, 1, "'g' at column 12"},
      {"a data record cut short", Data(0, a) + ":0800000011223344\n" + kEof,
       ConversionFault::RecordCutShort, 2, "needs 27 characters"},
      {"a data record without its checksum", ":0400000011223344\n" + kEof,
       ConversionFault::RecordCutShort, 1, "needs 19 characters"},
      {"a line of only ':'", ":\n" + kEof, ConversionFault::RecordCutShort, 1, "cut short"},
      {"an ELA record cut short", ":0200000408\n" + Data(0, a) + kEof,
       ConversionFault::RecordCutShort, 1, "needs 15 characters"},
      {"an ELA record of one byte", ":0100000408F3\n" + Data(0, a) + kEof,
       ConversionFault::RecordCutShort, 1, "needs 2 data bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes image = {0x99};
    const ConversionResult result = ConvertHexText(c.text, image);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.fault, c.fault);
    EXPECT_EQ(result.line, c.line);
    if (c.line != 0) {
      EXPECT_THAT(result.error, HasSubstr("line " + std::to_string(c.line) + ": "));
    } else {
      EXPECT_THAT(result.error, ::testing::Not(HasSubstr("line ")));
    }
    EXPECT_THAT(result.error, HasSubstr(c.error));
    EXPECT_TRUE(image.empty()) << "nothing is loaded from a refused file";
    EXPECT_EQ(result.bytes_written, 0u);
  }
}

// --- Files on disk ---

struct ConverterFiles : ::testing::Test {
  fs::path dir = fs::path(::testing::TempDir()) /
                 ("file_formats_" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  fs::path temp = dir / "temp";

  ConverterFiles() {
    fs::remove_all(dir);
    fs::create_directories(temp);
  }
  ~ConverterFiles() override { fs::remove_all(dir); }

  static void Write(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static void Write(const fs::path& path, const Bytes& bytes) {
    Write(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  static Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Nothing but the named files in a folder: no partial image left behind.
  static std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ConverterFiles, HexFilesWrittenByObjcopyAndSrecCatConvertBackToTheirImage) {
  const fs::path fixtures = fs::path(TESSARY_SOURCE_DIR) / "tests/fixtures/formats";
  const struct {
    const char* file;
    std::size_t size;
    std::uint32_t seed;
    std::size_t gap_from = 0, gap_to = 0;  // bytes the file leaves out: 0xFF in the image
  } cases[] = {
      {"objcopy_16.hex", 3000, 1},              // CR LF, no ELA record
      {"objcopy_16_at_08000000.hex", 3000, 2},  // ELA 0800 first, start address record 05
      {"objcopy_16_at_0800FC00.hex", 2048, 3},  // ELA 0801 after 1 KiB
      {"objcopy_16_over_64k.hex", 70000, 8},    // segment record 1000 after 64 KiB
      {"srec_16.hex", 3000, 4},                 // ELA 0000 first
      {"srec_32.hex", 3000, 5},                 // 32-byte records
      {"srec_32_at_08000000.hex", 3000, 6},     // 32-byte records from 0x08000000
      {"srec_32_at_0000FC00.hex", 2048, 7},     // ELA 0000 first, ELA 0001 after 1 KiB
      {"srec_255.hex", 3000, 10},               // 255-byte records
      {"srec_gap_1000_2000.hex", 12288, 9, 0x1000, 0x2000},  // srec_cat -exclude 0x1000 0x2000
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path image = temp / "hex.bin";
    const ConversionResult result = ConvertHexFile(fixtures / c.file, image);
    ASSERT_TRUE(result.ok) << result.error;
    if (c.gap_to == 0) {
      EXPECT_EQ(result.note, "");
    } else {
      EXPECT_THAT(result.note, HasSubstr("0xFF where no record wrote"));
    }
    EXPECT_EQ(result.bytes_written, c.size);
    Bytes expected = PatternBytes(c.size, c.seed);
    std::fill(expected.begin() + static_cast<std::ptrdiff_t>(c.gap_from),
              expected.begin() + static_cast<std::ptrdiff_t>(c.gap_to), 0xFF);
    EXPECT_TRUE(Read(image) == expected);
  }
  EXPECT_EQ(Names(temp), std::vector<std::string>{"hex.bin"});
}

TEST_F(ConverterFiles, LinesAcrossReadBlocksAndOverlongLinesConvertLikeTheTextInMemory) {
  // Over 1 MiB of text, so that lines straddle the blocks the file is read
  // in; one line (a record followed by blanks) is longer than a block.
  const Bytes image = PatternBytes(600000, 13);
  std::string text = HexOf(image, 0x08000000, 32, true);
  const std::size_t first_record_end = text.find('\n', text.find('\n') + 1);
  text.insert(first_record_end, std::string(std::size_t{3} << 20, ' '));
  text.pop_back();  // the end record is the last line, without a line feed
  Write(dir / "big.hex", text);

  const ConversionResult result = ConvertHexFile(dir / "big.hex", temp / "hex.bin");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.bytes_written, image.size());
  EXPECT_TRUE(Read(temp / "hex.bin") == image);

  Bytes in_memory;
  ASSERT_TRUE(ConvertHexText(text, in_memory).ok);
  EXPECT_TRUE(in_memory == image);
}

TEST_F(ConverterFiles, FilesWithoutAnImageAreRefusedAndTheOlderImageRemovedOrKept) {
  Write(dir / "fw.hex", "not a hex file\n");
  Write(dir / "header.cap", Bytes(2048, 0x42));
  const struct {
    OnFailure on_failure;
    bool kept;
  } cases[] = {{OnFailure::RemoveImage, false}, {OnFailure::KeepImage, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kept);
    Write(temp / "hex.bin", Bytes(100, 0x55));
    Write(temp / "cap.bin", Bytes(100, 0x55));
    const ConversionResult hex = ConvertHexFile(dir / "fw.hex", temp / "hex.bin", c.on_failure);
    EXPECT_FALSE(hex.ok);
    EXPECT_EQ(hex.fault, ConversionFault::NoEndRecord);
    EXPECT_THAT(hex.error, HasSubstr("fw.hex', line 1: "));
    const ConversionResult cap =
        ConvertCapFile(dir / "header.cap", temp / "cap.bin", c.on_failure);
    EXPECT_FALSE(cap.ok);
    EXPECT_EQ(cap.fault, ConversionFault::EmptyImage);
    EXPECT_THAT(cap.error, HasSubstr("header.cap' holds nothing past its 2048-byte header"));
    if (c.kept) {
      EXPECT_EQ(Read(temp / "hex.bin"), Bytes(100, 0x55));
      EXPECT_EQ(Read(temp / "cap.bin"), Bytes(100, 0x55));
    } else {
      EXPECT_TRUE(Names(temp).empty());
    }
  }
}

TEST_F(ConverterFiles, ARefusedHexFileLeavesNoImageNotEvenAnOlderOne) {
  Write(temp / "hex.bin", Bytes(100, 0x55));
  Write(dir / "fw.hex", Data(0, {1, 2, 3, 4}) + ":04000400A55G00FF03\n" + kEof);
  const ConversionResult result = ConvertHexFile(dir / "fw.hex", temp / "hex.bin");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.fault, ConversionFault::NotHexadecimal);
  EXPECT_EQ(result.line, 2u);
  EXPECT_THAT(result.error, HasSubstr("fw.hex', line 2: "));
  EXPECT_TRUE(Names(temp).empty());
}

TEST_F(ConverterFiles, SourcesThatCannotBeReadAreReportedByName) {
  fs::create_directories(dir / "folder.hex");
  const struct {
    fs::path source;
    const char* reason;
  } cases[] = {
      {dir / "missing.hex", "missing.hex'"},
      {dir / "folder.hex", "folder.hex'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    Write(temp / "hex.bin", Bytes(10, 0x55));
    Write(temp / "cap.bin", Bytes(10, 0x55));
    const ConversionResult hex = ConvertHexFile(c.source, temp / "hex.bin");
    EXPECT_FALSE(hex.ok);
    EXPECT_EQ(hex.fault, ConversionFault::SourceUnreadable);
    EXPECT_THAT(hex.error, HasSubstr("Intel HEX file '"));
    EXPECT_THAT(hex.error, HasSubstr(c.reason));
    const ConversionResult cap = ConvertCapFile(c.source, temp / "cap.bin");
    EXPECT_FALSE(cap.ok);
    EXPECT_EQ(cap.fault, ConversionFault::SourceUnreadable);
    EXPECT_THAT(cap.error, HasSubstr("CAP file '"));
    EXPECT_THAT(cap.error, HasSubstr(c.reason));
    EXPECT_TRUE(Names(temp).empty());
  }
}

TEST_F(ConverterFiles, ImagesThatCannotBeWrittenAreReportedByNameAndLeaveNothing) {
  Write(dir / "fw.hex", Data(0, {1, 2, 3, 4}) + kEof);
  Write(dir / "fw.cap", Bytes(3000, 0x42));
  fs::create_directories(temp / "taken.bin" / "inside");
  const struct {
    fs::path image;
    const char* name;
  } cases[] = {
      {dir / "no temp folder" / "hex.bin", "no temp folder/hex.bin'"},
      {temp / "taken.bin", "taken.bin'"},  // a folder stands at the image's name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    const ConversionResult hex = ConvertHexFile(dir / "fw.hex", c.image);
    EXPECT_FALSE(hex.ok);
    EXPECT_EQ(hex.fault, ConversionFault::ImageUnwritable);
    EXPECT_THAT(hex.error, HasSubstr("image file '"));
    EXPECT_THAT(hex.error, HasSubstr(c.name));
    EXPECT_EQ(hex.bytes_written, 0u);
    const ConversionResult cap = ConvertCapFile(dir / "fw.cap", c.image);
    EXPECT_FALSE(cap.ok);
    EXPECT_EQ(cap.fault, ConversionFault::ImageUnwritable);
    EXPECT_THAT(cap.error, HasSubstr(c.name));
  }
  EXPECT_EQ(Names(temp), std::vector<std::string>{"taken.bin"});
  EXPECT_TRUE(fs::is_directory(temp / "taken.bin" / "inside"));
  EXPECT_FALSE(fs::exists(dir / "no temp folder"));
}

// --- Writing output files ---

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

TEST_F(ConverterFiles, OutputFilesFollowLinksKeepPermissionsAndRefuseWhatTheyMustNotReplace) {
  const Bytes fresh = {'n', 'e', 'w'};
  const Bytes old = {'o', 'l', 'd', '!'};
  const auto file = [&](const char* name, mode_t mode) {
    Write(dir / name, old);
    ::chmod((dir / name).c_str(), mode);
    return dir / name;
  };
  struct Case {
    const char* name;
    std::function<fs::path()> make;  // the path written to
    fs::path lands;                  // where the bytes must end up (empty: refused)
    mode_t mode;                     // the mode the file there must have
    const char* error;               // a part of the error when refused
  };
  const Case cases[] = {
      {"a new file", [&] { return dir / "new.bin"; }, dir / "new.bin", 0, ""},
      {"permissions kept", [&] { return file("private.bin", 0600); }, dir / "private.bin", 0600,
       ""},
      {"execute bits kept", [&] { return file("tool.bin", 0750); }, dir / "tool.bin", 0750, ""},
      {"a symbolic link is followed and stays a link",
       [&] {
         file("real.bin", 0640);
         fs::create_symlink("real.bin", dir / "link.bin");
         return dir / "link.bin";
       },
       dir / "real.bin", 0640, ""},
      {"a chain of links, one into another folder",
       [&] {
         fs::create_directories(dir / "sub");
         Write(dir / "sub" / "deep.bin", old);
         fs::create_symlink("sub/deep.bin", dir / "hop.bin");
         fs::create_symlink(dir / "hop.bin", dir / "chain.bin");
         return dir / "chain.bin";
       },
       dir / "sub" / "deep.bin", 0, ""},
      {"a dangling link creates its target",
       [&] {
         fs::create_symlink("made.bin", dir / "dangling.bin");
         return dir / "dangling.bin";
       },
       dir / "made.bin", 0, ""},
      {"a read-only file is refused, even for root", [&] { return file("ro.bin", 0444); }, {}, 0,
       "ro.bin': the file is read-only (mode 0444)"},
      {"a read-only file behind a link is refused",
       [&] {
         file("ro_target.bin", 0400);
         fs::create_symlink("ro_target.bin", dir / "ro_link.bin");
         return dir / "ro_link.bin";
       },
       {}, 0, "read-only"},
      {"a folder is refused",
       [&] {
         fs::create_directories(dir / "folder.bin");
         return dir / "folder.bin";
       },
       {}, 0, "a folder has that name"},
      {"a FIFO nobody reads is refused, not waited on",
       [&] {
         ::mkfifo((dir / "fifo").c_str(), 0600);
         return dir / "fifo";
       },
       {}, 0, "a FIFO that no program is reading"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = c.make();
    const mode_t before = ModeOf(path);
    ImageFileWriter writer(path);
    const bool written = writer.Open() && writer.Write(fresh) && writer.Commit();
    if (c.lands.empty()) {
      EXPECT_FALSE(written);
      EXPECT_THAT(writer.error(), HasSubstr(c.error));
      EXPECT_NE(writer.refusal(), OutputRefusal::None) << "a refusal the window can word";
      EXPECT_EQ(ModeOf(path), before) << "what stood there stays what it was";
      if (fs::is_regular_file(path)) {
        EXPECT_EQ(Read(path), old);
      }
    } else {
      ASSERT_TRUE(written) << writer.error();
      EXPECT_EQ(writer.refusal(), OutputRefusal::None);
      EXPECT_EQ(Read(c.lands), fresh);
      if (c.mode != 0) {
        EXPECT_EQ(ModeOf(c.lands) & 07777, c.mode);
      }
      if (path != c.lands) {
        EXPECT_TRUE(fs::is_symlink(path));
      }
    }
    EXPECT_FALSE(fs::exists(writer.partial())) << "no partial file is left";
  }
}

TEST_F(ConverterFiles, DevicesAndFifosWithAReaderAreWrittenInPlace) {
  const Bytes fresh = PatternBytes(1000, 3);
  // A FIFO with a reader: the bytes go through it and it stays a FIFO.
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  {
    ImageFileWriter writer(fifo);
    ASSERT_TRUE(writer.Open() && writer.Write(fresh) && writer.Commit()) << writer.error();
  }
  Bytes got(2000);
  const ssize_t count = ::read(reader, got.data(), got.size());
  ::close(reader);
  ASSERT_EQ(count, 1000);
  got.resize(1000);
  EXPECT_EQ(got, fresh);
  EXPECT_TRUE(fs::is_fifo(fifo));

  // A character device (/dev/null, also through a link) stays the device.
  const fs::path null_device = "/dev/null";
  if (!fs::is_character_file(null_device)) GTEST_SKIP() << "no /dev/null here";
  fs::create_symlink(null_device, dir / "null.bin");
  for (const fs::path& path : {null_device, dir / "null.bin"}) {
    SCOPED_TRACE(path);
    ImageFileWriter writer(path);
    ASSERT_TRUE(writer.Open() && writer.Write(fresh) && writer.Commit()) << writer.error();
    EXPECT_TRUE(fs::is_character_file(null_device));
  }
  EXPECT_FALSE(fs::exists("/dev/null.part"));
  EXPECT_TRUE(fs::is_symlink(dir / "null.bin"));
}

// --- CAP ---

TEST_F(ConverterFiles, CapImageIsEverythingPastTheHeader) {
  const struct {
    std::size_t size;
    std::size_t image;
  } cases[] = {{2048 + 65536, 65536},    {2049, 1}, {2048, 0}, {100, 0}, {0, 0},
               {2048 + 3000000, 3000000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const Bytes source = PatternBytes(c.size, 21);
    Write(dir / "fw.cap", source);
    Write(temp / "cap.bin", Bytes(5000000, 0x55));
    const ConversionResult result = ConvertCapFile(dir / "fw.cap", temp / "cap.bin");
    if (c.image == 0) {
      // Only a header: refused, and the older image is not left to be loaded.
      EXPECT_FALSE(result.ok);
      EXPECT_EQ(result.fault, ConversionFault::EmptyImage);
      EXPECT_THAT(result.error, HasSubstr("nothing past its 2048-byte header"));
      EXPECT_EQ(result.bytes_written, 0u);
      EXPECT_TRUE(Names(temp).empty());
      continue;
    }
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.bytes_written, c.image);
    const Bytes image = Read(temp / "cap.bin");
    ASSERT_EQ(image.size(), c.image);
    EXPECT_EQ(image[0], source[2048]);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), source.begin() + 2048));
    EXPECT_EQ(result.note, "");
    EXPECT_EQ(Names(temp), std::vector<std::string>{"cap.bin"});
  }
}

}  // namespace
}  // namespace tessary
