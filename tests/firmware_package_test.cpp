// Firmware packages: the header test, the directory walk with its end, the
// whole-package check, the versions in file names and of the running
// firmware, and the automatic choice over several folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/firmware_package.h"

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A header with N entries and a directory of D units; entry `i` named
// `name` with the given offset and length (24-bit, big-endian).
Bytes Header(std::uint8_t format, std::uint8_t letter, std::uint8_t n, std::uint8_t d,
             std::size_t size) {
  Bytes package(size, 0);
  package[0] = format;
  package[1] = letter;
  package[6] = n;
  package[7] = d;
  return package;
}
void PutEntry(Bytes& package, std::size_t i, const std::string& name, std::uint32_t offset,
              std::uint32_t length) {
  std::uint8_t* entry = package.data() + 128 + 32 * i;
  std::copy(name.begin(), name.end(), entry);
  entry[26] = static_cast<std::uint8_t>(offset >> 16);
  entry[27] = static_cast<std::uint8_t>(offset >> 8);
  entry[28] = static_cast<std::uint8_t>(offset);
  entry[29] = static_cast<std::uint8_t>(length >> 16);
  entry[30] = static_cast<std::uint8_t>(length >> 8);
  entry[31] = static_cast<std::uint8_t>(length);
}

TEST(FindPackageItem, AcceptsEitherFormatMark) {
  const struct {
    std::uint8_t format, letter;
    bool found;
  } cases[] = {{0x03, 0x00, true}, {0x03, 0x49, true}, {0x00, 0x69, true}, {0x00, 0x49, false}};
  for (const auto& c : cases) {
    Bytes package = Header(c.format, c.letter, 1, 1, 4096);
    PutEntry(package, 0, "iap.bin", 0x010000, 0x00A000);
    std::uint32_t offset = 7, length = 7;
    EXPECT_EQ(FindPackageItem(package, "iap.bin", offset, length), c.found)
        << int(c.format) << "/" << int(c.letter);
    if (c.found) {
      EXPECT_EQ(offset, 65536u);
      EXPECT_EQ(length, 40960u);
    } else {
      EXPECT_EQ(offset, 7u) << "outputs written only when found";
      EXPECT_EQ(length, 7u);
    }
  }
}

TEST(FindPackageItem, WalksTheDirectoryUpToItsEnd) {
  const struct {
    std::uint8_t n, d;
    std::size_t index;
    bool found;
  } cases[] = {
      {5, 0, 0, false},    // 128 > 0: no entry is read
      {62, 1, 60, true},   // the entry at 2048 is still read
      {62, 1, 61, false},  // the one at 2080 is not
      {3, 1, 2, true},
      {3, 1, 3, false},    // past N
  };
  for (const auto& c : cases) {
    Bytes package = Header(0x03, 0x69, c.n, c.d, 4096);
    PutEntry(package, c.index, "iap.bin", 0x100, 0x10);
    std::uint32_t offset = 0, length = 0;
    EXPECT_EQ(FindPackageItem(package, "iap.bin", offset, length), c.found)
        << "N=" << int(c.n) << " D=" << int(c.d) << " entry " << c.index;
  }
}

TEST(FindPackageItem, NamesMatchExactly) {
  Bytes package = Header(0x03, 0x69, 3, 1, 4096);
  PutEntry(package, 0, "IAP.BIN", 1, 1);
  PutEntry(package, 1, "iap.bin.old", 2, 2);
  PutEntry(package, 2, "iap.bin", 3, 3);
  std::uint32_t offset = 0, length = 0;
  ASSERT_TRUE(FindPackageItem(package, "iap.bin", offset, length));
  EXPECT_EQ(offset, 3u);
}

