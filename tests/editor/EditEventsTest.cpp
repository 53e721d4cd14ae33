// What the host sees while text is edited: the modified, redo, insert-mode and change
// events, the undo budget, reconversion, scrolling that carries the caret, and the pixels.
#include <algorithm>

#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class EditEvents : public EditorFixture {
 protected:
  void SetUp() override {
    Create();
    edit.OnChangeModify = [this](TLumoEdit*, bool v) { log += v ? "M+" : "M-"; };
    edit.OnChangeRedoMode = [this](TLumoEdit*, bool v) { log += v ? "R+" : "R-"; };
    edit.OnChangeInsMode = [this](TLumoEdit*, bool v) { log += v ? "I+" : "I-"; };
    edit.OnChange = [this](TLumoEdit*) { log += "C"; };
    log.clear();
  }
  void Load(int lines) {
    std::vector<std::string> text;
    for (int i = 0; i < lines; ++i) text.push_back("line" + std::to_string(i));
    SetLines(text);
    edit.ApplySettings();
  }
  std::string log;
};

TEST_F(EditEvents, ModifiedAndRedoFollowTheHistory) {
  edit.WmChar('a');
  edit.WmChar('b');
  edit.Undo();
  edit.Undo();
  edit.Undo();  // nothing left: no event at all
  edit.WmChar('c');
  EXPECT_EQ(log, "M+CCCR+M-CM+R-C");
  EXPECT_TRUE(edit.RedoList.empty());  // a new change empties the redo list
}

TEST_F(EditEvents, RedoRunsOnlyWhileUndoneStepsWait) {
  edit.WmChar('a');
  edit.WmChar('b');
  edit.Undo();
  edit.Undo();
  edit.ReadOnly = true;
  Key('Y', false, true);  // refused while read-only
  edit.ReadOnly = false;
  Key('Y', false, true);
  Key('Y', false, true);
  Key('Y', false, true);  // nothing left: no event at all
  EXPECT_EQ(log, "M+CCCR+M-CM+CCR-");
  // Without a handler there is no redo state, so nothing is redone over a changed text.
  edit.OnChangeRedoMode = nullptr;
  edit.Undo();
  edit.Redo();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"a" + Eot()}));
}

TEST_F(EditEvents, RefusedEditsFireNothing) {
  Key(VK_BACK);       // Backspace at (0, 0)
  Key(VK_DELETE);     // Delete before the end marker
  edit.WmChar(0x82);  // a lead byte as a character
  edit.WmChar(0x1F);  // a control code
  win.ctrlDown = true;
  edit.WmChar('a');  // anything typed with Ctrl held
  win.ctrlDown = false;
  edit.ReadOnly = true;
  edit.WmChar('a');
  edit.WmImeResult("\x82\xa0");
  Key(VK_RETURN);
  Key(VK_TAB);
  Key('Z', false, true);
  EXPECT_EQ(log, "");
  EXPECT_EQ(Rows(), (std::vector<std::string>{Eot()}));
  Key(VK_INSERT);  // the Insert toggle still works when read-only
  Key(VK_INSERT);
  EXPECT_EQ(log, "I-I+");
}

TEST_F(EditEvents, UndoBudget) {
  struct Case {
    int budget;
    const char* typed;
    const char* paste;
    std::size_t recordsLeft;
    bool modifiedAfterUndoingAll;
  };
  const Case cases[] = {
      {0, "ab", nullptr, 0, true},       // nothing recorded, ever
      {3, "abcd", nullptr, 3, true},     // the oldest dropped
      {4, "abcd", nullptr, 4, false},    // all kept
      {4, "ab", "0123456789", 0, true},  // a paste longer than the budget drops the rest
      {1015808, "ab", "01234", 3, false},
  };
  for (const Case& c : cases) {
    edit.ClearText();
    edit.UndoBuf = c.budget;
    for (const char* p = c.typed; *p; ++p) edit.WmChar(static_cast<unsigned char>(*p));
    if (c.paste) {
      clip.PutFromOutside(c.paste);
      edit.PasteFromClipboard();
    }
    EXPECT_EQ(edit.UndoList.size(), c.recordsLeft) << c.budget << c.typed;
    EXPECT_LE(edit.UndoBytes, c.budget);
    while (!edit.UndoList.empty()) edit.Undo();
    EXPECT_EQ(edit.GetModified(), c.modifiedAfterUndoingAll) << c.budget << c.typed;
  }
}

TEST_F(EditEvents, AnOverwriteRecordLeftAloneIsDroppedAndTheTextStaysModified) {
  SetLines({"xyz"});
  edit.UndoList.push_front(UndoRecord{ukOverwrite, 0, 0, "q"});
  edit.UndoBytes = 1;
  edit.Undo();
  EXPECT_TRUE(edit.UndoList.empty());
  EXPECT_TRUE(edit.GetModified());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"xyz" + Eot()}));
}

