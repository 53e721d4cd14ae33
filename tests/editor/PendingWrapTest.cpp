// The rest of a long line left uncut after an edit is never seen: two controls get the same
// events, one cutting every line whole after an edit, the other leaving all but a few rows
// pending; they agree on the text, the caret, the selection and the view after every event,
// and on every row once the pending part is cut.
#include <random>

#include "editor/LumoEditSub.h"
#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class PendingWrap : public EditorFixture, public ::testing::WithParamInterface<int> {
 protected:
  // The second control, with a re-wrap budget of a few rows.
  TestEditorWindow win2;
  TestClipboard clip2;
  TLumoEdit lazy{win2, &clip2};

  void SetUpBoth(const std::vector<std::string>& lines, int column) {
    Create();
    TFont f;
    f.Name = "ＭＳ ゴシック";
    f.SetSize(12);
    lazy.SetFont(f);
    lazy.ApplySettings();
    SetLines(lines);
    std::vector<std::string> rows;
    for (std::int32_t r = 0; r < edit.Lines->Count(); ++r) rows.emplace_back(edit.Lines->Get(r));
    LoadRowsInto(lazy, rows);
    for (TLumoEdit* e : {&edit, &lazy}) {
      e->SetColumn(column);
      e->SetWordWrap(true);
      e->ApplySettings();
      e->MoveToTextStart();
    }
    TLumoEditTestAccess::SetWrapBudget(edit, std::size_t(1) << 40, 8192);  // never pending
    TLumoEditTestAccess::SetWrapBudget(lazy, 1, 3);
  }

  void BothKey(int vk, bool shift = false, bool ctrl = false) {
    for (TestEditorWindow* w : {&win, &win2}) {
      w->shiftDown = shift;
      w->ctrlDown = ctrl;
    }
    for (TLumoEdit* e : {&edit, &lazy}) {
      e->WmKeyDown(vk, (shift ? SS_SHIFT : 0) | (ctrl ? SS_CTRL : 0));
      e->WmKeyUp(vk, 0);
    }
    win.shiftDown = win.ctrlDown = win2.shiftDown = win2.ctrlDown = false;
  }

  static std::string Bytes(const TLumoEdit& e) {
    std::string all;
    for (std::int32_t r = 0; r < e.Lines->Count(); ++r) all.append(e.Lines->Get(r));
    return all;
  }

  // The two agree on all a user can see; the lazy one's rows before its seam are the rows.
  void Compare(const std::string& what) {
    ASSERT_EQ(lazy.CheckInvariant(), "") << what;
    ASSERT_EQ(Bytes(lazy), Bytes(edit)) << what;
    ASSERT_EQ(lazy.ToLine({lazy.CaretCol, lazy.CaretRow}), edit.ToLine({edit.CaretCol, edit.CaretRow}))
        << what;
    ASSERT_EQ(lazy.ToLine({lazy.AnchorCol, lazy.AnchorRow}), edit.ToLine({edit.AnchorCol, edit.AnchorRow}))
        << what;
    ASSERT_EQ(lazy.HasSelection(), edit.HasSelection()) << what;
    ASSERT_EQ(lazy.CaretRow, edit.CaretRow) << what;
    ASSERT_EQ(lazy.TopRow, edit.TopRow) << what;
    const std::int32_t seam = TLumoEditTestAccess::Pending(lazy).first;
    const std::int32_t same = seam >= 0 ? seam : edit.Lines->Count();
    ASSERT_TRUE(seam >= 0 || lazy.Lines->Count() == edit.Lines->Count()) << what;
    for (std::int32_t r = 0; r < same; ++r)
      ASSERT_EQ(lazy.Lines->Get(r), edit.Lines->Get(r)) << what << " row " << r;
  }
};

