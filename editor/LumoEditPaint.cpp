// TLumoEdit drawing: rows, selection, marks, the gutter, the caret-row underline.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

constexpr std::string_view kCrLf{"\r\n", 2};
constexpr std::string_view kEof{"\0\0", 2};
constexpr std::string_view kEofText{"[EOF]"};

enum class Term { None, CrLf, Eof };

// Which terminator the row's last two bytes are.
Term TermOf(std::string_view row) {
  if (row.size() < 2) return Term::None;
  std::string_view last = row.substr(row.size() - 2);
  if (last == kCrLf) return Term::CrLf;
  if (last == kEof) return Term::Eof;
  return Term::None;
}

// Nearest integer, halves to even.
int RoundEven(double v) {
  double r = std::nearbyint(v);  // default rounding mode: to nearest, ties to even
  return static_cast<int>(r);
}

}  // namespace

TColor TLumoEdit::FontColor() {
  if (IsSystemColor(Font.Color)) return window_.ResolveColor(Font.Color) & 0xFFFFFFu;
  return Font.Color & 0xFFFFFFu;
}

void TLumoEdit::PrepareCanvas() {
  Surface& canvas = window_.Canvas();
  canvas.SetFont(LogFont);
  canvas.SetUnderline(false);
}

TColor TLumoEdit::RowTextColor(std::string_view text) {
  if (!ColorPrintF || Inyostr.empty() || text.empty()) return FontColor();
  // A double-byte first character must occur as its two bytes.
  const int n = std::max(1, CharLenAt(text, 0));
  std::string_view first = text.substr(0, static_cast<size_t>(n));
  return Inyostr.find(first) != std::string::npos ? InyoColor : FontColor();
}

void TLumoEdit::DotStroke(int x1, int y1, int x2, int y2, TColor color) {
  // Walks the pixels like the classic line DDA (end excluded). The phase counter carries
  // over from the previous stroke: a pixel remembered on phase 0 is set on phase 1.
  Surface& canvas = window_.Canvas();
  const int dx = x2 - x1, dy = y2 - y1;
  const int steps = std::max(std::abs(dx), std::abs(dy));
  for (int i = 0; i < steps; ++i) {
    TPoint p{x1 + (dx * i) / steps, y1 + (dy * i) / steps};
    if (DotLine.Counter == 0) {
      DotLine.Last = p;
      DotLine.Counter = 1;
    } else {
      if (DotLine.Last.x >= dotClipLeft_ && DotLine.Last.x < dotClipRight_)
        canvas.SetPixel(DotLine.Last.x, DotLine.Last.y, color);
      DotLine.Counter = 0;
    }
  }
}

void TLumoEdit::DrawArrow(int x, int y, TColor color) {
  Surface& canvas = window_.Canvas();
  const int bottom = y + MarkBottom;
  canvas.Line(x + 4, y + MarkTop, x + 4, bottom, color);
  canvas.Line(x + 4, bottom, x + 1, bottom - 3, color);
  canvas.Line(x + 4, bottom, x + 7, bottom - 3, color);
}

void TLumoEdit::DrawLineEndMark(int x, int y, std::string_view lastTwo) {
  if (lastTwo == kEof) {
    if (!ShowEOF) return;
    Surface& canvas = window_.Canvas();
    const int right = std::min(x + canvas.TextWidth(kEofText), TextLeft + TextAreaWidth);
    const TRect cell{std::max(TextLeft, x), y, right, y + CharHeight};
    if (!cell.IsEmpty()) canvas.TextOut(x, y, cell, kEofText, CREOFcolor, Color);
  } else if (lastTwo == kCrLf) {
    // Strokes are not clipped: an arrow scrolled left of the text area would land in the gutter.
    if (ShowCR && x >= TextLeft) DrawArrow(x, y, CREOFcolor);
  }
}

void TLumoEdit::DrawDblSpaceMarks(const TRect& clip, int x0, bool selected, std::string_view text, int y) {
  if (!ShowDblSpace) return;
  if (text.find("\x81\x40") == std::string_view::npos) return;
  const TColor color = selected ? InvertRgb(CREOFcolor) : CREOFcolor;
  int d = x0;
  size_t from = 0;  // start of the text not yet measured
  for (size_t i = 0; i < text.size();) {
    const int n = CharLenFrom(text, i);
    if (n == 2 && text[i] == '\x81' && text[i + 1] == '\x40') {
      d += TextWidth(text.substr(from, i + 2 - from));
      from = i + 2;
      if (d >= clip.left && d - DblSpaceWidth <= clip.right) {
        // Dots outside the clip are walked (the phase runs on) but not set.
        dotClipLeft_ = clip.left;
        dotClipRight_ = clip.right;
        const int left = d - DblSpaceWidth + 3, right = d - 3;
        const int top = y + 2, bottom = y + DblSpaceHeight - 2;
        DotStroke(right, top, right, bottom, color);
        DotStroke(right, bottom, left, bottom, color);
        DotStroke(left, bottom, left, top, color);
        DotStroke(left, top, right, top, color);
        dotClipLeft_ = INT_MIN;
        dotClipRight_ = INT_MAX;
      }
      if (d > clip.right) break;  // every later box lies further right
    }
    i += static_cast<size_t>(n);
  }
}

