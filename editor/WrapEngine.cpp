// The wrap engine: the wrap rule's measuring step, byte at a time (the rule itself), and the
// whole-text wrap and unwrap that re-cut the store in place (the fitter: WrapFitter.h).
#include "editor/WrapEngine.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "editor/LumoEditSub.h"
#include "editor/WrapFitter.h"

namespace quiret {

namespace {

// The wrap rule's measuring step, done in one forward pass. The rule shrinks a piece one
// byte at a time until the tab-expanded piece fits in `column` columns (and, with autoWrap,
// in `areaWidth` pixels); both measures only grow with the piece, so the longest fitting
// prefix is the last one before the first that does not fit. A piece that ends on a lead
// byte is measured with that byte alone, as measuring the cut piece would; a tab after a
// lead byte is still expanded, as the expansion does not look at the byte before it.
std::size_t LongestFittingPrefix(std::string_view data, std::int32_t column, bool autoWrap,
                                 std::int32_t areaWidth, int tabCount, WidthTable& widths) {
  const std::size_t n = data.size();
  const std::size_t maxPos = std::min<std::size_t>(n, static_cast<std::size_t>(std::max(column, 0)));
  const long long limitW = autoWrap ? areaWidth : (1LL << 62);
  if (limitW < 0) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  long long cols = 0;
  long long w = 0;
  std::size_t fit = 0;
  std::size_t i = 0;
  while (i < maxPos) {
    const unsigned char b = bytes[i];
    const unsigned char kind = kClass.of[b];
    if (kind == kPlain || (kind == kLeadByte && (i + 1 >= n || bytes[i + 1] == '\t'))) {
      cols += 1;
      w += widths.Single(b);
      ++i;
    } else if (kind == kTab) {
      const int blanks = tabCount - static_cast<int>(cols % tabCount);
      cols += blanks;
      w += static_cast<long long>(blanks) * widths.Single(' ');
      ++i;
    } else {
      // The piece cut after the lead byte.
      if (cols + 1 > column || w + widths.Single(b) > limitW) break;
      fit = i + 1;
      if (i + 2 > maxPos) break;
      cols += 2;
      w += widths.Pair(b, bytes[i + 1]);
      i += 2;
    }
    if (cols > column || w > limitW) break;
    fit = i;
  }
  return fit;
}

}  // namespace

std::size_t NextRowLength(std::string_view data, std::size_t compareLen, std::int32_t column, bool autoWrap,
                          std::int32_t areaWidth, int tabCount, WidthTable& widths) {
  return RowLengthAfterFit(data, compareLen,
                           LongestFittingPrefix(data, column, autoWrap, areaWidth, tabCount, widths));
}

namespace {

// A cutter for the store's whole-text split: the pieces of each row by the fitter's rule. A
// row with a pair the fitter could not measure is left to be cut again.
TLumoStrings::RowCutter CutterOf(RowFitter& fitter) {
  return [&fitter](const std::string_view* rows, std::size_t count, std::vector<std::uint32_t>& pieces) {
    fitter.CutRows(rows, count, pieces);
  };
}

}  // namespace

void WrapInPlace(TLumoStrings& lines, const WrapRule& rule, WidthTable& widths,
                 const std::function<void(std::int64_t, std::int64_t)>& progress, bool twoThreads,
                 WrapSimd simd) {
  const std::int32_t count = lines.Count();
  // A large text has its pairs measured all at once first (some fifteen thousand, once per
  // font): when all but a few are two cells, the fitters only look for tabs and those few,
  // and the helper thread meets no pair it cannot measure.
  constexpr std::int32_t kMeasureAllRows = 1 << 14;
  if (count >= kMeasureAllRows) {
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      // A lead byte before anything but a tab is measured as a pair with it.
      for (int second = 0; second < 256; ++second) {
        if (second != '\t') widths.Pair(static_cast<unsigned char>(lead), static_cast<unsigned char>(second));
      }
    }
  }
  RowFitter fitter(rule, widths, true, simd);
  const TLumoStrings::RowCutter cut = CutterOf(fitter);
  // A large text's second half is cut on a helper thread at once; it cannot measure (the
  // surface belongs to this thread), so the rows it meets an unmeasured pair in are cut
  // here afterwards.
  constexpr std::int32_t kThreadRows = 1 << 15;
  twoThreads = twoThreads && count >= kThreadRows && std::thread::hardware_concurrency() > 1;
  RowFitter helperFitter(rule, widths, false, simd);
  const TLumoStrings::RowCutter second = CutterOf(helperFitter);
  lines.SplitRows(cut, twoThreads ? &second : nullptr, progress);
}

void UnwrapInPlace(TLumoStrings& lines) {
  const std::int32_t count = lines.Count();
  // A text just loaded has nothing to join: find that out before building the lengths
  // (without a pass over the rows when the store knows).
  if (lines.LinesWhole()) {
    lines.SetCapacity(count);
    return;
  }
  std::int32_t firstOpen = 0;
  while (firstOpen < count - 1 && HasLineEnd(lines.Get(firstOpen))) ++firstOpen;
  if (firstOpen >= count - 1) {
    lines.SetCapacity(count);
    return;
  }
  std::vector<std::uint32_t> lineLen;
  lineLen.reserve(static_cast<std::size_t>(count));
  std::size_t length = 0;
  for (std::int32_t r = 0; r < count; ++r) {
    const std::string_view s = lines.Get(r);
    length += s.size();
    if (HasLineEnd(s) || r == count - 1) {
      if (length >= TLumoStrings::kMaxRowBytes) lines.Error();  // the rows stay as they are
      lineLen.push_back(static_cast<std::uint32_t>(length));
      length = 0;
    }
  }
  if (lineLen.size() == static_cast<std::size_t>(count)) {
    lines.SetCapacity(count);  // nothing joins
    return;
  }
  lines.Recut(lineLen);
}

}  // namespace quiret
