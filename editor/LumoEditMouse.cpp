// TLumoEdit: the pointer: placing the caret, selecting by dragging (with auto-scroll beyond
// the text area), selecting whole rows in the margin, and moving or copying the selected
// text by dragging it (our own pointer capture: the text never leaves this control).
#include <algorithm>
#include <string>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

void TLumoEdit::ShowDragCursor(bool copy) {
  const int want = copy ? 2 : 1;
  if (DragCursor == want && Cursor != CursorKind::IBeam) return;
  DragCursor = want;
  Cursor = copy ? CursorKind::DragCopy : CursorKind::DragMove;
  window_.SetCursor(Cursor);
}

void TLumoEdit::EndPointerCapture() {
  // The timer goes on for the idle cutting of a long line when that has work left.
  pointerTimerOn_ = idleTimerOn_ = false;
  window_.StopTimer();
  window_.SetCapture(false);
  RequestIdleWrap();
}

void TLumoEdit::PlaceCaretAtPoint(std::int32_t x, std::int32_t y) {
  PaintedSelCol = CaretCol;
  PaintedSelRow = CaretRow;
  std::int32_t row = TopRow + (LineHeight > 0 ? std::max(0, y - TopMargin) / LineHeight : 0);
  row = std::min(row, TopRow + VisibleRows - 1);
  row = std::max(0, std::min(row, LastRow()));
  CaretRow = row;
  CaretCol = ColumnFromX(Lines->Get(row), x - TextLeft + HorzOffset);  // CaretX is unscrolled here
  GoalCol = CaretCol;
  const std::int32_t step = std::max(1, TextAreaWidth / 3);  // a tiny text area still ends the loops
  while (CaretX - HorzOffset > TextAreaWidth) HorzOffset += step;
  while (CaretX - HorzOffset < 0) HorzOffset = std::max(0, HorzOffset - step);
  CaretX -= HorzOffset;
}

void TLumoEdit::ButtonDown(int button, int shift, int x, int y) {
  const std::int32_t oldOffset = HorzOffset;
  if (button == MB_RIGHT) {
    window_.PopupMenu(x, y);  // the caret and the selection stay
    return;
  }
  if (button != MB_LEFT) return;
  window_.SetFocus();
  window_.HideCaret();
  DrawCaretUnderline(false);
  PlaceCaretAtPoint(x, y);
  MouseSelecting = true;
  MarginRow = -1;
  window_.SetCapture(true);
  window_.StartTimer(AutoScrollTimerInterval);
  pointerTimerOn_ = true;
  idleTimerOn_ = false;
  std::int32_t sc = 0, sr = 0, ec = 0, er = 0;
  const bool selected = GetSelBounds(sc, sr, ec, er) && !AllSelected && !(sc == ec && sr == er);
  const RowPos at{CaretCol, CaretRow};
  const bool inside = selected && RowPos{sc, sr} <= at && at <= RowPos{ec, er};
  if (shift & SS_SHIFT) {
    SelActive = true;
    ExtendSelectionTo(CaretCol, CaretRow);
  } else if (x < TextLeft - 4 && HorzOffset == 0) {
    // The whole row with its line break: from its start to the start of the next row (the
    // end of the text on the last row), never to a column after its CR LF.
    EndSelection();
    const std::int32_t r = CaretRow;
    const std::string_view s = Lines->Get(r);
    if (r < LastRow() || !StripLineEnd(s).empty()) {
      AnchorCol = r < LastRow() ? 0 : static_cast<std::int32_t>(StripLineEnd(s).size());
      AnchorRow = r < LastRow() ? r + 1 : r;
      PaintedSelCol = AnchorCol;
      PaintedSelRow = AnchorRow;
      SelActive = true;
      MarginRow = r;
      ExtendSelectionTo(CaretCol, CaretRow);
    }
  } else if (inside) {
    if (ReadOnly) {
      EndSelection();
    } else {
      // The drag starts at once; the caret marks the drop point from now on.
      TextDragging = true;
      DragStartCol = PaintedSelCol;
      DragStartRow = PaintedSelRow;
      ShowDragCursor(window_.IsCtrlDown());
    }
  } else {
    EndSelection();
  }
  if (HorzOffset != oldOffset) RedrawAll();
  UpdateCaret();
  window_.ShowCaret();
}

