// TLumoEdit: construction, defaults, state reset, property setters, window creation and focus.
#include "editor/LumoEdit.h"

#include <algorithm>
#include <cmath>

#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

// The canvas and input-method font: the cell height the font's size asks for, default
// character set, fixed pitch; the font's style is not carried over.
TLogFont MakeLogFont(const TFont& font) {
  TLogFont lf;
  lf.Height = -font.Height;
  lf.CharSet = 1;
  lf.PitchAndFamily = 1;
  lf.FaceName = font.Name;
  return lf;
}

// n / d rounded to the nearest integer, halves to even (d > 0).
std::int32_t RoundHalfEvenDiv(std::int64_t n, std::int64_t d) {
  std::int64_t q = n / d;
  std::int64_t r = n % d;
  if (r < 0) {
    r += d;
    --q;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return static_cast<std::int32_t>(q);
}

}  // namespace

TLumoEdit::TLumoEdit(EditorWindow& window, Clipboard* clipboard) : window_(window), clipboard_(clipboard) {
  // Defaults are stored directly (not through the setters): the window does not exist yet.
  Font = TFont{};
  Font.Name = "FixedSys";
  Font.SetSize(14);
  Font.Color = 0;
  ResetRows();
  AutoScrollTimerInterval = 40;
  AutoScrollTimerEnabled = true;
  Cursor = CursorKind::IBeam;
  window_.SetClient(this);
  StateReset();
}

TLumoEdit::~TLumoEdit() {
  // The window may outlive the control; it must not call back into a dead object.
  window_.SetClient(nullptr);
}

void TLumoEdit::StateReset() {
  ImeComposing = false;
  DblClickPending = false;
  InsertMode = true;
  CaretCol = CaretRow = 0;
  AnchorCol = AnchorRow = 0;
  SelEndCol = SelEndRow = 0;
  CaretX = 0;
  TopRow = 0;
  HorzOffset = 0;
  PaintedSelCol = PaintedSelRow = 0;
  NotifiedCol = NotifiedRow = NotifiedX = 0;
  ScrollRepeat = 0;
  GoalX = GoalXCol = 0;
  CaretFollowsScroll = true;
  SelActive = false;
  AllSelected = false;
  MouseSelecting = false;
  DragModeAutomatic = false;
  HighlightLen = 0;
  ClearUndoList();
  ClearRedoList();
  UndoOverflow = false;
  // Fired even when the flag was already clear: the host resets its display with it.
  modified_ = false;
  if (OnChangeModify) OnChangeModify(this, false);
  if (OnChangeRedoMode) {
    RedoMode = false;
    OnChangeRedoMode(this, false);
  }
}

std::string TLumoEdit::CheckInvariant() const {
  if (std::string fault = Lines->CheckInvariant(); !fault.empty()) return "rows: " + fault;
  const std::int32_t last = LastRow();
  auto place = [&](const char* what, std::int32_t col, std::int32_t row) -> std::string {
    if (row < 0 || row > last) return std::string(what) + " row " + std::to_string(row) + " outside the rows";
    if (IsCaretPlace(Lines->Get(row), col, row == last)) return "";
    return std::string(what) + " " + std::to_string(col) + "," + std::to_string(row) +
           " is not a place the caret may stand";
  };
  if (std::string fault = place("caret", CaretCol, CaretRow); !fault.empty()) return fault;
  if (std::string fault = place("anchor", AnchorCol, AnchorRow); !fault.empty()) return fault;
  if (!SelActive && !AllSelected && (AnchorCol != CaretCol || AnchorRow != CaretRow))
    return "anchor " + std::to_string(AnchorCol) + "," + std::to_string(AnchorRow) +
           " off the caret without a selection";
  if (TopRow < 0 || TopRow > std::max(0, last))
    return "TopRow " + std::to_string(TopRow) + " outside the rows";
  if (HorzOffset < 0) return "HorzOffset " + std::to_string(HorzOffset) + " below 0";
  if (UndoBytes > UndoBuf) return "undo history over its budget";
  if (WrapPending()) {
    // The rows from the seam on may be cut anyhow; nothing the control shows or holds is there.
    const std::int32_t seam = PendingRow(), lastSeam = PendingLastRow();
    if (seam < 1 || lastSeam < seam || lastSeam > last)
      return "pending wrap " + std::to_string(seam) + ".." + std::to_string(lastSeam) + " outside the rows";
    if (Lines->LfRowsBefore(seam) != Lines->LfRowsBefore(lastSeam))
      return "pending wrap " + std::to_string(seam) + ".." + std::to_string(lastSeam) +
             " not inside one line";
    if (std::max({CaretRow, AnchorRow, TopRow + VisibleRows - 1}) >= seam)
      return "pending wrap from row " + std::to_string(seam) + " reaches the caret, the anchor or the view";
  }
  return "";
}

