// The main window's menu table.
#include "ui/main_window_menus.h"

#include <QAction>
#include <QHash>
#include <QMenu>
#include <QMenuBar>

namespace tessary {
namespace {

enum class Item : unsigned char {
  SubMenu,
  Command,
  Tick,    // checkable, not ticked
  Ticked,  // checkable, ticked at start
  Hidden,  // a command hidden at start
  Separator,
};

struct MenuDesign {
  const char* parent;  // nullptr: on the menu bar itself
  const char* name;
  const char* caption;
  Item item;
};

// In menu order. Captions are the design captions; the language texts
// replace some of them later.
const MenuDesign kMenus[] = {
    {nullptr, "Menu_File", "文件", Item::SubMenu},
    {"Menu_File", "Menu_File_Open", "打开", Item::Command},
    {"Menu_File", "Menu_File_Save", "保存", Item::Command},
    {"Menu_File", "Menu_File_SaveAs", "另存为", Item::Command},
    {"Menu_File", "Menu_File_MenuMerge", "文件合并", Item::Command},
    {"Menu_File", "Menu_File_Exit", "退出", Item::Command},

    {nullptr, "MenuBuffer", "缓冲区", Item::SubMenu},
    {"MenuBuffer", "MenuBufferFill", "填充", Item::Command},
    {"MenuBuffer", "MenuBufferFind", "查找", Item::Command},
    {"MenuBuffer", "MenuBufferFindNext", "查找下一个", Item::Command},
    {"MenuBuffer", "MenuBufferGoto", "跳转", Item::Command},

    {nullptr, "MenuProgram", "编程操作", Item::SubMenu},
    {"MenuProgram", "MenuAuto", "自动(&D)", Item::Command},
    {"MenuProgram", "MenuBlankCheck", "查空", Item::Command},
    {"MenuProgram", "MenuErase", "擦除", Item::Command},
    {"MenuProgram", "MenuWrite", "写入", Item::Command},
    {"MenuProgram", "MenuRead", "读出", Item::Command},
    {"MenuProgram", "MenuVerify", "校验", Item::Command},
    {"MenuProgram", "MenuMess", "批量烧录", Item::Command},
    {"MenuProgram", "MenuChipDetect", "芯片检测", Item::SubMenu},
    {"MenuChipDetect", "mmChipDetectAuto", "多个型号具有相同ID时，自动选择第一个芯片",
     Item::Ticked},
    {"MenuChipDetect", "mmManuf", "手动确认选择", Item::Tick},
    {"MenuProgram", "N2", nullptr, Item::Separator},
    {"MenuProgram", "mnProgChangeSPISpeed", "修改SPI速度", Item::SubMenu},
    {"mnProgChangeSPISpeed", "N18MHz1", "18MHz", Item::Tick},
    {"mnProgChangeSPISpeed", "N9MHz1", "9MHz", Item::Ticked},
    {"mnProgChangeSPISpeed", "N45MHz1", "4.5MHz", Item::Tick},
    {"mnProgChangeSPISpeed", "N225MHz", "2.25MHz", Item::Tick},
    {"mnProgChangeSPISpeed", "N1125MHz1", "1.125MHz", Item::Tick},
    {"MenuProgram", "SPIDMA1", "SPI 硬件加速", Item::SubMenu},
    {"SPIDMA1", "mnDMAEnable", "开启", Item::Ticked},
    {"SPIDMA1", "mnDMADisable", "关闭", Item::Tick},
    {"MenuProgram", "mnNandOption", "Nand Flash Opition", Item::SubMenu},
    {"mnNandOption", "mmBlockInit", "坏块检测", Item::Command},
    {"mnNandOption", "mmIgnoreInvalidBlocks", "自动跳过坏块", Item::Tick},
    {"MenuProgram", "N1", nullptr, Item::Separator},
    {"MenuProgram", "MenuAddChip", "添加器件", Item::Command},
    {"MenuProgram", "MenuAutoSel", "自动选项", Item::Command},

    // Shown by the device connection for the models that store projects.
    {nullptr, "MenuPrjOffline", "离线工程", Item::Hidden},

    {nullptr, "MenuHardWare", "硬件信息", Item::SubMenu},
    {"MenuHardWare", "MenuHardInfo", "硬件信息", Item::Command},
    {"MenuHardWare", "MenuFirmUpdate", "固件更新", Item::Command},
    {"MenuHardWare", "MenuSelfCheck", "自检", Item::Hidden},

    {nullptr, "Menu_Language", "语言", Item::SubMenu},
    {"Menu_Language", "Menu_Settings_Lang_CN", "简体中文", Item::Tick},
    {"Menu_Language", "Menu_Settings_Lang_TC", "繁体中文", Item::Tick},
    {"Menu_Language", "Menu_Settings_Lang_EN", "English", Item::Tick},

    {nullptr, "Menu_About", "关于", Item::Command},
    {nullptr, "MenuHelp", "帮助", Item::Hidden},
};

}  // namespace

void BuildMainMenus(QMenuBar& bar) {
  QHash<QString, QMenu*> menus;
  for (const MenuDesign& design : kMenus) {
    const QString name = QString::fromLatin1(design.name);
    const QString caption = QString::fromUtf8(design.caption);
    QMenu* parent = design.parent ? menus.value(QString::fromLatin1(design.parent)) : nullptr;
    Q_ASSERT(design.parent == nullptr || parent != nullptr);

    QAction* action = nullptr;
    switch (design.item) {
      case Item::SubMenu: {
        QMenu* menu = parent ? parent->addMenu(caption) : bar.addMenu(caption);
        menu->setObjectName(name);
        menus.insert(name, menu);
        action = menu->menuAction();
        break;
      }
      case Item::Separator:
        action = parent->addSeparator();
        break;
      case Item::Command:
      case Item::Tick:
      case Item::Ticked:
      case Item::Hidden:
        // A command straight on the bar runs when clicked, like the about
        // and help items.
        action = parent ? parent->addAction(caption) : bar.addAction(caption);
        break;
    }
    action->setObjectName(name);
    action->setCheckable(design.item == Item::Tick || design.item == Item::Ticked);
    action->setChecked(design.item == Item::Ticked);
    action->setVisible(design.item != Item::Hidden);
  }
}

}  // namespace tessary
