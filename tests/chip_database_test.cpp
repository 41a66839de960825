// The catalogue query helpers and statements on a small catalogue made from
// the real schema; chip type, voltage and capacity conversions; row to record.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_database.h"
#include "catalogue/chip_listing.h"
#include "catalogue/chip_parameters.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
namespace sql = statements;

struct TestChip {
  std::string name, type, manuf, memory;
  int capacity, page, block, otp, voltage;
  std::string id;
  int para, para1, erase;
  std::string adder = "Halvern";
};

// A small catalogue: enough rows to tell orderings, filters and duplicate
// codes apart.
const std::vector<TestChip> kChips = {
    {"W25Q64", "25 FLASH", "WINBOND", "SPI FLASH", 8388608, 256, 65536, 768, 3300, "EF4017", 3, 0,
     100000},
    {"W25Q64JV", "25 FLASH", "WINBOND", "SPI FLASH", 8388608, 256, 65536, 768, 3300, "EF4017", 3, 0,
     100000},
    {"W25Q16", "25 FLASH", "WINBOND", "SPI FLASH", 2097152, 256, 65536, 768, 3300, "EF4015", 3, 0,
     25000},
    {"W25Q128FW", "25 FLASH", "WINBOND", "SPI FLASH", 16777216, 256, 65536, 768, 1800, "EF6018", 3,
     0, 200000},
    {"SST25VF016B", "25 FLASH", "SST", "SPI FLASH", 2097152, 256, 65536, 0, 3300, "BF2541", 3, 6,
     50},
    {"GD25Q32", "25 FLASH", "GIGADEVICE", "SPI FLASH", 4194304, 256, 65536, 1024, 3300, "C84016", 3,
     0, 32000},
    {"24C02", "24 EEPROM", "GENERIC", "I2C EEPROM", 256, 8, 256, 0, 5000, "002408", 1, 0, 160},
    {"24C16", "24 EEPROM", "GENERIC", "I2C EEPROM", 2048, 16, 2048, 0, 5000, "00240B", 1, 3, 640},
    {"AT24C64", "24 EEPROM", "ATMEL", "I2C EEPROM", 8192, 32, 8192, 0, 3300, "00240D", 2, 0, 1280},
    {"93C46", "93 EEPROM", "GENERIC", "MICROWIRE EEPROM", 128, 2, 128, 0, 5000, "009307", 6, 16,
     15},
    // Out-of-range values that the record narrows.
    {"ODD1", "SWD Flash", "TEST", "X", 70000, 70000, 65536, 65537, 2500, "000001", 300, 513, 7},
};

class Catalogue : public ::testing::Test {
 protected:
  fs::path path =
      fs::path(::testing::TempDir()) /
      (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".dat");
  ChipDatabase db;

  void SetUp() override {
    fs::remove(path);
    MakeCatalogue(path);
    std::string error;
    ASSERT_TRUE(db.Open(path, error)) << error;
  }
  void TearDown() override {
    db.Close();
    fs::remove(path);
  }

