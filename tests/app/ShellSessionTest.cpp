// The session file: after a kill every tab comes back in its order with the active one
// active, unmodified documents from their files and modified ones from their journals.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TestShell.h"
#include "tests/support/WithinASecond.h"

namespace quiret {
namespace {

std::vector<std::string> Hints(TFormBase& f) {
  std::vector<std::string> hints;
  for (int i = 0; i < f.TabCount(); ++i)
    hints.push_back(f.Tab(i).Hint + ":" + f.Tab(i).Editor->Lines->GetText());
  return hints;
}

// Eleven tabs, three of them modified (one a new document) and the eighth active, killed at
// random moments of the same run: what was open at the kill comes back, in order.
TEST(ShellSession, ElevenTabsComeBackInOrderAfterAKill) {
  TestShell s;
  TFormBase& f = s.Start();
  for (int i = 0; i < 10; ++i)
    f.OpenFile(s.Write("f" + std::to_string(i) + ".txt", std::to_string(i) + "\r\n"));
  f.Execute("FileNew");
  for (int tab : {2, 5, 10}) s.Modify(tab);
  f.CloseTab(3, f.ActiveIndex());  // a closed tab does not come back
  f.OpenFile(s.Write("late.txt", "late\r\n"));
  for (int i = 0; i < 4; ++i) f.MoveLeftTab();
  ASSERT_EQ(f.TabCount(), 11);
  ASSERT_EQ(f.ActiveIndex(), 6);
  const std::vector<std::string> before = Hints(f);
  const std::string activeHint = f.Tab(6).Hint;
  s.Restart();  // no clean exit: the settings' reopen list is never written
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& g = s.Start();
  EXPECT_EQ(Hints(g), before);
  EXPECT_EQ(g.ActiveIndex(), 6);
  EXPECT_EQ(s.status.panels[3], activeHint);
  for (int tab : {2, 4, 9}) EXPECT_TRUE(g.Tab(tab).Editor->GetModified()) << tab;
  EXPECT_FALSE(g.Tab(0).Editor->GetModified());

  // A clean exit drops the session; the reopen list brings the files back, in order too.
  g.FormClose();
  s.Restart();
  EXPECT_EQ(s.Start().TabCount(), 10);  // the new document was given up at the exit
}

// A listed file replaced by a FIFO is refused without waiting for a writer; the others come.
// The session after a kill, and the reopen list after a clean exit.
TEST(ShellSession, AListedFifoIsRefusedWithinASecond) {
  for (const bool clean : {false, true}) {
    SCOPED_TRACE(clean ? "reopen list" : "session");
    TestShell s;
    TFormBase& f = s.Start();
    const std::string a = s.Write("a.txt", "a\r\n"), b = s.Write("b.txt", "b\r\n");
    f.OpenFile(a);
    f.OpenFile(b);
    if (clean) f.FormClose();
    s.Restart();
    std::filesystem::remove(a);
    ASSERT_EQ(mkfifo(a.c_str(), 0600), 0);
    ASSERT_TRUE(test::ReturnsWithinASecond([&] { s.Start(); }, a));
    ASSERT_EQ(s.Form().TabCount(), 1);
    EXPECT_EQ(s.Form().Tab(0).Hint, b);
  }
}

}  // namespace
}  // namespace quiret
