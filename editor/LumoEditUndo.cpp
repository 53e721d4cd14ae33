// TLumoEdit: the undo history within its byte budget, undoing, and the redo list that
// collects what was undone and can do it again.
#include <algorithm>
#include <exception>
#include <string>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

bool TLumoEdit::AddUndo(UndoKind kind, std::string_view text, std::int32_t col, std::int32_t row) {
  if (text.empty()) return true;
  SetModified(true);
  if (col == -1) {  // the start of the selection, or the caret when there is none
    const RowPos start = std::min(RowPos{AnchorCol, AnchorRow}, RowPos{CaretCol, CaretRow});
    col = start.Col;
    row = start.Row;
  }
  const std::int64_t size = static_cast<std::int64_t>(text.size());
  const bool fits = MakeUndoRoom(size);
  if (fits) {
    try {
      const LinePos at = WordWrap ? ToLine(RowPos{col, row}) : LinePos{col, row};
      UndoList.push_front(UndoRecord{kind, at, std::string(text)});
      UndoBytes += size;
    } catch (const std::exception&) {
      UndoOverflow = true;  // the history no longer reaches the saved state
      window_.ShowMessage("Error:OC001");
    }
  } else {
    UndoOverflow = true;
  }
  if (RedoMode && OnChangeRedoMode) {
    ClearRedoList();
    RedoMode = false;
    OnChangeRedoMode(this, false);
  }
  return fits;
}

bool TLumoEdit::MakeUndoRoom(std::int64_t size) {
  // Oldest first; a change that does not fit at all makes every older record useless.
  bool trimmed = false;
  while (UndoBytes + size > UndoBuf && !UndoList.empty()) {
    UndoBytes -= static_cast<std::int64_t>(UndoList.back().Text.size());
    UndoList.pop_back();
    UndoOverflow = trimmed = true;
  }
  const bool fits = size <= UndoBuf;
  // Losing the whole history to a change that does not fit was agreed to beforehand.
  if (trimmed && fits && OnUndoTrim) OnUndoTrim(this);
  return fits;
}

std::int64_t TLumoEdit::SelectionBytes() const {
  RowPos a, b;
  // An empty selection at a row start ends, for GetSelBounds, at the end of the row before.
  if (!GetSelBounds(a.Col, a.Row, b.Col, b.Row) || b < a) return 0;
  return Lines->BytesInRows(a.Row, b.Row) + b.Col - a.Col;
}

bool TLumoEdit::UndoKeepsStep(std::int64_t inserted) { return UndoHasRoom(SelectionBytes() + inserted); }

bool TLumoEdit::UndoHasRoom(std::int64_t bytes) {
  if (bytes <= UndoBuf || !OnUndoWontFit) return true;
  bool proceed = true;
  OnUndoWontFit(this, bytes, proceed);
  return proceed;
}

void TLumoEdit::Undo() {
  if (ReadOnly || UndoList.empty()) return;
  ApplyUndo();
  if (!RedoMode && OnChangeRedoMode) {
    RedoMode = true;
    OnChangeRedoMode(this, true);
  }
}

void TLumoEdit::Redo() {
  if (ReadOnly || !RedoMode || RedoList.empty()) return;
  ApplyRedo();
  if (RedoList.empty() && OnChangeRedoMode) {
    RedoMode = false;
    OnChangeRedoMode(this, false);
  }
}

void TLumoEdit::ApplyUndo() { ApplyHistoryStep(false); }

void TLumoEdit::ApplyRedo() { ApplyHistoryStep(true); }

void TLumoEdit::MoveHistoryRecord(bool redo, UndoKind newKind) {
  if (!redo) {
    // An undone record goes to the redo list as the change that does it again.
    if (UndoList.empty()) return;
    UndoRecord& front = UndoList.front();
    try {
      RedoList.push_front(UndoRecord{newKind, front.At, front.Text, front.Kind, front.Pad});
      RedoBytes += static_cast<std::int64_t>(front.Text.size());
    } catch (const std::exception&) {
      window_.ShowMessage("Error:OC001_2");
    }
    UndoBytes -= static_cast<std::int64_t>(front.Text.size());
    UndoList.pop_front();
    return;
  }
  // A redone record goes back to the undo list as it was.
  if (RedoList.empty()) return;
  UndoRecord rec = std::move(RedoList.front());
  RedoList.pop_front();
  const std::int64_t size = static_cast<std::int64_t>(rec.Text.size());
  RedoBytes -= size;
  rec.Kind = rec.Origin;
  if (!MakeUndoRoom(size)) {
    UndoOverflow = true;
    return;
  }
  try {
    UndoList.push_front(std::move(rec));
    UndoBytes += size;
  } catch (const std::exception&) {
    UndoOverflow = true;
    window_.ShowMessage("Error:OC001");
  }
}

void TLumoEdit::ClearUndoList() {
  UndoList.clear();
  UndoBytes = 0;
}

void TLumoEdit::ClearRedoList() {
  RedoList.clear();
  RedoBytes = 0;
}

RowPos TLumoEdit::HistoryPos(const UndoRecord& rec) const {
  return WordWrap ? ToRow(rec.At) : RowPos{rec.At.Offset, rec.At.Line};
}