  static void MakeCatalogue(const fs::path& file) {
    std::ifstream in(fs::path(TESSARY_SOURCE_DIR) / "resources/catalogue/schema.sql");
    std::stringstream schema;
    schema << in.rdbuf();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.string().c_str(), &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> handle(raw, &sqlite3_close);
    // One transaction without syncs: the file is scratch.
    ASSERT_EQ(sqlite3_exec(raw, "PRAGMA synchronous = OFF; BEGIN", nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, schema.str().c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(raw);
    const char* fixed =
        "INSERT INTO [ChipType] VALUES ('25 FLASH','Enable','Enable','Enable'),"
        "('24 EEPROM','Enable','Enable','Enable'),('NAND FLASH','','Enable','Enable'),"
        "('SWD ARM','','','Enable');"
        "INSERT INTO [DevInfo] VALUES ('V1.0.0');"
        "INSERT INTO [Parterner] VALUES ('Partners','Alpha','https://alpha.example','Enable'),"
        "('Partners','Beta','https://beta.example',''),"
        "('Partners','Gamma','https://gamma.example','Enable');";
    ASSERT_EQ(sqlite3_exec(raw, fixed, nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(raw);
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw,
                                 "INSERT INTO [ChipName] VALUES "
                                 "(?,?,?,?,?,?,?,?,'001000',?,?,?,?,'Address bytes','Flags',?,?,?)",
                                 -1, &insert, nullptr),
              SQLITE_OK);
    for (const TestChip& c : kChips) {
      int i = 1;
      for (const std::string* text : {&c.name, &c.type, &c.manuf, &c.memory}) {
        sqlite3_bind_text(insert, i++, text->c_str(), -1, SQLITE_TRANSIENT);
      }
      for (int number : {c.capacity, c.page, c.block, c.otp, c.voltage}) {
        sqlite3_bind_int(insert, i++, number);
      }
      sqlite3_bind_text(insert, i++, c.id.c_str(), -1, SQLITE_TRANSIENT);
      for (int number : {c.para, c.para1, c.erase}) sqlite3_bind_int(insert, i++, number);
      sqlite3_bind_text(insert, i++, c.adder.c_str(), -1, SQLITE_TRANSIENT);
      const std::string note = CapacityText(static_cast<std::uint32_t>(c.capacity));
      sqlite3_bind_text(insert, i++, note.c_str(), -1, SQLITE_TRANSIENT);
      ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(raw);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ASSERT_EQ(sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  }

  std::vector<std::string> Column(std::string_view column) {
    std::vector<std::string> values;
    for (int n = db.RecordCount(); n > 0; --n) {
      values.push_back(db.FieldAsText(column));
      db.NextRecord();
    }
    return values;
  }

  using Names = std::vector<std::string>;
};

// --- opening -----------------------------------------------------------------

TEST(CatalogueFile, MissingFileIsReportedAndNeverCreated) {
  const fs::path missing = fs::path(::testing::TempDir()) / "no_such_catalogue" / "login.dat";
  ChipDatabase db;
  std::string error;
  EXPECT_FALSE(db.Open(missing, error));
  EXPECT_NE(error.find(missing.string()), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_FALSE(db.IsOpen());
}

TEST(CatalogueFile, AFileThatIsNoDatabaseIsRefused) {
  const fs::path junk = fs::path(::testing::TempDir()) / "junk_login.dat";
  std::ofstream(junk, std::ios::binary) << std::string(4096, 'x');
  ChipDatabase db;
  std::string error;
  EXPECT_FALSE(db.Open(junk, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(db.IsOpen());
  fs::remove(junk);
}

TEST(CatalogueFile, EveryHelperOnAClosedCatalogueThrows) {
  ChipDatabase db;
  EXPECT_THROW(db.RunQuery(sql::kCatalogueVersion), DatabaseError);
  EXPECT_THROW(db.ExecStatement(sql::kDeleteUserChip, {"a", "b", "c"}), DatabaseError);
  EXPECT_THROW((void)db.FieldAsText("Version"), DatabaseError);
  EXPECT_THROW((void)db.FieldAsInteger("Version"), DatabaseError);
  EXPECT_EQ(db.RecordCount(), 0);
  db.NextRecord();  // harmless
}

// --- query helpers -------------------------------------------------------------

TEST_F(Catalogue, RunQueryCountsFirstAndReadsFromTheFirstRecordOn) {
  const int n = db.RunQuery(sql::kChipNamesByCapacity, {"25 FLASH", "WINBOND"});
  ASSERT_EQ(n, 4);
  EXPECT_EQ(db.RecordCount(), 4);
  EXPECT_EQ(db.FieldAsText("ChipName"), "W25Q16");  // positioned on the first record
  EXPECT_EQ(db.FieldAsText("ChipName"), "W25Q16");  // reading does not move
  db.NextRecord();
  EXPECT_EQ(db.FieldAsText("ChipName").substr(0, 6), "W25Q64");  // two of 8 MB: either first
  db.NextRecord();
  db.NextRecord();
  EXPECT_EQ(db.FieldAsText("ChipName"), "W25Q128FW");
  EXPECT_FALSE(db.AtEnd());
  db.NextRecord();
  EXPECT_TRUE(db.AtEnd());
  db.NextRecord();  // stays at the end
  EXPECT_TRUE(db.AtEnd());
  EXPECT_THROW((void)db.FieldAsText("ChipName"), DatabaseError);
}

TEST_F(Catalogue, FieldsAreFoundByNameWhateverTheCase) {
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"W25Q64"}), 1);
  EXPECT_EQ(db.FieldAsText("NOTE"), "8MB");
  EXPECT_EQ(db.FieldAsText("chipid"), "EF4017");
  EXPECT_EQ(db.FieldAsInteger("capacity"), 8388608);
  EXPECT_EQ(db.FieldAsText("Capacity"), "8388608");  // integers read as text too
  EXPECT_THROW((void)db.FieldAsText("Colour"), DatabaseError);
  EXPECT_THROW((void)db.FieldAsInteger("Colour"), DatabaseError);
}

TEST_F(Catalogue, ALookupWithoutMatchIsNoError) {
  EXPECT_EQ(db.RunQuery(sql::kChipByName, {"W25Q999"}), 0);
  EXPECT_TRUE(db.AtEnd());
  EXPECT_EQ(db.RunQuery(sql::kManufacturersOfType, {"45 EEPROM"}), 0) << "a type with no chips";
}

TEST_F(Catalogue, ARejectedStatementThrowsAndLeavesNoResult) {
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"W25Q64"}), 1);
  try {
    db.RunQuery("select * from [NoSuchTable]");
    FAIL() << "no error";
  } catch (const DatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("NoSuchTable"), std::string::npos) << e.what();
  }
  EXPECT_EQ(db.RecordCount(), 0);
  EXPECT_THROW((void)db.FieldAsText("ChipName"), DatabaseError);
  EXPECT_THROW(db.RunQuery("select from where"), DatabaseError);
  EXPECT_THROW(db.ExecStatement("UPDATE [ChipName] SET Nope = 1"), DatabaseError);
  // A statement that smuggles in a second one is refused whole.
  EXPECT_THROW(db.ExecStatement("DELETE FROM [DevInfo]; DELETE FROM [ChipName]"), DatabaseError);
  EXPECT_EQ(db.RunQuery("select * from [ChipName]"), static_cast<int>(kChips.size()));
}

