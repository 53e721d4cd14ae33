// The replacements of find and replace, and the compound history record that keeps a set of
// them: its encoding and the pieces that reverse a set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quiret {

// One replacement of find and replace: at offset Col of logical line Line, the bytes Cur
// give way to Repl.
struct ReplacePiece {
  std::int32_t Line = 0;
  std::int32_t Col = 0;
  std::string Cur;
  std::string Repl;
};

// The compound record of replacements that the history keeps (pieces in order of line and
// column), and the pieces that reverse a set: applied to the text the set produced, they
// give back the text before it.
std::string EncodeReplacePieces(const std::vector<ReplacePiece>& pieces);
std::vector<ReplacePiece> DecodeReplacePieces(std::string_view text);
std::vector<ReplacePiece> InverseReplacePieces(const std::vector<ReplacePiece>& pieces);

}  // namespace quiret
