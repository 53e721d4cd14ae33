// What other programs do to the files the shell trusts: a file replaced by a FIFO, a journal
// cut short under the running program, and a state folder that cannot keep a copy for a save.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TestShell.h"
#include "tests/support/WithinASecond.h"

namespace quiret {
namespace {

// Reload answered Yes after another program put a FIFO where the file was: refused at once,
// and the text stays.
TEST(ShellTrustedPaths, AReloadOfAFileReplacedByAFifoReturnsWithinASecond) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string a = s.Write("a.txt", "one\r\n");
  f.OpenFile(a);
  std::filesystem::remove(a);
  ASSERT_EQ(mkfifo(a.c_str(), 0600), 0);
  s.boxes.answers = {YesNoAnswer::Yes};
  ASSERT_TRUE(test::ReturnsWithinASecond([&] { f.WindowActivated(); }, a));
  EXPECT_EQ(s.boxes.Texts("yesno").size(), 1u);
  EXPECT_EQ(f.Tab(0).Editor->Lines->GetText(), "one\r\n");
}

// Another program truncates one document's journal: that document carries on with a new
// journal, and the program and the other tab go on; both come back after a kill.
TEST(ShellTrustedPaths, AJournalCutShortUnderTheProgramIsReopened) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string a = s.Write("a.txt", "alpha\r\n"), b = s.Write("b.txt", "beta\r\n");
  f.OpenFile(a);
  f.OpenFile(b);
  s.Modify(0);
  s.Modify(1);
  const std::string journal = f.Tab(0).Journal->Path();
  ASSERT_FALSE(journal.empty());
  // The cut comes after the hashing thread is done with the file, so each run meets the same
  // order of writes.
  f.Tab(0).Journal->FinishHashing();
  ASSERT_EQ(truncate(journal.c_str(), 0), 0);
  f.Tab(0).Editor->TypeText("y");  // into the lost pages of the mapping
  f.Tab(1).Editor->TypeText("z");
  s.window.RunPosted();
  EXPECT_TRUE(s.boxes.shown.empty());
  EXPECT_TRUE(f.Recovery().On());
  ASSERT_EQ(f.ActiveIndex(), 1);
  EXPECT_TRUE(f.Execute("FileSave"));
  EXPECT_EQ(TestShell::Read(b), "xzbeta\r\n");
  f.Tab(0).Editor->TypeText("w");
  s.Restart();
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& g = s.Start();
  ASSERT_EQ(g.TabCount(), 2);
  EXPECT_EQ(g.Tab(0).Editor->Lines->GetText(), "xywalpha\r\n");
  EXPECT_EQ(g.Tab(1).Editor->Lines->GetText(), "xzbeta\r\n");
}

// When no new journal can be made for it, recovery stops for that one document, with one
// message; the other document keeps its journal.
TEST(ShellTrustedPaths, AJournalCutShortThatCannotBeReplacedStopsForThatDocumentAlone) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "alpha\r\n"));
  f.OpenFile(s.Write("b.txt", "beta\r\n"));
  s.Modify(0);
  const std::string journal = f.Tab(0).Journal->Path();
  ASSERT_EQ(mkdir((journal + ".tmp").c_str(), 0700), 0);  // where the new journal would be made
  // The cut comes after the hashing thread is done with the file, so each run meets the same
  // order of writes.
  f.Tab(0).Journal->FinishHashing();
  ASSERT_EQ(truncate(journal.c_str(), 0), 0);
  f.Tab(0).Editor->TypeText("y");
  f.Tab(0).Editor->TypeText("w");
  s.Modify(1);
  s.window.RunPosted();
  EXPECT_EQ(s.boxes.Texts("information"),
            std::vector<std::string>{"a.txt の回復用の記録がほかのプログラムによって壊されました。\r\n"
                                     "この文書の回復用の記録は取りません。変更は早めに保存してください。"});
  EXPECT_TRUE(f.Recovery().On());
  EXPECT_FALSE(f.Tab(1).Journal->Path().empty());
  EXPECT_EQ(f.Tab(0).Editor->Lines->GetText(), "xywalpha\r\n");
}

// A file with a second link is written in place, behind a copy in the state folder. When
// that folder cannot be used the user is asked, No by default, with the folder named.
TEST(ShellTrustedPaths, AnInPlaceSaveWithoutACopyAsksFirst) {
  const struct {
    std::deque<YesNoAnswer> answers;
    bool saved;
  } cases[] = {{{YesNoAnswer::No}, false}, {{}, false}, {{YesNoAnswer::Yes}, true}};
  for (const auto& c : cases) {
    TestShell s;
    TFormBase& f = s.Start();
    const std::string a = s.Write("a.txt", "old\r\n");
    ASSERT_EQ(link(a.c_str(), s.Path("second").c_str()), 0);
    f.OpenFile(a);
    s.Modify();
    const std::string blocker = s.Write("blocker", "a file where a folder should be");
    setenv("XDG_STATE_HOME", blocker.c_str(), 1);
    s.boxes.answers = c.answers;
    EXPECT_EQ(f.Execute("FileSave"), true);
    ASSERT_EQ(s.boxes.shown.size(), 1u);  // unanswered: closed without a choice
    const auto& asked = s.boxes.shown[0];
    EXPECT_EQ(asked.kind, "yesno");
    EXPECT_TRUE(asked.defaultNo);
    EXPECT_EQ(asked.text,
              a +
                  "\r\n はその場で書き換える必要がありますが、元の内容の控えを次のフォルダーに作れません（"
                  "Not a directory）：\r\n" +
                  blocker + "/quiret/saves\r\n安全に保存できません。このまま上書きしますか？");
    EXPECT_EQ(TestShell::Read(s.Path("second")), c.saved ? "xold\r\n" : "old\r\n");
    EXPECT_EQ(f.Tab(0).Editor->GetModified(), !c.saved);
  }
}

}  // namespace
}  // namespace quiret
