// The whole-text wrap's row fitter: the uniform and byte-by-byte ways, and the choice of way.
#include "editor/WrapFitter.h"

#include <bit>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "text/LumoStrings.h"

namespace quiret {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

// High bit of each byte below 0x20, equal to 0x7F or from 0x80 on (bytes above the lowest
// such byte may be flagged falsely).
std::uint64_t OutsideAscii(std::uint64_t v) {
  return ((((v - kOnes * 0x20) | ((v ^ (kOnes * 0x7F)) - kOnes)) & ~v) | v) & kHighs;
}

#ifndef __SSE2__
// High bit set exactly in the bytes of v that are zero.
std::uint64_t ZeroBytesExact(std::uint64_t v) { return ~(((v & ~kHighs) + ~kHighs) | v) & kHighs; }
// High bit set exactly in the bytes of x (each below 0x80) within [lo, hi].
std::uint64_t InRange(std::uint64_t x, unsigned lo, unsigned hi) {
  // x + (0x80 - lo) has bit 7 when x >= lo; x + (0x7F - hi) has bit 7 when x > hi.
  const std::uint64_t geLo = (x + kOnes * (0x80 - lo)) & kHighs;
  const std::uint64_t gtHi = (x + kOnes * (0x7F - hi)) & kHighs;
  return geLo & ~gtHi;
}
// High bit set exactly in the bytes below 0x20, equal to 0x7F, or from 0x80 on.
std::uint64_t ExactOutsideAscii(std::uint64_t v) {
  const std::uint64_t x = v & ~kHighs;
  const std::uint64_t below20 = ~(x + kOnes * (0x80 - 0x20)) & kHighs;
  const std::uint64_t del = ZeroBytesExact(x ^ (kOnes * 0x7F));
  return below20 | del | (v & kHighs);
}
#endif

// Generic cutting: NextRow for every row.
void CutRowsOneByOne(RowFitter& fitter, const std::string_view* rows, std::size_t count,
                     std::vector<std::uint32_t>& pieces) {
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
}

}  // namespace

RowFitter::RowFitter(const WrapRule& rule, WidthTable& widths, bool measure, WrapSimd simd)
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
  FindCellRule();
  cutRows_ = cells_ ? CellRowsFn(simd) : CutRowsOneByOne;
}

void RowFitter::FindCellRule() {
  cells_ = false;
  if (cell_ <= 0 || blank_ != cell_ || column_ <= 0 || limitW_ < 0) return;
  CellRule r;
  r.limit = static_cast<std::size_t>(std::min<long long>(column_, limitW_ / cell_));
  r.tabCount = static_cast<std::size_t>(tabCount_);
  // Single bytes, lead bytes included (a lead byte is measured alone before a tab, at the
  // end of the data and where the limit cuts its pair).
  for (int b = 0; b < 256; ++b) {
    if (b == '\t' || widths_.Single(static_cast<unsigned char>(b)) == cell_) continue;
    if (r.singles == kMaxPatterns) return;
    r.single[r.singles++] = static_cast<unsigned char>(b);
  }
  // A lead byte and whatever follows it but a tab is a pair; one never measured counts as
  // not two cells wide.
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int second = 0; second < 256; ++second) {
      if (second == '\t') continue;
      if (widths_.Known(static_cast<unsigned char>(lead), static_cast<unsigned char>(second)) == 2 * cell_)
        continue;
      if (r.pairs == kMaxPatterns) return;
      r.lead[r.pairs] = static_cast<unsigned char>(lead);
      r.trail[r.pairs++] = static_cast<unsigned char>(second);
    }
  }
  cellRule_ = r;
  cells_ = true;
}

std::size_t RowFitter::NextRowFrom(std::string_view data, std::size_t from, std::size_t cols) {
  const auto c = static_cast<long long>(cols);
  return RowLengthAfterFit(data, data.size(), FitFrom(data, from, c, c * cell_, from));
}

bool RowFitter::IsCellPair(unsigned char lead, unsigned char trail) {
  const unsigned idx = (static_cast<unsigned>(lead) << 8) | trail;
  const std::uint64_t bit = std::uint64_t{1} << (idx & 63);
  if (cellPairs_[idx >> 6] & bit) return true;
  const bool cell = PairWidth(lead, trail) == 2 * cell_;
  if (cell) cellPairs_[idx >> 6] |= bit;
  return cell;
}

std::size_t RowFitter::NextRow(std::string_view data) {
  std::size_t pos;
  if (uniform_) {
    pos = FitUniform(data);
  } else {
    if (limitW_ < 0) return RowLengthAfterFit(data, data.size(), 0);
    pos = FitFrom(data, 0, 0, 0, 0);
  }
  return RowLengthAfterFit(data, data.size(), pos);
}

int RowFitter::PairWidth(unsigned char lead, unsigned char trail) {
  if (measure_) return widths_.Pair(lead, trail);
  const int w = widths_.Known(lead, trail);
  if (w == 0) missing_ = true;
  return w;
}

// LongestFittingPrefix continued from character start i with the measures so far.
std::size_t RowFitter::FitFrom(std::string_view data, std::size_t i, long long cols, long long w,
                               std::size_t fit) {
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
std::size_t RowFitter::RunEnd(const unsigned char* bytes, std::size_t i, std::size_t bound) const {
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

// Classifies the first `len` (<= 64) of the bytes at p, 16 at a time, reading up to 15
// bytes past them (the store's rows allow that); the bits past `len` mean nothing.
RowFitter::Masks RowFitter::Classify(const unsigned char* p, std::size_t len) {
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

// The pair-closing bytes of a block: a lead byte of `opens` pairs with the byte after it
// unless it is itself the second byte of a pair; `carry` says whether the block's first
// byte is such a second byte, and becomes that for the next block.
std::uint64_t RowFitter::Trails(std::uint64_t opens, std::uint64_t& carry) {
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

std::size_t RowFitter::FitUniform(std::string_view data) {
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
        const std::uint64_t window = (span == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << span) - 1) & from;
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

}  // namespace quiret
