// The find history in the settings file.
#include "app/FindHistory.h"

#include <algorithm>

#include "platform/IniDocument.h"

namespace quiret {

void TFindHistory::Add(std::vector<std::string>& list, const std::string& text) {
  // An empty replacement is worth keeping (it deletes); an empty search is not.
  if (&list == &finds_ && text.empty()) return;
  list.erase(std::remove(list.begin(), list.end(), text), list.end());
  list.insert(list.begin(), text);
  if (list.size() > kMaxEntries) list.resize(kMaxEntries);
}

void TFindHistory::Read(const IniDocument& ini) {
  finds_.clear();
  replacements_.clear();
  auto read = [&ini](const char* key, std::vector<std::string>& list) {
    for (std::size_t i = 1; i <= kMaxEntries; ++i) {
      std::string v = ini.ReadString(kSection, key + std::to_string(i), "\x01");
      if (v == "\x01") break;
      if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
      if (std::find(list.begin(), list.end(), v) == list.end()) list.push_back(v);
    }
  };
  read("Find", finds_);
  read("Replace", replacements_);
  finds_.erase(std::remove(finds_.begin(), finds_.end(), std::string()), finds_.end());
}

void TFindHistory::Write(IniDocument& ini) const {
  ini.EraseSection(kSection);
  for (std::size_t i = 0; i < finds_.size(); ++i)
    ini.WriteString(kSection, "Find" + std::to_string(i + 1), '"' + finds_[i] + '"');
  for (std::size_t i = 0; i < replacements_.size(); ++i)
    ini.WriteString(kSection, "Replace" + std::to_string(i + 1), '"' + replacements_[i] + '"');
}

}  // namespace quiret
