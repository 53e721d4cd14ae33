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
    row = CaretRow;
    if (AnchorRow < CaretRow) {
      col = AnchorCol;
      row = AnchorRow;
    } else if (AnchorRow > CaretRow) {
      col = CaretCol;
    } else {
      col = std::min(CaretCol, AnchorCol);
    }
  }
  const std::int64_t size = static_cast<std::int64_t>(text.size());
  const bool fits = MakeUndoRoom(size);
  if (fits) {
    try {
      const LinePos at = WordWrap ? ToLine(RowPos{col, row}) : LinePos{col, row};
      UndoList.push_front(UndoRecord{kind, at.Offset, at.Line, std::string(text)});
      UndoBytes += static_cast<std::int32_t>(size);
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
  while (UndoBytes + size > UndoBuf && !UndoList.empty()) {
    UndoBytes -= static_cast<std::int32_t>(UndoList.back().Text.size());
    UndoList.pop_back();
    UndoOverflow = true;
  }
  return size <= UndoBuf;
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

void TLumoEdit::MoveUndoRecord(UndoKind newKind) {
  if (UndoList.empty()) return;
  UndoRecord& front = UndoList.front();
  try {
    RedoList.push_front(UndoRecord{newKind, front.Col, front.Row, front.Text, front.Kind, front.Pad});
    RedoBytes += static_cast<std::int64_t>(front.Text.size());
  } catch (const std::exception&) {
    window_.ShowMessage("Error:OC001_2");
  }
  UndoBytes -= static_cast<std::int32_t>(front.Text.size());
  UndoList.pop_front();
}

void TLumoEdit::MoveRedoRecord() {
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
    UndoBytes += static_cast<std::int32_t>(size);
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

// Puts the caret n bytes back in its line, where typing over half a double-byte character
// left it: before the blank that keeps the character's columns.
void TLumoEdit::StepCaretBack(std::int32_t n) {
  LinePos p = ToLine(RowPos{CaretCol, CaretRow});
  p.Offset = std::max(0, p.Offset - n);
  const RowPos at = ToRow(p);
  CaretCol = at.Col;
  CaretRow = at.Row;
  CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
}

void TLumoEdit::ApplyHistoryStep(bool redo) {
  std::deque<UndoRecord>& from = redo ? RedoList : UndoList;
  if (from.empty()) return;
  const UndoRecord rec = from.front();
  auto move = [&](UndoKind newKind) {
    if (redo)
      MoveRedoRecord();
    else
      MoveUndoRecord(newKind);
  };
  if (HasSelection())
    EndSelection();
  else
    DrawCaretUnderline(false);
  auto toRow = [&](std::int32_t col, std::int32_t line) {
    return WordWrap ? ToRow(LinePos{col, line}) : RowPos{col, line};
  };
  const RowPos p0 = toRow(rec.Col, rec.Row);
  switch (rec.Kind) {
    case ukInsert: {
      AnchorCol = p0.Col;
      AnchorRow = p0.Row;
      const std::int32_t firstChanged = AnchorRow;
      window_.HideCaret();
      // The inserted bytes run forward from the anchor through the rows, terminators counted.
      std::int64_t rest = static_cast<std::int64_t>(rec.Text.size());
      CaretRow = AnchorRow;
      const std::int64_t inFirst = static_cast<std::int64_t>(Lines->Get(CaretRow).size()) - AnchorCol;
      CaretCol = static_cast<std::int32_t>(AnchorCol + std::min(rest, inFirst));
      rest -= std::min(rest, inFirst);
      while (rest > 0 && CaretRow < LastRow()) {
        ++CaretRow;
        const std::int64_t len = static_cast<std::int64_t>(Lines->Get(CaretRow).size());
        CaretCol = static_cast<std::int32_t>(std::min(rest, len));
        rest -= std::min(rest, len);
      }
      if (CaretRow < LastRow() && CaretCol == static_cast<std::int32_t>(Lines->Get(CaretRow).size())) {
        CaretCol = 0;  // the end lies just after the row's terminator
        ++CaretRow;
      }
      UndoReplaying = true;
      DeleteSelection(false);
      move(ukDelete);
      // Redo takes the records of one undo step back together: the removal undone last and
      // the insertion undone first.
      const bool mayPair = !redo || rec.Origin == ukDelete || rec.Origin == ukOverwrite;
      if (mayPair && !from.empty() && from.front().Col == rec.Col && from.front().Row == rec.Row) {
        const UndoRecord mate = from.front();
        if (mate.Kind == ukDelete) {
          // The insertion replaced a selection, or followed a deletion at the same place.
          UndoReplaying = true;
          InsertAtCaret(mate.Text, false);
          if (redo && mate.Pad > 0) StepCaretBack(mate.Pad);
          move(ukInsert);
        } else if (mate.Kind == ukOverwrite) {
          UndoReplaying = true;
          const RowPos at = toRow(mate.Col, mate.Row);
          CaretCol = at.Col;
          CaretRow = at.Row;
          std::string s(Lines->Get(CaretRow));
          s.insert(std::min(s.size(), static_cast<std::size_t>(CaretCol)), mate.Text);
          Lines->Put(CaretRow, s);
          CaretX = PixelXOf(s, CaretCol) - HorzOffset;
          if (WordWrap) RewrapLines(CaretX, CaretRow, false, false, CaretRow);
          move(ukInsert);
        }
      }
      if (!ShowPosition(-1, -1, 0, true)) {
        if (UpdateVertRange(true) && UndoReplaying)
          RedrawAll();
        else if (UndoReplaying)
          RedrawRows(RedrawBand::FromRow, firstChanged);
        else
          UpdateHorzRange(true);
        UpdateCaret();
      }
      UndoReplaying = false;
      window_.ShowCaret();
      break;
    }
    case ukDelete:
    case ukBackspace:
      CaretCol = p0.Col;
      CaretRow = p0.Row;
      InsertAtCaret(rec.Text, true);
      move(ukInsert);
      break;
    case ukDeleteForward: {
      CaretCol = p0.Col;
      CaretRow = p0.Row;
      window_.HideCaret();
      std::string s(Lines->Get(CaretRow));
      const std::size_t at = std::min(s.size(), static_cast<std::size_t>(CaretCol));
      const bool split = rec.Text == "\r\n";
      if (split) {
        const std::string rest = s.substr(at);
        s.resize(at);
        s += "\r\n";
        Lines->Put(CaretRow, s);
        if (!rest.empty()) Lines->Insert(CaretRow + 1, rest);
      } else {
        s.insert(at, rec.Text);
        Lines->Put(CaretRow, s);
      }
      CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
      CaretY = (CaretRow - TopRow) * LineHeight;
      if (WordWrap) {
        RewrapLines(CaretX, CaretRow, true, split, split ? CaretRow + 1 : CaretRow);
      } else if (!ShowPosition(-1, -1, 0, true)) {
        if (UpdateVertRange(true)) {
          RedrawAll();
        } else {
          RepaintRowFrom(CaretRow, 0);
          if (split) RedrawRows(RedrawBand::BelowCaret);
        }
        UpdateHorzRange(true);
        UpdateCaret();
      }
      move(ukInsert);
      window_.ShowCaret();
      break;
    }
    case ukReplaceAll: {
      // Replacements made together are taken back together; the record then holds what
      // reverses them again, for the other list.
      std::string inverse = ApplyReplaceRecord(rec);
      UndoRecord& front = from.front();
      const std::int64_t delta =
          static_cast<std::int64_t>(inverse.size()) - static_cast<std::int64_t>(front.Text.size());
      if (redo)
        RedoBytes += delta;
      else
        UndoBytes += static_cast<std::int32_t>(delta);
      front.Text = std::move(inverse);
      move(ukReplaceAll);
      break;
    }
    case ukOverwrite:
    default:
      // Alone at the front, its insertion was never recorded: drop it so undo goes on, and
      // keep the text counted as modified. (Redo records are only insertions and removals.)
      if (redo) {
        RedoBytes -= static_cast<std::int64_t>(rec.Text.size());
      } else {
        UndoBytes -= static_cast<std::int32_t>(rec.Text.size());
        UndoOverflow = true;
      }
      from.pop_front();
      break;
  }
  KeepCaretOnCharacter();
  SetModified(!UndoList.empty() || UndoOverflow);
  FireChange();
}

}  // namespace quiret
