// The line-break tally: a word-at-a-time scan for CR and LF.
#include "text/LineEndTally.h"

#include "text/ByteSearch.h"

namespace quiret {

void LineEndTally::Note(LineEnd e) {
  if (!first_) first_ = e;
  seen_ |= static_cast<std::uint8_t>(1u << static_cast<unsigned>(e));
}

void LineEndTally::Feed(const char* data, std::size_t size) {
  const char* p = data;
  const char* end = data + size;
  while (p < end) {
    if (afterCr_) {
      // The byte after a CR decides its style; zero bytes in between are no bytes at all.
      while (p < end && *p == '\0') ++p;
      if (p == end) return;
      afterCr_ = false;
      if (*p == '\n') {
        Note(LineEnd::CrLf);
        ++p;
        continue;
      }
      Note(LineEnd::Cr);
    }
    p += FindFirstOf<'\n', '\r'>(p, end);
    if (p == end) return;
    ++breaks_;
    if (*p == '\r')
      afterCr_ = true;
    else
      Note(LineEnd::Lf);
    ++p;
  }
}

void LineEndTally::Finish() {
  if (afterCr_) Note(LineEnd::Cr);
  afterCr_ = false;
}

}  // namespace quiret
