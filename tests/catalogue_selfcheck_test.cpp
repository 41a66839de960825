// Consistency of the shipped chip catalogue: the login.dat the build makes
// from resources/catalogue, checked row by row.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_database.h"
#include "catalogue/chip_parameters.h"

namespace tessary {
namespace {

namespace sql = statements;
constexpr std::uint32_t kMiB = 1024 * 1024;

struct Row {
  std::string name, type, manuf, memory, id, adder, note, otp_addr;
  std::int32_t capacity, page, block, otp, voltage, para, para1, erase;
};

class ShippedCatalogue : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    db_ = new ChipDatabase;
    std::string error;
    const std::filesystem::path file = std::filesystem::path(TESSARY_BIN_DIR) / "login.dat";
    ASSERT_TRUE(db_->Open(file, error)) << error << " (build the chip_catalogue target)";
    rows_ = new std::vector<Row>;
    for (int n = db_->RunQuery("select * from [ChipName]"); n > 0; --n, db_->NextRecord()) {
      Row r;
      r.name = db_->FieldAsText("ChipName");
      r.type = db_->FieldAsText("ChipType");
      r.manuf = db_->FieldAsText("ManufName");
      r.memory = db_->FieldAsText("MemoryType");
      r.id = db_->FieldAsText("ChipID");
      r.adder = db_->FieldAsText("Adder");
      r.note = db_->FieldAsText("Note");
      r.otp_addr = db_->FieldAsText("OTPAddr");
      r.capacity = db_->FieldAsInteger("Capacity");
      r.page = db_->FieldAsInteger("PageSize");
      r.block = db_->FieldAsInteger("BlockSize");
      r.otp = db_->FieldAsInteger("OTPSize");
      r.voltage = db_->FieldAsInteger("Voltage");
      r.para = db_->FieldAsInteger("ChipPara");
      r.para1 = db_->FieldAsInteger("ChipPara1");
      r.erase = db_->FieldAsInteger("EraseTime");
      rows_->push_back(std::move(r));
    }
  }
  static void TearDownTestSuite() {
    delete rows_;
    delete db_;
    rows_ = nullptr;
    db_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(db_ != nullptr && db_->IsOpen()); }

  static const Row* Find(const std::string& name) {
    for (const Row& r : *rows_) {
      if (r.name == name) return &r;
    }
    return nullptr;
  }

  static inline ChipDatabase* db_ = nullptr;
  static inline std::vector<Row>* rows_ = nullptr;
};

TEST_F(ShippedCatalogue, HasEnoughChipsOfEveryTypeAndTheVelorHandlesEveryType) {
  EXPECT_GE(rows_->size(), 1000u);
  std::map<std::string, int> per_type;
  for (const Row& r : *rows_) ++per_type[r.type];
  EXPECT_GE(per_type[std::string(kType25Flash)], 700);
  EXPECT_GE(per_type[std::string(kTypeNandFlash)], 60);
  EXPECT_GE(per_type[std::string(kType45Eeprom)], 10);
  for (std::string_view type : kChipTypeNames) {
    EXPECT_GT(per_type[std::string(type)], 0) << type;
    EXPECT_GT(db_->RunQuery(sql::kManufacturersOfType, {type}), 0) << type;
  }
  std::set<std::string> enabled;
  for (int n = db_->RunQuery(sql::kEnabledChipTypes); n > 0; --n, db_->NextRecord()) {
    enabled.insert(db_->FieldAsText("TypeName"));
  }
  EXPECT_EQ(enabled.size(), kChipTypeNames.size());
  for (std::string_view type : kChipTypeNames)
    EXPECT_TRUE(enabled.count(std::string(type))) << type;
}

TEST_F(ShippedCatalogue, VersionAndPartnerTablesAnswerTheirStatements) {
  ASSERT_EQ(db_->RunQuery(sql::kCatalogueVersion), 1);
  EXPECT_EQ(db_->FieldAsText("Version"), "V1.1.0");
  EXPECT_EQ(db_->RunQuery(sql::kEnabledPartners), 0) << "the statement runs and no partner is shipped";
}

// Each model handles exactly the types it has the hardware for: every model
// the serial memories, only the Velor and the Skar DataFlash, NAND and SWD.
TEST_F(ShippedCatalogue, EveryTypeIsEnabledForTheModelsThatHandleIt) {
  const std::map<std::string, std::string> handled_by = {
      {"25 FLASH", "PVS"},  {"24 EEPROM", "PVS"},  {"25 EEPROM", "PVS"}, {"93 EEPROM", "PVS"},
      {"95 EEPROM", "PVS"}, {"45 EEPROM", "VS"},   {"NAND FLASH", "VS"}, {"SWD ARM", "VS"}};
  std::map<std::string, std::string> found;
  for (int n = db_->RunQuery("select * from [ChipType]"); n > 0; --n, db_->NextRecord()) {
    std::string models;
    if (db_->FieldAsText("Plov") == "Enable") models += 'P';
    if (db_->FieldAsText("Velor") == "Enable") models += 'V';
    if (db_->FieldAsText("Skar") == "Enable") models += 'S';
    EXPECT_TRUE(found.emplace(db_->FieldAsText("TypeName"), models).second) << "type listed twice";
  }
  EXPECT_EQ(found, handled_by);
}