TEST_F(Catalogue, TheNumberOfValuesMustMatchThePlaceholders) {
  EXPECT_THROW(db.RunQuery(sql::kChipByName), DatabaseError);
  EXPECT_THROW(db.RunQuery(sql::kChipByName, {"a", "b"}), DatabaseError);
}

TEST_F(Catalogue, FieldAsIntegerConvertsNumbersAndNumericTextOnly) {
  db.ExecStatement("INSERT INTO [DevInfo] VALUES (?)", {"256"});
  db.ExecStatement("INSERT INTO [DevInfo] VALUES (?)", {" -42 "});
  db.ExecStatement("INSERT INTO [DevInfo] VALUES (?)", {"V1.0.0x"});
  db.ExecStatement("INSERT INTO [DevInfo] VALUES (?)", {""});
  db.ExecStatement("INSERT INTO [DevInfo] VALUES (NULL)");
  ASSERT_EQ(
      db.RunQuery("select Version from [DevInfo] where Version <> 'V1.0.0' OR Version IS NULL"), 5);
  EXPECT_EQ(db.FieldAsInteger("Version"), 256);
  db.NextRecord();
  EXPECT_EQ(db.FieldAsInteger("Version"), -42);
  db.NextRecord();
  EXPECT_THROW((void)db.FieldAsInteger("Version"), DatabaseError);
  db.NextRecord();
  EXPECT_THROW((void)db.FieldAsInteger("Version"), DatabaseError) << "empty text";
  db.NextRecord();
  EXPECT_EQ(db.FieldAsInteger("Version"), 0) << "NULL";
  EXPECT_EQ(db.FieldAsText("Version"), "");
}

