// TLumoEdit: the edit door. Every change of the text, whatever command makes it (typing,
// the input method, Enter, Tab, the deleting keys, the clipboard, a drop, find and replace,
// undo and redo) comes through Edit or EditPieces: they refuse a read-only control, keep the
// change in the history, change the rows (LumoEditRows.cpp), re-wrap them, bring the view up
// to date the way the command draws, keep the caret on a character, and EndEdit closes the
// command's step with OnChange.
#include <algorithm>
#include <string>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

bool HoldsCrLf(std::string_view text) { return text.find("\r\n") != std::string_view::npos; }

}  // namespace

// ---- Caret helpers ----

void TLumoEdit::CaretPastLineEndToNextRow() {
  const std::string_view s = Lines->Get(CaretRow);
  if (CaretRow < LastRow() && HasLineEnd(s) && CaretCol > static_cast<std::int32_t>(s.size()) - 2) {
    CaretCol = 0;
    ++CaretRow;
    CaretX = -HorzOffset;
  }
}

bool TLumoEdit::KeepCaretOnCharacter() {
  const std::string_view s = Lines->Get(CaretRow);
  std::int32_t col = std::min(CaretCol, static_cast<std::int32_t>(s.size()));
  if (col > 0 && col < static_cast<std::int32_t>(s.size())) {
    const char b = s[static_cast<std::size_t>(col)];
    if (ByteKindAt(s, col + 1) == 2 || (b == '\n' && s[static_cast<std::size_t>(col) - 1] == '\r') ||
        (b == '\0' && s[static_cast<std::size_t>(col) - 1] == '\0'))
      --col;
  }
  if (col == CaretCol) return false;
  CaretCol = col;
  CaretX = PixelXOf(s, col) - HorzOffset;
  if (!SelActive && !AllSelected) {
    AnchorCol = SelEndCol = PaintedSelCol = GoalCol = col;
    AnchorRow = SelEndRow = PaintedSelRow = CaretRow;
  }
  UpdateCaret();
  return true;
}

void TLumoEdit::ShowCaretAt(LinePos at) {
  if (HasSelection()) EndSelection();
  const std::int32_t lines = Lines->LfRowsBefore(Lines->Count()) + 1;
  at.Line = std::clamp(at.Line, 0, lines - 1);
  const RowPos first = ToRow(LinePos{0, at.Line});
  std::int32_t length = 0;  // the line's bytes before its line end
  for (std::int32_t r = first.Row; r <= LastRow(); ++r) {
    const std::string_view s = Lines->Get(r);
    length += static_cast<std::int32_t>(StripLineEnd(s).size());
    if (HasLineEnd(s) || r == LastRow()) break;
  }
  at.Offset = std::clamp(at.Offset, 0, length);
  const RowPos p = ToRow(at);
  ShowPosition(p.Col, p.Row, ScrollKind::Follow, true);
  KeepCaretOnCharacter();
}

void TLumoEdit::RepaintRowFrom(std::int32_t row, int x) {
  if (!WindowCreated || row < TopRow || row >= TopRow + VisibleRows) return;
  DrawRow(std::max(0, x), (row - TopRow) * LineHeight, Lines->Get(row));
  DrawUrls(row, row, nullptr);
}

std::string TLumoEdit::TextBetween(RowPos from, RowPos to) const {
  auto part = [&](std::int32_t row, std::int32_t a, std::int32_t b) {
    const std::string_view s = Lines->Get(row);
    const std::size_t f = std::min(s.size(), static_cast<std::size_t>(std::max(a, 0)));
    const std::size_t t = std::min(s.size(), static_cast<std::size_t>(std::max(b, 0)));
    return f < t ? s.substr(f, t - f) : std::string_view();
  };
  if (from.Row == to.Row) return std::string(part(from.Row, from.Col, to.Col));
  std::string text(part(from.Row, from.Col, static_cast<std::int32_t>(Lines->Get(from.Row).size())));
  for (std::int32_t r = from.Row + 1; r < to.Row; ++r) text.append(Lines->Get(r));
  text.append(part(to.Row, 0, to.Col));
  return text;
}

// ---- The door ----

TLumoEdit::StepScope::~StepScope() {
  if (--ed_.stepDepth_ > 0 || !ed_.stepChanged_) return;
  ed_.stepChanged_ = false;
  if (ed_.OnStepEnd) ed_.OnStepEnd(&ed_);
}

