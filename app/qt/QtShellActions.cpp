// Builds a QAction per command (caption, shortcut) and the menus over them, and runs commands
// and item clicks through the form's rules.
#include "app/qt/QtShellActions.h"

#include <QAbstractEventDispatcher>
#include <QActionGroup>
#include <QKeySequence>

#include "app/UnitQrBase.h"

namespace quiret {

QtShellActions::QtShellActions(TFormBase& form, QWidget* window) : QObject(window), form_(form) {
  for (const TAction& a : form_.Actions.Items()) {
    auto* action = new QAction(QString::fromStdString(a.Caption), window);
    QList<QKeySequence> keys;
    if (!a.Shortcut.empty()) keys << QKeySequence(QString::fromStdString(a.Shortcut));
    for (const std::string& more : a.MoreShortcuts) keys << QKeySequence(QString::fromStdString(more));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    const std::string name = a.Name;
    connect(action, &QAction::triggered, this, [this, name] { form_.Execute(name); });
    window->addAction(action);  // shortcuts work without the menu being open
    actions_[name] = action;
  }
  // The application's idle moment: just before the event loop waits for the next event.
  if (auto* dispatcher = QAbstractEventDispatcher::instance())
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &QtShellActions::UpdateEnabled);
}

QAction* QtShellActions::Action(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QAction* QtShellActions::Item(const std::string& name) const {
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second;
}

QAction* QtShellActions::AddItem(const TMenuItem& item, QMenu* menu, QWidget* shortcutWindow,
                                 const ClickHandler& click, std::map<int, QActionGroup*>& groups) {
  const std::string name = item.Name;
  if (!item.Action.empty()) {
    QAction* command = Action(item.Action);
    if (!command) return nullptr;
    if (item.KeyHint.empty()) {
      menu->addAction(command);
      return command;
    }
    // The text after the tab is drawn right-aligned in the shortcut column; being text only,
    // it leaves those keys to the editor.
    auto* hinted = new QAction(command->text() + '\t' + QString::fromStdString(item.KeyHint), menu);
    const std::string actionName = item.Action;
    connect(hinted, &QAction::triggered, this, [this, actionName] { form_.Execute(actionName); });
    menu->addAction(hinted);
    mirrors_.emplace_back(actionName, hinted);
    return hinted;
  }
  auto* plain = new QAction(QString::fromStdString(item.Caption), menu);
  plain->setCheckable(item.Checkable);
  if (item.RadioGroup != 0) {
    QActionGroup*& group = groups[item.RadioGroup];
    if (!group) group = new QActionGroup(menu);
    group->addAction(plain);
  }
  if (!item.Shortcut.empty()) {
    plain->setShortcut(QKeySequence(QString::fromStdString(item.Shortcut)));
    plain->setShortcutContext(Qt::WindowShortcut);
    if (shortcutWindow) shortcutWindow->addAction(plain);
  }
  connect(plain, &QAction::triggered, this, [this, name, click] {
    click(name);
    UpdateEnabled();  // Qt toggled the check mark itself; the form's mark is the one that counts
  });
  menu->addAction(plain);
  plain_.emplace_back(name, plain);
  return plain;
}

QMenu* QtShellActions::BuildMenu(const TMenuItem& item, QWidget* parent, QWidget* shortcutWindow,
                                 const ClickHandler& click) {
  auto* menu = new QMenu(QString::fromStdString(item.Caption), parent);
  menu->setObjectName(QString::fromStdString(item.Name));
  std::map<int, QActionGroup*> groups;
  for (const TMenuItem& child : item.Items) {
    if (child.IsSeparator()) {
      menu->addSeparator();
    } else if (child.IsSubmenu()) {
      QMenu* sub = BuildMenu(child, menu, shortcutWindow, click);
      menu->addMenu(sub);
      items_[child.Name] = sub->menuAction();
    } else if (QAction* a = AddItem(child, menu, shortcutWindow, click, groups)) {
      items_[child.Name] = a;
    }
  }
  // Menus show the state of this moment even when no idle moment came in between.
  const std::string name = item.Name;
  connect(menu, &QMenu::aboutToShow, this, [this, name] {
    form_.MenuPopup(name);
    UpdateEnabled();
  });
  return menu;
}

void QtShellActions::BuildMenuBar(QMenuBar* bar, const std::vector<TMenuItem>& menus, QWidget* shortcutWindow,
                                  const ClickHandler& click) {
  for (const TMenuItem& item : menus) {
    QMenu* menu = BuildMenu(item, bar, shortcutWindow, click);
    bar->addMenu(menu);
    items_[item.Name] = menu->menuAction();
  }
}

void QtShellActions::UpdateEnabled() {
  form_.Actions.UpdateAll();
  for (const TAction& a : form_.Actions.Items()) {
    QAction* action = Action(a.Name);
    if (action && action->isEnabled() != a.Enabled) action->setEnabled(a.Enabled);
  }
  for (const auto& [actionName, item] : mirrors_) {
    const TAction* a = form_.Actions.Find(actionName);
    if (a && item->isEnabled() != a->Enabled) item->setEnabled(a->Enabled);
  }
  for (const auto& [name, item] : plain_) {
    if (item->isCheckable() && item->isChecked() != form_.Checked(name))
      item->setChecked(form_.Checked(name));
    if (item->isEnabled() != form_.ItemEnabled(name)) item->setEnabled(form_.ItemEnabled(name));
  }
}

}  // namespace quiret
