// Word-at-a-time search for the first of a few byte values (line ends, zero bytes).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quiret {

inline constexpr std::uint64_t kByteOnes = 0x0101010101010101ull;
inline constexpr std::uint64_t kByteHighs = 0x8080808080808080ull;

// High bit set in each byte of `v` that is zero (bytes above the first hit may be flagged
// falsely, which is harmless where only the lowest flag is used).
inline std::uint64_t ZeroBytes(std::uint64_t v) { return (v - kByteOnes) & ~v & kByteHighs; }

// Offset of the first byte in [p, end) that is one of Bytes, or end - p when there is none.
template <unsigned char... Bytes>
std::size_t FindFirstOf(const char* p, const char* end) {
  const char* q = p;
  if constexpr (std::endian::native == std::endian::little) {
    while (end - q >= 8) {
      std::uint64_t v;
      std::memcpy(&v, q, 8);
      const std::uint64_t hits = (ZeroBytes(v ^ (kByteOnes * Bytes)) | ...);
      if (hits) return static_cast<std::size_t>(q - p) + (std::countr_zero(hits) >> 3);
      q += 8;
    }
  }
  while (q < end && ((static_cast<unsigned char>(*q) != Bytes) && ...)) ++q;
  return static_cast<std::size_t>(q - p);
}

}  // namespace quiret
