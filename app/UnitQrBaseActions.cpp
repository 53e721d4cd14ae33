// TFormBase command list: captions, shortcuts and the enabling rule of each command.
#include "app/UnitQrBase.h"

namespace quiret {

void TFormBase::CreateActions() {
  // Rules may be asked from a nested event loop (a message box) in the middle of a command,
  // so they never assume the active index is valid.
  auto active = [this]() -> const TTabSheet* {
    const int a = ActiveIndex();
    return a >= 0 && a < TabCount() ? tabs_[a].get() : nullptr;
  };
  auto hasTab = [this] { return TabCount() > 0; };
  auto notReadMe = [active] {
    const TTabSheet* tab = active();
    return tab && !(tab->Flags & ReadMeFile);
  };
  auto canSave = [active] {
    const TTabSheet* tab = active();
    return tab && !(tab->Flags & (ReadMeFile | ReadOnlyFile)) && tab->Hint != kNewFileHint &&
           tab->Editor->GetModified();
  };
  auto add = [this](const char* name, const char* category, const char* caption, const char* shortcut,
                    std::function<bool()> update, std::function<void()> execute) {
    Actions.Add({name, category, caption, shortcut, std::move(update), std::move(execute), true});
  };
  add("FileNew", "File", "新規作成(&N)", "Ctrl+N", nullptr, [this] { FileNewExecute(); });
  add(
      "FileNewFromClip", "File", "クリップボードから作成(&B)", "Ctrl+Alt+N",
      [this] { return ui_.Clip.HasText(); }, [this] { FileNewFromClipExecute(); });
  add("FileOpen", "File", "開く(&O)", "Ctrl+O", nullptr, [this] { FileOpenExecute(); });
  add("FileSaveAs", "File", "名前をつけて保存(&W)", "Ctrl+W", notReadMe, [this] { FileSaveAsExecute(); });
  add("FileSave", "File", "上書き保存(&S)", "Ctrl+S", canSave, [this] { FileSaveExecute(); });
  add("FilePrintSetup", "File", "プリンタの設定(&U)", "", nullptr, [this] { FilePrintSetupExecute(); });
  add("FilePrint", "File", "印刷(&P)", "Ctrl+P", hasTab, [this] { FilePrintExecute(); });
  add("FileClose", "File", "閉じる(&Z)", "F4", hasTab, [this] { FileCloseExecute(); });
  add("FileExit", "File", "終了(&Q)", "Ctrl+Q", nullptr, [this] { FileExitExecute(); });
  add(
      "MoveLeftTab", "Tab", "左のタブ(&L)", "F7", [this] { return TabCount() >= 2; },
      [this] { MoveLeftTab(); });
  add(
      "MoveRightTab", "Tab", "右のタブ(&R)", "F8", [this] { return TabCount() >= 2; },
      [this] { MoveRightTab(); });
  // A menu item without an action of its own; kept in the list so menus treat it alike.
  add("ReadMeOpen", "Etc", "Read Me を開く(&R)", "", nullptr, [this] { ReadMeOpenExecute(); });
}

}  // namespace quiret
