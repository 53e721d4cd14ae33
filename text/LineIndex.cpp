// LineIndex: chunked LF bits with a Fenwick tree over the chunks' counts.
#include "text/LineIndex.h"

#include <algorithm>
#include <bit>

namespace quiret {
namespace {

constexpr std::uint64_t LowMask(std::size_t bits) { return (std::uint64_t{1} << bits) - 1; }  // bits < 64

std::size_t LowBit(std::size_t i) { return i & (~i + 1); }

}  // namespace

static_assert(LineIndex::kBuildRows % 64 == 0 && LineIndex::kMaxRows == 2 * LineIndex::kBuildRows,
              "a split moves whole words");

void LineIndex::Chunk::InsertBit(std::size_t i, bool lf) {
  const std::size_t w = i / 64, b = i % 64;
  for (std::size_t k = kWords - 1; k > w; --k) bits[k] = (bits[k] << 1) | (bits[k - 1] >> 63);
  const std::uint64_t low = bits[w] & LowMask(b);
  bits[w] = low | ((bits[w] & ~LowMask(b)) << 1) | (std::uint64_t{lf} << b);
}

bool LineIndex::Chunk::EraseBit(std::size_t i) {
  const bool bit = Bit(i);
  const std::size_t w = i / 64, b = i % 64;
  bits[w] = (bits[w] & LowMask(b)) | ((bits[w] >> 1) & ~LowMask(b));
  for (std::size_t k = w; k < kWords; ++k) {
    if (k > w) bits[k] >>= 1;
    if (k + 1 < kWords) bits[k] |= bits[k + 1] << 63;
  }
  return bit;
}

std::uint32_t LineIndex::Chunk::CountBelow(std::size_t i) const {
  std::uint32_t n = 0;
  for (std::size_t k = 0; k < i / 64; ++k) n += static_cast<std::uint32_t>(std::popcount(bits[k]));
  if (i % 64 != 0) n += static_cast<std::uint32_t>(std::popcount(bits[i / 64] & LowMask(i % 64)));
  return n;
}

std::size_t LineIndex::Chunk::Select(std::uint32_t n) const {
  for (std::size_t k = 0; k < kWords; ++k) {
    std::uint64_t word = bits[k];
    const auto here = static_cast<std::uint32_t>(std::popcount(word));
    if (n > here) {
      n -= here;
      continue;
    }
    while (--n > 0) word &= word - 1;  // drop the lower set bits
    return k * 64 + static_cast<std::size_t>(std::countr_zero(word));
  }
  return kMaxRows;  // not reached while lfs is right
}

void LineIndex::Build(const RowSlots& rows) const {
  stale_ = true;  // until the end: a failed allocation leaves it to the next query
  const std::size_t n = rows.Size();
  chunks_.clear();
  chunks_.reserve((n + kBuildRows - 1) / kBuildRows);
  for (std::size_t start = 0; start < n; start += kBuildRows) {
    Chunk& c = chunks_.emplace_back();
    c.rows = static_cast<std::uint32_t>(std::min(kBuildRows, n - start));
    for (std::size_t i = 0; i < c.rows; ++i) {
      if (EndsWithLf(rows.Get(start + i))) {
        c.bits[i / 64] |= std::uint64_t{1} << (i % 64);
        ++c.lfs;
      }
    }
  }
  BuildTree();
  stale_ = false;
}

void LineIndex::BuildFromBits(const std::vector<std::uint64_t>& bits, std::size_t count) noexcept {
  static_assert(kBuildRows % 64 == 0);
  stale_ = true;
  if (bits.size() * 64 < count) return;
  try {
    chunks_.clear();
    chunks_.reserve((count + kBuildRows - 1) / kBuildRows);
    for (std::size_t start = 0; start < count; start += kBuildRows) {
      Chunk& c = chunks_.emplace_back();
      c.rows = static_cast<std::uint32_t>(std::min(kBuildRows, count - start));
      for (std::size_t k = 0; k * 64 < c.rows; ++k) {
        const std::size_t left = c.rows - k * 64;
        c.bits[k] = bits[start / 64 + k] & (left >= 64 ? ~std::uint64_t{0} : LowMask(left));
        c.lfs += static_cast<std::uint32_t>(std::popcount(c.bits[k]));
      }
    }
    BuildTree();
  } catch (...) {
    return;
  }
  stale_ = false;
}

void LineIndex::BuildTree() const {
  const std::size_t n = chunks_.size();
  treeRows_.assign(n + 1, 0);
  treeLfs_.assign(n + 1, 0);
  totalRows_ = totalLfs_ = 0;
  for (std::size_t i = 1; i <= n; ++i) {
    treeRows_[i] += chunks_[i - 1].rows;
    treeLfs_[i] += chunks_[i - 1].lfs;
    totalRows_ += chunks_[i - 1].rows;
    totalLfs_ += chunks_[i - 1].lfs;
    const std::size_t up = i + LowBit(i);
    if (up <= n) {
      treeRows_[up] += treeRows_[i];
      treeLfs_[up] += treeLfs_[i];
    }
  }
}

void LineIndex::EnsureBuilt(const RowSlots& rows) const {
  if (stale_) Build(rows);
}

void LineIndex::Add(std::size_t chunk, std::int32_t rows, std::int32_t lfs) const {
  // Unsigned wrap-around makes adding a negative delta exact.
  for (std::size_t i = chunk + 1; i < treeRows_.size(); i += LowBit(i)) {
    treeRows_[i] += static_cast<std::uint32_t>(rows);
    treeLfs_[i] += static_cast<std::uint32_t>(lfs);
  }
  totalRows_ += static_cast<std::size_t>(static_cast<std::ptrdiff_t>(rows));
  totalLfs_ += static_cast<std::size_t>(static_cast<std::ptrdiff_t>(lfs));
}

LineIndex::Place LineIndex::Find(std::size_t row) const {
  const std::size_t n = chunks_.size();
  Place p{0, row, 0};
  for (std::size_t step = std::bit_floor(n); step > 0; step >>= 1) {
    const std::size_t next = p.chunk + step;
    if (next <= n && treeRows_[next] <= p.offset) {
      p.chunk = next;
      p.offset -= treeRows_[next];
      p.lfsBefore += treeLfs_[next];
    }
  }
  return p;
}

void LineIndex::DoInsert(std::size_t at, bool lf) {
  if (at > totalRows_) {
    stale_ = true;  // the owner and the index disagree: start over
    return;
  }
  if (chunks_.empty()) {
    chunks_.emplace_back();
    BuildTree();
  }
  Place p = at >= totalRows_ ? Place{chunks_.size() - 1, chunks_.back().rows, 0} : Find(at);
  bool reshaped = false;
  if (chunks_[p.chunk].rows == kMaxRows) {
    // Split in halves: the upper half's words move down to a new chunk after this one.
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(p.chunk) + 1, Chunk{});
    Chunk& low = chunks_[p.chunk];
    Chunk& high = chunks_[p.chunk + 1];
    constexpr std::size_t half = kBuildRows / 64;
    for (std::size_t k = 0; k < half; ++k) {
      high.bits[k] = low.bits[half + k];
      low.bits[half + k] = 0;
    }
    low.rows = high.rows = static_cast<std::uint32_t>(kBuildRows);
    high.lfs = high.CountBelow(kBuildRows);
    low.lfs -= high.lfs;
    if (p.offset > kBuildRows) {
      ++p.chunk;
      p.offset -= kBuildRows;
    }
    reshaped = true;
  }
  Chunk& c = chunks_[p.chunk];
  c.InsertBit(p.offset, lf);
  ++c.rows;
  c.lfs += lf;
  if (reshaped) {
    BuildTree();
  } else {
    Add(p.chunk, 1, lf);
  }
}

