// The wrap engine: measuring rows by the wrap rule (a byte-at-a-time reference and a
// 64-bytes-at-a-time fitter for whole-text wraps) and re-cutting the store in place.
#include "editor/WrapEngine.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <thread>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

// Byte classes for the measuring loops: plain, tab, lead byte.
enum : unsigned char { kPlain = 0, kTab = 1, kLeadByte = 2 };
struct ByteClasses {
  unsigned char of[256];
  constexpr ByteClasses() : of() {
    for (int b = 0; b < 256; ++b)
      of[b] = b == '\t' ? kTab : (IsLeadByte(static_cast<unsigned char>(b)) ? kLeadByte : kPlain);
  }
};
constexpr ByteClasses kClass;

// The second bytes of the code page's double-byte characters.
constexpr bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

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

// The rest of NextRowLength once the longest fitting prefix `pos` is known.
std::size_t RowLengthAfterFit(std::string_view data, std::size_t compareLen, std::size_t pos) {
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

}  // namespace

std::size_t NextRowLength(std::string_view data, std::size_t compareLen, std::int32_t column, bool autoWrap,
                          std::int32_t areaWidth, int tabCount, WidthTable& widths) {
  return RowLengthAfterFit(data, compareLen,
                           LongestFittingPrefix(data, column, autoWrap, areaWidth, tabCount, widths));
}

namespace {

// LongestFittingPrefix for a whole-text wrap, with the same result for every input. When
// single bytes are mostly of one width (the cell), double-byte characters are twice it and a
// tab's blank is a cell, the pixels are the columns times the cell, so the row ends where
// the columns reach Limit = min(column, areaWidth / cell), except where a character breaks
// that rule. The bytes are then classified 64 at a time (lead bytes, tabs, bytes outside
// printable ASCII), the pairs found from the lead bytes as a bit mask, and only tabs,
// double-byte characters and unusual single bytes are looked at one by one. From the
// first character that is not of the rule on, the row is measured byte by byte as in
// LongestFittingPrefix, with runs of cell-wide single bytes taken in one step.
class RowFitter {
 public:
  // A fitter that may not measure (measure false) runs on a helper thread: it reports a
  // pair that was never measured through Missing instead, and its result for that row is
  // then to be thrown away.
  RowFitter(const WrapRule& rule, WidthTable& widths, bool measure = true)
      : measure_(measure),
        column_(rule.column),
        limitW_(rule.autoWrap ? rule.areaWidth : (1LL << 62)),
        tabCount_(rule.tabCount),
        widths_(widths),
        cell_(widths.Single('a')),
        blank_(widths.Single(' ')) {
    bool asciiUniform = true;
    bool leadsNarrow = true;
    for (int b = 0; b < 256; ++b) {
      const auto c = static_cast<unsigned char>(b);
      run_[b] = kClass.of[c] == kPlain && widths.Single(c) == cell_;
      if (b >= 0x20 && b < 0x7F && !run_[b]) asciiUniform = false;
      // A pair is first tried as its lead byte alone, which must then fit where the pair does.
      if (IsLeadByte(c) && widths.Single(c) > 2 * cell_) leadsNarrow = false;
    }
    asciiUniform_ = asciiUniform;
    uniform_ = cell_ > 0 && blank_ == cell_ && asciiUniform && leadsNarrow && column_ > 0 && limitW_ >= 0;
    if (uniform_) limit_ = std::min<long long>(column_, limitW_ / cell_);
    leadsCell_ = true;
    for (int b = 0; b < 256; ++b) {
      const auto c = static_cast<unsigned char>(b);
      if (IsLeadByte(c) && widths.Single(c) != cell_) leadsCell_ = false;
    }
    allCell_ = uniform_ && leadsCell_;
    for (int lead = 0x81; allCell_ && lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        const auto t = static_cast<unsigned char>(trail);
        if (IsTrailByte(t) && widths.Known(static_cast<unsigned char>(lead), t) != 2 * cell_) {
          allCell_ = false;
          break;
        }
      }
    }
  }

  bool Missing() const { return missing_; }

