// The bytes of one encoding <-> Unicode code points: UTF-8 and UTF-16 by their rules, the
// others through the system's iconv. Nothing here knows code page 932.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "text/TextFormat.h"

namespace quiret {

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
