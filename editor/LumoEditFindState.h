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
  std::int32_t firstRow = 0;     // the chunk's first row
  std::int32_t endRow = 0;       // the row after the chunk
  std::uint64_t chunkLoads = 0;  // counts the chunks loaded, to tell them apart
  // The line handed to OnFind, kept while hits follow in it.
  struct HitLine {
    std::uint64_t load = 0;  // chunkLoads when it was taken; 0: none
    std::size_t start = 0, end = 0;
    std::int32_t index = 0;
    std::string text;
  } hitLine;
  // Why the last search stopped early, and in which logical line.
  TFindStop stop = TFindStop::fsNone;
  std::int32_t stopLine = 0;
};

// Marks a find or replace as running for its whole length (nested ones count as one), then
// applies a size change that arrived meanwhile.
struct TLumoEdit::FindBusyScope {
  TLumoEdit& edit;
  const bool outer;
  // A search reads the rows by index from start to end: a long line left partly uncut is
  // cut first.
  explicit FindBusyScope(TLumoEdit& e) : edit(e), outer(!e.findBusy_) {
    if (outer) e.FinishPendingWrap();
    e.findBusy_ = true;
  }
  ~FindBusyScope() {
    if (!outer) return;
    edit.findBusy_ = false;
    if (edit.sizeWhileBusy_ && !edit.relayoutBusy_) {
      edit.sizeWhileBusy_ = false;
      edit.WmSize(edit.pendingWidth_, edit.pendingHeight_);
    }
  }
  FindBusyScope(const FindBusyScope&) = delete;
  FindBusyScope& operator=(const FindBusyScope&) = delete;
};

}  // namespace quiret
