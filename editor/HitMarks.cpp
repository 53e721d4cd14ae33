// HitMarks: the band of rows in view joined into one chunk (with some context), searched
// with the find matcher, its hits cut into per-row spans.
#include "editor/HitMarks.h"

#include <algorithm>

#include "editor/LumoEditSub.h"

namespace quiret {

bool HitMarks::Set(std::string_view pattern, const TFindOptions& options) {
  if (active_ && pattern_ == pattern && options_ == options) return true;
  pattern_.assign(pattern);
  options_ = options;
  active_ = matcher_.Compile(pattern, options);
  rows_ = nullptr;  // found for another text to mark
  return active_;
}

void HitMarks::Clear() {
  active_ = false;
  pattern_.clear();
  rows_ = nullptr;
  spans_.clear();
}

const std::vector<HitMarks::Span>& HitMarks::SpansOf(const TLumoStrings& rows, std::int32_t top,
                                                     std::int32_t count, std::int32_t row) {
  if (!active_ || row < top || row >= top + count) return none_;
  if (rows_ != &rows || changes_ != rows.Changes() || top_ != top || count_ != count) Scan(rows, top, count);
  const auto k = static_cast<std::size_t>(row - top);
  return k < spans_.size() ? spans_[k] : none_;
}

void HitMarks::Scan(const TLumoStrings& rows, std::int32_t top, std::int32_t count) {
  rows_ = &rows;
  changes_ = rows.Changes();
  top_ = top;
  count_ = count;
  spans_.assign(static_cast<std::size_t>(std::max(count, 0)), {});
  const std::int32_t last = std::min(rows.Count() - 1, top + count - 1);
  if (top < 0 || top > last) return;
  // Whole rows of the band's first and last lines around it, as far as the context goes.
  std::int32_t first = top;
  for (std::size_t before = 0; first > 0 && before < kContextBytes && !EndsWithLf(rows.Get(first - 1));) {
    --first;
    before += rows.Get(first).size();
  }
  std::int32_t end = last + 1;
  for (std::size_t after = 0; end < rows.Count() && after < kContextBytes && !EndsWithLf(rows.Get(end - 1));
       ++end)
    after += rows.Get(end).size();
  FindChunk chunk;
  for (std::int32_t r = first; r < end; ++r) {
    std::string_view s = rows.Get(r);
    if (chunk.text.size() + s.size() > kBandBytes) {
      // A part of the row, cut where a character starts.
      const std::size_t room = kBandBytes - std::min(kBandBytes, chunk.text.size());
      s = s.substr(0, CharsWithin(s, 0, room));
      end = r + 1;
    }
    chunk.rowStarts.push_back(chunk.text.size());
    chunk.text.append(s);
  }
  // The chunk's last line ends where the chunk does.
  const std::string_view text = chunk.text;
  if (!EndsWithLf(text) && (text.size() < 2 || text.substr(text.size() - 2) != std::string_view("\0\0", 2)))
    chunk.text.append(2, '\0');
  matcher_.Poll = nullptr;
  matcher_.Load(chunk);
  const auto& starts = chunk.rowStarts;
  auto rowOf = [&](std::size_t at) {
    return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
  };
  std::size_t off = 0, at = 0, len = 0;
  while (matcher_.First(chunk, off, at, len)) {
    off = at + len;
    for (std::size_t k = rowOf(at), e = rowOf(at + len - 1); k <= e; ++k) {
      const std::int32_t r = first + static_cast<std::int32_t>(k);
      if (r < top || r > last) continue;
      const std::size_t rowStart = starts[k];
      const std::size_t rowEnd = k + 1 < starts.size() ? starts[k + 1] : chunk.text.size();
      spans_[static_cast<std::size_t>(r - top)].push_back(
          Span{static_cast<std::int32_t>(std::max(at, rowStart) - rowStart),
               static_cast<std::int32_t>(std::min(at + len, rowEnd) - rowStart)});
    }
    if (first + static_cast<std::int32_t>(rowOf(at)) > last) break;
  }
}

}  // namespace quiret
