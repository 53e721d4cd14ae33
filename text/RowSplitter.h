// RowSplitter: turns the bytes of a text file, fed in blocks of any size, into stored rows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text/RowSlots.h"

namespace quiret {

// Every CR LF, lone LF and lone CR ends a line, and each line becomes a row ending with
// CR LF; zero bytes are dropped before anything else is looked at, so no row can hold a
// false end marker. Finish adds the last row: the unfinished line with the end marker, or
// the end marker alone when the bytes ended with a line break (or there were none). The
// result does not depend on where the blocks are cut. Each line's own break is noted with
// its row (RowSlots::NoteBreak), and the line of the first zero byte dropped is kept.
// Raises TooManyRows before a row past `maxRows` would be added, and std::length_error
// when a line reaches RowSlots::kMaxRowBytes.
class RowSplitter {
 public:
  struct TooManyRows {};

  explicit RowSplitter(RowSlots& rows, std::size_t maxRows = SIZE_MAX) : rows_(rows), maxRows_(maxRows) {}
  ~RowSplitter() { rows_.CloseBreaks(); }
  RowSplitter(const RowSplitter&) = delete;
  RowSplitter& operator=(const RowSplitter&) = delete;

  void Feed(const char* data, std::size_t size);
  // Takes bytes that the caller put at the open row's end (RowSlots::Room) where they can
  // stay as they are: lines ending CR LF, without zero bytes. Stops before the first byte
  // that would have to move and returns how many it took; the rest must go through Feed,
  // from elsewhere (Feed writes where they lie).
  std::size_t FeedInPlace(const char* data, std::size_t size);
  void Finish();

  // Whether the bytes fed so far end with a CR whose LF, if it comes next, adds no row.
  bool AfterCr() const { return skipLineFeed_; }
  // The rows that feeding these bytes would close, without storing any; `afterCr` is
  // AfterCr before and after them. Finish closes one more.
  static std::size_t CountRows(const char* data, std::size_t size, bool& afterCr);
  // The line (from 1, counted in the rows of `rows`) of the first zero byte dropped; 0
  // when there was none.
  std::uint64_t ZeroLine() const { return zeroLine_; }

 private:
  void EndLine(const char* begin, const char* end);
  void CloseRow();
  // The CR that ended the last row turned out to be CR LF (`lineFeed`) or a lone CR.
  void SettleCr(bool lineFeed);

  RowSlots& rows_;  // its open row holds the current line's bytes seen so far
  std::size_t maxRows_;
  bool skipLineFeed_ = false;   // the last byte that counted was a CR
  const char* crLf_ = nullptr;  // then the LF stored for it
  std::uint64_t zeroLine_ = 0;
};

// Size of the blocks in which files are read: large enough that system calls cost
// nothing, small enough that a loaded file is never held twice.
inline constexpr std::size_t kFileReadBlock = std::size_t{1} << 18;

}  // namespace quiret
