// User-defined chips on a copy of the real catalogue: the window's texts in
// the three languages, adding from a template, modifying and deleting, the
// factory rows that neither may touch, and names holding quotes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "catalogue/catalogue_statements.h"
#include "app/user_chip_handlers.h"
#include "catalogue/user_chips.h"
#include "support/program_folder.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

using Row = std::map<std::string, std::string>;

constexpr const char* kColumns[] = {
    "ChipName",  "ChipType", "ManufName", "MemoryType", "Capacity", "PageSize",
    "BlockSize", "OTPSize",  "OTPAddr",   "Voltage",    "ChipID",   "ChipPara",
    "ChipPara1", "ParaNote", "Para1Note", "EraseTime",  "Adder",    "Note"};

struct UserChips : ::testing::Test {
  UserChips() {
    ctx.Paths = PortablePaths(folder.path());
    std::string error;
    EXPECT_TRUE(ctx.Database.Open(folder.path() / "login.dat", error)) << error;
  }

  // Every row of that name (any case, as the catalogue compares names).
  std::vector<Row> RowsNamed(const std::string& name) {
    std::vector<Row> rows;
    ChipDatabase& db = ctx.Database;
    for (int n = db.RunQuery(statements::kChipByName, {name}); n > 0; --n) {
      Row& row = rows.emplace_back();
      for (const char* column : kColumns) row[column] = db.FieldAsText(column);
      db.NextRecord();
    }
    return rows;
  }
  Row OnlyRow(const std::string& name) {
    std::vector<Row> rows = RowsNamed(name);
    EXPECT_EQ(rows.size(), 1u) << name;
    return rows.empty() ? Row{} : rows[0];
  }
  int TotalRows() { return ctx.Database.RunQuery("select * from [ChipName]"); }

  void Open(std::int32_t language = 0) {
    ctx.DeviceInfo.Language = language;
    MenuAddChipClick(ctx, window);
  }
  void Type(const std::string& name, const std::string& id, const std::string& manufacturer,
            const std::string& template_name) {
    window.lbeChipName = name;
    window.lbeChipID = id;
    window.lbeManauf = manufacturer;
    window.cmbSuanFa.text = template_name;
  }
  void AddUserChip(const std::string& name, const std::string& id, const std::string& manufacturer,
                   const std::string& template_name) {
    Type(name, id, manufacturer, template_name);
    ASSERT_EQ(btnAddClick(ctx, window), UserChipOutcome::Done);
  }

  testing::ProgramFolder folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
  UserChipWindowState window;
};

TEST_F(UserChips, OpeningWithoutUserChipsListsTheTemplatesAndKeepsTheEdits) {
  window.lbeChipName = "left over";
  window.lbeCapcity = "123";
  Open();
  EXPECT_EQ(window.Label1, "用户自定义型号        0");
  EXPECT_TRUE(window.ListBox1.items.empty());
  EXPECT_EQ(window.ListBox1.index, -1);
  EXPECT_EQ(window.lbeChipName, "left over");
  EXPECT_EQ(window.lbeCapcity, "123");

  ASSERT_FALSE(window.cmbSuanFa.items.empty());
  EXPECT_EQ(window.cmbSuanFa.index, 0);
  EXPECT_EQ(window.cmbSuanFa.text, window.cmbSuanFa.items[0]);
  bool winbond = false, sst = false;
  for (const std::string& name : window.cmbSuanFa.items) {
    const Row row = RowsNamed(name).at(0);
    EXPECT_EQ(row.at("ChipType"), "25 FLASH") << name;
    EXPECT_EQ(row.at("MemoryType"), "SPI FLASH") << name;
    winbond = winbond || row.at("ManufName") == "WINBOND";
    sst = sst || row.at("ManufName") == "SST";
    EXPECT_TRUE(row.at("ManufName") == "WINBOND" || row.at("ManufName") == "SST") << name;
  }
  EXPECT_TRUE(winbond && sst);
}

