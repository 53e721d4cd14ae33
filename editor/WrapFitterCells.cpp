// The whole-text wrap's cells way: rows cut by their tabs alone, found 16, 32 or 64 bytes
// at a time with the widest vector instructions the processor has.
#include <bit>
#include <cstring>
#ifdef __x86_64__
#include <immintrin.h>
#endif

#include "editor/WrapFitter.h"
#include "text/LumoStrings.h"

namespace quiret {
namespace {

constexpr std::size_t kPatternFound = ~std::size_t{0};

// Each instruction set gives Events(p, len, rule): bit i set when byte i of the first `len`
// (1..64) bytes at p is a tab or starts one of the rule's patterns (a pair's second byte may
// be byte len). Bits from `len` on may be set or not. Bytes are read at most 15 past `len`
// (rows are readable that far past their end; the caller sees that p[len] is).

// Pairs from the masks of their first and second bytes, where the second byte's mask is
// reliable below `len` only and byte len is `next`.
inline std::uint64_t PairStarts(std::uint64_t first, std::uint64_t second, std::size_t len, bool next) {
  const std::uint64_t below = (std::uint64_t{1} << (len - 1)) - 1;
  return first & (((second >> 1) & below) | (std::uint64_t{next} << (len - 1)));
}

#ifdef __SSE2__
// Bytes [k, len) 16 at a time: tabs and single-byte events into `events`, each pair's lead and
// trail bytes into `first` and `second`. The wider levels finish their tails with it.
inline void Events16(const unsigned char* p, std::size_t k, std::size_t len, const RowFitter::CellRule& r,
                     std::uint64_t& events, std::uint64_t* first, std::uint64_t* second) {
  for (; k < len; k += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    __m128i hit = _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'));
    for (int s = 0; s < r.singles; ++s)
      hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(r.single[s]))));
    events |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(hit))) << k;
    for (int s = 0; s < r.pairs; ++s) {
      const auto a = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(r.lead[s]))));
      const auto b = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(r.trail[s]))));
      first[s] |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(a)) << k;
      second[s] |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(b)) << k;
    }
  }
}

struct Baseline {
  template <bool kPatterns>
  static std::uint64_t Events(const unsigned char* p, std::size_t len, const RowFitter::CellRule& r) {
    if constexpr (!kPatterns) {
      std::uint64_t tabs = 0;
      for (std::size_t k = 0; k < len; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        const int hit = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')));
        tabs |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(hit)) << k;
      }
      return tabs;
    }
    std::uint64_t events = 0;
    std::uint64_t first[RowFitter::kMaxPatterns] = {};
    std::uint64_t second[RowFitter::kMaxPatterns] = {};
    Events16(p, 0, len, r, events, first, second);
    for (int s = 0; s < r.pairs; ++s) events |= PairStarts(first[s], second[s], len, p[len] == r.trail[s]);
    return events;
  }
};
#else
// Without vector instructions: byte by byte.
struct Baseline {
  template <bool kPatterns>
  static std::uint64_t Events(const unsigned char* p, std::size_t len, const RowFitter::CellRule& r) {
    std::uint64_t events = 0;
    for (std::size_t i = 0; i < len; ++i) {
      bool hit = p[i] == '\t';
      for (int s = 0; s < r.singles; ++s) hit = hit || p[i] == r.single[s];
      for (int s = 0; s < r.pairs; ++s) hit = hit || (p[i] == r.lead[s] && p[i + 1] == r.trail[s]);
      events |= std::uint64_t{hit} << i;
    }
    return events;
  }
};
#endif