  // Whether the pair is two cells wide, remembered per fitter in a bit table small enough
  // to stay in the first-level cache (the width table itself is 256 KB).
  bool IsCellPair(unsigned char lead, unsigned char trail) {
    const unsigned idx = (static_cast<unsigned>(lead) << 8) | trail;
    const std::uint64_t bit = std::uint64_t{1} << (idx & 63);
    if (cellPairs_[idx >> 6] & bit) return true;
    const bool cell = PairWidth(lead, trail) == 2 * cell_;
    if (cell) cellPairs_[idx >> 6] |= bit;
    return cell;
  }
  void ClearMissing() { missing_ = false; }

  // NextRowLength of a whole-text wrap.
  std::size_t NextRow(std::string_view data) {
    std::size_t pos;
    if (uniform_) {
      pos = FitUniform(data);
    } else {
      if (limitW_ < 0) return RowLengthAfterFit(data, data.size(), 0);
      pos = FitFrom(data, 0, 0, 0, 0);
    }
    return RowLengthAfterFit(data, data.size(), pos);
  }

 private:
  int PairWidth(unsigned char lead, unsigned char trail) {
    if (measure_) return widths_.Pair(lead, trail);
    const int w = widths_.Known(lead, trail);
    if (w == 0) missing_ = true;
    return w;
  }

  // LongestFittingPrefix continued from character start i with the measures so far.
  std::size_t FitFrom(std::string_view data, std::size_t i, long long cols, long long w, std::size_t fit) {
    const std::int32_t column = column_;
    const long long limitW = limitW_;
    const std::size_t n = data.size();
    const std::size_t maxPos = std::min<std::size_t>(n, static_cast<std::size_t>(std::max(column, 0)));
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    while (i < maxPos) {
      unsigned char b = bytes[i];
      if (run_[b] && cell_ > 0) {
        // Bytes of the run that still fit: both measures are within their limits here.
        const long long room = std::min<long long>(column - cols, (limitW - w) / cell_);
        const std::size_t bound = std::min<std::size_t>(n, i + static_cast<std::size_t>(room) + 1);
        const std::size_t stop = RunEnd(bytes, i, bound);
        const std::size_t run = stop - i;
        if (run > static_cast<std::size_t>(room)) return i + static_cast<std::size_t>(room);
        cols += static_cast<long long>(run);
        w += static_cast<long long>(run) * cell_;
        i = fit = stop;
        if (i >= maxPos) break;
        b = bytes[i];
      }
      // One step of LongestFittingPrefix.
      const unsigned char kind = kClass.of[b];
      if (kind == kPlain || (kind == kLeadByte && (i + 1 >= n || bytes[i + 1] == '\t'))) {
        cols += 1;
        w += widths_.Single(b);
        ++i;
      } else if (kind == kTab) {
        const int blanks = tabCount_ - static_cast<int>(cols % tabCount_);
        cols += blanks;
        w += static_cast<long long>(blanks) * blank_;
        ++i;
      } else {
        if (cols + 1 > column || w + widths_.Single(b) > limitW) break;
        fit = i + 1;
        if (i + 2 > maxPos) break;
        cols += 2;
        w += PairWidth(b, bytes[i + 1]);
        i += 2;
      }
      if (cols > column || w > limitW) break;
      fit = i;
    }
    return fit;
  }

  // The first byte in [i, bound) that is not of the run, or bound; printable ASCII is
  // tested eight bytes at a time when it is all of the run.
  std::size_t RunEnd(const unsigned char* bytes, std::size_t i, std::size_t bound) const {
    if (asciiUniform_) {
      while (bound - i >= 8) {
        std::uint64_t v;
        std::memcpy(&v, bytes + i, 8);
        const std::uint64_t hits = OutsideAscii(v);
        if (hits) {
          if constexpr (std::endian::native == std::endian::little) {
            i += static_cast<std::size_t>(std::countr_zero(hits) >> 3);
          }
          break;
        }
        i += 8;
      }
    }
    while (i < bound && run_[bytes[i]]) ++i;
    return i;
  }

  static constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  static constexpr std::uint64_t kHighs = 0x8080808080808080ull;

  // High bit of each byte below 0x20, equal to 0x7F or from 0x80 on (bytes above the lowest
  // such byte may be flagged falsely).
  static std::uint64_t OutsideAscii(std::uint64_t v) {
    return ((((v - kOnes * 0x20) | ((v ^ (kOnes * 0x7F)) - kOnes)) & ~v) | v) & kHighs;
  }

