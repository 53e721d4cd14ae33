// Long random sequences of keys, typed and input-method text, scrolling and undo: the row
// model, the caret and the selection stay sound after every event, and undoing everything
// gives back the original bytes.
#include <random>

#include "editor/LumoEditSub.h"
#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class EditRandom : public EditorFixture, public ::testing::WithParamInterface<int> {
 protected:
  void Check(const std::string& what) { ASSERT_EQ(edit.CheckInvariant(), "") << what; }
};

TEST_P(EditRandom, EveryEventKeepsTheRowsAndCaretSoundAndUndoRestoresTheText) {
  const int seed = GetParam();
  std::mt19937 rng(static_cast<unsigned>(seed));
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  Create();
  const bool wrap = seed % 2 == 0;
  // Short lines of ASCII, double-byte characters, tabs and hostile lead bytes.
  const char* const pieces[] = {"abc ", "\x8a\xbf\x8e\x9a", "\t", "\x82\xa0\x82\xa2", "x.y",
                                "\x81", "\xb1\xb2",         "  "};
  std::vector<std::string> lines;
  for (int i = 0; i < 30; ++i) {
    std::string line;
    for (int k = pick(12); k > 0; --k) line += pieces[pick(8)];
    lines.push_back(line);
  }
  SetLines(lines);
  if (wrap) {
    edit.SetColumn(12);
    edit.SetWordWrap(true);
  }
  edit.ApplySettings();
  edit.MoveToTextStart();
  const std::string original = AllBytes();
  Check("start");

  const char* const typed[] = {"a", "\xb1", "\x8a\xbf", "ab\r\ncd", "\r\n", "\x82\xa0\x82\xa2\x82\xa4", " "};
  const int moves[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT};
  for (int step = 0; step < 600; ++step) {
    const int kind = pick(25);
    std::string what = "step " + std::to_string(step) + " kind " + std::to_string(kind);
    if (kind < 6) {
      Key(moves[pick(8)], pick(6) == 0, pick(6) == 0);
    } else if (kind < 8) {
      edit.WmChar(static_cast<unsigned char>("aZ 9\xb1"[pick(5)]));
    } else if (kind < 9) {
      edit.WmImeResult(typed[pick(7)]);
    } else if (kind < 11) {
      Key(VK_BACK, pick(4) == 0, pick(3) == 0);  // Backspace, with Shift or Ctrl now and then
    } else if (kind < 13) {
      Key(VK_DELETE, false, pick(3) == 0);  // Delete, Ctrl+Delete
    } else if (kind < 14) {
      Key(pick(2) ? VK_RETURN : VK_TAB);  // Enter, Tab
    } else if (kind < 15) {
      Key(VK_INSERT);  // Insert toggles overwrite
    } else if (kind < 17) {
      edit.Undo();
    } else if (kind < 18) {
      edit.WmMouseWheel(pick(2) ? 120 : -120, 0);
    } else if (kind < 19) {
      edit.WmVScroll(pick(9), pick(40));
    } else if (kind < 20) {
      Key(pick(2) ? VK_OEM_COMMA : VK_OEM_PERIOD, false, true);  // row start and end
    } else if (kind < 22) {
      Key(pick(12) == 0 ? 'A' : "CXVZ"[pick(4)], false, true);  // the clipboard keys, seldom select all
    } else {
      // A pointer gesture: press (Shift now and then, in the margin now and then), moves
      // with auto-scroll ticks in and out of the text area, release (Ctrl now and then).
      auto px = [&] { return pick(5) == 0 ? pick(12) : pick(640) - 10; };
      auto py = [&] { return pick(430) - 10; };
      win.shiftDown = pick(5) == 0;
      edit.WmMouseDown(MB_LEFT, win.shiftDown ? SS_SHIFT : 0, px(), py());
      win.shiftDown = false;
      for (int k = pick(4); k > 0; --k) {
        edit.WmMouseMove(0, px(), py());
        for (int t = pick(3); t > 0; --t) edit.WmTimer();
      }
      win.ctrlDown = pick(3) == 0;
      edit.WmMouseUp(MB_LEFT, 0, px(), py());
      win.ctrlDown = false;
    }
    Check(what);
    if (HasFailure()) return;
  }
  // Back to the loaded text, byte for byte, and no longer modified.
  edit.InsertMode = true;
  for (int guard = 0; !edit.UndoList.empty() && guard < 10000; ++guard) {
    edit.Undo();
    Check("undo all");
    if (HasFailure()) return;
  }
  EXPECT_EQ(AllBytes(), original);
  EXPECT_FALSE(edit.GetModified());
}

