// TLumoEdit: display rows (wrapping), position mapping, measuring and the window geometry.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "editor/IntDiv.h"
#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"
#include "editor/WrapEngine.h"

namespace quiret {

namespace {

constexpr char kTabFill[] = "        ";  // eight blanks: TabCount is at most 8

}  // namespace

// ---- Measuring ----

void TLumoEdit::ResetWidthCache() {
  widthCache_.clear();
  wrapMade_.valid = false;  // other widths may cut rows elsewhere
}

int TLumoEdit::TextWidth(std::string_view text) {
  WidthTable widths(widthCache_, window_.Canvas());
  int w = 0;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b) && i + 1 < n) {
      w += widths.Pair(b, static_cast<unsigned char>(text[i + 1]));
      i += 2;
    } else {
      w += widths.Single(b);
      ++i;
    }
  }
  return w;
}

namespace {

// Adds the width of row[i] (one byte, or a double-byte pair ending before `end`) to w and
// its columns to cols; returns the index after it. A tab reaches the next tab stop, and a
// lead byte before a tab is measured alone, since a tab always expands.
inline std::size_t MeasureStep(std::string_view row, std::size_t i, std::size_t end, int tabCount,
                               WidthTable& widths, int& w, long long& cols) {
  const unsigned char b = static_cast<unsigned char>(row[i]);
  if (b == '\t') {
    const int blanks = tabCount - static_cast<int>(cols % tabCount);
    cols += blanks;
    w += blanks * widths.Single(' ');
    return i + 1;
  }
  if (IsLeadByte(b) && i + 1 < end && row[i + 1] != '\t') {
    w += widths.Pair(b, static_cast<unsigned char>(row[i + 1]));
    cols += 2;
    return i + 2;
  }
  w += widths.Single(b);
  cols += 1;
  return i + 1;
}

}  // namespace

int TLumoEdit::PixelXOf(std::string_view row, std::int32_t col) {
  WidthTable widths(widthCache_, window_.Canvas());
  const std::size_t end = std::min<std::size_t>(row.size(), static_cast<std::size_t>(std::max(col, 0)));
  int w = 0;
  long long cols = 0;
  for (std::size_t i = 0; i < end;) i = MeasureStep(row, i, end, TabCount, widths, w, cols);
  return w;
}

std::int32_t TLumoEdit::BoundaryNearX(std::string_view text, std::int32_t x, std::int32_t& boundaryX) {
  WidthTable widths(widthCache_, window_.Canvas());
  int w = 0;
  long long cols = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t next = pos + static_cast<std::size_t>(CharLenFrom(text, pos));
    const int left = w;
    for (std::size_t i = pos; i < next;) i = MeasureStep(text, i, next, TabCount, widths, w, cols);
    // The nearer edge of the character under x; the left one when x is exactly halfway.
    const int half = (w - left) / 2;
    if (x <= w - half) {
      boundaryX = left;
      return static_cast<std::int32_t>(pos);
    }
    if (x <= w) {
      boundaryX = w;
      return static_cast<std::int32_t>(next);
    }
    pos = next;
  }
  boundaryX = w;
  return static_cast<std::int32_t>(text.size());
}

