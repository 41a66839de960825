// Profile files: defaults, cuts, integers, writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

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
  const std::string old = "[S]\r\nK=old\r\n";
  const std::filesystem::path partial = std::filesystem::path(path.string() + ".part");
  const struct {
    const char* name;
    std::function<void()> obstruct;  // makes the write fail after the old file is there
  } cases[] = {
      {"the new file cannot be created beside the old one",
       [&] { std::filesystem::create_directories(partial / "occupied"); }},
      {"the profile is read-only (refused even for root)",
       [&] { std::filesystem::permissions(path, std::filesystem::perms::owner_read); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write(old);
    c.obstruct();
    ProfileFile file(path);
    EXPECT_FALSE(file.WriteString("S", "K", "new"));
    EXPECT_EQ(Contents(), old);
    EXPECT_EQ(file.ReadString("S", "K", "", 80), "old");
    std::filesystem::remove_all(partial);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  // A file that cannot exist at all (its folder is a file) is a failure too.
  ProfileFile nowhere(path / "not-a-folder" / "x.ini");
  EXPECT_FALSE(nowhere.WriteString("S", "K", "V"));
}

TEST_F(Profile, WritingThroughALinkKeepsTheLinkAndThePermissions) {
  const std::filesystem::path target = path.string() + ".target";
  std::ofstream(target, std::ios::binary) << "[S]\r\nK=old\r\n";
  std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
  std::filesystem::create_symlink(target, path);
  ProfileFile file(path);
  ASSERT_TRUE(file.WriteString("S", "K", "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  EXPECT_EQ(file.ReadString("S", "K", "", 80), "new");
  EXPECT_EQ(std::filesystem::status(target).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  std::filesystem::remove(target);
}

// A profile held in memory reads and writes exactly as the same text in a
// file does, and never touches the disk.
TEST_F(Profile, AProfileInMemoryBehavesAsTheSameFile) {
  const std::vector<std::string> texts = {
      "",
      "\xEF\xBB\xBF[S]\r\nK=1\r\n",
      "[S]\nK=1\n\n[T]\nK=\"two\"",
      "K=0\n[S]\n[S]\nK=3\r\nL = x \n",
      "\n\r\n[S\nK=5\n[ s ]\nk=6",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    Write(text);
    ProfileFile on_disk(path);
    ProfileFile in_memory(path.string() + ".unwritten", text);
    for (const char* section : {"S", "T", "s"}) {
      EXPECT_EQ(in_memory.Keys(section), on_disk.Keys(section));
      for (const char* key : {"K", "L", "k"}) {
        EXPECT_EQ(in_memory.ReadString(section, key, "-", 80),
                  on_disk.ReadString(section, key, "-", 80));
        EXPECT_EQ(in_memory.ReadInt(section, key, -1), on_disk.ReadInt(section, key, -1));
      }
    }
    ASSERT_TRUE(on_disk.WriteString("S", "K", "new"));
    ASSERT_TRUE(in_memory.WriteString("S", "K", "new"));
    EXPECT_EQ(in_memory.ReadString("S", "K", "", 80), "new");
    EXPECT_EQ(in_memory.Keys("S"), on_disk.Keys("S"));
    EXPECT_FALSE(std::filesystem::exists(in_memory.path()));
  }
}

}  // namespace
}  // namespace tessary
