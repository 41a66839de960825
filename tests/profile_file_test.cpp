// Profile files: defaults, cuts, integers, writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/profile_file.h"

namespace tessary {
namespace {

struct Profile : ::testing::Test {
  std::filesystem::path path =
      std::filesystem::path(::testing::TempDir()) /
      (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".ini");
  Profile() { std::filesystem::remove(path); }
  ~Profile() override { std::filesystem::remove(path); }
  void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::string Contents() {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

TEST_F(Profile, MissingFileOrKeyGivesTheDefault) {
  ProfileFile file(path);
  EXPECT_EQ(file.ReadString("PrjInfo", "ChipName", "24C02", 60), "24C02");
  EXPECT_EQ(file.ReadInt("PrjInfo", "Erase", 1), 1);
  Write("[PrjInfo]\nOther=3\n");
  EXPECT_EQ(file.ReadInt("PrjInfo", "Erase", 1), 1);
  EXPECT_EQ(file.ReadInt("Nope", "Other", 9), 9);
}

TEST_F(Profile, ReadsValuesRegardlessOfCaseAndBlanks) {
  Write("; comment\r\n[SystemOption]\r\n  language =  1 \r\nFile=\"C:\\a b.bin\"\r\n[PrjInfo]\r\nIdCheck=257\r\nRamStartAddr= -16\r\nbad=x12\r\n");
  ProfileFile file(path);
  EXPECT_EQ(file.ReadInt("systemoption", "Language", 0), 1);
  EXPECT_EQ(file.ReadString("SystemOption", "File", "", 80), "C:\\a b.bin");
  EXPECT_EQ(file.ReadInt("PrjInfo", "IdCheck", 0) & 0xFF, 1);
  EXPECT_EQ(file.ReadInt("PrjInfo", "RamStartAddr", 0), -16);
  EXPECT_EQ(file.ReadInt("PrjInfo", "bad", 5), 0) << "present but not a number";
  EXPECT_EQ(file.Keys("PrjInfo"), (std::vector<std::string>{"IdCheck", "RamStartAddr", "bad"}));
}

TEST_F(Profile, LongValuesAreCutToTheBufferAtACharacterBoundary) {
  Write("[S]\nAscii=" + std::string(100, 'a') + "\nWide=" + std::string("中文中文") + "\n");
  ProfileFile file(path);
  EXPECT_EQ(file.ReadString("S", "Ascii", "", 80), std::string(79, 'a'));
  // Each character is 3 bytes: 7 bytes allowed keeps two whole characters.
  EXPECT_EQ(file.ReadString("S", "Wide", "", 8), "中文");
  EXPECT_EQ(file.ReadString("S", "Missing", "Velor-long-default", 10), "Velor-lon");
  EXPECT_EQ(CutAtCharacterBoundary("a中", 3), "a");
  EXPECT_EQ(CutAtCharacterBoundary("a中", 4), "a中");
}

TEST_F(Profile, WritingCreatesFileSectionAndKeyAndKeepsTheRest) {
  ProfileFile file(path);
  ASSERT_TRUE(file.WriteString("SystemOption", "Language", " 2"));
  ASSERT_TRUE(file.WriteString("PrjInfo", "ChipName", "W25Q64"));
  ASSERT_TRUE(file.WriteString("SystemOption", "File", ""));
  ASSERT_TRUE(file.WriteString("SystemOption", "Language", " 0"));
  EXPECT_EQ(Contents(), "[SystemOption]\r\nLanguage= 0\r\nFile=\r\n[PrjInfo]\r\nChipName=W25Q64\r\n");
  EXPECT_EQ(file.ReadInt("SystemOption", "Language", 7), 0);
  EXPECT_EQ(file.ReadString("SystemOption", "File", "x", 80), "");
}

TEST_F(Profile, AFailedWriteLeavesTheOldFile) {
  ProfileFile file(path / "not-a-folder" / "x.ini");
  EXPECT_FALSE(file.WriteString("S", "K", "V"));
}

}  // namespace
}  // namespace tessary
