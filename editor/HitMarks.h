// HitMarks: where the search text occurs in the rows on screen, so that every hit there can
// be drawn marked. Only the rows in view are looked at, with a little of the line around
// them, and never more than a bounded number of bytes however long the rows are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/FindMatcher.h"
#include "text/LumoStrings.h"

namespace quiret {

class HitMarks {
 public:
  // Bytes of the rows before and after the band looked at, for hits that cross into it.
  static constexpr std::size_t kContextBytes = 1024;
  // At most this much of a band is looked at: a row beyond it (a long unwrapped line) is
  // marked only in its first part.
  static constexpr std::size_t kBandBytes = std::size_t{4} << 20;

  struct Span {
    std::int32_t from = 0, to = 0;  // byte offsets in the row, to exclusive
    friend bool operator==(const Span&, const Span&) = default;
  };

  // The text to mark; false (and nothing marked) when it cannot be searched for.
  bool Set(std::string_view pattern, const TFindOptions& options);
  void Clear();
  bool Active() const { return active_; }
  const std::string& Pattern() const { return pattern_; }
  const TFindOptions& Options() const { return options_; }

  // The hits in `row` of the band [top, top + count) of `rows`. The band is searched once
  // for each state of the rows and each place of the view.
  const std::vector<Span>& SpansOf(const TLumoStrings& rows, std::int32_t top, std::int32_t count,
                                   std::int32_t row);

 private:
  void Scan(const TLumoStrings& rows, std::int32_t top, std::int32_t count);

  FindMatcher matcher_;
  bool active_ = false;
  std::string pattern_;
  TFindOptions options_;
  // What the spans were found for.
  const TLumoStrings* rows_ = nullptr;
  std::uint64_t changes_ = 0;
  std::int32_t top_ = -1, count_ = 0;
  std::vector<std::vector<Span>> spans_;
  const std::vector<Span> none_{};
};

}  // namespace quiret
