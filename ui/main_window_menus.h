// The main window's menu bar, built from one table of items: object names,
// design captions, ticks, separators and the items hidden at start.
#pragma once

class QMenuBar;

namespace tessary {

// Fills `bar` with every menu and item. Each item is a QAction carrying the
// item's object name; a sub-menu is a QMenu with that name whose menu action
// carries it too (so hiding the action hides the sub-menu). Items that show a
// tick are checkable.
void BuildMainMenus(QMenuBar& bar);

}  // namespace tessary