TEST_F(ShippedCatalogue, EveryRowIsAWellFormedFactoryRow) {
  // A chip is looked up by its name alone, and names compare without regard
  // to case: one name, one chip, whatever the maker.
  std::set<std::string> names;
  for (const Row& r : *rows_) {
    SCOPED_TRACE(r.name);
    std::string folded = r.name;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    EXPECT_TRUE(names.insert(folded).second) << "duplicate name";
    EXPECT_FALSE(r.name.empty());
    EXPECT_NE(ChipTypeCode(r.type), ChipTypeId::Other) << r.type;
    EXPECT_FALSE(r.manuf.empty());
    EXPECT_FALSE(r.memory.empty());
    EXPECT_EQ(r.adder, "Halvern");
    ASSERT_EQ(r.id.size(), 6u) << r.id;
    EXPECT_TRUE(std::all_of(r.id.begin(), r.id.end(), [](char c) {
      return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    })) << r.id;
    EXPECT_GT(r.capacity, 0);
    EXPECT_GT(r.page, 0);
    EXPECT_LE(r.page, 0xFFFF) << "PageSize is kept in 16 bits";
    EXPECT_EQ(r.capacity % r.page, 0) << "capacity is whole pages";
    EXPECT_GT(r.block, 15) << "a chip counts as selected only with a block size above 15";
    EXPECT_LE(r.block, r.capacity);
    EXPECT_GE(r.otp, 0);
    EXPECT_LE(r.otp, 0xFFFF) << "OTPSize is kept in 16 bits";
    EXPECT_TRUE(r.voltage == 1800 || r.voltage == 3300 || r.voltage == 5000) << r.voltage;
    EXPECT_GE(r.para, 0);
    EXPECT_LE(r.para, 0xFF);
    EXPECT_GE(r.para1, 0);
    EXPECT_LE(r.para1, 0xFF);
    EXPECT_EQ(r.capacity % r.block, 0) << "capacity is whole blocks";
    EXPECT_GT(r.erase, 0);
    EXPECT_EQ(r.note, CapacityText(static_cast<std::uint32_t>(r.capacity)));
  }
}

TEST_F(ShippedCatalogue, IdentificationCodesFollowTheirConventions) {
  for (const Row& r : *rows_) {
    SCOPED_TRACE(r.name);
    const bool without_id = r.type == kType24Eeprom || r.type == kType25Eeprom ||
                            r.type == kType93Eeprom || r.type == kType95Eeprom;
    if (without_id) {
      // "00", the series number, log2 of the capacity.
      EXPECT_EQ(r.id.substr(0, 4), "00" + r.type.substr(0, 2));
      const auto log2 = static_cast<int>(std::stoi(r.id.substr(4), nullptr, 16));
      EXPECT_EQ(std::int64_t{1} << log2, r.capacity);
    } else if (r.type != kTypeSwdArm) {
      // A real code: never what an empty socket reads.
      EXPECT_NE(r.id.substr(0, 2), "00");
      EXPECT_NE(r.id, "FFFFFF");
    }
  }
}

TEST_F(ShippedCatalogue, SerialFlashMakersCarryTheirJedecCode) {
  // A maker's parts start with its JEDEC code, after the continuation code
  // 7F for makers of the second bank. Some makers sell parts of another's
  // die under their own name (Spansion's S25FLxxxK with Winbond's code) or
  // kept their code through a merger (SST's 62 parts).
  const std::map<std::string, std::set<std::string>> maker_code = {
      {"WINBOND", {"EF"}},    {"GIGADEVICE", {"C8"}}, {"MACRONIX", {"C2"}},
      {"ISSI", {"9D", "7F9D"}}, {"MICRON", {"20", "2C"}}, {"SPANSION", {"01", "EF"}},
      {"SST", {"BF", "62"}},  {"EON", {"1C"}},        {"XMC", {"20"}},
      {"PUYA", {"85"}},       {"ZBIT", {"5E"}},       {"BOHONG", {"68"}},
      {"BOYA", {"68"}},       {"ATMEL", {"1F"}},      {"FUDAN", {"A1"}},
      {"XTX", {"0B"}},        {"ESMT", {"8C"}},       {"AMIC", {"37", "7F37"}},
      {"PMC", {"7F9D"}},      {"SANYO", {"62"}},      {"INTEL", {"89"}},
      {"ESI", {"4A"}},        {"NANTRONICS", {"D5"}}, {"ZETTA", {"BA"}},
      {"FIDELIX", {"F8"}},    {"NORMEM", {"52"}},     {"PARAGON", {"E0"}}};
  std::set<std::string> seen;
  for (const Row& r : *rows_) {
    if (r.type != kType25Flash && r.type != kType45Eeprom) continue;
    SCOPED_TRACE(r.name);
    const auto code = maker_code.find(r.manuf);
    ASSERT_NE(code, maker_code.end()) << "no JEDEC code known for " << r.manuf;
    const bool carries = std::any_of(code->second.begin(), code->second.end(),
                                     [&r](const std::string& c) { return r.id.rfind(c, 0) == 0; });
    EXPECT_TRUE(carries) << r.manuf << " " << r.id;
    seen.insert(r.manuf);
  }
  for (const char* maker : {"WINBOND", "GIGADEVICE", "MACRONIX", "ISSI", "MICRON", "SPANSION",
                            "SST", "EON", "XMC", "PUYA", "ZBIT", "BOHONG"}) {
    EXPECT_TRUE(seen.count(maker)) << maker;
  }
}

