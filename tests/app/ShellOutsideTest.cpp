// Files that other programs change or protect: the reload question, the question before a
// save overwrites another program's change, the refusal of files this user may not write,
// and what the next start does after a save that was killed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/SafeReplace.h"
#include "platform/SaveNotes.h"
#include "tests/support/AsUser.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

std::string Reload(const std::string& path) {
  return path +
         "\r\n は他のプログラムによって変更されました。\r\n"
         "再読み込みしますか？（元に戻す操作の履歴は消去されます）";
}

std::string Overwrite(const std::string& path) {
  return path +
         "\r\n は他のプログラムによって変更されています。\r\n"
         "上書き保存すると、その変更は失われます。上書きしますか？";
}

// An unmodified document whose file changed is offered a reload when its tab or the window
// comes forward, once per change. The reload keeps the caret's line and drops the history.
TEST(ShellOutside, ReloadIsOfferedOncePerChangeAndKeepsTheCaretLine) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string a = s.Write("a.txt", "one\r\ntwo\r\nthree\r\n");
  f.OpenFile(a);
  f.Execute("FileNew");
  TLumoEdit& ed = *f.Tab(0).Editor;
  ed.ShowPosition(2, 2, ScrollKind::Follow, true);
  ed.TypeText("x");
  ed.Undo();  // unmodified again, with a step to redo
  ASSERT_TRUE(ed.RedoMode);
  s.Write("a.txt", "ONE\r\nTWO\r\nTHREE\r\nFOUR\r\n");
  f.WindowActivated();  // the new tab is active: its file has no outside change
  EXPECT_TRUE(s.boxes.shown.empty());
  s.boxes.answers = {YesNoAnswer::Yes};
  f.MoveLeftTab();
  EXPECT_EQ(s.boxes.Texts("yesno"), std::vector<std::string>{Reload(a)});
  EXPECT_FALSE(s.boxes.shown.back().defaultNo);
  EXPECT_EQ(ed.Lines->GetText(), "ONE\r\nTWO\r\nTHREE\r\nFOUR\r\n");
  EXPECT_EQ(std::make_pair(ed.CaretRow, ed.CaretCol), std::make_pair(2, 0));
  EXPECT_FALSE(ed.GetModified());
  EXPECT_FALSE(ed.RedoMode);
  EXPECT_FALSE(f.Actions.IsEnabled("EditUndo"));
  f.WindowActivated();
  f.TabChanged();
  EXPECT_EQ(s.boxes.Texts("yesno").size(), 1u);

  // Declined: the text stays and the same change is not asked about again; the next one is.
  s.Write("a.txt", "1\r\n");
  s.boxes.answers = {YesNoAnswer::No};
  f.WindowActivated();
  f.WindowActivated();
  f.OpenFile(a);  // the open path only brings its tab forward
  EXPECT_EQ(s.boxes.Texts("yesno").size(), 2u);
  EXPECT_EQ(ed.Lines->GetText(), "ONE\r\nTWO\r\nTHREE\r\nFOUR\r\n");
  s.Write("a.txt", "one line, shorter than before\r\n");
  s.boxes.answers = {YesNoAnswer::Yes};
  f.WindowActivated();
  EXPECT_EQ(s.boxes.Texts("yesno").size(), 3u);
  EXPECT_EQ(ed.Lines->GetText(), "one line, shorter than before\r\n");
  EXPECT_EQ(ed.CaretRow, 1);  // the line is gone: the last one

  // A modified text is not reloaded on activation, and a removed file is not asked about.
  s.Modify(0);
  s.Write("a.txt", "again\r\n");
  f.WindowActivated();
  unlink(a.c_str());
  f.WindowActivated();
  EXPECT_EQ(s.boxes.Texts("yesno").size(), 3u);
}

// A save over a file another program changed asks first, No being the default; declining
// (or closing the box) keeps the other program's text on the disk and the document modified.
// Our own saves are not outside changes.
TEST(ShellOutside, SavingOverAnOutsideChangeAsksFirst) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string a = s.Write("a.txt", "mine\r\n");
  f.OpenFile(a);
  s.Modify();
  s.Write("a.txt", "theirs, longer\r\n");
  s.boxes.answers = {YesNoAnswer::No, YesNoAnswer::Closed};
  f.Execute("FileSave");
  f.Execute("FileSave");
  EXPECT_EQ(s.boxes.Texts("yesno"), (std::vector<std::string>{Overwrite(a), Overwrite(a)}));
  EXPECT_TRUE(s.boxes.shown.back().defaultNo);
  EXPECT_EQ(TestShell::Read(a), "theirs, longer\r\n");
  EXPECT_TRUE(f.ActiveEditor()->GetModified());
  // Save As under the same name asks too; under another name it does not.
  s.dialogs.saveNames = {a, s.Path("copy.txt")};
  s.boxes.answers = {YesNoAnswer::Yes};
  f.Execute("FileSaveAs");
  EXPECT_EQ(s.boxes.Texts("yesno").size(), 3u);
  EXPECT_EQ(TestShell::Read(a), "xmine\r\n");
  s.Modify();
  f.Execute("FileSaveAs");
  EXPECT_EQ(TestShell::Read(s.Path("copy.txt")), "xxmine\r\n");
  s.Modify();
  f.Execute("FileSave");  // our own last save: nothing to ask
  f.WindowActivated();
  EXPECT_EQ(s.boxes.Texts("yesno").size(), 3u);
  EXPECT_EQ(TestShell::Read(s.Path("copy.txt")), "xxxmine\r\n");
}