  struct Masks {
    std::uint64_t lead = 0;  // lead bytes
    std::uint64_t tab = 0;
    std::uint64_t odd = 0;       // outside printable ASCII
    std::uint64_t badTrail = 0;  // not a trail byte of the code page (0x40-0x7E, 0x80-0xFC)
  };

  // Classifies the first `len` (<= 64) of the bytes at p, 16 at a time, reading up to 15
  // bytes past them (the store's rows allow that); the bits past `len` mean nothing.
  static Masks Classify(const unsigned char* p, std::size_t len) {
    static_assert(TLumoStrings::kRowReadSlack >= 15);
    Masks m;
#ifdef __SSE2__
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    for (int k = 0; k < static_cast<int>(len); k += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
      // With bit 7 flipped, 0x81-0x9F are 1..31 and 0xE0-0xFC are 96..124 as signed bytes.
      const __m128i s = _mm_xor_si128(v, flip);
      const __m128i lead = _mm_or_si128(
          _mm_and_si128(_mm_cmpgt_epi8(s, _mm_setzero_si128()), _mm_cmplt_epi8(s, _mm_set1_epi8(32))),
          _mm_and_si128(_mm_cmpgt_epi8(s, _mm_set1_epi8(95)), _mm_cmplt_epi8(s, _mm_set1_epi8(125))));
      // Below 0x20 or from 0x80 on is below 0x20 as a signed byte.
      const __m128i odd =
          _mm_or_si128(_mm_cmplt_epi8(v, _mm_set1_epi8(0x20)), _mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)));
      const __m128i tab = _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'));
      // Flipped, the trail bytes are -64..124 as signed bytes, less -1 (0x7F).
      const __m128i trail = _mm_andnot_si128(
          _mm_cmpeq_epi8(s, _mm_set1_epi8(-1)),
          _mm_and_si128(_mm_cmpgt_epi8(s, _mm_set1_epi8(-65)), _mm_cmplt_epi8(s, _mm_set1_epi8(125))));
      m.badTrail |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(~_mm_movemask_epi8(trail))) << k;
      m.lead |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(lead))) << k;
      m.odd |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(odd))) << k;
      m.tab |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(tab))) << k;
    }
#else
    for (int k = 0; k < static_cast<int>(len); k += 8) {
      std::uint64_t v;
      std::memcpy(&v, p + k, 8);
      // Bit 7 of each byte to one bit per byte: the multiply gathers them into the top byte.
      auto gather = [](std::uint64_t highs) { return ((highs >> 7) * 0x0102040810204080ull) >> 56; };
      const std::uint64_t x = v & ~kHighs;  // the low seven bits
      const std::uint64_t lead = (InRange(x, 0x01, 0x1F) | InRange(x, 0x60, 0x7C)) & v & kHighs;
      m.lead |= gather(lead) << k;
      m.tab |= gather(ZeroBytesExact(v ^ (kOnes * '\t'))) << k;
      m.odd |= gather(ExactOutsideAscii(v)) << k;
      const std::uint64_t trail = (InRange(x, 0x40, 0x7E) & ~v) | (InRange(x, 0x00, 0x7C) & v & kHighs);
      m.badTrail |= gather(~trail & kHighs) << k;
    }