TEST_F(Catalogue, UnsignedThirtyTwoBitValuesSurviveAndLargerOnesThrow) {
  db.ExecStatement("UPDATE [ChipName] SET Capacity = ? where ChipName = ?",
                   {4294967295LL, "W25Q16"});
  db.ExecStatement("UPDATE [ChipName] SET Capacity = ? where ChipName = ?",
                   {4294967296LL, "W25Q64"});
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"W25Q16"}), 1);
  EXPECT_EQ(static_cast<std::uint32_t>(db.FieldAsInteger("Capacity")), 4294967295u);
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"W25Q64"}), 1);
  EXPECT_THROW((void)db.FieldAsInteger("Capacity"), DatabaseError);
}

TEST_F(Catalogue, MoveToAndSetFieldServeAGridWithoutTouchingTheFile) {
  ASSERT_EQ(db.RunQuery(sql::kChipsById, {"EF4017"}), 2);
  db.MoveTo(1);
  EXPECT_EQ(db.FieldAsText("ChipName"), "W25Q64JV");
  db.SetField("Note", "shown");
  EXPECT_EQ(db.FieldAsText("Note"), "shown");
  EXPECT_THROW(db.MoveTo(2), DatabaseError);
  EXPECT_EQ(db.ColumnNames().front(), "ChipName");
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"W25Q64JV"}), 1);
  EXPECT_EQ(db.FieldAsText("Note"), "8MB");
}

// --- the statements ------------------------------------------------------------

TEST_F(Catalogue, StartUpStatementsReadVersionTypesAndPartners) {
  ASSERT_EQ(db.RunQuery(sql::kCatalogueVersion), 1);
  EXPECT_EQ(db.FieldAsText("Version"), "V1.0.0");
  db.RunQuery(sql::kEnabledChipTypes);
  EXPECT_EQ(Column("TypeName"), (Names{"25 FLASH", "24 EEPROM", "NAND FLASH"}));
  db.RunQuery(sql::kEnabledPartners);
  EXPECT_EQ(Column("pName"), (Names{"Alpha", "Gamma"}));
}

TEST_F(Catalogue, SelectionListsManufacturersOnceAndNamesByCapacity) {
  db.RunQuery(sql::kManufacturersOfType, {"25 FLASH"});
  Names manufacturers = Column("ManufName");
  std::sort(manufacturers.begin(), manufacturers.end());
  EXPECT_EQ(manufacturers, (Names{"GIGADEVICE", "SST", "WINBOND"}));

  db.RunQuery(sql::kChipNamesByCapacityAfterMatch, {"24 EEPROM", "GENERIC"});
  EXPECT_EQ(Column("ChipName"), (Names{"24C02", "24C16"}));
  EXPECT_EQ(db.RunQuery(sql::kChipNamesOfManufacturer, {"25 FLASH", "WINBOND"}), 4);
  EXPECT_EQ(db.RunQuery(sql::kChipNamesByCapacity, {"25 FLASH", "MACRONIX"}), 0);
}

TEST_F(Catalogue, TwoChipsWithOneCodeAreBothFoundByCode) {
  db.RunQuery(sql::kChipsById, {"EF4017"});
  EXPECT_EQ(Column("ChipName"), (Names{"W25Q64", "W25Q64JV"}));
  EXPECT_EQ(db.RunQuery(sql::kChipsById, {"EF4016"}), 0);
}

TEST_F(Catalogue, TemplatesAreTheWinbondAndSstSerialFlashes) {
  db.RunQuery(sql::kTemplateChips);
  Names names = Column("ChipName");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Names{"SST25VF016B", "W25Q128FW", "W25Q16", "W25Q64", "W25Q64JV"}));
}

