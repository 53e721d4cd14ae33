// TLumoEdit: the selection as text, Select All, and copy, cut and paste through the clipboard.
#include <exception>
#include <string>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

bool TLumoEdit::GetSelBounds(std::int32_t& startCol, std::int32_t& startRow, std::int32_t& endCol,
                             std::int32_t& endRow) const {
  if (SelActive) {
    RowPos a{AnchorCol, AnchorRow}, e{SelEndCol, SelEndRow};
    if (e < a) std::swap(a, e);
    if (e.Row > 0 && e.Col == 0) {  // an end at a row start is the end of the row before
      --e.Row;
      e.Col = static_cast<std::int32_t>(Lines->Get(e.Row).size());
    }
    startCol = a.Col, startRow = a.Row, endCol = e.Col, endRow = e.Row;
  } else if (AllSelected) {
    startCol = startRow = 0;
    endRow = LastRow();
    endCol = static_cast<std::int32_t>(Lines->Get(endRow).size());
  } else {
    startCol = endCol = CaretCol;
    startRow = endRow = CaretRow;
  }
  return HasSelection();
}

std::string TLumoEdit::GetSelText() {
  if (AllSelected) {
    AnchorCol = AnchorRow = 0;
    CaretRow = LastRow();
    CaretCol = static_cast<std::int32_t>(Lines->Get(CaretRow).size()) - 2;
  }
  RowPos a{AnchorCol, AnchorRow}, b{CaretCol, CaretRow};
  if (b < a) std::swap(a, b);
  return TextBetween(a, b);
}

void TLumoEdit::SelectAll() {
  // The whole text selected reaches the end of the rows.
  FinishPendingWrap();
  if (Lines->Count() == 1 && Lines->Get(0) == TLumoStrings::kEndMarker) return;
  AllSelected = true;
  DrawCaretUnderline(false);
  if (WindowCreated) DrawAllSelected();  // repaints every visible row and notifies
  ClearHighlight();
}

void TLumoEdit::CopyToClipboard() {
  if (!HasSelection() || !clipboard_) return;
  const std::int32_t col = CaretCol, row = CaretRow;
  const std::string text = GetSelText();
  if (AllSelected) {
    CaretCol = col;
    CaretRow = row;
  }
  if (text.empty()) return;  // an empty selection leaves the clipboard as it was
  try {
    clipboard_->SetText(text);
  } catch (const std::exception&) {
    window_.ShowMessage("Error:OC003");
  }
}

void TLumoEdit::CutToClipboard() {
  if (ReadOnly || !HasSelection() || !UndoKeepsStep(0)) return;
  CopyToClipboard();
  DeleteSelection();
}

void TLumoEdit::PasteFromClipboard() {
  if (ReadOnly || !clipboard_ || !clipboard_->HasText()) return;
  std::string text = clipboard_->GetText();
  text.resize(std::min(text.size(), text.find('\0')));
  if (!UndoKeepsStep(static_cast<std::int64_t>(text.size()))) return;
  const StepScope step(*this);
  if (HasSelection()) DeleteSelection(EditView::Delete, EditEnd::More);
  InsertAtCaret(text, EditView::Insert);
}

}  // namespace quiret
