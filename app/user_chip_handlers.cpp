// The user-chip window's entry points.
#include "app/user_chip_handlers.h"

namespace tessary {

void MenuAddChipClick(AppContext& ctx, UserChipWindowState& window) {
  OpenUserChips(ctx.Database, window, ctx.DeviceInfo.Language);
}

void ListBox1Click(AppContext& ctx, UserChipWindowState& window) {
  ShowUserChip(ctx.Database, window);
}

void cmbSuanFaChange(AppContext& ctx, UserChipWindowState& window) {
  ShowTemplateCapacity(ctx.Database, window);
}

UserChipOutcome btnAddClick(AppContext& ctx, UserChipWindowState& window) {
  return AddUserChip(ctx.Database, window, ctx.panel);
}

UserChipOutcome btnModifyClick(AppContext& ctx, UserChipWindowState& window) {
  return ModifyUserChip(ctx.Database, window, ctx.panel);
}

UserChipOutcome btnDeleteClick(AppContext& ctx, UserChipWindowState& window) {
  return DeleteUserChip(ctx.Database, window);
}

}  // namespace tessary
