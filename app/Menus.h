// Menu structure of the main window, the editor's pop-up menu, the tab menu and the clipboard
// viewer: items point at actions by name or are plain items with a click handler.
#pragma once

#include <string>
#include <vector>

namespace quiret {

struct TMenuItem {
  std::string Name;     // MmFile, MmOpen, TmClose, ... ("-" for a separator)
  std::string Action;   // the action shown, or empty for a submenu or a plain item
  std::string Caption;  // for items without an action
  std::vector<TMenuItem> Items;
  // Key names shown right-aligned after the caption ("Ctrl+Z"): the editor handles these keys
  // itself, so they are a hint only and never a shortcut of the menu.
  std::string KeyHint;
  std::string Shortcut;  // a plain item's own shortcut ("F5")
  bool Checkable = false;
  int RadioGroup = 0;  // checkable items sharing a group number show as one radio group
  bool IsSeparator() const { return Name == "-"; }
  bool IsSubmenu() const { return Action.empty() && !Items.empty(); }
};

// The main menu bar's menus, left to right.
std::vector<TMenuItem> MainMenuItems();
// The editor's pop-up menu (PopupMenu).
TMenuItem PopupMenuItems();
// The tab strip's menu: close, a separator, save as, save.
TMenuItem TabMenuItems();
// The clipboard viewer's menu bar.
std::vector<TMenuItem> ClipViewerMenuItems();

// The item of that name anywhere below `items`, or nullptr.
const TMenuItem* FindMenuItem(const std::vector<TMenuItem>& items, const std::string& name);

}  // namespace quiret
