// Where the caret may stand, as the randomized editing tests and the fuzz target check it.
#pragma once

#include <cstdint>
#include <string_view>

#include "editor/LumoEditSub.h"

namespace quiret {

// Whether col is a place the caret may stand in row s: on a character boundary, never
// between CR and LF nor inside or after the end marker.
inline bool CaretPlaceOk(std::string_view s, std::int32_t col, bool lastRow) {
  const std::size_t limit = HasLineEnd(s) ? s.size() - 2 : s.size();
  if (col < 0 || static_cast<std::size_t>(col) > limit) return false;
  if (lastRow && !HasLineEnd(s)) return false;
  std::size_t i = 0;
  while (i < static_cast<std::size_t>(col)) i += static_cast<std::size_t>(CharLenFrom(s, i));
  return i == static_cast<std::size_t>(col);
}

}  // namespace quiret
