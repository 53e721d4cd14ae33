// TLumoEdit: the deleting keys, Delete, Backspace and their word forms.
#include <string>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

// The row's CR LF starts at col (a CR elsewhere is an ordinary byte of the row).
bool LineEndAt(std::string_view s, std::int32_t col) {
  return col >= 0 && static_cast<std::size_t>(col) + 2 == s.size() && s[s.size() - 2] == '\r' &&
         s.back() == '\n';
}

}  // namespace

void TLumoEdit::RemoveAtCaret(UndoKind kind, EditEnd then) {
  const std::string_view s = Lines->Get(CaretRow);
  EditChange c;
  c.from = RowPos{CaretCol, CaretRow};
  c.to =
      LineEndAt(s, CaretCol) ? RowPos{0, CaretRow + 1} : RowPos{CaretCol + CharLenAt(s, CaretCol), CaretRow};
  c.view = EditView::Remove;
  c.then = then;
  c.keepRemoved = true;
  c.removedAs = kind;
  Edit(c);
}

void TLumoEdit::DeleteChar() {
  if (ReadOnly) return;
  if (HasSelection()) {
    if (UndoKeepsStep(0)) DeleteSelection();
    return;
  }
  window_.HideCaret();
  const std::string_view s = Lines->Get(CaretRow);
  if (CaretCol >= static_cast<std::int32_t>(s.size()) || s[static_cast<std::size_t>(CaretCol)] == '\0') {
    window_.ShowCaret();  // before the end marker, or after a continuation row's last byte
    return;
  }
  RemoveAtCaret(ukDeleteForward, EditEnd::ReformatForward);
}

void TLumoEdit::DeleteCharBefore() {
  if (ReadOnly) return;
  if (HasSelection()) {
    if (UndoKeepsStep(0)) DeleteSelection();
    return;
  }
  if (CaretCol == 0 && CaretRow == 0) return;
  // The caret steps over the character first; that step never extends a selection, even
  // with Shift held, so the anchor stays on the caret.
  CaretLeft(false, false);
  window_.HideCaret();
  const std::string_view s = Lines->Get(CaretRow);
  const std::size_t at = static_cast<std::size_t>(CaretCol);
  if (at < s.size() && s[at] != '\0') {
    RemoveAtCaret(ukBackspace, EditEnd::Reformat);
    return;
  }
  UpdateCaret();
  KeepCaretOnCharacter();
  window_.ShowCaret();
  EndEdit(EditEnd::Reformat);
}

void TLumoEdit::DeleteWordRight() {
  if (ReadOnly) return;
  const std::string_view s = Lines->Get(CaretRow);
  const std::int32_t n = static_cast<std::int32_t>(s.size());
  // After a continuation row's last byte there is no character here; Delete does nothing there.
  if (CaretCol >= n) return;
  const char c = s[static_cast<std::size_t>(CaretCol)];
  if (c == '\0' && CaretCol + 1 < n && s[static_cast<std::size_t>(CaretCol) + 1] == '\0') return;
  if (c == '\r' || c == '\t' || c == '\0') {
    DeleteChar();
    return;
  }
  AnchorCol = CaretCol;
  AnchorRow = CaretRow;
  std::string passed;
  CaretCol = FindWordBoundary(true, passed);
  DeleteSelection();
}

void TLumoEdit::DeleteWordLeft() {
  if (ReadOnly) return;
  if (CaretCol == 0 && CaretRow == 0) return;
  const std::string_view s = Lines->Get(CaretRow);
  if (CaretCol > 0 && s[static_cast<std::size_t>(CaretCol) - 1] != '\t') {
    AnchorCol = CaretCol;
    AnchorRow = CaretRow;
    std::string passed;
    CaretCol = FindWordBoundary(false, passed);
    DeleteSelection();
    return;
  }
  DeleteCharBefore();
}

}  // namespace quiret
