// TLumoEdit: the self-drawn editor control for one code page 932 document.
//
// The implementation is split by concern: LumoEdit.cpp (state, properties, lifecycle),
// LumoEditLayout.cpp (display rows, position mapping), LumoEditScroll.cpp (the scrolling
// rule, ranges, scroll messages, the wheel), LumoEditPaint.cpp (drawing), LumoEditKeys.cpp
// (the key table), LumoEditCaret.cpp (caret motions and the selection they extend),
// LumoEditDelete.cpp (the deleting keys), LumoEditChange.cpp (the edit door every change of
// the text goes through, and how the view follows each change), LumoEditRows.cpp (the only
// writer of the rows), LumoEditInput.cpp (typed text, Enter, Tab, input method),
// LumoEditUndo.cpp (history), LumoEditClip.cpp (selection text and the clipboard),
// LumoEditMouse.cpp (the pointer).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/FindMatcher.h"
#include "editor/LumoEditTypes.h"
#include "editor/ReplaceRecord.h"
#include "platform/Clipboard.h"
#include "platform/EditorWindow.h"
#include "platform/Types.h"
#include "text/LumoStrings.h"

namespace quiret {

class TLumoEdit;

using TNotifyEvent = std::function<void(TLumoEdit* sender)>;
using TBoolEvent = std::function<void(TLumoEdit* sender, bool value)>;
// How far a whole-text wrap got: rows looked at of all rows.
using TProgressEvent = std::function<void(TLumoEdit* sender, std::int64_t done, std::int64_t total)>;
using TUserDrawEvent = std::function<void(TLumoEdit* sender, int c1, int c2, int x1, int x2)>;
using TFindEvent = std::function<void(TLumoEdit* sender, const std::string& str, const std::string& findchr,
                                      int index, int& x, int& len)>;
using TFindHitEvent =
    std::function<void(TLumoEdit* sender, const std::string& findchr, int x, int y, int len, int count)>;
using TFindNoHitEvent = std::function<void(TLumoEdit* sender, const std::string& findchr)>;
using TFindChangeEvent =
    std::function<void(TLumoEdit* sender, const std::string& findchr, const std::string& changechr, int x,
                       int y, int len, int count, bool& changeF, bool& kakuninF, bool& abortF)>;
using TFindChangeEndEvent = std::function<void(TLumoEdit* sender, const std::string& findchr,
                                               const std::string& changeStr, int count)>;
// How far a long find or replace-all got (rows searched of the rows it has to search);
// setting abortF stops it.
using TFindProgressEvent =
    std::function<void(TLumoEdit* sender, std::int64_t done, std::int64_t total, bool& abortF)>;
// A find or replace stopped before it had looked at all of the text (why: the engine's
// limits, or the host through OnFindProgress) in logical line `line`; no hit is selected
// and a replace-all has changed nothing.
using TFindStopEvent =
    std::function<void(TLumoEdit* sender, const std::string& findchr, TFindStop why, int line)>;

enum class TBorderStyle : std::uint8_t { bsNone = 0, bsSingle = 1 };

// Composition-window record handed to the input method.
struct TImeCompForm {
  int Style = 2;  // place at a point
  TPoint Pos;
  TRect Area;
};

// Dotted-line state: pattern and the phase counter shared by consecutive strokes.
struct TDotLine {
  int On = 1;
  int Off = 1;
  int Counter = 0;
  TPoint First;
  TPoint Last;
};

// The rows of one control: anyone may read them; only the control changes them, through its
// edit door.
class TLumoRows {
 public:
  const TLumoStrings* operator->() const { return rows_.get(); }
  const TLumoStrings& operator*() const { return *rows_; }

 private:
  friend class TLumoEdit;
  std::unique_ptr<TLumoStrings> rows_;
};

class TLumoEdit : public EditorWindowClient {
 public:
  // The control draws on `window`, which outlives it; `clipboard` (may be null: the
  // clipboard commands then do nothing) outlives it too.
  explicit TLumoEdit(EditorWindow& window, Clipboard* clipboard = nullptr);
  ~TLumoEdit() override;
  TLumoEdit(const TLumoEdit&) = delete;
  TLumoEdit& operator=(const TLumoEdit&) = delete;

  // ---- Published properties (getters and setters with their effects) ----
  int GetTopMargin() const { return TopMargin; }
  void SetTopMargin(int v);
  int GetLeftMargin() const { return LeftMargin; }
  void SetLeftMargin(int v);
  void SetCurSetMode(bool v);
  void SetSelColor(TColor c);
  void SetCREOFcolor(TColor c);
  void SetTabCount(int v);
  void SetShowEOF(bool v) { ShowEOF = v; }
  void SetShowCR(bool v) { ShowCR = v; }
  void SetShowDblSpace(bool v) { ShowDblSpace = v; }
  void SetLineSpace(int v);
  void SetBorderStyle(TBorderStyle v);
  void SetColor(TColor c);
  const TFont& GetFont() const { return Font; }
  void SetFont(const TFont& f);
  void SetHorzScrollBar(bool v);
  void SetVertScrollBar(bool v);
  void SetWordWrap(bool v);
  void SetColumn(int v);
  void SetURLColor(TColor c);
  void SetInyoColor(TColor c);
  void SetUlineColor(TColor c);
  void SetShowLineNumber(bool v);
  void SetLineNoColumn(int v);

