// The recent-files list: newest first, at most ten, read from and written to [Recent].
#include "app/RecentFiles.h"

#include <algorithm>

#include "platform/IniDocument.h"

namespace quiret {

void TRecentFiles::Add(const std::string& path, const std::string& encoding) {
  // A line break would split the entry in two lines of the file: such a name is not listed.
  if (path.empty() || path.find_first_of("\r\n") != std::string::npos) return;
  Remove(path);
  items_.insert(items_.begin(), TRecentFile{path, encoding});
  if (items_.size() > static_cast<size_t>(kMaxEntries)) items_.resize(kMaxEntries);
}

void TRecentFiles::Remove(const std::string& path) {
  std::erase_if(items_, [&](const TRecentFile& f) { return f.Path == path; });
}

void TRecentFiles::Read(const IniDocument& ini) {
  items_.clear();
  // Num may claim more entries than the section holds; no more than those are looked at.
  const int num = std::min(ini.ReadInteger(kSection, "Num", 0), ini.EntryCount(kSection));
  for (int i = 1; i <= num && items_.size() < static_cast<size_t>(kMaxEntries); ++i) {
    const std::string path = ini.ReadString(kSection, "File" + std::to_string(i), "");
    const bool seen =
        std::any_of(items_.begin(), items_.end(), [&](const TRecentFile& f) { return f.Path == path; });
    if (!path.empty() && !seen)
      items_.push_back(TRecentFile{path, ini.ReadString(kSection, "Encoding" + std::to_string(i), "")});
  }
}

void TRecentFiles::Write(IniDocument& ini) const {
  ini.EraseSection(kSection);
  if (items_.empty()) return;
  int n = 0;
  for (const TRecentFile& f : items_) {
    ini.WriteString(kSection, "File" + std::to_string(++n), f.Path);
    if (!f.Encoding.empty()) ini.WriteString(kSection, "Encoding" + std::to_string(n), f.Encoding);
  }
  ini.WriteInteger(kSection, "Num", n);
}

}  // namespace quiret
