// HitCounter: counts the hits of a search text over a whole text a slice at a time, so that
// the window stays responsive meanwhile, and keeps where the first ones start, to tell which
// of them is selected. It only reads the rows, in chunks of bounded size, and stops when
// they change under it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "editor/FindMatcher.h"
#include "editor/LumoEditTypes.h"
#include "text/LumoStrings.h"

namespace quiret {

class HitCounter {
 public:
  // Counting stops after this many hits ("100,000+").
  static constexpr std::size_t kMaxHits = 100000;
  // A chunk gathers whole lines up to about kChunkBytes; a line longer than kMaxChunk is
  // looked at in parts of that size.
  static constexpr std::size_t kChunkBytes = std::size_t{1} << 18;
  static constexpr std::size_t kMaxChunk = std::size_t{4} << 20;
  std::size_t MaxChunk = kMaxChunk;  // (smaller in tests, to make many parts)

  enum class State : std::uint8_t {
    Running,
    Done,     // every hit counted
    Capped,   // more than kMaxHits
    Partial,  // stopped early: the engine's limit, or a line too long for a regular
              // expression to be looked at in parts; Count() hits at least
    Changed,  // the rows changed under it; nothing it found holds any more
    Stopped,  // Stop() was called
  };

  // Starts counting `pattern` in `rows`; false when it cannot be searched for.
  bool Start(const TLumoStrings& rows, std::string_view pattern, const TFindOptions& options);
  // Looks at about `bytes` more of the text (whole chunks); the state afterwards.
  State Step(std::size_t bytes);
  void Stop() {
    if (state_ == State::Running) state_ = State::Stopped;
  }
  State GetState() const { return state_; }
  std::size_t Count() const { return hits_.size(); }
  // Counted over these rows as they are now.
  bool Fresh(const TLumoStrings& rows) const { return rows_ == &rows && changes_ == rows.Changes(); }
  bool CountsFor(std::string_view pattern, const TFindOptions& options) const {
    return pattern_ == pattern && options_ == options;
  }
  // Which hit (from 1) starts at `at` (a logical position, so that it holds while the rows
  // are cut anew); 0 when none of those counted so far does.
  std::size_t IndexOf(LinePos at) const;
  // Rows looked at so far.
  std::int32_t RowReached() const { return row_; }

 private:
  // The next chunk from the cursor on; false at the text's end.
  bool LoadChunk();
  // The chunk's piece (an index into rowStarts) that holds offset `at`.
  std::size_t PieceOf(std::size_t at) const;
  RowPos ChunkPos(std::size_t at) const;
  LinePos ChunkLine(std::size_t at) const;

  FindMatcher matcher_;
  std::string pattern_;
  TFindOptions options_;
  const TLumoStrings* rows_ = nullptr;
  std::uint64_t changes_ = 0;
  State state_ = State::Stopped;
  // Where the next chunk starts (a character boundary), and where in it the search goes on.
  std::int32_t row_ = 0, col_ = 0;
  LinePos line_;  // the same place as a logical position
  std::size_t resume_ = 0;
  FindChunk chunk_;
  std::vector<RowPos> pieceAt_;  // where each of the chunk's pieces (rowStarts) comes from
  std::vector<LinePos> pieceLine_;
  std::size_t owned_ = 0;  // hits starting from here on belong to the next chunk
  bool cut_ = false;       // the chunk ends inside a line
  std::vector<LinePos> hits_;
};

}  // namespace quiret
