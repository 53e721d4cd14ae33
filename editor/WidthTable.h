// Character widths of the canvas font through a cache shared by the layout and the wrap engine.
#pragma once

#include <atomic>
#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/Surface.h"

namespace quiret {

// Widths of characters through a cache indexed by the single byte (0..255) or by
// lead * 256 + trail for a two-byte character (always >= 0x8100, so the ranges never meet).
// The 256 single bytes are measured together the first time; the slot after the table
// records that they are.
class WidthTable {
 public:
  WidthTable(std::vector<int>& cache, Surface& surface) : cache_(cache), surface_(surface) {
    if (cache_.size() != kSize + 1) cache_.assign(kSize + 1, 0);
    if (cache_[kSize] == 0) {
      for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        cache_[static_cast<std::size_t>(b)] = surface_.TextWidth(std::string_view(&c, 1));
      }
      cache_[kSize] = 1;
    }
    table_ = cache_.data();
  }
  int Single(unsigned char b) const { return table_[b]; }
  int Pair(unsigned char lead, unsigned char trail) {
    const unsigned idx = (static_cast<unsigned>(lead) << 8) | trail;
    int w = std::atomic_ref<int>(table_[idx]).load(std::memory_order_relaxed);
    if (w == 0) {
      const char s[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      w = surface_.TextWidth(std::string_view(s, 2));
      // Atomic because a wrap's helper thread may read the entry meanwhile (see Known).
      std::atomic_ref<int>(table_[idx]).store(w, std::memory_order_relaxed);
    }
    return w;
  }
  // The width of a pair if it was measured before, else 0; never measures, so a thread
  // other than the one that owns the surface may call it.
  int Known(unsigned char lead, unsigned char trail) const {
    const unsigned idx = (static_cast<unsigned>(lead) << 8) | trail;
    return std::atomic_ref<int>(table_[idx]).load(std::memory_order_relaxed);
  }

 private:
  static constexpr std::size_t kSize = 65536;
  std::vector<int>& cache_;
  Surface& surface_;
  int* table_ = nullptr;
};

}  // namespace quiret