bool TLumoEdit::Edit(const EditChange& change) {
  if (ReadOnly) return false;
  EditChange c = change;
  if (!KeepsPendingWrap(c.from, c.to)) {
    // The change reaches rows of a long line that are not cut yet: they are cut first.
    // Rows before the seam stay as they are; positions past it go through the text.
    const std::int32_t seam = PendingRow();
    const LinePos from = ToLine(c.from), to = ToLine(c.to);
    FinishPendingWrap();
    if (c.from.Row >= seam) c.from = ToRow(from);
    if (c.to.Row >= seam) c.to = ToRow(to);
  }
  const StepScope step(*this);
  stepChanged_ = stepChanged_ || c.from != c.to || !c.text.empty();
  std::string removed;
  if (c.from != c.to && (c.keepRemoved || OnTextChange)) removed = TextBetween(c.from, c.to);
  switch (c.view) {
    case EditView::Insert:
    case EditView::InsertQuiet:
      ViewInsert(c, removed);
      break;
    case EditView::Delete:
    case EditView::DeleteQuiet:
    case EditView::UndoneInsert:
      ViewDelete(c, removed);
      break;
    case EditView::Remove:
      ViewRemove(c, removed);
      break;
    case EditView::Type:
      ViewType(c, removed);
      break;
    case EditView::Restore:
    case EditView::RestoreQuiet:
      ViewRestore(c, removed);
      break;
  }
  EndEdit(c.then, c.endRow, c.endRedraw);
  return true;
}

void TLumoEdit::EndEdit(EditEnd then, std::int32_t endRow, bool endRedraw) {
  switch (then) {
    case EditEnd::More:
      return;
    case EditEnd::Change:
      break;
    case EditEnd::Reformat:
    case EditEnd::ReformatForward:
      if (HostReformat && OnAseikei) OnAseikei(this, then == EditEnd::ReformatForward);
      break;
    case EditEnd::NewLine: {
      window_.HideCaret();
      const bool rangeChanged = UpdateVertRange(true);
      if (VisibleRows < CaretRow - TopRow + VertScrollMargin) {
        CaretFollowsScroll = false;  // the caret has moved already
        VertScroll(SB_LINEDOWN, 0);
      }
      if (!KeepCaretInView(true)) {
        if (rangeChanged)
          RedrawAll();
        else
          RedrawRows(RedrawBand::FromAboveCaret);
        UpdateCaret();
      }
      window_.ShowCaret();
      break;
    }
    case EditEnd::Drop:
      GoalCol = AnchorCol = SelEndCol = PaintedSelCol = CaretCol;
      AnchorRow = SelEndRow = PaintedSelRow = CaretRow;
      UpdateVertRange(true);
      RedrawAll();
      UpdateCaret();
      break;
    case EditEnd::UndoneInsertion:
      if (!KeepCaretInView(true)) {
        const bool rangeChanged = UpdateVertRange(true);
        if (rangeChanged && endRedraw)
          RedrawAll();
        else if (endRedraw)
          RedrawRows(RedrawBand::FromRow, endRow);
        else
          UpdateHorzRange(true);
        UpdateCaret();
      }
      window_.ShowCaret();
      [[fallthrough]];
    case EditEnd::Undone:
      KeepCaretOnCharacter();
      SetModified(!UndoList.empty() || UndoOverflow);
      break;
  }
  FireChange();
}

void TLumoEdit::KeepInHistory(const EditChange& c, std::string_view removed) {
  if (c.keepRemoved) AddUndo(c.removedAs, removed, c.from.Col, c.from.Row);
  // Redo puts the caret back before the padding blank, where typing leaves it.
  if (c.keepInserted && AddUndo(ukInsert, c.text, c.from.Col, c.from.Row) && c.pad > 0 && !UndoList.empty())
    UndoList.front().Pad = c.pad;
}

bool TLumoEdit::DeleteSelection(EditView view, EditEnd then) {
  if (ReadOnly) return false;
  if (AllSelected) {
    AnchorCol = AnchorRow = 0;
    CaretRow = LastRow();
    CaretCol = static_cast<std::int32_t>(Lines->Get(CaretRow).size()) - 2;
  }
  SelActive = AllSelected = false;
  EditChange c;
  c.from = RowPos{AnchorCol, AnchorRow};
  c.to = RowPos{CaretCol, CaretRow};
  if (c.to < c.from) std::swap(c.from, c.to);
  c.view = view;
  c.then = then;
  c.keepRemoved = true;
  return Edit(c);
}