TEST_F(EditEvents, CopyThatTheClipboardRefusesIsReportedAndChangesNothing) {
  SetLines({"abc"});
  clip.PutFromOutside("old");
  Key(VK_RIGHT, true);
  clip.failNextSet = true;
  Key('C', false, true);
  EXPECT_EQ(win.messages, (std::vector<std::string>{"Error:OC003"}));
  EXPECT_EQ(clip.GetText(), "old");
  EXPECT_TRUE(edit.SelActive);
  Key(VK_RIGHT, true);
  Key(VK_LEFT, true);
  Key(VK_LEFT, true);  // back to an empty selection: copying it leaves the clipboard alone
  Key('C', false, true);
  EXPECT_EQ(clip.GetText(), "old");
  EXPECT_EQ(clip.SetCount(), 0);
}

TEST_F(EditEvents, UndoEndsASelectionBeforeUndoing) {
  SetLines({"abc"});
  edit.WmChar('x');
  Key(VK_LEFT, true);  // Shift+Left selects the x
  ASSERT_TRUE(edit.SelActive);
  edit.Undo();
  EXPECT_FALSE(edit.SelActive);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"abc" + Eot()}));
  EXPECT_EQ(edit.AnchorCol, edit.CaretCol);
}

TEST_F(EditEvents, ReconversionPutsTheCaretAtTheSelectionStart) {
  int fired = 0;
  edit.OnIMEReConvert = [&](TLumoEdit*) { ++fired; };
  SetLines({"abcdef"});
  win.convertKeyDown = true;
  Key(VK_CONVERT);  // no selection: nothing
  EXPECT_EQ(fired, 0);
  Key(VK_RIGHT, true);
  Key(VK_RIGHT, true);  // selected left to right: the ends swap
  Key(VK_CONVERT);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(std::make_pair(edit.CaretCol, edit.AnchorCol), std::make_pair(0, 2));
  Key(VK_CONVERT);  // now right to left: no swap
  EXPECT_EQ(std::make_pair(edit.CaretCol, edit.AnchorCol), std::make_pair(0, 2));
  edit.WmImeStartComposition();
  Key(VK_CONVERT);  // while composing: nothing
  EXPECT_EQ(fired, 2);
}

TEST_F(EditEvents, HoldingDownAtTheBottomAcceleratesAfterFourScrolls) {
  Load(200);  // 24 visible rows, margin 5: scrolling starts on row 19
  for (int i = 0; i < 19; ++i) Key(VK_DOWN);
  ASSERT_EQ(edit.TopRow, 0);
  std::vector<int> tops;
  for (int i = 0; i < 7; ++i) {
    edit.WmKeyDown(VK_DOWN, 0);  // repeats without a key up
    tops.push_back(edit.TopRow);
  }
  EXPECT_EQ(tops, (std::vector<int>{1, 2, 3, 4, 6, 8, 10}));
  EXPECT_EQ(edit.CaretRow - edit.TopRow, 19);  // the caret moved with the view
  edit.WmKeyUp(VK_DOWN, 0);
  EXPECT_EQ(edit.ScrollRepeat, 0);
}

TEST_F(EditEvents, EnterOnTheLastVisibleRowScrollsOnceWithoutMovingTheCaretTwice) {
  Load(60);
  for (int i = 0; i < 19; ++i) Key(VK_DOWN);
  Key(VK_END);
  Key(VK_RETURN);
  EXPECT_EQ(edit.CaretRow, 20);
  EXPECT_EQ(edit.TopRow, 1);
  EXPECT_EQ(edit.CaretCol, 0);
}

TEST_F(EditEvents, WheelCarriesTheCaretAndKeepsOnlyShiftOrSelectAllSelections) {
  Load(100);
  edit.WmMouseWheel(-240, 0);  // two notches: four rows
  EXPECT_EQ(edit.TopRow, 4);
  EXPECT_EQ(edit.CaretRow, 4);
  Key(VK_RIGHT, true);
  edit.WmMouseWheel(-120, 0);
  EXPECT_FALSE(edit.SelActive);  // a plain scroll ends a selection
  Key(VK_RIGHT, true);
  win.shiftDown = true;
  edit.WmMouseWheel(-120, 0);
  win.shiftDown = false;
  EXPECT_TRUE(edit.SelActive);  // with Shift it grows
  EXPECT_EQ(edit.CaretRow, 8);
  Key('A', false, true);  // Ctrl+A
  edit.WmMouseWheel(120, 0);
  edit.WmVScroll(SB_THUMBTRACK, 30);
  EXPECT_TRUE(edit.AllSelected);  // scrolling keeps select-all
  Key(VK_NEXT);
  EXPECT_FALSE(edit.AllSelected);  // Page Down, a key, ends it
  edit.WmMouseWheel(60, 0);        // less than a notch does nothing
  EXPECT_EQ(edit.TopRow, 30 + 24);
}

