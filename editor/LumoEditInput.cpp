// TLumoEdit: text from the keyboard: typed characters, input-method results, Enter, Tab,
// reconversion, and the composition notices.
#include <algorithm>
#include <string>
#include <vector>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

void TLumoEdit::WmChar(unsigned char ch) {
  const bool ctrl = window_.IsCtrlDown();
  // Double-byte text never comes as characters; lead bytes and controls are dropped here.
  const bool accepted = (ch >= 0x20 && ch <= 0x7E) || (ch >= 0xA0 && ch <= 0xDF);
  if (!ReadOnly && !ctrl && accepted) TypeText(std::string(1, static_cast<char>(ch)));
  if (OnKeyPress) OnKeyPress(this, ch);
}

void TLumoEdit::WmImeResult(std::string_view text) {
  if (ReadOnly) return;
  // The string ends at its first zero byte, as a C string would.
  text = text.substr(0, text.find('\0'));
  // A line break inside a result is a line break, whatever its style: a lone CR or LF
  // would otherwise stay inside a row, where only a row's own CR LF may stand.
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += text[i];
    }
  }
  if (!lines.empty()) TypeText(lines);
}

void TLumoEdit::TypeText(std::string_view text) {
  if (text.empty() || ReadOnly || !UndoKeepsStep(static_cast<std::int64_t>(text.size()))) return;
  const StepScope step(*this);
  if (HasSelection()) DeleteSelection(EditView::Delete, EditEnd::More);
  GoalCol = 0;
  EditChange c;
  c.from = c.to = RowPos{CaretCol, CaretRow};
  c.view = EditView::Type;
  c.keepInserted = true;
  std::string inserted(text);
  std::string_view s = Lines->Get(CaretRow);
  const bool atTerminator = CaretCol >= static_cast<std::int32_t>(s.size()) - 2 && HasLineEnd(s);
  if (!InsertMode && !atTerminator) {
    // Overwriting works on the logical line from the caret row on, read only as far as the
    // bytes typed over and the two after them.
    const std::int32_t len = static_cast<std::int32_t>(text.size());
    std::string line;
    std::vector<std::int32_t> ends;  // where each row read ends in `line`
    bool ended = false;
    for (std::int32_t r = CaretRow; !ended && line.size() < static_cast<std::size_t>(CaretCol + len) + 2;
         ++r) {
      const std::string_view row = Lines->Get(r);
      line.append(row);
      ends.push_back(static_cast<std::int32_t>(line.size()));
      ended = HasLineEnd(row) || r >= LastRow();
    }
    const std::int32_t textLen = static_cast<std::int32_t>(ended ? StripLineEnd(line).size() : line.size());
    const std::int32_t room = std::max(0, textLen - CaretCol);
    std::int32_t n = std::min(room, len);
    if (textLen >= len + CaretCol && ByteKindAt(line, len + CaretCol) == 1) {
      // The last byte replaced would be the lead byte of a character: replace the whole
      // character and keep the columns behind it with a blank.
      inserted += ' ';
      c.pad = 1;
      n = std::min(room, len + 1);
    }
    c.keepRemoved = true;
    c.removedAs = ukOverwrite;
    // The end of the bytes typed over, in the row that holds it.
    const std::int32_t stop = CaretCol + n;
    std::size_t k = 0;
    while (k + 1 < ends.size() && ends[k] < stop) ++k;
    c.to = RowPos{stop - (k > 0 ? ends[k - 1] : 0), CaretRow + static_cast<std::int32_t>(k)};
  }
  c.text = inserted;
  Edit(c);
}

void TLumoEdit::NewLine() {
  if (ReadOnly || !UndoKeepsStep(2)) return;
  const StepScope step(*this);
  if (HasSelection()) DeleteSelection(EditView::Delete, EditEnd::More);
  std::string text = "\r\n";
  if (AutoIndent) {
    const std::string_view p =
        Lines->Get(CaretRow).substr(0, static_cast<std::size_t>(std::max(CaretCol, 0)));
    std::size_t k = 0;
    while (k < p.size() && static_cast<unsigned char>(p[k]) <= 0x20) ++k;
    text.append(p.substr(0, k));
  }
  InsertAtCaret(text, EditView::InsertQuiet, EditEnd::NewLine);
}

void TLumoEdit::InsertTab() {
  if (ReadOnly || !UndoKeepsStep(1)) return;
  const StepScope step(*this);
  if (HasSelection()) DeleteSelection(EditView::Delete, EditEnd::More);
  InsertAtCaret("\t", EditView::Insert, EditEnd::Reformat);
}

void TLumoEdit::RequestReconvert() {
  if (ImeComposing || !OnIMEReConvert || !SelActive || ReadOnly) return;
  if (RowPos{AnchorCol, AnchorRow} < RowPos{CaretCol, CaretRow}) {
    // The input method reconverts from the caret: put it at the selection's start.
    const std::int32_t oldCol = CaretCol, oldRow = CaretRow;
    const std::int32_t col = AnchorCol, row = AnchorRow;
    AnchorCol = oldCol;
    AnchorRow = oldRow;
    PaintedSelCol = oldCol;
    PaintedSelRow = oldRow;
    ShowPosition(col, row, ScrollKind::Follow, false);
    ExtendSelectionTo(CaretCol, CaretRow);
  }
  OnIMEReConvert(this);
}

}  // namespace quiret