void TLumoEdit::DrawRow(int x, int y, std::string_view rowText) {
  if (!WindowCreated) return;
  Surface& canvas = window_.Canvas();
  std::string text = ExpandTabs(rowText);
  const TColor fore = RowTextColor(text);
  std::string term;
  if (TermOf(text) != Term::None) {
    term = text.substr(text.size() - 2);
    text.resize(text.size() - 2);
  }
  const int origin = TextLeft - HorzOffset;
  const int top = TopMargin + y;
  const TRect clip{TextLeft + x, top, TextLeft + TextAreaWidth, top + LineHeight};
  canvas.TextOut(origin, top, clip, text, fore, Color);
  if (LineHeight > 0) DrawHits(TopRow + y / LineHeight, clip);
  if (!term.empty()) DrawLineEndMark(origin + TextWidth(text), top, term);
  DrawDblSpaceMarks(clip, origin, false, text, top);
}

void TLumoEdit::DrawRowRange(std::int32_t first, std::int32_t last) {
  if (!WindowCreated) return;
  first = std::max(first, 0);
  last = std::min(last, Lines->Count() - 1);
  if (first > last) return;
  for (std::int32_t r = first; r <= last; ++r) DrawRow(0, (r - TopRow) * LineHeight, Lines->Get(r));
  DrawUrls(first, last, nullptr);
}

void TLumoEdit::DrawRowSegment(std::int32_t row, std::int32_t from, std::int32_t to, bool selected) {
  if (row < 0 || row >= Lines->Count()) return;
  std::string_view rowText = Lines->Get(row);
  const std::int32_t len = static_cast<std::int32_t>(rowText.size());
  from = std::clamp(from, 0, len);
  to = std::clamp(to, 0, len);
  if (from >= to) return;
  Surface& canvas = window_.Canvas();
  const bool asSelected = selected || AllSelected;
  const Term term = TermOf(rowText);
  const std::int32_t textLen = term == Term::None ? len : len - 2;
  const bool takesTerm = term != Term::None && to > textLen;
  if (takesTerm) to = textLen;
  from = std::min(from, to);
  // Tabs are expanded from the row start so that a segment keeps its tab stops.
  const std::string pre = ExpandTabs(rowText.substr(0, static_cast<size_t>(from)));
  const std::string upTo = ExpandTabs(rowText.substr(0, static_cast<size_t>(to)));
  const std::string_view seg = std::string_view(upTo).substr(pre.size());
  const int x = TextLeft + TextWidth(pre) - HorzOffset;
  const int y = RowTop(row);
  const int segWidth = TextWidth(seg);
  const int xe = x + segWidth;
  const int areaRight = TextLeft + TextAreaWidth;

  if (takesTerm && term == Term::Eof) {
    const TRect rest{std::max(TextLeft, xe), y, areaRight, y + LineHeight};
    if (ShowEOF)
      canvas.TextOut(xe, y, rest, kEofText, CREOFcolor, Color);
    else
      canvas.FillRect(rest, Color);
  } else if (takesTerm && term == Term::CrLf) {
    const int cellLeft = std::max(TextLeft, xe), cellRight = std::max(TextLeft, xe + 8);
    canvas.FillRect(TRect{cellLeft, y, cellRight, y + LineHeight}, asSelected ? SelColor : Color);
    if (ShowCR && xe >= TextLeft) DrawArrow(xe, y, asSelected ? InvertRgb(CREOFcolor) : CREOFcolor);
    canvas.FillRect(TRect{cellRight, y, areaRight, y + LineHeight}, Color);
  }

  const TRect clip{std::max(TextLeft, x), y, std::min(areaRight, std::max(TextLeft, xe)), y + LineHeight};
  if (!seg.empty() && !clip.IsEmpty()) {
    if (asSelected) {
      canvas.TextOut(x, y, clip, seg, InvertRgb(FontColor()), SelColor);
      DrawDblSpaceMarks(clip, x, true, seg, y);
    } else {
      canvas.TextOut(x, y, clip, seg, RowTextColor(rowText), Color);
      DrawHits(row, clip);
      DrawDblSpaceMarks(clip, x, false, seg, y);
      DrawUrls(row, row, &clip);
    }
  }
  // A continuation row drawn to its end: clear what lies right of it.
  if (term == Term::None && to == len)
    canvas.FillRect(TRect{std::max(TextLeft, xe), y, areaRight, y + LineHeight}, Color);
}