  // ---- Public operations ----
  bool GetModified() const { return modified_; }
  // The one writer of the modified flag; fires OnChangeModify when the value changes.
  void SetModified(bool v);
  void ApplySettings();
  void ClearText();
  // Takes a whole new text (a file just read) in place of the rows and hands back the rows
  // it replaces: the caret goes to the start and the history is emptied. Not reported as a
  // change; lay it out with ApplySettings.
  std::unique_ptr<TLumoStrings> LoadRows(std::unique_ptr<TLumoStrings> rows);
  // Shows `text` in a control the user cannot edit: the text replaces the rows as a paste
  // into an empty text would put it, the caret after it, and ReadOnly is set.
  void ShowReadOnlyText(std::string_view text);
  void UpdateCaret();
  // Re-creates the window: creation parameters, the create step, then a size notification.
  void RecreateWnd();
  EditorWindow& Window() { return window_; }
  // Whether the control's state is sound: the rows (the line store's own check), the caret
  // and the anchor on places the caret may stand, the anchor on the caret without a
  // selection, TopRow and HorzOffset in range, the history within its budget. Returns ""
  // when sound, else the first fault found.
  std::string CheckInvariant() const;
  // An edit in a long line cuts only the rows near it and leaves the rest of the line to be
  // cut later, in slices when the window is idle (or at once before anything reaches it).
  // This cuts all of it now: afterwards every row is where the wrap rule puts it.
  void FinishPendingWrap();
  bool WrapPending() const { return pendingFromEnd_ > 0; }

  // ---- Layout (display rows and position mapping) ----
  std::string ExpandTabs(std::string_view text) const;
  void Relayout(bool wrap, bool redraw);
  // Unwraps and wraps the whole text again (a new width or column).
  void RewrapAll();
  std::vector<std::string> SplitRows();
  // Returns the logical line starting at `row` and sets lastRow to the row that ends it.
  std::string JoinRows(std::int32_t row, std::int32_t& lastRow) const;
  void LineToRow(std::int32_t& col, std::int32_t& row) const;
  void RowToLine(std::int32_t& col, std::int32_t& row) const;
  // With mayLeavePending (the edits' own calls), the last line may be cut only a screen
  // below the caret and the view, the rest left pending (FinishPendingWrap).
  void RewrapLines(std::int32_t x, std::int32_t firstRow, bool redraw, bool redrawBelow, std::int32_t lastRow,
                   bool mayLeavePending = false);
  bool ShowPosition(std::int32_t col, std::int32_t row, ScrollKind kind, bool resetAnchor);
  // The caret, without a selection, at a logical position (a line and a byte offset in it,
  // both clamped to the text), on the start of the character there, shown.
  void ShowCaretAt(LinePos at);
  // ShowPosition for the caret where it stands.
  bool KeepCaretInView(bool resetAnchor) { return ShowPosition(-1, -1, ScrollKind::Follow, resetAnchor); }
  bool ScrollToShow(std::int32_t x, std::int32_t row, ScrollKind kind);
  void LayoutForSize(int clientWidth, int clientHeight);
  // VisibleRows and VertScrollMargin for the text area's height and the row height.
  void CountVisibleRows();
  // Where a scroll bar's thumb stands for the view's offset (rows or pixels per unit).
  std::int32_t ThumbPos(ScrollBarKind bar) const;
  void ComputeGutter();
  bool UpdateVertRange(bool redraw);
  void UpdateHorzRange(bool redraw);
  // Pixel width of the tab-expanded first `col` bytes of a row.
  int PixelXOf(std::string_view row, std::int32_t col);
  // Text width with the canvas font, through the control's per-character width cache.
  int TextWidth(std::string_view text);

  // Typed wrappers of the two conversions above.
  LinePos ToLine(RowPos p) const {
    RowToLine(p.Col, p.Row);
    return LinePos{p.Col, p.Row};
  }
  RowPos ToRow(LinePos p) const {
    LineToRow(p.Offset, p.Line);
    return RowPos{p.Offset, p.Line};
  }

  // ---- Scrolling (LumoEditScroll.cpp) ----
  // Returns the rows the view moved. The caret goes along and ends a selection unless
  // `extend` (Shift held).
  std::int32_t VertScroll(int code, int pos, bool extend = false);
  void HorzScroll(int code, int pos);

  // ---- Caret movement and selection (LumoEditCaret.cpp) ----
  // Each motion extends the selection with `extend` (the key's Shift) or while the pointer
  // selects, and ends it otherwise.
  void CaretLeft(bool word, bool extend = false);
  void CaretRight(bool word, bool extend = false);
  void CaretRowStart(bool extend = false);
  void CaretRowEnd(bool extend = false);
  void CaretUpDown(int dir, bool extend = false);
  void MoveRows(std::int32_t n, bool extend = false);
  void MoveToTextStart(bool extend = false);
  void MoveToTextEnd(bool extend = false);
  std::int32_t ColumnFromX(std::string_view row, std::int32_t x);
  void UpdateSelection(bool extend);
  void EndSelection();
  void ExtendSelectionTo(std::int32_t col, std::int32_t row);
  static std::uint8_t CharClass(std::int32_t code);
  std::int32_t FindWordBoundary(bool forward, std::string& passed);

