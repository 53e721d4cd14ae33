// TFormBase: the find and replace commands, and the status texts and questions made of the
// editor's find events.
#include "app/UnitQrBase.h"
#include "platform/Codec932.h"

namespace quiret {

namespace {
std::string Quoted(const std::string& cp932) { return "「" + Codec932::Instance().ToUtf8(cp932) + "」"; }
}  // namespace

void TFormBase::CreateFindActions() {
  auto hasTab = [this] { return TabCount() > 0; };
  auto canFindAgain = [this] { return TabCount() > 0 && !FindStr.empty(); };
  auto add = [this](const char* name, const char* caption, const char* shortcut, std::function<bool()> update,
                    std::function<void()> execute) {
    Actions.Add({name, "Search", caption, shortcut, std::move(update), std::move(execute), true});
  };
  add("EditFind", "検索(&F)...", "Ctrl+F", hasTab, [this] { EditFindExecute(); });
  add("EditFindNext", "次を検索(&N)", "F3", canFindAgain, [this] { EditFindNextExecute(); });
  add("EditFindPrev", "前を検索(&P)", "Shift+F3", canFindAgain, [this] { EditFindPrevExecute(); });
  add("EditReplace", "置換(&H)...", "Ctrl+R", hasTab, [this] { EditReplaceExecute(); });
}

void TFormBase::HookFindEvents(TLumoEdit& ed) {
  ed.OnFindHit = [this](TLumoEdit*, const std::string& findchr, int, int y, int, int) {
    ui_.Status.SetPanelText(kFindPanel,
                            Quoted(findchr) + "が見つかりました（" + std::to_string(y + 1) + "行目）");
  };
  ed.OnFindNoHit = [this](TLumoEdit* sender, const std::string& findchr) {
    if (!sender->FindError.empty()) {
      ui_.Status.SetPanelText(kFindPanel, "正規表現の誤り：" + sender->FindError);
      return;
    }
    ui_.Status.SetPanelText(kFindPanel, Quoted(findchr) + "は見つかりません（次は" +
                                            (findBackward_ ? "末尾" : "先頭") + "から検索します）");
  };
  ed.OnFindChange = [this](TLumoEdit*, const std::string&, const std::string& changechr, int, int, int, int,
                           bool& changeF, bool&, bool& abortF) {
    if (!ReplaceConfirm) return;
    // Yes replaces, No skips this one, closing the box stops replacing.
    switch (ui_.Boxes.AskYesNo(Quoted(changechr) + "に置換しますか？", "置換の確認")) {
      case YesNoAnswer::Yes:
        break;
      case YesNoAnswer::No:
        changeF = false;
        break;
      default:
        abortF = true;
        break;
    }
  };
  ed.OnFindChangeEnd = [this](TLumoEdit*, const std::string&, const std::string&, int count) {
    ui_.Status.SetPanelText(kFindPanel, std::to_string(count) + "件置換しました");
  };
}

bool TFormBase::SetFindTexts(const std::string& find, const std::string& change) {
  const Codec932& codec = Codec932::Instance();
  // A character the code page lacks would become '?' and find something else.
  std::string f = codec.FromUtf8(find, '\0'), c = codec.FromUtf8(change, '\0');
  if (f.find('\0') != std::string::npos || c.find('\0') != std::string::npos) {
    ui_.Status.SetPanelText(kFindPanel, "Shift-JISで表せない文字は検索、置換できません");
    return false;
  }
  FindStr = std::move(f);
  ChangeStr = std::move(c);
  return true;
}

void TFormBase::EditFindExecute() {
  if (ShowFindBar) ShowFindBar(false);
}

void TFormBase::EditReplaceExecute() {
  if (ShowFindBar) ShowFindBar(true);
}

void TFormBase::EditFindNextExecute() {
  findBackward_ = false;
  if (TLumoEdit* ed = ActiveEditor(); ed && !FindStr.empty()) ed->FindText(FindStr, FindOptions, false);
}

void TFormBase::EditFindPrevExecute() {
  findBackward_ = true;
  if (TLumoEdit* ed = ActiveEditor(); ed && !FindStr.empty()) ed->FindText(FindStr, FindOptions, true);
}

void TFormBase::ReplaceOneExecute() {
  findBackward_ = false;
  if (TLumoEdit* ed = ActiveEditor(); ed && !FindStr.empty())
    ed->ReplaceText(FindStr, ChangeStr, FindOptions);
}

void TFormBase::ReplaceAllExecute() {
  findBackward_ = false;
  if (TLumoEdit* ed = ActiveEditor(); ed && !FindStr.empty())
    ed->ReplaceAll(FindStr, ChangeStr, FindOptions, ReplaceConfirm);
}

}  // namespace quiret
