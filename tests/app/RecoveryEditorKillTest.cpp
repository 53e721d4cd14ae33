// The program killed at a random moment while a user edits through the control's own paths
// (keys, characters, input-method text, the clipboard commands, undo, redo, replace all,
// pointer drags): the next start offers the document back holding exactly the text the
// control held when its journal was last written, and saving it writes those bytes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "platform/Hash64.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

constexpr int kSteps = 1200;
constexpr int kAhead = 2;  // steps the child may run ahead of the parent's reading

std::string BaseText() {
  std::string text;
  for (int i = 0; i < 40; ++i)
    text += i % 4 == 3 ? "\tindented line\r\n"
                       : "line \x82\xa0\x82\xa2\x82\xa4 and a b c " + std::to_string(i) + "\r\n";
  return text + "last";
}

// A user's session on the one open document, driven by a seed.
class Session {
 public:
  Session(TestShell& s, unsigned seed) : s_(s), f_(s.Form()), rng_(seed) {}
  void Step();

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  TLumoEdit& Ed() { return *f_.ActiveEditor(); }
  TestEditorWindow& Win() { return *static_cast<TestEditorWindow*>(f_.Tab(f_.ActiveIndex()).Page.get()); }
  void Key(int vk, bool shift = false, bool ctrl = false) {
    Win().shiftDown = shift;
    Win().ctrlDown = ctrl;
    Ed().WmKeyDown(vk, (shift ? SS_SHIFT : 0) | (ctrl ? SS_CTRL : 0));
    Ed().WmKeyUp(vk, 0);
    Win().shiftDown = Win().ctrlDown = false;
  }
  void Gesture();
  TestShell& s_;
  TFormBase& f_;
  std::mt19937 rng_;
};

void Session::Step() {
  static const char* const imeTexts[] = {"\x82\xa0", "\x8a\xbf\x8e\x9a", "ab\r\ncd", "\r\n", "\xb1\xb2", " "};
  static const int moves[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT};
  static const char* const commands[] = {"EditCut",   "EditCopy",  "EditCopy",
                                         "EditPaste", "EditPaste", "EditSelectAll"};
  // What replace all looks for and puts in (as typed into the bar).
  static const char* const finds[] = {"a", "あい", "b c", "line"};
  static const char* const changes[] = {"", "AB", "漢字", "x"};
  const int kind = Pick(30);
  if (kind < 6) {
    Key(moves[Pick(8)], Pick(3) == 0);
  } else if (kind < 12) {
    Ed().WmChar(static_cast<unsigned char>("aZ 9\xb1"[Pick(5)]));
  } else if (kind < 15) {
    Ed().WmImeResult(imeTexts[Pick(6)]);
  } else if (kind < 16) {
    Key(VK_BACK, Pick(4) == 0, Pick(5) == 0);
  } else if (kind < 17) {
    Key(VK_DELETE, false, Pick(5) == 0);
  } else if (kind < 19) {
    Key(Pick(2) ? VK_RETURN : VK_TAB);
  } else if (kind < 20) {
    Key(VK_INSERT);  // overwrite on and off
  } else if (kind < 22) {
    f_.Execute("EditUndo");
  } else if (kind < 23) {
    f_.Execute("EditRedo");
  } else if (kind < 26) {
    f_.Execute(commands[Pick(Pick(8) ? 5 : 6)]);  // all seldom selected
  } else if (kind < 27) {
    if (f_.SetFindTexts(finds[Pick(4)], changes[Pick(4)])) f_.ReplaceAllExecute();
  } else {
    Gesture();
  }
}

// Press, moves with auto-scroll ticks, release: selects, or drags selected text (Ctrl copies).
void Session::Gesture() {
  auto x = [&] { return Pick(5) == 0 ? Pick(12) : Pick(600) - 10; };
  auto y = [&] { return Pick(420) - 10; };
  Win().shiftDown = Pick(5) == 0;
  Ed().WmMouseDown(MB_LEFT, Win().shiftDown ? SS_SHIFT : 0, x(), y());
  Win().shiftDown = false;
  for (int k = Pick(4); k > 0; --k) {
    Ed().WmMouseMove(0, x(), y());
    for (int t = Pick(3); t > 0; --t) Ed().WmTimer();
  }
  Win().ctrlDown = Pick(3) == 0;
  Ed().WmMouseUp(MB_LEFT, 0, x(), y());
  Win().ctrlDown = false;
}

