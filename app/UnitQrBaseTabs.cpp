// TFormBase document tabs: creating and closing tabs, the status bar, tab mouse rules.
#include "app/UnitQrBase.h"
#include "app/WordSelect.h"
#include "platform/Files.h"

namespace quiret {

std::string TFormBase::TabCaption(int index) { return ui_.Strip.Caption(index); }

void TFormBase::SetTabCaption(int index, const std::string& caption) { ui_.Strip.SetCaption(index, caption); }

int TFormBase::ActiveIndex() {
  if (tabs_.empty()) return -1;
  return ui_.Strip.ActiveIndex();
}

TLumoEdit* TFormBase::ActiveEditor() {
  const int a = ActiveIndex();
  return a >= 0 && a < TabCount() ? tabs_[a]->Editor.get() : nullptr;
}

void TFormBase::ActivateTab(int index) {
  ui_.Strip.SetActiveIndex(index);
  ui_.Pages.ShowPage(index >= 0 ? tabs_[index]->Page.get() : nullptr);
}

void TFormBase::FocusActiveEditor() {
  if (TLumoEdit* ed = ActiveEditor()) ed->Window().SetFocus();
}

void TFormBase::ApplyEditorLook(TLumoEdit& ed) {
  ed.ColorPrintF = true;
  ed.SetShowCR(true);
  ed.SetShowEOF(true);
  ed.SetShowDblSpace(true);
  ed.UlineF = false;
  ed.SetColor(BGColor);
  ed.SetCREOFcolor(MKColor);
  ed.SetSelColor(SLColor);
  ed.SetURLColor(LinkColor);
  ed.SetInyoColor(FontColor);
  ed.Inyostr.clear();
  ed.SetUlineColor(FontColor);
  TFont font = ed.GetFont();
  font.Name = FontName;
  font.SetSize(FontSize);
  font.Color = FontColor;
  ed.SetFont(font);
}

void TFormBase::ApplyKeepingColumn(TLumoEdit& ed) {
  ed.ApplySettings();
  // NoWrapColumns is known only once the window has measured the font, which happens in
  // ApplySettings; the column is set again so it holds the measured value.
  if (ed.Column != ed.NoWrapColumns) ed.SetColumn(ed.NoWrapColumns);
}

void TFormBase::ConfigureEditor(TLumoEdit& ed) {
  // The order matters: Column reads NoWrapColumns, which follows the font just set.
  ApplyEditorLook(ed);
  ed.SetVertScrollBar(true);
  ed.SetHorzScrollBar(!Checked("MmScroll"));
  ed.ScrollStep = 2;
  ed.SetColumn(ed.NoWrapColumns);
  ed.AutoWrap = true;
  ed.SetWordWrap(Checked("MmScroll"));
  ed.WantTabs = true;
  ed.SetTabCount(4);
}

void TFormBase::NewTab() {
  const int n = ++UntitledCount;
  auto tab = std::make_unique<TTabSheet>();
  tab->Name = "TabSheet" + std::to_string(n);
  tab->EditorName = "SEdit" + std::to_string(n);
  tab->Page = ui_.Pages.CreatePage();
  tab->Editor = std::make_unique<TLumoEdit>(*tab->Page, &ui_.Clip);
  tab->Page->SetClient(tab->Editor.get());
  ConfigureEditor(*tab->Editor);
  ApplyKeepingColumn(*tab->Editor);
  tab->Editor->SetModified(false);
  // The modified mark follows the active document's history as it is edited and undone.
  tab->Editor->OnChangeModify = [this](TLumoEdit* sender, bool) {
    if (sender == ActiveEditor()) UpdateStatusBar();
  };
  // Followed so that undone steps can be redone; the redo command reads RedoMode when idle.
  tab->Editor->OnChangeRedoMode = [](TLumoEdit*, bool) {};
  HookFindEvents(*tab->Editor);
  HookUndoEvents(*tab);
  InstallDoubleClickWord(*tab->Editor);
  tab->Editor->SetHitMarks(hitMarksOn_ ? FindStr : std::string(), FindOptions);
  const std::string caption = "(Untitled" + std::to_string(n) + ")";
  AttachJournal(*tab, caption);
  HookCaretStatus(*tab->Editor);  // after the journal: it hears the edits the journal hears
  HookHitCount(*tab->Editor);
  tabs_.push_back(std::move(tab));
  const int index = ui_.Strip.AddTab(caption);
  ActivateTab(index);
}

void TFormBase::DestroyTab(int index) {
  docStatus_.Forget(tabs_[index].get());
  ForgetFindEditor(tabs_[index]->Editor.get());
  tabs_[index]->Journal->Discard();  // saved, or dropped on purpose
  ui_.Strip.RemoveTab(index);
  tabs_.erase(tabs_.begin() + index);  // the editor first, then its page
}

void TFormBase::ChooseActiveAfterClose(int index, int previousActive) {
  const int count = TabCount();
  if (count == 0) {
    ActivateTab(-1);
    return;
  }
  int next;
  if (previousActive > index)
    next = previousActive - 1;
  else if (previousActive < index)
    next = previousActive;
  else
    next = index < count ? index : count - 1;  // the right neighbour, or the new last tab
  if (next < 0 || next >= count) next = count - 1;
  ActivateTab(next);
}

void TFormBase::ShowNoFile() {
  ui_.Status.SetPanelText(0, "ファイル数：0");
  ui_.Status.SetPanelText(1, "");
  ui_.Status.SetPanelText(3, "No File");
  ui_.Status.SetPanelText(kNoticePanel, "");
  ui_.Status.SetPanelText(kFormatPanel, "");
  docStatus_.SetDocument(nullptr);
  ShowCaretPlace();
  NoteSession();
}

void TFormBase::CloseTab(int index, int previousActive) {
  if (index < 0 || index >= TabCount()) return;
  ActivateTab(index);
  TTabSheet& tab = *tabs_[index];
  if (Checked("MmCloseAsk") && tab.Editor->GetModified() && !(tab.Flags & ReadMeFile)) {
    const std::string text = TabCaption(index) + " は変更されています。\r\n 閉じる前に保存しますか？";
    for (;;) {
      const YesNoAnswer answer = ui_.Boxes.AskYesNo(text, "Quiret");
      if (answer == YesNoAnswer::Closed) return;
      if (answer == YesNoAnswer::No) break;
      Actions.Execute("FileSaveAs");
      if (!tab.Editor->GetModified()) break;  // saved; a cancelled or refused save asks again
    }
  }
  DestroyTab(index);
  ChooseActiveAfterClose(index, previousActive);
  if (TabCount() > 0) {
    UpdateStatusBar();
    FocusActiveEditor();
    CheckOutsideChange(ActiveIndex());
  } else {
    ShowNoFile();
  }
}

void TFormBase::UpdateStatusBar() {
  ui_.Status.SetPanelText(0, "ファイル数：" + std::to_string(TabCount()));
  const int a = ActiveIndex();
  if (a < 0) return;
  const TTabSheet& tab = *tabs_[a];
  std::string state;
  if (tab.Hint == kNewFileHint)
    state = "新規未保存";
  else if (tab.Flags & ReadMeFile)
    state = "保存不可";
  else if ((tab.Flags & ReadOnlyFile) || tab.TextNotFile)
    state = "読み取り専用";
  ui_.Status.SetPanelText(1, state);
  ui_.Status.SetPanelText(2, tab.Editor->GetModified() ? "更新" : "");
  ui_.Status.SetPanelText(3, tab.Hint);
  ui_.Status.SetPanelText(kNoticePanel, tab.EncodingNote);
  ui_.Status.SetPanelText(kFormatPanel, FormatStatusText(tab.Format));
  docStatus_.SetDocument(&tab);
  ShowCaretPlace();
  NoteSession();  // every open, close, activation and new name passes here
}

void TFormBase::MoveLeftTab() {
  const int a = ActiveIndex();
  ActivateTab(a <= 0 ? TabCount() - 1 : a - 1);
  UpdateStatusBar();
  CheckOutsideChange(ActiveIndex());
}

void TFormBase::MoveRightTab() {
  const int a = ActiveIndex();
  ActivateTab(a >= TabCount() - 1 ? 0 : a + 1);
  UpdateStatusBar();
  CheckOutsideChange(ActiveIndex());
}

void TFormBase::TabCloseClick(int tab) {
  const int a = ActiveIndex();
  if (tab >= 0 && tab < TabCount() && (tab == a || !Checked("MmCloseOpt")))
    CloseTab(tab, a);
  else
    FocusActiveEditor();
}

void TFormBase::TabOtherPress(int tab) {
  if (tab >= 0 && tab == ActiveIndex()) FocusActiveEditor();
}

void TFormBase::TabRightRelease(int tab, const TPoint& screen) {
  if (tab >= 0 && tab == ActiveIndex()) ui_.Strip.ShowTabMenu(screen);
}

void TFormBase::TabChanged() {
  const int a = ui_.Strip.ActiveIndex();
  ui_.Pages.ShowPage(a >= 0 && a < TabCount() ? tabs_[a]->Page.get() : nullptr);
  UpdateStatusBar();
  FocusActiveEditor();
  CheckOutsideChange(a);
}

}  // namespace quiret
