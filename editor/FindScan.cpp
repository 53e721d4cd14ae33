// FindScan: the first and last bytes of the search text are compared at 16 places at once
// (vectors of the compiler, so any target gets them); only places where both fit are
// compared in full.
#include "editor/FindScan.h"

#include <cstdint>
#include <cstring>

namespace quiret {

namespace {

typedef unsigned char Bytes16 __attribute__((vector_size(16)));

Bytes16 Splat(unsigned char c) {
  Bytes16 v;
  for (int i = 0; i < 16; ++i) v[i] = c;
  return v;
}

bool FitsAt(const char* p, const TwoFormText& n) {
  for (std::size_t k = 0; k < n.size(); ++k)
    if (p[k] != n.a[k] && p[k] != n.b[k]) return false;
  return true;
}

}  // namespace

TwoFormText TwoFormText::AsciiCaseless(std::string_view text) {
  TwoFormText t{std::string(text), std::string(text)};
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 'a' && c <= 'z') t.b[i] = static_cast<char>(c - 0x20);
    if (c >= 'A' && c <= 'Z') t.b[i] = static_cast<char>(c + 0x20);
  }
  return t;
}

std::size_t FindTwoForm(std::string_view hay, std::size_t from, const TwoFormText& n) {
  const std::size_t m = n.size();
  if (m == 0 || hay.size() < m || from > hay.size() - m) return std::string_view::npos;
  const std::size_t lastStart = hay.size() - m;
  const std::size_t back = m - 1;
  const char* h = hay.data();
  std::size_t i = from;
  const Bytes16 f1 = Splat(static_cast<unsigned char>(n.a[0])),
                f2 = Splat(static_cast<unsigned char>(n.b[0]));
  const Bytes16 l1 = Splat(static_cast<unsigned char>(n.a[back]));
  const Bytes16 l2 = Splat(static_cast<unsigned char>(n.b[back]));
  for (; i + 16 <= lastStart + 1; i += 16) {
    Bytes16 x, y;
    std::memcpy(&x, h + i, 16);
    std::memcpy(&y, h + i + back, 16);
    const auto hit = ((x == f1) | (x == f2)) & ((y == l1) | (y == l2));
    std::uint64_t w[2];
    std::memcpy(w, &hit, 16);
    if ((w[0] | w[1]) == 0) continue;
    for (std::size_t k = 0; k < 16; ++k)
      if (hit[k] && FitsAt(h + i + k, n)) return i + k;
  }
  for (; i <= lastStart; ++i)
    if ((h[i] == n.a[0] || h[i] == n.b[0]) && FitsAt(h + i, n)) return i;
  return std::string_view::npos;
}

}  // namespace quiret
