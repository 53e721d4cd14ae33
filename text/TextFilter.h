// A step between a file's bytes and the rows made of them: the conversion of a file in
// another encoding into code page 932 text, block by block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "text/RowSplitter.h"

namespace quiret {

// One per part of a file that is read at once in parts (see RowFileReader::ReadInto).
class BlockFilter {
 public:
  virtual ~BlockFilter() = default;
  // Appends to `out` the text of the next bytes of the part.
  virtual void Feed(const char* data, std::size_t size, std::string& out) = 0;
  // The end of the part: appends what is still owed.
  virtual void Finish(std::string& out) = 0;
  // The rows the text of these bytes would close (RowSplitter::CountRows of it), to count
  // a part's rows ahead without storing them. By default the bytes' own: right for the
  // encodings whose CR, LF and zero bytes are those characters and nothing else.
  virtual std::size_t CountRows(const char* data, std::size_t size, bool& afterCr) {
    return RowSplitter::CountRows(data, size, afterCr);
  }
};

struct TextFilter {
  // The filter of part k (0 for the start of the file).
  std::function<std::unique_ptr<BlockFilter>(int part)> Make;
  // The file may be cut into parts after any LF byte: such a byte is always a line feed
  // and the conversion starts afresh after it.
  bool Splittable = false;
  // From this size on a splittable file is read in two parts at once.
  std::uint64_t TwoPartBytes = std::uint64_t{32} << 20;
};

}  // namespace quiret
