// Where the caret stands as the status bar tells it: logical line and column, both from 1.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/LumoStrings.h"

namespace quiret {

struct TCaretPlace {
  std::int64_t Line = 1;
  std::int64_t Column = 1;  // in half-width cells
  friend bool operator==(const TCaretPlace&, const TCaretPlace&) = default;
};

// The half-width cells `bytes` take when they start at cell `start` of a line: a byte is one
// cell (a double-byte character two), a tab reaches the next multiple of `tabCount`.
std::int64_t CellsAfter(std::string_view bytes, std::int64_t start, int tabCount);

// Measures the caret's place without reading the text before its line: the line comes from
// the store's line index, the column from the rows of the caret's own line. The start column
// of the row last measured is kept while the text is unchanged, so moving within a long
// wrapped line reads only the rows passed over.
class CaretMeter {
 public:
  // The caret at (`row`, `col`) of `lines`, a row position as the editor keeps it.
  TCaretPlace Measure(const TLumoStrings& lines, std::int32_t row, std::int32_t col, int tabCount);

 private:
  std::uint64_t changes_ = 0;  // the store's stamp the kept values belong to (0: none)
  int tabCount_ = 0;
  std::int32_t lineRow_ = -1;   // first row of the line measured last
  std::int32_t knownRow_ = -1;  // a row of that line and the cell its text starts at
  std::int64_t knownCells_ = 0;
};

}  // namespace quiret
