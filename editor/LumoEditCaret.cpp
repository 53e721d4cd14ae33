// TLumoEdit: caret motions (characters, words, rows, pages, text ends) and the selection
// that each motion extends or ends.
#include <algorithm>
#include <string>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

// Length of the character that ends at `col` (1 or 2), by the same pairing as CharLenAt.
int CharLenBefore(std::string_view s, std::int32_t col) { return ByteKindAt(s, col) == 2 ? 2 : 1; }

}  // namespace

// ---- Selection ----

void TLumoEdit::NotifySelectionChange() {
  if (!OnSelectionChange) return;
  OnSelectionChange(this);
  NotifiedCol = CaretCol;
  NotifiedRow = CaretRow;
  NotifiedX = CaretX;
}

void TLumoEdit::PaintSpan(RowPos from, RowPos to, bool selected) {
  if (!WindowCreated || !(from < to)) return;
  const std::int32_t lastVisible = std::min(LastRow(), TopRow + VisibleRows - 1);
  for (std::int32_t r = std::max(from.Row, TopRow); r <= std::min(to.Row, lastVisible); ++r) {
    const std::int32_t a = r == from.Row ? from.Col : 0;
    const std::int32_t b = r == to.Row ? to.Col : static_cast<std::int32_t>(Lines->Get(r).size());
    DrawRowSegment(r, a, b, selected);
  }
}

void TLumoEdit::UpdateSelection(bool extend) {
  const bool keyOrMouse = extend || MouseSelecting;
  if (!keyOrMouse && InVScroll && AllSelected && !InKeyDown) return;  // select-all survives scrolling
  if (!keyOrMouse) {
    EndSelection();
    return;
  }
  if (TextDragging) {
    PaintedSelCol = SelEndCol;
    PaintedSelRow = SelEndRow;
    ExtendSelectionTo(SelEndCol, SelEndRow);
    return;
  }
  DrawCaretUnderline(false);
  SelActive = true;
  ExtendSelectionTo(CaretCol, CaretRow);
}

void TLumoEdit::EndSelection() {
  window_.HideCaret();
  if (AllSelected) {
    AllSelected = false;
    SelActive = false;
    if (WindowCreated) {
      const std::int32_t last = std::min(LastRow(), TopRow + VisibleRows - 1);
      for (std::int32_t r = std::max(TopRow, 0); r <= last; ++r)
        DrawRowSegment(r, 0, static_cast<std::int32_t>(Lines->Get(r).size()), false);
    }
    NotifySelectionChange();
  } else if (SelActive) {
    SelActive = false;
    RowPos a{AnchorCol, AnchorRow}, e{SelEndCol, SelEndRow};
    if (e < a) std::swap(a, e);
    PaintSpan(a, e, false);
    NotifySelectionChange();
  }
  window_.ShowCaret();
  AnchorCol = PaintedSelCol = SelEndCol = CaretCol;
  AnchorRow = PaintedSelRow = SelEndRow = CaretRow;
  DrawCaretUnderline(true);
  ClearHighlight();
}

void TLumoEdit::ExtendSelectionTo(std::int32_t col, std::int32_t row) {
  const RowPos anchor{AnchorCol, AnchorRow}, painted{PaintedSelCol, PaintedSelRow}, target{col, row};
  // Between the old and the new end, what lies between anchor and new end is selected and
  // the rest is not; the anchor splits the span when the selection flips over it.
  RowPos lo = painted, hi = target;
  if (hi < lo) std::swap(lo, hi);
  auto selectedPart = [&](RowPos a, RowPos b) {
    const bool inside = anchor < target ? anchor <= a && b <= target : target <= a && b <= anchor;
    PaintSpan(a, b, inside);
  };
  if (lo < anchor && anchor < hi) {
    selectedPart(lo, anchor);
    selectedPart(anchor, hi);
  } else {
    selectedPart(lo, hi);
  }
  PaintedSelCol = SelEndCol = col;
  PaintedSelRow = SelEndRow = row;
}

// ---- Word classes ----

