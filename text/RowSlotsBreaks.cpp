// Row storage: the line ends a loaded file had, noted per block beside the rows' bytes.
#include <algorithm>

#include "text/RowSlots.h"

namespace quiret {

void RowSlots::NoteBreakInBlock(const char* lf, LineEnd style) {
  Block* b =
      current_ && lf >= current_->start && lf < current_->start + current_->size ? current_ : BlockOf(lf);
  if (!b->breaks) {
    b->breaks = std::make_unique<BreakNotes>();
    b->breaks->base = style;
  } else if (style != b->breaks->base) {
    b->breaks->others.push_back(static_cast<std::uint64_t>(lf - b->start) << 2 |
                                static_cast<unsigned>(style));
  }
  markFrom_ = b->start;
  markTo_ = b->start + b->size;
  markBase_ = b->breaks->base;
}

void RowSlots::CloseBreaks() {
  if (current_ && current_->breaks)
    current_->breaks->end = static_cast<std::size_t>(blockNext_ - current_->start);
  markFrom_ = markTo_ = nullptr;
}

void RowSlots::ForgetBlock(const Block* b) noexcept {
  if (markFrom_ == b->start) markFrom_ = markTo_ = nullptr;
  if (breakHint_ == b) breakHint_ = nullptr;
}

std::optional<LineEnd> RowSlots::LoadedBreak(std::size_t index) const {
  const Slot& s = SlotAt(index);
  if (s.Own()) return std::nullopt;
  const std::string_view row = s.View();
  if (row.empty() || row.back() != '\n') return std::nullopt;
  const char* lf = row.data() + row.size() - 1;
  // Rows are read in order when a file is written: the block of the last answer first.
  const Block* b = breakHint_;
  if (!b || lf < b->start || lf >= b->start + b->size) {
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), lf,
                               [](const char* q, const Block* x) { return q < x->start; });
    if (it == blocks_.begin()) return std::nullopt;
    b = *--it;
    if (lf >= b->start + b->size) return std::nullopt;
    breakHint_ = b;
  }
  const BreakNotes* notes = b->breaks.get();
  const std::size_t offset = static_cast<std::size_t>(lf - b->start);
  if (!notes || offset >= notes->end) return std::nullopt;
  const auto it = std::lower_bound(notes->others.begin(), notes->others.end(), std::uint64_t{offset} << 2);
  if (it != notes->others.end() && (*it >> 2) == offset) return static_cast<LineEnd>(*it & 3);
  return notes->base;
}

}  // namespace quiret
