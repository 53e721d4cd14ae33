// The caret's logical line and column for the status bar, from the line index and the rows
// of the caret's own line.
#include "app/CaretPosition.h"

#include <algorithm>
#include <cstring>

namespace quiret {

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

TCaretPlace CaretMeter::Measure(const TLumoStrings& lines, std::int32_t row, std::int32_t col, int tabCount) {
  if (lines.Count() == 0) return TCaretPlace{};
  row = std::clamp(row, 0, lines.Count() - 1);
  const std::int32_t line = lines.LfRowsBefore(row);
  const std::int32_t first = lines.RowAfterLfRow(line);
  if (changes_ != lines.Changes() || tabCount_ != tabCount || lineRow_ != first || knownRow_ > row) {
    changes_ = lines.Changes();
    tabCount_ = tabCount;
    lineRow_ = first;
    knownRow_ = first;
    knownCells_ = 0;
  }
  // Rows before the caret's row in its line are continuation rows: all their bytes are text.
  for (std::int32_t r = knownRow_; r < row; ++r)
    knownCells_ = CellsAfter(lines.Get(r), knownCells_, tabCount);
  knownRow_ = row;
  const std::string_view text = lines.Get(row);
  const std::size_t bytes = std::min<std::size_t>(static_cast<std::size_t>(std::max(0, col)), text.size());
  return TCaretPlace{line + std::int64_t{1}, CellsAfter(text.substr(0, bytes), knownCells_, tabCount) + 1};
}

}  // namespace quiret
