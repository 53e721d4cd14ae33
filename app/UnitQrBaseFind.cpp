// TFormBase: the find and replace commands, and the status texts and questions made of the
// editor's find events.
#include <chrono>

#include "app/UnitQrBase.h"
#include "platform/Codec932.h"

namespace quiret {

namespace {
std::string Quoted(const std::string& cp932) { return "「" + Codec932::Instance().ToUtf8(cp932) + "」"; }

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
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
  ed.OnFindHit = [this](TLumoEdit* sender, const std::string& findchr, int x, int y, int, int) {
    // The logical line, as the caret's panel counts them.
    const int line = sender->ToLine(RowPos{x, y}).Line + 1;
    ui_.Status.SetPanelText(kFindPanel,
                            Quoted(findchr) + "が見つかりました（" + std::to_string(line) + "行目）");
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
    // Yes replaces, No skips this one, closing the box stops replacing. The time spent
    // answering does not count towards showing the progress.
    const YesNoAnswer answer = ui_.Boxes.AskYesNo(Quoted(changechr) + "に置換しますか？", "置換の確認");
    if (findRun_.active) findRun_.startMs = NowMs();
    switch (answer) {
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
  ed.OnFindProgress = [this](TLumoEdit*, std::int64_t done, std::int64_t total, bool& abortF) {
    FindProgress(done, total, abortF);
  };
  ed.OnFindStop = [this](TLumoEdit*, const std::string& findchr, TFindStop why, int line) {
    // Replace all changes nothing once it stops; one replacement may already be made.
    const bool all = findRun_.active && findRun_.replaceAll;
    findStopped_ = true;
    std::string text = Quoted(findchr) + (all ? "の置換を中止しました" : "の検索を中止しました");
    if (why == TFindStop::fsLimit)
      text += "（" + std::to_string(line + 1) + "行目で正規表現の照合が上限に達しました" +
              (all ? "。何も置換していません）" : "）");
    else if (all)
      text += "（何も置換していません）";
    ui_.Status.SetPanelText(kFindPanel, text);
  };
}

void TFormBase::RunFind(bool replaceAll, const std::function<void(TLumoEdit&)>& op) {
  TLumoEdit* ed = ActiveEditor();
  if (!ed || FindStr.empty()) return;
  findRun_ = FindRun{true, replaceAll, NowMs(), 0, 0, -1};
  auto end = [this] {
    if (findRun_.shown >= 0) ui_.Status.ShowProgress(-1);
    findRun_ = FindRun{};
  };
  try {
    op(*ed);
  } catch (...) {
    end();
    throw;
  }
  end();
  FindCommandDone(replaceAll);
}

void TFormBase::FindProgress(std::int64_t done, std::int64_t total, bool& abortF) {
  if (!findRun_.active) return;
  const std::int64_t now = NowMs();
  if (now - findRun_.startMs < FindProgressDelayMs) return;
  // The keyboard first: input that came meanwhile is taken (and held back) before the
  // status bar lets the window repaint.
  if (FindEscPressed && now - findRun_.polledMs >= FindPollMs) {
    findRun_.polledMs = now;
    if (FindEscPressed()) abortF = true;
  }
  // The bar moves in steps of 1%, and repaints the window now and then even when it does not.
  const int permille = total > 0 ? static_cast<int>(std::min<std::int64_t>(1000, 1000 * done / total)) : 0;
  if (findRun_.shown < 0 || permille >= findRun_.shown + 10 || now - findRun_.shownMs >= FindPollMs) {
    findRun_.shown = permille;
    findRun_.shownMs = now;
    ui_.Status.ShowProgress(permille);
  }
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
  RunFind(false, [this](TLumoEdit& ed) { ed.FindText(FindStr, FindOptions, false); });
}

void TFormBase::EditFindPrevExecute() {
  findBackward_ = true;
  RunFind(false, [this](TLumoEdit& ed) { ed.FindText(FindStr, FindOptions, true); });
}

void TFormBase::ReplaceOneExecute() {
  findBackward_ = false;
  FindHistory.AddReplacement(Codec932::Instance().ToUtf8(ChangeStr));
  if (ReplaceInSelection && ReplaceOneInSelection()) return;
  RunFind(false, [this](TLumoEdit& ed) { ed.ReplaceText(FindStr, ChangeStr, FindOptions); });
}

void TFormBase::ReplaceAllExecute() {
  findBackward_ = false;
  RunFind(true, [this](TLumoEdit& ed) {
    std::pair<LinePos, LinePos> range;
    const bool within = ReplaceInSelection && SelectionRange(ed, range);
    ed.ReplaceAll(FindStr, ChangeStr, FindOptions, ReplaceConfirm, within ? &range : nullptr);
  });
}

}  // namespace quiret