std::uint8_t TLumoEdit::CharClass(std::int32_t code) {
  if (code >= 0x829F && code <= 0x82FF) return 0;  // hiragana
  if (code >= 0x8340 && code <= 0x8396) return 1;  // full-width katakana
  if (code >= 0x824F && code <= 0x829E) return 3;  // full-width digits and letters
  if ((code >= 0x8140 && code <= 0x824E) || (code >= 0x8397 && code <= 0x889E)) return 4;
  if (code >= 0xA6 && code <= 0xDF) return 5;  // half-width katakana
  if ((code >= 0x30 && code <= 0x39) || (code >= 0x40 && code <= 0x7F)) return 6;
  if (code <= 0x2F || (code >= 0x3A && code <= 0x3F) || (code >= 0xE0 && code <= 0xFF)) return 7;
  return 2;  // kanji and the rest
}

std::int32_t TLumoEdit::FindWordBoundary(bool forward, std::string& passed) {
  const std::string_view s = Lines->Get(CaretRow);
  const std::int32_t n = static_cast<std::int32_t>(s.size());
  auto codeAt = [&](std::int32_t i, int len) {
    const auto b = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
    return len == 2 ? (b << 8) | static_cast<unsigned char>(s[static_cast<std::size_t>(i) + 1]) : b;
  };
  std::int32_t i = std::clamp(CaretCol, 0, n);
  int cls = -1;
  if (forward) {
    while (i < n) {
      const char b = s[static_cast<std::size_t>(i)];
      if (b == '\0' || b == '\t' || b == '\r') break;
      const int len = CharLenAt(s, i);
      const int c = CharClass(codeAt(i, len));
      if (cls >= 0 && c != cls) break;
      cls = c;
      i += len;
    }
    passed.assign(s.substr(static_cast<std::size_t>(CaretCol), static_cast<std::size_t>(i - CaretCol)));
  } else {
    while (i > 0) {
      const int len = std::min(i, CharLenBefore(s, i));
      const int c = CharClass(codeAt(i - len, len));
      if (cls >= 0 && c != cls) break;
      cls = c;
      i -= len;
    }
    passed.assign(s.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(CaretCol - i)));
  }
  return i;
}

// ---- Horizontal motions ----

void TLumoEdit::CaretRight(bool word, bool extend) {
  GoalCol = 0;
  const std::string_view s = Lines->Get(CaretRow);
  const std::int32_t n = static_cast<std::int32_t>(s.size());
  enum class Passed { NextRow, Tab, Text } kind = Passed::NextRow;
  std::string passed;
  if (CaretCol < n) {
    const int len = CharLenAt(s, CaretCol);
    const char c = s[static_cast<std::size_t>(CaretCol)];
    if (c == '\0' && n > 1) {  // before the end marker
      GoalCol = CaretCol;
      return;
    }
    if (word && c != '\r' && c != '\t' && c != '\0') {
      CaretCol = FindWordBoundary(true, passed);
    } else {
      passed.assign(s.substr(static_cast<std::size_t>(CaretCol), static_cast<std::size_t>(len)));
      CaretCol += len;
    }
    if (c == '\r' || (CaretCol >= n && CaretRow < LastRow()))
      kind = Passed::NextRow;
    else
      kind = c == '\t' ? Passed::Tab : Passed::Text;
  } else if (CaretRow >= LastRow()) {
    GoalCol = CaretCol;
    return;
  }
  window_.HideCaret();
  if (kind == Passed::NextRow) {
    const bool wasScrolled = HorzOffset != 0;
    HorzOffset = CaretCol = CaretX = 0;
    bool moved = false;
    if (CaretRow - TopRow + VertScrollMargin >= VisibleRows) moved = VertScroll(SB_LINEDOWN, 0, extend) != 0;
    if (!moved) {  // also when the view cannot scroll any further
      DrawCaretUnderline(false);
      ++CaretRow;
      DrawCaretUnderline(true);
    }
    if (wasScrolled) RedrawAll();
    UpdateSelection(extend);
  } else if (kind == Passed::Tab) {
    CaretX = PixelXOf(s, CaretCol) - HorzOffset;
    if (TextAreaWidth - CaretX - HorzScrollMargin < 0) HorzScroll(SB_LINERIGHT, 0);
    UpdateSelection(extend);
  } else {
    CaretX += TextWidth(passed);
    while (TextAreaWidth - CaretX - HorzScrollMargin < 0) {
      HorzScroll(SB_LINERIGHT, 0);
      if (HScrollDone == 0) break;  // nothing left to scroll
    }
    UpdateSelection(extend);
  }
  UpdateCaret();
  window_.ShowCaret();
  GoalCol = CaretCol;
}

