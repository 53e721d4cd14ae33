// TLumoStrings::CheckInvariant: the row model every operation and loader must keep.
#include <string>

#include "text/LumoStrings.h"

namespace quiret {
namespace {

// Describes what is wrong with one row, or returns "" when it is well formed. The end
// marker may only close the last row; CR and LF only form a CR LF terminator.
std::string CheckRow(std::string_view row, bool last) {
  if (row.empty()) return "empty row";
  std::size_t n = row.size();
  bool endMarker = n >= 2 && row[n - 2] == '\0' && row[n - 1] == '\0';
  bool crLf = n >= 2 && row[n - 2] == '\r' && row[n - 1] == '\n';
  if (last && !endMarker) return "last row does not end with the end marker";
  if (!last && endMarker) return "end marker before the last row";
  std::size_t body = (endMarker || crLf) ? n - 2 : n;
  for (std::size_t i = 0; i < body; ++i) {
    char c = row[i];
    if (c == '\r') return "CR inside the row at byte " + std::to_string(i);
    if (c == '\n') return "LF inside the row at byte " + std::to_string(i);
    if (c == '\0') return "zero byte inside the row at byte " + std::to_string(i);
  }
  return "";
}

}  // namespace

std::string TLumoStrings::CheckInvariant() const {
  if (count_ < 0) return "negative Count";
  if (count_ > capacity_) return "Count exceeds Capacity";
  if (capacity_ > kMaxListSize) return "Capacity exceeds the list limit";
  if (std::string fault = CheckLineIndex(); !fault.empty()) return fault;
  if (std::string fault = CheckRowSums(); !fault.empty()) return fault;
  // An empty list holds no document yet (the state right after Clear).
  for (std::int32_t i = 0; i < count_; ++i) {
    std::string fault = CheckRow(Get(i), i == count_ - 1);
    if (!fault.empty()) return "row " + std::to_string(i) + ": " + fault;
  }
  return "";
}

}  // namespace quiret