#endif
    return m;
  }

  // High bit set exactly in the bytes of v that are zero.
  static std::uint64_t ZeroBytesExact(std::uint64_t v) { return ~(((v & ~kHighs) + ~kHighs) | v) & kHighs; }
  // High bit set exactly in the bytes of x (each below 0x80) within [lo, hi].
  static std::uint64_t InRange(std::uint64_t x, unsigned lo, unsigned hi) {
    // x + (0x80 - lo) has bit 7 when x >= lo; x + (0x7F - hi) has bit 7 when x > hi.
    const std::uint64_t geLo = (x + kOnes * (0x80 - lo)) & kHighs;
    const std::uint64_t gtHi = (x + kOnes * (0x7F - hi)) & kHighs;
    return geLo & ~gtHi;
  }
  // High bit set exactly in the bytes below 0x20, equal to 0x7F, or from 0x80 on.
  static std::uint64_t ExactOutsideAscii(std::uint64_t v) {
    const std::uint64_t x = v & ~kHighs;
    const std::uint64_t below20 = ~(x + kOnes * (0x80 - 0x20)) & kHighs;
    const std::uint64_t del = ZeroBytesExact(x ^ (kOnes * 0x7F));
    return below20 | del | (v & kHighs);
  }

  // The pair-closing bytes of a block: a lead byte of `opens` pairs with the byte after it
  // unless it is itself the second byte of a pair; `carry` says whether the block's first
  // byte is such a second byte, and becomes that for the next block.
  static std::uint64_t Trails(std::uint64_t opens, std::uint64_t& carry) {
    opens &= ~carry;
    const std::uint64_t follows = (opens << 1) | carry;
    constexpr std::uint64_t kEven = 0x5555555555555555ull;
    const std::uint64_t oddStarts = opens & ~kEven & ~follows;
    std::uint64_t sum;
    __builtin_add_overflow(oddStarts, opens, &sum);
    const std::uint64_t trails = (kEven ^ (sum << 1)) & follows;
    carry = (opens & ~trails) >> 63;
    return trails;
  }

  std::size_t FitUniform(std::string_view data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t n = data.size();
    const long long cell = cell_;
    std::size_t base = 0;  // the columns at position i are colsBase + (i - base) up to a tab
    long long colsBase = 0;
    std::size_t j = 0;        // the block's start
    std::uint64_t carry = 0;  // whether j is the second byte of a pair
    for (;;) {
      // Characters starting before limitPos fit as far as the columns go.
      std::size_t limitPos = base + static_cast<std::size_t>(limit_ - colsBase);
      bool straddle = carry != 0 && j == limitPos;
      if (j < std::min(n, limitPos)) {
        const std::size_t m = std::min<std::size_t>(64, n - j);
        // Bytes from two past the limit on are never looked at (the limit only moves back,
        // at tabs), and a block is followed by the next only when it fits whole.
        const Masks k = Classify(bytes + j, std::min(m, limitPos + 2 - j));
        const std::uint64_t valid = m == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << m) - 1;
        // A lead byte opens a pair unless a tab or the end of the data follows it.
        std::uint64_t nextTab = k.tab >> 1;
        if (m == 64 && j + 64 < n && bytes[j + 64] == '\t') nextTab |= std::uint64_t{1} << 63;
        std::uint64_t opens = k.lead & ~nextTab & valid;
        if (j + m == n) opens &= ~(std::uint64_t{1} << (m - 1));
        const std::uint64_t blockCarry = carry;
        const std::uint64_t trails = Trails(opens, carry);
        opens &= ~trails & ~blockCarry;
        const std::uint64_t starts = valid & ~trails;
        const std::uint64_t odd = k.odd & starts & ~opens;
        std::uint64_t from = ~std::uint64_t{0};  // bits at or after the last tab handled
        for (;;) {
          const std::size_t scanEnd = std::min(n, limitPos);
          const std::size_t span = std::min<std::size_t>(m, scanEnd - j);
          const std::uint64_t window =
              (span == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << span) - 1) & from;
          const std::uint64_t tabs = k.tab & window;
          const std::uint64_t firstTab = tabs & (0 - tabs);
          // Characters before the first tab that need a look: pairs and unusual single bytes.
          // When every pair with a trail byte of the code page is known to be two cells,
          // only pairs with other second bytes are looked at.
          std::uint64_t pairs = opens;
          if (allCell_) {
            std::uint64_t bad = k.badTrail >> 1;
            if ((window >> 63) && (opens >> 63) && !IsTrailByte(bytes[j + 64])) bad |= std::uint64_t{1} << 63;
            pairs &= bad;
          }
          std::uint64_t look = (pairs | odd) & window & (firstTab - 1);
          while (look) {
            const int bit = std::countr_zero(look);
            look &= look - 1;
            const std::size_t at = j + static_cast<std::size_t>(bit);
            const unsigned char b = bytes[at];
            bool ok;
            if ((opens >> bit) & 1) {
              ok = IsCellPair(b, bytes[at + 1]);
              // The pair that the limit cuts is tried as its lead byte alone.
              if (!leadsCell_ && at + 1 == limitPos && widths_.Single(b) != cell_) ok = false;
            } else {
              ok = run_[b];
            }
            if (!ok) {
              const long long cols = colsBase + static_cast<long long>(at - base);
              return FitFrom(data, at, cols, cols * cell, at);
            }
          }
          if (!firstTab) {
            if (j + span < scanEnd) break;  // the whole block fits; on to the next one
            straddle = limitPos >= j + 1 && limitPos - 1 - j < 64 && ((opens >> (limitPos - 1 - j)) & 1) != 0;
            goto limitReached;
          }
          const int bit = std::countr_zero(firstTab);
          const std::size_t at = j + static_cast<std::size_t>(bit);
          const long long cols = colsBase + static_cast<long long>(at - base);
          const long long after = cols + tabCount_ - cols % tabCount_;
          if (after > limit_) return at;  // the tab does not fit
          base = at + 1;
          colsBase = after;
          limitPos = base + static_cast<std::size_t>(limit_ - colsBase);
          from = bit == 63 ? 0 : ~std::uint64_t{0} << (bit + 1);
          if (base >= std::min(n, limitPos)) {
            straddle = false;  // nothing after the tab is before the limit
            goto limitReached;
          }
        }
        j += 64;
        continue;
      }
    limitReached:
      if (limitPos >= n) return n;
      if (straddle) return limitPos;  // the pair cut by the limit was looked at
      const unsigned char b = bytes[limitPos];
      if (b == '\t' || widths_.Single(b) == cell_) return limitPos;
      return FitFrom(data, limitPos, limit_, limit_ * cell, limitPos);
    }
  }

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
  std::uint64_t cellPairs_[65536 / 64] = {};
};

