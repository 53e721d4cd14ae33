// TLumoEdit: finding text. The rows are searched in chunks of whole logical lines, so a match
// may run across wrapped rows but never across a line end; a hit is selected and scrolled
// into view, and the host hears of it through OnFind, OnFindHit and OnFindNoHit.
#include <algorithm>
#include <cstring>

#include "editor/FindMatcher.h"
#include "editor/LumoEdit.h"
#include "editor/LumoEditFindState.h"
#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

// Large enough that a call per chunk costs nothing, small enough to stay in the cache.
constexpr std::size_t kChunkBytes = std::size_t{1} << 18;

}  // namespace

TLumoEdit::FindState& TLumoEdit::PrepareFind(std::string_view findchr, const TFindOptions& options) {
  if (!find_) find_ = std::make_shared<FindState>();
  FindState& fs = *find_;
  if (!fs.compiled || fs.pattern != findchr || !(fs.options == options)) {
    fs.pattern.assign(findchr);
    fs.options = options;
    fs.usable = fs.matcher.Compile(findchr, options);
    fs.compiled = true;
    fs.wrapPending = false;
  }
  FindError = fs.matcher.Error();
  return fs;
}

void TLumoEdit::LoadChunkForward(FindState& fs, std::int32_t first) {
  FindChunk& c = fs.chunk;
  c.text.clear();
  c.rowStarts.clear();
  const std::int32_t count = Lines->Count();
  std::int32_t r = first;
  while (r < count) {
    const std::string_view s = Lines->Get(r);
    c.rowStarts.push_back(c.text.size());
    c.text.append(s);
    ++r;
    if (c.text.size() >= kChunkBytes && EndsWithLf(s)) break;
  }
  fs.firstRow = first;
  fs.endRow = r;
  ++fs.chunkLoads;
  fs.matcher.Load(c);
}

void TLumoEdit::LoadChunkBackward(FindState& fs, std::int32_t last) {
  // Rows back from `last` until the chunk is large enough and starts a line.
  std::int32_t first = last;
  std::size_t bytes = Lines->Get(last).size();
  while (first > 0 && (bytes < kChunkBytes || !EndsWithLf(Lines->Get(first - 1)))) {
    --first;
    bytes += Lines->Get(first).size();
  }
  FindChunk& c = fs.chunk;
  c.text.clear();
  c.rowStarts.clear();
  c.text.reserve(bytes);
  for (std::int32_t r = first; r <= last; ++r) {
    c.rowStarts.push_back(c.text.size());
    c.text.append(Lines->Get(r));
  }
  fs.firstRow = first;
  fs.endRow = last + 1;
  ++fs.chunkLoads;
  fs.matcher.Load(c);
}

RowPos TLumoEdit::ChunkToRow(const FindState& fs, std::size_t at) const {
  const auto& starts = fs.chunk.rowStarts;
  const auto k =
      static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
  return RowPos{static_cast<std::int32_t>(at - starts[k]), fs.firstRow + static_cast<std::int32_t>(k)};
}

RowPos TLumoEdit::ChunkEndToRow(const FindState& fs, std::size_t at, std::size_t len) const {
  RowPos p = ChunkToRow(fs, at + len - 1);
  ++p.Col;  // just after the match's last byte, in the row that holds it
  return p;
}

bool TLumoEdit::AcceptHit(FindState& fs, std::size_t& at, std::size_t& len) {
  if (!OnFind) return true;
  // The line is taken once for all the hits in it.
  FindState::HitLine& h = fs.hitLine;
  if (h.load != fs.chunkLoads || at < h.start || at > h.end) {
    const std::string_view text = fs.chunk.text;
    h.load = fs.chunkLoads;
    h.start = LineStartBefore(text, at);
    h.end = LineEndAfter(text, at);
    h.text.assign(text.substr(h.start, h.end - h.start));
    h.index = ToLine(ChunkToRow(fs, h.start)).Line;
  }
  const std::string& line = h.text;
  int x = static_cast<int>(at - h.start), n = static_cast<int>(len);
  OnFind(this, line, fs.pattern, h.index, x, n);
  if (static_cast<std::size_t>(x) == at - h.start && static_cast<std::size_t>(n) == len && n > 0) return true;
  // The host may move the hit within the line or drop it (a length of 0); only whole
  // characters can be selected.
  if (n <= 0 || x < 0 || static_cast<std::size_t>(x) + static_cast<std::size_t>(n) > line.size())
    return false;
  auto boundary = [&line](std::size_t pos) {
    std::size_t i = 0;
    while (i < pos) i += static_cast<std::size_t>(std::max(1, CharLenFrom(line, i)));
    return i == pos;
  };
  if (!boundary(static_cast<std::size_t>(x)) || !boundary(static_cast<std::size_t>(x + n))) return false;
  at = h.start + static_cast<std::size_t>(x);
  len = static_cast<std::size_t>(n);
  return true;
}