TEST_F(EditEvents, HorizontalFollowEndsAlsoInATextAreaNarrowerThanTheMargins) {
  edit.SetWordWrap(false);
  SetLines({std::string(200, 'a'), "b"});
  edit.ApplySettings();
  Key(VK_END);  // End on a row wider than the view scrolls right
  EXPECT_GT(edit.HorzOffset, 0);
  EXPECT_LE(edit.CaretX, edit.TextAreaWidth);
  Key(VK_HOME);
  EXPECT_EQ(edit.HorzOffset, 0);
  win.Resize(15, 400);  // five pixels of text area, less than the scroll margin
  for (int i = 0; i < 5; ++i) Key(VK_RIGHT);
  edit.WmChar('x');
  EXPECT_EQ(edit.CaretCol, 6);
}

TEST_F(EditEvents, InputMethodLineBreaksOfAnyStyleBecomeRows) {
  edit.WmImeResult(std::string("a\rb\nc\r\n\x82\n", 10));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"a\r\n", "b\r\n", "c\r\n", "\x82\r\n", Eot()}));
  EXPECT_EQ(edit.Lines->CheckInvariant(), "");
}

TEST_F(EditEvents, AWindowLowerThanARowScrollsNowhere) {
  Load(30);
  for (int h : {0, 3, 10}) {
    win.Resize(600, h);
    EXPECT_EQ(edit.VisibleRows, 0);
    edit.WmMouseWheel(-1200, 0);
    Key(VK_NEXT);
    EXPECT_LE(edit.TopRow, edit.Lines->Count() - 1) << h;
    EXPECT_LE(edit.CaretRow, edit.Lines->Count() - 1) << h;
  }
}

TEST_F(EditEvents, ATextAreaAFewPixelsWideNeverScrollsPastTheLeftEdge) {
  edit.SetWordWrap(false);
  SetLines({"abcdefgh", "ij"});
  edit.ApplySettings();
  for (int w : {10, 11, 12, 13, 14, 15, 20}) {
    win.Resize(w, 400);
    for (int vk : {VK_RIGHT, VK_DOWN, VK_END, VK_UP, VK_HOME}) {
      Key(vk);
      edit.ShowPosition(edit.CaretCol, edit.CaretRow, ScrollKind::Follow, true);
      ASSERT_GE(edit.HorzOffset, 0) << w << " " << vk;
    }
  }
}

TEST_F(EditEvents, TypedTextIsDrawnAtOnce) {
  SetLines({"ab"});
  edit.RedrawAll();
  win.surface.Clear();
  Key(VK_RIGHT);
  edit.WmChar('x');
  const std::vector<std::string> drawn = win.surface.TextsAt(edit.TopMargin);
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), "axb"), drawn.end());
  EXPECT_EQ(win.caretPos.x, edit.TextLeft + 16);
}

// A selection grown and shrunk back to the start of a row holds nothing: pressing on that row
// or the row above places the caret and dragging selects, it does not drag nothing away.
TEST_F(EditEvents, AnEmptySelectionAtARowStartIsNoTextToDrag) {
  Load(5);
  edit.ShowPosition(0, 2, ScrollKind::Follow, true);
  Key(VK_DOWN, true);
  Key(VK_UP, true);
  ASSERT_TRUE(edit.SelActive);
  log.clear();
  for (const int row : {2, 1}) {
    edit.WmMouseDown(MB_LEFT, 0, edit.TextLeft + 3 * 8, edit.TopMargin + row * 16 + 8);
    EXPECT_FALSE(edit.TextDragging) << row;
    edit.WmMouseMove(0, edit.TextLeft + 5 * 8, edit.TopMargin + 3 * 16 + 8);
    edit.WmMouseUp(MB_LEFT, 0, edit.TextLeft + 5 * 8, edit.TopMargin + 3 * 16 + 8);
    EXPECT_EQ(std::make_pair(edit.AnchorCol, edit.AnchorRow), std::make_pair(3, row));
    EXPECT_EQ(std::make_pair(edit.CaretCol, edit.CaretRow), std::make_pair(5, 3));
    EXPECT_TRUE(edit.SelActive);
    edit.ShowPosition(0, 2, ScrollKind::Follow, true);
    Key(VK_DOWN, true);
    Key(VK_UP, true);
  }
  EXPECT_EQ(log, "");  // nothing changed
}

}  // namespace
}  // namespace quiret