// A cutter for the store's whole-text split: the pieces of each row by the fitter's rule. A
// row with a pair the fitter could not measure is left to be cut again.
TLumoStrings::RowCutter CutterOf(RowFitter& fitter) {
  return [&fitter](const std::string_view* rows, std::size_t count, std::vector<std::uint32_t>& pieces) {
    for (std::size_t k = 0; k < count; ++k) {
      std::string_view data = rows[k];
      const std::size_t mark = pieces.size();
      while (!data.empty()) {
        const std::size_t take = fitter.NextRow(data);
        if (fitter.Missing()) {
          fitter.ClearMissing();
          pieces.resize(mark);
          pieces.push_back(TLumoStrings::kCutLater);
          break;
        }
        if (take >= data.size()) {
          pieces.push_back(static_cast<std::uint32_t>(data.size()));
          break;
        }
        pieces.push_back(static_cast<std::uint32_t>(take));
        data.remove_prefix(take);
      }
      if (pieces.size() == mark) pieces.push_back(0);
    }
  };
}

}  // namespace

void WrapInPlace(TLumoStrings& lines, const WrapRule& rule, WidthTable& widths,
                 const std::function<void(std::int64_t, std::int64_t)>& progress, bool twoThreads) {
  const std::int32_t count = lines.Count();
  // A large text has its pairs measured all at once first (some ten thousand, once per
  // font): when all are two cells, the fitters look at no pair of the code page one by one,
  // and the helper thread meets none it cannot measure.
  constexpr std::int32_t kMeasureAllRows = 1 << 14;
  if (count >= kMeasureAllRows) {
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (IsTrailByte(static_cast<unsigned char>(trail)))
          widths.Pair(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
      }
    }
  }
  RowFitter fitter(rule, widths);
  const TLumoStrings::RowCutter cut = CutterOf(fitter);
  // A large text's second half is cut on a helper thread at once; it cannot measure (the
  // surface belongs to this thread), so the rows it meets an unmeasured pair in are cut
  // here afterwards.
  constexpr std::int32_t kThreadRows = 1 << 15;
  twoThreads = twoThreads && count >= kThreadRows && std::thread::hardware_concurrency() > 1;
  RowFitter helperFitter(rule, widths, false);
  const TLumoStrings::RowCutter second = CutterOf(helperFitter);
  lines.SplitRows(cut, twoThreads ? &second : nullptr, progress);
}

void UnwrapInPlace(TLumoStrings& lines) {
  const std::int32_t count = lines.Count();
  // A text just loaded has nothing to join: find that out before building the lengths.
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
