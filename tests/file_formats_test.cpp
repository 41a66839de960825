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
#include <string>
#include <vector>

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
       ":020000040800f2\r\n:0400000011223344a2\r\n:04000400a55a00ff03\r\n:00000001ff\r\n", ab, ""},
      {"no trailing line feed after the end record", Data(0, ab) + ":00000001FF", ab, ""},
      {"the checksum is neither read nor checked", ":0400000011223344FF\n" + kEof, a, ""},
      {"start address, segment 0 and unknown records are skipped",
       Record(2, 0, {0, 0}) + Record(3, 0, {0, 0, 1, 0}) + Data(0, a) + Record(5, 0, {8, 0, 0, 0}) +
           Record(0x7E, 0, {1}) + kEof,
       a, ""},
      {"an ELA record of 0 after data that came without one keeps the data in place",
       Data(0x0000, a) + Ela(0x0000) + Data(0x0004, b) + kEof, ab, ""},
      {"lines after the end record are not read",
       Data(0, a) + kEof + Data(0x0004, b) + "garbage\n" + kEof, a, ""},
      {"without an end record the image is empty",
       Data(0, a) + Data(4, b),
       {},
       "no end-of-file record"},
      {"a first line not starting with ':' gives an empty image",
       "Intel HEX\n" + Data(0, a) + kEof,
       {},
       "line 1 does not start with ':'"},
      {"a blank line stops the conversion before the end record",
       Data(0, a) + "\n" + Data(4, b) + kEof,
       {},
       "line 2 does not start with ':'"},
      {"an empty file gives an empty image", "", {}, "no end-of-file record"},
      {"a gap is 0xFF and the image is as long as the data bytes",
       Data(0x0000, a) + Data(0x0008, b) + kEof,
       {0x11, 0x22, 0x33, 0x44, 0xFF, 0xFF, 0xFF, 0xFF},
       "the image holds the first 8 bytes"},
      {"data not at 0 without an ELA record: base 0, the image is the first bytes of the area",
       Data(0x0004, a) + kEof,
       {0xFF, 0xFF, 0xFF, 0xFF},
       "do not cover one range"},
      {"an overlap leaves the later record's bytes and an image as long as both",
       Data(0x0000, a) + Data(0x0002, {0xEE, 0xDD}) + kEof,
       {0x11, 0x22, 0xEE, 0xDD, 0xFF, 0xFF},
       "without gaps or overlaps"},
      {"a segment address record places the data after it at segment x 16",
       Data(0, Bytes(16, 0x5A)) + Record(2, 0, {0x00, 0x01}) + Data(0, a) + kEof,
       {0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A,
        0x5A, 0x11, 0x22, 0x33, 0x44},
       ""},
      {"a record ending at the end of the image area (half the source length) is placed",
       Data(0x0000, a) + Data(0x0016, b) + kEof,
       {0x11, 0x22, 0x33, 0x44, 0xFF, 0xFF, 0xFF, 0xFF},
       "do not cover one range"},
      {"a data record of 123 bytes, the most a line holds, is read",
       Data(0, PatternBytes(123, 9)) + kEof, PatternBytes(123, 9), ""},
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

TEST(IntelHex, RefusesRecordsItCannotPlaceOrRead) {
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
      {"data at or past half the source length", Data(0x0000, a) + Data(0x0100, a) + kEof,
       ConversionFault::OutsideImage, 2, "0x00000100..0x00000103 lies outside"},
      {"data running past the end of the image area", Data(0x0000, a) + Data(0x0017, a) + kEof,
       ConversionFault::OutsideImage, 2,
       "0x00000017..0x0000001A lies outside the image area 0x00000000..0x00000019"},
      {"data below the base when the base comes from the first of two ELA records",
       Ela(0x0001) + Ela(0x0000) + Data(0x0000, a) + kEof, ConversionFault::OutsideImage, 3,
       "image area 0x00010000"},
      {"data in an ELA block the first data record did not start",
       Ela(0x0800) + Data(0x0000, a) + Ela(0x0000) + Data(0x0004, a) + kEof,
       ConversionFault::OutsideImage, 4, "0x00000004"},
      {"more data bytes than a line holds", Data(0, PatternBytes(124, 1)) + kEof,
       ConversionFault::RecordTooLong, 1, "124 data bytes"},
      {"a byte count of 0xFF after good lines",
       Data(0, a) + ":FF000000" + std::string(510, '0') + "\n" + kEof,
       ConversionFault::RecordTooLong, 2, "at most 123"},
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
       ConversionFault::RecordCutShort, 2, "needs 25 characters"},
      {"a line of only ':'", ":\n" + kEof, ConversionFault::RecordCutShort, 1, "cut short"},
      {"an ELA record cut short", ":0200000408\n" + Data(0, a) + kEof,
       ConversionFault::RecordCutShort, 1, "needs 13 characters"},
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
    EXPECT_THAT(result.error, HasSubstr("line " + std::to_string(c.line) + ": "));
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
  } cases[] = {
      {"objcopy_16.hex", 3000, 1},              // CR LF, no ELA record
      {"objcopy_16_at_08000000.hex", 3000, 2},  // ELA 0800 first, start address record 05
      {"objcopy_16_at_0800FC00.hex", 2048, 3},  // ELA 0801 after 1 KiB
      {"objcopy_16_over_64k.hex", 70000, 8},    // segment record 1000 after 64 KiB
      {"srec_16.hex", 3000, 4},                 // ELA 0000 first
      {"srec_32.hex", 3000, 5},                 // 32-byte records
      {"srec_32_at_08000000.hex", 3000, 6},     // 32-byte records from 0x08000000
      {"srec_32_at_0000FC00.hex", 2048, 7},     // ELA 0000 first, ELA 0001 after 1 KiB
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path image = temp / "hex.bin";
    const ConversionResult result = ConvertHexFile(fixtures / c.file, image);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.note, "");
    EXPECT_EQ(result.bytes_written, c.size);
    EXPECT_TRUE(Read(image) == PatternBytes(c.size, c.seed));
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

TEST_F(ConverterFiles, AnEmptyImageIsWrittenOverAnOlderOne) {
  Write(temp / "hex.bin", Bytes(100, 0x55));
  Write(dir / "fw.hex", "not a hex file\n");
  const ConversionResult result = ConvertHexFile(dir / "fw.hex", temp / "hex.bin");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.bytes_written, 0u);
  EXPECT_TRUE(fs::exists(temp / "hex.bin"));
  EXPECT_EQ(fs::file_size(temp / "hex.bin"), 0u);
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
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.bytes_written, c.image);
    const Bytes image = Read(temp / "cap.bin");
    ASSERT_EQ(image.size(), c.image);
    if (c.image > 0) {
      EXPECT_EQ(image[0], source[2048]);
      EXPECT_TRUE(std::equal(image.begin(), image.end(), source.begin() + 2048));
      EXPECT_EQ(result.note, "");
    } else {
      EXPECT_THAT(result.note, HasSubstr("nothing past its 2048-byte header"));
    }
  }
  EXPECT_EQ(Names(temp), std::vector<std::string>{"cap.bin"});
}

}  // namespace
}  // namespace tessary
