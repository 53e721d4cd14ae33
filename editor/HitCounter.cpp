// HitCounter: chunks of whole lines (or bounded parts of a long line, overlapping by the
// search text's length so that no hit is lost at a cut) searched one after another, the
// hits taken one after another as a search from the text's start would select them.
#include "editor/HitCounter.h"

#include <algorithm>

#include "editor/LumoEditSub.h"

namespace quiret {

bool HitCounter::Start(const TLumoStrings& rows, std::string_view pattern, const TFindOptions& options) {
  pattern_.assign(pattern);
  options_ = options;
  rows_ = &rows;
  changes_ = rows.Changes();
  hits_.clear();
  row_ = col_ = 0;
  line_ = LinePos{};
  resume_ = 0;
  chunk_ = FindChunk{};
  matcher_.Poll = nullptr;
  if (!matcher_.Compile(pattern, options)) {
    state_ = State::Stopped;
    return false;
  }
  state_ = State::Running;
  return true;
}

std::size_t HitCounter::PieceOf(std::size_t at) const {
  const auto& starts = chunk_.rowStarts;
  return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
}

RowPos HitCounter::ChunkPos(std::size_t at) const {
  const std::size_t k = PieceOf(at);
  return RowPos{pieceAt_[k].Col + static_cast<std::int32_t>(at - chunk_.rowStarts[k]), pieceAt_[k].Row};
}

LinePos HitCounter::ChunkLine(std::size_t at) const {
  const std::size_t k = PieceOf(at);
  return LinePos{pieceLine_[k].Offset + static_cast<std::int32_t>(at - chunk_.rowStarts[k]),
                 pieceLine_[k].Line};
}

bool HitCounter::LoadChunk() {
  const TLumoStrings& rows = *rows_;
  if (row_ >= rows.Count()) return false;
  chunk_.text.clear();
  chunk_.rowStarts.clear();
  pieceAt_.clear();
  pieceLine_.clear();
  cut_ = false;
  // Room for a hit that starts just before a cut, and a part beyond it.
  const std::size_t maxChunk = std::max(MaxChunk, 2 * pattern_.size() + 2);
  std::int32_t r = row_, c = col_;
  while (r < rows.Count()) {
    const std::string_view s = rows.Get(r).substr(static_cast<std::size_t>(c));
    const bool atLine = chunk_.text.empty() || EndsWithLf(chunk_.text);
    if (chunk_.text.size() + s.size() > maxChunk && !(atLine && !chunk_.text.empty())) {
      // A long line: a part of it, cut where a character starts.
      const std::size_t room = maxChunk - chunk_.text.size();
      const std::size_t take = CharsWithin(s, 0, room);
      chunk_.rowStarts.push_back(chunk_.text.size());
      pieceAt_.push_back(RowPos{c, r});
      pieceLine_.push_back(line_);
      chunk_.text.append(s.substr(0, take));
      c += static_cast<std::int32_t>(take);
      cut_ = true;
      break;
    }
    if (chunk_.text.size() + s.size() > maxChunk) break;  // the next line starts the next chunk
    chunk_.rowStarts.push_back(chunk_.text.size());
    pieceAt_.push_back(RowPos{c, r});
    pieceLine_.push_back(line_);
    chunk_.text.append(s);
    line_ = EndsWithLf(s) ? LinePos{0, line_.Line + 1}
                          : LinePos{line_.Offset + static_cast<std::int32_t>(s.size()), line_.Line};
    ++r;
    c = 0;
    if (chunk_.text.size() >= kChunkBytes && EndsWithLf(s)) break;
  }
  row_ = r;
  col_ = c;
  owned_ = chunk_.text.size();
  if (cut_) {
    // Hits starting in the last bytes may reach past the cut: the next part starts at a
    // character boundary no later than the search text's length before the cut.
    const std::size_t limit = chunk_.text.size() - std::min(chunk_.text.size(), pattern_.size() - 1);
    std::size_t k = chunk_.rowStarts.size() - 1;
    while (k > 0 && chunk_.rowStarts[k] > limit) --k;
    std::size_t b = CharsWithin(chunk_.text, chunk_.rowStarts[k], limit);
    if (b == 0) b = static_cast<std::size_t>(std::max(1, CharLenFrom(chunk_.text, 0)));
    owned_ = b;
    const RowPos next = ChunkPos(owned_);
    row_ = next.Row;
    col_ = next.Col;
    line_ = ChunkLine(owned_);
    chunk_.text.append(2, '\0');  // the part's end stands for its line's
  }
  matcher_.Load(chunk_);
  return true;
}

HitCounter::State HitCounter::Step(std::size_t bytes) {
  if (state_ != State::Running) return state_;
  if (!Fresh(*rows_)) return state_ = State::Changed;
  std::size_t looked = 0;
  while (looked < bytes) {
    const std::int32_t startRow = row_, startCol = col_;
    const LinePos startLine = line_;
    if (!LoadChunk()) return state_ = State::Done;
    if (cut_ && options_.Regex) {
      // A regular expression sees a line whole; one this long is not looked at in parts.
      row_ = startRow;
      col_ = startCol;
      line_ = startLine;
      return state_ = State::Partial;
    }
    looked += chunk_.text.size();
    std::size_t off = resume_, at = 0, len = 0;
    resume_ = 0;
    while (matcher_.First(chunk_, off, at, len) && at < owned_) {
      if (hits_.size() == kMaxHits) return state_ = State::Capped;
      hits_.push_back(ChunkLine(at));
      off = at + len;
    }
    if (matcher_.Stopped() != TFindStop::fsNone) return state_ = State::Partial;
    // A hit that ran past the part's end continues the search after it in the next part.
    if (cut_ && off > owned_) resume_ = off - owned_;
    if (row_ >= rows_->Count()) return state_ = State::Done;
  }
  return state_;
}

std::size_t HitCounter::IndexOf(LinePos at) const {
  const auto it = std::lower_bound(hits_.begin(), hits_.end(), at);
  return it != hits_.end() && *it == at ? static_cast<std::size_t>(it - hits_.begin()) + 1 : 0;
}

}  // namespace quiret