void TLumoEdit::TrackPointer(std::int32_t x, std::int32_t y) {
  AutoScrollDir = 0;
  if (!MouseSelecting) return;
  window_.HideCaret();
  const std::int32_t bottom = TopMargin + VisibleRows * LineHeight;
  if (y > bottom) {
    AutoScrollDir = 1;
  } else if (y <= TopMargin) {
    AutoScrollDir = -1;
  } else if (x > TextLeft + TextAreaWidth) {
    AutoScrollDir = 2;
  } else if (x <= TextLeft && HorzOffset > 0) {
    AutoScrollDir = -2;
  } else {
    const std::int32_t oldOffset = HorzOffset;
    PlaceCaretAtPoint(x, y);
    if (MarginRow >= 0 && x < TextLeft && CaretRow >= MarginRow && !TextDragging) {
      // Dragging down the margin takes the pointed row whole too: the selection ends at the
      // start of the row after it (at the end of the text on the last row).
      if (CaretRow < LastRow()) {
        ++CaretRow;
        CaretCol = 0;
      } else {
        CaretCol = static_cast<std::int32_t>(StripLineEnd(Lines->Get(CaretRow)).size());
      }
      CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
      GoalCol = CaretCol;
    }
    if (CaretCol != PaintedSelCol || CaretRow != PaintedSelRow) {
      if (!TextDragging) {
        PaintedSelCol = SelEndCol;
        PaintedSelRow = SelEndRow;
        if (MarginRow >= 0) {
          // Rows selected in the margin stay whole: the clicked row's start is the anchor
          // when dragging down, its end (the next row's start) when dragging up.
          const bool last = MarginRow >= LastRow();
          const bool down = CaretRow > MarginRow || (CaretRow == MarginRow && CaretCol > 0);
          AnchorRow = down || last ? MarginRow : MarginRow + 1;
          AnchorCol =
              down || !last ? 0 : static_cast<std::int32_t>(StripLineEnd(Lines->Get(MarginRow)).size());
        } else if (x < TextLeft && AnchorRow < CaretRow) {
          AnchorCol = 0;
        }
        SelActive = true;
        ExtendSelectionTo(CaretCol, CaretRow);
      }
      UpdateCaret();
    }
    if (HorzOffset != oldOffset) {
      RedrawAll();
      UpdateCaret();
    }
  }
  window_.ShowCaret();
}

void TLumoEdit::AutoScrollTick() {
  switch (AutoScrollDir) {
    case -1:
      CaretUpDown(-1);
      break;
    case 1:
      CaretUpDown(1);
      break;
    case 2:
      if (CaretCol < static_cast<std::int32_t>(StripLineEnd(Lines->Get(CaretRow)).size())) CaretRight(false);
      break;
    case -2:
      if (CaretCol > 0) CaretLeft(false);
      break;
    default:
      break;
  }
}

void TLumoEdit::FinishTextDrag() {
  MouseSelecting = TextDragging = false;
  AutoScrollDir = 0;
  ScrollRepeat = 0;
  std::int32_t sc = 0, sr = 0, ec = 0, er = 0;
  GetSelBounds(sc, sr, ec, er);
  const RowPos drop{CaretCol, CaretRow};
  if (RowPos{sc, sr} <= drop && drop <= RowPos{ec, er}) {
    EndSelection();
  } else {
    const bool copy = window_.IsCtrlDown();
    // A copy inserts the selection's bytes; a move removes them as well.
    if (!UndoKeepsStep(copy ? 0 : SelectionBytes())) {
      EndSelection();
      return;
    }
    CaretCol = DragStartCol;
    CaretRow = DragStartRow;
    CopyToClipboard();
    // The dropped bytes are the selection's own, not the clipboard's conversion of them:
    // bytes code page 932 does not define travel unchanged.
    const std::string text = GetSelText();
    const StepScope step(*this);
    window_.HideCaret();
    // Positions are taken in the text, not in rows: the deletion re-wraps the rows.
    RowPos a{AnchorCol, AnchorRow}, b{SelEndCol, SelEndRow};
    if (b < a) std::swap(a, b);
    const LinePos s = ToLine(a), e = ToLine(b);
    LinePos d = ToLine(drop);
    if (copy) {
      EndSelection();
    } else {
      DeleteSelection(EditView::DeleteQuiet, EditEnd::More);
      // The drop point moves with the text the deletion took away before it.
      if (d.Line > e.Line) {
        d.Line -= e.Line - s.Line;
      } else if (d.Line == e.Line && d.Offset >= e.Offset) {
        d.Offset = d.Offset - e.Offset + s.Offset;
        d.Line = s.Line;
      }
    }
    const RowPos at = ToRow(d);
    CaretCol = at.Col;
    CaretRow = at.Row;
    // An empty selection drops nothing, but the view is drawn all the same.
    InsertAtCaret(text, EditView::InsertQuiet, EditEnd::Drop);
    window_.ShowCaret();
  }
  DragCursor = 1;
  Cursor = CursorKind::IBeam;
  window_.SetCursor(Cursor);
}

// ---- Window notifications ----

void TLumoEdit::WmMouseDown(int button, int shift, int x, int y) {
  if (DblClickPending) {  // the second press of a double click
    DblClickPending = false;
    return;
  }
  ButtonDown(button, shift, x, y);
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TLumoEdit::WmMouseMove(int shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
  TrackPointer(x, y);
}

void TLumoEdit::WmMouseUp(int button, int shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
  if (button != MB_LEFT) return;
  if (TextDragging) {
    FinishTextDrag();
  } else if (MouseSelecting) {
    MouseSelecting = false;
    ScrollRepeat = 0;
  }
  AutoScrollDir = 0;
  MarginRow = -1;
  EndPointerCapture();
  DrawCaretUnderline(true);
}

void TLumoEdit::WmDoubleClick(int, int, int, int) {
  if (OnDblClick) OnDblClick(this);
  DblClickPending = true;
}

void TLumoEdit::WmTimer() {
  // One timer serves the pointer's auto-scroll and the idle cutting of a long line.
  IdleWrapTick();
  if (pointerTimerOn_) {
    AutoScrollTick();
  } else if (idleTimerOn_ && !WrapPending()) {
    idleTimerOn_ = false;
    window_.StopTimer();
  } else if (!idleTimerOn_) {
    AutoScrollTick();
  }
}

}  // namespace quiret
