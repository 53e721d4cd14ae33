// The whole-text wrap's row fitter: the wrap rule's measuring step for many rows at once,
// with faster paths that give the same rows as the rule.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "editor/LumoEditSub.h"
#include "editor/WidthTable.h"
#include "editor/WrapEngine.h"

namespace quiret {

// Byte classes for the measuring loops: plain, tab, lead byte.
enum : unsigned char { kPlain = 0, kTab = 1, kLeadByte = 2 };
struct ByteClasses {
  unsigned char of[256];
  constexpr ByteClasses() : of() {
    for (int b = 0; b < 256; ++b)
      of[b] = b == '\t' ? kTab : (IsLeadByte(static_cast<unsigned char>(b)) ? kLeadByte : kPlain);
  }
};
inline constexpr ByteClasses kClass;

// The second bytes of the code page's double-byte characters.
constexpr bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// The rest of NextRowLength once the longest fitting prefix `pos` is known: the terminator
// and double-byte characters are kept whole, and a row takes at least one character.
inline std::size_t RowLengthAfterFit(std::string_view data, std::size_t compareLen, std::size_t pos) {
  if (pos >= compareLen) return data.size();
  if (pos >= 1 && (data[pos - 1] == '\r' || data[pos - 1] == '\0')) --pos;  // keep the terminator whole
  // Keep characters whole: only a lead byte can open a pair the cut would split.
  if (pos >= 1 && IsLeadByte(static_cast<unsigned char>(data[pos - 1])) &&
      ByteKindAt(data, static_cast<std::int32_t>(pos)) == 1)
    --pos;
  // A row always takes at least one character, however narrow the text area: a text area
  // narrower than one character must not stop the wrap. A lone terminator stays whole.
  // (The least is at most 2 bytes.)
  if (pos < 2) {
    std::size_t minPos;
    if (data.size() == 2 && HasLineEnd(data)) {
      minPos = 2;
    } else {
      minPos = static_cast<std::size_t>(std::max(1, CharLenAt(data, 0)));
    }
    if (pos < minPos) pos = minPos;
  }
  return pos >= compareLen ? data.size() : pos;
}

// The whole-text wrap's NextRowLength (compareLen = the whole data), with the same result as
// the byte-at-a-time rule for every input. Three ways, the first that applies:
// - Cells: every character the text can hold is a whole number of cells wide as its bytes
//   count (single bytes and lead bytes alone one cell, pairs two, a tab's blank one), except
//   for a few byte values and byte pairs. The columns are then the bytes plus what the tabs
//   add, and only tabs and those few patterns need finding: vector compares of 16 to 64
//   bytes at a time, the widest the processor has. A row holding one of the patterns is
//   measured byte by byte from the last tab before it.
// - Uniform: single bytes are mostly of one width (the cell), pairs of two: bytes are
//   classified 64 at a time and only the unusual characters looked at one by one.
// - Otherwise byte by byte, with runs of cell-wide single bytes taken in one step.
class RowFitter {
 public:
  // A fitter that may not measure (measure false) runs on a helper thread: it reports a
  // pair that was never measured through Missing instead, and its result for that row is
  // then to be thrown away.
  RowFitter(const WrapRule& rule, WidthTable& widths, bool measure, WrapSimd simd);

  bool Missing() const { return missing_; }
  void ClearMissing() { missing_ = false; }
  // Whether the cells way applies (for tests and benchmarks).
  bool CellsApply() const { return cells_; }

  // NextRowLength of a whole-text wrap.
  std::size_t NextRow(std::string_view data);
  // The pieces of `count` rows appended, for each row in order, as TLumoStrings::RowCutter
  // asks (a row with a pair the fitter could not measure gets kCutLater).
  void CutRows(const std::string_view* rows, std::size_t count, std::vector<std::uint32_t>& pieces) {
    cutRows_(*this, rows, count, pieces);
  }

  // The cells way's rule: the limit in columns and the patterns that need a closer look.
  static constexpr int kMaxPatterns = 4;
  struct CellRule {
    std::size_t limit = 0;
    std::size_t tabCount = 8;
    int singles = 0;  // byte values not a cell wide alone
    unsigned char single[kMaxPatterns] = {};
    int pairs = 0;  // byte pairs not two cells wide
    unsigned char lead[kMaxPatterns] = {};
    unsigned char trail[kMaxPatterns] = {};
  };
  const CellRule& Cells() const { return cellRule_; }
  // NextRow's byte-by-byte measure from character start `from`, where the columns are
  // `cols` and everything before is a whole number of cells.
  std::size_t NextRowFrom(std::string_view data, std::size_t from, std::size_t cols);

  using RowsFn = void (*)(RowFitter&, const std::string_view*, std::size_t, std::vector<std::uint32_t>&);

 private:
  struct Masks {
    std::uint64_t lead = 0;  // lead bytes
    std::uint64_t tab = 0;
    std::uint64_t odd = 0;       // outside printable ASCII
    std::uint64_t badTrail = 0;  // not a trail byte of the code page (0x40-0x7E, 0x80-0xFC)
  };

  void FindCellRule();
  int PairWidth(unsigned char lead, unsigned char trail);
  // Whether the pair is two cells wide, remembered per fitter in a bit table small enough
  // to stay in the first-level cache (the width table itself is 256 KB).
  bool IsCellPair(unsigned char lead, unsigned char trail);
  std::size_t FitFrom(std::string_view data, std::size_t i, long long cols, long long w, std::size_t fit);
  std::size_t RunEnd(const unsigned char* bytes, std::size_t i, std::size_t bound) const;
  static Masks Classify(const unsigned char* p, std::size_t len);
  static std::uint64_t Trails(std::uint64_t opens, std::uint64_t& carry);
  std::size_t FitUniform(std::string_view data);

  const bool measure_;
  bool missing_ = false;
  const std::int32_t column_;
  const long long limitW_;
  const int tabCount_;
  WidthTable& widths_;
  const int cell_;
  const int blank_;
  bool asciiUniform_ = false;
  bool uniform_ = false;
  long long limit_ = 0;
  bool run_[256];           // a plain single byte of width cell_
  bool leadsCell_ = false;  // every lead byte alone is a cell wide
  bool allCell_ = false;    // and so is every pair of a lead byte and a trail byte (twice)
  bool cells_ = false;      // the cells way applies, with cellRule_
  CellRule cellRule_;
  RowsFn cutRows_;
  std::uint64_t cellPairs_[65536 / 64] = {};
};

// The chunk functions of the cells way for each instruction set (WrapFitterCells.cpp):
// the widest that `simd` and the processor allow.
RowFitter::RowsFn CellRowsFn(WrapSimd simd);

}  // namespace quiret
