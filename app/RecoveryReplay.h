// Applying a journal's edit records to a text held as rows, one row per logical line (as a
// load leaves it), checking each record against the bytes it says it removed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/RecoveryFormat.h"
#include "text/LumoStrings.h"

namespace quiret {

class TextReplayer {
 public:
  explicit TextReplayer(TLumoStrings& rows) : rows_(rows) {}
  // Applies one record. False, with the text as it was, when the record does not fit it: a
  // position past the text, removed bytes that are not there, or bytes that would break the
  // rows (a lone CR or LF, a zero byte).
  bool Apply(const EditRecord& edit) { return Apply(edit, nullptr); }
  // Applies the changes of one step, all of them or (the text as it was) none.
  bool ApplyStep(const std::vector<EditRecord>& edits);
  // Must be called once the last record is applied: the line edited last goes back to the rows.
  void Finish() { Flush(); }

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

  // `removed`, when given, receives the bytes the change took away.
  bool Apply(const EditRecord& edit, std::string* removed);
  bool ApplyInLine(const EditRecord& edit, std::string* removed);
  bool ApplyAcrossLines(const EditRecord& edit, std::string* removed);
  void Flush();

  TLumoStrings& rows_;
  std::int32_t heldRow_ = -1;  // the row the gap buffer holds, or -1
  std::string heldEnd_;        // that row's terminator
  GapLine held_;
};

}  // namespace quiret
