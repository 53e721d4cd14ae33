// Every change of the text passes one door: its reports rebuild the text exactly, whatever
// command made the change; the control's own soundness check names what is broken; the
// rows below a removed row are drawn again.
#include <algorithm>
#include <functional>
#include <random>

#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class EditDoor : public EditorFixture {};

// The check finds each kind of fault it promises to find, and nothing in a sound state.
TEST_F(EditDoor, CheckInvariantNamesTheFault) {
  struct Case {
    std::function<void(TLumoEdit&)> spoil;
    const char* fault;
  };
  const Case cases[] = {
      {[](TLumoEdit&) {}, ""},
      {[](TLumoEdit& e) { e.CaretCol = 3, e.CaretRow = 0; },
       "caret 3,0 is not a place"},  // inside a character
      {[](TLumoEdit& e) { e.CaretCol = 8, e.CaretRow = 0; },
       "caret 8,0 is not a place"},  // between CR and LF
      {[](TLumoEdit& e) { e.CaretRow = 2; }, "caret row 2 outside"},
      {[](TLumoEdit& e) { e.AnchorCol = 12, e.SelActive = true; },
       "anchor 12,1 is not a place"},  // end marker
      {[](TLumoEdit& e) { e.AnchorCol = 2; }, "anchor 2,1 off the caret"},
      {[](TLumoEdit& e) { e.TopRow = 2; }, "TopRow 2 outside"},
      {[](TLumoEdit& e) { e.HorzOffset = -1; }, "HorzOffset -1"},
      {[](TLumoEdit& e) { e.UndoBytes = e.UndoBuf + 1; }, "budget"},
      {[](TLumoEdit& e) { TLumoEditTestAccess::Rows(e).Put(0, "a\rb\r\n"); }, "rows: row 0: CR inside"},
  };
  for (const Case& c : cases) {
    SetLines({"ab\x82\xa0xyz", "0123456789"});
    edit.CaretCol = edit.AnchorCol = 10;
    edit.CaretRow = edit.AnchorRow = 1;
    edit.SelActive = false;
    c.spoil(edit);
    const std::string fault = edit.CheckInvariant();
    if (*c.fault == '\0')
      EXPECT_EQ(fault, "");
    else
      EXPECT_NE(fault.find(c.fault), std::string::npos) << fault;
  }
}

// A continuation row removed whole moves every row below it up: they are drawn again at
// their new places, whether the selection is deleted or typed over.
TEST_F(EditDoor, RemovingAWholeContinuationRowRedrawsTheRowsBelow) {
  for (const bool typeOver : {false, true}) {
    Create();
    edit.SetWordWrap(false);
    SetLines({Repeat("a", 10) + Repeat("b", 10) + "cc", "dd", "ee"});
    edit.SetColumn(10);
    edit.SetWordWrap(true);
    ASSERT_EQ(Rows().size(), 5u);  // a*10, b*10, cc, dd, ee
    edit.ShowPosition(0, 1, ScrollKind::Follow, true);
    Key(VK_END, true);  // Shift+End: the b row whole
    win.surface.Clear();
    if (typeOver)
      edit.WmChar('x');
    else
      Key(VK_DELETE);
    const std::string first = typeOver ? "x" : "";
    EXPECT_EQ(Rows(),
              (std::vector<std::string>{Repeat("a", 10), first + "cc" + Eol(), "dd" + Eol(), "ee" + Eot()}));
    for (const auto& [row, text] : {std::pair{2, "dd"}, std::pair{3, "ee"}}) {
      const std::vector<std::string> drawn = win.surface.TextsAt(edit.TopMargin + row * 16);
      EXPECT_NE(std::find(drawn.begin(), drawn.end(), text), drawn.end())
          << "row " << row << " type " << typeOver;
    }
  }
}