void LineIndex::DoErase(std::size_t at) {
  if (at >= totalRows_) {
    stale_ = true;  // the owner and the index disagree: start over
    return;
  }
  const Place p = Find(at);
  Chunk& c = chunks_[p.chunk];
  const bool lf = c.EraseBit(p.offset);
  --c.rows;
  c.lfs -= lf;
  if (c.rows == 0) {
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(p.chunk));
    BuildTree();
    return;
  }
  // A small chunk joins a neighbour that leaves room to grow, so deletions cannot leave
  // many tiny chunks behind.
  constexpr std::size_t kSmall = kMaxRows / 8, kJoined = kMaxRows * 3 / 4;
  if (c.rows < kSmall) {
    std::size_t first = chunks_.size();  // the earlier of the pair to join
    if (p.chunk + 1 < chunks_.size() && c.rows + chunks_[p.chunk + 1].rows <= kJoined) {
      first = p.chunk;
    } else if (p.chunk > 0 && c.rows + chunks_[p.chunk - 1].rows <= kJoined) {
      first = p.chunk - 1;
    }
    if (first < chunks_.size()) {
      Chunk& a = chunks_[first];
      const Chunk& b = chunks_[first + 1];
      for (std::size_t i = 0; i < b.rows; ++i) {
        if (b.Bit(i)) a.bits[(a.rows + i) / 64] |= std::uint64_t{1} << ((a.rows + i) % 64);
      }
      a.rows += b.rows;
      a.lfs += b.lfs;
      chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(first) + 1);
      BuildTree();
      return;
    }
  }
  Add(p.chunk, -1, lf ? -1 : 0);
}