// The child: the session, each finished step reported with its text's hash, never more than
// kAhead steps ahead of the reports read (each read is acknowledged with a byte).
[[noreturn]] void RunChild(TestShell& s, const std::string& path, unsigned seed, int report, int acks) {
  try {
    TFormBase& f = s.Start();
    f.OpenFile(path);
    Session session(s, seed);
    for (int step = 0; step < kSteps; ++step) {
      char ack;
      if (step >= kAhead && read(acks, &ack, 1) != 1) _exit(5);
      session.Step();
      const std::uint64_t hash = Hash64::Of(f.ActiveEditor()->Lines->GetText());
      if (write(report, &hash, sizeof hash) != sizeof hash) _exit(3);
    }
  } catch (...) {
    _exit(4);
  }
  for (;;) pause();
}

// A text a restore may give, and where the last change made before it ends.
struct Restorable {
  std::string text;
  LinePos lastEnd;
};

// What a restore may give after `done` finished steps: the text after them, or the text
// after the next step (killed once its record was written, before it was reported), never a
// text inside a step. Also checks, step by step, that the reported changes rebuild the
// control's text, that a step's changes end in at most one step end, after the last of them,
// and that the session runs exactly as it did in the child.
std::vector<Restorable> TextsAround(unsigned seed, int done, const std::vector<std::uint64_t>& hashes) {
  TestShell r;
  const std::string path = r.Write("doc.txt", BaseText());
  TFormBase& f = r.Start();
  f.OpenFile(path);
  TLumoEdit& ed = *f.ActiveEditor();
  std::string model = BaseText();
  std::vector<Restorable> texts{{model, {}}};  // texts[k]: after k steps
  LinePos lastEnd{};
  auto journal = ed.OnTextChange;
  auto journalStep = ed.OnStepEnd;
  bool rebuilt = true;  // every change removed the bytes the model holds there
  int stepEnds = 0;
  ed.OnTextChange = [&](TLumoEdit* e, LinePos at, std::string_view removed, std::string_view inserted) {
    journal(e, at, removed, inserted);
    std::size_t from = 0;
    for (std::int32_t line = 0; line < at.Line; ++line) from = model.find("\r\n", from) + 2;
    from += static_cast<std::size_t>(at.Offset);
    rebuilt = rebuilt && model.compare(from, removed.size(), removed) == 0;
    model.replace(from, removed.size(), inserted);
    const std::size_t lf = inserted.rfind('\n');
    lastEnd = lf == inserted.npos ? LinePos{at.Offset + static_cast<std::int32_t>(inserted.size()), at.Line}
                                  : LinePos{static_cast<std::int32_t>(inserted.size() - lf - 1),
                                            at.Line + static_cast<std::int32_t>(std::count(
                                                          inserted.begin(), inserted.end(), '\n'))};
  };
  ed.OnStepEnd = [&](TLumoEdit* e) {
    if (journalStep) journalStep(e);
    ++stepEnds;
    rebuilt = rebuilt && model == e->Lines->GetText();
  };
  Session session(r, seed);
  for (int step = 0; step <= done && step < kSteps; ++step) {
    stepEnds = 0;
    session.Step();
    const std::string text = ed.Lines->GetText();
    texts.push_back({text, lastEnd});
    if (!rebuilt || model != text || stepEnds > 1) {
      ADD_FAILURE() << "the reported changes do not rebuild the text at step " << step << " (" << stepEnds
                    << " step ends)";
      return {};
    }
    if (step < done && Hash64::Of(text) != hashes[static_cast<std::size_t>(step)]) {
      ADD_FAILURE() << "the session ran differently in the child at step " << step;
      return {};
    }
  }
  ed.OnTextChange = journal;
  ed.OnStepEnd = journalStep;
  texts.erase(texts.begin(), texts.begin() + done);
  return texts;
}