TEST_P(PendingWrap, AControlLeavingLinesPendingShowsWhatOneCuttingThemWholeShows) {
  std::mt19937 rng(static_cast<unsigned>(GetParam()));
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  // A few long lines (hundreds of rows) of ASCII, double-byte characters and tabs.
  const char* const pieces[] = {"abc ", "\x8a\xbf\x8e\x9a", "\t", "x.y", "\xb1\xb2", "  ", "http://q.jp "};
  std::vector<std::string> lines;
  for (int i = 0, n = 2 + pick(3); i < n; ++i) {
    std::string line;
    for (int k = pick(4) == 0 ? pick(5) : 1500 + pick(2000); k > 0; --k) line += pieces[pick(7)];
    lines.push_back(line);
  }
  SetUpBoth(lines, 10 + pick(30));
  Compare("start");
  clip.PutFromOutside("pasted \x82\xa0 text");
  clip2.PutFromOutside("pasted \x82\xa0 text");
  const int moves[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT};
  int pendingSeen = 0;
  for (int step = 0; step < 400; ++step) {
    const int kind = pick(24);
    const std::string what = "step " + std::to_string(step) + " kind " + std::to_string(kind);
    if (kind < 6) {
      BothKey(moves[pick(8)], pick(5) == 0, pick(20) == 0);  // with Ctrl: text ends and words
    } else if (kind < 10) {
      const unsigned char ch = static_cast<unsigned char>("aZ 9\xb1"[pick(5)]);
      edit.WmChar(ch);
      lazy.WmChar(ch);
    } else if (kind < 11) {
      const char* text = pick(2) ? "\x82\xa0\x82\xa2" : "ab\r\ncd";
      edit.WmImeResult(text);
      lazy.WmImeResult(text);
    } else if (kind < 13) {
      BothKey(pick(2) ? VK_BACK : VK_DELETE);
    } else if (kind < 14) {
      BothKey(pick(2) ? VK_RETURN : VK_INSERT);  // Enter; Insert toggles overwrite
    } else if (kind < 16) {
      BothKey(pick(3) ? 'Z' : 'Y', false, true);  // undo, redo
    } else if (kind < 17) {
      BothKey("CXVA"[pick(4)], false, true);
    } else if (kind < 18) {
      const int delta = pick(2) ? 120 : -120;
      edit.WmMouseWheel(delta, 0);
      lazy.WmMouseWheel(delta, 0);
    } else if (kind < 19) {
      const int code = pick(8), pos = pick(200);
      edit.WmVScroll(code, pos);
      lazy.WmVScroll(code, pos);
    } else if (kind < 20) {
      const int x = pick(600), y = pick(400);
      for (TLumoEdit* e : {&edit, &lazy}) {
        e->WmMouseDown(MB_LEFT, 0, x, y);
        e->WmMouseUp(MB_LEFT, 0, x, y);
      }
    } else if (kind < 21) {
      TFindOptions options;
      const bool back = pick(2);
      edit.FindText("q.jp", options, back);
      lazy.FindText("q.jp", options, back);
    } else {
      // Idle time: only the lazy control has work for its timer.
      for (int k = pick(4); k > 0 && win2.timerRunning; --k) lazy.WmTimer();
    }
    pendingSeen += TLumoEditTestAccess::Pending(lazy).first >= 0;
    Compare(what);
  }
  lazy.FinishPendingWrap();
  ASSERT_EQ(lazy.CheckInvariant(), "");
  std::vector<std::string> lazyRows;
  for (std::int32_t r = 0; r < lazy.Lines->Count(); ++r) lazyRows.emplace_back(lazy.Lines->Get(r));
  EXPECT_EQ(lazyRows, Rows());
  EXPECT_GT(pendingSeen, 20);  // the lazy control did leave parts pending
}

INSTANTIATE_TEST_SUITE_P(Seeds, PendingWrap, ::testing::Range(1, 9));

