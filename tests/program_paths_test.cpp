// Where the program keeps its files: portable beside the executable, or
// installed with the user's files in the XDG folders; and the user's
// catalogue copied and upgraded with the user chips kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/program_paths.h"
#include "catalogue/catalogue_upgrade.h"
#include "catalogue/chip_database.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

// A scratch folder with an executable folder inside a prefix.
class ScratchPrefix {
 public:
  ScratchPrefix() {
    root_ = fs::path(::testing::TempDir()) /
            ("paths_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "usr" / "bin");
    fs::create_directories(root_ / "usr" / "share" / "tessary");
  }
  ~ScratchPrefix() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  ScratchPrefix(const ScratchPrefix&) = delete;
  ScratchPrefix& operator=(const ScratchPrefix&) = delete;

  [[nodiscard]] const fs::path& root() const { return root_; }
  [[nodiscard]] fs::path bin() const { return root_ / "usr" / "bin"; }
  [[nodiscard]] fs::path share() const { return root_ / "usr" / "share" / "tessary"; }

 private:
  fs::path root_;
};

struct PathCase {
  const char* name;
  bool catalogue_beside_executable;
  PathEnvironment environment;
  bool installed;
  // Expected paths: absolute as written, or relative to the scratch root.
  const char* settings;
  const char* catalogue;
  const char* temp;
  const char* records;
  const char* user_iap;
};

TEST(ProgramPaths, DecidedByTheCatalogueBesideTheExecutableThenByXdg) {
  const PathCase cases[] = {
      {"portable ignores HOME and XDG", true,
       {"/home/ann", "/x/config", "/x/data", "/x/cache"}, false,
       "usr/bin/dev.ini", "usr/bin/login.dat", "usr/bin/temp", "usr/bin/records", "usr/bin/iap"},
      {"installed, XDG unset: under HOME", false, {"/home/ann", {}, {}, {}}, true,
       "/home/ann/.config/tessary/dev.ini", "/home/ann/.local/share/tessary/login.dat",
       "/home/ann/.cache/tessary/temp", "/home/ann/.local/share/tessary/records",
       "/home/ann/.local/share/tessary/iap"},
      {"installed, XDG set", false, {"/home/ann", "/x/config", "/x/data", "/x/cache"}, true,
       "/x/config/tessary/dev.ini", "/x/data/tessary/login.dat", "/x/cache/tessary/temp",
       "/x/data/tessary/records", "/x/data/tessary/iap"},
      {"installed, XDG empty or relative: ignored", false, {"/home/ann", "", "rel/data", ""}, true,
       "/home/ann/.config/tessary/dev.ini", "/home/ann/.local/share/tessary/login.dat",
       "/home/ann/.cache/tessary/temp", "/home/ann/.local/share/tessary/records",
       "/home/ann/.local/share/tessary/iap"},
      {"installed, only one XDG set", false, {"/home/ann", {}, {}, "/tmp/c"}, true,
       "/home/ann/.config/tessary/dev.ini", "/home/ann/.local/share/tessary/login.dat",
       "/tmp/c/tessary/temp", "/home/ann/.local/share/tessary/records",
       "/home/ann/.local/share/tessary/iap"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchPrefix scratch;
    if (c.catalogue_beside_executable) std::ofstream(scratch.bin() / "login.dat") << "x";
    const auto expected = [&scratch](const char* text) {
      const fs::path path(text);
      return path.is_absolute() ? path : scratch.root() / path;
    };
    std::string error;
    const std::optional<ProgramPaths> paths = DecidePaths(scratch.bin(), c.environment, error);
    ASSERT_TRUE(paths) << error;
    EXPECT_EQ(paths->Installed(), c.installed);
    EXPECT_EQ(paths->DataFolder(), c.installed ? scratch.share() : scratch.bin());
    EXPECT_EQ(paths->FactoryCatalogue(),
              (c.installed ? scratch.share() : scratch.bin()) / "login.dat");
    EXPECT_EQ(paths->SettingsFile(), expected(c.settings));
    EXPECT_EQ(paths->CatalogueFile(), expected(c.catalogue));
    EXPECT_EQ(paths->TempFolder(), expected(c.temp));
    EXPECT_EQ(paths->RecordsFolder(), expected(c.records));
    EXPECT_EQ(paths->UserIapFolder(), expected(c.user_iap));
    // The firmware choice looks in the user's iap folder first, then in the
    // shipped one; the portable folder has only its own.
    std::vector<fs::path> iap{expected(c.user_iap)};
    if (c.installed) iap.push_back(scratch.share() / "iap");
    EXPECT_EQ(paths->IapFolders(), iap);
  }
}

TEST(ProgramPaths, InstalledWithoutHomeSaysSoInsteadOfWritingAnywhere) {
  ScratchPrefix scratch;
  for (const PathEnvironment& environment :
       {PathEnvironment{{}, "/x/config", "/x/data", "/x/cache"}, PathEnvironment{"", {}, {}, {}},
        PathEnvironment{"relative/home", {}, {}, {}}}) {
    std::string error;
    EXPECT_FALSE(DecidePaths(scratch.bin(), environment, error));
    EXPECT_NE(error.find("HOME"), std::string::npos) << error;
  }
}

TEST(ProgramPaths, PortableNeedsNoPreparation) {
  ScratchPrefix scratch;
  std::string note;
  std::string error;
  EXPECT_TRUE(PrepareUserFiles(PortablePaths(scratch.bin()), note, error)) << error;
  EXPECT_TRUE(note.empty());
  EXPECT_FALSE(fs::exists(scratch.bin() / "temp")) << "the portable folder is laid out by the build";
}

// The window tells of a copy or an upgrade in its own language.
TEST(ProgramPaths, CatalogueNoteIsInTheWindowsLanguage) {
  const Dev_Language_Struct chinese;
  CatalogueSyncResult copied;
  copied.outcome = CatalogueSync::Copied;
  copied.new_version = "V1.1.0";
  CatalogueSyncResult upgraded;
  upgraded.outcome = CatalogueSync::Upgraded;
  upgraded.old_version = "V1.0.0";
  upgraded.new_version = "V1.1.0";
  upgraded.kept_user_chips = 3;
  struct Case {
    CatalogueSyncResult sync;
    std::string note;
  };
  const Case cases[] = {
      {copied, "芯片数据库已复制到用户目录：V1.1.0 -> /home/op/login.dat"},
      {upgraded, "芯片数据库已升级：V1.0.0 -> V1.1.0，保留的用户芯片数：3"},
      {CatalogueSyncResult{}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CatalogueSyncNote(chinese, c.sync, "/home/op/login.dat"), c.note);
  }
}

TEST(CatalogueVersion, ComparedNumberByNumber) {
  struct Case {
    const char* candidate;
    const char* current;
    bool newer;
  };
  const Case cases[] = {
      {"V1.1.1", "V1.1.0", true},  {"V1.10.0", "V1.9.9", true}, {"V1.1.0", "V1.1.0", false},
      {"V1.1", "V1.1.0", false},   {"V1.0.9", "V1.1.0", false}, {"V2", "V1.99.99", true},
      {"V1.1.0", "", true},        {"", "V1.1.0", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsNewerVersion(c.candidate, c.current), c.newer) << c.candidate << " vs " << c.current;
  }
}

// The built catalogue with its version changed and, optionally, one factory
// row marked so a later check can tell which factory rows are present.
void MakeCatalogue(const fs::path& file, const std::string& version, const std::string& marker) {
  fs::copy_file(fs::path(TESSARY_BIN_DIR) / "login.dat", file, fs::copy_options::overwrite_existing);
  ChipDatabase db;
  std::string error;
  ASSERT_TRUE(db.Open(file, error)) << error;
  db.ExecStatement("UPDATE [DevInfo] SET Version = ?", {version});
  db.ExecStatement("UPDATE [ChipName] SET Note = ? WHERE ChipName = 'W25Q64'", {marker});
}

int CountRows(const fs::path& file, const std::string& where) {
  ChipDatabase db;
  std::string error;
  EXPECT_TRUE(db.Open(file, error)) << error;
  return db.RunQuery("select ChipName from [ChipName] where " + where);
}

TEST(UserCatalogue, CopiedThenUpgradedWithTheUserChipsKept) {
  ScratchPrefix scratch;
  const fs::path factory = scratch.share() / "login.dat";
  const fs::path user = scratch.root() / "user" / "login.dat";
  fs::create_directories(user.parent_path());
  MakeCatalogue(factory, "V1.1.0", "old factory");

  CatalogueSyncResult result = SyncUserCatalogue(factory, user);
  ASSERT_EQ(result.outcome, CatalogueSync::Copied) << result.error;
  EXPECT_EQ(result.new_version, "V1.1.0");
  const int factory_rows = CountRows(user, "Adder = 'Halvern'");
  {
    ChipDatabase db;
    std::string error;
    ASSERT_TRUE(db.Open(user, error)) << error;
    db.ExecStatement(
        "INSERT INTO [ChipName] (ChipName, ChipType, ManufName, Capacity, ChipID, Adder) "
        "VALUES ('MINE1', '25 FLASH', 'ME', 65536, 'AB0001', 'USER'), "
        "('MINE2', '25 FLASH', 'ME', 65536, 'AB0002', 'USER')");
  }
  // The same version again: the user's copy stays as it is.
  EXPECT_EQ(SyncUserCatalogue(factory, user).outcome, CatalogueSync::UpToDate);
  EXPECT_EQ(CountRows(user, "Adder = 'USER'"), 2);

  // An older factory catalogue (a downgraded package) changes nothing.
  MakeCatalogue(factory, "V1.0.0", "older factory");
  EXPECT_EQ(SyncUserCatalogue(factory, user).outcome, CatalogueSync::UpToDate);
  EXPECT_EQ(CountRows(user, "Note = 'old factory'"), CountRows(user, "ChipName = 'W25Q64' AND Adder = 'Halvern'"));

  MakeCatalogue(factory, "V1.2.0", "new factory");
  result = SyncUserCatalogue(factory, user);
  ASSERT_EQ(result.outcome, CatalogueSync::Upgraded) << result.error;
  EXPECT_EQ(result.old_version, "V1.1.0");
  EXPECT_EQ(result.new_version, "V1.2.0");
  EXPECT_EQ(result.kept_user_chips, 2);
  EXPECT_EQ(CountRows(user, "Adder = 'USER'"), 2);
  EXPECT_EQ(CountRows(user, "Adder = 'Halvern'"), factory_rows) << "no factory row twice";
  EXPECT_EQ(CountRows(user, "Note = 'old factory'"), 0);
  EXPECT_GT(CountRows(user, "Note = 'new factory'"), 0);
  EXPECT_EQ(CountRows(user.string() + ".bak", "Adder = 'USER'"), 2);
  EXPECT_FALSE(fs::exists(user.string() + ".new"));
}

TEST(UserCatalogue, AnUnreadableUserCopyIsLeftAsItIs) {
  ScratchPrefix scratch;
  const fs::path factory = scratch.share() / "login.dat";
  const fs::path user = scratch.root() / "login.dat";
  MakeCatalogue(factory, "V9.0.0", "");
  std::ofstream(user) << "not a database";
  const CatalogueSyncResult result = SyncUserCatalogue(factory, user);
  EXPECT_EQ(result.outcome, CatalogueSync::Failed);
  EXPECT_NE(result.error.find(user.string()), std::string::npos) << result.error;
  std::ifstream in(user);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "not a database");
}

TEST(UserCatalogue, AMissingFactoryCatalogueIsNamed) {
  ScratchPrefix scratch;
  const CatalogueSyncResult result =
      SyncUserCatalogue(scratch.share() / "login.dat", scratch.root() / "login.dat");
  EXPECT_EQ(result.outcome, CatalogueSync::Failed);
  EXPECT_NE(result.error.find("reinstall"), std::string::npos) << result.error;
}

}  // namespace
}  // namespace tessary
