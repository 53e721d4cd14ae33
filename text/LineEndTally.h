// Which line breaks a text holds, read in blocks by the rules the line store splits by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "text/TextFormat.h"

namespace quiret {

// Every CR LF, lone LF and lone CR is one break; zero bytes count as nothing, so a CR, a
// zero byte and an LF still make one CR LF, as when rows are made. Where blocks are cut
// does not matter.
class LineEndTally {
 public:
  void Feed(const char* data, std::size_t size);
  // The end of the text: a CR still waiting for its LF was a lone CR.
  void Finish();

  // The first break's style; none before one is complete.
  std::optional<LineEnd> First() const { return first_; }
  bool Mixed() const { return (seen_ & (seen_ - 1)) != 0; }
  // One bit per LineEnd seen.
  std::uint8_t Seen() const { return seen_; }
  // Breaks so far, a CR whose style is still open included: the lines before the next byte.
  std::uint64_t Breaks() const { return breaks_; }

 private:
  void Note(LineEnd e);
  bool afterCr_ = false;
  std::uint8_t seen_ = 0;  // one bit per LineEnd
  std::optional<LineEnd> first_;
  std::uint64_t breaks_ = 0;
};

}  // namespace quiret
