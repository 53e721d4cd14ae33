// The bytes of a file in another encoding -> code page 932 text, block by block, checking
// on the way that the text written back would give the very same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Codec932.h"
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
  std::string Bytes;       // the file's bytes from there (up to 8): Invalid, Truncated, OddLength, Reencoded
  bool Unreadable() const {
    return What == Kind::Invalid || What == Kind::Truncated || What == Kind::OddLength;
  }
};

class FileDecoder {
 public:
  // `e` is neither ShiftJis nor Utf16. `fileStart`: the bytes begin the file, so a
  // byte-order mark is looked for (else they follow a line feed of it). Throws
  // std::runtime_error when the system cannot read the encoding.
  explicit FileDecoder(Encoding e, bool fileStart = true);

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

  // What a part of a file read in parts tells the others: its line breaks, and per symbol
  // pair (bit k) whether it came, in which form, and on which line first (from 1).
  const LineEndTally& Tally() const { return tally_; }
  std::uint8_t PairsSeen() const { return known_; }
  std::uint8_t PairsJis() const { return jis_; }
  std::uint64_t PairFirstLine(int k) const { return pairLine_[k]; }

 private:
  // The bytes of `in` (starting at the file's byte inStart) after any carried over.
  void Consume(std::string_view in, std::uint64_t inStart, std::string& out);
  std::size_t Step(std::string_view in, std::uint64_t inStart, std::string& out);
  // UTF-8 straight to code page 932, ASCII runs copied as they are.
  std::size_t DecodeUtf8(std::string_view in, std::string& out, std::size_t outStart, bool& invalid);
  // Writes c's code page 932 bytes at o (out's text begins at outStart) and returns the end;
  // PutUnusual takes the characters that need a look: zero, lacking, symbol pairs.
  char* PutChar(char32_t c, std::string& out, std::size_t outStart, char* o);
  // UTF-8 read directly: the character just put at [at, end) must write back as in[0, len).
  void CheckUtf8(const unsigned char* in, int len, const std::string& out, std::size_t outStart,
                 const char* at, const char* end);
  void NotKeptAt(const unsigned char* in, int len, const std::string& out, std::size_t outStart,
                 const char* at);
  char* PutUnusual(char32_t c, std::uint16_t code, std::string& out, std::size_t outStart, char* o);
  // Checks that `produced` writes back as `in` (the bytes it was read from, after any still
  // owed; `after`: the file's bytes that follow, not read yet); `earlier`: it is the text
  // before a problem just noted, which one found here replaces.
  void Verify(std::string_view in, std::uint64_t inStart, std::string_view after, std::string_view produced,
              std::uint64_t linesBefore, bool earlier = false);
  // Bytes written back otherwise from position `at` of what is owed and then `in`; the bytes
  // named run on into `after`.
  void Mismatch(std::string_view in, std::uint64_t inStart, std::size_t at, bool earlier,
                std::string_view after = {});
  // Feeds the line breaks of file bytes to `t` (UTF-16 unit by unit).
  void FeedBreaks(LineEndTally& t, std::string_view bytes) const;
  std::uint64_t LineAt(const std::string& out, std::size_t outStart, std::size_t at) const;
  // Notes a problem unless an earlier one stands; true when it was noted.
  // (`earlier`: it comes before the one noted, unless that one is unreadable bytes).
  bool Note(DecodeProblem::Kind what, std::uint64_t line, char32_t c = 0, bool earlier = false);
  // The same for one named by the file's bytes from view[at] on (view starts at viewStart).
  void NoteAt(DecodeProblem::Kind what, std::uint64_t line, std::string_view view, std::uint64_t viewStart,
              std::size_t at, bool earlier = false);
  // Takes the problem's bytes still owed from `in` (the file's bytes from inStart).
  void CollectBytes(std::string_view in, std::uint64_t inStart);
  static constexpr std::size_t kProblemBytes = 8;

  Encoding enc_;
  const Codec932& cp932_;
  std::unique_ptr<UnicodeCodec> codec_;
  FileEncoder verifier_;
  LineEndTally tally_;       // of the text made
  LineEndTally inputTally_;  // of the file's bytes found to be written back as they are
  DecodeProblem problem_;
  bool utf8Direct_ = false;  // UTF-8 decoded here and checked character by character
  bool started_ = false;     // the byte-order mark question is settled
  bool bom_ = false;
  static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);
  std::size_t noteOut_ = kNowhere;  // where in the output a character noted while converting is
  std::uint64_t fed_ = 0;           // bytes of the file (or part) given to Feed so far
  std::uint64_t bytesFrom_ = 0;     // where the problem's bytes start
  std::string carry_;               // bytes of a character the last block ended inside
  std::string lag_;                 // bytes read whose written-back form has not come yet
  std::u32string points_;
  std::string encoded_;
  std::uint8_t known_ = 0, jis_ = 0;  // symbol pairs seen, and in which form
  signed char pairByTrail_[256];      // the symbol pair a code 0x81 xx is, or -1
  std::uint64_t pairLine_[8] = {};
  // Per BMP character read from UTF-8: it was found to be written back as its own bytes.
  std::uint64_t written_[1024] = {};
};

}  // namespace quiret
