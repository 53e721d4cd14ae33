// Editor state: a new control, property clamps and setter effects, events, window creation,
// focus and caret.
#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class StateTest : public EditorFixture {};

TEST_F(StateTest, NewControlHoldsOneEndMarkerRow) {
  ASSERT_EQ(edit.Lines->Count(), 1);
  EXPECT_EQ(edit.Lines->Get(0), Eot());
  EXPECT_EQ(edit.CaretRow, 0);
  EXPECT_EQ(edit.CaretCol, 0);
  EXPECT_FALSE(edit.GetModified());
  EXPECT_EQ(win.Client(), &edit);
  EXPECT_EQ(edit.GetFont().Name, "FixedSys");
  EXPECT_EQ(edit.GetFont().Size(), 14);
  EXPECT_EQ(edit.Column, 72);
  EXPECT_EQ(edit.TabCount, 6);
  EXPECT_TRUE(edit.WordWrap);
  EXPECT_FALSE(edit.AutoWrap);
}

TEST_F(StateTest, SettersClampTheirValues) {
  edit.SetTabCount(0);
  EXPECT_EQ(edit.TabCount, 1);
  edit.SetTabCount(12);
  EXPECT_EQ(edit.TabCount, 8);
  edit.SetColumn(3);
  EXPECT_EQ(edit.Column, 10);
  edit.SetLineSpace(-4);
  EXPECT_EQ(edit.LineSpace, 0);
  edit.SetLineSpace(250);
  EXPECT_EQ(edit.LineSpace, 100);
  edit.SetTopMargin(-1);
  EXPECT_EQ(edit.TopMargin, 0);
  edit.SetLeftMargin(31);
  EXPECT_EQ(edit.LeftMargin, 30);
  edit.SetLineNoColumn(0);
  EXPECT_EQ(edit.LineNoColumn, 1);
  edit.SetLineNoColumn(9);
  EXPECT_EQ(edit.LineNoColumn, 5);
}

TEST_F(StateTest, SystemColoursAreResolvedWhenSet) {
  edit.SetSelColor(0x8000000D);
  EXPECT_EQ(edit.SelColor, 0xD77800u);
  win.systemColors[13] = 0x123456;  // a later change of the system colour is not followed
  EXPECT_EQ(edit.SelColor, 0xD77800u);
  edit.SetCREOFcolor(0x80000008);
  EXPECT_EQ(edit.CREOFcolor, 0u);
  edit.SetURLColor(0x80000005);
  EXPECT_EQ(edit.URLColor, 0xFFFFFFu);
  TFont f = edit.GetFont();
  f.Color = 0x8000000F;
  edit.SetFont(f);
  EXPECT_EQ(edit.GetFont().Color, 0xF0F0F0u);
}

TEST_F(StateTest, ColorRedrawsAtOnceOtherColoursWait) {
  Create();
  SetLines({"hello"});
  win.surface.Clear();
  edit.SetURLColor(0x0000FF);
  edit.SetInyoColor(0x00FF00);
  EXPECT_TRUE(win.surface.calls.empty());
  edit.SetColor(0x00FFFF);
  auto texts = win.surface.Calls(SurfaceCall::TextOut);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front().back, 0x00FFFFu);
  EXPECT_EQ(edit.Color, 0x00FFFFu);
}

TEST_F(StateTest, FontChangeWaitsForApplySettings) {
  Create();
  ASSERT_EQ(edit.CharHeight, 16);
  TFont big = edit.GetFont();
  big.Height = -24;
  edit.SetFont(big);
  win.surface.Clear();
  win.Paint();
  EXPECT_EQ(win.surface.Font().Height, 16);
  EXPECT_EQ(edit.CharHeight, 16);
  for (const SurfaceCall& c : win.surface.Calls(SurfaceCall::SetFont)) EXPECT_EQ(c.font.Height, 16);
  edit.ApplySettings();
  EXPECT_EQ(win.surface.Font().Height, 24);
  EXPECT_EQ(edit.CharHeight, 24);
  EXPECT_EQ(edit.LineHeight, 24);
  EXPECT_EQ(edit.VisibleRows, 396 / 24);
}

TEST_F(StateTest, WindowCreationTakesTheFontMetrics) {
  Create();
  EXPECT_EQ(edit.LogFont.Height, 16);
  EXPECT_EQ(edit.LogFont.CharSet, 1);
  EXPECT_EQ(edit.LogFont.PitchAndFamily, 1);
  EXPECT_EQ(edit.LogFont.Weight, 0);
  EXPECT_EQ(edit.LogFont.FaceName, "ＭＳ ゴシック");
  EXPECT_EQ(edit.CharWidth, 8);
  EXPECT_EQ(edit.CharHeight, 16);
  EXPECT_EQ(edit.LineHeight, 16);
  EXPECT_EQ(edit.MarkBottom, 13);  // [12.8]
  EXPECT_EQ(edit.MarkTop, 3);      // [3.2]
  EXPECT_EQ(edit.NoWrapColumns, 2047);
  EXPECT_EQ(edit.DblSpaceWidth, 16);
  EXPECT_EQ(edit.DblSpaceHeight, 16);
  EXPECT_EQ(win.styleCalls, 1);
  EXPECT_TRUE(win.style.vertScrollBar);
  EXPECT_FALSE(win.style.horzScrollBar);
  EXPECT_FALSE(win.style.border);
  EXPECT_EQ(edit.VScrollBarSpace, 16);
  EXPECT_EQ(edit.HScrollBarSpace, 0);
}

