// Rows handed to an editor control in tests: whole texts the way a file load hands them, and
// single rows written directly where a test stages a state no command leaves (the re-wrap
// after one row was edited by hand).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/LumoEdit.h"

namespace quiret {

inline void LoadRowsInto(TLumoEdit& edit, const std::vector<std::string>& rows) {
  auto store = std::make_unique<TLumoStrings>();
  store->Assign(rows);
  edit.LoadRows(std::move(store));
}

inline void LoadTextInto(TLumoEdit& edit, std::string_view text) {
  auto store = std::make_unique<TLumoStrings>();
  store->SetText(text);
  edit.LoadRows(std::move(store));
}

class TLumoEditTestAccess {
 public:
  static TLumoStrings& Rows(TLumoEdit& edit) { return edit.Store(); }
  // Whether the next re-wrap after an edit may stop where new cuts meet old ones.
  static bool CutsMayMeet(const TLumoEdit& edit) { return edit.CutsMayMeet(); }
  // Rows a re-wrap after an edit cuts before it may leave the rest of the line pending, and
  // rows one idle slice cuts: small values make pending parts in short texts.
  static void SetWrapBudget(TLumoEdit& edit, std::size_t rows, std::size_t slice) {
    edit.wrapBudget_ = rows;
    edit.wrapSlice_ = slice;
  }
  // The pending part: its first row and the last seam made (-1, -1 when none).
  static std::pair<std::int32_t, std::int32_t> Pending(const TLumoEdit& edit) {
    return {edit.PendingRow(), edit.PendingLastRow()};
  }
  // Whether the edit door keeps the pending part for a change of these bytes.
  static bool KeepsPending(const TLumoEdit& edit, RowPos from, RowPos to) {
    return edit.KeepsPendingWrap(from, to);
  }
};

}  // namespace quiret
