// Start-up and exit of the main window: reopen list, command-line pass, the exit question.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/IniFile.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

TEST(ShellStart, NoArgumentsAndNoSettingsShowsNoTab) {
  TestShell s;
  s.clipboard.PutFromOutside("clip");
  IniFile(s.settingsPath).WriteBool("Tab", "AutoClipLoad", true);
  TFormBase& f = s.Start();
  EXPECT_EQ(f.TabCount(), 0);
  EXPECT_EQ(s.status.panels[0], "ファイル数：0");
  EXPECT_EQ(s.status.panels[3], "No File");
  EXPECT_EQ(f.ReadMePath, s.dir + "/ReadMe.txt");
  EXPECT_EQ(f.UntitledCount, 0);
  EXPECT_TRUE(s.window.acceptDrops);
}

TEST(ShellStart, ReopenListOpensFilesInOrderAndReportsMissingOnes) {
  TestShell s;
  const std::string a = s.Write("a.txt", "alpha\r\n");
  const std::string b = s.Write("b.txt", "beta\r\n");
  IniFile ini(s.settingsPath);
  ini.WriteString("File", "File1", a);
  ini.WriteString("File", "File2", s.Path("gone.txt"));
  ini.WriteString("File", "File3", b);
  ini.WriteInteger("File", "Num", 3);
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 2);
  EXPECT_EQ(f.Tab(0).Hint, a);
  EXPECT_EQ(f.Tab(1).Hint, b);
  EXPECT_EQ(f.ActiveIndex(), 1);  // the last restored file is active
  EXPECT_EQ(std::string(f.Tab(0).Editor->Lines->Get(0)), "alpha\r\n");
  ASSERT_EQ(s.boxes.Texts("plain").size(), 1u);
  EXPECT_EQ(s.boxes.Texts("plain")[0], s.Path("gone.txt") + "\r\n が見つかりません。");
  EXPECT_EQ(s.status.panels[0], "ファイル数：2");
  EXPECT_EQ(s.status.panels[3], b);
  // The missing entry is not written back.
  f.FormClose();
  IniFile after(s.settingsPath);
  EXPECT_EQ(after.ReadInteger("File", "Num", -1), 2);
  EXPECT_EQ(after.ReadString("File", "File2", ""), b);
}

TEST(ShellStart, UnreadableFileIsReportedItsTabRemovedAndStartGoesOn) {
  TestShell s;
  const std::string a = s.Write("a.txt", "alpha\r\n");
  std::string locked = s.Write("locked.txt", "secret\r\n");
  const std::string c = s.Write("c.txt", "gamma\r\n");
  chmod(locked.c_str(), 0);
  // Permissions do not stop root; a file whose every read fails does.
  if (geteuid() == 0) locked = "/proc/self/mem";
  IniFile ini(s.settingsPath);
  ini.WriteString("File", "File1", a);
  ini.WriteString("File", "File2", locked);
  ini.WriteString("File", "File3", c);
  ini.WriteInteger("File", "Num", 3);
  s.process.args.push_back(s.Write("d.txt", "delta\r\n"));
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 3);
  EXPECT_EQ(f.Tab(0).Hint, a);
  EXPECT_EQ(f.Tab(1).Hint, c);
  EXPECT_EQ(f.Tab(2).Hint, s.Path("d.txt"));
  EXPECT_EQ(s.boxes.Texts("error").size(), 1u);
  EXPECT_TRUE(s.window.acceptDrops);
  EXPECT_EQ(s.status.panels[0], "ファイル数：3");
}

TEST(ShellStart, CommandLinePassSkipsFoldersOpensTextFilesAndMayCreateFromClipboard) {
  TestShell s;
  const std::string a = s.Write("a.txt", "alpha\r\n");
  const std::string upper = s.Write("notes.TXT", "upper\r\n");
  s.process.args = {s.Path("quiret"), s.dir, a, upper};
  s.clipboard.PutFromOutside("from clip\r\nsecond");
  IniFile(s.settingsPath).WriteBool("Tab", "AutoClipLoad", true);
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 2);
  EXPECT_EQ(f.Tab(0).Hint, a);
  EXPECT_EQ(f.Tab(1).Hint, kNewFileHint);  // notes.TXT is refused: a document from the clipboard instead
  EXPECT_EQ(f.Tab(1).Editor->Lines->GetText(), "from clip\r\nsecond");
  EXPECT_TRUE(f.Tab(1).Editor->GetModified());
  EXPECT_EQ(f.Tab(1).Editor->CaretRow, 0);
  EXPECT_EQ(f.TabCaption(1), "(Untitled2)");
}

TEST(ShellStart, NonTextArgumentWithoutAutoClipOpensAsAFile) {
  TestShell s;
  s.process.args.push_back(s.Write("photo.jpg", "x"));
  s.clipboard.PutFromOutside("clip");
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(f.Tab(0).Hint, s.Path("photo.jpg"));
}