// As another user: a file that user may not write is refused like a read-only file, with
// Save As still open; the file and its owner stay.
TEST(ShellOutside, FilesTheUserMayNotWriteAreRefused) {
  if (!test::CanSwitchUser()) GTEST_SKIP() << "needs root to act as another user";
  TestShell owner;
  ASSERT_EQ(chmod(owner.dir.c_str(), 01777), 0);
  const std::string theirs = owner.Write("theirs.txt", "root's\r\n");
  ASSERT_EQ(chmod(theirs.c_str(), 0644), 0);
  const int result = test::RunAsUser(test::kOtherUser, test::kOtherUser, {}, [&] {
    TestShell s;
    TFormBase& f = s.Start();
    f.OpenFile(theirs);
    s.Modify();
    if (!f.Actions.IsEnabled("FileSave")) return 1;
    f.Execute("FileSave");
    s.dialogs.saveNames = {theirs, s.Path("mine.txt")};
    f.Execute("FileSaveAs");
    f.Execute("FileSaveAs");
    const std::string refusal = "書き込みが許可されていないファイルへの上書き保存はできません。";
    if (s.boxes.Texts("information") != std::vector<std::string>{refusal, refusal}) return 2;
    if (TestShell::Read(s.Path("mine.txt")) != "xroot's\r\n") return 3;
    return f.ActiveEditor()->GetModified() ? 4 : 0;
  });
  EXPECT_EQ(result, 0);
  struct stat st;
  ASSERT_EQ(stat(theirs.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(TestShell::Read(theirs), "root's\r\n");
}

// A write in place killed halfway: the next start asks whether to put the old bytes back
// (Yes), keeps the file and the copy (No) or asks again next time (closed). A file replaced
// meanwhile is not written to; the user is told where the copy is. A user's file that looks
// like a temporary of the settings file stays.
TEST(ShellOutside, NextStartOffersTheOldBytesOfAKilledWriteInPlace) {
  const struct {
    std::vector<YesNoAnswer> answers;
    bool replaced;     // the file was replaced by another before the start
    const char* file;  // after the start
    bool copyStays;
  } cases[] = {
      {{YesNoAnswer::Yes}, false, "old text\r\n", false},
      {{YesNoAnswer::No}, false, "half", true},
      {{YesNoAnswer::Closed, YesNoAnswer::Yes}, false, "old text\r\n", false},
      {{}, true, "another\r\n", true},
  };
  for (const auto& c : cases) {
    TestShell s;
    const std::string doc = s.Write("doc.txt", "old text\r\n");
    s.Write(".quiret.ini.backup", "the user's");
    ASSERT_EQ(link(doc.c_str(), s.Path("link.txt").c_str()), 0);  // written in place
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ReplaceFileSafely(doc, [](const std::string& p) {
        std::ofstream(p, std::ios::binary | std::ios::trunc) << "half";
        raise(SIGKILL);
      });
      _exit(0);
    }
    waitpid(pid, nullptr, 0);
    if (c.replaced) {
      s.Write("other.txt", "another\r\n");
      std::filesystem::rename(s.Path("other.txt"), doc);
    }
    std::string copy;
    for (const auto& e : std::filesystem::directory_iterator(SaveNotesFolderPath()))
      if (e.path().extension() == ".old") copy = e.path();
    ASSERT_EQ(TestShell::Read(copy), "old text\r\n");
    s.boxes.answers.assign(c.answers.begin(), c.answers.end());
    s.Start();
    for (size_t run = 1; run < c.answers.size(); ++run) {
      s.Restart();
      s.Start();
    }
    const std::string where = "\r\n保存前の内容の控え：\r\n" + copy;
    const std::string question =
        doc +
        "\r\n の上書き保存が中断されていました（書きかけの可能性があります）。\r\n"
        "保存前の内容に戻しますか？「いいえ」のときは、ファイルはそのままで控えが残ります。" +
        where;
    EXPECT_EQ(s.boxes.Texts("yesno"), std::vector<std::string>(c.answers.size(), question));
    EXPECT_EQ(s.boxes.Texts("information"),
              c.replaced ? std::vector<std::string>{doc + "\r\n の上書き保存が中断されていました。" + where}
                         : std::vector<std::string>{});
    EXPECT_EQ(TestShell::Read(doc), c.file);
    EXPECT_EQ(std::filesystem::exists(copy), c.copyStays);
    EXPECT_EQ(TestShell::Read(s.Path(".quiret.ini.backup")), "the user's");
    // Settled: the next start asks nothing.
    s.Restart();
    s.boxes.shown.clear();
    s.Start();
    EXPECT_TRUE(s.boxes.shown.empty());
  }
}

}  // namespace
}  // namespace quiret