// The user-chip round trip, with a quote in every text the operator types:
// values are bound, so the quote is stored as it stands and changes nothing
// else.
TEST_F(Catalogue, UserChipsAreAddedChangedAndDeletedWithQuotesInTheirTexts) {
  EXPECT_EQ(db.RunQuery(sql::kUserChips), 0);
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"W25Q64"}), 1);
  // The template's values are copied as text, as the user-chip window does.
  std::vector<Value> values = {"Bob's 25Q64",
                               db.FieldAsText("Capacity"),
                               db.FieldAsText("PageSize"),
                               db.FieldAsText("MemoryType"),
                               db.FieldAsText("ChipType"),
                               "O'Brien Semi",
                               db.FieldAsText("BlockSize"),
                               db.FieldAsText("OTPSize"),
                               db.FieldAsText("OTPAddr"),
                               db.FieldAsText("Voltage"),
                               "AB'CDE",
                               db.FieldAsText("ChipPara"),
                               db.FieldAsText("ChipPara1"),
                               db.FieldAsText("Para1Note") + " ",
                               db.FieldAsText("ParaNote") + " ",
                               db.FieldAsText("EraseTime"),
                               "USER"};
  ASSERT_EQ(values.size(), sql::kInsertUserChipValueCount);
  db.ExecStatement(sql::kInsertUserChip, values);
  EXPECT_EQ(db.RecordCount(), 0);

  ASSERT_EQ(db.RunQuery(sql::kUserChips), 1);
  ASSERT_EQ(db.RunQuery(sql::kUserChipByName, {"Bob's 25Q64"}), 1);
  EXPECT_EQ(db.FieldAsText("ManufName"), "O'Brien Semi");
  EXPECT_EQ(db.FieldAsText("ChipID"), "AB'CDE");
  EXPECT_EQ(db.FieldAsText("ParaNote"), "Address bytes ");
  EXPECT_EQ(db.FieldAsInteger("Capacity"), 8388608);
  EXPECT_EQ(db.FieldAsInteger("Voltage"), 3300);
  EXPECT_EQ(db.FieldAsText("Adder"), "USER");

  db.ExecStatement(sql::kUpdateUserChip,
                   {"Bob's 25Q64", "2097152", "O'Brien Semi", "AB'CDF", "Bob's 25Q64"});
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"Bob's 25Q64"}), 1);
  EXPECT_EQ(db.FieldAsInteger("Capacity"), 2097152);
  EXPECT_EQ(db.FieldAsText("ChipID"), "AB'CDF");

  db.ExecStatement(sql::kDeleteUserChip, {"Bob's 25Q64", "O'Brien Semi", "AB'CDE"});
  EXPECT_EQ(db.RunQuery(sql::kUserChips), 1) << "the code no longer matches: nothing deleted";
  db.ExecStatement(sql::kDeleteUserChip, {"Bob's 25Q64", "O'Brien Semi", "AB'CDF"});
  EXPECT_EQ(db.RunQuery(sql::kUserChips), 0);
  EXPECT_EQ(db.RunQuery("select * from [ChipName]"), static_cast<int>(kChips.size()));
}

TEST_F(Catalogue, DeleteNeverTouchesFactoryRows) {
  db.ExecStatement(sql::kDeleteUserChip, {"W25Q64", "WINBOND", "EF4017"});
  EXPECT_EQ(db.RunQuery(sql::kChipByName, {"W25Q64"}), 1);
}

// --- chip search -----------------------------------------------------------------

TEST(ChipSearchStatement, TypeConditionHasOnePlaceholderPerTypeAndIsFalseWithoutTypes) {
  EXPECT_EQ(sql::SearchTypeCondition(0), "(1 = 0)");
  EXPECT_EQ(sql::SearchTypeCondition(1), "(ChipType = ?)");
  EXPECT_EQ(sql::SearchTypeCondition(3), "(ChipType = ? OR ChipType = ? OR ChipType = ?)");
  const std::vector<std::string> types = {"25 FLASH", "NAND FLASH"};
  const sql::BoundStatement s = sql::ChipSearch("25Q", types);
  EXPECT_EQ(s.sql,
            "select * from [ChipName] where ChipName like ? ESCAPE '\\' AND "
            "(ChipType = ? OR ChipType = ?) ORDER BY Capacity ASC");
  ASSERT_EQ(s.values.size(), 3u);
  EXPECT_EQ(std::get<std::string>(s.values[0].Get()), "%25Q%");
  EXPECT_EQ(sql::ContainsPattern("a%b_c\\d"), "%a\\%b\\_c\\\\d%");
}