std::string TLumoEdit::ExpandTabs(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  const int tab = std::max<int>(1, TabCount);
  for (char c : text) {
    if (c == '\t') {
      out.append(kTabFill, static_cast<std::size_t>(tab - static_cast<int>(out.size() % tab)));
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// ---- Wrapping ----

std::vector<std::string> TLumoEdit::SplitRows() {
  WidthTable widths(widthCache_, window_.Canvas());
  std::vector<std::string> rows;
  const std::int32_t count = Lines->Count();
  rows.reserve(static_cast<std::size_t>(count));
  for (std::int32_t r = 0; r < count; ++r) {
    std::string_view data = Lines->Get(r);
    for (;;) {
      std::size_t take = NextRowLength(data, data.size(), Column, AutoWrap, TextAreaWidth, TabCount, widths);
      if (take >= data.size()) {
        rows.emplace_back(data);
        break;
      }
      rows.emplace_back(data.substr(0, take));
      data.remove_prefix(take);
    }
  }
  return rows;
}

std::string TLumoEdit::JoinRows(std::int32_t row, std::int32_t& lastRow) const {
  std::string text;
  const std::int32_t count = Lines->Count();
  std::int32_t r = row;
  for (;; ++r) {
    std::string_view s = Lines->Get(r);
    text.append(s);
    if (HasLineEnd(s) || r >= count - 1) break;
  }
  lastRow = r;
  return text;
}

void TLumoEdit::LineToRow(std::int32_t& col, std::int32_t& row) const {
  // The line's first row comes from the store's line index, the row holding the offset
  // from its byte sums, so neither reads the line's rows. An offset equal to a
  // continuation row's length lands at the start of the row after it; one past the end of
  // the text stays in the last row.
  const std::int32_t count = Lines->Count();
  const std::int32_t first = Lines->RowAfterLfRow(row);
  row = first;
  if (col < 0 || first >= count) return;
  std::int64_t before = 0;
  std::int32_t r = Lines->RowHoldingByte(first, col, before);
  if (r == count) {
    r = count - 1;
    before -= static_cast<std::int64_t>(Lines->Get(r).size());
  }
  col = static_cast<std::int32_t>(col - before);
  row = r;
}

void TLumoEdit::RowToLine(std::int32_t& col, std::int32_t& row) const {
  const std::int32_t line = Lines->LfRowsBefore(row);
  const std::int32_t first = std::min(Lines->RowAfterLfRow(line), row);
  col = static_cast<std::int32_t>(col + Lines->BytesInRows(first, row));
  row = line;
}

void TLumoEdit::Relayout(bool wrap, bool redraw) { RelayoutRows(wrap, redraw, false); }

void TLumoEdit::RewrapAll() {
  const WrapMade& m = wrapMade_;
  if (WordWrap && m.valid && m.changes == Lines->Changes() && m.column == Column &&
      m.areaWidth == TextAreaWidth && m.tabCount == TabCount && m.autoWrap == AutoWrap) {
    // A window that gets its size again (or a size that leaves the text area as it was)
    // would unwrap and wrap a large text for nothing; the outcome is the same.
    RelayoutRows(true, true, true);
    return;
  }
  Relayout(false, false);
  Relayout(true, true);
}

void TLumoEdit::RelayoutRows(bool wrap, bool redraw, bool keepRows) {
  struct Busy {
    TLumoEdit& e;
    bool outer;
    explicit Busy(TLumoEdit& ed) : e(ed), outer(!ed.relayoutBusy_) { e.relayoutBusy_ = true; }
    ~Busy() {
      if (outer) e.relayoutBusy_ = false;
    }
  } busy(*this);
  RelayoutRowsNow(wrap, redraw, keepRows);
  if (!busy.outer) return;
  relayoutBusy_ = false;
  if (sizeWhileBusy_) {
    sizeWhileBusy_ = false;
    WmSize(pendingWidth_, pendingHeight_);
  }
  if (paintWhileBusy_) {
    paintWhileBusy_ = false;
    WmPaint();
  }
}

void TLumoEdit::RelayoutRowsNow(bool wrap, bool redraw, bool keepRows) {
  try {
    if (wrap) FinishPendingWrap();
    ClearHighlight();
    if (wrap) {
      if (keepRows) {
        // The caret and the anchor go through line positions as an unwrap would take them.
        RowToLine(CaretCol, CaretRow);
        RowToLine(AnchorCol, AnchorRow);
      } else {
        wrapMade_.valid = false;
        WrapAllRows();
        wrapMade_ = {Lines->Changes(), Column, TextAreaWidth, TabCount, AutoWrap, true};
        rowsByRule_ = true;
        // Index the new rows' lines now, with the layout, rather than in the first key
        // after it (tens of milliseconds on a text of a gigabyte).
        Lines->LfRowsBefore(Lines->Count());
      }
      WordWrap = true;
      LineToRow(CaretCol, CaretRow);
      LineToRow(AnchorCol, AnchorRow);
    } else {
      RowToLine(CaretCol, CaretRow);
      RowToLine(AnchorCol, AnchorRow);
      UnwrapAllRows();
      WordWrap = false;
    }
    SelEndCol = PaintedSelCol = CaretCol;
    SelEndRow = PaintedSelRow = CaretRow;
    HorzOffset = 0;
    CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol);
    if (redraw && !KeepCaretInView(false)) {
      const bool caret = window_.HasFocus();
      if (caret) window_.HideCaret();
      UpdateVertRange(true);
      RedrawAll();
      UpdateCaret();
      if (caret) window_.ShowCaret();
    }
  } catch (const std::exception&) {
    window_.ShowMessage("Error:OC004");
  }
}

std::vector<std::size_t> TLumoEdit::WrapLengths(std::string_view line) {
  WidthTable widths(widthCache_, window_.Canvas());
  std::vector<std::size_t> lengths;
  const std::size_t compareLen = HasLineEnd(line) ? line.size() - 2 : line.size();
  std::string_view rest = line;
  for (bool last = false; !last;) {
    const std::size_t take = NextRowLength(rest, compareLen - std::min(compareLen, line.size() - rest.size()),
                                           Column, AutoWrap, TextAreaWidth, TabCount, widths);
    last = take >= rest.size();
    lengths.push_back(std::min(take, rest.size()));
    rest.remove_prefix(lengths.back());
  }
  return lengths;
}

// ---- Geometry ----

void TLumoEdit::LayoutForSize(int clientWidth, int clientHeight) {
  TextAreaWidth = clientWidth - TextLeft;
  TextAreaHeight = clientHeight - TopMargin;
  CountVisibleRows();
  HorzJump = CeilDiv(TextAreaWidth, 5);
  HorzScrollMargin = CurSetMode ? 10 : HorzJump;
  const int bottom = VisibleRows * LineHeight + TopMargin;
  TextAreaRect = TRect{TextLeft, 0, clientWidth, bottom};
  RowsRect = TRect{0, TopMargin, clientWidth, bottom};
}

void TLumoEdit::CountVisibleRows() {
  // A window lower than its top margin shows no row (never a negative count).
  if (LineHeight != 0) VisibleRows = std::max(0, FloorDiv(TextAreaHeight, LineHeight));
  VertScrollMargin = CeilDiv(VisibleRows, 5);
  // More rows in view: the rows below it a long line left uncut are cut as far.
  SettleRowsThrough(TopRow + VisibleRows);
}

std::int32_t TLumoEdit::ThumbPos(ScrollBarKind bar) const {
  return bar == ScrollBarKind::Vert ? CeilDiv(TopRow, std::max(1, VertScrollUnit))
                                    : CeilDiv(HorzOffset, std::max(1, HorzScrollUnit));
}

void TLumoEdit::ComputeGutter() {
  if (ShowLineNumber) {
    DigitWidth = TextWidth("0");
    GutterWidth = std::min(100, DigitWidth * LineNoColumn) + 7;
  } else {
    GutterWidth = 0;
  }
  TextLeft = BaseTextLeft = LeftMargin + GutterWidth;
}

}  // namespace quiret