// Overwriting reads only the rows it types over: in wrapped rows it changes the same bytes
// as in the unwrapped line, the caret ends at the same place, and undo gives the text back.
TEST_F(PendingWrap, OverwriteInWrappedRowsChangesWhatItChangesInTheWholeLine) {
  std::mt19937 rng(5);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  const char* const pieces[] = {"ab",
                                "\x82\xa0",
                                "\t",
                                "c",
                                "\xb1",
                                "\x81\x40"
                                "d"};
  const char* const typed[] = {"x", "\xb1", "\x82\xa2", "yz", "\x83\x41\x83\x43q"};
  Create();
  int crossed = 0;
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<std::string> lines(1 + pick(3));
    for (std::string& line : lines)
      for (std::size_t k = pick(40); k > 0; --k) line += pieces[pick(6)];
    SetUpBoth(lines, 6 + static_cast<int>(pick(8)));
    lazy.SetWordWrap(false);
    const std::string original = Bytes(edit);
    // A caret place on a character boundary of some line, the same in both controls.
    const auto line = static_cast<std::int32_t>(pick(lines.size()));
    std::vector<std::int32_t> starts{0};
    for (std::size_t at = 0; at < lines[line].size();)
      starts.push_back(static_cast<std::int32_t>(at += CharLenFrom(lines[line], at)));
    const LinePos place{starts[pick(starts.size())], line};
    const RowPos row = edit.ToRow(place);
    edit.ShowPosition(row.Col, row.Row, ScrollKind::Follow, true);
    lazy.ShowPosition(place.Offset, place.Line, ScrollKind::Follow, true);
    const std::string text = typed[pick(5)];
    crossed += edit.ToRow(LinePos{place.Offset + static_cast<std::int32_t>(text.size()), line}).Row > row.Row;
    for (TLumoEdit* e : {&edit, &lazy}) {
      e->InsertMode = false;
      e->WmImeResult(text);
    }
    const std::string what = "trial " + std::to_string(trial);
    ASSERT_EQ(edit.CheckInvariant(), "") << what;
    ASSERT_EQ(Bytes(edit), Bytes(lazy)) << what;
    ASSERT_EQ(edit.ToLine({edit.CaretCol, edit.CaretRow}), lazy.ToLine({lazy.CaretCol, lazy.CaretRow}))
        << what;
    edit.Undo();
    ASSERT_EQ(Bytes(edit), original) << what;
  }
  EXPECT_GT(crossed, 30);  // many overwrites ran over the end of the caret's row
}

// The control's one timer: idle ticks cut the pending rows in slices and stop when nothing is
// left; a pointer gesture takes the timer over for auto-scroll and hands it back.
TEST_F(PendingWrap, IdleTicksCutThePendingRowsAndTheTimerStopsAfterThem) {
  SetUpBoth({Repeat("abcdefgh ", 2000), "end"}, 20);
  TLumoEditTestAccess::SetWrapBudget(lazy, 4, 50);
  for (TLumoEdit* e : {&edit, &lazy}) e->WmChar('x');
  ASSERT_GE(TLumoEditTestAccess::Pending(lazy).first, 0);
  EXPECT_TRUE(win2.timerRunning);
  EXPECT_EQ(win2.timerInterval, 1);
  lazy.WmMouseDown(MB_LEFT, 0, 30, 30);  // auto-scroll's timer, which also cuts
  EXPECT_EQ(win2.timerInterval, lazy.AutoScrollTimerInterval);
  const std::int32_t before = TLumoEditTestAccess::Pending(lazy).first;
  lazy.WmTimer();
  EXPECT_GT(TLumoEditTestAccess::Pending(lazy).first, before);
  lazy.WmMouseUp(MB_LEFT, 0, 30, 30);
  edit.WmMouseDown(MB_LEFT, 0, 30, 30);
  edit.WmMouseUp(MB_LEFT, 0, 30, 30);
  EXPECT_TRUE(win2.timerRunning);
  EXPECT_EQ(win2.timerInterval, 1);
  int ticks = 0;
  for (; TLumoEditTestAccess::Pending(lazy).first >= 0 && ticks < 1000; ++ticks) {
    lazy.WmTimer();
    ASSERT_EQ(lazy.CheckInvariant(), "");
  }
  EXPECT_GT(ticks, 10);             // in slices,
  EXPECT_FALSE(win2.timerRunning);  // and the tick that cuts the last stops the timer
  Compare("after the ticks");
  EXPECT_EQ(lazy.Lines->Count(), edit.Lines->Count());
}

}  // namespace
}  // namespace quiret