TEST_F(Catalogue, SearchListsMatchingChipsOfAvailableTypesSmallestFirst) {
  const std::vector<std::string> types = {"25 FLASH", "24 EEPROM"};
  sql::BoundStatement s = sql::ChipSearch("q1", types);  // LIKE ignores case
  db.RunQuery(s.sql, s.values);
  EXPECT_EQ(Column("ChipName"), (Names{"W25Q16", "W25Q128FW"}));

  s = sql::ChipSearch("Q", types);
  ASSERT_EQ(db.RunQuery(s.sql, s.values), 5);
  std::vector<std::uint32_t> capacities;
  for (int n = db.RecordCount(); n > 0; --n, db.NextRecord()) {
    capacities.push_back(static_cast<std::uint32_t>(db.FieldAsInteger("Capacity")));
  }
  EXPECT_TRUE(std::is_sorted(capacities.begin(), capacities.end()));

  s = sql::ChipSearch("2", {types.begin() + 1, types.end()});
  db.RunQuery(s.sql, s.values);
  EXPECT_EQ(Column("ChipName"), (Names{"24C02", "24C16", "AT24C64"}));
}

TEST_F(Catalogue, SearchTextWithQuotesOrWildcardsIsJustText) {
  const std::vector<std::string> types = {"25 FLASH"};
  for (const char* text : {"'", "W25Q64'", "%", "_", "Q%4", "' OR '1'='1", "\\"}) {
    const sql::BoundStatement s = sql::ChipSearch(text, types);
    EXPECT_EQ(db.RunQuery(s.sql, s.values), 0) << text;
  }
  const sql::BoundStatement none = sql::ChipSearch("W25", {});
  EXPECT_EQ(db.RunQuery(none.sql, none.values), 0) << "no type available";
}

// --- listing for the command line ---------------------------------------------------

TEST_F(Catalogue, ListChipsFiltersByTypeMakerAndTextSmallestFirst) {
  std::vector<ChipListing> all = ListChips(db, std::nullopt, std::nullopt, "");
  ASSERT_EQ(all.size(), kChips.size());
  EXPECT_EQ(all.front().name, "93C46");
  EXPECT_EQ(all.front().capacity_text, "128B");

  std::vector<ChipListing> winbond = ListChips(db, "25 flash", "winbond", "64");
  ASSERT_EQ(winbond.size(), 2u);
  EXPECT_EQ(winbond[0].name, "W25Q64");
  EXPECT_EQ(winbond[0].type, "25 FLASH");
  EXPECT_EQ(winbond[0].manufacturer, "WINBOND");
  EXPECT_EQ(winbond[0].capacity, 8388608u);
  EXPECT_EQ(winbond[0].capacity_text, "8MB");
  EXPECT_EQ(winbond[0].id, "EF4017");
  EXPECT_EQ(winbond[1].name, "W25Q64JV");

  EXPECT_EQ(ListChips(db, "24 EEPROM", std::nullopt, "").size(), 3u);
  EXPECT_TRUE(ListChips(db, std::nullopt, "Nobody", "").empty());
  EXPECT_TRUE(ListChips(db, std::nullopt, std::nullopt, "%").empty());
}

// --- codes and texts ------------------------------------------------------------------

TEST(ChipTypeCodes, ExactCaseSensitiveNamesGiveOneToEight) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"25 FLASH", 1},  {"24 EEPROM", 2}, {"25 EEPROM", 3}, {"45 EEPROM", 4},
      {"93 EEPROM", 5}, {"95 EEPROM", 6}, {"SWD ARM", 7},   {"NAND FLASH", 8},
      {"SWD Flash", 0}, {"25 flash", 0},  {"25 FLASH ", 0}, {"", 0}};
  for (const auto& [name, code] : cases) {
    EXPECT_EQ(TypeCodeByte(ChipTypeCode(name)), code) << name;
    if (code != 0) {
      EXPECT_EQ(ChipTypeName(static_cast<ChipTypeId>(code)), name);
    }
  }
  EXPECT_EQ(ChipTypeName(ChipTypeId::Other), "");
}

