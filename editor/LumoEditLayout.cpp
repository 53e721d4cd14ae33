// TLumoEdit: display rows (wrapping), position mapping, measuring and the window geometry.
#include <algorithm>
#include <cmath>
#include <exception>
#include <string>
#include <vector>

#include "editor/IntDiv.h"
#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

constexpr char kTabFill[] = "        ";  // eight blanks: TabCount is at most 8

inline bool EndsWithLf(std::string_view row) { return !row.empty() && row.back() == '\n'; }

// Widths of characters through a cache indexed by the single byte (0..255) or by
// lead * 256 + trail for a two-byte character (always >= 0x8100, so the ranges never meet).
// The 256 single bytes are measured together the first time; the slot after the table
// records that they are.
class WidthTable {
 public:
  WidthTable(std::vector<int>& cache, Surface& surface) : cache_(cache), surface_(surface) {
    if (cache_.size() != kSize + 1) cache_.assign(kSize + 1, 0);
    if (cache_[kSize] == 0) {
      for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        cache_[static_cast<std::size_t>(b)] = surface_.TextWidth(std::string_view(&c, 1));
      }
      cache_[kSize] = 1;
    }
    table_ = cache_.data();
  }
  int Single(unsigned char b) const { return table_[b]; }
  int Pair(unsigned char lead, unsigned char trail) {
    const unsigned idx = (static_cast<unsigned>(lead) << 8) | trail;
    int w = table_[idx];
    if (w == 0) {
      const char s[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      w = table_[idx] = surface_.TextWidth(std::string_view(s, 2));
    }
    return w;
  }

 private:
  static constexpr std::size_t kSize = 65536;
  std::vector<int>& cache_;
  Surface& surface_;
  int* table_ = nullptr;
};

// Byte classes for the measuring loops: plain, tab, lead byte.
enum : unsigned char { kPlain = 0, kTab = 1, kLeadByte = 2 };
struct ByteClasses {
  unsigned char of[256];
  constexpr ByteClasses() : of() {
    for (int b = 0; b < 256; ++b)
      of[b] = b == '\t' ? kTab : (IsLeadByte(static_cast<unsigned char>(b)) ? kLeadByte : kPlain);
  }
};
constexpr ByteClasses kClass;

// The wrap rule's measuring step, done in one forward pass. The rule shrinks a piece one
// byte at a time until the tab-expanded piece fits in `column` columns (and, with autoWrap,
// in `areaWidth` pixels); both measures only grow with the piece, so the longest fitting
// prefix is the last one before the first that does not fit. A piece that ends on a lead
// byte is measured with that byte alone, as measuring the cut piece would; a tab after a
// lead byte is still expanded, as the expansion does not look at the byte before it.
std::size_t LongestFittingPrefix(std::string_view data, std::int32_t column, bool autoWrap,
                                 std::int32_t areaWidth, int tabCount, WidthTable& widths) {
  const std::size_t n = data.size();
  const std::size_t maxPos = std::min<std::size_t>(n, static_cast<std::size_t>(std::max(column, 0)));
  const long long limitW = autoWrap ? areaWidth : (1LL << 62);
  if (limitW < 0) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  long long cols = 0;
  long long w = 0;
  std::size_t fit = 0;
  std::size_t i = 0;
  while (i < maxPos) {
    const unsigned char b = bytes[i];
    const unsigned char kind = kClass.of[b];
    if (kind == kPlain || (kind == kLeadByte && (i + 1 >= n || bytes[i + 1] == '\t'))) {
      cols += 1;
      w += widths.Single(b);
      ++i;
    } else if (kind == kTab) {
      const int blanks = tabCount - static_cast<int>(cols % tabCount);
      cols += blanks;
      w += static_cast<long long>(blanks) * widths.Single(' ');
      ++i;
    } else {
      // The piece cut after the lead byte.
      if (cols + 1 > column || w + widths.Single(b) > limitW) break;
      fit = i + 1;
      if (i + 2 > maxPos) break;
      cols += 2;
      w += widths.Pair(b, bytes[i + 1]);
      i += 2;
    }
    if (cols > column || w > limitW) break;
    fit = i;
  }
  return fit;
}

