// TLumoEdit: the rule that scrolls a position into view, the scroll ranges, and the vertical
// and horizontal scroll messages and the wheel that drive the view (and carry the caret).
#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

#include "editor/IntDiv.h"
#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

// ---- Scrolling a position into view ----

bool TLumoEdit::ShowPosition(std::int32_t col, std::int32_t row, ScrollKind kind, bool resetAnchor) {
  try {
    const std::int32_t oldRow = CaretRow;
    bool moved = false;
    std::int32_t x;
    if (col < 0) {
      x = CaretX;
      row = CaretRow;
    } else {
      // A place below the seam of a long line left partly uncut: cut as far as it first.
      RowPos at{col, row};
      SettlePosition(at);
      col = at.Col;
      row = std::max(0, std::min(Lines->Count() - 1, at.Row));
      std::string_view text = Lines->Get(row);
      const std::int32_t textLen = static_cast<std::int32_t>(StripLineEnd(text).size());
      col = std::min(col, textLen);
      CaretRow = row;
      CaretCol = col;
      CaretX = PixelXOf(text, col) - HorzOffset;
      x = CaretX;
      moved = true;
    }
    bool scrolled = false;
    if (ScrollToShow(x, row, kind)) {
      const bool caret = window_.HasFocus();
      if (caret) window_.HideCaret();
      UpdateVertRange(true);
      UpdateHorzRange(true);
      RedrawAll();
      UpdateCaret();
      if (caret) window_.ShowCaret();
      scrolled = true;
    } else if (moved) {
      UpdateCaret();
      if (CaretRow != oldRow) MoveCaretUnderline(oldRow, CaretRow);
    }
    if (resetAnchor) {
      AnchorCol = SelEndCol = PaintedSelCol = CaretCol;
      AnchorRow = SelEndRow = PaintedSelRow = CaretRow;
    }
    GoalCol = CaretCol;
    return scrolled;
  } catch (const std::exception&) {
    window_.ShowMessage("Error:OC004_2");
    return false;
  }
}

bool TLumoEdit::ScrollToShow(std::int32_t x, std::int32_t row, ScrollKind kind) {
  int stage = 1;
  try {
    const std::int32_t oldOffset = HorzOffset;
    const std::int32_t oldTop = TopRow;
    const std::int32_t target = TextAreaWidth - TextAreaWidth / 5;
    if (x > TextAreaWidth - 3) {
      stage = 2;
      // In a text area a few pixels wide the target can lie right of x: never scroll past 0.
      const std::int32_t absolute = x + HorzOffset;
      HorzOffset = std::max(0, HorzOffset + x - target);
      CaretX = absolute - HorzOffset;
    } else if (x < 3) {
      stage = 3;
      const std::int32_t absolute = x + HorzOffset;
      HorzOffset = std::max(0, HorzOffset + x - target);
      CaretX = absolute - HorzOffset;
    }
    stage = 4;
    switch (kind) {
      case ScrollKind::Follow:
        if (row < TopRow) {
          TopRow = std::max(0, row - VisibleRows / 5);
          if (Lines->Count() < VisibleRows - VertScrollMargin) TopRow = 0;
        } else if (row >= TopRow + VisibleRows) {
          TopRow = std::max(0, row - (VisibleRows - VisibleRows / 5));
        }
        break;
      case ScrollKind::Centre:
        TopRow = std::max(0, row - VisibleRows / 2);
        break;
      case ScrollKind::UpperFifth:
        TopRow = std::max(0, row - VisibleRows + static_cast<std::int32_t>(std::trunc(0.8 * VisibleRows)));
        break;
      case ScrollKind::None:
        break;
    }
    return HorzOffset != oldOffset || TopRow != oldTop;
  } catch (const std::exception&) {
    window_.ShowMessage("Error:OC004_3_" + std::to_string(stage));
    return false;
  }
}

// ---- Scroll ranges ----

bool TLumoEdit::UpdateVertRange(bool redraw) {
  const std::int32_t count = Lines->Count();
  MaxTopRow = std::max(0, count + VertScrollMargin - VisibleRows - 1);
  // Rows removed under a view too low to follow its caret never leave the top row past the text.
  TopRow = std::min(TopRow, std::max(0, count - 1));
  bool changed = false;
  if (ShowLineNumber) {
    const int need = TextWidth(std::to_string(count)) + LeftMargin + 7;
    const std::int32_t old = TextLeft;
    while (TextLeft < need) TextLeft += 10;
    while (need < TextLeft - 1.5 * DigitWidth && need > BaseTextLeft) TextLeft -= 10;
    const int width = window_.Width();
    const int height = window_.Height();
    TextAreaRect = TRect{TextLeft, TopMargin, width, height};
    RowsRect = TRect{0, TopMargin, width, height};
    TextAreaWidth = width - TextLeft - VScrollBarSpace;
    GutterWidth = TextLeft - LeftMargin;
    changed = TextLeft != old;
  }
  if (VertScrollBar) {
    window_.EnableScrollArrows(ScrollBarKind::Vert, VisibleRows < count + VertScrollMargin);
    VertScrollUnit = std::max(1, CeilDiv(MaxTopRow, 32767));
    const std::int32_t rangeMax = CeilDiv(MaxTopRow, VertScrollUnit);
    window_.SetScrollRange(ScrollBarKind::Vert, 0, rangeMax, false);
    window_.SetScrollPos(ScrollBarKind::Vert, ThumbPos(ScrollBarKind::Vert), redraw);
    if (rangeMax == 0) window_.ShowScrollBar(ScrollBarKind::Vert, true);
  }
  return changed;
}

