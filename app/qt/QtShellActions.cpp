// Builds a QAction per command (caption, shortcut) and runs it through the form's rules.
#include "app/qt/QtShellActions.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QKeySequence>

#include "app/UnitQrBase.h"

namespace quiret {

QtShellActions::QtShellActions(TFormBase& form, QWidget* window) : QObject(window), form_(form) {
  for (const TAction& a : form_.Actions.Items()) {
    auto* action = new QAction(QString::fromStdString(a.Caption), window);
    if (!a.Shortcut.empty()) action->setShortcut(QKeySequence(QString::fromStdString(a.Shortcut)));
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

QMenu* QtShellActions::BuildMenu(const TMenuItem& item, QWidget* parent) {
  auto* menu = new QMenu(QString::fromStdString(item.Caption), parent);
  menu->setObjectName(QString::fromStdString(item.Name));
  for (const TMenuItem& child : item.Items) {
    if (child.IsSeparator()) {
      menu->addSeparator();
    } else if (!child.Action.empty()) {
      if (QAction* a = Action(child.Action)) menu->addAction(a);
    } else {
      menu->addMenu(BuildMenu(child, menu));
    }
  }
  // Menus show the state of this moment even when no idle moment came in between.
  connect(menu, &QMenu::aboutToShow, this, &QtShellActions::UpdateEnabled);
  return menu;
}

void QtShellActions::BuildMenuBar(QMenuBar* bar) {
  for (const TMenuItem& item : MainMenuItems()) bar->addMenu(BuildMenu(item, bar));
}

void QtShellActions::UpdateEnabled() {
  form_.Actions.UpdateAll();
  for (const TAction& a : form_.Actions.Items()) {
    QAction* action = Action(a.Name);
    if (action && action->isEnabled() != a.Enabled) action->setEnabled(a.Enabled);
  }
}

}  // namespace quiret
