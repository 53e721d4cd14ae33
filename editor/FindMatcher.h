// FindMatcher: finds a search text in code page 932 bytes, as plain bytes (with optional
// case folding) or as a regular expression (PCRE2 on the text converted to UTF-8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/FindScan.h"
#include "editor/RegexText.h"

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
// Whether s holds a zero byte, or a CR or LF that is not part of a CR LF pair: a
// replacement may break lines, but only as the rows do.
bool HoldsLoneLineBytes(std::string_view s);
// The logical line of a chunk around `pos`: where it starts, and where its terminator
// (CR LF, or the end marker) starts.
std::size_t LineStartBefore(std::string_view text, std::size_t pos);
std::size_t LineEndAfter(std::string_view text, std::size_t start);

// Why a search ended before it had looked at all of its text.
enum class TFindStop : std::uint8_t {
  fsNone = 0,
  fsLimit = 1,   // the regular expression engine reached its match, depth or memory limit
  fsCancel = 2,  // the host asked to stop (see FindMatcher::Poll)
};

class FindMatcher {
 public:
  FindMatcher();
  ~FindMatcher();
  FindMatcher(const FindMatcher&) = delete;
  FindMatcher& operator=(const FindMatcher&) = delete;

  // Prepares the search; false when the text cannot be searched for: empty, holding CR, LF
  // or zero bytes, ending inside a double-byte character, or a regular expression that does
  // not compile or could split a character (\C) (Error() then says why).
  bool Compile(std::string_view pattern, const TFindOptions& options);
  const std::string& Error() const { return error_; }

  // Asked now and then while a search runs (every few megabytes looked at, or every few
  // calls of the regular expression engine), with the chunk offset reached; false stops
  // the search with fsCancel.
  std::function<bool(std::size_t at)> Poll;

  // Takes a new chunk before First, Last or Substitute look at it.
  void Load(const FindChunk& chunk);
  // The first match starting at or after `from`, or the last one starting before `limit`.
  // Matches start and end on character boundaries, never hold a line end and are never empty.
  // False when there is none, or when the search stopped (Stopped()).
  bool First(const FindChunk& chunk, std::size_t from, std::size_t& at, std::size_t& len);
  bool Last(const FindChunk& chunk, std::size_t limit, std::size_t& at, std::size_t& len);
  // Why the last First, Last or Substitute gave up early (fsNone when it did not), and the
  // chunk offset of the line it gave up in.
  TFindStop Stopped() const { return stop_; }
  std::size_t StoppedAt() const { return stopAt_; }

  // Takes the replacement for Substitute. For a plain search it is used as it is; for a
  // regular expression it is a template (ReplaceTemplate.h). False, with Error() saying why,
  // when the template is faulty or refers to a group the pattern does not have.
  bool SetReplacement(std::string_view replacement);
  bool IsRegex() const { return regex_ != nullptr; }
  // The replacement for the match at `at` of the line [lineStart, lineEnd) of the loaded
  // chunk (the line without its terminator): the replacement itself for a plain search, with
  // the groups filled in for a regular expression. Costs what the replacement costs, not
  // what the line does, when the match is the one First or Last just found.
  std::string Substitute(const FindChunk& chunk, std::size_t lineStart, std::size_t lineEnd, std::size_t at);

  // Lower-cases ASCII letters and full-width Latin letters in place, character by character
  // from `text`'s start (which must be a character boundary).
  static void FoldCase(std::string& text);

 private:
  // Work between two looks at the host: bytes scanned, and a call of the engine counts as
  // this many bytes as well as its line (a call may take a few milliseconds at its limits).
  static constexpr std::size_t kPollWork = std::size_t{4} << 20;
  static constexpr std::size_t kEngineCallWork = std::size_t{64} << 10;

  bool CompileRegex(std::string_view pattern);
  void DropRegex();
  bool FirstPlain(const FindChunk& chunk, std::size_t from, std::size_t& at);
  // Whether `pos` starts a character; remembers what it learnt for the next, later position.
  bool OnBoundary(const FindChunk& chunk, std::size_t pos);
  bool FirstRegex(const FindChunk& chunk, std::size_t from, std::size_t& at, std::size_t& len);
  bool LastRegex(const FindChunk& chunk, std::size_t limit, std::size_t& at, std::size_t& len);
  // The next offset at or after `from` where a line that may match starts: a line holding
  // the pattern's required text, or simply the next line.
  std::size_t NextCandidateLine(std::string_view text, std::size_t from, std::size_t end);
  // Counts work towards the next Poll; false when the host stopped the search.
  bool Tick(std::size_t work, std::size_t at);
  void Stop(TFindStop why, std::size_t at) {
    stop_ = why;
    stopAt_ = at;
  }

  TFindOptions options_;
  std::string needle_;  // folded when the case is ignored
  TwoFormText forms_;   // the needle's bytes in both cases, when the case is ignored
  std::string error_;
  std::string replacement_;        // plain: the replacement; regular expression: the engine's template
  std::size_t knownBoundary_ = 0;  // an offset of the loaded chunk where a character starts
  std::size_t work_ = 0;
  TFindStop stop_ = TFindStop::fsNone;
  std::size_t stopAt_ = 0;
  struct Regex;
  std::unique_ptr<Regex> regex_;
};

}  // namespace quiret
