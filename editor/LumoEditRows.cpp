// TLumoEdit: the only code that writes the rows. A change of the text replaces one range of
// bytes (or, for find and replace, many at once) and is reported through OnTextChange; the
// re-wrap of edited lines, the whole-text wrap and a new text handed in only re-cut or
// replace the rows.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"
#include "editor/WrapEngine.h"

namespace quiret {

namespace {

bool HoldsCrLf(std::string_view text) { return text.find("\r\n") != std::string_view::npos; }

// The first row of the first line of each run of pieces that meet (a piece's end line is the
// next one's line), found before any row changes: a line put whole into its first row moves
// the line index's idea of where the next lines start onto the rows it emptied, and looking
// them up afterwards would walk those again for each line.
std::vector<std::int32_t> FirstRowsOfRuns(const TLumoStrings& rows, std::string_view record) {
  std::vector<std::int32_t> first;
  ReplaceRecordReader in(record);
  ReplaceSpan p;
  std::int32_t endLine = -1;
  while (in.Next(p)) {
    if (p.Line != endLine) first.push_back(rows.RowAfterLfRow(p.Line));
    endLine = EndOfText(LinePos{p.Col, p.Line}, p.Cur).Line;
  }
  return first;
}

}  // namespace

TLumoStrings& TLumoEdit::Store() { return *Lines.rows_; }

RowPos TLumoEdit::ReplaceRange(RowPos from, RowPos to, std::string_view text, std::string_view removed) {
  ForgetUrlCarryFrom(from.Row);
  if (from == to && text.empty()) return from;
  TLumoStrings& rows = Store();
  const LinePos at = OnTextChange ? ToLine(from) : LinePos{};
  const std::string_view first = rows.Get(from.Row), last = rows.Get(to.Row);
  const std::size_t a = std::min(first.size(), static_cast<std::size_t>(std::max(from.Col, 0)));
  const std::size_t b = std::min(last.size(), static_cast<std::size_t>(std::max(to.Col, 0)));
  const std::size_t tail = last.size() - b;
  std::string merged;
  merged.reserve(a + text.size() + tail);
  merged.append(first.substr(0, a)).append(text).append(last.substr(b));
  if (to.Row > from.Row) rows.DeleteRange(from.Row + 1, to.Row - from.Row);
  RowPos end{static_cast<std::int32_t>(a + text.size()), from.Row};
  if (HoldsCrLf(text)) {
    end.Row = ReplaceRowByText(from.Row, merged);
    end.Col = static_cast<std::int32_t>(rows.Get(end.Row).size() - tail);
  } else {
    // A continuation row removed whole stays as an empty row until the re-wrap that follows
    // every change of wrapped rows: the re-wrap then sees how many rows the line had.
    rows.Put(from.Row, merged);
  }
  if (OnTextChange) OnTextChange(this, at, removed, text);
  return end;
}

std::int32_t TLumoEdit::ReplaceRowByText(std::int32_t row, std::string_view text) {
  // The first row is replaced in place and the rest go in after it with one move of the
  // later rows. The new rows go in before anything is replaced: a refused insertion loses
  // nothing.
  TLumoStrings& rows = Store();
  const std::size_t stop = text.find_first_of(std::string_view("\r\0", 2));
  const std::size_t first = stop == std::string_view::npos ? text.size() : stop + 2;
  if (first >= text.size()) {
    // One piece, or a terminator byte at the very end: the store's own splitting decides.
    std::int32_t last = row + 1;
    rows.InsertText(last, text);
    rows.Delete(row);
    return last - 1;
  }
  std::int32_t last = row + 1;
  rows.InsertText(last, text.substr(first));
  rows.Put(row, text.substr(0, first));
  return last;
}

LinePos TLumoEdit::ReplacePiecesInRows(std::string_view record) {
  ForgetUrlCarryFrom(0);
  TLumoStrings& rows = Store();
  // Rows are only replaced here, never inserted or removed, so row numbers stay valid; lines
  // that need another number of rows are put whole into their first row, the other rows
  // emptied, and all rows are re-cut once at the end.
  struct Recut {
    std::int32_t row;
    std::vector<std::size_t> lengths;
  };
  std::vector<Recut> recuts;
  const std::vector<std::int32_t> firstRows = FirstRowsOfRuns(rows, record);
  ReplaceRecordReader in(record);
  ReplaceSpan p;
  bool more = in.Next(p);
  std::string old, out;
  std::vector<std::size_t> lengths;
  for (std::size_t run = 0; more; ++run) {
    // One run: the lines from its first piece's line to its last piece's end line, joined.
    const std::int32_t first = firstRows[run];
    std::int32_t last = first;
    old = JoinRows(first, last);
    out.clear();
    std::int32_t line = p.Line;
    std::size_t lineStart = 0, copied = 0;
    do {
      if (p.Line != line) throw std::runtime_error("replacement does not match the text");
      const std::size_t at = lineStart + static_cast<std::size_t>(p.Col);
      // The bytes a piece takes away may reach into the lines after it.
      for (auto breaks = std::count(p.Cur.begin(), p.Cur.end(), '\n'); breaks > 0; --breaks) {
        if (last >= LastRow()) throw std::runtime_error("replacement does not match the text");
        std::int32_t next = last + 1;
        old += JoinRows(next, last);
      }
      if (at < copied || old.compare(at, p.Cur.size(), p.Cur) != 0)
        throw std::runtime_error("replacement does not match the text");
      out.append(old, copied, at - copied).append(p.Repl);
      copied = at + p.Cur.size();
      if (const std::size_t lf = p.Cur.rfind('\n'); lf != std::string_view::npos) {
        line = EndOfText(LinePos{p.Col, p.Line}, p.Cur).Line;
        lineStart = at + lf + 1;
      }
      more = in.Next(p);
    } while (more && p.Line == line);
    out.append(old, copied);
    // The run's new lines, each cut by the wrap rule (or whole when nothing wraps).
    lengths.clear();
    for (std::size_t s = 0; s < out.size();) {
      std::size_t e = out.find('\n', s);
      e = e == std::string::npos ? out.size() : e + 1;
      const std::string_view piece = std::string_view(out).substr(s, e - s);
      if (WordWrap) {
        const std::vector<std::size_t> cut = WrapLengths(piece);
        lengths.insert(lengths.end(), cut.begin(), cut.end());
      } else {
        lengths.push_back(piece.size());
      }
      s = e;
    }
    if (lengths.size() == static_cast<std::size_t>(last - first + 1)) {
      std::size_t at = 0;
      for (std::size_t j = 0; j < lengths.size(); ++j) {
        rows.Put(first + static_cast<std::int32_t>(j), std::string_view(out).substr(at, lengths[j]));
        at += lengths[j];
      }
    } else {
      rows.Put(first, out);
      for (std::int32_t r = first + 1; r <= last; ++r) rows.Put(r, std::string_view());
      recuts.push_back(Recut{first, lengths});
    }
  }
  if (!recuts.empty()) {
    std::vector<std::uint32_t> all;
    all.reserve(static_cast<std::size_t>(rows.Count()) + recuts.size());
    std::size_t k = 0;
    for (std::int32_t r = 0; r < rows.Count(); ++r) {
      if (k < recuts.size() && recuts[k].row == r) {
        all.insert(all.end(), recuts[k].lengths.begin(), recuts[k].lengths.end());
        ++k;
      } else if (const std::size_t n = rows.Get(r).size(); n > 0) {
        all.push_back(static_cast<std::uint32_t>(n));
      }
    }
    rows.Recut(all);
  }
  // Each piece where it stands once the pieces before it are in.
  ReplaceShift shift;
  ReplaceRecordReader again(record);
  while (again.Next(p)) {
    const LinePos at = shift.Pass(p);
    if (OnTextChange) OnTextChange(this, at, p.Cur, p.Repl);
  }
  return shift.NewEnd();
}

bool TLumoEdit::CutsMayMeet() const {
  const WrapMade& m = wrapMade_;
  return rowsByRule_ && m.valid && m.column == Column && m.tabCount == TabCount && m.autoWrap == AutoWrap &&
         (!AutoWrap || m.areaWidth == TextAreaWidth);
}

void TLumoEdit::CheckRowsBefore(std::int32_t firstRow) {
  if (!rowsByRule_) return;
  TLumoStrings& rows = Store();
  const std::int32_t count = rows.Count();
  const std::size_t ahead = static_cast<std::size_t>(std::max(Column, 0)) + 8;
  WidthTable widths(widthCache_, window_.Canvas());
  std::string data;
  std::size_t between = 0;  // bytes from the end of row r to the start of firstRow
  for (std::int32_t r = firstRow - 1; r >= 0 && !HasLineEnd(rows.Get(r)); --r) {
    data.clear();
    bool ended = false;
    for (std::int32_t q = r; !ended && data.size() < ahead; ++q) {
      const std::string_view s = rows.Get(q);
      data.append(s);
      ended = HasLineEnd(s) || q >= count - 1;
    }
    // A row looks at most three bytes past its end, and at the line's length only when
    // the rest of the line is about a row long.
    if (between >= 3 && !ended) return;
    const std::size_t compareTo = ended && HasLineEnd(data) ? data.size() - 2 : data.size();
    const std::size_t length = rows.Get(r).size();
    if (NextRowLength(data, compareTo, Column, AutoWrap, TextAreaWidth, TabCount, widths) != length) {
      rowsByRule_ = false;
      return;
    }
    between += length;
  }
}

std::int32_t TLumoEdit::RowAfterLine(std::int32_t row) {
  TLumoStrings& rows = Store();
  const std::int32_t line = rows.LfRowsBefore(row);
  return line < rows.LfRowsBefore(rows.Count()) ? rows.RowAfterLfRow(line + 1) : rows.Count();
}

void TLumoEdit::PutPieces(std::int32_t row, std::int32_t oldRows, std::string_view bytes,
                          const std::vector<std::size_t>& lengths) {
  TLumoStrings& rows = Store();
  const auto newRows = static_cast<std::int32_t>(lengths.size());
  std::size_t at = 0;
  for (std::int32_t j = 0; j < newRows; ++j) {
    const std::string_view piece = bytes.substr(at, lengths[static_cast<std::size_t>(j)]);
    at += piece.size();
    if (j >= oldRows) {
      rows.Insert(row + j, piece);
    } else if (rows.Get(row + j) != piece) {
      rows.Put(row + j, piece);
    }
  }
  if (newRows < oldRows) rows.DeleteRange(row + newRows, oldRows - newRows);
}

std::int32_t TLumoEdit::RewrapLinePart(std::int32_t w, bool caretLine, std::int32_t& newCaretCol,
                                       std::int32_t& newCaretRow, std::int32_t& grown, const WrapStop& stop) {
  TLumoStrings& rows = Store();
  const std::int32_t count = rows.Count();
  auto followCaret = [&](std::size_t length) {
    if (caretLine && newCaretCol >= 0) {
      CaretCol = newCaretCol;
      newCaretCol -= static_cast<std::int32_t>(length);
      ++newCaretRow;
    }
  };
  // The rule looks at most at Column bytes of a row and the two after them, so rows are
  // read only that far ahead of the cut being made.
  const std::size_t ahead = static_cast<std::size_t>(std::max(Column, 0)) + 8;
  WidthTable widths(widthCache_, window_.Canvas());
  std::string bytes;              // rows w, w + 1, ... read so far
  std::vector<std::size_t> ends;  // where each of them ends in `bytes`
  std::vector<std::size_t> cuts;  // the new rows' lengths
  std::int32_t next = w;          // the next row to read
  bool ended = false;             // `bytes` reach the line's end
  std::int32_t met = -1;          // the old row a new cut met
  std::int32_t seam = -1;         // the first row left uncut
  std::int32_t oldRows = 0;
  std::size_t pos = 0;
  const bool meet = CutsMayMeet();
  // Rows from the seam to the last one made are cut anyhow: no cut may stop on them.
  const std::int32_t pendingRow = PendingRow(), pendingLast = PendingLastRow();
  for (std::size_t e = 0;;) {
    while (!ended && bytes.size() < pos + ahead) {
      const std::string_view s = rows.Get(next);
      bytes.append(s);
      ends.push_back(bytes.size());
      ended = HasLineEnd(s) || next >= count - 1;
      ++next;
    }
    // The split decision compares with the line's length without its terminator.
    const std::size_t compareTo = ended && HasLineEnd(bytes) ? bytes.size() - 2 : bytes.size();
    const std::string_view rest = std::string_view(bytes).substr(pos);
    const std::size_t take =
        std::min(rest.size(), NextRowLength(rest, compareTo - std::min(compareTo, pos), Column, AutoWrap,
                                            TextAreaWidth, TabCount, widths));
    cuts.push_back(take);
    followCaret(take);
    pos += take;
    if (take >= rest.size()) {
      oldRows = next - w;
      break;
    }
    // Where a cut meets the start of an old row after the first (changed) one, the rows
    // from there on are what the rule made of the same bytes before: they stay.
    while (e < ends.size() && ends[e] < pos) ++e;
    const std::int32_t old = w + static_cast<std::int32_t>(e) + 1;
    // Before the seam, only once the caret is placed: it is never looked for in rows that
    // are not cut yet.
    const bool caretPlaced = !(caretLine && newCaretCol >= 0);
    const bool mayMeet = pendingRow < 0 || old > pendingLast || (old <= pendingRow && caretPlaced);
    if (meet && ends[e] == pos && mayMeet && !rows.Get(old).empty()) {
      met = old;
      oldRows = met - w;
      break;
    }
    // Far enough below the caret and the view, the rest of the line may wait: the old row
    // holding this cut keeps its bytes from the cut on, as the seam.
    const auto made = static_cast<std::int32_t>(cuts.size());
    if (cuts.size() >= stop.rows && caretPlaced &&
        w + made > std::max(stop.pastRow, newCaretRow - 1) + stop.margin) {
      seam = w + made;
      if (ends[e] > pos) cuts.push_back(ends[e] - pos);
      pos = ends[e];
      oldRows = static_cast<std::int32_t>(e) + 1;
      break;
    }
  }
  grown = static_cast<std::int32_t>(cuts.size()) - oldRows;
  NotePendingAfterRewrap(w, oldRows, count + grown, seam, met);
  PutPieces(w, oldRows, std::string_view(bytes).substr(0, pos), cuts);
  const std::int32_t kept = w + static_cast<std::int32_t>(cuts.size());
  if (met < 0) return kept;
  std::int32_t after = RowAfterLine(kept);
  // A whole-text wrap may have left the line's terminator alone in its last row where the
  // rule after an edit keeps it with the text before it: the last two rows are cut again
  // (unless they are pending: they are cut then).
  const bool pendingHere = WrapPending() && PendingRow() < after;
  if (after - 2 >= kept && !pendingHere) {
    const std::int32_t pen = after - 2;
    const std::string tail = std::string(rows.Get(pen)).append(rows.Get(pen + 1));
    const std::vector<std::size_t> lengths = WrapLengths(tail);
    if (lengths.size() != 2 || lengths[0] != rows.Get(pen).size()) {
      PutPieces(pen, 2, tail, lengths);
      const auto more = static_cast<std::int32_t>(lengths.size()) - 2;
      grown += more;
      after += more;
    }
  }
  for (std::int32_t r = kept; r < after && caretLine && newCaretCol >= 0; ++r)
    followCaret(rows.Get(r).size());
  return after;
}

void TLumoEdit::NotePendingAfterRewrap(std::int32_t w, std::int32_t oldRows, std::int32_t countAfter,
                                       std::int32_t seamRow, std::int32_t met) {
  const std::int32_t pendingRow = PendingRow(), pendingLast = PendingLastRow();
  const std::int32_t oldEnd = w + oldRows;  // the first old row not replaced
  if (seamRow >= 0) {
    pendingFromEnd_ = countAfter - seamRow;
    // An older seam further down stays the last one made.
    if (pendingRow < 0 || pendingLast < oldEnd) pendingLastFromEnd_ = pendingFromEnd_;
    return;
  }
  // Cuts that met rows after the last seam, or reached the line's end over the seam, leave
  // nothing pending; otherwise the pending part lies further down and keeps its place
  // counted from the end.
  if (pendingRow >= 0 && ((met >= 0 && met > pendingLast) || (met < 0 && oldEnd > pendingRow)))
    ClearPendingWrap();
}

void TLumoEdit::RewrapLines(std::int32_t x, std::int32_t firstRow, bool redraw, bool redrawBelow,
                            std::int32_t lastRow, bool mayLeavePending) {
  (void)x;  // the band redraw repaints the first row whole
  ForgetUrlCarryFrom(firstRow);
  TLumoStrings& rows = Store();
  std::int32_t newCaretCol = CaretCol;
  std::int32_t newCaretRow = CaretRow;
  std::int32_t w = firstRow;
  const std::int32_t lineCount = lastRow - firstRow + 1;
  bool rowCountChanged = false;
  for (std::int32_t k = 0; k < lineCount && w < rows.Count(); ++k) {
    std::int32_t grown = 0;
    // Only the last line, at or after the caret's, may leave the rest of itself pending.
    WrapStop stop;
    if (mayLeavePending && k == lineCount - 1 && firstRow + k >= CaretRow) {
      stop.rows = wrapBudget_;
      stop.pastRow = TopRow + VisibleRows;
      stop.margin = PendingMargin();
    }
    w = RewrapLinePart(w, firstRow + k == CaretRow, newCaretCol, newCaretRow, grown, stop);
    if (firstRow + k < CaretRow) newCaretRow += grown;
    if (grown != 0) rowCountChanged = true;
  }
  CheckRowsBefore(firstRow);
  RequestIdleWrap();
  newCaretRow -= 1;

  if (!redraw) {
    CaretRow = AnchorRow = SelEndRow = newCaretRow;
    CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
    return;
  }
  if (ShowPosition(CaretCol, newCaretRow, ScrollKind::Follow, true)) {
    CaretRow = AnchorRow = newCaretRow;
  } else {
    if (UpdateVertRange(true)) {
      RedrawAll();
    } else if (redrawBelow || rowCountChanged || lineCount > 1) {
      RedrawRows(RedrawBand::FromRow, firstRow);
    } else {
      RedrawRows(RedrawBand::RowRange, firstRow, w - 1);
    }
    AnchorCol = SelEndCol = PaintedSelCol = GoalCol = CaretCol;
    CaretRow = AnchorRow = SelEndRow = newCaretRow;
  }
  PaintedSelRow = CaretRow;
  UpdateCaret();
}

void TLumoEdit::ResetRows() {
  ForgetUrlCarryFrom(0);
  if (!Lines.rows_) Lines.rows_ = std::make_unique<TLumoStrings>();
  Store().Clear();
  Store().Add(TLumoStrings::kEndMarker);
  rowsByRule_ = false;
  ClearPendingWrap();
}

std::unique_ptr<TLumoStrings> TLumoEdit::LoadRows(std::unique_ptr<TLumoStrings> rows) {
  if (!rows) throw std::invalid_argument("LoadRows: no rows");
  std::unique_ptr<TLumoStrings> old = std::exchange(Lines.rows_, std::move(rows));
  ForgetUrlCarryFrom(0);
  if (Store().Count() == 0) Store().Add(TLumoStrings::kEndMarker);
  rowsByRule_ = false;
  ClearPendingWrap();
  CaretCol = CaretRow = AnchorCol = AnchorRow = SelEndCol = SelEndRow = 0;
  PaintedSelCol = PaintedSelRow = GoalCol = CaretX = TopRow = HorzOffset = 0;
  SelActive = AllSelected = false;
  HighlightLen = 0;
  ClearUndoList();
  ClearRedoList();
  UndoOverflow = false;
  SetModified(false);
  if (RedoMode && OnChangeRedoMode) {
    RedoMode = false;
    OnChangeRedoMode(this, false);
  }
  return old;
}

void TLumoEdit::WrapAllRows() {
  ForgetUrlCarryFrom(0);
  ClearPendingWrap();
  rowsByRule_ = false;
  WidthTable widths(widthCache_, window_.Canvas());
  WrapInPlace(Store(), WrapRule{Column, AutoWrap, TextAreaWidth, TabCount}, widths,
              [this](std::int64_t done, std::int64_t total) {
                if (OnLayoutProgress) OnLayoutProgress(this, std::min(done, total), total);
              });
}

void TLumoEdit::UnwrapAllRows() {
  ForgetUrlCarryFrom(0);
  ClearPendingWrap();
  rowsByRule_ = false;
  UnwrapInPlace(Store());
}

}  // namespace quiret
