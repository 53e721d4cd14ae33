// TLumoEdit: replacing found text. One replacement goes through the edit door as a removal
// and an insertion; replacing all hands every replacement to the door at once (which builds
// every changed line once and re-cuts the rows in one pass), and the history keeps the whole
// set as one compound record, so one undo takes it back.
#include <algorithm>
#include <cstring>

#include "editor/FindMatcher.h"
#include "editor/LumoEdit.h"
#include "editor/LumoEditFindState.h"
#include "editor/LumoEditSub.h"

namespace quiret {

bool TLumoEdit::ReplaceText(std::string_view findchr, std::string_view changechr,
                            const TFindOptions& options) {
  if (ReadOnly) return false;
  FindState& fs = PrepareFind(findchr, options);
  const std::string key(findchr);
  if (!fs.usable || HoldsLineBytes(changechr)) {
    if (OnFindNoHit) OnFindNoHit(this, key);
    return false;
  }
  bool replaced = false;
  RowPos lo, hi, start, end;
  std::int32_t len = 0;
  // Only a selection that is exactly the match at its start is replaced.
  if (SelActive && GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row) &&
      FindMatch(fs, lo, false, start, end, len) && ToLine(start) == ToLine(lo) && ToLine(end) == ToLine(hi)) {
    const LinePos at = ToLine(start);
    std::int32_t lastRow = 0;
    const std::string line(StripLineEnd(JoinRows(Lines->RowAfterLfRow(at.Line), lastRow)));
    const std::string repl = fs.matcher.Substitute(line, static_cast<std::size_t>(at.Offset), changechr);
    bool changeF = true, kakuninF = false, abortF = false;
    if (OnFindChange) OnFindChange(this, key, repl, start.Col, start.Row, len, 1, changeF, kakuninF, abortF);
    if (changeF && !abortF && !HoldsLineBytes(repl)) {
      DeleteSelection(EditView::Delete, EditEnd::More);
      InsertAtCaret(repl, EditView::Insert);
      replaced = true;
    }
    if (OnFindChangeEnd) OnFindChangeEnd(this, key, std::string(changechr), replaced ? 1 : 0);
    if (abortF) return replaced;
  }
  FindText(findchr, options, false);
  return replaced;
}

std::int32_t TLumoEdit::ReplaceAll(std::string_view findchr, std::string_view changechr,
                                   const TFindOptions& options, bool confirm) {
  if (ReadOnly) return 0;
  FindState& fs = PrepareFind(findchr, options);
  const std::string key(findchr), change(changechr);
  if (!fs.usable || HoldsLineBytes(changechr)) {
    if (OnFindNoHit) OnFindNoHit(this, key);
    return 0;
  }
  std::vector<ReplacePiece> pieces;
  std::int32_t seen = 0;
  bool abortF = false;
  LoadChunkForward(fs, 0);
  std::int32_t lineNo = 0;  // the line at `scanned` in the chunk
  std::size_t scanned = 0, lineStart = 0, off = 0, at = 0, n = 0;
  while (!abortF) {
    if (!fs.matcher.First(fs.chunk, off, at, n)) {
      if (fs.endRow >= Lines->Count()) break;
      lineNo += static_cast<std::int32_t>(std::count(
          fs.chunk.text.begin() + static_cast<std::ptrdiff_t>(scanned), fs.chunk.text.end(), '\n'));
      LoadChunkForward(fs, fs.endRow);
      scanned = lineStart = off = 0;
      continue;
    }
    const std::size_t found = at;
    off = found + 1;
    if (!AcceptHit(fs, at, n) || at < scanned) continue;  // dropped, or moved back over a replaced one
    off = at + n;
    const std::string_view text = fs.chunk.text;
    for (const char* p = text.data() + scanned;
         (p = static_cast<const char*>(std::memchr(p, '\n', at - (p - text.data())))); ++p) {
      ++lineNo;
      lineStart = static_cast<std::size_t>(p - text.data()) + 1;
    }
    scanned = at;
    const std::size_t lineEnd = LineEndAfter(text, at);
    const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
    ReplacePiece piece{lineNo, static_cast<std::int32_t>(at - lineStart), std::string(text.substr(at, n)),
                       fs.matcher.Substitute(line, at - lineStart, change)};
    if (HoldsLineBytes(piece.Repl)) continue;
    ++seen;
    if (OnFindChange) {
      bool changeF = true, kakuninF = confirm;
      const RowPos start = ChunkToRow(fs, at);
      if (confirm) SelectRange(start, ChunkEndToRow(fs, at, n));
      OnFindChange(this, key, piece.Repl, start.Col, start.Row, static_cast<std::int32_t>(n), seen, changeF,
                   kakuninF, abortF);
      confirm = kakuninF;
      if (!changeF || abortF) continue;
    }
    pieces.push_back(std::move(piece));
  }
  const auto count = static_cast<std::int32_t>(pieces.size());
  if (seen == 0 && OnFindNoHit) OnFindNoHit(this, key);
  if (count > 0) {
    if (HasSelection()) EndSelection();
    EditPieces(pieces, true, EditEnd::Change);
  }
  if (OnFindChangeEnd) OnFindChangeEnd(this, key, change, count);
  return count;
}

}  // namespace quiret