TEST(ShellStart, FileInReopenListAndOnCommandLineOpensOnceAndEndsActive) {
  TestShell s;
  const std::string a = s.Write("a.txt", "a\r\n");
  const std::string b = s.Write("b.txt", "b\r\n");
  IniFile ini(s.settingsPath);
  ini.WriteString("File", "File1", a);
  ini.WriteString("File", "File2", b);
  ini.WriteInteger("File", "Num", 2);
  s.process.args.push_back(a);
  TFormBase& f = s.Start();
  EXPECT_EQ(f.TabCount(), 2);
  EXPECT_EQ(f.ActiveIndex(), 0);
}

// Twelve modified tabs captioned with 20 bytes each (16 + ".txt").
TEST(ShellExit, QuestionListsSixEntriesThenTheOmissionLine) {
  TestShell s;
  TFormBase& f = s.Start();
  std::string expected;
  for (int i = 0; i < 12; ++i) {
    const std::string name = "file_name_numb_" + std::string(1, static_cast<char>('a' + i)) + ".txt";
    ASSERT_EQ(name.size(), 20u);
    f.OpenFile(s.Write(name, "x\r\n"));
    s.Modify();
    if (i < 6) expected += "   " + name + "\r\n";
  }
  expected += "．．．以下省略\r\n";
  expected += "変更されたこれらのファイルは保存されていません。\r\nプログラムの終了を中止しますか？";
  s.boxes.answers = {YesNoAnswer::Closed, YesNoAnswer::Yes};
  EXPECT_FALSE(f.FormCloseQuery());              // Yes keeps the program running
  ASSERT_EQ(s.boxes.Texts("yesno").size(), 2u);  // closing the box asks again
  EXPECT_EQ(s.boxes.Texts("yesno")[0], expected);
  s.boxes.answers = {YesNoAnswer::No};
  EXPECT_TRUE(f.FormCloseQuery());
}

TEST(ShellExit, ListCountsCodePage932BytesOfCaptions) {
  TestShell s;
  TFormBase& f = s.Start();
  // Five double-byte characters, a letter and ".txt": 15 bytes in code page 932, so an entry
  // takes 20 and six make 120, under 128: the seventh is still listed. Counted in UTF-8
  // (25 bytes an entry) the list would stop after six.
  for (int i = 0; i < 8; ++i) {
    f.OpenFile(s.Write("日本語名前" + std::string(1, static_cast<char>('a' + i)) + ".txt", "x\r\n"));
    s.Modify();
  }
  s.boxes.answers = {YesNoAnswer::No};
  f.FormCloseQuery();
  const std::string text = s.boxes.Texts("yesno").at(0);
  EXPECT_NE(text.find("日本語名前g.txt"), std::string::npos);
  EXPECT_EQ(text.find("日本語名前h.txt"), std::string::npos);
  EXPECT_NE(text.find("．．．以下省略\r\n"), std::string::npos);
}

TEST(ShellExit, NoQuestionForReadMeOnlyOrWhenAskingIsOff) {
  TestShell s;
  s.Write("ReadMe.txt", "readme\r\n");
  TFormBase& f = s.Start();
  f.MenuClick("MmReadMeOpen");
  ASSERT_EQ(f.TabCount(), 1);
  s.Modify();
  EXPECT_TRUE(f.FormCloseQuery());
  f.Execute("FileNew");
  s.Modify();
  f.SetChecked("MmCloseAsk", false);
  EXPECT_TRUE(f.FormCloseQuery());
  EXPECT_TRUE(s.boxes.Texts("yesno").empty());
}

TEST(ShellExit, SecondStageWritesSettingsAndStopsDrops) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "a\r\n"));
  f.Execute("FileNew");
  f.OpenFile(s.Write("b.txt", "b\r\n"));
  f.FormClose();
  EXPECT_FALSE(s.window.acceptDrops);
  IniFile ini(s.settingsPath);
  EXPECT_EQ(ini.ReadInteger("File", "Num", -1), 2);
  EXPECT_EQ(ini.ReadString("File", "File1", ""), s.Path("a.txt"));
  EXPECT_EQ(ini.ReadString("File", "File2", ""), s.Path("b.txt"));
  s.Restart();
  TFormBase& again = s.Start();
  ASSERT_EQ(again.TabCount(), 2);
  EXPECT_EQ(again.Tab(1).Hint, s.Path("b.txt"));
}

}  // namespace
}  // namespace quiret

namespace quiret {
namespace {

// Relative arguments become absolute paths, so the reopen list works from any folder and
// two spellings of one file open one tab.
TEST(ShellStart, RelativeArgumentsOpenUnderTheirAbsolutePath) {
  TestShell s;
  const std::string a = s.Write("a.txt", "alpha\r\n");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(s.dir.c_str()), 0);
  s.process.args = {s.Path("quiret"), "a.txt", "./a.txt"};
  TFormBase& f = s.Start();
  ASSERT_EQ(chdir(old), 0);
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(f.Tab(0).Hint, a);
  EXPECT_EQ(s.status.panels[3], a);
}

}  // namespace
}  // namespace quiret