  // ---- Deleting keys (LumoEditDelete.cpp) ----
  void DeleteChar();
  void DeleteCharBefore();
  void DeleteWordRight();
  void DeleteWordLeft();

  // ---- Typed text and input method (LumoEditInput.cpp) ----
  void TypeText(std::string_view text);
  void NewLine();
  void InsertTab();
  void RequestReconvert();

  // ---- Undo (LumoEditUndo.cpp) ----
  bool AddUndo(UndoKind kind, std::string_view text, std::int32_t col, std::int32_t row);
  void Undo();
  void ApplyUndo();
  // Redo: the newest undone step done again through the same path, its records back on the
  // undo list as they were. Only while RedoMode is on, so never over a changed text.
  void Redo();
  void ApplyRedo();
  void ClearUndoList();
  void ClearRedoList();

  // ---- Find and replace (LumoEditFind.cpp, LumoEditReplace.cpp) ----
  // Selects the next match after the selection (or the caret), or with `backward` the last
  // one before it, and scrolls it into view; OnFindHit or OnFindNoHit follows. After a miss,
  // the next search in the same direction from the same place starts at the other end of
  // the text.
  bool FindText(std::string_view findchr, const TFindOptions& options, bool backward);
  // Replaces the selection when it is exactly a match (OnFindChange may refuse), then
  // selects the next match. Returns whether it replaced.
  bool ReplaceText(std::string_view findchr, std::string_view changechr, const TFindOptions& options);
  // Replaces every match as one step of the history and returns how many. OnFindChange is
  // asked before each; with `confirm` each match is first selected and shown. With `within`
  // (logical positions, from and to) only the matches inside it are replaced.
  std::int32_t ReplaceAll(std::string_view findchr, std::string_view changechr, const TFindOptions& options,
                          bool confirm, const std::pair<LinePos, LinePos>* within = nullptr);
  // Why the last search text could not be searched for (a regular expression's fault), or "".
  std::string FindError;
  // Every hit of `pattern` in the rows in view is drawn with HitColor behind it (the
  // selection drawn over it); an empty pattern, or one that cannot be searched for, marks
  // nothing (LumoEditHits.cpp).
  void SetHitMarks(std::string_view pattern, const TFindOptions& options);
  TColor HitColor = 0x0066E6FF;
  // The selection from `from` to `to` (logical positions), the caret at `to`, shown.
  void SelectLines(LinePos from, LinePos to);
  // Byte lengths of the rows the wrap rule cuts a logical line into.
  std::vector<std::size_t> WrapLengths(std::string_view line);

  // ---- Selection text and clipboard (LumoEditClip.cpp) ----
  bool HasSelection() const { return SelActive || AllSelected; }
  bool GetSelBounds(std::int32_t& startCol, std::int32_t& startRow, std::int32_t& endCol,
                    std::int32_t& endRow) const;
  std::string GetSelText();
  void SelectAll();
  // Selects from `start` to `end` (the caret there), both scrolled into view.
  void SelectRange(RowPos start, RowPos end);
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  // ---- Pointer (LumoEditMouse.cpp) ----
  void ButtonDown(int button, int shift, int x, int y);
  void PlaceCaretAtPoint(std::int32_t x, std::int32_t y);
  void TrackPointer(std::int32_t x, std::int32_t y);
  void AutoScrollTick();
  void FinishTextDrag();

  // ---- Rendering ----
  void RedrawAll();
  void RedrawRows(RedrawBand kind, std::int32_t a = 0, std::int32_t b = 0);
  void DrawRowRange(std::int32_t first, std::int32_t last);
  void DrawRow(int x, int y, std::string_view rowText);
  void DrawRowSegment(std::int32_t row, std::int32_t from, std::int32_t to, bool selected);
  void DrawSelection();
  void DrawLineEndMark(int x, int y, std::string_view lastTwo);
  void DrawDblSpaceMarks(const TRect& clip, int x0, bool selected, std::string_view text, int y);
  void DrawUrls(std::int32_t first, std::int32_t last, const TRect* clip);
  void DrawUrlSpan(std::int32_t from, std::int32_t to, const TRect* clip, std::int32_t row);
  void FillBelowText(std::int32_t first, std::int32_t last);
  void DrawGutter(std::int32_t first, std::int32_t last);
  void DrawCaretUnderline(bool draw);
  void MoveCaretUnderline(std::int32_t oldRow, std::int32_t newRow);
  void ClearHighlight();
  void PrepareCanvas();
  void PlaceImeWindow(int x, int y);