struct LanguageCase {
  std::int32_t language;
  const char* caption;
  const char* label1;
  const char* capacity;
  const char* manufacturer;
  const char* remove;
  const char* close;
  const char* template_not_found;
};

class UserChipLanguages : public UserChips, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(UserChipLanguages, BuiltInTextsAndTheTemplateMessage) {
  const LanguageCase& c = GetParam();
  Open(c.language);
  EXPECT_EQ(window.texts.caption, c.caption);
  EXPECT_EQ(window.Label1, c.label1);
  EXPECT_EQ(window.texts.capacity, c.capacity);
  EXPECT_EQ(window.texts.manufacturer, c.manufacturer);
  EXPECT_EQ(window.texts.remove, c.remove);
  EXPECT_EQ(window.texts.close, c.close);

  const int before = TotalRows();
  Type("NEW1", "C84017", "ACME", "NO SUCH TEMPLATE");
  EXPECT_EQ(btnAddClick(ctx, window), UserChipOutcome::TemplateNotFound);
  ASSERT_EQ(panel.messages.size(), 1u);
  EXPECT_EQ(panel.messages[0].text, c.template_not_found);
  EXPECT_EQ(TotalRows(), before);
}

INSTANTIATE_TEST_SUITE_P(
    ThreeLanguages, UserChipLanguages,
    ::testing::Values(LanguageCase{0, "用户自定义芯片管理", "用户自定义型号        0", "容量：  ",
                                   "廠商：  ", "刪除", "关闭", "算法名称错误，请重试！"},
                      LanguageCase{1, "用戶自定義晶片管理", "用戶自定義型號        0", "容量：  ",
                                   "廠商：  ", "刪除", "關閉", "算法名稱錯誤，請重試！"},
                      LanguageCase{2, "User-Def Chips Manage", "User Self-Def Chip       0",
                                   "Capcity:", "Manufacturer:", "Delete", "Close",
                                   "Algorithm Error!Please retry!"},
                      LanguageCase{7, "User-Def Chips Manage", "User Self-Def Chip       0",
                                   "Capcity:", "Manufacturer:", "Delete", "Close",
                                   "Algorithm Error!Please retry!"}));

TEST_F(UserChips, AddingCopiesTheTemplateAndListsTheChip) {
  Open();
  const Row t = OnlyRow("W25Q64");
  AddUserChip("MY25Q64", "C84017", "ACME", "W25Q64");

  const Row row = OnlyRow("MY25Q64");
  EXPECT_EQ(row.at("Adder"), "USER");
  EXPECT_EQ(row.at("ManufName"), "ACME");
  EXPECT_EQ(row.at("ChipID"), "C84017");
  for (const char* column :
       {"Capacity", "PageSize", "MemoryType", "ChipType", "BlockSize", "OTPSize", "OTPAddr",
        "Voltage", "ChipPara", "ChipPara1", "EraseTime"}) {
    EXPECT_EQ(row.at(column), t.at(column)) << column;
  }
  EXPECT_EQ(row.at("ParaNote"), t.at("ParaNote") + " ");
  EXPECT_EQ(row.at("Para1Note"), t.at("Para1Note") + " ");
  // Numbers stay numbers, so capacity order and the chip fields still work.
  ctx.Database.RunQuery(statements::kChipByName, {"MY25Q64"});
  EXPECT_EQ(ctx.Database.FieldAsInteger("Capacity"), 8388608);

  EXPECT_EQ(window.Label1, "用户自定义型号        1");
  EXPECT_EQ(window.ListBox1.items, std::vector<std::string>{"MY25Q64"});
  EXPECT_EQ(window.ListBox1.index, 0);
  EXPECT_TRUE(panel.messages.empty());

  // The selection frame finds it under its own manufacturer.
  ASSERT_EQ(ctx.Database.RunQuery(statements::kChipNamesByCapacity, {"25 FLASH", "ACME"}), 1);
  EXPECT_EQ(ctx.Database.FieldAsText("ChipName"), "MY25Q64");

  // Opening again shows it.
  window = {};
  Open();
  EXPECT_EQ(window.lbeChipName, "MY25Q64");
  EXPECT_EQ(window.lbeChipID, "C84017");
  EXPECT_EQ(window.lbeManauf, "ACME");
  EXPECT_EQ(window.lbeCapcity, "8388608");
}

