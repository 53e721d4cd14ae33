// TLumoEdit: the rest of a long line an edit left uncut. The re-wrap after an edit cuts
// rows near the caret and the view only; the rest of the line is cut in slices while the
// window is idle, or at once before a scroll, a caret motion, a search or an edit reaches it.
#include <algorithm>
#include <array>

#include "editor/LumoEdit.h"

namespace quiret {

namespace {

// Idle slices come this often (milliseconds); the window's repaints and input go between.
constexpr int kIdleTickMs = 1;

}  // namespace

void TLumoEdit::ContinuePendingWrap(std::size_t rows) {
  if (!WrapPending()) return;
  const std::int32_t seam = PendingRow();
  ForgetUrlCarryFrom(seam);
  // Positions at or past the seam go through the text and come back in the new rows.
  struct Held {
    std::int32_t* col;
    std::int32_t* row;
    LinePos at;
  };
  std::int32_t topCol = 0;
  std::array<Held, 7> held{{{&CaretCol, &CaretRow, {}},
                            {&AnchorCol, &AnchorRow, {}},
                            {&SelEndCol, &SelEndRow, {}},
                            {&PaintedSelCol, &PaintedSelRow, {}},
                            {&HighlightCol, &HighlightRow, {}},
                            {&DragStartCol, &DragStartRow, {}},
                            {&topCol, &TopRow, {}}}};
  // (A value no longer in use may point past the rows: it is left alone.)
  const std::int32_t last = LastRow();
  auto moves = [&](const Held& h) { return *h.row >= seam && *h.row <= last; };
  for (Held& h : held)
    if (moves(h)) h.at = ToLine(RowPos{*h.col, *h.row});
  std::int32_t col = -1, row = CaretRow + 1, grown = 0;
  WrapStop stop;
  stop.rows = rows;
  RewrapLinePart(seam, false, col, row, grown, stop);
  for (Held& h : held) {
    if (!moves(h)) continue;
    const RowPos p = ToRow(h.at);
    *h.col = p.Col;
    *h.row = p.Row;
  }
  RequestIdleWrap();
}

void TLumoEdit::FinishPendingWrap() {
  // In slices, so a very long line is never read into one piece of memory.
  while (WrapPending()) ContinuePendingWrap(wrapSlice_);
}

void TLumoEdit::SettleRowsThrough(std::int32_t row) {
  while (WrapPending() && PendingRow() <= row + PendingMargin()) ContinuePendingWrap(wrapSlice_);
}

void TLumoEdit::SettlePosition(RowPos& p) {
  if (!WrapPending() || p.Row + PendingMargin() < PendingRow()) return;
  if (p.Row < PendingRow()) {
    SettleRowsThrough(p.Row);
    return;
  }
  const LinePos at = ToLine(p);
  while (WrapPending() && PendingRow() <= ToRow(at).Row + PendingMargin()) ContinuePendingWrap(wrapSlice_);
  p = ToRow(at);
}

bool TLumoEdit::KeepsPendingWrap(RowPos from, RowPos to) const {
  const std::int32_t seam = PendingRow();
  if (seam < 0) return true;
  return from.Row < seam && to.Row < seam && Lines->LfRowsBefore(from.Row) == Lines->LfRowsBefore(seam);
}

void TLumoEdit::RequestIdleWrap() {
  if (!WrapPending() || idleTimerOn_ || pointerTimerOn_) return;
  idleTimerOn_ = true;
  window_.StartTimer(kIdleTickMs);
}

void TLumoEdit::IdleWrapTick() {
  // A search or a whole-text wrap that lets the window repaint reads the rows meanwhile.
  if (!WrapPending() || findBusy_ || relayoutBusy_) return;
  const std::int32_t count = Lines->Count();
  ContinuePendingWrap(wrapSlice_);
  // Only rows below the view changed: the scroll range, and the gutter when it grew.
  if (Lines->Count() != count && UpdateVertRange(true)) RedrawAll();
}

}  // namespace quiret
