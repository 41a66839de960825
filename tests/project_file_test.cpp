// The offline project's data file measure (length and chained CRC-32) and
// its 27-line project text: exact bytes, refusals, and the parser.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "project/data_file_check.h"
#include "project/project_file.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// The register of IEEE 802.3 bit by bit, chained as the programmer expects:
// every 1024-byte piece starts from the complement of the previous result.
std::uint32_t ReferenceChain(const std::vector<std::uint8_t>& data) {
  std::uint32_t value = 0xFFFFFFFF;
  for (std::size_t at = 0; at < data.size(); at += 1024) {
    std::uint32_t reg = value;
    for (std::size_t i = at; i < std::min(data.size(), at + 1024); ++i) {
      reg ^= data[i];
      for (int bit = 0; bit < 8; ++bit) reg = (reg >> 1) ^ (0xEDB88320u & (0u - (reg & 1u)));
    }
    value = ~reg;
  }
  return value;
}

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
  return data;
}

class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::path(::testing::TempDir()) / (std::string("project-") + info->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(path_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path_ / name;
  }
  [[nodiscard]] const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

struct CrcCase {
  const char* name;
  std::vector<std::uint8_t> data;
  std::uint32_t crc;
};

TEST(DataFileCheck, ChainedCrcOfKnownFiles) {
  const std::vector<CrcCase> cases = {
      {"123456789", Bytes("123456789"), 0xCBF43926},
      {"empty", {}, 0xFFFFFFFF},
      {"1024 x FF, the standard value", std::vector<std::uint8_t>(1024, 0xFF), 0xB83AFFF4},
      {"1025 x FF, chained (standard 45680CFA)", std::vector<std::uint8_t>(1025, 0xFF), 0x68951C88},
      {"2048 zeros", std::vector<std::uint8_t>(2048, 0x00), 0xE1A2EA4F},
      {"5000 bytes", Pattern(5000), ReferenceChain(Pattern(5000))},
  };
  TempFolder folder;
  for (const CrcCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChainedCrc32(c.data), c.crc);
    std::string error;
    const auto check = CheckDataFile(folder.Write("data.bin", c.data), error);
    ASSERT_TRUE(check.has_value()) << error;
    EXPECT_EQ(check->length, c.data.size());
    EXPECT_EQ(check->crc32, c.crc);
  }
  // Past the first piece the chain is not the standard CRC of the file.
  const auto data = Pattern(5000);
  EXPECT_NE(ChainedCrc32(data), Crc32Update(0xFFFFFFFF, data));
  // Continued at a piece boundary, the chain gives the value of the whole.
  const std::span<const std::uint8_t> all(data);
  EXPECT_EQ(ChainedCrc32(all.subspan(3072), ChainedCrc32(all.first(3072))), ReferenceChain(data));
}

TEST(DataFileCheck, FileReadInManyChunksGivesTheSameChain) {
  // Longer than one read of the file, and not a whole number of pieces.
  const auto data = Pattern(200 * 1024 + 333);
  TempFolder folder;
  std::string error;
  const auto check = CheckDataFile(folder.Write("big.bin", data), error);
  ASSERT_TRUE(check.has_value()) << error;
  EXPECT_EQ(check->crc32, ReferenceChain(data));
  EXPECT_EQ(check->length, data.size());
}

TEST(DataFileCheck, UnreadableFileIsReportedWithItsName) {
  TempFolder folder;
  for (const fs::path& path : {folder.path() / "missing.bin", folder.path()}) {
    std::string error;
    EXPECT_FALSE(CheckDataFile(path, error).has_value());
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
  }
}

TEST(DataFileCheck, NamePartFollowsEitherSeparatorAndIsCut) {
  EXPECT_EQ(FileNamePart("C:\\data\\fw.bin", 64), "fw.bin");
  EXPECT_EQ(FileNamePart("/home/op/data/fw.bin", 64), "fw.bin");
  EXPECT_EQ(FileNamePart(std::string(70, 'a'), 64), std::string(64, 'a'));
}