TEST_F(ShippedCatalogue, GeometryFitsEachChipType) {
  for (const Row& r : *rows_) {
    SCOPED_TRACE(r.name);
    const auto capacity = static_cast<std::uint32_t>(r.capacity);
    // Every family but DataFlash (264-byte pages) and the microcontrollers
    // comes in powers of two.
    if (r.type != kType45Eeprom && r.type != kTypeSwdArm) {
      EXPECT_EQ(capacity & (capacity - 1), 0u) << "capacity is a power of two";
      EXPECT_EQ(r.page & (r.page - 1), 0) << "page size is a power of two";
    }
    if (r.type == kType25Flash) {
      EXPECT_EQ(r.para, capacity > 16 * kMiB ? 4 : 3) << "address bytes";
      EXPECT_TRUE(r.page == 256 || r.page == 512);
      EXPECT_EQ(capacity % static_cast<std::uint32_t>(r.block), 0u);
    } else if (r.type == kType45Eeprom) {
      EXPECT_TRUE(r.page == 264 || r.page == 528 || r.page == 1056) << r.page;
      EXPECT_EQ(r.block, 8 * r.page);
    } else if (r.type == kTypeNandFlash) {
      EXPECT_EQ(r.page, 2048);
      EXPECT_EQ(r.block, 128 * 1024);
      EXPECT_GE(capacity, 64 * kMiB);
    } else if (r.type == kType24Eeprom) {
      EXPECT_EQ(r.para, capacity <= 2048 ? 1 : 2) << "word address bytes";
    }
  }
}

TEST_F(ShippedCatalogue, WellKnownChipsAreThereWithTheirCodes) {
  const std::vector<std::pair<std::string, std::string>> known = {
      {"W25Q64", "EF4017"},      {"W25Q128", "EF4018"},     {"W25Q64FW", "EF6017"},
      {"GD25Q64", "C84017"},     {"MX25L6433F", "C22017"},  {"MX25U6435F", "C22537"},
      {"IS25LP128F", "9D6018"},  {"N25Q128A13", "20BA18"},  {"S25FL164K", "014017"},
      {"SST25VF016B", "BF2541"}, {"SST26VF064B", "BF2643"}, {"EN25QH128", "1C7018"},
      {"XM25QH128C", "204018"},  {"P25Q32H", "856016"},     {"ZB25VQ128", "5E4018"},
      {"BH25Q128AS", "684018"},  {"AT45DB161D", "1F2600"},  {"W25N01GV", "EFAA21"},
      // Old BIOS and router chips, and the newest parts.
      {"EN25F80", "1C3114"},     {"PM25LV040", "7F9D7E"},   {"A25L080", "373014"},
      {"AT26DF161", "1F4600"},   {"LE25FU406C", "620613"},  {"SST25VF080B", "BF258E"},
      {"GD25LR512ME", "C8671A"}, {"XM25QU256C", "204119"},  {"MX25U51245G", "C2253A"},
      {"AT45CS1282", "1F2920"},  {"GD5F4GM8UE", "C895C8"},  {"EM73D044SNA", "D512D5"}};
  for (const auto& [name, id] : known) {
    const Row* row = Find(name);
    ASSERT_NE(row, nullptr) << name;
    EXPECT_EQ(row->id, id) << name;
  }
  const Row* eeprom = Find("24C02");
  ASSERT_NE(eeprom, nullptr);
  EXPECT_EQ(eeprom->type, "24 EEPROM");
  EXPECT_EQ(eeprom->capacity, 256);
  const Row* mcu = Find("STM32F103C8");
  ASSERT_NE(mcu, nullptr);
  EXPECT_EQ(mcu->capacity, 64 * 1024);

  // A shared code: detection finds every chip with it.
  EXPECT_GE(db_->RunQuery(sql::kChipsById, {"EF4017"}), 2);
}

TEST_F(ShippedCatalogue, WinbondAndSstTemplatesAreThere) {
  std::set<std::string> makers;
  const int n = db_->RunQuery(sql::kTemplateChips);
  for (int i = n; i > 0; --i, db_->NextRecord()) makers.insert(db_->FieldAsText("ManufName"));
  EXPECT_GT(n, 0);
  EXPECT_TRUE(makers.count("WINBOND"));
  EXPECT_TRUE(makers.count("SST"));
  EXPECT_EQ(db_->RunQuery(sql::kUserChips), 0) << "the shipped catalogue has no user rows";
}

}  // namespace
}  // namespace tessary
