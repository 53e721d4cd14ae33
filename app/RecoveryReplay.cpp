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

void TextReplayer::Flush() {
  if (heldRow_ < 0) return;
  rows_.Put(heldRow_, held_.Text() + heldEnd_);
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
    held_.Assign(row.substr(0, row.size() - end));
  }
  const std::uint64_t offset = static_cast<std::uint64_t>(edit.offset);
  if (offset > held_.Size() || edit.removedLen > held_.Size() - offset) return false;  // spans lines
  const std::string_view removed = held_.From(offset, edit.removedLen);
  if (RemovedHash(removed) != edit.removedHash) return false;
  if (removedOut) removedOut->assign(removed);
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
