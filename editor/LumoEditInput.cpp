// TLumoEdit: text from the keyboard: typed characters, input-method results, Enter, Tab,
// reconversion, and the composition notices.
#include <algorithm>
#include <string>

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
  if (text.empty()) return;
  if (HasSelection()) DeleteSelection(true);
  GoalCol = 0;
  std::string s(Lines->Get(CaretRow));
  std::string pad;
  const bool atTerminator = CaretCol >= static_cast<std::int32_t>(s.size()) - 2 && HasLineEnd(s);
  if (!InsertMode && !atTerminator) {
    // Overwriting works on the whole logical line from the caret row on.
    std::int32_t lastRow = CaretRow;
    s = JoinRows(CaretRow, lastRow);
    Lines->DeleteRange(CaretRow + 1, lastRow - CaretRow);
    const std::int32_t textLen = static_cast<std::int32_t>(StripLineEnd(s).size());
    const std::int32_t room = std::max(0, textLen - CaretCol);
    const std::int32_t len = static_cast<std::int32_t>(text.size());
    std::int32_t n;
    if (textLen < len + CaretCol || ByteKindAt(s, len + CaretCol) != 1) {
      n = std::min(room, len);
    } else {
      // The last byte replaced would be the lead byte of a character: replace the whole
      // character and keep the columns behind it with a blank.
      pad = " ";
      n = std::min(room, len + 1);
    }
    const std::size_t at = static_cast<std::size_t>(CaretCol);
    AddUndo(ukOverwrite, std::string_view(s).substr(at, static_cast<std::size_t>(n)), CaretCol, CaretRow);
    s.erase(at, static_cast<std::size_t>(n));
    s.insert(at, pad);
  }
  std::string inserted(text);
  inserted += pad;
  // Redo puts the caret back before the blank, where typing leaves it.
  if (AddUndo(ukInsert, inserted, CaretCol, CaretRow) && !pad.empty() && !UndoList.empty())
    UndoList.front().Pad = static_cast<std::uint8_t>(pad.size());
  window_.HideCaret();
  CaretX = PixelXOf(s, CaretCol) - HorzOffset;
  const int insertX = CaretX;
  const std::int32_t firstRow = CaretRow;
  const bool multi = text.find("\r\n") != std::string_view::npos;
  if (multi) {
    const std::size_t tailLen = s.size() - static_cast<std::size_t>(CaretCol);
    s.insert(static_cast<std::size_t>(CaretCol), text);
    CaretRow = ReplaceRowByText(CaretRow, s);
    CaretCol = static_cast<std::int32_t>(Lines->Get(CaretRow).size() - tailLen);
    CaretPastLineEndToNextRow();
  } else {
    s.insert(static_cast<std::size_t>(CaretCol), text);
    Lines->Put(CaretRow, s);
    CaretCol += static_cast<std::int32_t>(text.size());
  }
  if (WordWrap && !HostReformat) {
    // Every row the text made is wrapped, not only the caret's.
    RewrapLines(insertX, firstRow, true, multi, CaretRow);
  } else if (UpdateVertRange(true)) {
    RedrawAll();
  } else {
    while (CaretX < 0) {
      HorzScroll(SB_LINELEFT, 0);
      if (HScrollDone == 0) break;
    }
    RepaintRowFrom(CaretRow, multi ? 0 : CaretX);
    DrawCaretUnderline(true);
  }
  if (multi) RedrawRows(RedrawBand::FromRow, firstRow, -1);
  CaretX = PixelXOf(Lines->Get(CaretRow), CaretCol) - HorzOffset;
  if (!WordWrap) UpdateHorzRange(true);
  if (HostReformat && OnAseikei) OnAseikei(this, false);
  while (TextAreaWidth - CaretX < 0) {
    HorzScroll(SB_LINERIGHT, 0);
    if (HScrollDone == 0) break;
  }
  // Lines typed in at the bottom of the view bring the caret into view.
  if (multi && (CaretRow < TopRow || CaretRow >= TopRow + VisibleRows)) ShowPosition(-1, -1, 0, true);
  GoalCol = AnchorCol = SelEndCol = PaintedSelCol = CaretCol;
  AnchorRow = SelEndRow = PaintedSelRow = CaretRow;
  UpdateCaret();
  KeepCaretOnCharacter();
  window_.ShowCaret();
  FireChange();
}

void TLumoEdit::NewLine() {
  if (ReadOnly) return;
  if (HasSelection()) DeleteSelection(true);
  std::string text = "\r\n";
  if (AutoIndent) {
    const std::string_view p =
        Lines->Get(CaretRow).substr(0, static_cast<std::size_t>(std::max(CaretCol, 0)));
    std::size_t k = 0;
    while (k < p.size() && static_cast<unsigned char>(p[k]) <= 0x20) ++k;
    text.append(p.substr(0, k));
  }
  AddUndo(ukInsert, text, -1, -1);
  InsertAtCaret(text, false);
  window_.HideCaret();
  const bool rangeChanged = UpdateVertRange(true);
  if (VisibleRows < CaretRow - TopRow + VertScrollMargin) {
    CaretFollowsScroll = false;  // the caret has moved already
    VertScroll(SB_LINEDOWN, 0);
  }
  if (!ShowPosition(-1, -1, 0, true)) {
    if (rangeChanged)
      RedrawAll();
    else
      RedrawRows(RedrawBand::FromAboveCaret);
    UpdateCaret();
  }
  window_.ShowCaret();
  FireChange();
}

void TLumoEdit::InsertTab() {
  if (ReadOnly) return;
  if (HasSelection()) DeleteSelection(true);
  AddUndo(ukInsert, "\t", -1, -1);
  InsertAtCaret("\t", true);
  if (HostReformat && OnAseikei) OnAseikei(this, false);
  FireChange();
}

void TLumoEdit::RequestReconvert() {
  if (ImeComposing || !OnIMEReConvert || !SelActive || ReadOnly) return;
  if (AnchorRow < CaretRow || (AnchorRow == CaretRow && AnchorCol < CaretCol)) {
    // The input method reconverts from the caret: put it at the selection's start.
    const std::int32_t oldCol = CaretCol, oldRow = CaretRow;
    const std::int32_t col = AnchorCol, row = AnchorRow;
    AnchorCol = oldCol;
    AnchorRow = oldRow;
    PaintedSelCol = oldCol;
    PaintedSelRow = oldRow;
    ShowPosition(col, row, 0, false);
    ExtendSelectionTo(CaretCol, CaretRow);
  }
  OnIMEReConvert(this);
}

}  // namespace quiret
