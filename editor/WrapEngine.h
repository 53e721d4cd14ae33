// The wrap engine: the rule that cuts a logical line into display rows, and the whole-text
// wrap and unwrap that re-cut the line store in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "editor/WidthTable.h"
#include "text/LumoStrings.h"

namespace quiret {

// The parameters of the wrap rule.
struct WrapRule {
  std::int32_t column;
  bool autoWrap;
  std::int32_t areaWidth;
  int tabCount;
};

// The vector instructions the whole-text wrap may use: kBest is the widest the processor
// has, the others cap it (tests and benchmarks compare them). The rows never depend on it.
enum class WrapSimd { kBaseline, kAvx2, kAvx512, kBest };
// The widest the processor has.
WrapSimd BestWrapSimd();

// Bytes the next row takes from `data` (a logical line or its remainder, terminator
// included). `compareLen` is the length the split decision compares with: the whole data
// for a whole-text wrap, the data without its terminator when re-wrapping after an edit.
// A result >= compareLen means: the rest of the data is the line's last row.
std::size_t NextRowLength(std::string_view data, std::size_t compareLen, std::int32_t column, bool autoWrap,
                          std::int32_t areaWidth, int tabCount, WidthTable& widths);

// The rows SplitRows gives, written into the store. The cuts are found first (nothing
// changes if the text would have too many rows); then the store is re-cut in one pass.
// Old rows are cut independently of each other, so a large text's second half is cut on a
// helper thread; the rows it cannot cut without measuring are cut afterwards here.
// `twoThreads` false keeps the whole wrap on the calling thread (benchmarks measure one core).
// A text of many rows has every pair measured first.
void WrapInPlace(TLumoStrings& lines, const WrapRule& rule, WidthTable& widths,
                 const std::function<void(std::int64_t, std::int64_t)>& progress, bool twoThreads = true,
                 WrapSimd simd = WrapSimd::kBest);

// Joins every logical line back into one row: a line runs up to and including the first
// row with a terminator (or the last row).
void UnwrapInPlace(TLumoStrings& lines);

}  // namespace quiret
