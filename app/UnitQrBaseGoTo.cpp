// TFormBase: the caret's line and column and the overwrite mode in the status bar, and the
// go-to-line command.
#include <algorithm>

#include "app/UnitQrBase.h"

namespace quiret {

void TFormBase::CreateGoToActions() {
  Actions.Add({"EditGoToLine", "TLumoEditMove", "指定行へ移動(&J)...", "Ctrl+G",
               [this] { return TabCount() > 0; }, [this] { EditGoToLineExecute(); }, true});
}

void TFormBase::HookCaretStatus(TLumoEdit& ed) {
  // Only the active editor's caret is shown; the others report nothing while hidden.
  auto follow = [this](TLumoEdit* sender) {
    if (sender == ActiveEditor()) ShowCaretPlace();
  };
  ed.OnSelectionChange = follow;
  ed.OnChange = follow;  // an edit may move the line under a caret that stays in its row
  ed.OnChangeInsMode = [follow](TLumoEdit* sender, bool) { follow(sender); };
  // The meter hears each edit, so that it keeps what it measured up to the edit's place;
  // whoever listened before (the recovery journal) still hears it first.
  ed.OnTextChange = [this, before = std::move(ed.OnTextChange)](
                        TLumoEdit* sender, LinePos at, std::string_view removed, std::string_view inserted) {
    if (before) before(sender, at, removed, inserted);
    caretMeter_.Changed(*sender->Lines, at.Line, at.Offset, removed, inserted);
  };
}

void TFormBase::ShowCaretPlace() {
  TLumoEdit* ed = ActiveEditor();
  if (!ed) {
    ui_.Status.SetPanelText(kCaretPanel, "");
    ui_.Status.SetPanelText(kOverwritePanel, "");
    return;
  }
  const TCaretPlace at = caretMeter_.Measure(*ed->Lines, ed->CaretRow, ed->CaretCol, ed->TabCount);
  ui_.Status.SetPanelText(kCaretPanel, std::to_string(at.Line) + " 行、" + std::to_string(at.Column) + " 桁");
  ui_.Status.SetPanelText(kOverwritePanel, ed->InsertMode ? "" : "上書き");
  ShowHitCount();  // which hit is selected
}

void TFormBase::EditGoToLineExecute() {
  TLumoEdit* ed = ActiveEditor();
  const int lines = ed->Lines->LfRowsBefore(ed->Lines->Count()) + 1;
  int line = static_cast<int>(caretMeter_.Measure(*ed->Lines, ed->CaretRow, ed->CaretCol, ed->TabCount).Line);
  if (!ui_.Dialogs.AskLineNumber(line, lines)) {
    FocusActiveEditor();
    return;
  }
  GoToLine(line);
}

void TFormBase::GoToLine(std::int64_t line) {
  TLumoEdit* ed = ActiveEditor();
  if (!ed) return;
  // The last line is the one after the last line break, where the end mark stands.
  const std::int64_t lines = ed->Lines->LfRowsBefore(ed->Lines->Count()) + 1;
  const LinePos target{0, static_cast<std::int32_t>(std::clamp<std::int64_t>(line, 1, lines) - 1)};
  if (ed->HasSelection()) ed->EndSelection();
  const RowPos at = ed->ToRow(target);
  ed->ShowPosition(at.Col, at.Row, ScrollKind::Follow, true);
  FocusActiveEditor();
}

}  // namespace quiret
