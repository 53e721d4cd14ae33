// Reading a text file into rows and writing rows back to a file, in large blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "text/RowSlots.h"
#include "text/RowSplitter.h"
#include "text/TextFilter.h"

namespace quiret {

// Opening happens in the constructor, so a caller can open first and only then discard
// what it holds: a file that cannot be opened leaves everything as it was.
class RowFileReader {
 public:
  explicit RowFileReader(const std::string& fileName);  // throws EFileError
  ~RowFileReader();
  RowFileReader(const RowFileReader&) = delete;
  RowFileReader& operator=(const RowFileReader&) = delete;

  std::uint64_t Size() const { return size_; }
  // Appends the file's rows (see RowSplitter), the last one ending with the end marker.
  // At most maxRows rows (RowSplitter::TooManyRows past them); progress, when set, hears
  // the bytes read so far after each block. A file of twoThreadBytes or more is read in two
  // halves at once. With `filter`, the rows are made of the text its filters make of the
  // bytes, and its own size and splittability decide about halves.
  void ReadInto(RowSlots& rows, std::size_t maxRows,
                const std::function<void(std::uint64_t, std::uint64_t)>& progress = {},
                std::size_t blockSize = kFileReadBlock, std::uint64_t twoThreadBytes = kTwoThreadBytes,
                const TextFilter* filter = nullptr);
  static constexpr std::uint64_t kTwoThreadBytes = std::uint64_t{32} << 20;
  // After ReadInto: the line (from 1) of the first zero byte the rows left out, 0 for none.
  std::uint64_t ZeroLine() const { return zeroLine_; }
  // Hands the file's bytes to `take` in blocks of blockSize, in order; progress as above.
  void ReadBlocks(const std::function<void(const char*, std::size_t)>& take,
                  const std::function<void(std::uint64_t, std::uint64_t)>& progress = {},
                  std::size_t blockSize = kFileReadBlock);

 private:
  std::string fileName_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t zeroLine_ = 0;
};

// Writes rows 0..n-2 as stored and the last row without its end marker; throws EFileError.
void WriteRowsToFile(const std::string& fileName, const RowSlots& rows);

}  // namespace quiret
