// Byte-level code page 932 rules: lead and trail bytes, character lengths, row terminators.
#include "editor/LumoEditSub.h"

namespace quiret {
namespace {

// Bytes that end a row or the text; they never belong to a double-byte character.
inline bool IsBreakByte(unsigned char b) { return b == '\r' || b == '\n' || b == '\0'; }

inline unsigned char At(std::string_view s, std::int32_t pos) {  // 1-based
  return static_cast<unsigned char>(s[static_cast<std::size_t>(pos - 1)]);
}

}  // namespace

int ByteKindAt(std::string_view s, std::int32_t pos) {
  if (pos < 1 || static_cast<std::size_t>(pos) > s.size()) return 0;
  unsigned char here = At(s, pos);
  // A break byte is always a character of its own, even after a lead-range byte.
  if (IsBreakByte(here)) return 0;
  // Inside an unbroken run of lead-range bytes the bytes pair up from the run's start, so
  // only the run directly before pos matters.
  std::int32_t k = pos - 1;
  while (k > 0 && IsLeadByte(At(s, k))) --k;
  if ((pos - k) % 2 == 0) return 2;
  if (!IsLeadByte(here)) return 0;
  // A lead byte whose partner would be a break byte stands alone.
  if (static_cast<std::size_t>(pos) < s.size() && IsBreakByte(At(s, pos + 1))) return 0;
  return 1;
}

int CharLenAt(std::string_view s, std::int32_t offset) {
  if (offset < 0 || static_cast<std::size_t>(offset) >= s.size()) return 0;
  // Position offset + 2 (1-based) is the byte after the one at offset.
  return ByteKindAt(s, offset + 2) == 2 ? 2 : 1;
}

int CharLenFrom(std::string_view s, std::size_t offset) {
  if (offset >= s.size()) return 0;
  const bool pair = IsLeadByte(static_cast<unsigned char>(s[offset])) && offset + 1 < s.size() &&
                    !IsBreakByte(static_cast<unsigned char>(s[offset + 1]));
  return pair ? 2 : 1;
}

std::size_t CharsWithin(std::string_view s, std::size_t from, std::size_t limit) {
  while (from < s.size()) {
    const auto n = static_cast<std::size_t>(CharLenFrom(s, from));
    if (from + n > limit) break;
    from += n;
  }
  return from;
}

bool HasLineEnd(std::string_view row) {
  if (row.size() < 2) return false;
  char c = row[row.size() - 2];
  return c == '\r' || c == '\0';
}

std::string_view StripLineEnd(std::string_view row) {
  return HasLineEnd(row) ? row.substr(0, row.size() - 2) : row;
}

bool IsCaretPlace(std::string_view s, std::int32_t col, bool lastRow) {
  const std::size_t limit = HasLineEnd(s) ? s.size() - 2 : s.size();
  if (col < 0 || static_cast<std::size_t>(col) > limit) return false;
  if (lastRow && !HasLineEnd(s)) return false;
  std::size_t i = 0;
  while (i < static_cast<std::size_t>(col)) i += static_cast<std::size_t>(CharLenFrom(s, i));
  return i == static_cast<std::size_t>(col);
}

}  // namespace quiret