class EditorKill : public ::testing::TestWithParam<int> {};

TEST_P(EditorKill, TheTextLastWrittenComesBackAndSavesExactly) {
  const unsigned seed = static_cast<unsigned>(GetParam());
  std::mt19937 rng(seed * 40503u + 1);
  const int target = 30 + static_cast<int>(rng() % (kSteps - 30));
  std::vector<std::uint64_t> hashes;
  std::string restored, saved, path;
  int tabs = -1;
  LinePos caret{};
  std::size_t journalsLeft = 0;
  {
    TestShell s;
    path = s.Write("doc.txt", BaseText());
    int fds[2], acks[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(pipe(acks), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(fds[0]);
      close(acks[1]);
      RunChild(s, path, seed, fds[1], acks[0]);
    }
    close(fds[1]);
    close(acks[0]);
    std::uint64_t hash;
    while (static_cast<int>(hashes.size()) < target && read(fds[0], &hash, sizeof hash) == sizeof hash) {
      hashes.push_back(hash);
      if (write(acks[1], "", 1) != 1) break;
    }
    // Now and then after a pause, mostly at once: inside one of the next steps.
    if (rng() % 4 == 0) usleep(static_cast<useconds_t>(rng() % 200));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child status " << status;
    while (read(fds[0], &hash, sizeof hash) == sizeof hash) hashes.push_back(hash);
    close(fds[0]);
    close(acks[1]);

    s.boxes.answers = {YesNoAnswer::Yes};
    TFormBase& f = s.Start();
    tabs = f.TabCount();
    if (tabs == 1) {
      EXPECT_EQ(f.Tab(0).Hint, path);
      EXPECT_TRUE(f.Tab(0).Editor->GetModified());
      TLumoEdit& ed = *f.Tab(0).Editor;
      restored = ed.Lines->GetText();
      caret = ed.ToLine(RowPos{ed.CaretCol, ed.CaretRow});
      EXPECT_EQ(ed.CheckInvariant(), "");
      EXPECT_TRUE(ed.CaretRow >= ed.TopRow && ed.CaretRow < ed.TopRow + ed.VisibleRows) << ed.CaretRow;
      EXPECT_TRUE(f.Execute("FileSave"));
      saved = TestShell::Read(path);
    }
    EXPECT_TRUE(s.boxes.Texts("information").empty());
    f.FormClose();
    for (const auto& e : std::filesystem::directory_iterator(s.stateHome + "/quiret"))
      journalsLeft += e.path().extension() == ".qrj";
  }
  EXPECT_EQ(journalsLeft, 0u);
  const int done = static_cast<int>(hashes.size());
  const std::vector<Restorable> texts = TextsAround(seed, done, hashes);
  ASSERT_FALSE(texts.empty());
  if (tabs == 0) {
    // Nothing was offered: only right when no change had been written at all.
    EXPECT_EQ(texts.front().text, BaseText()) << "after " << done << " steps";
    return;
  }
  ASSERT_EQ(tabs, 1);
  // The caret where the last change ended (on that character's start should it end inside one).
  auto caretFits = [&](LinePos end) {
    return caret.Line == end.Line && caret.Offset <= end.Offset && end.Offset - caret.Offset <= 1;
  };
  bool found = false, caretFound = false;
  for (const Restorable& t : texts) {
    found = found || t.text == restored;
    caretFound = caretFound || (t.text == restored && caretFits(t.lastEnd));
  }
  EXPECT_TRUE(found) << "after " << done << " steps: restored " << restored.size() << " bytes, last text "
                     << texts.front().text.size() << " bytes";
  EXPECT_TRUE(!found || caretFound) << "caret at " << caret.Line << ":" << caret.Offset
                                    << ", last change ended at " << texts.back().lastEnd.Line << ":"
                                    << texts.back().lastEnd.Offset;
  EXPECT_EQ(saved, restored);
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditorKill, ::testing::Range(1, 9));

}  // namespace
}  // namespace quiret