// --- the project text -------------------------------------------------------

ProjectChipRow W25Q64Row() {
  ProjectChipRow row;
  row.ChipType = "25 FLASH";
  row.ChipId = "EF4017";
  row.ManufName = "WINBOND";
  row.Capacity = 0x800000;
  row.BlockSize = 0x10000;
  row.PageSize = 256;
  row.OTPSize = 0;
  row.Voltage = 3300;
  row.ChipPara = 0x1A5;  // only the low byte travels
  row.ChipPara1 = 0x02;
  return row;
}

ProjectChoices Choices() {
  ProjectChoices c;
  c.PrjId = 0x12AB34CD;
  c.PrjName = "firmware.bin";
  c.ChipName = "W25Q64";
  c.ChipChosen = true;
  c.DownMethodIndex = 1;
  c.IdCheck = true;
  c.Erase = true;
  c.Write = true;
  c.Verify = true;
  return c;
}

Prj_Info_Struct Measured() {
  Prj_Info_Struct project;
  project.FileLen = 5000;
  project.Crc32 = 0x0BADF00D;
  return project;
}

TEST(ProjectText, TwentySevenLinesExactly) {
  Prj_Info_Struct project = Measured();
  const ProjectTextResult result = BuildProjectText(Choices(), W25Q64Row(), project);
  ASSERT_EQ(result.status, ProjectFileStatus::Written) << result.detail;
  EXPECT_EQ(result.text,
            "PrjID=12AB34CDH\r\n"
            "PrjName=firmware.bin\r\n"
            "ChipName=W25Q64\r\n"
            "ChipID=EF4017\r\n"
            "ChipType=1\r\n"
            "ChipManauf=WINBOND\r\n"
            "ChipSize=00800000\r\n"
            "BlockSize=00010000\r\n"
            "PageSize=00000100\r\n"
            "OTPSize=00000000\r\n"
            "ChipVolt=00000000\r\n"
            "ChipPara=A5\r\n"
            "ChipPara1=02\r\n"
            "FileLen=00001388\r\n"
            "OprMode=01\r\n"
            "OprIdCheck=01\r\n"
            "OprErase=01\r\n"
            "OprWrite=01\r\n"
            "OprVerify=01\r\n"
            "SnEn=00\r\n"
            "SnLen=00\r\n"
            "SnEndian=00\r\n"
            "SnAddr=00000000\r\n"
            "SnValue=00000000\r\n"
            "TimesEn=00\r\n"
            "TimesMax=00000000\r\n"
            "Crc32=0BADF00D\r\n");
  EXPECT_EQ(project.ChipName, "W25Q64");
  EXPECT_EQ(project.ChipID, 0xEF4017u);
  EXPECT_EQ(project.ChipManauf, "WINBOND");
  EXPECT_EQ(project.ChipPara, 0xA5);
}

struct LineCase {
  const char* name;
  std::function<void(ProjectChoices&, ProjectChipRow&)> change;
  std::string line;  // expected somewhere in the text
};