// Bytes the next row takes from `data` (a logical line or its remainder, terminator
// included). `compareLen` is the length the split decision compares with: the whole data
// for a whole-text wrap, the data without its terminator when re-wrapping after an edit.
// A result >= compareLen means: the rest of the data is the line's last row.
std::size_t NextRowLength(std::string_view data, std::size_t compareLen, std::int32_t column, bool autoWrap,
                          std::int32_t areaWidth, int tabCount, WidthTable& widths) {
  std::size_t pos = LongestFittingPrefix(data, column, autoWrap, areaWidth, tabCount, widths);
  if (pos >= compareLen) return data.size();
  if (pos >= 1 && (data[pos - 1] == '\r' || data[pos - 1] == '\0')) --pos;       // keep the terminator whole
  if (pos >= 1 && ByteKindAt(data, static_cast<std::int32_t>(pos)) == 1) --pos;  // keep characters whole
  // A row always takes at least one character, however narrow the text area: a text area
  // narrower than one character must not stop the wrap. A lone terminator stays whole.
  std::size_t minPos;
  if (data.size() == 2 && HasLineEnd(data)) {
    minPos = 2;
  } else {
    minPos = static_cast<std::size_t>(std::max(1, CharLenAt(data, 0)));
  }
  if (pos < minPos) pos = minPos;
  return pos >= compareLen ? data.size() : pos;
}

// The parameters of the wrap rule.
struct WrapRule {
  std::int32_t column;
  bool autoWrap;
  std::int32_t areaWidth;
  int tabCount;
};

// The rows SplitRows gives, written into the store. The cuts are found first (nothing
// changes if the text would have too many rows); then the store is re-cut in one pass.
void WrapInPlace(TLumoStrings& lines, const WrapRule& rule, WidthTable& widths) {
  const std::int32_t count = lines.Count();
  std::vector<std::size_t> rowLen;
  rowLen.reserve(static_cast<std::size_t>(count) + static_cast<std::size_t>(count) / 2);
  for (std::int32_t r = 0; r < count; ++r) {
    std::string_view data = lines.Get(r);
    for (;;) {
      const std::size_t take =
          NextRowLength(data, data.size(), rule.column, rule.autoWrap, rule.areaWidth, rule.tabCount, widths);
      if (take >= data.size()) {
        rowLen.push_back(data.size());
        break;
      }
      rowLen.push_back(take);
      data.remove_prefix(take);
    }
  }
  if (rowLen.size() > static_cast<std::size_t>(TLumoStrings::kMaxListSize)) lines.Error();
  if (rowLen.size() == static_cast<std::size_t>(count)) {
    lines.SetCapacity(count);  // nothing splits; the list ends as an assignment leaves it
    return;
  }
  lines.Recut(rowLen);
}

// Joins every logical line back into one row: a line runs up to and including the first
// row with a terminator (or the last row).
void UnwrapInPlace(TLumoStrings& lines) {
  const std::int32_t count = lines.Count();
  std::vector<std::size_t> lineLen;
  lineLen.reserve(static_cast<std::size_t>(count));
  std::size_t length = 0;
  for (std::int32_t r = 0; r < count; ++r) {
    const std::string_view s = lines.Get(r);
    length += s.size();
    if (HasLineEnd(s) || r == count - 1) {
      lineLen.push_back(length);
      length = 0;
    }
  }
  if (lineLen.size() == static_cast<std::size_t>(count)) {
    lines.SetCapacity(count);  // nothing joins
    return;
  }
  lines.Recut(lineLen);
}

}  // namespace

// ---- Measuring ----

void TLumoEdit::ResetWidthCache() { widthCache_.clear(); }

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
  const std::int32_t count = Lines->Count();
  std::int32_t offset = col;
  // The line's first row comes from the store's line index; the offset then walks the
  // line's own rows. An offset equal to a continuation row's length lands at the start of
  // the row after it.
  std::int32_t r = Lines->RowAfterLfRow(row);
  std::int32_t lastVisited = r;
  while (offset >= 0 && r < count) {
    col = offset;
    offset -= static_cast<std::int32_t>(Lines->Get(r).size());
    lastVisited = r;
    ++r;
  }
  row = lastVisited;
}

void TLumoEdit::RowToLine(std::int32_t& col, std::int32_t& row) const {
  std::int32_t offset = col;
  for (std::int32_t r = row - 1; r >= 0; --r) {
    std::string_view s = Lines->Get(r);
    if (EndsWithLf(s)) break;
    offset += static_cast<std::int32_t>(s.size());
  }
  col = offset;
  row = Lines->LfRowsBefore(row);
}

