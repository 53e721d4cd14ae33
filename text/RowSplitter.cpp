// Splitting file bytes into rows: a word-at-a-time scan for CR, LF and zero bytes.
#include "text/RowSplitter.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/ByteSearch.h"

namespace quiret {

void RowSplitter::EndLine(const char* begin, const char* end) {
  rows_.AppendBytes(begin, static_cast<std::size_t>(end - begin));
  rows_.AppendBytes("\r\n", 2);
  CloseRow();
}

void RowSplitter::CloseRow() {
  if (rows_.Size() >= maxRows_) throw TooManyRows();
  rows_.EndRow();
}

void RowSplitter::SettleCr(bool lineFeed) {
  rows_.NoteBreak(crLf_, lineFeed ? LineEnd::CrLf : LineEnd::Cr);
  skipLineFeed_ = false;
}

void RowSplitter::Feed(const char* data, std::size_t size) {
  const char* p = data;
  const char* end = data + size;
  while (p < end) {
    const char* stop = p + FindFirstOf<'\0', '\n', '\r'>(p, end);
    if (stop > p && skipLineFeed_) SettleCr(false);
    if (stop == end) {
      rows_.AppendBytes(p, static_cast<std::size_t>(end - p));
      return;
    }
    switch (*stop) {
      case '\0':
        // Dropped: the bytes before it stay part of the line.
        rows_.AppendBytes(p, static_cast<std::size_t>(stop - p));
        if (zeroLine_ == 0) zeroLine_ = rows_.Size() + 1;
        break;
      case '\r':
        if (skipLineFeed_) SettleCr(false);
        EndLine(p, stop);
        crLf_ = rows_.BulkEnd() - 1;
        skipLineFeed_ = true;
        break;
      default:  // '\n'
        if (skipLineFeed_) {
          SettleCr(true);  // second half of CR LF
        } else {
          EndLine(p, stop);
          rows_.NoteBreak(rows_.BulkEnd() - 1, LineEnd::Lf);
        }
        break;
    }
    p = stop + 1;
  }
}

std::size_t RowSplitter::FeedInPlace(const char* data, std::size_t size) {
  // An LF right after a CR of the last bytes is not stored: it would have to be cut out.
  if (skipLineFeed_) return 0;
  const char* p = data;
  const char* end = data + size;
  while (p < end) {
    const char* stop = p + FindFirstOf<'\0', '\n', '\r'>(p, end);
    if (stop == end) {
      rows_.AppendBytes(p, static_cast<std::size_t>(end - p));
      return size;
    }
    if (*stop != '\r' || stop + 1 == end || stop[1] != '\n') {
      rows_.AppendBytes(p, static_cast<std::size_t>(stop - p));
      return static_cast<std::size_t>(stop - data);
    }
    rows_.AppendBytes(p, static_cast<std::size_t>(stop + 2 - p));
    CloseRow();
    rows_.NoteBreak(rows_.BulkEnd() - 1, LineEnd::CrLf);
    p = stop + 2;
  }
  return size;
}

std::size_t RowSplitter::CountRows(const char* data, std::size_t size, bool& afterCr) {
  // Every CR closes a row, and every LF but one whose last byte before it (zero bytes not
  // counted) was a CR. Words without zero bytes are counted by masks, others byte by byte.
  std::size_t rows = 0;
  auto bytewise = [&rows, &afterCr](const char* p, const char* end) {
    for (; p < end; ++p) {
      const char c = *p;
      if (c == '\0') continue;
      if (c == '\n' && afterCr) {
        afterCr = false;
        continue;
      }
      if (c == '\r' || c == '\n') ++rows;
      afterCr = c == '\r';
    }
  };
  auto exact = [](std::uint64_t v) { return ~(((v & ~kByteHighs) + ~kByteHighs) | v) & kByteHighs; };
  std::size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; size - i >= 8; i += 8) {
      std::uint64_t v;
      std::memcpy(&v, data + i, 8);
      if (exact(v) != 0) {
        bytewise(data + i, data + i + 8);
        continue;
      }
      const std::uint64_t cr = exact(v ^ (kByteOnes * 0x0D));
      const std::uint64_t lf = exact(v ^ (kByteOnes * 0x0A));
      const std::uint64_t pairedLf = lf & ((cr << 8) | (afterCr ? 0x80u : 0u));
      rows += static_cast<std::size_t>(std::popcount(cr) + std::popcount(lf) - std::popcount(pairedLf));
      afterCr = (cr >> 63) != 0;
    }
  }
  bytewise(data + i, data + size);
  return rows;
}

void RowSplitter::Finish() {
  if (skipLineFeed_) SettleCr(false);
  rows_.AppendBytes("\0\0", 2);
  CloseRow();
}

}  // namespace quiret