  // ---- Window notifications (EditorWindowClient) ----
  void WmCreate() override;
  void WmSize(int clientWidth, int clientHeight) override;
  void WmPaint() override;
  void WmSetFocus() override;
  void WmKillFocus() override;
  void WmKeyDown(int vk, int shift) override;
  void WmKeyUp(int vk, int shift) override;
  void WmChar(unsigned char ch) override;
  void WmImeResult(std::string_view text) override;
  void WmImeStartComposition() override;
  void WmImeEndComposition() override;
  void WmMouseDown(int button, int shift, int x, int y) override;
  void WmMouseMove(int shift, int x, int y) override;
  void WmMouseUp(int button, int shift, int x, int y) override;
  void WmDoubleClick(int button, int shift, int x, int y) override;
  void WmMouseWheel(int delta, int shift) override;
  void WmVScroll(int code, int pos) override;
  void WmHScroll(int code, int pos) override;
  void WmTimer() override;
  // Dialog-code answer: arrows (1) and all characters (0x80), plus Tab (2) with WantTabs.
  int WmGetDlgCode(int inherited) const;

  // ---- Events (sender first; each optional) ----
  TNotifyEvent OnIMEChanging, OnIMEChanged, OnIMEReConvert;
  TUserDrawEvent OnUserDraw;
  TNotifyEvent OnPaint;
  TFindEvent OnFind;
  TFindHitEvent OnFindHit;
  TFindNoHitEvent OnFindNoHit;
  TFindChangeEvent OnFindChange;
  TFindChangeEndEvent OnFindChangeEnd;
  // Called every few megabytes (or a few calls of the regular expression engine) of a
  // search; the handler may let the window repaint (the rows are only read meanwhile, and
  // a size change waits for the search's end).
  TFindProgressEvent OnFindProgress;
  TFindStopEvent OnFindStop;
  TBoolEvent OnAseikei;
  TBoolEvent OnChangeInsMode;
  TBoolEvent OnChangeRedoMode;
  // Called now and then while a large text is wrapped as a whole. The handler may let the
  // window repaint (the rows are only read until the wrap ends); a size change that arrives
  // meanwhile is applied once the wrap is done.
  TProgressEvent OnLayoutProgress;
  TBoolEvent OnChangeModify;
  TNotifyEvent OnSelectionChange;
  // Pointer events, after the control's own handling of the press (before it for moves).
  std::function<void(TLumoEdit*sender, int button, int shift, int x, int y)> OnMouseDown, OnMouseUp;
  std::function<void(TLumoEdit* sender, int shift, int x, int y)> OnMouseMove;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnChange;
  // Every change of the text once it is made: at logical position `at`, the bytes `removed`
  // went and `inserted` came (CR LF inside either, as the rows hold them). The reports of
  // one step come in an order that reproduces the step when they are applied one after
  // another to the text as it was. A whole new text handed in (loading, ClearText) is not
  // reported as a change. The recovery journal is written from this.
  std::function<void(TLumoEdit* sender, LinePos at, std::string_view removed, std::string_view inserted)>
      OnTextChange;
  // Asked before a command whose history records would not fit in UndoBuf: the command
  // could not be undone, and the whole older history would go. `proceed` false leaves the
  // text as it was. Without a handler such a command goes ahead.
  std::function<void(TLumoEdit* sender, std::int64_t bytes, bool& proceed)> OnUndoWontFit;
  // The oldest records of the history were dropped to make room for a new one.
  TNotifyEvent OnUndoTrim;
  // After the last change of a step has been reported through OnTextChange: one key, one
  // drop, one replacement or replace-all, one undo or redo. Only a step's changes together
  // make a text the window showed; a step that changed nothing is not told.
  TNotifyEvent OnStepEnd;
  // The host sees every key and character after the control has acted on it.
  std::function<void(TLumoEdit*sender, int vk, int shift)> OnKeyDown, OnKeyUp;
  std::function<void(TLumoEdit* sender, unsigned char ch)> OnKeyPress;