TEST(VoltageCodes, OnlyOnePointEightAndFiveVoltsHaveCodes) {
  EXPECT_EQ(VoltageCode(1800), 1);
  EXPECT_EQ(VoltageCode(5000), 2);
  for (int other : {3300, 0, 2500, 1801, -1800}) EXPECT_EQ(VoltageCode(other), 0) << other;
}

TEST(CapacityTexts, WholeUnitsWithTruncatingShifts) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases = {{0, "0B"},
                                                                    {1, "1B"},
                                                                    {1023, "1023B"},
                                                                    {1024, "1KB"},
                                                                    {1536, "1KB"},
                                                                    {1048575, "1023KB"},
                                                                    {1048576, "1MB"},
                                                                    {3145729, "3MB"},
                                                                    {8388608, "8MB"},
                                                                    {134217728, "128MB"},
                                                                    {4294967295u, "4095MB"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(CapacityText(bytes), text) << bytes;
}

// --- row to record ----------------------------------------------------------------------

TEST_F(Catalogue, ReadChipRowFillsTheChipFieldsAndLeavesTheNameToTheCaller) {
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"GD25Q32"}), 1);
  Prj_Info_Struct record;
  record.ChipName = "held";
  record.ChipVolt = 9;
  ReadChipRow(db, record);
  EXPECT_EQ(record.ChipType, ChipTypeId::Flash25);
  EXPECT_EQ(record.ChipSize, 4194304u);
  EXPECT_EQ(record.BlockSize, 65536u);
  EXPECT_EQ(record.EraseTime, 32000u);
  EXPECT_EQ(record.PageSize, 256);
  EXPECT_EQ(record.OTPSize, 1024);
  EXPECT_EQ(record.ChipVolt, 0) << "3300 mV";
  EXPECT_EQ(record.ChipPara, 3);
  EXPECT_EQ(record.ChipPara1, 0);
  EXPECT_EQ(record.ChipID, 0xC84016u) << "the production record names it";
  EXPECT_EQ(record.ChipName, "held");
  EXPECT_TRUE(record.ChipSelected());

  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"W25Q128FW"}), 1);
  ReadChipRow(db, record);
  EXPECT_EQ(record.ChipVolt, 1);
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"24C02"}), 1);
  ReadChipRow(db, record);
  EXPECT_EQ(record.ChipVolt, 2);
  EXPECT_EQ(record.ChipType, ChipTypeId::Eeprom24);
  EXPECT_EQ(record.PageSize, 8);
}

TEST_F(Catalogue, ReadChipRowNarrowsEachValueToItsField) {
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"ODD1"}), 1);
  Prj_Info_Struct record;
  ReadChipRow(db, record);
  EXPECT_EQ(record.ChipType, ChipTypeId::Other) << "\"SWD Flash\" is no chip type";
  EXPECT_EQ(record.PageSize, 70000 & 0xFFFF);
  EXPECT_EQ(record.OTPSize, 1);
  EXPECT_EQ(record.ChipVolt, 0);
  EXPECT_EQ(record.ChipPara, 300 & 0xFF);
  EXPECT_EQ(record.ChipPara1, 513 & 0xFF);
  EXPECT_EQ(record.ChipID, 1u);
}

TEST_F(Catalogue, ReadChipRowWithABadFieldLeavesTheRecordAlone) {
  db.ExecStatement("UPDATE [ChipName] SET EraseTime = 'slow' where ChipName = ?", {"W25Q16"});
  ASSERT_EQ(db.RunQuery(sql::kChipByName, {"W25Q16"}), 1);
  Prj_Info_Struct record;
  EXPECT_THROW(ReadChipRow(db, record), DatabaseError);
  EXPECT_EQ(record.ChipSize, 0u);
  EXPECT_EQ(record.ChipType, ChipTypeId::Other);
}

}  // namespace
}  // namespace tessary
