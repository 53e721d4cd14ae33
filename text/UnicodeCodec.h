// The bytes of one encoding <-> Unicode code points: UTF-8 and UTF-16 by their rules, the
// others through the system's iconv. Nothing here knows code page 932.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "text/TextFormat.h"

namespace quiret {

// The UTF-8 character at the start of s[0, n): its length, `c` holding it; 0 when the bytes
// are no character (overlong forms, surrogates and values past U+10FFFF are not); -1 when
// they end inside one.
inline int ReadUtf8(const unsigned char* s, std::size_t n, char32_t& c) {
  const unsigned b = s[0];
  if (b < 0x80) {
    c = b;
    return 1;
  }
  int len;
  unsigned lo = 0x80, hi = 0xBF;  // the second byte's range
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2, c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, c = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, c = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  for (int k = 1; k < len; ++k) {
    if (static_cast<std::size_t>(k) >= n) return -1;
    const unsigned t = s[k];
    if (k == 1 ? (t < lo || t > hi) : (t < 0x80 || t > 0xBF)) return 0;
    c = c << 6 | (t & 0x3F);
  }
  return len;
}

// How many bytes at the start of s[0, n) are below 0x80 (and not zero, with `stopAtZero`),
// a word at a time: the fast way over the ASCII runs of a text.
inline std::size_t AsciiRun(const char* s, std::size_t n, bool stopAtZero) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  std::size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; n - i >= 8; i += 8) {
      std::uint64_t v;
      std::memcpy(&v, s + i, 8);
      const std::uint64_t stop = (v & kHighs) | (stopAtZero ? (v - kOnes) & ~v & kHighs : 0);
      if (stop) return i + (static_cast<std::size_t>(std::countr_zero(stop)) >> 3);
    }
  }
  while (i < n && static_cast<unsigned char>(s[i]) < 0x80 && !(stopAtZero && s[i] == '\0')) ++i;
  return i;
}

class UnicodeCodec {
 public:
  virtual ~UnicodeCodec() = default;
  // A reader and writer for `e` (not ShiftJis, not Utf16); throws std::runtime_error when
  // the system cannot convert it.
  static std::unique_ptr<UnicodeCodec> For(Encoding e);

  // Appends the code points of the whole characters at the start of `in` and returns the
  // bytes they took. It stops before a character the bytes end inside (the caller gives
  // those again with the bytes that follow) and before bytes that are no character of the
  // encoding, setting `invalid`.
  virtual std::size_t Decode(std::string_view in, std::u32string& out, bool& invalid) = 0;
  // Appends the bytes of `in`; false when a code point cannot be written, `bad` then being
  // its index (those before it are written).
  virtual bool Encode(std::u32string_view in, std::string& out, std::size_t& bad) = 0;
  // Appends what ends the text (the return to ASCII of an encoding that shifts).
  virtual void FinishEncode(std::string& /*out*/) {}
  // The units line breaks come in: 2 for UTF-16, 1 for the others.
  virtual int UnitBytes() const { return 1; }
};

}  // namespace quiret
