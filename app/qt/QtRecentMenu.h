// The File menu's recent-files submenu: its entries made anew from the form's list each time
// it opens, in front of its fixed items.
#pragma once

class QMenu;

namespace quiret {

class TFormBase;

// `menu` is the submenu built from the menu table; choosing an entry runs the form's item.
void AttachRecentMenu(QMenu* menu, TFormBase& form);

}  // namespace quiret
