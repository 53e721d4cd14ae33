// TFormBase: the session file, the crash path's list of open tabs. It follows every open,
// close and activation while the program runs, goes at a clean exit, and when a start finds
// it the last run was killed: its tabs come back in their order, the active one active.
#include <set>

#include "app/SessionList.h"
#include "app/UnitQrBase.h"
#include "platform/Files.h"
#include "platform/StateDir.h"

namespace quiret {

std::optional<Session> TFormBase::TakeLeftSession() {
  const std::string state = StateDirPath();
  if (state.empty()) return std::nullopt;
  const std::optional<std::string> text = ReadSessionFile(SessionFilePath(state, SessionName));
  return text ? ParseSession(*text) : std::nullopt;
}

void TFormBase::StartSession() {
  if (!recovery_->On()) return;  // no state folder to keep it in
  sessionPath_ = SessionFilePath(recovery_->Folder(), SessionName);
  NoteSession();
}

void TFormBase::NoteSession() {
  if (sessionPath_.empty() || reopening_) return;
  Session session;
  session.active = ActiveIndex();
  for (const auto& tab : tabs_) {
    SessionTab entry;
    entry.openedNs = tab->Journal->Header().openedNs;
    if (tab->Hint != kNewFileHint) entry.path = tab->Hint;
    if (const std::optional<Encoding> e = KeptEncoding(*tab)) entry.encoding = EncodingIconvName(*e);
    session.tabs.push_back(std::move(entry));
  }
  std::string text = EncodeSession(session);
  if (text == sessionText_) return;
  // A list that cannot be written leaves the one before; the journals still hold the changes.
  if (WriteSessionFile(sessionPath_, text) == 0) sessionText_ = std::move(text);
}

void TFormBase::EndSession() {
  if (sessionPath_.empty()) return;
  RemoveSessionFile(sessionPath_);
  sessionPath_.clear();
}

void TFormBase::ReopenSession(const Session& session) {
  reopening_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{reopening_};
  std::vector<TTabSheet*> order;
  std::set<TTabSheet*> placed;
  TTabSheet* active = nullptr;
  const auto unplaced = [&](const std::function<bool(const TTabSheet&)>& match) -> TTabSheet* {
    for (const auto& tab : tabs_)
      if (!placed.count(tab.get()) && match(*tab)) return tab.get();
    return nullptr;
  };
  for (std::size_t i = 0; i < session.tabs.size(); ++i) {
    const SessionTab& entry = session.tabs[i];
    // A document restored from its journal keeps the journal's mark: it takes its place.
    TTabSheet* tab =
        unplaced([&](const TTabSheet& t) { return t.Journal->Header().openedNs == entry.openedNs; });
    if (!tab && !entry.path.empty() && Checked("MmFileMemory")) {
      if (FileExists(entry.path)) {
        std::optional<Encoding> encoding;
        if (!entry.encoding.empty()) encoding = EncodingFromName(entry.encoding);
        OpenFileAtStartup(entry.path, encoding);
        tab = unplaced([&](const TTabSheet& t) { return t.Hint == entry.path; });
        if (tab) tab->EncodingMessage.clear();  // told when the file was first opened
      } else {
        ui_.Boxes.ShowPlain(entry.path + "\r\n が見つかりません。");
      }
    }
    if (!tab) continue;
    order.push_back(tab);
    placed.insert(tab);
    if (static_cast<int>(i) == session.active) active = tab;
  }
  // Restored documents the list did not know of yet follow, as they came back.
  for (const auto& tab : tabs_)
    if (!placed.count(tab.get())) order.push_back(tab.get());
  ArrangeTabs(order, active);
}

void TFormBase::ArrangeTabs(const std::vector<TTabSheet*>& order, TTabSheet* active) {
  if (tabs_.empty()) return;
  std::vector<std::string> captions;
  std::vector<std::unique_ptr<TTabSheet>> arranged;
  for (TTabSheet* tab : order) {
    for (int i = 0; i < TabCount(); ++i) {
      if (tabs_[i].get() != tab) continue;
      captions.push_back(TabCaption(i));
      arranged.push_back(std::move(tabs_[i]));
    }
  }
  tabs_ = std::move(arranged);
  while (ui_.Strip.Count() > 0) ui_.Strip.RemoveTab(ui_.Strip.Count() - 1);
  int activeIndex = TabCount() - 1;
  for (int i = 0; i < TabCount(); ++i) {
    ui_.Strip.AddTab(captions[i]);
    if (tabs_[i].get() == active) activeIndex = i;
  }
  ActivateTab(activeIndex);
  UpdateStatusBar();
}

}  // namespace quiret