TEST_F(UserChips, ModifyChangesOnlyCapacityManufacturerAndCode) {
  Open();
  AddUserChip("MYCHIP", "C84017", "ACME", "W25Q64");
  const Row before = OnlyRow("MYCHIP");

  Type("MYCHIP", "C84010", "ACME2", "W25X05");
  EXPECT_EQ(btnModifyClick(ctx, window), UserChipOutcome::Done);
  const Row after = OnlyRow("MYCHIP");
  EXPECT_EQ(after.at("Capacity"), "65536");
  EXPECT_EQ(after.at("ManufName"), "ACME2");
  EXPECT_EQ(after.at("ChipID"), "C84010");
  EXPECT_EQ(after.at("Adder"), "USER");
  for (const char* column :
       {"PageSize", "MemoryType", "ChipType", "BlockSize", "OTPSize", "OTPAddr", "Voltage",
        "ChipPara", "ChipPara1", "ParaNote", "Para1Note", "EraseTime"}) {
    EXPECT_EQ(after.at(column), before.at(column)) << column;
  }
  EXPECT_TRUE(panel.messages.empty());
  EXPECT_EQ(window.ListBox1.items.size(), 1u) << "modify does not refresh, nor need to";
}

TEST_F(UserChips, ModifyNeverTurnsAFactoryRowIntoAUserRow) {
  Open();
  const Row factory = OnlyRow("W25Q64");
  ASSERT_EQ(factory.at("Adder"), "Halvern");

  // The operator types a factory chip's name (in any case).
  for (const char* typed : {"W25Q64", "w25q64"}) {
    panel.messages.clear();
    Type(typed, "123456", "ACME", "W25X05");
    EXPECT_EQ(btnModifyClick(ctx, window), UserChipOutcome::FactoryChip) << typed;
    ASSERT_EQ(panel.messages.size(), 1u);
    EXPECT_EQ(panel.messages[0].text, std::string("出厂芯片不能修改：") + typed);
    EXPECT_EQ(OnlyRow("W25Q64"), factory);
  }

  // A user chip added under a factory name: the update would reach both
  // rows, so neither changes.
  AddUserChip("W25Q64", "ABCDEF", "ACME", "W25X05");
  ASSERT_EQ(RowsNamed("W25Q64").size(), 2u);
  const std::vector<Row> both = RowsNamed("W25Q64");
  Type("W25Q64", "111111", "OTHER", "W25Q128");
  EXPECT_EQ(btnModifyClick(ctx, window), UserChipOutcome::FactoryChip);
  EXPECT_EQ(RowsNamed("W25Q64"), both);

  // English wording for the refusal.
  Open(2);
  panel.messages.clear();
  Type("W25Q64", "111111", "OTHER", "W25Q128");
  EXPECT_EQ(btnModifyClick(ctx, window), UserChipOutcome::FactoryChip);
  ASSERT_EQ(panel.messages.size(), 1u);
  EXPECT_EQ(panel.messages[0].text, "A factory chip cannot be modified: W25Q64");
}