// A motion key extends the selection by its own Shift state, whatever the window reports
// in between; Shift+Backspace still deletes one character and selects nothing.
TEST_F(EditDoor, MotionKeysExtendByTheirOwnShift) {
  struct Case {
    int vk;
    bool ctrl;
  };
  const Case keys[] = {{VK_LEFT, false},     {VK_RIGHT, false},    {VK_HOME, false},  {VK_END, false},
                       {VK_UP, false},       {VK_DOWN, false},     {VK_PRIOR, false}, {VK_NEXT, false},
                       {VK_LEFT, true},      {VK_RIGHT, true},     {VK_HOME, true},   {VK_END, true},
                       {VK_OEM_COMMA, true}, {VK_OEM_PERIOD, true}};
  Create();
  std::vector<std::string> lines(60, "abc def");
  SetLines(lines);
  edit.ApplySettings();
  for (const Case& k : keys) {
    for (const bool keyShift : {false, true}) {
      edit.ShowPosition(3, 30, ScrollKind::Follow, true);
      edit.EndSelection();
      win.shiftDown = !keyShift;  // the window says the opposite of the key
      win.ctrlDown = k.ctrl;
      edit.WmKeyDown(k.vk, (keyShift ? SS_SHIFT : 0) | (k.ctrl ? SS_CTRL : 0));
      win.shiftDown = win.ctrlDown = false;
      const bool moved = edit.CaretCol != 3 || edit.CaretRow != 30;
      EXPECT_TRUE(moved) << k.vk;
      EXPECT_EQ(edit.SelActive, keyShift) << k.vk << " ctrl " << k.ctrl;
      EXPECT_EQ(edit.AnchorCol != edit.CaretCol || edit.AnchorRow != edit.CaretRow, keyShift) << k.vk;
    }
  }
  edit.ShowPosition(3, 30, ScrollKind::Follow, true);
  edit.EndSelection();
  Key(VK_BACK, true);
  EXPECT_FALSE(edit.SelActive);
  EXPECT_EQ(std::string(edit.Lines->Get(30)), "ab def" + Eol());
}

// Random editing through every command that changes the text; the reports applied one after
// another to a plain copy of the text give the control's text after every event, and each
// report's removed bytes are the bytes that stood there. Every event that changes the text
// is one step: its end is told once, after its last report.
class EditDoorRandom : public EditorFixture, public ::testing::WithParamInterface<int> {
 protected:
  std::string copy;
  std::string fault;
  int reports = 0;
  int stepEnds = 0;

  void Listen() {
    edit.OnTextChange = [this](TLumoEdit*, LinePos at, std::string_view removed, std::string_view inserted) {
      ++reports;
      std::size_t start = 0;
      for (std::int32_t n = 0; n < at.Line; ++n) {
        start = copy.find('\n', start);
        if (start == std::string::npos) {
          fault = "line " + std::to_string(at.Line) + " beyond the text";
          return;
        }
        ++start;
      }
      const std::size_t p = start + static_cast<std::size_t>(at.Offset);
      if (p > copy.size() || copy.compare(p, removed.size(), removed) != 0) {
        if (fault.empty())
          fault =
              "removed bytes not at line " + std::to_string(at.Line) + " offset " + std::to_string(at.Offset);
        return;
      }
      copy.replace(p, removed.size(), inserted);
    };
    edit.OnStepEnd = [this](TLumoEdit*) {
      ++stepEnds;
      if (copy != AllBytes() && fault.empty()) fault = "a step ended before its last change";
    };
  }
};