bool TLumoEdit::InsertAtCaret(std::string_view text, EditView view, EditEnd then, bool keep) {
  EditChange c;
  c.from = c.to = RowPos{CaretCol, CaretRow};
  c.text = text;
  c.view = view;
  c.then = then;
  c.keepInserted = keep;
  return Edit(c);
}

// ---- How the view follows each kind of change ----

void TLumoEdit::ViewInsert(const EditChange& c, std::string_view removed) {
  KeepInHistory(c, removed);
  if (c.text.empty()) return;
  const bool redraw = c.view == EditView::Insert;
  const std::int32_t r0 = c.from.Row;
  const int insertX = PixelXOf(Lines->Get(r0), c.from.Col) - HorzOffset;
  window_.HideCaret();
  DrawCaretUnderline(false);
  const RowPos end = ReplaceRange(c.from, c.to, c.text, removed);
  const bool multi = HoldsCrLf(c.text);
  CaretRow = end.Row;
  CaretCol = end.Col - c.pad;
  if (multi) CaretPastLineEndToNextRow();
  CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
  CaretY = (CaretRow - TopRow) * LineHeight;
  if (WordWrap) {
    RewrapLines(insertX, r0, redraw, multi, CaretRow, true);
  } else if (redraw) {
    if (!KeepCaretInView(true)) {
      if (UpdateVertRange(true)) {
        RedrawAll();
      } else {
        RepaintRowFrom(r0, insertX);
        if (multi)
          RedrawRows(RedrawBand::FromRow, r0 + 1);
        else
          DrawCaretUnderline(true);
      }
    }
    if (!multi) UpdateHorzRange(true);
    UpdateCaret();
  }
  KeepCaretOnCharacter();
  window_.ShowCaret();
}

void TLumoEdit::ViewDelete(const EditChange& c, std::string_view removed) {
  KeepInHistory(c, removed);
  window_.HideCaret();
  DrawCaretUnderline(false);
  const bool sameRow = c.from.Row == c.to.Row;
  const bool heldLineEnd = !sameRow || HoldsCrLf(TextBetween(c.from, c.to));
  const RowPos start = c.from;
  ReplaceRange(c.from, c.to, {}, removed);
  CaretCol = AnchorCol = SelEndCol = PaintedSelCol = GoalCol = start.Col;
  CaretRow = AnchorRow = SelEndRow = PaintedSelRow = start.Row;
  CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
  CaretY = (CaretRow - TopRow) * LineHeight;
  const bool redraw = c.view == EditView::Delete;
  // An insertion taken back by undo draws its row at once when it lay within one row.
  const bool undone = c.view == EditView::UndoneInsert;
  if (WordWrap) {
    RewrapLines(CaretX, start.Row, redraw || (sameRow && undone), heldLineEnd, start.Row, true);
  } else if (sameRow) {
    if (undone) RepaintRowFrom(start.Row, 0);
    if (redraw) {
      if (!KeepCaretInView(true)) {
        if (UpdateVertRange(true)) {
          RedrawAll();
        } else {
          RepaintRowFrom(start.Row, 0);
          DrawCaretUnderline(true);
        }
      }
      UpdateHorzRange(true);
      UpdateCaret();
    }
  } else if (redraw) {
    if (!KeepCaretInView(true)) {
      if (UpdateVertRange(true)) {
        RedrawAll();
      } else {
        RepaintRowFrom(start.Row, 0);
        RedrawRows(RedrawBand::BelowCaret);
      }
    }
    UpdateCaret();
  }
  KeepCaretOnCharacter();
  window_.ShowCaret();
}

void TLumoEdit::ViewRemove(const EditChange& c, std::string_view removed) {
  // The caller has hidden the caret; the caret does not move.
  KeepInHistory(c, removed);
  const bool lineEnd = c.to.Row != c.from.Row;
  ReplaceRange(c.from, c.to, {}, removed);
  if (WordWrap) {
    RewrapLines(CaretX, CaretRow, true, lineEnd, CaretRow, true);
  } else if (UpdateVertRange(true)) {
    RedrawAll();
  } else if (lineEnd) {
    RedrawRows(RedrawBand::FromCaret);
  } else {
    RepaintRowFrom(CaretRow, CaretX);
    DrawCaretUnderline(true);
  }
  if (!WordWrap) UpdateHorzRange(true);
  UpdateCaret();
  KeepCaretOnCharacter();
  window_.ShowCaret();
}