#ifdef __x86_64__
#define QUIRET_HAS_AVX 1
struct Avx2 {
  // 32 bytes at a time, the last 16 or 32 by 16, so no load ends more than 15 bytes past len.
  template <bool kPatterns>
  __attribute__((target("avx2"))) static std::uint64_t Events(const unsigned char* p, std::size_t len,
                                                              const RowFitter::CellRule& r) {
    if constexpr (!kPatterns) {
      std::uint64_t tabs = 0;
      std::size_t k = 0;
      for (; k + 32 <= len; k += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k));
        const int hit = _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\t')));
        tabs |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(hit)) << k;
      }
      for (; k < len; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        const int hit = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')));
        tabs |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(hit)) << k;
      }
      return tabs;
    }
    std::uint64_t events = 0;
    std::uint64_t first[RowFitter::kMaxPatterns] = {};
    std::uint64_t second[RowFitter::kMaxPatterns] = {};
    std::size_t k = 0;
    for (; k + 32 <= len; k += 32) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k));
      __m256i hit = _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\t'));
      for (int s = 0; s < r.singles; ++s)
        hit = _mm256_or_si256(hit, _mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(r.single[s]))));
      events |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hit))) << k;
      for (int s = 0; s < r.pairs; ++s) {
        const auto a =
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(r.lead[s]))));
        const auto b =
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(r.trail[s]))));
        first[s] |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << k;
        second[s] |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(b)) << k;
      }
    }
    Events16(p, k, len, r, events, first, second);
    for (int s = 0; s < r.pairs; ++s) events |= PairStarts(first[s], second[s], len, p[len] == r.trail[s]);
    return events;
  }
};

struct Avx512 {
  // One masked load: the bytes past len are not read at all.
  template <bool kPatterns>
  __attribute__((target("avx512f,avx512bw"))) static std::uint64_t Events(const unsigned char* p,
                                                                          std::size_t len,
                                                                          const RowFitter::CellRule& r) {
    const __mmask64 valid = len >= 64 ? ~__mmask64{0} : (__mmask64{1} << len) - 1;
    const __m512i v = _mm512_maskz_loadu_epi8(valid, p);
    std::uint64_t events = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\t'));
    if constexpr (!kPatterns) return events;
    for (int s = 0; s < r.singles; ++s)
      events |= _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(static_cast<char>(r.single[s])));
    for (int s = 0; s < r.pairs; ++s) {
      const std::uint64_t a = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(static_cast<char>(r.lead[s])));
      const std::uint64_t b = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(static_cast<char>(r.trail[s])));
      events |= PairStarts(a, b, len, p[len] == r.trail[s]);
    }
    return events;
  }
};
#endif

// The longest fitting prefix of the row p[0, n) when every character is a whole number of
// cells as its bytes count: the columns before a tab are the tab's column at the last tab
// plus the bytes since, and a tab reaches the next tab stop. A character that ends past
// the limit does not fit, and a pair the limit cuts fits as its lead byte alone (a cell),
// so the prefix ends at the limit's byte or before a tab that does not fit. Where a pattern
// comes first, the answer is kPatternFound, with `base` and `cols` where the last tab left
// the measure. Patterns where the limit falls count too: a pair it cuts that is narrower
// than two cells, or a single byte narrower than one, may still fit.
template <class Isa, bool kPatterns>
[[gnu::always_inline]] inline std::size_t FitCells(const unsigned char* p, std::size_t n,
                                                   const RowFitter::CellRule& r, std::size_t& base,
                                                   std::size_t& cols) {
  base = 0;
  cols = 0;
  std::size_t end = std::min(n, r.limit);  // the limit's byte, or the row's end
  auto done = [&] {
    if (kPatterns && r.singles > 0 && end < n) {
      for (int s = 0; s < r.singles; ++s)
        if (p[end] == r.single[s]) return kPatternFound;
    }
    return end;
  };
  if (end == 0) return done();
  std::size_t w = 0;  // the window of 64 bytes the events are of
  std::uint64_t events = Isa::template Events<kPatterns>(p, std::min<std::size_t>(64, end), r);
  for (;;) {
    const std::size_t skip = base > w ? base - w : 0;  // events before base are done with
    const std::uint64_t ahead = skip >= 64 ? 0 : events >> skip << skip;
    if (ahead) {
      const std::size_t at = w + static_cast<std::size_t>(std::countr_zero(ahead));
      if (at >= end) return done();
      if (kPatterns && p[at] != '\t') return kPatternFound;
      const std::size_t tabCol = cols + (at - base);
      const std::size_t after = tabCol + r.tabCount - tabCol % r.tabCount;
      if (after > r.limit) return at;  // the tab does not fit
      base = at + 1;
      cols = after;
      // The limit's byte only moves back: a tab takes at least one column for its byte.
      end = std::min(n, base + (r.limit - cols));
      continue;
    }
    if (w + 64 >= end) return done();
    w += 64;
    events = Isa::template Events<kPatterns>(p + w, std::min<std::size_t>(64, end - w), r);
  }
}

