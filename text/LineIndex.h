// LineIndex: where the logical lines of the row store begin, answered in logarithmic time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HugePages.h"
#include "text/LumoStrings.h"
#include "text/RowSlots.h"

namespace quiret {

// A logical line ends with every row whose last byte is LF. The index keeps one bit per
// row, saying whether it ends so, in chunks of consecutive rows (up to kMaxRows each), and
// a Fenwick tree over the chunks' row and LF counts: finding the chunk of a row or of the
// n-th LF is a descent of the tree, and the rest is a popcount or a bit search within the
// chunk, so no row is ever read to answer. A single-row change costs a tree update and a
// shift of at most kMaxRows bits; the tree is rebuilt (one pass over the chunks) only when
// a chunk splits, merges or disappears. Bulk changes only mark the index stale: it is
// built again from the rows, in one pass, by the next query.
//
// The owner reports each change to the rows after making it. The updates never throw: a
// failure to allocate marks the index stale instead. Queries are const but may rebuild,
// so they must not run concurrently with each other.
class LineIndex {
 public:
  static constexpr std::size_t kMaxRows = 512;    // a chunk is split when it would grow past this
  static constexpr std::size_t kBuildRows = 256;  // chunk size of a rebuild and of a split

  // Forget everything; the next query builds from the rows.
  void MarkStale() noexcept { stale_ = true; }
  // Builds the index of `count` rows at once from one bit per row (bit r of word r / 64:
  // row r ends with LF), without reading them. A failure to allocate leaves it stale.
  void BuildFromBits(const std::vector<std::uint64_t>& bits, std::size_t count) noexcept;

  void Inserted(std::size_t at, bool lf) noexcept;
  // Announces that `count` rows are about to be added one by one (Inserted for each).
  void WillInsert(std::size_t count) noexcept;
  // `count` rows now at [at, at + count) of `rows` were inserted there.
  void InsertedRange(std::size_t at, std::size_t count, const RowSlots& rows) noexcept;
  void Erased(std::size_t at) noexcept;
  void Replaced(std::size_t at, bool lf) noexcept;
  // The row count went from `from` to `to` by cutting rows off or adding empty ones at the end.
  void Resized(std::size_t from, std::size_t to) noexcept;

  // Rows of [0, row) ending with LF; row <= rows.Size().
  std::size_t LfRowsBefore(std::size_t row, const RowSlots& rows) const;
  // The row after the n-th row ending with LF (n >= 1), or npos when there are fewer.
  std::size_t RowAfterLfRow(std::size_t n, const RowSlots& rows) const;

  // Compares the index with the rows themselves: "" when it agrees, else the first fault.
  // A stale index has nothing to compare.
  std::string Check(const RowSlots& rows) const;

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  static constexpr std::size_t kWords = kMaxRows / 64;
  struct Chunk {
    std::uint32_t rows = 0;
    std::uint32_t lfs = 0;
    std::uint64_t bits[kWords] = {};  // bit i: row i of the chunk ends with LF

    bool Bit(std::size_t i) const { return (bits[i / 64] >> (i % 64)) & 1; }
    void InsertBit(std::size_t i, bool lf);
    bool EraseBit(std::size_t i);
    std::uint32_t CountBelow(std::size_t i) const;
    std::size_t Select(std::uint32_t n) const;  // position of the n-th set bit, n >= 1
  };
  struct Place {
    std::size_t chunk;   // chunk holding the row
    std::size_t offset;  // row within the chunk
    std::size_t lfsBefore;
  };

  void EnsureBuilt(const RowSlots& rows) const;
  void Build(const RowSlots& rows) const;
  void BuildTree() const;
  void Add(std::size_t chunk, std::int32_t rows, std::int32_t lfs) const;
  // The chunk holding `row` (< total rows), found by descending the tree.
  Place Find(std::size_t row) const;
  // Whether `count` single-row updates are cheaper than building again.
  bool Few(std::size_t count) const;
  void DoInsert(std::size_t at, bool lf);
  void DoErase(std::size_t at);

  mutable bool stale_ = true;
  // A gigabyte of text has some 80,000 chunks: huge pages hold them with few faults.
  mutable HugeVector<Chunk> chunks_;
  // Fenwick sums: node i (1-based) sums the chunks (i - lowbit(i), i].
  mutable std::vector<std::uint32_t> treeRows_;
  mutable std::vector<std::uint32_t> treeLfs_;
  mutable std::size_t totalRows_ = 0;
  mutable std::size_t totalLfs_ = 0;
};

}  // namespace quiret