TEST(CheckFirmwarePackage, RefusesEveryPackageItCannotSendWhole) {
  const auto with_image = [](std::size_t size, std::uint32_t offset, std::uint32_t length) {
    Bytes package = Header(0x03, 0x69, 1, 1, size);
    PutEntry(package, 0, "iap.bin", offset, length);
    return package;
  };
  Bytes no_image = Header(0x03, 0x69, 1, 1, 4096);
  PutEntry(no_image, 0, "readme.txt", 2048, 10);
  const struct {
    const char* what;
    Bytes package;
    PackageProblem problem;
  } cases[] = {
      {"empty file", {}, PackageProblem::TooShort},
      {"15 bytes", Bytes(15, 0x03), PackageProblem::TooShort},
      {"other format", Header(0x00, 0x49, 1, 1, 4096), PackageProblem::UnknownFormat},
      {"file ends inside the directory", Header(0x03, 0x69, 4, 1, 200),
       PackageProblem::DirectoryCut},
      {"directory area ends first", Header(0x03, 0x69, 5, 0, 4096), PackageProblem::DirectoryCut},
      {"no iap.bin", no_image, PackageProblem::NoImage},
      {"empty image", with_image(4096, 2048, 0), PackageProblem::ImageEmpty},
      {"image past the end", with_image(4096, 2048, 2049), PackageProblem::ImageOutsideFile},
      {"image offset past the end", with_image(4096, 0xFFFFFF, 1),
       PackageProblem::ImageOutsideFile},
      {"image up to the last byte", with_image(4096, 2048, 2048), PackageProblem::None},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckFirmwarePackage(c.package).problem, c.problem) << c.what;
  }
}

TEST(BuildFirmwarePackage, MakesPackagesItsOwnLookupReads) {
  const std::vector<NamedItem> items = {{"readme.txt", Bytes{'h', 'i'}},
                                        {"iap.bin", Bytes(3000, 0x5A)}};
  const Bytes package = BuildFirmwarePackage(items);
  const PackageCheck check = CheckFirmwarePackage(package);
  ASSERT_TRUE(check.ok());
  EXPECT_EQ(check.image, (PackageItem{2050, 3000}));
  EXPECT_EQ(package.size(), 2048u + 2 + 3000);
}

TEST(PackageVersion, ReadsTheFieldsWhereTheModelPutsThem) {
  const struct {
    const char* file;
    const char* model;
    std::optional<int> version;
  } cases[] = {
      {"Plov_010203.iap", "Plov", 123},
      {"Plov_020000.iap", "Plov", 200},
      {"Skar-010204.iap", "Skar", 124},
      {"Velor_010204.iap", "Velor", 124},
      {"Velor_010204.iap", "Velor2", 124},
      {"ZEK12_030405.iap", "ZEK12", 345},
      {"Plov_0102x3.iap", "Plov", std::nullopt},
      {"Plov_0102.iap", "Plov", std::nullopt},
      {"Plov_+10203.iap", "Plov", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PackageVersion(c.file, c.model), c.version) << c.file << " for " << c.model;
  }
  EXPECT_TRUE(PackageSuitsModel("Velo_x.iap", "Velor"));
  EXPECT_FALSE(PackageSuitsModel("Plov_010203.iap", "Skar"));
  EXPECT_FALSE(PackageSuitsModel("Plov_010203.iap", ""));
}