  // ---- State record (field names shared by every part of the control) ----
  bool ImeComposing = false;
  std::string Version = "TLumoEdit Ver1.14a";
  TFont Font;
  int AutoScrollTimerInterval = 40;
  bool AutoScrollTimerEnabled = true;
  TLumoRows Lines;
  TBorderStyle BorderStyle = TBorderStyle::bsNone;
  std::int32_t CaretCol = 0;
  std::int32_t CaretRow = 0;
  bool WantTabs = true;
  bool InsertMode = true;
  bool AutoIndent = false;
  bool RedoMode = false;
  TColor Color = 0xFFFFFF;
  TColor CREOFcolor = 0x808000;
  TColor URLColor = 0xFF0000;
  TColor InyoColor = 0x808080;
  TColor UlineColor = 0;
  std::uint8_t ScrollStep = 2;
  bool HorzScrollBar = false;
  bool VertScrollBar = true;
  bool ShowEOF = true;
  bool ShowCR = true;
  bool ShowDblSpace = true;
  std::uint8_t TabCount = 6;
  bool WordWrap = true;
  bool AutoWrap = false;
  bool CurSetMode = true;
  bool HostReformat = false;
  std::string Inyostr = ">";
  bool ColorPrintF = true;
  bool UlineF = false;
  std::int32_t Column = 72;
  std::int64_t UndoBuf = 0xF8000;
  bool ReadOnly = false;
  TColor SelColor = 0;
  std::int32_t LineSpace = 0;
  std::int32_t AnchorRow = 0, AnchorCol = 0;
  std::int32_t SelEndCol = 0, SelEndRow = 0;
  std::int32_t TextAreaWidth = 0;
  std::int32_t TextAreaHeight = 0;
  std::int32_t HorzScrollMargin = 10;
  bool ShowLineNumber = false;
  std::uint8_t LineNoColumn = 5;
  std::int32_t GutterWidth = 0;
  bool DblClickPending = false;
  TRect TextAreaRect, RowsRect;
  // Wider than a byte so that tall fonts keep their marks inside the row.
  std::int32_t MarkBottom = 0, MarkTop = 0;
  TImeCompForm ImeCompForm;
  bool SelActive = false;
  bool AllSelected = false;
  std::int32_t CaretX = 0;
  std::int32_t CaretY = 0;
  std::int32_t NotifiedCol = 0, NotifiedRow = 0, NotifiedX = 0;
  std::int32_t GoalCol = 0;
  std::int32_t PaintedSelCol = 0, PaintedSelRow = 0;
  std::int32_t DragStartCol = 0, DragStartRow = 0;
  std::int32_t GoalX = 0, GoalXCol = 0;
  std::int32_t CharWidth = 0;
  std::int32_t CharHeight = 0;
  std::int32_t LineHeight = 0;
  std::int32_t DblSpaceWidth = 0, DblSpaceHeight = 0;
  TLogFont LogFont;
  std::int32_t TopRow = 0;
  std::int32_t HorzOffset = 0;
  std::int32_t VisibleRows = 0;
  std::int32_t TopMargin = 4;
  std::int32_t TextLeft = 10;
  std::int32_t BaseTextLeft = 10;
  std::int32_t LeftMargin = 10;
  std::int32_t DigitWidth = 0;
  std::int32_t VertScrollMargin = 0;
  std::int32_t HorzJump = 0;
  bool CaretFollowsScroll = true;
  std::int32_t MaxTopRow = 0;
  std::int32_t MaxRowWidth = 0;
  std::int32_t VScrollDone = 0, HScrollDone = 0, VScrollRequest = 0;
  std::int16_t ScrollRepeat = 0;
  bool InVScroll = false, InKeyDown = false;
  std::int32_t VertScrollUnit = 1, HorzScrollUnit = 1;
  std::int32_t NoWrapColumns = 0;
  std::int32_t HScrollBarHeight = 0, VScrollBarWidth = 0;
  std::int32_t VScrollBarSpace = 0, HScrollBarSpace = 0;
  bool MouseSelecting = false, TextDragging = false;
  std::int16_t AutoScrollDir = 0;
  // 1: the move cursor shows while text is dragged; 2: the copy cursor (Ctrl held).
  int DragCursor = 1;
  // The row a margin click selected whole, while that selection is being dragged (else -1).
  std::int32_t MarginRow = -1;
  TPoint LastMousePoint;
  TDotLine DotLine;
  std::int32_t HighlightLen = 0, HighlightCol = 0, HighlightRow = 0;
  bool DragModeAutomatic = false;
  CursorKind Cursor = CursorKind::IBeam;
  bool WindowCreated = false;

  // Undo history (newest first) and the undone records.
  std::deque<UndoRecord> UndoList;
  std::deque<UndoRecord> RedoList;
  std::int64_t UndoBytes = 0;
  std::int64_t RedoBytes = 0;
  bool UndoOverflow = false;

 protected:
  void StateReset();
  // The font's colour resolved to RGB (a system colour may have been written into it directly).
  TColor FontColor();
  // A dotted stroke from (x1, y1) to (x2, y2), end excluded, continuing the shared phase.
  void DotStroke(int x1, int y1, int x2, int y2, TColor color);

 private:
  // ---- The edit door (LumoEditChange.cpp) ----
  // How the view follows one change. A loud change draws what it changed at once; a quiet
  // one leaves the drawing to the end of its step.
  enum class EditView : std::uint8_t {
    Insert,        // text put in at the caret, the caret after it
    InsertQuiet,   //   the same, drawn at the step's end
    Delete,        // the selection removed, the caret at its start
    DeleteQuiet,   //   the same, drawn at the step's end
    UndoneInsert,  // an insertion taken back (the rows it touched drawn at the step's end)
    Remove,        // Delete or Backspace without a selection: a character or a line end
    Type,          // typed or input-method text, over the bytes overwrite mode replaces
    Restore,       // a character or line end Delete removed, back, the caret staying
    RestoreQuiet,  // bytes typing overwrote, back in their row, the caret staying
  };
  // What ends a step of changes (one command, one undo or redo).
  enum class EditEnd : std::uint8_t {
    More,             // more changes follow in this step
    Change,           // OnChange
    Reformat,         // the host's re-format hook, then OnChange
    ReformatForward,  //   (told the text after the caret changed)
    NewLine,          // the view follows the caret to the new line, then OnChange
    Drop,             // the whole view drawn, then OnChange
    Undone,           // the history decides Modified, then OnChange
    UndoneInsertion,  // the rows from `endRow` drawn (`endRedraw`), then as Undone
  };
  struct EditChange {
    RowPos from, to;        // the bytes between go (from <= to) ...
    std::string_view text;  // ... and these come in their place
    EditView view = EditView::Insert;
    EditEnd then = EditEnd::Change;
    bool keepRemoved = false;  // the history keeps the removed bytes as `removedAs`
    UndoKind removedAs = ukDelete;
    bool keepInserted = false;  // the history keeps `text` as an insertion
    // The last bytes of `text` that the caret stops before: the blank that keeps the
    // columns of a double-byte character typed over by half.
    std::uint8_t pad = 0;
    // For EditEnd::UndoneInsertion: the first row the step changed, and whether the rows
    // from it are drawn again.
    std::int32_t endRow = 0;
    bool endRedraw = false;
  };
  // A step of changes: scopes nest, and the outermost one tells OnStepEnd on leaving if a
  // change was made inside it. Edit and EditPieces each make one; a command that makes
  // several changes holds one around them.
  class StepScope {
   public:
    explicit StepScope(TLumoEdit& ed) : ed_(ed) { ++ed_.stepDepth_; }
    ~StepScope();
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;