void TLumoEdit::CaretLeft(bool word, bool extend) {
  GoalCol = 0;
  if (CaretCol == 0 && CaretRow == 0) return;
  window_.HideCaret();
  if (CaretCol == 0) {
    bool moved = false;
    if (CaretRow - TopRow - VertScrollMargin <= 0) moved = VertScroll(SB_LINEUP, 0, extend) != 0;
    if (!moved) {
      DrawCaretUnderline(false);
      --CaretRow;
      DrawCaretUnderline(true);
    }
    const std::string_view s = Lines->Get(CaretRow);
    const std::int32_t len = static_cast<std::int32_t>(s.size());
    // A continuation row continues in the next row: the caret goes before its last character.
    CaretCol = HasLineEnd(s) ? len - 2 : len - CharLenBefore(s, len);
    const std::int32_t old = HorzOffset;
    const std::int32_t w = PixelXOf(s, CaretCol);
    HorzOffset = std::max(0, w - TextAreaWidth + HorzScrollMargin);
    CaretX = w - HorzOffset;
    if (HorzOffset != 0 || HorzOffset != old) RedrawAll();
  } else {
    const std::string_view s = Lines->Get(CaretRow);
    const int len = CharLenBefore(s, CaretCol);
    const bool tab = s[static_cast<std::size_t>(CaretCol - len)] == '\t';
    std::string passed;
    if (word && !tab) {
      CaretCol = FindWordBoundary(false, passed);
    } else {
      passed.assign(s.substr(static_cast<std::size_t>(CaretCol - len), static_cast<std::size_t>(len)));
      CaretCol -= len;
    }
    // Tabs change width with their column: measure from the row start when one was passed.
    if (passed.find('\t') != std::string::npos)
      CaretX = PixelXOf(s, CaretCol) - HorzOffset;
    else
      CaretX -= TextWidth(passed);
    while (CaretX < 0 && HorzOffset != 0) {
      HorzScroll(SB_LINELEFT, 0);
      if (HScrollDone == 0) break;
    }
  }
  UpdateSelection(extend);
  UpdateCaret();
  window_.ShowCaret();
  GoalCol = CaretCol;
}

void TLumoEdit::CaretRowStart(bool extend) {
  if (CaretRow == 0 && CaretCol == 0) return;
  window_.HideCaret();
  CaretCol = 0;
  CaretX = 0;
  UpdateSelection(extend);
  if (HorzOffset != 0) {
    HorzOffset = 0;
    RedrawAll();
  }
  GoalCol = 0;
  UpdateCaret();
  window_.ShowCaret();
}

void TLumoEdit::CaretRowEnd(bool extend) {
  const std::string_view t = StripLineEnd(Lines->Get(CaretRow));
  const std::int32_t len = static_cast<std::int32_t>(t.size());
  if (CaretRow == LastRow() && CaretCol == len) return;
  window_.HideCaret();
  const std::int32_t w = PixelXOf(t, len);
  const std::int32_t old = HorzOffset;
  HorzOffset = std::max(0, w - TextAreaWidth + HorzScrollMargin);
  CaretX = w - HorzOffset;
  CaretCol = len;
  UpdateSelection(extend);
  if (HorzOffset != old) RedrawAll();
  GoalCol = CaretCol;
  UpdateCaret();
  window_.ShowCaret();
}

// ---- Vertical motions ----

void TLumoEdit::CaretUpDown(int dir, bool extend) {
  if (dir > 0) {
    if (CaretRow - TopRow + VertScrollMargin >= VisibleRows) {
      if (ScrollRepeat < 0) ScrollRepeat = 0;
      ++ScrollRepeat;
      // The scroll takes the caret along; at the end of the view range the caret moves alone.
      if (VertScroll(SB_LINEDOWN, 0, extend) == 0) MoveRows(1, extend);
    } else {
      MoveRows(1, extend);
    }
    return;
  }
  if (CaretRow - TopRow < VertScrollMargin) {
    if (ScrollRepeat > 0) ScrollRepeat = 0;
    --ScrollRepeat;
    if (VertScroll(SB_LINEUP, 0, extend) == 0) MoveRows(-1, extend);
  } else {
    MoveRows(-1, extend);
  }
}

