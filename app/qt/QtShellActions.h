// The shell's commands as Qt actions and menus, enabled by their rules whenever Qt goes idle.
#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <map>
#include <string>

#include "app/Menus.h"

namespace quiret {

class TFormBase;

class QtShellActions : public QObject {
  Q_OBJECT

 public:
  QtShellActions(TFormBase& form, QWidget* window);
  void BuildMenuBar(QMenuBar* bar);
  QMenu* BuildMenu(const TMenuItem& item, QWidget* parent);
  QAction* Action(const std::string& name) const;
  // Evaluates every enabling rule and updates the Qt actions (the idle update).
  void UpdateEnabled();

 private:
  TFormBase& form_;
  std::map<std::string, QAction*> actions_;
};

}  // namespace quiret
