// TLumoEdit: replacing found text. One replacement goes through the edit door as a removal
// and an insertion; replacing all writes every replacement into one compact record (where,
// and the bytes that go and come) and hands that to the door at once, which builds every
// changed line once and re-cuts the rows in one pass; the history keeps the record that
// reverses it, so one undo takes the whole set back.
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
  const FindBusyScope busy(*this);
  FindState& fs = PrepareFind(findchr, options);
  const std::string key(findchr);
  if (!fs.usable || HoldsLineBytes(changechr)) {
    if (OnFindNoHit) OnFindNoHit(this, key);
    return false;
  }
  if (!fs.matcher.SetReplacement(changechr)) {
    window_.ShowMessage(fs.matcher.Error());
    return false;
  }
  bool replaced = false;
  RowPos lo, hi, start, end;
  std::int32_t len = 0;
  // Only a selection that is exactly the match at its start is replaced.
  if (SelActive && GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row)) {
    const bool match = FindMatch(fs, lo, false, start, end, len);
    if (fs.stop != TFindStop::fsNone) {
      ReportFindStop(fs, key);
      return false;
    }
    if (match && ToLine(start) == ToLine(lo) && ToLine(end) == ToLine(hi)) {
      const std::string_view text = fs.chunk.text;
      const RowPos first{0, Lines->RowAfterLfRow(ToLine(start).Line)};
      const std::size_t at = fs.chunk.rowStarts[static_cast<std::size_t>(start.Row - fs.firstRow)] +
                             static_cast<std::size_t>(start.Col);
      const std::size_t ls = fs.chunk.rowStarts[static_cast<std::size_t>(first.Row - fs.firstRow)];
      const std::string repl = fs.matcher.Substitute(fs.chunk, ls, LineEndAfter(text, at), at);
      if (NoteFindStop(fs)) {
        ReportFindStop(fs, key);
        return false;
      }
      bool changeF = true, kakuninF = false, abortF = false;
      if (OnFindChange)
        OnFindChange(this, key, repl, start.Col, start.Row, len, 1, changeF, kakuninF, abortF);
      if (changeF && !abortF && !HoldsLoneLineBytes(repl) &&
          UndoKeepsStep(static_cast<std::int64_t>(repl.size()))) {
        const StepScope step(*this);
        DeleteSelection(EditView::Delete, EditEnd::More);
        InsertAtCaret(repl, EditView::Insert);
        replaced = true;
      }
      if (OnFindChangeEnd) OnFindChangeEnd(this, key, std::string(changechr), replaced ? 1 : 0);
      if (abortF) return replaced;
    }
  }
  FindText(findchr, options, false);
  return replaced;
}

std::int32_t TLumoEdit::ReplaceAll(std::string_view findchr, std::string_view changechr,
                                   const TFindOptions& options, bool confirm,
                                   const std::pair<LinePos, LinePos>* within) {
  if (ReadOnly) return 0;
  const FindBusyScope busy(*this);
  FindState& fs = PrepareFind(findchr, options);
  const std::string key(findchr), change(changechr);
  if (!fs.usable || HoldsLineBytes(changechr)) {
    if (OnFindNoHit) OnFindNoHit(this, key);
    return 0;
  }
  if (!fs.matcher.SetReplacement(changechr)) {
    window_.ShowMessage(fs.matcher.Error());
    return 0;
  }
  const bool regex = fs.matcher.IsRegex();
  ReplaceRecordWriter record;
  std::string substituted;
  std::int32_t seen = 0;
  bool abortF = false;
  WatchFindProgress(fs, 0, false);
  LoadChunkForward(fs, 0);
  // Every cost here is per match or per line, never per match and line: the line's number,
  // start and end are carried along as the matches move through it.
  constexpr std::size_t kUnknown = std::string_view::npos;
  std::int32_t lineNo = 0;  // the line at `scanned` in the chunk
  std::size_t scanned = 0, lineStart = 0, lineEnd = kUnknown, off = 0, at = 0, n = 0;
  while (!abortF) {
    if (!fs.matcher.First(fs.chunk, off, at, n)) {
      if (NoteFindStop(fs) || fs.endRow >= Lines->Count()) break;
      lineNo += static_cast<std::int32_t>(std::count(
          fs.chunk.text.begin() + static_cast<std::ptrdiff_t>(scanned), fs.chunk.text.end(), '\n'));
      LoadChunkForward(fs, fs.endRow);
      scanned = lineStart = off = 0;
      lineEnd = kUnknown;
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
      lineEnd = kUnknown;
    }
    scanned = at;
    if (lineEnd == kUnknown) lineEnd = LineEndAfter(text, at);
    if (regex) substituted = fs.matcher.Substitute(fs.chunk, lineStart, lineEnd, at);
    const std::string& repl = regex ? substituted : change;
    if (NoteFindStop(fs)) break;
    if (HoldsLoneLineBytes(repl)) continue;
    const auto col = static_cast<std::int32_t>(at - lineStart);
    if (within && (LinePos{col, lineNo} < within->first ||
                   LinePos{col + static_cast<std::int32_t>(n), lineNo} > within->second))
      continue;
    ++seen;
    if (OnFindChange) {
      bool changeF = true, kakuninF = confirm;
      const RowPos start = ChunkToRow(fs, at);
      if (confirm) SelectRange(start, ChunkEndToRow(fs, at, n));
      OnFindChange(this, key, repl, start.Col, start.Row, static_cast<std::int32_t>(n), seen, changeF,
                   kakuninF, abortF);
      confirm = kakuninF;
      if (!changeF || abortF) continue;
    }
    record.Add(lineNo, static_cast<std::int32_t>(at - lineStart), text.substr(at, n), repl);
  }
  if (fs.stop != TFindStop::fsNone) {
    // Stopped before the end: nothing is replaced, rather than an unknown part of the text.
    ReportFindStop(fs, key);
    return 0;
  }
  const auto count = static_cast<std::int32_t>(record.Count());
  if (seen == 0 && OnFindNoHit) OnFindNoHit(this, key);
  if (count > 0) {
    const std::string inverse = InverseReplaceRecord(record.Text());
    if (!UndoHasRoom(static_cast<std::int64_t>(inverse.size()))) return 0;
    if (HasSelection()) EndSelection();
    EditPieces(record.Text(), &inverse, EditEnd::Change);
  }
  if (OnFindChangeEnd) OnFindChangeEnd(this, key, change, count);
  return count;
}

}  // namespace quiret