// ---- Property setters ----

void TLumoEdit::SetTopMargin(int v) { TopMargin = std::clamp(v, 0, 30); }

void TLumoEdit::SetLeftMargin(int v) { LeftMargin = std::clamp(v, 0, 30); }

void TLumoEdit::SetCurSetMode(bool v) {
  CurSetMode = v;
  HorzScrollMargin = v ? 10 : HorzJump;
}

void TLumoEdit::SetSelColor(TColor c) { SelColor = window_.ResolveColor(c); }
void TLumoEdit::SetCREOFcolor(TColor c) { CREOFcolor = window_.ResolveColor(c); }
void TLumoEdit::SetURLColor(TColor c) { URLColor = window_.ResolveColor(c); }
void TLumoEdit::SetInyoColor(TColor c) { InyoColor = window_.ResolveColor(c); }
void TLumoEdit::SetUlineColor(TColor c) { UlineColor = window_.ResolveColor(c); }

void TLumoEdit::SetTabCount(int v) { TabCount = static_cast<std::uint8_t>(std::clamp(v, 1, 8)); }

void TLumoEdit::SetLineSpace(int v) {
  LineSpace = std::clamp(v, 0, 100);
  LineHeight = CharHeight + RoundHalfEvenDiv(static_cast<std::int64_t>(CharHeight) * LineSpace, 100);
  CountVisibleRows();
}

void TLumoEdit::SetBorderStyle(TBorderStyle v) {
  if (v == BorderStyle) return;
  BorderStyle = v;
  RecreateWnd();
}

void TLumoEdit::SetColor(TColor c) {
  Color = window_.ResolveColor(c);
  if (WindowCreated) RedrawAll();
}

void TLumoEdit::SetFont(const TFont& f) {
  TFont copy = f;
  copy.Color = window_.ResolveColor(f.Color);
  Font = copy;
}

void TLumoEdit::SetHorzScrollBar(bool v) {
  if (v != HorzScrollBar) {
    HorzScrollBar = v;
    UpdateHorzRange(false);
  }
  HScrollBarSpace = HorzScrollBar ? HScrollBarHeight : 0;
}

void TLumoEdit::SetVertScrollBar(bool v) {
  if (v != VertScrollBar) {
    VertScrollBar = v;
    UpdateVertRange(false);
  }
  VScrollBarSpace = VertScrollBar ? VScrollBarWidth : 0;
}

void TLumoEdit::SetWordWrap(bool v) {
  if (v == WordWrap) return;
  Relayout(v, true);
}

void TLumoEdit::SetColumn(int v) {
  std::int32_t c = std::max(10, v);
  if (c == Column) return;
  Column = c;
  if (WordWrap) RewrapAll();
}

void TLumoEdit::SetShowLineNumber(bool v) { ShowLineNumber = v; }

void TLumoEdit::SetLineNoColumn(int v) { LineNoColumn = static_cast<std::uint8_t>(std::clamp(v, 1, 5)); }

// ---- Public operations ----

void TLumoEdit::SetModified(bool v) {
  if (v == modified_) return;
  modified_ = v;
  if (OnChangeModify) OnChangeModify(this, v);
}

void TLumoEdit::ApplySettings() {
  // Ends any selection; the whole view is drawn again by the re-creation below.
  SelActive = false;
  AllSelected = false;
  AnchorCol = SelEndCol = PaintedSelCol = CaretCol;
  AnchorRow = SelEndRow = PaintedSelRow = CaretRow;
  RecreateWnd();
  ShowPosition(CaretCol, CaretRow, ScrollKind::Follow, true);
  window_.SetScrollPos(ScrollBarKind::Vert, ThumbPos(ScrollBarKind::Vert), true);
}

void TLumoEdit::ClearText() {
  ResetRows();
  StateReset();
  PlaceImeWindow(TextLeft, TopMargin);
  window_.SetScrollPos(ScrollBarKind::Vert, 0, true);
  window_.SetScrollPos(ScrollBarKind::Horz, 0, true);
  const bool caret = window_.HasFocus();
  if (caret) window_.HideCaret();
  UpdateVertRange(true);
  if (WindowCreated) RedrawAll();
  UpdateCaret();
  if (caret) window_.ShowCaret();
}

void TLumoEdit::ShowReadOnlyText(std::string_view text) {
  ReadOnly = false;
  ClearText();
  // The text ends at its first zero byte, as a C string would.
  text = text.substr(0, text.find('\0'));
  if (!text.empty()) InsertAtCaret(text, EditView::Insert, EditEnd::Change, false);
  ReadOnly = true;
}