   private:
    TLumoEdit& ed_;
  };
  int stepDepth_ = 0;
  bool stepChanged_ = false;
  // The door: every change of the text comes through here. Refuses a read-only control
  // (false); otherwise records the change in the history, changes the rows, re-wraps them,
  // brings the view up to date, keeps the caret on a character, reports the change through
  // OnTextChange and, at the end of its step, fires OnChange.
  bool Edit(const EditChange& change);
  // Replacements of find and replace, many at once: the same as Edit for each piece, the
  // view drawn once; `record` lists them (ReplaceRecord.h). With `inverse` (the record that
  // reverses them) the history keeps that as one ukReplaceAll record.
  bool EditPieces(std::string_view record, const std::string* inverse, EditEnd then);
  // The end of a step of changes; Edit calls it for its last change.
  void EndEdit(EditEnd then, std::int32_t endRow = 0, bool endRedraw = false);
  // The selection through the door (in the select-all state the whole text).
  bool DeleteSelection(EditView view = EditView::Delete, EditEnd then = EditEnd::Change);
  // `text` at the caret through the door; `keep`: the history keeps it as an insertion.
  bool InsertAtCaret(std::string_view text, EditView view, EditEnd then = EditEnd::Change, bool keep = true);
  // The history keeps what the change does, before the rows change.
  void KeepInHistory(const EditChange& c, std::string_view removed);
  void ViewInsert(const EditChange& c, std::string_view removed);
  void ViewDelete(const EditChange& c, std::string_view removed);
  void ViewRemove(const EditChange& c, std::string_view removed);
  void ViewType(const EditChange& c, std::string_view removed);
  void ViewRestore(const EditChange& c, std::string_view removed);
  // The bytes between two ordered row positions.
  std::string TextBetween(RowPos from, RowPos to) const;
  std::int32_t LastRow() const { return Lines->Count() - 1; }
  void FireChange() {
    if (OnChange) OnChange(this);
  }
  // OnSelectionChange, and the caret values it reported.
  void NotifySelectionChange();
  // Draws the text between two ordered positions selected or not, rows in view only.
  void PaintSpan(RowPos from, RowPos to, bool selected);
  // Draws one row from pixel x (relative to the text area) on, with its URLs.
  void RepaintRowFrom(std::int32_t row, int x);
  // Text ending in CR LF inserted after a continuation row's last byte leaves the caret
  // after that CR LF: it goes to the start of the next row, so nothing is typed after a
  // terminator.
  void CaretPastLineEndToNextRow();
  // Bytes joined by an edit can pair up into a new character around the caret (a lone lead
  // byte before the joint): the caret moves to that character's start. Returns whether it moved.
  bool KeepCaretOnCharacter();
  // Delete or Backspace without a selection: the character at the caret, or its line end.
  void RemoveAtCaret(UndoKind kind, EditEnd then);
  // Drops the oldest undo records until `size` more bytes fit the budget; whether they fit.
  bool MakeUndoRoom(std::int64_t size);
  // Bytes of the selection (0 without one).
  std::int64_t SelectionBytes() const;
  // Before a command that removes the selection and inserts `inserted` bytes: whether it
  // may go on, asking the host (OnUndoWontFit) when its records would not fit in UndoBuf.
  bool UndoKeepsStep(std::int64_t inserted);
  // The same for a command whose records take `bytes`.
  bool UndoHasRoom(std::int64_t bytes);
  // Undo and redo are one path: the newest step of one list moves to the other list, and
  // the inverse of each of its records goes through the door.
  void ApplyHistoryStep(bool redo);
  // An insertion taken back, with the record below it that belongs to the same step.
  void UndoInsertion(const UndoRecord& rec, bool redo);
  // The newest record of the undo list (redo: of the redo list) moves to the other list;
  // an undone record becomes the change that does it again (`newKind`), a redone one gets
  // its kind back.
  void MoveHistoryRecord(bool redo, UndoKind newKind);
  // Where a record's change starts, in rows.
  RowPos HistoryPos(const UndoRecord& rec) const;
  // The selection step of the jumps to the text's ends: Shift (or a mouse selection) starts
  // or keeps a selection from the caret, anything else ends it.
  void SelectForTextEndJump(bool extend);

