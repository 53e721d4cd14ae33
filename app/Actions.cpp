// The command list: lookup, idle update and guarded execution.
#include "app/Actions.h"

#include <stdexcept>

namespace quiret {

void TActionList::Add(TAction action) {
  if (FindMutable(action.Name)) throw std::logic_error("duplicate action " + action.Name);
  items_.push_back(std::move(action));
}

TAction* TActionList::FindMutable(const std::string& name) {
  for (auto& a : items_)
    if (a.Name == name) return &a;
  return nullptr;
}

const TAction* TActionList::Find(const std::string& name) const {
  for (const auto& a : items_)
    if (a.Name == name) return &a;
  return nullptr;
}

void TActionList::UpdateAll() {
  for (auto& a : items_) a.Enabled = !a.Update || a.Update();
}

bool TActionList::IsEnabled(const std::string& name) {
  TAction* a = FindMutable(name);
  if (!a) return false;
  a->Enabled = !a->Update || a->Update();
  return a->Enabled;
}

bool TActionList::Execute(const std::string& name) {
  // The state may have changed since the last idle update, so the rule is asked again.
  if (!IsEnabled(name)) return false;
  TAction* a = FindMutable(name);
  if (a->Execute) a->Execute();
  return true;
}

}  // namespace quiret