TEST_F(UserChips, DeleteRemovesOnlyTheMatchingUserRow) {
  Open();
  AddUserChip("MYCHIP", "C84017", "ACME", "W25Q64");
  AddUserChip("OTHER", "C84018", "ACME", "W25Q64");
  const int total = TotalRows();
  const Row factory = OnlyRow("W25Q64");

  // Edits that no longer match the row: nothing goes, no message.
  Type("MYCHIP", "C84017", "NOT ACME", "W25Q64");
  EXPECT_EQ(btnDeleteClick(ctx, window), UserChipOutcome::Done);
  EXPECT_EQ(TotalRows(), total);

  // A factory chip's own name, manufacturer and code: untouched.
  Type("W25Q64", factory.at("ChipID"), factory.at("ManufName"), "W25Q64");
  EXPECT_EQ(btnDeleteClick(ctx, window), UserChipOutcome::Done);
  EXPECT_EQ(OnlyRow("W25Q64"), factory);
  EXPECT_EQ(TotalRows(), total);

  // A template that is not a chip: nothing at all, even with matching edits.
  Type("MYCHIP", "C84017", "ACME", "W25Q6");
  EXPECT_EQ(btnDeleteClick(ctx, window), UserChipOutcome::TemplateNotFound);
  EXPECT_EQ(TotalRows(), total);
  EXPECT_EQ(btnModifyClick(ctx, window), UserChipOutcome::TemplateNotFound);
  EXPECT_EQ(OnlyRow("MYCHIP").at("Capacity"), "8388608");
  EXPECT_TRUE(panel.messages.empty());

  Type("MYCHIP", "C84017", "ACME", "W25Q64");
  EXPECT_EQ(btnDeleteClick(ctx, window), UserChipOutcome::Done);
  EXPECT_EQ(TotalRows(), total - 1);
  EXPECT_TRUE(RowsNamed("MYCHIP").empty());
  EXPECT_EQ(window.ListBox1.items, std::vector<std::string>{"OTHER"});
  EXPECT_EQ(window.ListBox1.index, 0);
  EXPECT_EQ(window.Label1, "用户自定义型号        1");
}

TEST_F(UserChips, QuotesInTextsAreJustText) {
  Open();
  const int total = TotalRows();
  AddUserChip("O'Brien 25Q' OR '1'='1", "C8'017", "Bob's", "W25Q64");
  EXPECT_EQ(TotalRows(), total + 1);
  EXPECT_EQ(window.ListBox1.items, std::vector<std::string>{"O'Brien 25Q' OR '1'='1"});

  window.lbeChipName.clear();
  ListBox1Click(ctx, window);
  EXPECT_EQ(window.lbeChipName, "O'Brien 25Q' OR '1'='1");
  EXPECT_EQ(window.lbeManauf, "Bob's");
  EXPECT_EQ(window.lbeChipID, "C8'017");

  window.cmbSuanFa.text = "W25X05";
  window.lbeManauf = "Bob's Chips";
  EXPECT_EQ(btnModifyClick(ctx, window), UserChipOutcome::Done);
  const Row row = OnlyRow("O'Brien 25Q' OR '1'='1");
  EXPECT_EQ(row.at("ManufName"), "Bob's Chips");
  EXPECT_EQ(row.at("Capacity"), "65536");
  EXPECT_EQ(OnlyRow("W25Q64").at("Adder"), "Halvern");

  EXPECT_EQ(btnDeleteClick(ctx, window), UserChipOutcome::Done);
  EXPECT_EQ(TotalRows(), total);
  EXPECT_EQ(window.Label1, "用户自定义型号        0");
}

TEST_F(UserChips, TheTemplateBoxShowsACapacityOnlyForAnExactName) {
  Open();
  window.lbeCapcity = "old";
  for (const char* partial : {"W", "W25", "W25Q6", "W25Q64 "}) {
    window.cmbSuanFa.text = partial;
    cmbSuanFaChange(ctx, window);
    EXPECT_EQ(window.lbeCapcity, "old") << partial;
  }
  window.cmbSuanFa.text = "W25Q64";
  cmbSuanFaChange(ctx, window);
  EXPECT_EQ(window.lbeCapcity, "8388608");
  EXPECT_TRUE(panel.messages.empty());
}

TEST_F(UserChips, AnEmptyAddIsStoredAsTyped) {
  Open();
  AddUserChip("", "", "", "W25X05");
  const Row row = OnlyRow("");
  EXPECT_EQ(row.at("ManufName"), "");
  EXPECT_EQ(row.at("Adder"), "USER");
  EXPECT_EQ(window.Label1, "用户自定义型号        1");
}

}  // namespace
}  // namespace tessary