void TLumoEdit::ViewType(const EditChange& c, std::string_view removed) {
  KeepInHistory(c, removed);
  window_.HideCaret();
  CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
  const int insertX = CaretX;
  const std::int32_t firstRow = CaretRow;
  const RowPos end = ReplaceRange(c.from, c.to, c.text, removed);
  const bool multi = HoldsCrLf(c.text);
  CaretRow = end.Row;
  CaretCol = end.Col - c.pad;
  if (multi) CaretPastLineEndToNextRow();
  if (WordWrap && !HostReformat) {
    // Every row the text made is wrapped, not only the caret's.
    RewrapLines(insertX, firstRow, true, multi, CaretRow, true);
  } else if (UpdateVertRange(true)) {
    RedrawAll();
  } else {
    while (CaretX < 0) {
      HorzScroll(SB_LINELEFT, 0);
      if (HScrollDone == 0) break;
    }
    RepaintRowFrom(CaretRow, multi ? 0 : CaretX);
    DrawCaretUnderline(true);
  }
  if (multi) RedrawRows(RedrawBand::FromRow, firstRow, -1);
  CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
  if (!WordWrap) UpdateHorzRange(true);
  if (HostReformat && OnAseikei) OnAseikei(this, false);
  while (TextAreaWidth - CaretX < 0) {
    HorzScroll(SB_LINERIGHT, 0);
    if (HScrollDone == 0) break;
  }
  // Lines typed in at the bottom of the view bring the caret into view.
  if (multi && (CaretRow < TopRow || CaretRow >= TopRow + VisibleRows)) KeepCaretInView(true);
  GoalCol = AnchorCol = SelEndCol = PaintedSelCol = CaretCol;
  AnchorRow = SelEndRow = PaintedSelRow = CaretRow;
  UpdateCaret();
  KeepCaretOnCharacter();
  window_.ShowCaret();
}

void TLumoEdit::ViewRestore(const EditChange& c, std::string_view removed) {
  KeepInHistory(c, removed);
  const bool loud = c.view == EditView::Restore;
  CaretCol = c.from.Col;
  CaretRow = c.from.Row;
  if (loud) window_.HideCaret();
  ReplaceRange(c.from, c.to, c.text, removed);
  CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
  if (!loud) {
    if (WordWrap) RewrapLines(CaretX, CaretRow, false, false, CaretRow, true);
    return;
  }
  const bool split = HoldsCrLf(c.text);
  CaretY = (CaretRow - TopRow) * LineHeight;
  if (WordWrap) {
    RewrapLines(CaretX, CaretRow, true, split, split ? CaretRow + 1 : CaretRow, true);
  } else if (!KeepCaretInView(true)) {
    if (UpdateVertRange(true)) {
      RedrawAll();
    } else {
      RepaintRowFrom(CaretRow, 0);
      if (split) RedrawRows(RedrawBand::BelowCaret);
    }
    UpdateHorzRange(true);
    UpdateCaret();
  }
  window_.ShowCaret();
}

// ---- Many replacements at once ----

bool TLumoEdit::EditPieces(std::string_view record, const std::string* inverse, EditEnd then) {
  if (ReadOnly) return false;
  FinishPendingWrap();
  if (inverse) AddUndo(ukReplaceAll, *inverse, 0, 0);
  const StepScope step(*this);
  if (!record.empty()) {
    stepChanged_ = true;
    window_.HideCaret();
    DrawCaretUnderline(false);
    SelActive = AllSelected = false;
    const LinePos caretAfter = ReplacePiecesInRows(record);
    const RowPos c = WordWrap ? ToRow(caretAfter) : RowPos{caretAfter.Offset, caretAfter.Line};
    CaretCol = AnchorCol = SelEndCol = PaintedSelCol = GoalCol = c.Col;
    CaretRow = AnchorRow = SelEndRow = PaintedSelRow = c.Row;
    CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
    // A replacement ending in a lead byte pairs it with the byte after it.
    KeepCaretOnCharacter();
    TopRow = std::min(TopRow, LastRow());
    if (!ShowPosition(CaretCol, CaretRow, ScrollKind::Follow, true)) {
      UpdateVertRange(true);
      UpdateHorzRange(true);
      RedrawAll();
      UpdateCaret();
    }
    window_.ShowCaret();
  }
  EndEdit(then);
  return true;
}

}  // namespace quiret
