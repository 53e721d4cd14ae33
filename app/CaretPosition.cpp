// The caret's logical line and column for the status bar, from the line index, the store's
// byte sums and the cells kept for the caret's line.
#include "app/CaretPosition.h"

#include <algorithm>
#include <cstring>

namespace quiret {

namespace {

std::int64_t LineEnds(std::string_view text) { return std::count(text.begin(), text.end(), '\n'); }

}  // namespace

std::int64_t CellsAfter(std::string_view bytes, std::int64_t start, int tabCount) {
  const std::int64_t tab = std::max(1, tabCount);
  std::int64_t cells = start;
  const char* p = bytes.data();
  const char* end = p + bytes.size();
  // Tabs are rare: everything up to the next one is one cell a byte.
  while (p < end) {
    const char* t = static_cast<const char*>(std::memchr(p, '\t', static_cast<std::size_t>(end - p)));
    if (!t) {
      cells += end - p;
      break;
    }
    cells += t - p;
    cells += tab - cells % tab;
    p = t + 1;
  }
  return cells;
}

void CaretMeter::StartOver(const TLumoStrings& lines, std::int64_t line, int tabCount) {
  store_ = &lines;
  tabCount_ = tabCount;
  line_ = line;
  cells_.assign(1, 0);
}

void CaretMeter::Changed(const TLumoStrings& lines, std::int64_t line, std::int64_t offset,
                         std::string_view removed, std::string_view inserted) {
  if (&lines != store_) return;
  heard_ = true;
  if (line_ < 0 || line > line_) return;
  if (line == line_) {
    // The bytes before the change stay, and with them the cells up to there.
    cells_.resize(std::min<std::size_t>(
        cells_.size(), static_cast<std::size_t>(std::max<std::int64_t>(0, offset) / step_) + 1));
    return;
  }
  const std::int64_t gone = LineEnds(removed);
  // A change in lines above, or one that ends where the line starts and leaves a line start
  // before it: the line moves whole.
  const bool endsAtStart = line + gone == line_ && removed.ends_with('\n') &&
                           (inserted.ends_with('\n') || (inserted.empty() && offset == 0));
  if (line + gone < line_ || endsAtStart) {
    line_ += LineEnds(inserted) - gone;
  } else {
    line_ = -1;  // the line's start joined a line above
    cells_.clear();
  }
}

TCaretPlace CaretMeter::Measure(const TLumoStrings& lines, std::int32_t row, std::int32_t col, int tabCount) {
  if (lines.Count() == 0) return TCaretPlace{};
  row = std::clamp(row, 0, lines.Count() - 1);
  const std::int32_t line = lines.LfRowsBefore(row);
  const std::int32_t first = std::min(lines.RowAfterLfRow(line), row);
  const std::string_view text = lines.Get(row);
  const auto inRow = static_cast<std::int64_t>(
      std::min<std::size_t>(static_cast<std::size_t>(std::max(0, col)), text.size()));
  const std::int64_t at = lines.BytesInRows(first, row) + inRow;  // the caret's byte in its line
  const bool keep = &lines == store_ && tabCount == tabCount_ && line == line_ &&
                    (lines.Changes() == changes_ || heard_) && !cells_.empty();
  if (!keep) StartOver(lines, line, tabCount);
  changes_ = lines.Changes();
  heard_ = false;
  const std::size_t k = std::min(static_cast<std::size_t>(at / step_), cells_.size() - 1);
  std::int64_t pos = static_cast<std::int64_t>(k) * step_;
  std::int64_t cells = cells_[k];
  bytesRead_ += at - pos;
  if (pos < at) {
    // Rows before the caret's row in its line are continuation rows: all their bytes are text.
    std::int64_t rowStart = 0;
    std::int32_t r = lines.RowHoldingByte(first, pos, rowStart);
    for (; pos < at; ++r) {
      const std::string_view s = lines.Get(r);
      const std::int64_t end = std::min(rowStart + static_cast<std::int64_t>(s.size()), at);
      while (pos < end) {
        // Each step-th byte not kept yet is noted on the way.
        const std::int64_t next = (pos / step_ + 1) * step_;
        const bool note = next <= end && static_cast<std::size_t>(next / step_) == cells_.size();
        const std::int64_t stop = note ? next : end;
        cells = CellsAfter(
            s.substr(static_cast<std::size_t>(pos - rowStart), static_cast<std::size_t>(stop - pos)), cells,
            tabCount);
        pos = stop;
        if (note) cells_.push_back(cells);
      }
      rowStart += static_cast<std::int64_t>(s.size());
    }
  }
  return TCaretPlace{line + std::int64_t{1}, cells + 1};
}

}  // namespace quiret
