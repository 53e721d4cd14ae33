// Redo against undo: random edits, then undo k steps and redo them, twice over. Redo gives
// back the rows byte for byte and the caret where the last change left it; undo after redo
// gives back exactly what the first undo gave; the budget, Modified and RedoMode stay right.
#include <random>

#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class EditRedo : public EditorFixture, public ::testing::WithParamInterface<int> {
 protected:
  struct State {
    std::string rows;
    LinePos caret;
    bool modified;
    friend bool operator==(const State&, const State&) = default;
  };
  State Now() const {
    return {AllBytes(), edit.ToLine(RowPos{edit.CaretCol, edit.CaretRow}), edit.GetModified()};
  }
  // Undoes (redoes) up to k steps; returns how many there were.
  int Steps(int k, bool redo) {
    int n = 0;
    for (; n < k && !(redo ? edit.RedoList : edit.UndoList).empty(); ++n) redo ? edit.Redo() : edit.Undo();
    return n;
  }
  void CheckBudget(const std::string& what) {
    std::int64_t bytes = 0;
    for (const UndoRecord& r : edit.UndoList) bytes += static_cast<std::int64_t>(r.Text.size());
    ASSERT_EQ(bytes, edit.UndoBytes) << what;
    ASSERT_LE(edit.UndoBytes, edit.UndoBuf) << what;
    ASSERT_EQ(edit.Lines->CheckInvariant(), "") << what;
  }
};

TEST_P(EditRedo, UndoRedoCyclesGiveBackTheSameRowsAndCaret) {
  const int seed = GetParam();
  std::mt19937 rng(static_cast<unsigned>(seed) * 2654435761u);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  Create();
  std::string redoLog;
  edit.OnChangeRedoMode = [&](TLumoEdit*, bool on) { redoLog += on ? '+' : '-'; };
  std::vector<std::string> lines;
  for (int i = 0; i < 12; ++i) lines.push_back(Repeat(i % 3 ? "ab\x8a\xbf " : "\xb1\xb2x\t", pick(8)));
  SetLines(lines);
  if (seed % 2 == 0) {
    edit.SetColumn(10);
    edit.SetWordWrap(true);
  }
  if (seed % 3 == 0) edit.AutoIndent = true;
  if (seed % 5 == 0) edit.UndoBuf = 40;  // records dropped from the far end as the budget runs out
  edit.ApplySettings();
  edit.MoveToTextStart();
  const char* const typed[] = {"q", "\x82\xa0", "ab\r\ncd", "\r\n", "\x8a\xbf\x8e\x9a", " "};
  const int moves[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END};
  bool lastWasEdit = false;
  for (int step = 0; step < 400; ++step) {
    const std::string what = "seed " + std::to_string(seed) + " step " + std::to_string(step);
    const int kind = pick(16);
    const std::string rowsBefore = AllBytes();
    if (kind < 3) {
      Key(moves[pick(6)], pick(3) == 0);  // moves, selecting now and then
    } else if (kind < 5) {
      edit.WmChar(static_cast<unsigned char>("aZ \xb1"[pick(4)]));
    } else if (kind < 6) {
      edit.WmImeResult(typed[pick(6)]);
    } else if (kind < 7) {
      Key(pick(2) ? VK_RETURN : VK_TAB);  // Enter, Tab
    } else if (kind < 9) {
      Key(pick(2) ? VK_BACK : VK_DELETE, false, pick(3) == 0);  // Backspace, Delete, their word forms
    } else if (kind < 10) {
      Key(VK_INSERT);  // Insert: overwrite typing from now on, or back
    } else if (kind < 11) {
      clip.PutFromOutside(typed[pick(6)]);
      Key('V', false, true);
    } else if (kind < 12) {
      Key('X', false, true);
    } else if (kind < 13) {
      // A text drag from the caret's selection to a point in the view (move, or copy with Ctrl).
      const std::int32_t row =
          edit.TopRow + pick(std::max(1, std::min(edit.VisibleRows, edit.Lines->Count() - edit.TopRow)));
      const int x = edit.TextLeft + pick(120), y = edit.TopMargin + (row - edit.TopRow) * edit.LineHeight + 4;
      if (edit.HasSelection() && edit.CaretRow >= edit.TopRow &&
          edit.CaretRow < edit.TopRow + edit.VisibleRows) {
        const int cy = edit.TopMargin + (edit.CaretRow - edit.TopRow) * edit.LineHeight + 4;
        edit.WmMouseDown(MB_LEFT, 0, edit.TextLeft + edit.CaretX + (edit.CaretCol > edit.AnchorCol ? -3 : 3),
                         cy);
        edit.WmMouseMove(0, x, y);
        win.ctrlDown = pick(3) == 0;
        edit.WmMouseUp(MB_LEFT, 0, x, y);
        win.ctrlDown = false;
      }
    } else {
      // Undo k, redo k, undo k, redo k.
      const State before = Now();
      const int k = Steps(1 + pick(4), false);
      if (k == 0) continue;
      const State undone = Now();
      ASSERT_EQ(Steps(k, true), k) << what;
      const State redone = Now();
      ASSERT_EQ(redone.rows, before.rows) << what;
      // With a record dropped for the budget, the history no longer reaches the start.
      ASSERT_EQ(redone.modified, edit.UndoList.size() > 0 || edit.UndoOverflow) << what;
      if (lastWasEdit) {
        ASSERT_EQ(redone.caret, before.caret) << what << " (caret after redo)";
      }
      CheckBudget(what);
      ASSERT_EQ(Steps(k, false), k) << what;
      ASSERT_EQ(Now(), undone) << what << " (undo after redo)";
      ASSERT_EQ(Steps(k, true), k) << what;
      ASSERT_EQ(Now(), redone) << what << " (second redo)";
      ASSERT_TRUE(edit.RedoList.empty() && !edit.RedoMode) << what;
      CheckBudget(what);
      lastWasEdit = true;  // the caret stands where the newest change left it
      continue;
    }
    // The caret is where a change left it only right after a change.
    lastWasEdit = AllBytes() != rowsBefore;
    CheckBudget(what);
    if (HasFailure()) return;
  }
  // Every Undo turned redo on and every last redo turned it off again, in turns.
  for (std::size_t i = 1; i < redoLog.size(); ++i) ASSERT_NE(redoLog[i], redoLog[i - 1]) << redoLog;
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditRedo, ::testing::Range(1, 31));

}  // namespace
}  // namespace quiret
