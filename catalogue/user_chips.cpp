// User-defined chips: the management window's texts and buttons.
#include "catalogue/user_chips.h"

#include "catalogue/catalogue_statements.h"

#include <array>
#include <vector>

namespace tessary {
namespace {

using namespace statements;

// Simplified Chinese, Traditional Chinese, English. The Label1 prefixes end
// in 8, 8 and 7 blanks so the count lines up after them.
constexpr std::array<UserChipTexts, 3> kTexts = {{
    {"用户自定义芯片管理", "用户自定义型号        ", "芯片名称：", "芯片ID：", "算法选择",
     "容量：  ", "廠商：  ", "添加", "修改", "刪除", "关闭", "算法名称错误，请重试！",
     "出厂芯片不能修改："},
    {"用戶自定義晶片管理", "用戶自定義型號        ", "晶片名稱：", "晶片ID：", "算法選擇",
     "容量：  ", "廠商：  ", "添加", "修改", "刪除", "關閉", "算法名稱錯誤，請重試！",
     "出廠晶片不能修改："},
    {"User-Def Chips Manage", "User Self-Def Chip       ", "Chip Name:", "Chip ID:", "Algorithm",
     "Capcity:", "Manufacturer:", "Add", "Modify", "Delete", "Close",
     "Algorithm Error!Please retry!", "A factory chip cannot be modified: "},
}};

void FillBox(ChipDatabase& db, ComboBoxState& box, std::string_view column) {
  box.Clear();
  for (int n = db.RecordCount(); n > 0; --n) {
    box.Add(db.FieldAsText(column));
    if (n > 1) db.NextRecord();
  }
}

// The user-chip list and its count, first item selected. The edits are left
// alone: selecting an item this way is not a click.
void RefreshList(ChipDatabase& db, UserChipWindowState& window) {
  const int count = db.RunQuery(kUserChips);
  window.Label1 = std::string(window.texts.label1_prefix) + std::to_string(count);
  FillBox(db, window.ListBox1, "ChipName");
  window.ListBox1.Select(0);
}

// Leaves the query on the template row; false when the box names no chip.
bool FindTemplate(ChipDatabase& db, const UserChipWindowState& window) {
  return db.RunQuery(kChipByName, {window.cmbSuanFa.text}) > 0;
}

}  // namespace

const UserChipTexts& UserChipTextsFor(std::int32_t language) {
  switch (language) {
    case 0:
      return kTexts[0];
    case 1:
      return kTexts[1];
    default:
      return kTexts[2];
  }
}

void OpenUserChips(ChipDatabase& db, UserChipWindowState& window, std::int32_t language) {
  window.texts = UserChipTextsFor(language);
  RefreshList(db, window);
  db.RunQuery(kTemplateChips);
  FillBox(db, window.cmbSuanFa, "ChipName");
  window.cmbSuanFa.Select(0);
  window.ListBox1.Select(0);
  ShowUserChip(db, window);
}

void ShowUserChip(ChipDatabase& db, UserChipWindowState& window) {
  if (window.ListBox1.index < 0) return;
  if (db.RunQuery(kUserChipByName, {window.ListBox1.text}) == 0) return;
  window.lbeChipName = db.FieldAsText("ChipName");
  window.lbeChipID = db.FieldAsText("ChipID");
  window.lbeCapcity = db.FieldAsText("Capacity");
  window.lbeManauf = db.FieldAsText("ManufName");
}

void ShowTemplateCapacity(ChipDatabase& db, UserChipWindowState& window) {
  if (!FindTemplate(db, window)) return;
  window.lbeCapcity = db.FieldAsText("Capacity");
}

UserChipOutcome AddUserChip(ChipDatabase& db, UserChipWindowState& window, OperatorPanel& panel) {
  if (!FindTemplate(db, window)) {
    panel.ShowMessage(window.texts.template_not_found, "", MessageKind::Warning);
    return UserChipOutcome::TemplateNotFound;
  }
  const ChipDatabase& t = db;
  // Every template value is copied as the text it reads as; the notes gain
  // one blank, as user rows always have.
  const std::vector<Value> values = {
      window.lbeChipName,
      t.FieldAsText("Capacity"),
      t.FieldAsText("PageSize"),
      t.FieldAsText("MemoryType"),
      t.FieldAsText("ChipType"),
      window.lbeManauf,
      t.FieldAsText("BlockSize"),
      t.FieldAsText("OTPSize"),
      t.FieldAsText("OTPAddr"),
      t.FieldAsText("Voltage"),
      window.lbeChipID,
      t.FieldAsText("ChipPara"),
      t.FieldAsText("ChipPara1"),
      t.FieldAsText("Para1Note") + " ",
      t.FieldAsText("ParaNote") + " ",
      t.FieldAsText("EraseTime"),
      kUserAdder,
  };
  db.ExecStatement(kInsertUserChip, values);
  RefreshList(db, window);
  return UserChipOutcome::Done;
}

UserChipOutcome ModifyUserChip(ChipDatabase& db, UserChipWindowState& window,
                               OperatorPanel& panel) {
  if (!FindTemplate(db, window)) return UserChipOutcome::TemplateNotFound;
  const std::string capacity = db.FieldAsText("Capacity");
  const std::string& name = window.lbeChipName;
  // The update picks its rows by name alone, so it may run only when every
  // row of that name is a user row: a factory chip must never turn into one.
  const int all_rows = db.RunQuery(kChipByName, {name});
  const int user_rows = db.RunQuery(kUserChipByName, {name});
  if (all_rows != user_rows) {
    panel.ShowMessage(std::string(window.texts.factory_chip) + name, "", MessageKind::Warning);
    return UserChipOutcome::FactoryChip;
  }
  db.ExecStatement(kUpdateUserChip,
                             {name, capacity, window.lbeManauf, window.lbeChipID, name});
  return UserChipOutcome::Done;
}

UserChipOutcome DeleteUserChip(ChipDatabase& db, UserChipWindowState& window) {
  if (!FindTemplate(db, window)) return UserChipOutcome::TemplateNotFound;
  db.ExecStatement(kDeleteUserChip,
                             {window.lbeChipName, window.lbeManauf, window.lbeChipID});
  RefreshList(db, window);
  return UserChipOutcome::Done;
}

}  // namespace tessary
