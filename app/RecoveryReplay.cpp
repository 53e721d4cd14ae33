// Replaying edit records onto rows: in-line changes through a gap buffer, the others by
// rebuilding the rows they touch.
#include "app/RecoveryReplay.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Hash64.h"

namespace quiret {

namespace {

std::size_t TerminatorBytes(std::string_view row) {
  return row.size() >= 2 && (row.substr(row.size() - 2) == "\r\n" ||
                             row.substr(row.size() - 2) == TLumoStrings::kEndMarker)
             ? 2
             : 0;
}

bool HasLineBytes(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

// Every CR is followed by LF, every LF follows a CR, and no zero byte appears: what rows may
// hold besides their terminators.
bool SoundLineBreaks(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\0') return false;
    if (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n')) return false;
    if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
  }
  return true;
}

}  // namespace

void TextReplayer::GapLine::Assign(std::string_view text) {
  buf_.assign(text);
  gap_ = text.size();
  gapLen_ = 0;
}

void TextReplayer::GapLine::MoveGap(std::size_t pos) {
  if (pos < gap_) {
    std::memmove(&buf_[pos + gapLen_], &buf_[pos], gap_ - pos);
  } else if (pos > gap_) {
    std::memmove(&buf_[gap_], &buf_[gap_ + gapLen_], pos - gap_);
  }
  gap_ = pos;
}

std::string_view TextReplayer::GapLine::From(std::size_t pos, std::size_t n) {
  MoveGap(pos);
  return std::string_view(buf_).substr(gap_ + gapLen_, n);
}

void TextReplayer::GapLine::Replace(std::size_t pos, std::size_t removed, std::string_view inserted) {
  MoveGap(pos);
  gapLen_ += removed;
  if (inserted.size() > gapLen_) {
    // Grow the gap by at least the line's size, so a run of insertions stays linear.
    const std::size_t grow = std::max(inserted.size() - gapLen_, Size() + 64);
    const std::size_t tail = buf_.size() - gap_ - gapLen_;
    buf_.resize(buf_.size() + grow);
    std::memmove(&buf_[buf_.size() - tail], &buf_[gap_ + gapLen_], tail);
    gapLen_ += grow;
  }
  if (!inserted.empty()) std::memcpy(&buf_[gap_], inserted.data(), inserted.size());
  gap_ += inserted.size();
  gapLen_ -= inserted.size();
}

std::string TextReplayer::GapLine::Text() const {
  std::string out;
  out.reserve(Size());
  out.append(buf_, 0, gap_);
  out.append(buf_, gap_ + gapLen_, std::string::npos);
  return out;
}

void TextReplayer::PieceLine::Assign(std::string_view row) {
  row_ = row;
  added_.clear();
  pieces_.assign(1, Piece{false, 0, row.size()});
  size_ = row.size();
}

void TextReplayer::PieceLine::Clear() {
  row_ = {};
  std::string().swap(added_);
  std::vector<Piece>().swap(pieces_);
  size_ = 0;
}

std::string_view TextReplayer::PieceLine::Bytes(const Piece& p) const {
  return (p.added ? std::string_view(added_) : row_).substr(p.at, p.length);
}

std::size_t TextReplayer::PieceLine::SplitAt(std::size_t pos) {
  std::size_t start = 0, i = 0;
  while (i < pieces_.size() && start + pieces_[i].length <= pos) start += pieces_[i++].length;
  if (i == pieces_.size() || start == pos) return i;
  Piece tail = pieces_[i];
  tail.at += pos - start;
  tail.length -= pos - start;
  pieces_[i].length = pos - start;
  pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(i) + 1, tail);
  return i + 1;
}

std::string_view TextReplayer::PieceLine::From(std::size_t pos, std::size_t n, std::string& scratch) const {
  scratch.clear();
  std::size_t start = 0;
  for (const Piece& p : pieces_) {
    if (start + p.length > pos && n > 0) {
      const std::size_t from = pos > start ? pos - start : 0;
      const std::string_view bytes = Bytes(p).substr(from, n - scratch.size());
      if (scratch.empty() && bytes.size() == n) return bytes;  // within one piece
      scratch.append(bytes);
      if (scratch.size() == n) break;
    }
    start += p.length;
  }
  return scratch;
}

void TextReplayer::PieceLine::Replace(std::size_t pos, std::size_t removed, std::string_view inserted) {
  const std::size_t first = SplitAt(pos);
  const std::size_t last = SplitAt(pos + removed);
  pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(first),
                pieces_.begin() + static_cast<std::ptrdiff_t>(last));
  size_ = size_ - removed + inserted.size();
  if (inserted.empty()) return;
  // Typing on where the last insertion ended grows that piece.
  if (first > 0 && pieces_[first - 1].added &&
      pieces_[first - 1].at + pieces_[first - 1].length == added_.size()) {
    pieces_[first - 1].length += inserted.size();
  } else {
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(first),
                   Piece{true, added_.size(), inserted.size()});
  }
  added_.append(inserted);
}

void TextReplayer::PieceLine::Each(const std::function<void(std::string_view)>& sink) const {
  for (const Piece& p : pieces_)
    if (p.length > 0) sink(Bytes(p));
}

void TextReplayer::Flush() {
  if (heldRow_ < 0) return;
  if (heldLong_) {
    std::string text;
    text.reserve(long_.Size() + heldEnd_.size());
    long_.Each([&](std::string_view bytes) { text.append(bytes); });
    rows_.Put(heldRow_, text + heldEnd_);
    long_.Clear();
  } else {
    rows_.Put(heldRow_, held_.Text() + heldEnd_);
  }
  heldRow_ = -1;
}

