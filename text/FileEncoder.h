// Code page 932 text -> the bytes of a file in another encoding, block by block: what a
// save writes, and what a load checks the file's own bytes against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

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
  // Changes the symbol forms written from here on.
  void SetJisForms(std::uint8_t jisForms);
  // Appends what ends the file (an encoding that shifts returns to ASCII).
  void Finish(std::string& out);

  // The symbol forms written for pairs a file did not show: the JIS form in the encodings
  // built on JIS tables, when they can write it; the form the code page reads as otherwise.
  static std::uint8_t DefaultJisForms(Encoding e);

 private:
  Encoding enc_;
  std::unique_ptr<UnicodeCodec> codec_;
  char32_t written_[8];  // per symbol pair, the form written
  std::u32string points_;
};

}  // namespace quiret