void TLumoEdit::WatchFindProgress(FindState& fs, std::int32_t row, bool backward) {
  fs.stop = TFindStop::fsNone;
  if (!OnFindProgress) {
    fs.matcher.Poll = nullptr;
    return;
  }
  const TLumoStrings* rows = &*Lines;
  const std::uint64_t stamp = Lines->Changes();
  fs.matcher.Poll = [this, &fs, row, backward, rows, stamp](std::size_t at) {
    const std::int32_t here = ChunkToRow(fs, std::min(at, fs.chunk.text.size() - 1)).Row;
    const std::int64_t done = backward ? row - here : here - row;
    const std::int64_t total = backward ? row + 1 : Lines->Count() - row;
    bool abortF = false;
    if (OnFindProgress) OnFindProgress(this, std::max<std::int64_t>(0, done), total, abortF);
    // Whatever the host let happen meanwhile, a search goes on only over the rows it began
    // with: the positions it has found refer to them.
    return !abortF && &*Lines == rows && Lines->Changes() == stamp;
  };
}

bool TLumoEdit::NoteFindStop(FindState& fs) {
  fs.stop = fs.matcher.Stopped();
  if (fs.stop == TFindStop::fsNone) return false;
  const std::size_t at = std::min(fs.matcher.StoppedAt(), fs.chunk.text.size() - 1);
  fs.stopLine = ToLine(ChunkToRow(fs, at)).Line;
  return true;
}

void TLumoEdit::ReportFindStop(FindState& fs, const std::string& findchr) {
  if (OnFindStop) OnFindStop(this, findchr, fs.stop, fs.stopLine);
}

bool TLumoEdit::FindMatch(FindState& fs, RowPos from, bool backward, RowPos& start, RowPos& end,
                          std::int32_t& len) {
  std::size_t at = 0, n = 0;
  WatchFindProgress(fs, from.Row, backward);
  if (!backward) {
    std::int32_t first = Lines->RowAfterLfRow(Lines->LfRowsBefore(from.Row));
    LoadChunkForward(fs, first);
    std::size_t off =
        fs.chunk.rowStarts[static_cast<std::size_t>(from.Row - first)] + static_cast<std::size_t>(from.Col);
    for (;;) {
      if (fs.matcher.First(fs.chunk, off, at, n)) {
        const std::size_t found = at;
        if (AcceptHit(fs, at, n)) break;
        off = found + 1;
        continue;
      }
      if (NoteFindStop(fs) || fs.endRow >= Lines->Count()) return false;
      LoadChunkForward(fs, fs.endRow);
      off = 0;
    }
  } else {
    std::int32_t last = from.Row;
    while (last < LastRow() && !EndsWithLf(Lines->Get(last))) ++last;
    LoadChunkBackward(fs, last);
    std::size_t limit = fs.chunk.rowStarts[static_cast<std::size_t>(from.Row - fs.firstRow)] +
                        static_cast<std::size_t>(from.Col);
    for (;;) {
      if (fs.matcher.Last(fs.chunk, limit, at, n)) {
        const std::size_t found = at;
        if (AcceptHit(fs, at, n)) break;
        limit = found;
        continue;
      }
      if (NoteFindStop(fs) || fs.firstRow == 0) return false;
      LoadChunkBackward(fs, fs.firstRow - 1);
      limit = fs.chunk.text.size();
    }
  }
  start = ChunkToRow(fs, at);
  end = ChunkEndToRow(fs, at, n);
  len = static_cast<std::int32_t>(n);
  return true;
}

void TLumoEdit::SelectRange(RowPos start, RowPos end) {
  if (HasSelection()) EndSelection();
  window_.HideCaret();
  ShowPosition(start.Col, start.Row, ScrollKind::Follow, true);
  ShowPosition(end.Col, end.Row, ScrollKind::Follow, false);
  DrawCaretUnderline(false);
  SelActive = true;
  ExtendSelectionTo(CaretCol, CaretRow);
  UpdateCaret();
  window_.ShowCaret();
}

bool TLumoEdit::FindText(std::string_view findchr, const TFindOptions& options, bool backward) {
  const FindBusyScope busy(*this);
  FindState& fs = PrepareFind(findchr, options);
  const std::string key(findchr);
  if (!fs.usable) {
    if (OnFindNoHit) OnFindNoHit(this, key);
    return false;
  }
  RowPos lo, hi;
  GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row);
  RowPos from = backward ? lo : hi;
  const RowPos caret{CaretCol, CaretRow};
  if (fs.wrapPending && fs.wrapBackward == backward && fs.wrapAt == caret)
    from = backward ? RowPos{static_cast<std::int32_t>(StripLineEnd(Lines->Get(LastRow())).size()), LastRow()}
                    : RowPos{0, 0};
  fs.wrapPending = false;
  RowPos start, end;
  std::int32_t len = 0;
  if (!FindMatch(fs, from, backward, start, end, len)) {
    if (fs.stop != TFindStop::fsNone) {
      ReportFindStop(fs, key);  // not a miss: the next search starts from here again
      return false;
    }
    fs.wrapPending = true;
    fs.wrapBackward = backward;
    fs.wrapAt = caret;
    if (OnFindNoHit) OnFindNoHit(this, key);
    return false;
  }
  SelectRange(start, end);
  if (OnFindHit) OnFindHit(this, key, start.Col, start.Row, len, 1);
  return true;
}

}  // namespace quiret
