// TFormBase command list (captions, shortcuts, enabling rules) and the edit and move commands,
// which forward to the active editor.
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
    return tab && !(tab->Flags & (ReadMeFile | ReadOnlyFile)) && !tab->TextNotFile &&
           tab->Hint != kNewFileHint && tab->Editor->GetModified();
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
  // The editor commands have no shortcut: the editor takes those keys itself.
  add(
      "EditUndo", "TLumoEdit", "元に戻す(&Z)", "",
      [active] { return active() && active()->Editor->GetModified(); }, [this] { EditUndoExecute(); });
  add(
      "EditRedo", "TLumoEdit", "やり直し(&R)", "",
      [active] { return active() && active()->Editor->RedoMode; }, [this] { EditRedoExecute(); });
  add(
      "EditCopy", "TLumoEdit", "コピー(&C)", "",
      [active] { return active() && active()->Editor->HasSelection(); }, [this] { EditCopyExecute(); });
  add(
      "EditCut", "TLumoEdit", "切り取り(&X)", "",
      [active] { return active() && active()->Editor->HasSelection(); }, [this] { EditCutExecute(); });
  add(
      "EditPaste", "TLumoEdit", "貼り付け(&V)", "", [this, hasTab] { return hasTab() && ui_.Clip.HasText(); },
      [this] { EditPasteExecute(); });
  add("EditSelectAll", "TLumoEdit", "すべてを選択(&A)", "", hasTab, [this] { EditSelectAllExecute(); });
  add("MoveTop", "TLumoEditMove", "テキストの先頭へ(&H)", "", hasTab, [this] { MoveTopExecute(); });
  add("MoveBottom", "TLumoEditMove", "テキストの最後へ(&E)", "", hasTab, [this] { MoveBottomExecute(); });
  // Beside the function keys, the keys every tabbed program switches tabs with.
  auto twoTabs = [this] { return TabCount() >= 2; };
  Actions.Add(
      {"MoveLeftTab", "Tab", "左のタブ(&L)", "F7", twoTabs, [this] { MoveLeftTab(); }, true, {"Ctrl+PgUp"}});
  Actions.Add({"MoveRightTab",
               "Tab",
               "右のタブ(&R)",
               "F8",
               twoTabs,
               [this] { MoveRightTab(); },
               true,
               {"Ctrl+PgDown"}});
  auto clipHasText = [this] { return ui_.Clip.HasText(); };
  add("ViewClipBoard", "Edit", "内容表示(&O)", "F9", clipHasText, [this] { ViewClipBoardExecute(); });
  add("ClearClipBoard", "Edit", "クリア(&D)", "F12", clipHasText, [this] { ClearClipBoardExecute(); });
  CreateFindActions();
  CreateGoToActions();
  CreateZoomActions();
}

// The rules have just said a tab exists, so the active editor is there.
void TFormBase::EditUndoExecute() { ActiveEditor()->Undo(); }
void TFormBase::EditRedoExecute() { ActiveEditor()->Redo(); }
void TFormBase::EditCopyExecute() { ActiveEditor()->CopyToClipboard(); }
void TFormBase::EditCutExecute() { ActiveEditor()->CutToClipboard(); }
void TFormBase::EditPasteExecute() { ActiveEditor()->PasteFromClipboard(); }
void TFormBase::EditSelectAllExecute() { ActiveEditor()->SelectAll(); }
void TFormBase::MoveTopExecute() { ActiveEditor()->MoveToTextStart(); }
void TFormBase::MoveBottomExecute() { ActiveEditor()->MoveToTextEnd(); }

}  // namespace quiret