TEST(ProjectText, ValuesOfEachLine) {
  const std::vector<LineCase> cases = {
      {"24 EEPROM always 24000000",
       [](ProjectChoices&, ProjectChipRow& r) { r.ChipType = "24 EEPROM"; r.ChipId = "000000"; },
       "\r\nChipID=24000000\r\nChipType=2\r\n"},
      {"SWD Flash is 7", [](ProjectChoices&, ProjectChipRow& r) { r.ChipType = "SWD Flash"; },
       "\r\nChipType=7\r\n"},
      {"SWD ARM is unknown here", [](ProjectChoices&, ProjectChipRow& r) { r.ChipType = "SWD ARM"; },
       "\r\nChipType=0\r\n"},
      {"1.8 V", [](ProjectChoices&, ProjectChipRow& r) { r.Voltage = 1800; }, "\r\nChipVolt=00000001\r\n"},
      {"5 V", [](ProjectChoices&, ProjectChipRow& r) { r.Voltage = 5000; }, "\r\nChipVolt=00000002\r\n"},
      {"page size as 16 bits", [](ProjectChoices&, ProjectChipRow& r) { r.PageSize = 0x12345; },
       "\r\nPageSize=00002345\r\n"},
      {"manual", [](ProjectChoices& c, ProjectChipRow&) { c.DownMethodIndex = 0; }, "\r\nOprMode=00\r\n"},
      {"machine", [](ProjectChoices& c, ProjectChipRow&) { c.DownMethodIndex = 2; }, "\r\nOprMode=02\r\n"},
      {"no selection", [](ProjectChoices& c, ProjectChipRow&) { c.DownMethodIndex = -1; },
       "\r\nOprMode=00\r\n"},
      {"steps off", [](ProjectChoices& c, ProjectChipRow&) { c.IdCheck = c.Write = false; },
       "\r\nOprIdCheck=00\r\nOprErase=01\r\nOprWrite=00\r\nOprVerify=01\r\n"},
      {"serial numbers, no width chosen gives 4",
       [](ProjectChoices& c, ProjectChipRow&) {
         c.AutoSn = true;
         c.SnEndianIndex = 1;
         c.SnAddr = "1ff0";
         c.SnValue = "FFFFFFFF";
       },
       "\r\nSnEn=01\r\nSnLen=04\r\nSnEndian=01\r\nSnAddr=00001FF0\r\nSnValue=FFFFFFFF\r\n"},
      {"serial numbers of 2 bytes",
       [](ProjectChoices& c, ProjectChipRow&) { c.AutoSn = true; c.SnBytesIndex = 1; },
       "\r\nSnLen=02\r\n"},
      {"run limit 70000 keeps its low 16 bits",
       [](ProjectChoices& c, ProjectChipRow&) { c.LimitRuns = true; c.RunLimit = "70000"; },
       "\r\nTimesEn=01\r\nTimesMax=00001170\r\n"},
      {"run limit not ticked", [](ProjectChoices& c, ProjectChipRow&) { c.RunLimit = "99"; },
       "\r\nTimesEn=00\r\nTimesMax=00000000\r\n"},
      {"name after its last backslash, cut to 32",
       [](ProjectChoices& c, ProjectChipRow&) { c.PrjName = "C:\\x\\" + std::string(40, 'n'); },
       "\r\nPrjName=" + std::string(32, 'n') + "\r\n"},
      {"name after its last slash",
       [](ProjectChoices& c, ProjectChipRow&) { c.PrjName = "/home/op/fw.bin"; }, "\r\nPrjName=fw.bin\r\n"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectChoices choices = Choices();
    ProjectChipRow row = W25Q64Row();
    c.change(choices, row);
    Prj_Info_Struct project = Measured();
    const ProjectTextResult result = BuildProjectText(choices, row, project);
    ASSERT_EQ(result.status, ProjectFileStatus::Written) << result.detail;
    EXPECT_NE(result.text.find(c.line), std::string::npos) << result.text;
    std::string error;
    const auto parsed = ParseProjectText(Bytes(result.text), error);
    ASSERT_TRUE(parsed.has_value()) << error;
  }
}

struct RefusalCase {
  const char* name;
  std::function<void(ProjectChoices&, ProjectChipRow&)> change;
  ProjectFileStatus status;
};

TEST(ProjectText, RefusalsLeaveTheProjectAsItWas) {
  const std::vector<RefusalCase> cases = {
      {"no chip", [](ProjectChoices& c, ProjectChipRow&) { c.ChipChosen = false; },
       ProjectFileStatus::NoChip},
      {"ChipID not hexadecimal", [](ProjectChoices&, ProjectChipRow& r) { r.ChipId = "EF40G7"; },
       ProjectFileStatus::BadValue},
      {"serial address not hexadecimal",
       [](ProjectChoices& c, ProjectChipRow&) { c.AutoSn = true; c.SnAddr = "$12"; },
       ProjectFileStatus::BadValue},
      {"serial value over 32 bits",
       [](ProjectChoices& c, ProjectChipRow&) { c.AutoSn = true; c.SnValue = "100000000"; },
       ProjectFileStatus::BadValue},
      {"run limit not decimal",
       [](ProjectChoices& c, ProjectChipRow&) { c.LimitRuns = true; c.RunLimit = "1e3"; },
       ProjectFileStatus::BadValue},
      {"empty run limit", [](ProjectChoices& c, ProjectChipRow&) { c.LimitRuns = true; c.RunLimit = ""; },
       ProjectFileStatus::BadValue},
      {"a line end in the name", [](ProjectChoices& c, ProjectChipRow&) { c.PrjName = "a\r\nb"; },
       ProjectFileStatus::BadValue},
      {"over 512 bytes is refused, not cut",
       [](ProjectChoices&, ProjectChipRow& r) { r.ManufName = std::string(200, 'M'); },
       ProjectFileStatus::TooLong},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectChoices choices = Choices();
    ProjectChipRow row = W25Q64Row();
    c.change(choices, row);
    Prj_Info_Struct project = Measured();
    project.ChipName = "before";
    const ProjectTextResult result = BuildProjectText(choices, row, project);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(result.text.empty());
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(project.ChipName, "before");
  }
}

TEST(ProjectText, ParserRefusesWhatIsNotAProject) {
  Prj_Info_Struct project = Measured();
  const std::string good = BuildProjectText(Choices(), W25Q64Row(), project).text;
  const auto replaced = [&](std::string_view from, std::string_view to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"LF line ends", replaced("\r\nChipName", "\nChipName")},
      {"keys out of order", replaced("OprErase=01\r\nOprWrite=01", "OprWrite=01\r\nOprErase=01")},
      {"lower-case hex", replaced("Crc32=0BADF00D", "Crc32=0badf00d")},
      {"short hex", replaced("FileLen=00001388", "FileLen=1388")},
      {"no H after the ID", replaced("PrjID=12AB34CDH", "PrjID=12AB34CD")},
      {"a 28th line", good + "Extra=1\r\n"},
      {"last line end missing", good.substr(0, good.size() - 2)},
      {"over 512 bytes", good + std::string(600, ' ')},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    std::string error;
    EXPECT_FALSE(ParseProjectText(Bytes(text), error).has_value());
    EXPECT_FALSE(error.empty());
  }
  std::string error;
  const auto parsed = ParseProjectText(Bytes(good), error);
  ASSERT_TRUE(parsed.has_value()) << error;
  EXPECT_EQ(parsed->FileLen, 5000u);
  EXPECT_EQ(parsed->Crc32, 0x0BADF00Du);
  EXPECT_EQ(parsed->PrjName, "firmware.bin");
  EXPECT_EQ(parsed->ChipName, "W25Q64");
}

TEST(ProjectText, TypedNumbersReadAsTheProgramReadsThem) {
  EXPECT_EQ(ParseTypedHex("00000000"), 0u);
  EXPECT_EQ(ParseTypedHex("ffffffff"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseTypedHex(" 1A "), 0x1Au);
  EXPECT_FALSE(ParseTypedHex(""));
  EXPECT_FALSE(ParseTypedHex("0x10"));
  EXPECT_EQ(ParseTypedDecimal("-1"), -1);
  EXPECT_EQ(ParseTypedDecimal("2147483647"), 2147483647);
  EXPECT_FALSE(ParseTypedDecimal("2147483648"));
  EXPECT_FALSE(ParseTypedDecimal("12a"));
}

}  // namespace
}  // namespace tessary
