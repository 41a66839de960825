// The user-chip window's entry points (TfrmUserImportChip): each runs the
// catalogue's user-chip behaviour on the context's catalogue and the
// window's state. Each may throw DatabaseError; the window shows it.
#pragma once

#include "app/app_context.h"
#include "catalogue/user_chips.h"

namespace tessary {

// MenuAddChip: fills the window in the programmer's language.
void MenuAddChipClick(AppContext& ctx, UserChipWindowState& window);
void ListBox1Click(AppContext& ctx, UserChipWindowState& window);
void cmbSuanFaChange(AppContext& ctx, UserChipWindowState& window);
UserChipOutcome btnAddClick(AppContext& ctx, UserChipWindowState& window);
UserChipOutcome btnModifyClick(AppContext& ctx, UserChipWindowState& window);
UserChipOutcome btnDeleteClick(AppContext& ctx, UserChipWindowState& window);

}  // namespace tessary