TEST_F(StateTest, TallFontsKeepTheirMarkOffsets) {
  TFont f;
  f.Name = "Tall";
  f.Height = -400;
  edit.SetFont(f);
  edit.ApplySettings();
  EXPECT_EQ(edit.MarkBottom, 320);
  EXPECT_EQ(edit.MarkTop, 80);
}

TEST_F(StateTest, LineSpaceRoundsHalvesToEven) {
  TFont f;
  f.Name = "Mono";
  f.Height = -18;
  edit.SetFont(f);
  edit.ApplySettings();
  edit.SetLineSpace(25);  // 18 * 0.25 = 4.5 -> 4
  EXPECT_EQ(edit.LineHeight, 22);
  EXPECT_EQ(edit.VisibleRows, 396 / 22);
  EXPECT_EQ(edit.VertScrollMargin, (396 / 22 + 4) / 5);
  f.Height = -14;
  edit.SetFont(f);
  edit.ApplySettings();
  edit.SetLineSpace(25);  // 14 * 0.25 = 3.5 -> 4
  EXPECT_EQ(edit.LineHeight, 18);
}

TEST_F(StateTest, StateResetReportsUnmodifiedEveryTime) {
  Create();
  std::vector<bool> modify, redo;
  edit.OnChangeModify = [&](TLumoEdit* sender, bool v) {
    EXPECT_EQ(sender, &edit);
    modify.push_back(v);
  };
  edit.OnChangeRedoMode = [&](TLumoEdit*, bool v) { redo.push_back(v); };
  edit.ClearText();
  EXPECT_EQ(modify, std::vector<bool>{false});
  edit.SetModified(true);
  edit.RedoMode = true;
  edit.ClearText();
  EXPECT_EQ(modify, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(redo, (std::vector<bool>{false, false}));
  EXPECT_FALSE(edit.GetModified());
  EXPECT_FALSE(edit.RedoMode);
}

TEST_F(StateTest, ClearTextEmptiesAndResets) {
  Create();
  SetLines({"one", "two", "three"});
  edit.CaretRow = 2;
  edit.CaretCol = 3;
  edit.TopRow = 1;
  edit.SelActive = true;
  edit.ClearText();
  EXPECT_EQ(edit.Lines->Count(), 1);
  EXPECT_EQ(edit.Lines->Get(0), Eot());
  EXPECT_EQ(edit.CaretRow, 0);
  EXPECT_EQ(edit.CaretCol, 0);
  EXPECT_EQ(edit.TopRow, 0);
  EXPECT_FALSE(edit.SelActive);
  EXPECT_EQ(win.vert.pos, 0);
  EXPECT_EQ(win.horz.pos, 0);
  EXPECT_EQ(win.caretPos, (TPoint{10, 4}));
}

TEST_F(StateTest, SelectionChangeFiresOnlyWhenTheCaretMoved) {
  Create();
  SetLines({"abcdef"});
  int fired = 0;
  edit.OnSelectionChange = [&](TLumoEdit* sender) {
    EXPECT_EQ(sender, &edit);
    ++fired;
  };
  edit.UpdateCaret();
  EXPECT_EQ(fired, 0);
  edit.ShowPosition(3, 0, ScrollKind::Follow, true);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(edit.NotifiedCol, 3);
  EXPECT_EQ(edit.NotifiedX, 24);
  edit.UpdateCaret();
  EXPECT_EQ(fired, 1);
  edit.CaretX = 30;  // x alone counts as a change
  edit.UpdateCaret();
  EXPECT_EQ(fired, 2);
}

TEST_F(StateTest, CaretScrolledOutLeftSitsJustOutsideTheWindow) {
  Create();
  win.SetFocus();
  edit.CaretX = -20;
  edit.UpdateCaret();
  EXPECT_EQ(win.caretPos.x, -5);
  ASSERT_FALSE(win.compositions.empty());
  EXPECT_EQ(win.compositions.back().x, -20 + 10);
  edit.CaretX = 0;
  edit.CaretRow = 2;
  edit.UpdateCaret();
  EXPECT_EQ(win.caretPos, (TPoint{10, 4 + 32}));
  EXPECT_EQ(edit.CaretY, 32);
}

TEST_F(StateTest, FocusCreatesACaretOfTheCharacterHeight) {
  Create();
  edit.SetLineSpace(50);
  win.SetFocus();
  EXPECT_TRUE(win.caretCreated);
  EXPECT_EQ(win.caretWidth, 2);
  EXPECT_EQ(win.caretHeight, 16);
  EXPECT_EQ(win.caretShowCount, 1);
  EXPECT_EQ(win.caretPos, (TPoint{10, 4}));
  ASSERT_FALSE(win.compositions.empty());
  EXPECT_EQ(win.compositions.back().font, edit.LogFont);
  win.KillFocus();
  EXPECT_FALSE(win.caretCreated);
  EXPECT_EQ(win.caretLog.back(), "destroy");
}

TEST_F(StateTest, WordWrapSetterRelaysTheText) {
  Create();
  SetLines({Repeat("q", 100)});
  edit.SetWordWrap(false);  // rows are whole lines already: nothing changes but the state
  EXPECT_FALSE(edit.WordWrap);
  edit.SetWordWrap(true);
  EXPECT_EQ(edit.Lines->Count(), 2);
  EXPECT_EQ(edit.Lines->Get(0).size(), 72u);
  edit.SetColumn(50);
  EXPECT_EQ(edit.Lines->Count(), 3);  // 50, 50, then the end marker alone
  EXPECT_EQ(edit.Lines->Get(0).size(), 50u);
}

}  // namespace
}  // namespace quiret