void TextReplayer::Finish() {
  if (heldRow_ < 0 || !heldLong_) {
    Flush();
    return;
  }
  // The whole text again, read from the rows and the pieces, which go only once it is in.
  const std::int32_t held = heldRow_;
  rows_.SetRows([&](const TLumoStrings::RowPieceSink& sink) {
    for (std::int32_t i = 0; i < rows_.Count(); ++i) {
      if (i != held) {
        sink(rows_.Get(i), true);
        continue;
      }
      long_.Each([&](std::string_view bytes) { sink(bytes, false); });
      sink(heldEnd_, true);
    }
  });
  long_.Clear();
  heldRow_ = -1;
}

bool TextReplayer::Apply(const EditRecord& edit, std::string* removed) {
  if (edit.line < 0 || edit.offset < 0 || edit.line >= rows_.Count()) return false;
  if (!HasLineBytes(edit.inserted) && ApplyInLine(edit, removed)) return true;
  Flush();
  return ApplyAcrossLines(edit, removed);
}

bool TextReplayer::ApplyStep(const std::vector<EditRecord>& edits) {
  if (edits.size() == 1) return Apply(edits[0], nullptr);
  std::vector<std::string> removed(edits.size());
  for (std::size_t k = 0; k < edits.size(); ++k) {
    if (Apply(edits[k], &removed[k])) continue;
    // Taken back in reverse: each change's inserted bytes stand where it began.
    while (k-- > 0) {
      const EditRecord& e = edits[k];
      Apply(EditRecord{e.line, e.offset, e.inserted.size(), RemovedHash(e.inserted), std::move(removed[k])},
            nullptr);
    }
    return false;
  }
  return true;
}

bool TextReplayer::ApplyInLine(const EditRecord& edit, std::string* removedOut) {
  if (heldRow_ != edit.line) {
    Flush();
    const std::string_view row = rows_.Get(edit.line);
    const std::size_t end = TerminatorBytes(row);
    heldRow_ = edit.line;
    heldEnd_.assign(row.substr(row.size() - end));
    heldLong_ = row.size() >= longLine_;
    if (heldLong_)
      long_.Assign(row.substr(0, row.size() - end));
    else
      held_.Assign(row.substr(0, row.size() - end));
  }
  const std::uint64_t offset = static_cast<std::uint64_t>(edit.offset);
  const std::size_t size = heldLong_ ? long_.Size() : held_.Size();
  if (offset > size || edit.removedLen > size - offset) return false;  // spans lines
  const std::string_view removed =
      heldLong_ ? long_.From(offset, edit.removedLen, scratch_) : held_.From(offset, edit.removedLen);
  if (RemovedHash(removed) != edit.removedHash) return false;
  if (removedOut) removedOut->assign(removed);
  if (heldLong_)
    long_.Replace(offset, edit.removedLen, edit.inserted);
  else
    held_.Replace(offset, edit.removedLen, edit.inserted);
  return true;
}

bool TextReplayer::ApplyAcrossLines(const EditRecord& edit, std::string* removedOut) {
  const std::int32_t first = edit.line;
  const std::string_view firstRow = rows_.Get(first);
  const std::uint64_t offset = static_cast<std::uint64_t>(edit.offset);
  if (offset > firstRow.size() - TerminatorBytes(firstRow)) return false;
  // Walk the removed bytes through the rows; the end marker itself is never removed.
  Hash64 removedHash;
  std::uint64_t need = edit.removedLen;
  std::int32_t last = first;
  std::size_t endCol = static_cast<std::size_t>(offset);
  for (;;) {
    const std::string_view row = rows_.Get(last);
    const bool lastRow = last == rows_.Count() - 1;
    const std::size_t usable = row.size() - (lastRow ? 2 : 0);
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(need, usable - endCol));
    removedHash.Update(row.substr(endCol, take));
    if (removedOut) removedOut->append(row.substr(endCol, take));
    need -= take;
    endCol += take;
    if (need == 0) break;
    if (lastRow) return false;
    ++last;
    endCol = 0;
  }
  // Ending just after a row's CR LF is the start of the next row: that row is the one the
  // rest of the text continues with.
  if (endCol == rows_.Get(last).size()) {
    ++last;
    endCol = 0;
  }
  const std::uint32_t check = edit.removedLen == 0 ? 0 : static_cast<std::uint32_t>(removedHash.Digest());
  if (check != edit.removedHash) return false;
  std::string text(firstRow.substr(0, static_cast<std::size_t>(offset)));
  text += edit.inserted;
  const std::string_view lastRowText = rows_.Get(last);
  text += lastRowText.substr(endCol);
  const bool endsText = last == rows_.Count() - 1;
  if (!SoundLineBreaks(std::string_view(text).substr(0, text.size() - (endsText ? 2 : 0)))) return false;
  // The new rows: one per CR LF, the last ending as the last old row did.
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t lf = text.find('\n', start);
    const std::size_t stop = lf == std::string::npos ? text.size() : lf + 1;
    pieces.push_back(std::string_view(text).substr(start, stop - start));
    start = stop;
  }
  const std::int32_t oldCount = last - first + 1;
  const std::int32_t newCount = static_cast<std::int32_t>(pieces.size());
  const std::int32_t common = std::min(oldCount, newCount);
  for (std::int32_t i = 0; i < common; ++i) rows_.Put(first + i, pieces[static_cast<std::size_t>(i)]);
  if (newCount > oldCount) {
    const std::size_t from =
        static_cast<std::size_t>(pieces[static_cast<std::size_t>(common)].data() - text.data());
    std::int32_t at = first + common;
    rows_.InsertText(at, std::string_view(text).substr(from));
  } else if (newCount < oldCount) {
    rows_.DeleteRange(first + common, oldCount - newCount);
  }
  return true;
}

}  // namespace quiret
