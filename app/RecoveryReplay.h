// Applying a journal's edit records to a text held as rows, one row per logical line (as a
// load leaves it), checking each record against the bytes it says it removed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/RecoveryFormat.h"
#include "text/LumoStrings.h"

namespace quiret {

class TextReplayer {
 public:
  // Lines of `longLine` bytes or more are changed without being copied: see PieceLine.
  static constexpr std::size_t kLongLine = std::size_t{8} << 20;
  explicit TextReplayer(TLumoStrings& rows, std::size_t longLine = kLongLine)
      : rows_(rows), longLine_(longLine) {}
  // Applies one record. False, with the text as it was, when the record does not fit it: a
  // position past the text, removed bytes that are not there, or bytes that would break the
  // rows (a lone CR or LF, a zero byte).
  bool Apply(const EditRecord& edit) { return Apply(edit, nullptr); }
  // Applies the changes of one step, all of them or (the text as it was) none.
  bool ApplyStep(const std::vector<EditRecord>& edits);
  // Must be called once the last record is applied: the line edited last goes back to the rows.
  void Finish();

 private:
  // Changes inside one line go to a gap buffer holding that line, so typing into a very long
  // line costs each key the distance moved, not the line's length.
  class GapLine {
   public:
    void Assign(std::string_view text);
    std::size_t Size() const { return buf_.size() - gapLen_; }
    // The `n` bytes from `pos` on, after moving the gap before them.
    std::string_view From(std::size_t pos, std::size_t n);
    void Replace(std::size_t pos, std::size_t removed, std::string_view inserted);
    std::string Text() const;

   private:
    void MoveGap(std::size_t pos);
    std::string buf_;
    std::size_t gap_ = 0, gapLen_ = 0;
  };

  // A long line is held as pieces of its row and of the bytes inserted: a change costs the
  // pieces it passes, not the line's length. The last line held goes back to the rows with
  // the whole text, packed as a load packs it, so that the row is copied once and the
  // layout after it copies nothing.
  class PieceLine {
   public:
    void Assign(std::string_view row);
    std::size_t Size() const { return size_; }
    // The `n` bytes from `pos` on, gathered into `scratch` when they span pieces.
    std::string_view From(std::size_t pos, std::size_t n, std::string& scratch) const;
    void Replace(std::size_t pos, std::size_t removed, std::string_view inserted);
    // Hands the line's bytes over in order.
    void Each(const std::function<void(std::string_view)>& sink) const;
    void Clear();

   private:
    struct Piece {
      bool added;
      std::size_t at, length;
    };
    std::string_view Bytes(const Piece& p) const;
    // The index of the piece that starts at `pos`, splitting the one holding it.
    std::size_t SplitAt(std::size_t pos);
    std::string_view row_;
    std::string added_;
    std::vector<Piece> pieces_;
    std::size_t size_ = 0;
  };

  // `removed`, when given, receives the bytes the change took away.
  bool Apply(const EditRecord& edit, std::string* removed);
  bool ApplyInLine(const EditRecord& edit, std::string* removed);
  bool ApplyAcrossLines(const EditRecord& edit, std::string* removed);
  void Flush();

  TLumoStrings& rows_;
  const std::size_t longLine_;
  std::int32_t heldRow_ = -1;  // the row the gap buffer or the pieces hold, or -1
  bool heldLong_ = false;      // the pieces hold it
  std::string heldEnd_;        // that row's terminator
  GapLine held_;
  PieceLine long_;
  std::string scratch_;
};

}  // namespace quiret