  // ---- The rows (LumoEditRows.cpp, the only place that writes them) ----
  TLumoStrings& Store();
  // The bytes from `from` to `to` (ordered row positions) give way to `text`; `removed`
  // are those bytes when OnTextChange needs them. A text holding CR LF is cut into rows
  // after each terminator; a row emptied whole stays empty for the re-wrap that follows.
  // Returns the position just after the inserted text.
  RowPos ReplaceRange(RowPos from, RowPos to, std::string_view text, std::string_view removed);
  // Replaces a row by the rows a text holding CR LF splits into; returns the last one's index.
  std::int32_t ReplaceRowByText(std::int32_t row, std::string_view text);
  // RewrapLines for one logical line from row w on, whose first row changed and whose later
  // rows are as the rule cut them before: cuts again only until a new cut meets an old one.
  // The caret follows its character when caretLine; grown is the change in rows. Returns
  // the row after the line.
  // Where a re-wrap may stop before the line's end: after `rows` new rows, once past row
  // `pastRow` (and the caret's new row) by `margin` rows.
  struct WrapStop {
    std::size_t rows = static_cast<std::size_t>(-1);
    std::int32_t pastRow = 0, margin = 0;
  };
  std::int32_t RewrapLinePart(std::int32_t w, bool caretLine, std::int32_t& newCaretCol,
                              std::int32_t& newCaretRow, std::int32_t& grown, const WrapStop& stop);
  // Before a re-wrap replaces the old rows [w, w + oldRows), leaving `countAfter` rows: the
  // pending part as it will leave it (`seamRow`: the first row it leaves uncut, or -1 when
  // it reached the line's end or met the old row `met`).
  void NotePendingAfterRewrap(std::int32_t w, std::int32_t oldRows, std::int32_t countAfter,
                              std::int32_t seamRow, std::int32_t met);
  // Rows [row, row + oldRows) become pieces of `bytes` of the given lengths.
  void PutPieces(std::int32_t row, std::int32_t oldRows, std::string_view bytes,
                 const std::vector<std::size_t>& lengths);
  // The row after the logical line that holds `row`.
  std::int32_t RowAfterLine(std::int32_t row);
  // The rows written for replacements; the caret's place after the last one.
  LinePos ReplacePiecesInRows(std::string_view record);
  // One text: the end marker alone.
  void ResetRows();
  // The whole text wrapped or unwrapped in place (Relayout's row work).
  void WrapAllRows();
  void UnwrapAllRows();
  // The character boundary of `text` nearest to pixel x (unscrolled); its x in boundaryX.
  std::int32_t BoundaryNearX(std::string_view text, std::int32_t x, std::int32_t& boundaryX);
  // ---- Find and replace helpers ----
  struct FindState;
  FindState& PrepareFind(std::string_view findchr, const TFindOptions& options);
  void LoadChunkForward(FindState& fs, std::int32_t firstRow);
  void LoadChunkBackward(FindState& fs, std::int32_t lastRow);
  RowPos ChunkToRow(const FindState& fs, std::size_t at) const;
  RowPos ChunkEndToRow(const FindState& fs, std::size_t at, std::size_t len) const;
  // OnFind may move or drop a hit; false when it dropped it.
  bool AcceptHit(FindState& fs, std::size_t& at, std::size_t& len);
  // False when there is no match, or when the search stopped early (fs.stop says why).
  bool FindMatch(FindState& fs, RowPos from, bool backward, RowPos& start, RowPos& end, std::int32_t& len);
  // The matcher's looks at the host during a search from `row` (down, or up when backward).
  void WatchFindProgress(FindState& fs, std::int32_t row, bool backward);
  // Takes note of the matcher's reason for stopping early; true when there was one.
  bool NoteFindStop(FindState& fs);
  void ReportFindStop(FindState& fs, const std::string& findchr);
  std::shared_ptr<FindState> find_;
  std::shared_ptr<class HitMarks> hitMarks_;
  // Draws the marked hits of `row` (in view) inside `clip`, over the text just drawn.
  void DrawHits(std::int32_t row, const TRect& clip);
  // The cursor for the Ctrl state while text is dragged.
  void ShowDragCursor(bool copy);
  // Ends a pointer selection: the timer and the capture go with it.
  void EndPointerCapture();

  EditorWindow& window_;
  Clipboard* clipboard_ = nullptr;
  bool modified_ = false;
  // Per-character pixel widths of the canvas font (0 = not measured yet).
  std::vector<int> widthCache_;
  // What the last whole-text wrap was made for; while the rows are unchanged since, the
  // same rule would give the same rows again.
  struct WrapMade {
    std::uint64_t changes = 0;
    std::int32_t column = 0, areaWidth = 0;
    int tabCount = 0;
    bool autoWrap = false;
    bool valid = false;
  } wrapMade_;
  // Every row is where that wrap's rule cuts it (but for a terminator it left alone in a
  // line's last row): the re-wrap after an edit may then stop where its cuts meet old ones.
  // An edit can move the cut of the row before the one it changed (the rule looks a few
  // bytes past a row's end, and at the line's length); the rows stay as they are then, and
  // this is false until the next whole-text wrap.
  bool rowsByRule_ = false;

