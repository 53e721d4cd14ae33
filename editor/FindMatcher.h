// FindMatcher: finds a search text in code page 932 bytes, as plain bytes (with optional
// case folding) or as a regular expression (PCRE2 on the text converted to UTF-8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quiret {

struct TFindOptions {
  bool MatchCase = false;  // off: ASCII and full-width Latin letters match either case
  bool Regex = false;
  friend bool operator==(const TFindOptions&, const TFindOptions&) = default;
};

// A stretch of the text made of whole logical lines, each with its terminator (CR LF, or the
// end marker for the last line), as the rows hold them. rowStarts lists where each row
// starts: rows start on character boundaries.
struct FindChunk {
  std::string text;
  std::vector<std::size_t> rowStarts;
};

// Whether s holds a CR, an LF or a zero byte: such a search or replacement text would cross
// a line end.
bool HoldsLineBytes(std::string_view s);
// The logical line of a chunk around `pos`: where it starts, and where its terminator
// (CR LF, or the end marker) starts.
std::size_t LineStartBefore(std::string_view text, std::size_t pos);
std::size_t LineEndAfter(std::string_view text, std::size_t start);

class FindMatcher {
 public:
  FindMatcher();
  ~FindMatcher();
  FindMatcher(const FindMatcher&) = delete;
  FindMatcher& operator=(const FindMatcher&) = delete;

  // Prepares the search; false when the text cannot be searched for: empty, holding CR, LF
  // or zero bytes, ending inside a double-byte character, or a regular expression that does
  // not compile (Error() then says why).
  bool Compile(std::string_view pattern, const TFindOptions& options);
  const std::string& Error() const { return error_; }

  // Takes a new chunk before First or Last look at it.
  void Load(const FindChunk& chunk);
  // The first match starting at or after `from`, or the last one starting before `limit`.
  // Matches start and end on character boundaries, never hold a line end and are never empty.
  bool First(const FindChunk& chunk, std::size_t from, std::size_t& at, std::size_t& len);
  bool Last(const FindChunk& chunk, std::size_t limit, std::size_t& at, std::size_t& len);

  // The replacement for the match at `at` of `line` (a logical line without terminator):
  // `replacement` itself for a plain search, with $1, ${name} and $$ filled in for a
  // regular expression.
  std::string Substitute(std::string_view line, std::size_t at, std::string_view replacement);

  // Lower-cases ASCII letters and full-width Latin letters in place, character by character
  // from `text`'s start (which must be a character boundary).
  static void FoldCase(std::string& text);

 private:
  bool FirstPlain(const FindChunk& chunk, std::size_t from, std::size_t& at);
  bool FirstRegex(const FindChunk& chunk, std::size_t from, std::size_t& at, std::size_t& len);
  bool LastRegex(const FindChunk& chunk, std::size_t limit, std::size_t& at, std::size_t& len);

  TFindOptions options_;
  std::string needle_;  // folded when the case is ignored
  std::string error_;
  std::string folded_;  // the chunk folded, for a plain search that ignores the case
  struct Regex;
  std::unique_ptr<Regex> regex_;
};

// One-to-one conversion of code page 932 bytes to UTF-8 for the regular expressions: bytes
// that code page 932 does not define get private-use code points, so offsets map both ways
// and nothing is lost. map[i] is the byte offset in `cp932` of UTF-8 offset i (for each
// character start, and for the end).
void ToUtf8Mapped(std::string_view cp932, std::string& utf8, std::vector<std::size_t>& map);
std::string FromUtf8Mapped(std::string_view utf8);

}  // namespace quiret
