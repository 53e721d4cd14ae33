// RowSplitter: turns the bytes of a text file, fed in blocks of any size, into stored rows.
#pragma once

#include <cstddef>
#include <string>

#include "text/RowSlots.h"

namespace quiret {

// Every CR LF, lone LF and lone CR ends a line, and each line becomes a row ending with
// CR LF; zero bytes are dropped before anything else is looked at, so no row can hold a
// false end marker. Finish adds the last row: the unfinished line with the end marker, or
// the end marker alone when the bytes ended with a line break (or there were none). The
// result does not depend on where the blocks are cut.
class RowSplitter {
 public:
  explicit RowSplitter(RowSlots& rows) : rows_(rows) {}

  void Feed(const char* data, std::size_t size);
  void Finish();

 private:
  void EndLine(const char* begin, const char* end);

  RowSlots& rows_;
  std::string carried_;        // bytes of the current line seen before this block
  bool skipLineFeed_ = false;  // the last byte that counted was a CR
};

// Size of the blocks in which files are read: large enough that system calls cost
// nothing, small enough that a loaded file is never held twice.
inline constexpr std::size_t kFileReadBlock = std::size_t{1} << 18;

}  // namespace quiret