void TLumoEdit::Relayout(bool wrap, bool redraw) {
  try {
    ClearHighlight();
    if (wrap) {
      WidthTable widths(widthCache_, window_.Canvas());
      WrapInPlace(*Lines, WrapRule{Column, AutoWrap, TextAreaWidth, TabCount}, widths);
      WordWrap = true;
      LineToRow(CaretCol, CaretRow);
      LineToRow(AnchorCol, AnchorRow);
    } else {
      RowToLine(CaretCol, CaretRow);
      RowToLine(AnchorCol, AnchorRow);
      UnwrapInPlace(*Lines);
      WordWrap = false;
    }
    SelEndCol = PaintedSelCol = CaretCol;
    SelEndRow = PaintedSelRow = CaretRow;
    HorzOffset = 0;
    CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol);
    if (redraw && !ShowPosition(-1, -1, 0, false)) {
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

void TLumoEdit::RewrapLines(std::int32_t x, std::int32_t firstRow, bool redraw, bool redrawBelow,
                            std::int32_t lastRow) {
  (void)x;  // the band redraw repaints the first row whole
  WidthTable widths(widthCache_, window_.Canvas());
  std::int32_t newCaretCol = CaretCol;
  std::int32_t newCaretRow = CaretRow;
  std::int32_t w = firstRow;
  const std::int32_t lineCount = lastRow - firstRow + 1;
  bool rowCountChanged = false;
  for (std::int32_t k = 0; k < lineCount && w < Lines->Count(); ++k) {
    std::int32_t oldLast = w;
    const std::string data = JoinRows(w, oldLast);
    std::int32_t oldExtra = oldLast - w;
    const std::size_t compareLen = HasLineEnd(data) ? data.size() - 2 : data.size();
    std::string_view rest = data;
    std::int32_t j = 0;
    for (bool last = false; !last;) {
      std::size_t take = NextRowLength(rest, compareLen - std::min(compareLen, data.size() - rest.size()),
                                       Column, AutoWrap, TextAreaWidth, TabCount, widths);
      last = take >= rest.size();
      std::string_view piece = rest.substr(0, take);
      if (j <= oldExtra) {
        Lines->Put(w, piece);
      } else {
        Lines->Insert(w, piece);
      }
      if (firstRow + k == CaretRow && newCaretCol >= 0) {
        CaretCol = newCaretCol;
        newCaretCol -= static_cast<std::int32_t>(piece.size());
        ++newCaretRow;
      }
      ++w;
      ++j;
      rest.remove_prefix(piece.size());
    }
    // Every surplus row of the old layout goes.
    for (std::int32_t surplus = oldExtra + 1 - j; surplus > 0; --surplus) Lines->Delete(w);
    if (firstRow + k < CaretRow) newCaretRow += j - (oldExtra + 1);
    if (j != oldExtra + 1) rowCountChanged = true;
  }
  newCaretRow -= 1;

  if (!redraw) {
    CaretRow = AnchorRow = SelEndRow = newCaretRow;
    CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
    return;
  }
  if (ShowPosition(CaretCol, newCaretRow, 0, true)) {
    CaretRow = AnchorRow = newCaretRow;
  } else {
    if (UpdateVertRange(true)) {
      RedrawAll();
    } else if (redrawBelow || rowCountChanged || lineCount > 1) {
      RedrawRows(3, firstRow, 0);
    } else {
      RedrawRows(6, firstRow, w - 1);
    }
    AnchorCol = SelEndCol = PaintedSelCol = GoalCol = CaretCol;
    CaretRow = AnchorRow = SelEndRow = newCaretRow;
  }
  PaintedSelRow = CaretRow;
  UpdateCaret();
}

// ---- Geometry ----

void TLumoEdit::LayoutForSize(int clientWidth, int clientHeight) {
  TextAreaWidth = clientWidth - TextLeft;
  TextAreaHeight = clientHeight - TopMargin;
  if (LineHeight != 0) VisibleRows = FloorDiv(TextAreaHeight, LineHeight);
  VertScrollMargin = CeilDiv(VisibleRows, 5);
  HorzJump = CeilDiv(TextAreaWidth, 5);
  HorzScrollMargin = CurSetMode ? 10 : HorzJump;
  const int bottom = VisibleRows * LineHeight + TopMargin;
  TextAreaRect = TRect{TextLeft, 0, clientWidth, bottom};
  RowsRect = TRect{0, TopMargin, clientWidth, bottom};
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