void TLumoEdit::DrawSelection() {
  if (!WindowCreated) return;
  // The rows do not change while the selection is drawn: URL carries may be reused.
  urlCarryCache_ = UrlCarryCache{true, -1};
  struct CacheOff {
    UrlCarryCache& cache;
    ~CacheOff() { cache = UrlCarryCache{}; }
  } cacheOff{urlCarryCache_};
  const std::int32_t count = Lines->Count();
  const std::int32_t lastVisible = std::min(count - 1, TopRow + VisibleRows - 1);
  auto rowLen = [&](std::int32_t r) { return static_cast<std::int32_t>(Lines->Get(r).size()); };
  auto plainRows = [&](std::int32_t a, std::int32_t b) {
    for (std::int32_t r = std::max(a, TopRow); r <= std::min(b, lastVisible); ++r)
      DrawRowSegment(r, 0, rowLen(r), false);
  };
  auto inView = [&](std::int32_t r) { return r >= TopRow && r <= lastVisible; };

  std::int32_t rowU = AnchorRow, colU = AnchorCol, rowL = SelEndRow, colL = SelEndCol;
  if (rowU > rowL) {
    std::swap(rowU, rowL);
    std::swap(colU, colL);
  }
  if (rowU == rowL) {
    const std::int32_t r = rowU, left = std::min(colU, colL), right = std::max(colU, colL);
    plainRows(TopRow, r - 1);
    if (inView(r)) {
      DrawRowSegment(r, 0, left, false);
      DrawRowSegment(r, left, right, true);
      DrawRowSegment(r, right, rowLen(r), false);
    }
    plainRows(r + 1, lastVisible);
    return;
  }
  plainRows(TopRow, rowU - 1);
  if (inView(rowU)) {
    DrawRowSegment(rowU, 0, colU, false);
    DrawRowSegment(rowU, colU, rowLen(rowU), true);
  }
  for (std::int32_t r = std::max(rowU + 1, TopRow); r <= std::min(rowL - 1, lastVisible); ++r)
    DrawRowSegment(r, 0, rowLen(r), true);
  if (inView(rowL)) {
    DrawRowSegment(rowL, 0, colL, true);
    DrawRowSegment(rowL, colL, rowLen(rowL), false);
  }
  plainRows(rowL + 1, lastVisible);
}

void TLumoEdit::DrawAllSelected() {
  const std::int32_t last = std::min(Lines->Count() - 1, TopRow + VisibleRows - 1);
  for (std::int32_t r = std::max(TopRow, 0); r <= last; ++r)
    DrawRowSegment(r, 0, static_cast<std::int32_t>(Lines->Get(r).size()), true);
  if (OnSelectionChange) {
    OnSelectionChange(this);
    NotifiedCol = CaretCol;
    NotifiedRow = CaretRow;
    NotifiedX = CaretX;
  }
}

void TLumoEdit::RedrawAll() {
  if (!WindowCreated) return;
  Surface& canvas = window_.Canvas();
  const std::int32_t last = std::min(Lines->Count() - 1, TopRow + VisibleRows - 1);
  if (SelActive) {
    DrawSelection();
    FillBelowText(TopRow, last);
  } else if (AllSelected) {
    DrawAllSelected();
    FillBelowText(TopRow, last);
  } else {
    DrawRowRange(TopRow, last);
    FillBelowText(TopRow, last);
    DrawCaretUnderline(true);
  }
  canvas.FillRect(TRect{0, 0, window_.ClientWidth(), TopMargin}, Color);
  FireUserDraw();
  if (HorzScrollBar) window_.SetScrollPos(ScrollBarKind::Horz, ThumbPos(ScrollBarKind::Horz), true);
  UpdateHorzRange(true);
}

void TLumoEdit::FireUserDraw() {
  if (!OnUserDraw) return;
  // The host draws its ruler over the top margin for the columns in view.
  const int width = window_.Width();
  int c1 = 1, c2 = WordWrap ? Column : NoWrapColumns;
  if (CharWidth > 0) {
    c1 = std::max(1, RoundEven(static_cast<double>(HorzOffset) / CharWidth));
    c2 = std::min(RoundEven(static_cast<double>(width + HorzOffset) / CharWidth), c2);
  }
  OnUserDraw(this, c1, c2, TextLeft, width);
  PrepareCanvas();
}

