// Small value types of the editor control: the two kinds of position, undo records, and
// the names of the redraw bands.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace quiret {

// A position in the stored rows: byte offset in a row, row index. The caret, the anchor and
// everything drawn work in rows.
struct RowPos {
  std::int32_t Col = 0;
  std::int32_t Row = 0;
  friend bool operator==(const RowPos&, const RowPos&) = default;
  // Text order: by row, then by offset (the members are declared offset first, as every
  // caller spells a position).
  friend constexpr std::strong_ordering operator<=>(const RowPos& a, const RowPos& b) {
    if (const auto c = a.Row <=> b.Row; c != 0) return c;
    return a.Col <=> b.Col;
  }
};

// A position in the text: byte offset in a logical line (its rows joined), line index. It
// survives re-wrapping, so the undo history keeps these.
struct LinePos {
  std::int32_t Offset = 0;
  std::int32_t Line = 0;
  friend bool operator==(const LinePos&, const LinePos&) = default;
  // Text order: by line, then by offset.
  friend constexpr std::strong_ordering operator<=>(const LinePos& a, const LinePos& b) {
    if (const auto c = a.Line <=> b.Line; c != 0) return c;
    return a.Offset <=> b.Offset;
  }
};

enum UndoKind : std::uint8_t {
  ukInsert = 0,         // text was inserted: undone by removing it
  ukDelete = 1,         // a selection was removed: undone by inserting it, caret after
  ukBackspace = 2,      // Backspace removed one character or CR LF
  ukDeleteForward = 3,  // Delete removed one character or CR LF: re-inserted, caret stays
  ukOverwrite = 5,      // bytes replaced by typing in overwrite mode (companion of ukInsert)
  ukReplaceAll = 6,     // replacements made together (replace all): Text lists them all
};

struct UndoRecord {
  UndoKind Kind = ukInsert;
  LinePos At;  // where the change starts
  std::string Text;
  // On the redo list: the kind the record had before it was undone, which redo gives back.
  UndoKind Origin = ukInsert;
  // Bytes at the end of Text the caret stops before when the text goes in again: the blank
  // that typing over half a double-byte character leaves.
  std::uint8_t Pad = 0;
};

// Bands of rows that RedrawRows draws, down to the bottom of the view unless said.
enum class RedrawBand : std::uint8_t {
  View = 0,  // every visible row
  FromAboveCaret = 1,
  FromCaret = 2,
  FromRow = 3,   // from row a
  CaretRow = 4,  // the caret row alone
  BelowCaret = 5,
  RowRange = 6,  // rows a..b
};

// How ShowPosition scrolls a position into view vertically.
enum class ScrollKind : std::uint8_t { Follow = 0, Centre = 1, UpperFifth = 2, None = 3 };

}  // namespace quiret