  // ---- The part of a line an edit left uncut (LumoEditPending.cpp) ----
  // From row S (the seam) to the end of its logical line the rows hold the right bytes but
  // may be cut otherwise than by the rule; S itself starts where the rule cuts. Rows up to
  // the last seam made are cut anyhow; rows after it are what some re-wrap made, so a new
  // cut meeting one of them may stop there. Both are counted from the end of the rows
  // (0: nothing pending), which edits before S leave unchanged. S stays below the caret,
  // the anchor and the view by a margin: whatever would move there cuts on first.
  std::int32_t pendingFromEnd_ = 0, pendingLastFromEnd_ = 0;
  // New rows a re-wrap after an edit cuts before it may leave the rest pending.
  std::size_t wrapBudget_ = 64;
  // Rows one idle slice cuts.
  std::size_t wrapSlice_ = 8192;
  bool idleTimerOn_ = false, pointerTimerOn_ = false;
  std::int32_t PendingRow() const { return pendingFromEnd_ > 0 ? Lines->Count() - pendingFromEnd_ : -1; }
  std::int32_t PendingLastRow() const {
    return pendingFromEnd_ > 0 ? Lines->Count() - pendingLastFromEnd_ : -1;
  }
  void ClearPendingWrap() { pendingFromEnd_ = pendingLastFromEnd_ = 0; }
  // Rows below the view (a screen) that stay cut while something is pending.
  std::int32_t PendingMargin() const { return std::max(VisibleRows, 1) + 2; }
  // Cuts up to `rows` more rows of the pending part; positions the control holds at or past
  // the seam keep their place in the text.
  void ContinuePendingWrap(std::size_t rows);
  // Cuts the pending part until the seam lies `PendingMargin` rows past `row`.
  void SettleRowsThrough(std::int32_t row);
  // The same for a position (converted when it lies in the pending part).
  void SettlePosition(RowPos& p);
  // Whether a change of the bytes from `from` to `to` may leave the pending part as it is: it
  // lies before the seam, in the seam's line.
  bool KeepsPendingWrap(RowPos from, RowPos to) const;
  // Asks the window for idle ticks while something is pending.
  void RequestIdleWrap();
  // One idle tick: a slice of the pending part, the scroll range after it.
  void IdleWrapTick();
  bool CutsMayMeet() const;
  // Whether the rows before firstRow that look into it are still where the rule cuts them.
  void CheckRowsBefore(std::int32_t firstRow);
  // Relayout's work; keepRows: the rows are already the wrap asked for.
  void RelayoutRows(bool wrap, bool redraw, bool keepRows);
  void RelayoutRowsNow(bool wrap, bool redraw, bool keepRows);
  bool relayoutBusy_ = false;   // a whole-text relayout runs (its progress handler may
  bool sizeWhileBusy_ = false;  // let a size change in, which waits for it)
  int pendingWidth_ = 0, pendingHeight_ = 0;
  bool paintWhileBusy_ = false;
  // A find or replace runs; its progress handler may let the window repaint, and a size
  // change meanwhile, which would cut the rows anew under the search, waits for its end.
  bool findBusy_ = false;
  struct FindBusyScope;
  friend class TLumoEditTestAccess;

  // ---- Rendering helpers (LumoEditPaint.cpp, LumoEditUrls.cpp) ----
  // Top pixel of a row's band on the canvas.
  int RowTop(std::int32_t row) const { return TopMargin + (row - TopRow) * LineHeight; }
  // Text colour of a row by the quoted-line rule, judged by the row's first character.
  TColor RowTextColor(std::string_view text);
  // OnUserDraw for the columns in view, then the canvas set up again for the control.
  void FireUserDraw();
  // The line-end arrow with its lower end at (x + 4, y + MarkBottom).
  void DrawArrow(int x, int y, TColor color);
  // Every visible row drawn selected (the select-all state), then OnSelectionChange.
  void DrawAllSelected();
  // URL carry-over at the start of the last row DrawUrls coloured, kept only while one
  // DrawSelection runs, so its per-segment calls do not rescan the whole logical line.
  struct UrlCarryCache {
    bool on = false;
    std::int32_t row = -1;
    bool inUrl = false, inTag = false, afterTag = false;
  } urlCarryCache_;
  // The carry-over at the start of the first row DrawUrls last coloured, kept until a row at
  // or before it changes (the code that writes rows forgets it): the redraw after an edit in
  // a long line then does not scan the line from its start.
  UrlCarryCache urlCarryKnown_;
  void ForgetUrlCarryFrom(std::int32_t row) {
    if (row <= urlCarryKnown_.row) urlCarryKnown_ = UrlCarryCache{};
  }
  // Horizontal extent in which dotted strokes set pixels.
  int dotClipLeft_ = -2147483647 - 1;
  int dotClipRight_ = 2147483647;

 public:
  void ResetWidthCache();
};

}  // namespace quiret