template <class Isa, bool kPatterns>
[[gnu::always_inline]] inline void CutRowsWith(RowFitter& fitter, const std::string_view* rows,
                                               std::size_t count, std::vector<std::uint32_t>& pieces) {
  const RowFitter::CellRule& rule = fitter.Cells();
  for (std::size_t k = 0; k < count; ++k) {
    std::string_view data = rows[k];
    if (data.empty()) {
      pieces.push_back(0);
      continue;
    }
    const std::size_t mark = pieces.size();
    for (;;) {
      const std::size_t n = data.size();
      std::size_t base, cols;
      const std::size_t fit =
          FitCells<Isa, kPatterns>(reinterpret_cast<const unsigned char*>(data.data()), n, rule, base, cols);
      std::size_t take;
      if (fit != kPatternFound) {
        take = RowLengthAfterFit(data, n, fit);
      } else {
        take = fitter.NextRowFrom(data, base, cols);
        if (fitter.Missing()) {
          fitter.ClearMissing();
          pieces.resize(mark);
          pieces.push_back(TLumoStrings::kCutLater);
          break;
        }
      }
      if (take >= n) {
        pieces.push_back(static_cast<std::uint32_t>(n));
        break;
      }
      pieces.push_back(static_cast<std::uint32_t>(take));
      data.remove_prefix(take);
    }
  }
}

void CutRowsBaseline(RowFitter& fitter, const std::string_view* rows, std::size_t count,
                     std::vector<std::uint32_t>& pieces) {
  if (fitter.Cells().singles + fitter.Cells().pairs > 0) {
    CutRowsWith<Baseline, true>(fitter, rows, count, pieces);
  } else {
    CutRowsWith<Baseline, false>(fitter, rows, count, pieces);
  }
}

#ifdef QUIRET_HAS_AVX
__attribute__((target("avx2"), flatten)) void CutRowsAvx2(RowFitter& fitter, const std::string_view* rows,
                                                          std::size_t count,
                                                          std::vector<std::uint32_t>& pieces) {
  if (fitter.Cells().singles + fitter.Cells().pairs > 0) {
    CutRowsWith<Avx2, true>(fitter, rows, count, pieces);
  } else {
    CutRowsWith<Avx2, false>(fitter, rows, count, pieces);
  }
}

__attribute__((target("avx512f,avx512bw"), flatten)) void CutRowsAvx512(RowFitter& fitter,
                                                                        const std::string_view* rows,
                                                                        std::size_t count,
                                                                        std::vector<std::uint32_t>& pieces) {
  if (fitter.Cells().singles + fitter.Cells().pairs > 0) {
    CutRowsWith<Avx512, true>(fitter, rows, count, pieces);
  } else {
    CutRowsWith<Avx512, false>(fitter, rows, count, pieces);
  }
}
#endif

}  // namespace

WrapSimd BestWrapSimd() {
#ifdef QUIRET_HAS_AVX
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) return WrapSimd::kAvx512;
  if (__builtin_cpu_supports("avx2")) return WrapSimd::kAvx2;
#endif
  return WrapSimd::kBaseline;
}

RowFitter::RowsFn CellRowsFn(WrapSimd simd) {
  static const WrapSimd best = BestWrapSimd();
  const WrapSimd use = simd == WrapSimd::kBest ? best : std::min(simd, best);
#ifdef QUIRET_HAS_AVX
  if (use == WrapSimd::kAvx512) return CutRowsAvx512;
  if (use == WrapSimd::kAvx2) return CutRowsAvx2;
#endif
  return CutRowsBaseline;
}

}  // namespace quiret
