// The line-break tally: a word-at-a-time scan for CR and LF.
#include "text/LineEndTally.h"

#include <bit>
#include <cstring>

namespace quiret {
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

inline std::uint64_t ZeroBytes(std::uint64_t v) { return (v - kOnes) & ~v & kHighs; }

// Offset of the first CR or LF in [p, end), or end - p.
std::size_t FindBreak(const char* p, const char* end) {
  const char* q = p;
  if constexpr (std::endian::native == std::endian::little) {
    while (end - q >= 8) {
      std::uint64_t v;
      std::memcpy(&v, q, 8);
      const std::uint64_t hits = ZeroBytes(v ^ (kOnes * 0x0A)) | ZeroBytes(v ^ (kOnes * 0x0D));
      if (hits) return static_cast<std::size_t>(q - p) + (std::countr_zero(hits) >> 3);
      q += 8;
    }
  }
  while (q < end && *q != '\n' && *q != '\r') ++q;
  return static_cast<std::size_t>(q - p);
}

}  // namespace

void LineEndTally::Note(LineEnd e) {
  if (!first_) first_ = e;
  seen_ |= static_cast<std::uint8_t>(1u << static_cast<unsigned>(e));
}

void LineEndTally::Feed(const char* data, std::size_t size) {
  const char* p = data;
  const char* end = data + size;
  while (p < end) {
    if (afterCr_) {
      // The byte after a CR decides its style; zero bytes in between are no bytes at all.
      while (p < end && *p == '\0') ++p;
      if (p == end) return;
      afterCr_ = false;
      if (*p == '\n') {
        Note(LineEnd::CrLf);
        ++p;
        continue;
      }
      Note(LineEnd::Cr);
    }
    p += FindBreak(p, end);
    if (p == end) return;
    ++breaks_;
    if (*p == '\r')
      afterCr_ = true;
    else
      Note(LineEnd::Lf);
    ++p;
  }
}

void LineEndTally::Finish() {
  if (afterCr_) Note(LineEnd::Cr);
  afterCr_ = false;
}

}  // namespace quiret
