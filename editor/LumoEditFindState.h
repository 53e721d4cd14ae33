// The state of find and replace that one control keeps between searches.
#pragma once

#include "editor/FindMatcher.h"
#include "editor/LumoEdit.h"

namespace quiret {

struct TLumoEdit::FindState {
  FindMatcher matcher;
  std::string pattern;
  TFindOptions options;
  bool compiled = false;
  bool usable = false;
  // After a search found nothing, the next one in the same direction from the same caret
  // starts over at the other end of the text.
  bool wrapPending = false;
  bool wrapBackward = false;
  RowPos wrapAt;
  FindChunk chunk;
  std::int32_t firstRow = 0;  // the chunk's first row
  std::int32_t endRow = 0;    // the row after the chunk
};

}  // namespace quiret