void TLumoEdit::RedrawRows(RedrawBand kind, std::int32_t a, std::int32_t b) {
  if (!WindowCreated) return;
  const std::int32_t bottom = TopRow + VisibleRows - 1;
  std::int32_t first = 0, end = 0;  // a value outside the bands draws row 0 when in view
  switch (kind) {
    case RedrawBand::View:
      first = TopRow, end = bottom;
      break;
    case RedrawBand::FromAboveCaret:
      first = CaretRow - 1, end = bottom;
      break;
    case RedrawBand::FromCaret:
      first = CaretRow, end = bottom;
      break;
    case RedrawBand::FromRow:
      first = std::max(a, TopRow), end = bottom;
      break;
    case RedrawBand::CaretRow:
      first = CaretRow, end = CaretRow;
      break;
    case RedrawBand::BelowCaret:
      first = CaretRow + 1, end = bottom;
      break;
    case RedrawBand::RowRange:
      first = std::max(a, TopRow), end = std::min(b, bottom);
      break;
  }
  // Rows above the view have no place on the canvas.
  first = std::max(first, TopRow);
  const std::int32_t last = std::min(Lines->Count() - 1, end);
  DrawRowRange(first, last);
  FillBelowText(first, last);
  DrawCaretUnderline(true);
  if (HorzScrollBar) window_.SetScrollPos(ScrollBarKind::Horz, ThumbPos(ScrollBarKind::Horz), true);
  UpdateHorzRange(true);
}

void TLumoEdit::FillBelowText(std::int32_t first, std::int32_t last) {
  if (!WindowCreated) return;
  const int n = std::max(0, std::min(VisibleRows, Lines->Count() - TopRow));
  const int y = TopMargin + n * LineHeight - (LineHeight - CharHeight);
  window_.Canvas().FillRect(TRect{0, y, window_.ClientWidth(), window_.ClientHeight()}, Color);
  DrawGutter(first, last);
}

void TLumoEdit::DrawGutter(std::int32_t first, std::int32_t last) {
  if (!WindowCreated || last < first) return;
  Surface& canvas = window_.Canvas();
  const int top = std::max(TopMargin, RowTop(first));
  const int bottom = std::min(window_.ClientHeight(), RowTop(last) + CharHeight);
  canvas.FillRect(TRect{0, top, TextLeft, bottom}, Color);
  if (!ShowLineNumber) return;
  canvas.Line(TextLeft - 4, TopMargin, TextLeft - 4, bottom, CREOFcolor);
  for (std::int32_t r = first; r <= last; ++r) {
    const std::string number = std::to_string(r + 1);
    const int right = TextLeft - 7, left = right - canvas.TextWidth(number), y = RowTop(r);
    canvas.TextOut(left, y, TRect{left, y, right, y + CharHeight}, number, CREOFcolor, Color);
  }
}

void TLumoEdit::DrawCaretUnderline(bool draw) {
  if (!WindowCreated || !UlineF || SelActive || MouseSelecting) return;
  Surface& canvas = window_.Canvas();
  const int y = RowTop(CaretRow) + CharHeight;
  if (draw) {
    canvas.Line(LeftMargin, y, window_.ClientWidth(), y, UlineColor);
    return;
  }
  if (y <= TopMargin) return;
  canvas.Line(LeftMargin, y, window_.ClientWidth(), y, Color);
  if (ShowLineNumber) canvas.SetPixel(TextLeft - 4, y, CREOFcolor);
}

void TLumoEdit::MoveCaretUnderline(std::int32_t oldRow, std::int32_t newRow) {
  if (!WindowCreated || !UlineF || SelActive || MouseSelecting) return;
  Surface& canvas = window_.Canvas();
  const int right = TextLeft + TextAreaWidth;
  const int oldY = RowTop(oldRow) + CharHeight;
  // Above the first row the erasure would leave a rule pixel in the top margin.
  if (oldY > TopMargin) {
    canvas.Line(LeftMargin, oldY, right, oldY, Color);
    if (ShowLineNumber) canvas.SetPixel(TextLeft - 4, oldY, CREOFcolor);
  }
  const int newY = RowTop(newRow) + CharHeight;
  canvas.Line(LeftMargin, newY, right, newY, UlineColor);
}

void TLumoEdit::ClearHighlight() {
  if (!SelActive && !AllSelected && HighlightLen > 0 && HighlightRow >= 0 && HighlightRow < Lines->Count()) {
    // The range ends where HighlightLen bytes from its start run out, across rows.
    std::int32_t row = HighlightRow;
    std::int64_t remaining = static_cast<std::int64_t>(HighlightCol) + HighlightLen;
    while (row < Lines->Count() - 1 && remaining > static_cast<std::int64_t>(Lines->Get(row).size())) {
      remaining -= static_cast<std::int64_t>(Lines->Get(row).size());
      ++row;
    }
    if (WindowCreated) {
      window_.HideCaret();
      RedrawRows(RedrawBand::RowRange, HighlightRow, row);
      window_.ShowCaret();
    }
  }
  HighlightLen = 0;
}

}  // namespace quiret
