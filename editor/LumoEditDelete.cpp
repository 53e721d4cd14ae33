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

// Removes the character at the caret of row s, or its CR LF (joining the next line on),
// recording it as `kind`, and brings the view up to date. The caret does not move.
void TLumoEdit::RemoveAtCaret(UndoKind kind, std::string s) {
  const std::size_t at = static_cast<std::size_t>(CaretCol);
  if (LineEndAt(s, CaretCol)) {
    AddUndo(kind, "\r\n", -1, -1);
    s.erase(at, 2);
    if (WordWrap) {
      Lines->Put(CaretRow, s);  // now a continuation row: the re-wrap joins the next line to it
      RewrapLines(CaretX, CaretRow, true, true, CaretRow);
    } else {
      s.append(Lines->Get(CaretRow + 1));
      Lines->Put(CaretRow, s);
      Lines->Delete(CaretRow + 1);
      if (UpdateVertRange(true))
        RedrawAll();
      else
        RedrawRows(RedrawBand::FromCaret);
    }
    return;
  }
  const int len = CharLenAt(s, CaretCol);
  AddUndo(kind, std::string_view(s).substr(at, static_cast<std::size_t>(len)), -1, -1);
  s.erase(at, static_cast<std::size_t>(len));
  Lines->Put(CaretRow, s);
  if (WordWrap) {
    RewrapLines(CaretX, CaretRow, true, false, CaretRow);
  } else if (UpdateVertRange(true)) {
    RedrawAll();
  } else {
    RepaintRowFrom(CaretRow, CaretX);
    DrawCaretUnderline(true);
  }
}

void TLumoEdit::DeleteChar() {
  if (ReadOnly) return;
  if (HasSelection()) {
    DeleteSelection(true);
    FireChange();
    return;
  }
  window_.HideCaret();
  std::string s(Lines->Get(CaretRow));
  if (CaretCol >= static_cast<std::int32_t>(s.size()) || s[static_cast<std::size_t>(CaretCol)] == '\0') {
    window_.ShowCaret();  // before the end marker, or after a continuation row's last byte
    return;
  }
  RemoveAtCaret(ukDeleteForward, std::move(s));
  if (!WordWrap) UpdateHorzRange(true);
  UpdateCaret();
  KeepCaretOnCharacter();
  window_.ShowCaret();
  if (HostReformat && OnAseikei) OnAseikei(this, true);
  FireChange();
}

void TLumoEdit::DeleteCharBefore() {
  if (ReadOnly) return;
  if (HasSelection()) {
    DeleteSelection(true);
    FireChange();
    return;
  }
  if (CaretCol == 0 && CaretRow == 0) return;
  // The caret steps over the character first; that step never extends a selection, even
  // with Shift held, so the anchor stays on the caret.
  noExtend_ = true;
  CaretLeft(false);
  noExtend_ = false;
  window_.HideCaret();
  const std::string_view s = Lines->Get(CaretRow);
  const std::size_t at = static_cast<std::size_t>(CaretCol);
  if (at < s.size() && s[at] != '\0') {
    RemoveAtCaret(ukBackspace, std::string(s));
    if (!WordWrap) UpdateHorzRange(true);
  }
  UpdateCaret();
  KeepCaretOnCharacter();
  window_.ShowCaret();
  if (HostReformat && OnAseikei) OnAseikei(this, false);
  FireChange();
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
  DeleteSelection(true);
  FireChange();
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
    DeleteSelection(true);
    FireChange();
    return;
  }
  DeleteCharBefore();
}

}  // namespace quiret
