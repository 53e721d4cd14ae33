// Where the caret stands as the status bar tells it: logical line and column, both from 1.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

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
// the store's line index, the caret's byte offset in it from the store's byte sums. For the
// line measured last it keeps the cell at every step-th byte it has passed, so a measure
// reads at most a step of bytes beyond the nearest one before the caret. An edit reported
// through Changed drops only those after the edit's place; any other change of the rows
// (a new text, rows changed behind its back) is seen by the store's change stamp and starts
// over. Re-cutting rows changes no kept cell, but is not told apart from a new text.
class CaretMeter {
 public:
  static constexpr std::int64_t kStep = std::int64_t{1} << 16;
  // `step`: the bytes between kept cells (another than kStep for tests).
  explicit CaretMeter(std::int64_t step = kStep) : step_(step) {}

  // The caret at (`row`, `col`) of `lines`, a row position as the editor keeps it.
  TCaretPlace Measure(const TLumoStrings& lines, std::int32_t row, std::int32_t col, int tabCount);
  // A change of the text of `lines` as the editor reports it, once it is made: at byte
  // `offset` of logical line `line` (both from 0, in the text before the change), `removed`
  // went and `inserted` came. The re-cut of rows that may follow in the same step is
  // trusted to keep the text.
  void Changed(const TLumoStrings& lines, std::int64_t line, std::int64_t offset, std::string_view removed,
               std::string_view inserted);
  // The bytes of text all measures so far have read (for tests and benchmarks).
  std::int64_t BytesRead() const { return bytesRead_; }

 private:
  void StartOver(const TLumoStrings& lines, std::int64_t line, int tabCount);

  std::int64_t step_;
  std::int64_t bytesRead_ = 0;
  const TLumoStrings* store_ = nullptr;
  std::uint64_t changes_ = 0;  // the store's stamp when last measured
  bool heard_ = false;         // changes reported since then
  int tabCount_ = 0;
  std::int64_t line_ = -1;           // the logical line the kept cells belong to
  std::vector<std::int64_t> cells_;  // cells_[k]: the cell byte k * step_ of that line starts at
};

}  // namespace quiret