void TLumoEdit::UpdateCaret() {
  CaretY = (CaretRow - TopRow) * LineHeight;
  PlaceImeWindow(CaretX + TextLeft, CaretY + TopMargin);
  // A caret scrolled out to the left is parked just outside the window.
  window_.SetCaretPos(CaretX < 0 ? -5 : CaretX + TextLeft, CaretY + TopMargin);
  ClearHighlight();
  if (CaretRow != NotifiedRow || CaretCol != NotifiedCol || CaretX != NotifiedX) {
    if (OnSelectionChange) OnSelectionChange(this);
    NotifiedRow = CaretRow;
    NotifiedCol = CaretCol;
    NotifiedX = CaretX;
  }
}

void TLumoEdit::RecreateWnd() {
  // Destroying the old window takes its caret with it.
  const bool focused = window_.HasFocus();
  if (focused) WmKillFocus();
  // Creation parameters.
  window_.SetStyle(BorderStyle == TBorderStyle::bsSingle, VertScrollBar, HorzScrollBar);
  VScrollBarWidth = window_.VScrollBarWidth();
  HScrollBarHeight = window_.HScrollBarHeight();
  VScrollBarSpace = VertScrollBar ? VScrollBarWidth : 0;
  HScrollBarSpace = HorzScrollBar ? HScrollBarHeight : 0;
  LogFont = MakeLogFont(Font);
  WmCreate();
  WmSize(window_.ClientWidth(), window_.ClientHeight());
  if (window_.IsVisible()) RedrawAll();
  if (focused) WmSetFocus();
}

void TLumoEdit::PlaceImeWindow(int x, int y) {
  if (!window_.HasInputContext()) return;
  ImeCompForm.Style = 2;
  ImeCompForm.Pos = {x, y};
  window_.SetCompositionWindow(x, y, LogFont);
}

// ---- Window notifications ----

void TLumoEdit::WmCreate() {
  if (LogFont.FaceName.empty()) {
    // Created without RecreateWnd (first creation by the host window): same font record.
    LogFont = MakeLogFont(Font);
  }
  PrepareCanvas();
  ResetWidthCache();
  DotLine = TDotLine{};
  TFontMetrics m = window_.Canvas().Metrics();
  CharWidth = m.AveCharWidth;
  CharHeight = m.Height;
  WindowCreated = true;
  SetLineSpace(LineSpace);
  // Whole pixels; never a half, since 0.8 and 0.2 times an integer cannot end in .5.
  MarkBottom = static_cast<std::int32_t>(std::nearbyint(0.8 * CharHeight));
  MarkTop = static_cast<std::int32_t>(std::nearbyint(0.2 * CharHeight));
  NoWrapColumns = CharWidth > 0 ? (32767 / CharWidth) / 2 : 0;
  DblSpaceWidth = TextWidth("\x81\x40");
  DblSpaceHeight = CharHeight;
  PlaceImeWindow(TextLeft, TopMargin);
  window_.SetScrollPos(ScrollBarKind::Vert, 0, false);
  window_.SetScrollPos(ScrollBarKind::Horz, 0, false);
  ComputeGutter();
}

void TLumoEdit::WmSize(int clientWidth, int clientHeight) {
  if (relayoutBusy_ || findBusy_) {
    sizeWhileBusy_ = true;
    pendingWidth_ = clientWidth;
    pendingHeight_ = clientHeight;
    return;
  }
  LayoutForSize(clientWidth, clientHeight);
  if (WordWrap && AutoWrap) RewrapAll();
  UpdateVertRange(true);
  UpdateHorzRange(true);
}

void TLumoEdit::WmPaint() {
  if (relayoutBusy_) {
    // Widths measured for painting would race with a wrap's helper thread; the view is
    // drawn once the wrap is done.
    paintWhileBusy_ = true;
    return;
  }
  RedrawAll();
  if (OnPaint) OnPaint(this);
}

void TLumoEdit::WmSetFocus() {
  CaretY = (CaretRow - TopRow) * LineHeight;
  PlaceImeWindow(CaretX + TextLeft, CaretY + TopMargin);
  window_.CreateCaret(2, CharHeight);
  window_.SetCaretPos(CaretX < 0 ? -5 : CaretX + TextLeft, CaretY + TopMargin);
  window_.ShowCaret();
}

void TLumoEdit::WmKillFocus() {
  window_.HideCaret();
  window_.DestroyCaret();
}

void TLumoEdit::WmImeStartComposition() {
  ImeComposing = true;
  if (OnIMEChanging) OnIMEChanging(this);
}

void TLumoEdit::WmImeEndComposition() {
  ImeComposing = false;
  if (OnIMEChanged) OnIMEChanged(this);
}

int TLumoEdit::WmGetDlgCode(int inherited) const {
  int code = inherited | 0x01 | 0x80;
  return WantTabs ? (code | 0x02) : (code & ~0x02);
}

}  // namespace quiret