void TLumoEdit::UpdateHorzRange(bool redraw) {
  const std::int32_t last = std::min(Lines->Count() - 1, TopRow + VisibleRows - 1);
  MaxRowWidth = 0;
  for (std::int32_t r = TopRow; r <= last; ++r) MaxRowWidth = std::max(MaxRowWidth, TextWidth(Lines->Get(r)));
  if (HorzScrollBar) {
    window_.EnableScrollArrows(ScrollBarKind::Horz, TextAreaWidth < MaxRowWidth + HorzJump);
    HorzScrollUnit = std::max(1, CeilDiv(MaxRowWidth, 32767));
    window_.SetScrollRange(ScrollBarKind::Horz, 0,
                           std::max(1, CeilDiv(MaxRowWidth, HorzScrollUnit) - HorzJump), redraw);
  }
}

// ---- Scroll messages ----

std::int32_t TLumoEdit::VertScroll(int code, int pos, bool extend) {
  const std::int32_t page = LineHeight > 0 ? TextAreaHeight / LineHeight : 0;
  std::int32_t requested = 0;
  switch (code) {
    case SB_LINEUP:
      requested = ScrollRepeat <= -5 ? -ScrollStep : -1;
      break;
    case SB_LINEDOWN:
      requested = ScrollRepeat >= 5 ? ScrollStep : 1;
      break;
    case SB_PAGEUP:
      requested = std::min(-1, -page);
      break;
    case SB_PAGEDOWN:
      requested = std::max(1, page);
      break;
    case SB_THUMBTRACK:
      requested = static_cast<std::int16_t>(pos) * VertScrollUnit - TopRow;
      break;
    case SB_TOP:
      requested = -TopRow;
      break;
    case SB_BOTTOM:
      requested = MaxTopRow - TopRow;
      break;
    default:
      break;
  }
  if (WrapPending()) {
    // The view only ever shows rows that are cut.
    const std::int32_t count = Lines->Count();
    if (code == SB_BOTTOM) {
      FinishPendingWrap();
    } else {
      SettleRowsThrough(TopRow + std::max(0, requested) + VisibleRows);
    }
    if (Lines->Count() != count && UpdateVertRange(true)) RedrawAll();
    if (code == SB_BOTTOM) requested = MaxTopRow - TopRow;
  }
  VScrollRequest = requested;
  // A view left below MaxTopRow by a deletion never moves up for a downward request.
  VScrollDone =
      requested < 0 ? std::max(-TopRow, requested) : std::max(0, std::min(requested, MaxTopRow - TopRow));
  InVScroll = true;
  if (VScrollDone != 0) {
    DrawCaretUnderline(false);
    TopRow += VScrollDone;
    window_.HideCaret();
    // The rows are drawn again by the paint request this leads to.
    window_.Canvas().Invalidate(RowsRect);
    if (CaretFollowsScroll) MoveRows(VScrollRequest, extend);
    window_.ShowCaret();
    if (VertScrollBar) window_.SetScrollPos(ScrollBarKind::Vert, ThumbPos(ScrollBarKind::Vert), true);
  }
  InVScroll = false;
  CaretFollowsScroll = true;
  return VScrollDone;
}

void TLumoEdit::HorzScroll(int code, int pos) {
  std::int32_t requested = 0;
  switch (code) {
    case SB_LINELEFT:
      requested = -HorzJump;
      break;
    case SB_LINERIGHT:
      requested = HorzJump;
      break;
    case SB_PAGELEFT:
      requested = std::min(-1, -(TextAreaWidth / 3));
      break;
    case SB_PAGERIGHT:
      requested = std::max(1, TextAreaWidth / 3);
      break;
    case SB_THUMBTRACK:
      requested = static_cast<std::int16_t>(pos) * HorzScrollUnit - HorzOffset;
      break;
    default:
      break;
  }
  std::int32_t done;
  if (requested < 0) {
    done = std::max(-HorzOffset, requested);
  } else if (TextAreaWidth >= MaxRowWidth + HorzJump) {
    done = 0;  // everything already fits
  } else {
    done = std::max(0, std::min(requested, MaxRowWidth - HorzOffset - HorzJump));
  }
  HScrollDone = done;
  if (done == 0) return;
  HorzOffset += done;
  if (HorzScrollBar) window_.SetScrollPos(ScrollBarKind::Horz, ThumbPos(ScrollBarKind::Horz), true);
  Surface& canvas = window_.Canvas();
  canvas.ScrollPixels(TextAreaRect, -done, 0);
  // The strip the pixels left behind is drawn by the next paint.
  const TRect& a = TextAreaRect;
  if (done > 0)
    canvas.Invalidate(TRect{std::max(a.left, a.right - done), a.top, a.right, a.bottom});
  else
    canvas.Invalidate(TRect{a.left, a.top, std::min(a.right, a.left - done), a.bottom});
  CaretX -= done;
  if (OnUserDraw) {
    canvas.FillRect(TRect{0, 0, window_.Width(), TopMargin}, Color);
    FireUserDraw();
  }
  UpdateCaret();
}

// A scroll bar drag or the wheel with Shift held (as the window reports it when the message
// comes) extends the selection the caret carries.
void TLumoEdit::WmVScroll(int code, int pos) { VertScroll(code, pos, window_.IsShiftDown()); }

void TLumoEdit::WmHScroll(int code, int pos) { HorzScroll(code, pos); }

void TLumoEdit::WmMouseWheel(int delta, int) {
  // Whole notches only; each scrolls two rows and takes the caret along.
  const int notches = std::abs(delta / 120);
  const int code = delta >= 120 ? SB_LINEUP : SB_LINEDOWN;
  const bool extend = window_.IsShiftDown();
  for (int i = 0; i < notches; ++i) {
    VertScroll(code, 0, extend);
    VertScroll(code, 0, extend);
  }
}

}  // namespace quiret
