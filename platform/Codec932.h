// Code page 932 (Shift-JIS) <-> Unicode, through tables built once from iconv.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/LeadByte.h"

namespace quiret {

class Codec932 {
 public:
  static const Codec932& Instance();

  // Decodes the character at `pos`: sets `len` to the bytes it takes (1 or 2) and returns
  // its code point, or 0 when the bytes are not valid code page 932 (len is then 1).
  char32_t DecodeAt(std::string_view text, size_t pos, int& len) const {
    len = 1;
    if (pos >= text.size()) return 0;
    const auto b = static_cast<unsigned char>(text[pos]);
    if (!IsLeadByte(b)) return single_[b] == kNoChar ? 0 : single_[b];
    if (pos + 1 >= text.size()) return 0;
    const char16_t c = double_[b << 8 | static_cast<unsigned char>(text[pos + 1])];
    if (c == kNoChar) return 0;
    len = 2;
    return c;
  }
  // Whole-text conversion; invalid bytes become U+FFFD, one per byte.
  std::string ToUtf8(std::string_view cp932) const;
  std::u16string ToUtf16(std::string_view cp932) const;
  // Characters that code page 932 cannot represent become `replacement`; `replaced`, when
  // given, is set to how many did. The JIS forms of seven symbols that other systems write
  // (wave dash, double vertical line, minus sign, em dash, cent, pound, not sign) take the
  // code page's codes for them, as the system's own converter does.
  std::string FromUtf8(std::string_view utf8, char replacement = '?', int* replaced = nullptr) const;
  std::string FromUtf16(std::u16string_view utf16, char replacement = '?', int* replaced = nullptr) const;
  // The code for code point c: one byte, or lead << 8 | trail; kNoCode when the code page
  // has none. The JIS forms of the seven symbols above have the code of their twin.
  static constexpr std::uint16_t kNoCode = 0xFFFF;
  std::uint16_t CodeOf(char32_t c) const { return c < 0x10000 ? encode_[c] : kNoCode; }
  // The seven symbols that other systems write in two forms while the code page has one code
  // for both: `Decoded` is what the code reads as here, `Jis` the other (JIS) form.
  struct SymbolPair {
    std::uint16_t Code;
    char32_t Decoded;
    char32_t Jis;
  };
  static constexpr int kSymbolPairs = 7;
  const SymbolPair* SymbolPairs() const;  // kSymbolPairs entries
  // Appends code point c as UTF-8 (any value up to U+10FFFF, private use included).
  static void AppendUtf8(std::string& out, char32_t c);
  // Lower-cases ASCII letters; double-byte characters are left intact.
  static std::string LowerCase(std::string_view cp932);

 private:
  Codec932();
  struct Tables;
  const Tables* tables_;
  // Views of the tables, for the conversions inline above.
  static constexpr char16_t kNoChar = 0xFFFF;  // not a character (U+FFFF is never produced)
  const char16_t* single_;
  const char16_t* double_;  // indexed by lead << 8 | trail
  const std::uint16_t* encode_;
};

}  // namespace quiret