bool LineIndex::Few(std::size_t count) const { return count <= std::max(kBuildRows, totalRows_ / 16); }

void LineIndex::Inserted(std::size_t at, bool lf) noexcept {
  if (stale_) return;
  try {
    DoInsert(at, lf);
  } catch (...) {
    stale_ = true;
  }
}

void LineIndex::WillInsert(std::size_t count) noexcept {
  // Beyond a few rows, one pass over all of them later is cheaper than many updates now.
  if (!Few(count)) stale_ = true;
}

void LineIndex::InsertedRange(std::size_t at, std::size_t count, const RowSlots& rows) noexcept {
  WillInsert(count);
  if (stale_) return;
  try {
    for (std::size_t i = 0; i < count; ++i) DoInsert(at + i, EndsWithLf(rows.Get(at + i)));
  } catch (...) {
    stale_ = true;
  }
}

void LineIndex::Erased(std::size_t at) noexcept {
  if (stale_) return;
  try {
    DoErase(at);
  } catch (...) {
    stale_ = true;
  }
}

void LineIndex::Replaced(std::size_t at, bool lf) noexcept {
  if (stale_) return;
  if (at >= totalRows_) {
    stale_ = true;
    return;
  }
  const Place p = Find(at);
  Chunk& c = chunks_[p.chunk];
  if (c.Bit(p.offset) == lf) return;
  c.bits[p.offset / 64] ^= std::uint64_t{1} << (p.offset % 64);
  c.lfs += lf ? 1 : -1;
  Add(p.chunk, 0, lf ? 1 : -1);
}

void LineIndex::Resized(std::size_t from, std::size_t to) noexcept {
  if (stale_) return;
  if (from != totalRows_ || !Few(from > to ? from - to : to - from)) {
    stale_ = true;
    return;
  }
  try {
    while (totalRows_ > to && !stale_) DoErase(totalRows_ - 1);
    while (totalRows_ < to && !stale_) DoInsert(totalRows_, false);  // added rows are empty
  } catch (...) {
    stale_ = true;
  }
}

std::size_t LineIndex::LfRowsBefore(std::size_t row, const RowSlots& rows) const {
  EnsureBuilt(rows);
  if (row >= totalRows_) return totalLfs_;
  const Place p = Find(row);
  return p.lfsBefore + chunks_[p.chunk].CountBelow(p.offset);
}

std::size_t LineIndex::RowAfterLfRow(std::size_t n, const RowSlots& rows) const {
  EnsureBuilt(rows);
  if (n == 0 || n > totalLfs_) return npos;
  const std::size_t count = chunks_.size();
  std::size_t chunk = 0, rowsBefore = 0, rest = n;
  for (std::size_t step = std::bit_floor(count); step > 0; step >>= 1) {
    const std::size_t next = chunk + step;
    if (next <= count && treeLfs_[next] < rest) {
      chunk = next;
      rest -= treeLfs_[next];
      rowsBefore += treeRows_[next];
    }
  }
  return rowsBefore + chunks_[chunk].Select(static_cast<std::uint32_t>(rest)) + 1;
}

std::string LineIndex::Check(const RowSlots& rows) const {
  if (stale_) return "";
  std::size_t row = 0, lfs = 0;
  std::vector<std::uint32_t> sumRows(chunks_.size() + 1), sumLfs(chunks_.size() + 1);
  for (std::size_t k = 0; k < chunks_.size(); ++k) {
    const Chunk& c = chunks_[k];
    const std::string where = "line index chunk " + std::to_string(k) + ": ";
    if (c.rows == 0 || c.rows > kMaxRows) return where + "holds " + std::to_string(c.rows) + " rows";
    if (c.CountBelow(kMaxRows) != c.CountBelow(c.rows)) return where + "bits past its rows";
    if (c.CountBelow(c.rows) != c.lfs) return where + "LF count differs from its bits";
    for (std::size_t i = 0; i < c.rows; ++i, ++row) {
      if (row >= rows.Size()) return where + "more rows than the store";
      if (c.Bit(i) != EndsWithLf(rows.Get(row))) return where + "wrong bit for row " + std::to_string(row);
    }
    lfs += c.lfs;
    for (std::size_t i = k + 1; i <= chunks_.size(); i += LowBit(i)) {
      sumRows[i] += c.rows;
      sumLfs[i] += c.lfs;
    }
  }
  if (row != rows.Size())
    return "line index holds " + std::to_string(row) + " rows, the store " + std::to_string(rows.Size());
  if (row != totalRows_ || lfs != totalLfs_) return "line index totals are off";
  if (sumRows != treeRows_ || sumLfs != treeLfs_) return "line index tree sums are off";
  return "";
}

}  // namespace quiret
