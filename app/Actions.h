// Named commands with an enabling rule: checked when the application is idle and again before running.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quiret {

struct TAction {
  std::string Name;              // FileOpen, FileSave, ...
  std::string Category;          // "File", "Tab", ...
  std::string Caption;           // with its "&" access key
  std::string Shortcut;          // "Ctrl+O", "F4", ... or empty
  std::function<bool()> Update;  // the enabling rule; none = always enabled
  std::function<void()> Execute;
  bool Enabled = true;  // the rule's result at the last idle update
  // Other keys for the same command (keyboard layouts put some symbols elsewhere).
  std::vector<std::string> MoreShortcuts = {};
};

class TActionList {
 public:
  void Add(TAction action);
  const std::vector<TAction>& Items() const { return items_; }
  const TAction* Find(const std::string& name) const;
  // Evaluates every rule and stores the results (the idle update).
  void UpdateAll();
  // Evaluates the action's rule now; runs it only when enabled. Returns whether it ran.
  bool Execute(const std::string& name);
  bool IsEnabled(const std::string& name);

 private:
  TAction* FindMutable(const std::string& name);
  std::vector<TAction> items_;
};

}  // namespace quiret
