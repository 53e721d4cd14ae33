// TFormBase: the recent-files submenu of the File menu and what adds to its list.
#include "app/UnitQrBase.h"
#include "platform/Files.h"

namespace quiret {

namespace {
const std::string kRecentItem = "MmRecentFile";
}

std::string TFormBase::RecentItemName(int index) { return kRecentItem + std::to_string(index + 1); }

void TFormBase::NoteRecentFile(const std::string& path) {
  // The reopen list only restores what was listed when it was opened; the user guide has an
  // item of its own.
  if (reopening_ || path == ReadMePath) return;
  std::string encoding;
  for (const auto& tab : tabs_)
    if (tab->Hint == path)
      if (const std::optional<Encoding> e = KeptEncoding(*tab)) encoding = EncodingIconvName(*e);
  recent_.Add(path, encoding);
}

bool TFormBase::RecentClick(const std::string& item) {
  if (item == "MmRecentClear") {
    recent_.Clear();
    return true;
  }
  if (item.rfind(kRecentItem, 0) != 0 || item.size() == kRecentItem.size()) return false;
  int n = 0;
  for (char c : item.substr(kRecentItem.size())) {
    if (c < '0' || c > '9' || n > TRecentFiles::kMaxEntries) return false;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > static_cast<int>(RecentFiles().size())) return false;
  RecentFileOpen(n - 1);
  return true;
}

void TFormBase::RecentFileOpen(int index) {
  const std::string path = RecentFiles().at(index).Path;
  if (!FileExists(path)) {
    recent_.Remove(path);
    ui_.Boxes.ShowPlain(path + "\r\n が見つかりません。");
    return;
  }
  OpenFile(path, EncodingFromName(RecentFiles().at(index).Encoding));
  FocusActiveEditor();
}

}  // namespace quiret
