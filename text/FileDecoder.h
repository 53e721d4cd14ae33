// The bytes of a file in another encoding -> code page 932 text, block by block, checking
// on the way that the text written back would give the very same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "text/FileEncoder.h"
#include "text/LineEndTally.h"
#include "text/TextFormat.h"
#include "text/UnicodeCodec.h"

namespace quiret {

// The first reason a file cannot be edited in an encoding.
struct DecodeProblem {
  enum class Kind : std::uint8_t {
    None,
    // The bytes do not read as the encoding: no text comes of them.
    Invalid,    // bytes that are no character of it
    Truncated,  // the file ends inside a character
    OddLength,  // UTF-16 with an odd number of bytes
    // The text reads, but writing it back would change the file.
    NotInCp932,  // a character code page 932 lacks (shown as "〓")
    NotKept,     // a character the text would write back in another form
    ZeroChar,    // U+0000, which the rows cannot hold
    Reencoded,   // bytes written back otherwise (an escape sequence, say)
  };
  Kind What = Kind::None;
  std::uint64_t Line = 0;  // from 1
  char32_t Char = 0;       // NotInCp932, NotKept, ZeroChar
  std::string Bytes;       // the file's bytes there (at most 8): Invalid, Truncated, OddLength, Reencoded
  bool Unreadable() const {
    return What == Kind::Invalid || What == Kind::Truncated || What == Kind::OddLength;
  }
};

class FileDecoder {
 public:
  // `e` is neither ShiftJis nor Utf16. Throws std::runtime_error when the system cannot read it.
  explicit FileDecoder(Encoding e);

  // Converts the next bytes of the file, appending code page 932 text to `out` (which the
  // caller may empty between calls). A character cut by the end of `in` is completed by the
  // next call. After bytes that do not read, nothing more is converted.
  void Feed(std::string_view in, std::string& out);
  // The end of the file.
  void Finish(std::string& out);

  // The first problem (What is None when the text writes back as the file's bytes).
  const DecodeProblem& Problem() const { return problem_; }
  // The file's format as read: encoding, byte-order mark, line breaks, symbol forms.
  TextFormat Format() const;

 private:
  std::size_t Step(std::string_view in, std::string& out);
  void ToCp932(std::string& out, std::size_t outStart);
  void Verify(std::string_view in, std::string_view produced, std::uint64_t linesBefore);
  void Mismatch(std::string_view in, std::size_t at, std::uint64_t linesBefore);
  std::uint64_t LineAt(const std::string& out, std::size_t outStart, std::size_t at) const;
  void Note(DecodeProblem::Kind what, std::uint64_t line, char32_t c = 0, std::string_view bytes = {});

  Encoding enc_;
  std::unique_ptr<UnicodeCodec> codec_;
  FileEncoder verifier_;
  LineEndTally tally_;
  DecodeProblem problem_;
  bool started_ = false;  // the byte-order mark question is settled
  bool bom_ = false;
  std::string carry_;  // bytes of a character the last block ended inside
  std::string lag_;    // bytes read whose written-back form has not come yet
  std::u32string points_;
  std::string encoded_;
  std::uint8_t known_ = 0, jis_ = 0;  // symbol pairs seen, and in which form
};

}  // namespace quiret
