// The shell's commands as Qt actions and menus, enabled by their rules whenever Qt goes idle.
#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/Menus.h"

namespace quiret {

class TFormBase;

class QtShellActions : public QObject {
  Q_OBJECT

 public:
  // What a plain item (one without an action) does when it is chosen.
  using ClickHandler = std::function<void(const std::string& item)>;

  // Every command becomes a QAction of `window`, so its shortcut works there without a menu.
  QtShellActions(TFormBase& form, QWidget* window);
  // Menus whose plain items call `click`; their own shortcuts work in `shortcutWindow`.
  void BuildMenuBar(QMenuBar* bar, const std::vector<TMenuItem>& menus, QWidget* shortcutWindow,
                    const ClickHandler& click);
  QMenu* BuildMenu(const TMenuItem& item, QWidget* parent, QWidget* shortcutWindow,
                   const ClickHandler& click);
  // A command's QAction by action name.
  QAction* Action(const std::string& name) const;
  // The QAction a menu item shows by item name: its own for plain items and for items with a
  // key hint, else its command's.
  QAction* Item(const std::string& name) const;
  // Evaluates every enabling rule and updates the Qt actions (the idle update), the items'
  // check marks and the states the form gave its plain items.
  void UpdateEnabled();

 private:
  QAction* AddItem(const TMenuItem& item, QMenu* menu, QWidget* shortcutWindow, const ClickHandler& click,
                   std::map<int, QActionGroup*>& groups);

  TFormBase& form_;
  std::map<std::string, QAction*> actions_;
  std::map<std::string, QAction*> items_;
  // Items showing a command with a key hint: they follow that command's enabled state.
  std::vector<std::pair<std::string, QAction*>> mirrors_;
  // Plain items: checked and enabled as the form says.
  std::vector<std::pair<std::string, QAction*>> plain_;
};

}  // namespace quiret