TEST(RunningFirmwareVersion, ReadsPositionsFiveSevenNineOrTheFirstDottedGroup) {
  const struct {
    const char* text;
    std::optional<int> version;
  } cases[] = {
      {"Ver:1.2.3", 123}, {"ZEK_2.0.9", 209}, {"abcd9x8y7", 987}, {"V1.2.3", 123},
      {"Plov V3.0.5", 305}, {"V12.3.4", std::nullopt}, {"BOOT V1.0", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(RunningFirmwareVersion(c.text), c.version) << c.text;
}

TEST(PackageFileName, TakesThePartAfterEitherSeparator) {
  EXPECT_EQ(PackageFileName("C:\\fw\\iap\\Plov_010203.iap"), "Plov_010203.iap");
  EXPECT_EQ(PackageFileName("/opt/iap/Plov_010203.iap"), "Plov_010203.iap");
  EXPECT_EQ(PackageFileName("dir\\sub/Plov.iap"), "Plov.iap");
  EXPECT_EQ(PackageFileName("Plov.iap"), "Plov.iap");
}

class PackageFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::filesystem::path(::testing::TempDir()) /
           ("iap-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(root);
    first = root / "a";
    second = root / "b";
    std::filesystem::create_directories(first);
    std::filesystem::create_directories(second);
  }
  void TearDown() override { std::filesystem::remove_all(root); }
  static void Touch(const std::filesystem::path& file) { std::ofstream(file) << "x"; }

  std::filesystem::path root;
  std::filesystem::path first;
  std::filesystem::path second;
};

TEST_F(PackageFolders, TheNewestForTheModelAmongAllFoldersIsChosen) {
  Touch(first / "Plov_010203.iap");
  Touch(first / "Plov_020000.iap");
  Touch(first / "Skar_090909.iap");   // another model
  Touch(first / "Plov_0x0000.iap");   // no version in the name
  Touch(first / "Plov_030000.bin");   // not a package
  Touch(second / "Plov-020000.iap");  // the same version again: the first one found wins
  Touch(second / "Plov_020100.iap");
  const std::vector<std::filesystem::path> folders = {first, root / "missing", second};

  const struct {
    const char* running;
    AutomaticChoiceOutcome outcome;
    const char* chosen;
  } cases[] = {
      {"V1.9.9", AutomaticChoiceOutcome::Chosen, "Plov_020100.iap"},
      {"V2.0.9", AutomaticChoiceOutcome::Chosen, "Plov_020100.iap"},
      {"V2.1.0", AutomaticChoiceOutcome::NoneNewer, nullptr},  // equal is not newer
      {"V3.0.0", AutomaticChoiceOutcome::NoneNewer, nullptr},
      {"BOOT V1.0", AutomaticChoiceOutcome::RunningVersionUnknown, nullptr},
  };
  for (const auto& c : cases) {
    const AutomaticChoice choice = ChoosePackage(folders, "Plov", c.running);
    EXPECT_EQ(choice.outcome, c.outcome) << c.running;
    EXPECT_EQ(choice.listed.size(), 6u);
    if (c.chosen) {
      ASSERT_TRUE(choice.chosen.has_value()) << c.running;
      EXPECT_EQ(choice.listed[*choice.chosen].file_name, c.chosen);
      EXPECT_EQ(choice.best_version, 210);
    } else {
      EXPECT_FALSE(choice.chosen.has_value()) << c.running;
    }
  }
}

TEST_F(PackageFolders, EqualVersionsGoToTheFirstFolder) {
  Touch(first / "Plov_020000.iap");
  Touch(second / "Plov-020000.iap");
  const std::vector<std::filesystem::path> folders = {second, first};
  const AutomaticChoice choice = ChoosePackage(folders, "Plov", "V1.0.0");
  ASSERT_EQ(choice.outcome, AutomaticChoiceOutcome::Chosen);
  EXPECT_EQ(choice.listed[*choice.chosen].path, second / "Plov-020000.iap");
}

TEST_F(PackageFolders, NoPackagesAndNoneForTheModelAreToldApart) {
  const std::vector<std::filesystem::path> folders = {first, second};
  EXPECT_EQ(ChoosePackage(folders, "Plov", "V1.0.0").outcome, AutomaticChoiceOutcome::NoPackages);
  Touch(second / "Skar_020000.iap");
  EXPECT_EQ(ChoosePackage(folders, "Plov", "V1.0.0").outcome, AutomaticChoiceOutcome::NoneNewer);
  Touch(second / "Plov_000000.iap");  // version 0 is never chosen
  EXPECT_EQ(ChoosePackage(folders, "Plov", "V0.0.0").outcome, AutomaticChoiceOutcome::NoneNewer);
}

TEST_F(PackageFolders, ReadPackageFileRefusesWhatIsNoFile) {
  Bytes bytes;
  std::string error;
  EXPECT_FALSE(ReadPackageFile(first / "none.iap", bytes, error));
  EXPECT_NE(error.find("none.iap"), std::string::npos);
  EXPECT_FALSE(ReadPackageFile(first, bytes, error)) << "a folder";
  Touch(first / "one.iap");
  EXPECT_TRUE(ReadPackageFile(first / "one.iap", bytes, error));
  EXPECT_EQ(bytes, Bytes{'x'});
}

}  // namespace
}  // namespace tessary
