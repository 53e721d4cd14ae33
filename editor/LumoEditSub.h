// Byte-level rules for code page 932 rows: double-byte characters and row terminators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/LeadByte.h"

namespace quiret {

// 0 = single-byte character, 1 = lead byte, 2 = trail byte at 1-based Pos. Bytes CR, LF and
// zero are never trail bytes; a lead-range byte followed by one of them is a single byte.
int ByteKindAt(std::string_view s, std::int32_t pos);
// Length (1 or 2) of the character starting at 0-based offset; 0 at or past the end.
// Never splits CR LF or the end marker, whatever the surrounding bytes are.
int CharLenAt(std::string_view s, std::int32_t offset);
// The same answer as CharLenAt for an offset where a character starts (as met by a walk
// from the start of s), found without looking back: a walk over a long run of lead-range
// bytes stays linear.
int CharLenFrom(std::string_view s, std::size_t offset);
// From `from` (where a character starts) over whole characters: the last character start
// at or before `limit`, never before `from`.
std::size_t CharsWithin(std::string_view s, std::size_t from, std::size_t limit);
bool HasLineEnd(std::string_view row);
std::string_view StripLineEnd(std::string_view row);
// Whether the caret may stand at col in row s: on a character boundary, never between CR
// and LF nor inside or after the end marker (the last row must hold the end marker).
bool IsCaretPlace(std::string_view s, std::int32_t col, bool lastRow);

}  // namespace quiret