void TLumoEdit::UndoInsertion(const UndoRecord& rec, bool redo) {
  std::deque<UndoRecord>& from = redo ? RedoList : UndoList;
  const RowPos start = HistoryPos(rec);
  window_.HideCaret();
  // The inserted bytes run forward from the start through the rows, terminators counted.
  RowPos end = start;
  std::int64_t rest = static_cast<std::int64_t>(rec.Text.size());
  const std::int64_t inFirst = static_cast<std::int64_t>(Lines->Get(end.Row).size()) - start.Col;
  end.Col = static_cast<std::int32_t>(start.Col + std::min(rest, inFirst));
  rest -= std::min(rest, inFirst);
  while (rest > 0 && end.Row < LastRow()) {
    ++end.Row;
    const std::int64_t len = static_cast<std::int64_t>(Lines->Get(end.Row).size());
    end.Col = static_cast<std::int32_t>(std::min(rest, len));
    rest -= std::min(rest, len);
  }
  if (end.Row < LastRow() && end.Col == static_cast<std::int32_t>(Lines->Get(end.Row).size())) {
    end.Col = 0;  // the end lies just after the row's terminator
    ++end.Row;
  }
  MoveHistoryRecord(redo, ukDelete);
  // A record at the same place below it belongs to the same step: the selection the
  // insertion replaced, or the bytes it typed over. Redo takes the records of one undo step
  // back together: the removal undone last and the insertion undone first.
  const bool mayPair = !redo || rec.Origin == ukDelete || rec.Origin == ukOverwrite;
  UndoRecord mate;
  const bool paired = mayPair && !from.empty() && from.front().At == rec.At &&
                      (from.front().Kind == ukDelete || from.front().Kind == ukOverwrite);
  if (paired) {
    mate = from.front();
    MoveHistoryRecord(redo, ukInsert);
  }
  // The removal erases the caret-row underline where the caret now stands: at the end.
  AnchorCol = start.Col;
  AnchorRow = start.Row;
  CaretCol = end.Col;
  CaretRow = end.Row;
  EditChange removal;
  removal.from = start;
  removal.to = end;
  removal.view = EditView::UndoneInsert;
  removal.then = EditEnd::More;
  Edit(removal);
  if (paired && mate.Kind == ukDelete) {
    EditChange back;
    back.from = back.to = RowPos{CaretCol, CaretRow};
    back.text = mate.Text;
    back.view = EditView::InsertQuiet;
    back.then = EditEnd::More;
    if (redo) back.pad = mate.Pad;
    Edit(back);
  } else if (paired) {
    EditChange back;
    back.from = back.to = HistoryPos(mate);
    back.text = mate.Text;
    back.view = EditView::RestoreQuiet;
    back.then = EditEnd::More;
    Edit(back);
  }
  // The rows drawn at once unless the removal lay within one row and nothing came back.
  EndEdit(EditEnd::UndoneInsertion, start.Row, start.Row != end.Row || paired);
}

void TLumoEdit::ApplyHistoryStep(bool redo) {
  std::deque<UndoRecord>& from = redo ? RedoList : UndoList;
  if (from.empty()) return;
  const StepScope step(*this);
  const UndoRecord rec = from.front();
  if (HasSelection())
    EndSelection();
  else
    DrawCaretUnderline(false);
  switch (rec.Kind) {
    case ukInsert:
      UndoInsertion(rec, redo);
      break;
    case ukDelete:
    case ukBackspace: {
      const RowPos at = HistoryPos(rec);
      CaretCol = at.Col;
      CaretRow = at.Row;
      MoveHistoryRecord(redo, ukInsert);
      InsertAtCaret(rec.Text, EditView::Insert, EditEnd::Undone, false);
      break;
    }
    case ukDeleteForward: {
      EditChange back;
      back.from = back.to = HistoryPos(rec);
      back.text = rec.Text;
      back.view = EditView::Restore;
      back.then = EditEnd::Undone;
      MoveHistoryRecord(redo, ukInsert);
      Edit(back);
      break;
    }
    case ukReplaceAll: {
      // Replacements made together are taken back together; the record then holds what
      // reverses them again, for the other list.
      std::string inverse = InverseReplaceRecord(rec.Text);
      UndoRecord& front = from.front();
      const std::int64_t delta =
          static_cast<std::int64_t>(inverse.size()) - static_cast<std::int64_t>(front.Text.size());
      if (redo)
        RedoBytes += delta;
      else
        UndoBytes += delta;
      front.Text = std::move(inverse);
      MoveHistoryRecord(redo, ukReplaceAll);
      EditPieces(rec.Text, nullptr, EditEnd::Undone);
      break;
    }
    case ukOverwrite:
    default:
      // Alone at the front, its insertion was never recorded: drop it so undo goes on, and
      // keep the text counted as modified. (Redo records are only insertions and removals.)
      if (redo) {
        RedoBytes -= static_cast<std::int64_t>(rec.Text.size());
      } else {
        UndoBytes -= static_cast<std::int64_t>(rec.Text.size());
        UndoOverflow = true;
      }
      from.pop_front();
      EndEdit(EditEnd::Undone);
      break;
  }
}

}  // namespace quiret