TEST_P(EditDoorRandom, ReportsRebuildTheTextAfterEveryEvent) {
  const int seed = GetParam();
  std::mt19937 rng(static_cast<unsigned>(seed) * 2654435761u);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  Create();
  edit.OnChangeRedoMode = [](TLumoEdit*, bool) {};  // as the shell has it: redo needs a listener
  const char* const pieces[] = {"abc ", "\x8a\xbf", "\t", "\x82\xa0\x82\xa2", "x.y", "\x81",
                                "\xb1", "  ",       "aa"};
  std::vector<std::string> lines;
  for (int i = 0, n = 2 + pick(20); i < n; ++i) {
    std::string line;
    for (int k = pick(10); k > 0; --k) line += pieces[pick(9)];
    lines.push_back(line);
  }
  SetLines(lines);
  if (seed % 2 == 0) {
    edit.SetColumn(10 + pick(8));
    edit.SetWordWrap(true);
  }
  edit.ApplySettings();
  copy = AllBytes();
  Listen();
  auto text = [&] {
    std::string t;
    for (int k = 1 + pick(3); k > 0; --k)
      t += pick(4) == 0 ? std::string("\r\n") : std::string(pieces[pick(9)]);
    return t;
  };
  auto point = [&] { return std::make_pair(edit.TextLeft + pick(300), edit.TopMargin + pick(250)); };
  for (int step = 0; step < 300; ++step) {
    const int reportsBefore = reports;
    stepEnds = 0;
    const int kind = pick(20);
    if (kind < 3) {
      edit.WmChar(static_cast<unsigned char>("aZ 9\xb1"[pick(5)]));
    } else if (kind < 4) {
      edit.WmImeResult(pick(3) == 0 ? std::string("p\nq\rr") : text());
    } else if (kind < 6) {
      static const int kEditKeys[] = {VK_RETURN, VK_TAB, VK_BACK,
                                      VK_DELETE};  // Enter, Tab, Backspace, Delete
      Key(kEditKeys[pick(4)], pick(4) == 0, pick(4) == 0);
    } else if (kind < 8) {
      static const int kMoveKeys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END};
      Key(kMoveKeys[pick(6)], pick(2) == 0, pick(5) == 0);
    } else if (kind < 9) {
      Key(VK_INSERT);  // overwrite mode on and off
    } else if (kind < 11) {
      if (pick(3) == 0) clip.PutFromOutside(text());
      Key("AXCV"[pick(4)], false, true);
    } else if (kind < 13) {
      pick(2) ? edit.Undo() : edit.Redo();
    } else if (kind < 15) {
      // Select with the pointer, then drag the selection elsewhere (Ctrl copies).
      const auto [x1, y1] = point();
      const auto [x2, y2] = point();
      edit.WmMouseDown(MB_LEFT, 0, x1, y1);
      edit.WmMouseMove(0, x2, y2);
      edit.WmMouseUp(MB_LEFT, 0, x2, y2);
      const auto [xd, yd] = point();
      edit.WmMouseDown(MB_LEFT, 0, std::min(x1, x2) + 4, y1 == y2 ? y1 : std::min(y1, y2));
      edit.WmMouseMove(0, xd, yd);
      win.ctrlDown = pick(2) == 0;
      edit.WmMouseUp(MB_LEFT, 0, xd, yd);
      win.ctrlDown = false;
    } else if (kind < 17) {
      const char* const finds[] = {"a", "b", "\x8a\xbf", " ", "c a", "[a-c]+"};
      const char* const repls[] = {"", "Q", "\x82\xa0", "zz", "$0$0"};
      TFindOptions o;
      o.Regex = pick(3) == 0;
      edit.OnFindChange = [&](TLumoEdit*, const std::string&, const std::string&, int, int, int, int,
                              bool& change, bool&, bool&) { change = pick(4) != 0; };
      if (pick(2))
        edit.ReplaceAll(finds[pick(6)], repls[pick(5)], o, false);
      else
        edit.ReplaceText(finds[pick(6)], repls[pick(5)], o);
    } else if (kind < 18) {
      if (pick(2))
        edit.SetWordWrap(!edit.WordWrap);
      else
        edit.SetColumn(10 + pick(20));
    } else if (kind < 19) {
      edit.AutoIndent = !edit.AutoIndent;
    } else {
      edit.ReadOnly = pick(3) == 0;
    }
    const std::string what = "seed " + std::to_string(seed) + " step " + std::to_string(step);
    ASSERT_EQ(fault, "") << what;
    ASSERT_EQ(stepEnds, reports > reportsBefore ? 1 : 0) << what;
    ASSERT_EQ(copy, AllBytes()) << what;
    ASSERT_EQ(edit.CheckInvariant(), "") << what;
  }
  EXPECT_GT(reports, 50);
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditDoorRandom, ::testing::Range(1, 31));

}  // namespace
}  // namespace quiret
