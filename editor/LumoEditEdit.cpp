// TLumoEdit: the two editing primitives every text change goes through, inserting at the
// caret and deleting the selection, with the redraw each needs.
#include <algorithm>
#include <string>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

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

std::int32_t TLumoEdit::ReplaceRowByText(std::int32_t row, std::string_view text) {
  // The first row is replaced in place and the rest go in after it with one move of the
  // later rows. The new rows go in before anything is replaced: a refused insertion loses
  // nothing.
  const std::size_t stop = text.find_first_of(std::string_view("\r\0", 2));
  const std::size_t first = stop == std::string_view::npos ? text.size() : stop + 2;
  if (first >= text.size()) {
    // One piece, or a terminator byte at the very end: the store's own splitting decides.
    std::int32_t last = row + 1;
    Lines->InsertText(last, text);
    Lines->Delete(row);
    return last - 1;
  }
  std::int32_t last = row + 1;
  Lines->InsertText(last, text.substr(first));
  Lines->Put(row, text.substr(0, first));
  return last;
}

void TLumoEdit::RepaintRowFrom(std::int32_t row, int x) {
  if (!WindowCreated || row < TopRow || row >= TopRow + VisibleRows) return;
  DrawRow(std::max(0, x), (row - TopRow) * LineHeight, Lines->Get(row));
  DrawUrls(row, row, nullptr);
}

void TLumoEdit::InsertAtCaret(std::string_view text, bool redraw) {
  if (text.empty()) return;
  const std::int32_t r0 = CaretRow;
  const std::string row(Lines->Get(r0));
  const std::size_t at = std::min<std::size_t>(row.size(), static_cast<std::size_t>(std::max(CaretCol, 0)));
  const std::string_view head = std::string_view(row).substr(0, at), tail = std::string_view(row).substr(at);
  const int insertX = PixelXOf(row, static_cast<std::int32_t>(at)) - HorzOffset;
  window_.HideCaret();
  DrawCaretUnderline(false);
  const bool multi = text.find("\r\n") != std::string_view::npos;
  std::string joined;
  joined.reserve(row.size() + text.size());
  joined.append(head).append(text).append(tail);
  if (multi) {
    CaretRow = ReplaceRowByText(r0, joined);
    CaretCol = static_cast<std::int32_t>(Lines->Get(CaretRow).size() - tail.size());
    CaretPastLineEndToNextRow();
  } else {
    Lines->Put(r0, joined);
    CaretCol = static_cast<std::int32_t>(head.size() + text.size());
  }
  CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
  CaretY = (CaretRow - TopRow) * LineHeight;
  if (WordWrap) {
    RewrapLines(insertX, r0, redraw, multi, CaretRow);
  } else if (redraw) {
    if (!ShowPosition(-1, -1, 0, true)) {
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

void TLumoEdit::DeleteSelection(bool redraw) {
  const std::string text = GetSelText();
  SelActive = false;
  AllSelected = false;
  if (!UndoReplaying) AddUndo(ukDelete, text, -1, -1);
  window_.HideCaret();
  DrawCaretUnderline(false);
  const bool sameRow = AnchorRow == CaretRow;
  RowPos start;
  if (sameRow) {
    const std::int32_t r = CaretRow;
    const std::int32_t lo = std::min(CaretCol, AnchorCol), hi = std::max(CaretCol, AnchorCol);
    if (lo < hi) {
      std::string s(Lines->Get(r));
      s.erase(static_cast<std::size_t>(lo), static_cast<std::size_t>(hi - lo));
      if (s.empty())
        Lines->Delete(r);  // a continuation row removed whole
      else
        Lines->Put(r, s);
    }
    start = {lo, r};
  } else {
    RowPos a{AnchorCol, AnchorRow}, b{CaretCol, CaretRow};
    if (b.Row < a.Row) std::swap(a, b);
    std::string merged(Lines->Get(a.Row).substr(0, static_cast<std::size_t>(a.Col)));
    merged.append(Lines->Get(b.Row).substr(static_cast<std::size_t>(b.Col)));
    Lines->DeleteRange(a.Row + 1, b.Row - a.Row);
    if (merged.empty())
      Lines->Delete(a.Row);  // nothing left of a continuation row
    else
      Lines->Put(a.Row, merged);
    start = a;
  }
  // A row removed at the end of the text leaves the position at the end of the row before.
  if (start.Row > LastRow()) {
    start.Row = LastRow();
    start.Col = static_cast<std::int32_t>(StripLineEnd(Lines->Get(start.Row)).size());
  }
  CaretCol = AnchorCol = SelEndCol = PaintedSelCol = GoalCol = start.Col;
  CaretRow = AnchorRow = SelEndRow = PaintedSelRow = start.Row;
  CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
  CaretY = (CaretRow - TopRow) * LineHeight;
  const bool heldLineEnd = !sameRow || text.find("\r\n") != std::string::npos;
  if (WordWrap) {
    RewrapLines(CaretX, start.Row, redraw || (sameRow && UndoReplaying), heldLineEnd, start.Row);
  } else if (sameRow) {
    if (UndoReplaying) RepaintRowFrom(start.Row, 0);
    if (redraw) {
      if (!ShowPosition(-1, -1, 0, true)) {
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
    if (!ShowPosition(-1, -1, 0, true)) {
      if (UpdateVertRange(true)) {
        RedrawAll();
      } else {
        RepaintRowFrom(start.Row, 0);
        RedrawRows(RedrawBand::BelowCaret);
      }
    }
    UpdateCaret();
  }
  if (sameRow) UndoReplaying = false;
  KeepCaretOnCharacter();
  window_.ShowCaret();
}

}  // namespace quiret