void TLumoEdit::MoveRows(std::int32_t n, bool extend) {
  if ((n < 0 && CaretRow == 0) || (n > 0 && CaretRow == LastRow())) return;
  if (n > 0) SettleRowsThrough(CaretRow + n);
  if (GoalCol != GoalXCol) {
    GoalXCol = GoalCol;
    GoalX = PixelXOf(Lines->Get(CaretRow), GoalCol);
  }
  window_.HideCaret();
  DrawCaretUnderline(false);
  CaretRow = std::clamp(CaretRow + n, 0, LastRow());
  CaretCol = ColumnFromX(Lines->Get(CaretRow), GoalX);
  if (CaretX - HorzOffset > TextAreaWidth || (HorzOffset != 0 && CaretX - HorzOffset < 0)) {
    HorzOffset = std::max(0, CaretX - TextAreaWidth + HorzJump);
    RedrawAll();
  }
  CaretX -= HorzOffset;
  UpdateSelection(extend);
  UpdateCaret();
  window_.ShowCaret();
  DrawCaretUnderline(true);
}

std::int32_t TLumoEdit::ColumnFromX(std::string_view row, std::int32_t x) {
  if (x <= 0) {
    CaretX = 0;
    return 0;
  }
  std::int32_t bx = 0;
  const std::int32_t col = BoundaryNearX(StripLineEnd(row), x, bx);
  CaretX = bx;
  return col;
}

// ---- Text ends ----

void TLumoEdit::SelectForTextEndJump(bool extend) {
  const bool keep = extend || MouseSelecting;
  if (!SelActive) {
    if (AllSelected && !keep) EndSelection();
    if (keep) {
      SelActive = true;
      AnchorCol = CaretCol;
      AnchorRow = CaretRow;
    }
  } else if (!extend) {
    EndSelection();
  }
}

void TLumoEdit::MoveToTextStart(bool extend) {
  if (CaretCol == 0 && CaretRow == 0) return;
  window_.HideCaret();
  SelectForTextEndJump(extend);
  HorzOffset = CaretX = TopRow = CaretRow = CaretCol = GoalCol = 0;
  window_.SetScrollPos(ScrollBarKind::Vert, 0, false);
  window_.SetScrollPos(ScrollBarKind::Horz, 0, false);
  UpdateVertRange(true);
  UpdateHorzRange(true);
  if (SelActive) {
    SelEndCol = SelEndRow = 0;
  } else {
    AnchorCol = AnchorRow = 0;
    SelEndCol = SelEndRow = 0;
  }
  PaintedSelCol = PaintedSelRow = 0;
  RedrawAll();
  UpdateCaret();
  window_.ShowCaret();
}

void TLumoEdit::MoveToTextEnd(bool extend) {
  FinishPendingWrap();
  const std::int32_t last = LastRow();
  const std::string_view t = StripLineEnd(Lines->Get(last));
  if (CaretRow == last && CaretCol == static_cast<std::int32_t>(t.size())) return;
  window_.HideCaret();
  SelectForTextEndJump(extend);
  CaretRow = last;
  const std::int32_t w = PixelXOf(t, static_cast<std::int32_t>(t.size()));
  HorzOffset = std::max(0, w - TextAreaWidth + HorzScrollMargin);
  CaretX = w - HorzOffset;
  CaretCol = static_cast<std::int32_t>(t.size());
  if (SelActive) {
    SelEndCol = CaretCol;
    SelEndRow = CaretRow;
  } else {
    AnchorCol = SelEndCol = CaretCol;
    AnchorRow = SelEndRow = CaretRow;
  }
  PaintedSelCol = CaretCol;
  PaintedSelRow = CaretRow;
  UpdateVertRange(false);  // MaxTopRow for the current row count
  TopRow = MaxTopRow;
  window_.SetScrollPos(ScrollBarKind::Vert, ThumbPos(ScrollBarKind::Vert), false);
  window_.SetScrollPos(ScrollBarKind::Horz, 0, false);
  UpdateVertRange(true);
  UpdateHorzRange(true);
  GoalCol = CaretCol;
  RedrawAll();
  UpdateCaret();
  window_.ShowCaret();
}

}  // namespace quiret