// A text drag moves or copies the selected bytes to exactly the place pointed at, whatever
// rows the selection and the drop point are on, with wrapping on or off.
TEST_P(EditRandom, DraggedTextLandsExactlyWherePointed) {
  const int seed = GetParam();
  std::mt19937 rng(static_cast<unsigned>(seed) * 7919u);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  Create();
  std::vector<std::string> lines;
  for (int i = 0; i < 8; ++i)
    lines.push_back(std::string(static_cast<std::size_t>(pick(30)), 'a' + i) + "\x8a\xbf");
  SetLines(lines);
  if (seed % 2 == 0) {
    edit.SetColumn(12);
    edit.SetWordWrap(true);
  }
  edit.ApplySettings();
  auto offset = [&](std::int32_t col, std::int32_t row) {
    std::size_t at = static_cast<std::size_t>(col);
    for (std::int32_t r = 0; r < row; ++r) at += edit.Lines->Get(r).size();
    return at;
  };
  auto point = [&](std::int32_t col, std::int32_t row) {  // a client point on a character boundary
    return std::make_pair(edit.TextLeft + edit.PixelXOf(edit.Lines->Get(row), col),
                          edit.TopMargin + row * 16 + 8);
  };
  auto boundary = [&](std::int32_t row) {
    const std::string_view s = StripLineEnd(edit.Lines->Get(row));
    std::vector<std::int32_t> cols{0};
    for (std::size_t i = 0; i < s.size();) cols.push_back(static_cast<std::int32_t>(i += CharLenFrom(s, i)));
    return cols[static_cast<std::size_t>(pick(static_cast<int>(cols.size())))];
  };
  for (int round = 0; round < 20; ++round) {
    const std::int32_t rows = std::min(edit.Lines->Count(), edit.VisibleRows);
    std::int32_t r1 = pick(rows), r2 = pick(rows), rd = pick(rows);
    std::int32_t c1 = boundary(r1), c2 = boundary(r2), cd = boundary(rd);
    std::size_t a = offset(c1, r1), b = offset(c2, r2), d = offset(cd, rd);
    if (a > b) std::swap(a, b);
    if (a == b || (d >= a && d <= b)) continue;  // an empty selection, or a drop inside it
    const auto [x1, y1] = point(c1, r1);
    const auto [x2, y2] = point(c2, r2);
    const auto [xd, yd] = point(cd, rd);
    edit.WmMouseDown(MB_LEFT, 0, x1, y1);
    edit.WmMouseMove(0, x2, y2);
    edit.WmMouseUp(MB_LEFT, 0, x2, y2);
    const std::string before = AllBytes();
    const std::string moved = before.substr(a, b - a);
    // Press inside the selection (on its first character), move to the drop point, release.
    const auto [xi, yi] =
        point(static_cast<std::int32_t>(a == offset(c1, r1) ? c1 : c2), a == offset(c1, r1) ? r1 : r2);
    edit.WmMouseDown(MB_LEFT, 0, xi + 2, yi);
    ASSERT_TRUE(edit.TextDragging) << round;
    edit.WmMouseMove(0, xd, yd);
    const bool copy = pick(2) == 0;
    win.ctrlDown = copy;
    edit.WmMouseUp(MB_LEFT, 0, xd, yd);
    win.ctrlDown = false;
    std::string expected = before;
    if (copy) {
      expected.insert(d, moved);
    } else {
      expected.erase(a, b - a);
      expected.insert(d < a ? d : d - moved.size(), moved);
    }
    ASSERT_EQ(AllBytes(), expected) << "round " << round << (copy ? " copy" : " move");
    ASSERT_EQ(edit.Lines->CheckInvariant(), "");
    EXPECT_EQ(clip.GetText(), moved);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditRandom, ::testing::Range(1, 41));

}  // namespace
}  // namespace quiret
