// The replacements of find and replace, and the compound history record that keeps a set of
// them: written and read piece by piece, so a set of millions of replacements costs a few
// bytes each and never a copy of the lines they stand in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/LumoEditTypes.h"

namespace quiret {

// One replacement of find and replace: at offset Col of logical line Line, the bytes Cur
// give way to Repl. Either may hold CR LF: a replacement may break a line, and the piece
// that takes it back then joins the lines again.
struct ReplacePiece {
  std::int32_t Line = 0;
  std::int32_t Col = 0;
  std::string Cur;
  std::string Repl;
};

// A piece read from a record: the bytes are views into the record's text.
struct ReplaceSpan {
  std::int32_t Line = 0;
  std::int32_t Col = 0;
  std::string_view Cur;
  std::string_view Repl;
};

// Builds a record from pieces given in text order (by line, then column, not overlapping).
class ReplaceRecordWriter {
 public:
  void Add(std::int32_t line, std::int32_t col, std::string_view cur, std::string_view repl);
  std::size_t Count() const { return count_; }
  std::string& Text() { return out_; }

 private:
  struct Kept {
    std::size_t at = 0, size = 0;
  };
  void PutBytes(std::string_view s, Kept& previous);
  std::string out_;
  std::size_t count_ = 0;
  std::int32_t line_ = 0;
  Kept cur_, repl_;
};

// Reads a record's pieces in order; raises std::runtime_error on a damaged record.
class ReplaceRecordReader {
 public:
  explicit ReplaceRecordReader(std::string_view text) : text_(text) {}
  bool Next(ReplaceSpan& piece);

 private:
  std::string_view text_;
  std::size_t i_ = 0;
  bool first_ = true;
  ReplaceSpan prev_;
};

// Where the text around a set's pieces ends up once the set is applied: fed the pieces in
// order, it maps a position of the text before the set (at or after the last piece fed) to
// the text after it.
class ReplaceShift {
 public:
  LinePos Map(std::int32_t line, std::int32_t col) const;
  // Takes the piece in; returns where it starts in the text after the set.
  LinePos Pass(const ReplaceSpan& piece);
  // Where the last piece fed ends in the text after the set.
  LinePos NewEnd() const { return newEnd_; }

 private:
  LinePos oldEnd_{0, -1}, newEnd_{0, -1};
};

// Where text `bytes` inserted at `at` ends: its line breaks move the end down.
LinePos EndOfText(LinePos at, std::string_view bytes);

// The record that reverses a set: applied to the text the set produced, it gives back the
// text before it.
std::string InverseReplaceRecord(std::string_view record);

// The same for whole pieces (what tests and small callers hold).
std::string EncodeReplacePieces(const std::vector<ReplacePiece>& pieces);
std::vector<ReplacePiece> DecodeReplacePieces(std::string_view text);
std::vector<ReplacePiece> InverseReplacePieces(const std::vector<ReplacePiece>& pieces);

}  // namespace quiret
