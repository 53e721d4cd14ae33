// Menu structure of the main window and the tab menu: items point at actions by name.
#pragma once

#include <string>
#include <vector>

namespace quiret {

struct TMenuItem {
  std::string Name;     // MmFile, MmOpen, TmClose, ... ("-" for a separator)
  std::string Action;   // the action shown, or empty for a submenu or a plain item
  std::string Caption;  // for items without an action
  std::vector<TMenuItem> Items;
  bool IsSeparator() const { return Name == "-"; }
};

// The main menu bar's menus, left to right.
std::vector<TMenuItem> MainMenuItems();
// The tab strip's menu: close, a separator, save as, save.
TMenuItem TabMenuItems();

}  // namespace quiret
