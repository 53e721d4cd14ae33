// Code page 932 text -> the bytes of a file in another encoding, block by block: what a
// save writes, and what a load checks the file's own bytes against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Codec932.h"
#include "text/TextFormat.h"
#include "text/UnicodeCodec.h"

namespace quiret {

class FileEncoder {
 public:
  // `jisForms` as TextFormat::JisForms. Throws std::runtime_error when the system cannot
  // write the encoding.
  FileEncoder(Encoding e, std::uint8_t jisForms);

  // Appends the file's bytes for `cp932` (for ShiftJis the bytes themselves). False at the
  // first character the encoding cannot write, or at bytes that are no code page 932
  // character: `bad` is then its offset in `cp932`, and the bytes before it are written.
  bool Put(std::string_view cp932, std::string& out, std::size_t& bad);
  // What Put writes, one character at a time: the code point for the character at cp932[i]
  // (0 when the bytes are none), `len` set to its bytes; and a code point's UTF-8 bytes at o
  // (up to U+FFFF, as every code page character is), returning their end.
  char32_t WrittenAt(std::string_view cp932, std::size_t i, int& len) const {
    return Written(cp932, i, cp932_.DecodeAt(cp932, i, len));
  }
  static unsigned char* PutUtf8Char(unsigned char* o, char32_t c) {
    if (c < 0x80) {
      *o++ = static_cast<unsigned char>(c);
      return o;
    }
    if (c < 0x800) {
      *o++ = static_cast<unsigned char>(0xC0 | c >> 6);
    } else {
      *o++ = static_cast<unsigned char>(0xE0 | c >> 12);
      *o++ = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
    }
    *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return o;
  }

  // Changes the symbol forms written from here on.
  void SetJisForms(std::uint8_t jisForms);
  // Appends what ends the file (an encoding that shifts returns to ASCII).
  void Finish(std::string& out);

  // The symbol forms written for pairs a file did not show: the JIS form in the encodings
  // built on JIS tables, when they can write it; the form the code page reads as otherwise.
  static std::uint8_t DefaultJisForms(Encoding e);

 private:
  bool PutUtf8(std::string_view cp932, std::string& out, std::size_t& bad);
  // The code point to write for the character at cp932[i], which reads as `c`.
  char32_t Written(std::string_view cp932, std::size_t i, char32_t c) const {
    if (c == 0 || static_cast<unsigned char>(cp932[i]) != 0x81)
      return c;  // a pair's code is valid: two bytes
    const char32_t w = pairForm_[static_cast<unsigned char>(cp932[i + 1])];
    return w ? w : c;
  }

  Encoding enc_;
  const Codec932& cp932_;
  std::unique_ptr<UnicodeCodec> codec_;
  // The symbol pairs' codes all start with 0x81: by their second byte, the form written
  // (0 for the other codes).
  char32_t pairForm_[256] = {};
  std::u32string points_;
};

}  // namespace quiret
